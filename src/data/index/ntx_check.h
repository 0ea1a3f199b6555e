#pragma once
// Whole-file check of an NTX index: every page of the tree and of the free list, once.
//
// Checked, in one in-order walk from the root:
//   K1. Each page is reached once (no page shared by two parents, no loop) and decodes
//       (ntx_file.h: count, item offsets, children).
//   K2. All leaves lie at the same depth; interior pages have a child in every item.
//   K3. Entries come in order: keys never sort before the previous key; with strictRecords
//       equal keys come in record order and no (key, record) pair repeats; in a unique index
//       no key repeats.
//   K4. With requireFill every page but the root holds at least the fill of ntx_update.h (U3).
//   K5. The free list: whole pages inside the file, none in the tree, no loop.
// Files of other programs pass with strictRecords and requireFill off; files we write pass with
// both on.

#include <cstdint>
#include <vector>

#include "data/index/index_order.h"
#include "data/index/ntx_pages.h"

namespace tabrix {

struct NtxCheckOptions {
  bool strictRecords = true;
  bool requireFill = true;
};

struct NtxTreeShape {
  uint64_t entries = 0;
  uint64_t pages = 0;  // tree pages, root included
  uint64_t leaves = 0;
  int depth = 0;  // pages on a root-to-leaf path
  uint64_t freePages = 0;
};

// ok with the shape, or a damaged-index status (kNtxCorruptCode) naming the first problem.
// entries, when given, receives every entry in order.
IoStatus CheckNtxTree(NtxPageStore* store, const NtxCheckOptions& options, NtxTreeShape* shape,
                      std::vector<IndexEntry>* entries = nullptr);

}  // namespace tabrix
