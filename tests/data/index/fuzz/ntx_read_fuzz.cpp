// Feeds arbitrary bytes as an NTX file (on the memory Env) to the order, the page checker and the
// range count: walks both ways, Seek, counts and positions, a few inserts and removes, and range
// counts between entries. Nothing may crash; a walk must end within the entries the file can
// hold; and when the page checker passes the file as one of ours would (keys and records in
// order), the walks, the count and the range count must agree with the checker's entries.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "data/env/memory_env.h"
#include "data/index/ntx_check.h"
#include "data/index/ntx_order.h"
#include "data/index/ntx_range.h"

using namespace tabrix;

namespace {

// Walks the order; false when the walk did not end within `limit` steps.
bool Walk(NtxOrder& order, bool backward, uint64_t limit, std::vector<IndexEntry>* out,
          IoStatus* status) {
  out->clear();
  std::optional<IndexEntry> e;
  *status = backward ? order.Last(&e) : order.First(&e);
  while (status->ok() && e) {
    if (out->size() > limit) return false;
    out->push_back(*e);
    const IndexEntry from = *e;
    *status = backward ? order.Previous(from, &e) : order.Next(from, &e);
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  auto env = NewMemoryEnv();
  {
    std::unique_ptr<File> f;
    if (!env->Open("f.ntx", {.disposition = Disposition::kCreateAlways}, &f).ok()) return 0;
    if (!f->WriteAt(0, {data, size}).ok()) return 0;
  }
  std::unique_ptr<NtxOrder> order;
  if (!NtxOrder::Open(env.get(), "f.ntx", {}, &order).ok()) {
    // The range count reads files the order refuses: it must not crash on them either.
    (void)NtxRangeCount(env.get(), 1, 1, "a", 2, "b", false, true, "f.ntx", nullptr);
    return 0;
  }
  const NtxHeader header = order->store()->header();
  const uint64_t limit = (size / kNtxPageSize + 1) * (uint64_t{header.maxKeys} + 1);

  std::vector<IndexEntry> forward, backward;
  IoStatus fs, bs;
  if (!Walk(*order, false, limit, &forward, &fs)) __builtin_trap();
  if (!Walk(*order, true, limit, &backward, &bs)) __builtin_trap();

  NtxTreeShape shape;
  std::vector<IndexEntry> checked;
  NtxCheckOptions strict;
  strict.requireFill = false;
  const bool valid = CheckNtxTree(order->store(), strict, &shape, &checked).ok();
  if (valid) {
    if (!fs.ok() || !bs.ok() || forward != checked) __builtin_trap();
    if (std::vector<IndexEntry>(backward.rbegin(), backward.rend()) != checked) __builtin_trap();
    uint32_t count = 0;
    if (!order->KeyCount(&count).ok() || count != checked.size()) __builtin_trap();
    for (size_t i = 0; i < checked.size(); i += 1 + checked.size() / 8) {
      uint32_t position = 0;
      if (!order->KeyPosition(checked[i], &position).ok() || position != i + 1) __builtin_trap();
    }
  }

  // Range counts between entries the walk met (and one record that is in no entry).
  std::set<uint32_t> records;
  for (const IndexEntry& e : forward) records.insert(e.record);
  const bool recordsUnique = records.size() == forward.size();
  for (size_t k = 0; k < 4 && !forward.empty(); ++k) {
    const size_t i = (k * 7 + (size % 13)) % forward.size();
    const size_t j = forward.size() - 1 - (k * 3) % forward.size();
    NtxRangeReads reads;
    const int64_t n =
        NtxRangeCount(env.get(), 1, forward[i].record, forward[i].key, forward[j].record,
                      forward[j].key, false, true, "f.ntx", nullptr, &reads);
    const int64_t expected = static_cast<int64_t>(i > j ? i - j : j - i) + 1;
    if (valid && recordsUnique && !reads.stopped &&
        shape.depth < NtxRangeLevels(static_cast<int16_t>(header.halfPage)) && n != expected) {
      __builtin_trap();
    }
  }
  (void)NtxRangeCount(env.get(), 1, 0xFFFFFFFF, "zz", 1, "", size % 2 == 0, true, "f.ntx", nullptr);

  std::optional<IndexEntry> e;
  std::string probe(reinterpret_cast<const char*>(data), std::min<size_t>(size, 3));
  (void)order->Seek(probe, &e);

  // Changes on whatever the file holds, then one more walk that must end.
  for (uint32_t r = 0; r < 8; ++r) {
    std::string key(header.keyLength, static_cast<char>('0' + r));
    (void)order->Insert({key, 100000 + r});
  }
  for (size_t k = 0; k < forward.size() && k < 4; ++k) (void)order->Remove(forward[k]);
  const uint64_t grown =
      (order->store()->fileSize() / kNtxPageSize + 1) * (uint64_t{header.maxKeys} + 1);
  if (!Walk(*order, false, grown, &forward, &fs)) __builtin_trap();
  return 0;
}
