#pragma once
// Inserting and removing entries of an NTX tree, keeping it a valid B-tree.
//
// Invariants after every call that returns ok (the page checker, ntx_check.h, tests them):
//   U1. Keys in order: in-order, every entry sorts after the one before it by (collation,
//       record) among the entries we placed; an entry goes after all entries that sort before
//       it, so equal keys stay in record order.
//   U2. All leaves lie at the same depth.
//   U3. Every page but the root holds at least min(half page, M / 2) keys and at most M.
//       Insert: a page that reaches M + 1 items splits: the first (M + 1) / 2 items stay in
//       the page, the middle item moves up into the parent with the page as its left child, and
//       the rest go to a new page that becomes the next child; a split root makes a new root.
//       Remove: an entry of an interior page is replaced by its in-order predecessor (the last
//       entry of the leaf at the right end of its left subtree), then the leaf loses that entry.
//       A page below the fill borrows one item through the parent from its left sibling (its
//       right one when it is the first child) when that sibling holds more than the fill, and
//       otherwise merges with it and the separating parent item into one page; the parent may
//       then fall below the fill in turn. A root left without keys hands the root over to its
//       only child.
//   U4. Pages that leave the tree go onto the free list; new pages come from it first.
// Both calls write the pages they change; the caller commits the header (ntx_pages.h P3).
// REQUIRES: a write session; the header's M is at least 2 (a page of one key cannot split).

#include <vector>

#include "data/index/index_order.h"
#include "data/index/ntx_cursor.h"
#include "data/index/ntx_pages.h"

namespace tabrix {

// Inserts entry (key of the header's key length) at its place. Does not look for duplicates.
IoStatus NtxInsertEntry(NtxPageStore* store, const IndexEntry& entry);

// Removes the entry at the end of path (as NtxCursor::path() gives it).
IoStatus NtxRemoveEntry(NtxPageStore* store, std::vector<NtxPathFrame> path);

// The fill every page but the root keeps (U3).
int NtxMinFill(const NtxHeader& header);

}  // namespace tabrix
