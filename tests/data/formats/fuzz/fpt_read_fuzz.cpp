// Reads memos from arbitrary FPT bytes, then plans writes into them and checks that what was
// written reads back and that no other readable memo changed.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "data/base/byte_coding.h"
#include "data/formats/fpt_memo.h"

using namespace tabrix;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::span<const uint8_t> in(data, size);
  auto reader = FptMemoReader::Open(in, "fuzz.fpt");
  if (!reader) return 0;
  const FptHeader& h = reader.value().header();
  // Blocks named by the input itself: the header's next free block and a few 32-bit words.
  uint32_t blocks[6] = {h.nextFree, 1, 8, 0, 0, 0};
  for (size_t i = 0; i < 3 && 12 + 4 * i + 4 <= size; ++i)
    blocks[3 + i] = DecodeBE32(&in[12 + 4 * i]);
  for (uint32_t b : blocks) {
    if (b != 0) (void)reader.value().ReadMemo(b);
  }
  if (size > (1u << 16) || static_cast<uint64_t>(h.nextFree) * h.blockSize > (1u << 20)) return 0;

  std::string file(reinterpret_cast<const char*>(data), size);
  std::string value = file.substr(size / 2, 300);
  auto before =
      FptMemoReader::Open({reinterpret_cast<const uint8_t*>(file.data()), file.size()}, "fuzz.fpt");
  std::string old[6];
  bool readable[6] = {};
  for (int i = 0; i < 6; ++i) {
    if (blocks[i] == 0) continue;
    auto m = before.value().ReadMemo(blocks[i]);
    if (m) old[i] = std::move(m.value().bytes), readable[i] = true;
  }
  auto plan = PlanFptWrite({reinterpret_cast<const uint8_t*>(file.data()), file.size()}, "fuzz.fpt",
                           blocks[3], kMemoTypeText, value);
  if (!plan) return 0;
  for (const FilePatch& p : plan.value().patches) {
    if (file.size() < p.offset + p.bytes.size()) file.resize(p.offset + p.bytes.size(), '\0');
    file.replace(p.offset, p.bytes.size(), p.bytes);
  }
  if (value.empty()) return 0;
  auto after =
      FptMemoReader::Open({reinterpret_cast<const uint8_t*>(file.data()), file.size()}, "fuzz.fpt");
  if (!after) __builtin_trap();
  auto back = after.value().ReadMemo(plan.value().block);
  if (!back || back.value().bytes != value) __builtin_trap();
  // An appended memo lies past the old end of the file: no readable memo may change.
  if (plan.value().block != blocks[3]) {
    for (int i = 0; i < 6; ++i) {
      if (!readable[i]) continue;
      auto m = after.value().ReadMemo(blocks[i]);
      if (!m || m.value().bytes != old[i]) __builtin_trap();
    }
  }
  return 0;
}
