// Reads memos from arbitrary DBT bytes in both dBASE III and dBASE IV flavours, then appends
// a memo and checks that it reads back.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "data/base/byte_coding.h"
#include "data/formats/dbt_memo.h"

using namespace tabrix;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::span<const uint8_t> in(data, size);
  for (DbtFlavour flavour : {DbtFlavour::kDbase3, DbtFlavour::kDbase4}) {
    auto reader = DbtMemoReader::Open(in, flavour, "fuzz.dbt");
    if (!reader) continue;
    const DbtHeader& h = reader.value().header();
    uint32_t blocks[4] = {h.nextFree, 1, 2, size >= 28 ? DecodeLE32(&in[24]) : 0};
    for (uint32_t b : blocks) (void)reader.value().ReadMemo(b);

    if (size > (1u << 16) || static_cast<uint64_t>(h.nextFree) * h.blockSize > (1u << 20)) {
      continue;
    }
    std::string file(reinterpret_cast<const char*>(data), size);
    std::string value = file.substr(size / 2, 200);
    auto plan = PlanDbtWrite({reinterpret_cast<const uint8_t*>(file.data()), file.size()}, flavour,
                             "fuzz.dbt", value);
    if (!plan) continue;
    for (const FilePatch& p : plan.value().patches) {
      if (file.size() < p.offset + p.bytes.size()) file.resize(p.offset + p.bytes.size(), '\0');
      file.replace(p.offset, p.bytes.size(), p.bytes);
    }
    if (value.empty()) continue;
    auto after = DbtMemoReader::Open({reinterpret_cast<const uint8_t*>(file.data()), file.size()},
                                     flavour, "fuzz.dbt");
    if (!after) __builtin_trap();
    auto back = after.value().ReadMemo(plan.value().block);
    if (!back || back.value().bytes != value) __builtin_trap();
  }
  return 0;
}
