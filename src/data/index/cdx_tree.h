#pragma once
// One compact B+-tree of a CDX file (a tag's, or the tag directory): search, stepping along
// the leaves, insertion and removal. Pages come from CdxFile; callers hold a Scope.
//
// Shape kept by every update (cdx_check.h verifies it):
//   T1. Every leaf lies at the same depth; siblings are linked both ways on every level, in
//       key order, ending in kCdxNone.
//   T2. An interior entry carries the last (key, record) of its child's subtree, so a search
//       descends into the first entry not below the target.
//   T3. No page is empty except a root leaf of an empty tree. A node that loses its last entry
//       leaves its parent and its sibling chain; a root with a single child hands the root to it.
//   T4. A node too full after a change is cut into pieces that fit: the last piece keeps the
//       node's page, the others take new pages before it in the sibling chain, and the parent
//       gets an entry per piece (a new root when the root was cut).
//
// Reading distrusts the file (invariant O5): the descent stops at kMaxDepth levels and each page
// it reaches must lie within its parent's entries (the first and last pages without a sibling
// beyond them); a step to
// a sibling must reach a leaf whose first entry follows the last one handed out, and a run of
// empty leaves ends within the file's page count, so a loop in the links ends as corruption.

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "data/index/cdx_file.h"

namespace tabrix {

class CdxTree {
 public:
  static constexpr int kMaxDepth = 32;

  // headerOffset: where the tree's header lies (0 for the directory).
  CdxTree(CdxFile* file, uint32_t headerOffset, int keyLength, uint8_t fill);

  uint32_t root() const { return root_; }
  void set_root(uint32_t root) { root_ = root; }
  uint32_t headerOffset() const { return headerOffset_; }
  int keyLength() const { return keyLength_; }
  uint8_t fill() const { return fill_; }

  // A place in the leaves: entry `index` of the leaf at `offset`; at the end when leaf is null.
  struct Cursor {
    std::shared_ptr<const CdxNode> leaf;
    uint32_t offset = kCdxNone;
    size_t index = 0;
    bool atEnd() const { return !leaf; }
    std::string_view key() const { return leaf->key(index); }
    uint32_t record() const { return leaf->records[index]; }
  };

  // What a search looks for. key may be shorter than the key length: then only that prefix of
  // each entry compares. after: the search passes every entry whose (prefix of the) key equals
  // key; otherwise it stops at the first entry not below (key, record).
  struct Target {
    std::string_view key;
    uint32_t record = 0;
    bool after = false;
  };

  IoStatus Find(const Target& target, Cursor* cursor);
  IoStatus First(Cursor* cursor);
  IoStatus Last(Cursor* cursor);
  // Moves one entry on; at the end (or beginning) the cursor becomes atEnd.
  IoStatus Next(Cursor* cursor);
  IoStatus Previous(Cursor* cursor);
  // Moves n entries on / back, passing a whole leaf with one step when the move leaves it; at
  // the end (or beginning) the cursor becomes atEnd. The same checks on the sibling chain as
  // Next and Previous.
  IoStatus Advance(Cursor* cursor, uint64_t n);
  IoStatus Retreat(Cursor* cursor, uint64_t n);
  // Entries before the cursor's entry (all entries when at the end).
  IoStatus CountBefore(const Cursor& cursor, uint64_t* count);
  // Where the cursor's entry lies among all entries, as a fraction in [0, 1) (1 at the end),
  // estimated from three paths down the tree (to the entry, the first and the last leaf), so
  // from a few pages however many entries there are, where CountBefore reads every leaf before.
  // The estimate takes every page that is not the last of its level to hold as many entries
  // as the first and the entry's own page of that level do; the last page of each level is
  // read. A tree of one leaf, and a bulk-built tree (full pages, the last of a level partly
  // filled), are therefore estimated exactly; after upkeep the error follows the fill.
  // *entryShare (when given): the estimated share of one entry.
  IoStatus EstimateFraction(const Cursor& cursor, double* fraction, double* entryShare = nullptr);
  // The entry at about `fraction` (clamped to [0, 1]) of all entries by the same estimate: 0
  // the first, 1 the last; at the end in an empty tree.
  IoStatus AtFraction(double fraction, Cursor* cursor);

  // REQUIRES: a write Scope; key of keyLength bytes; (key, record) not in the tree.
  IoStatus Insert(std::string_view key, uint32_t record);
  // *removed: whether the entry was there.
  IoStatus Remove(std::string_view key, uint32_t record, bool* removed);

 private:
  struct Bounds;
  struct Step {
    uint32_t offset = kCdxNone;
    std::shared_ptr<const CdxNode> node;
    size_t index = 0;
  };
  // The entries a subtree holds by the estimate, per level (below[depth - 1] = 1: a leaf
  // entry), and the estimated total. path: the entry's path, a sample of its levels' fill.
  struct Shape {
    std::vector<double> below;
    double total = 0;
  };
  IoStatus ReadShape(const std::vector<Step>* path, Shape* shape);
  // The pages from the root along the first (or last) child to a leaf.
  IoStatus EdgePath(bool last, std::vector<std::shared_ptr<const CdxNode>>* nodes);
  int Compare(const CdxNode& node, size_t i, const Target& target) const;
  IoStatus Read(uint32_t offset, std::shared_ptr<const CdxNode>* node);
  // The path from the root to the leaf where target belongs. forInsert: past the last
  // separator, descend into the last child instead of stopping at the end (path empty).
  IoStatus Descend(const Target& target, bool forInsert, std::vector<Step>* path);
  // From a leaf index that may lie past its leaf's end, on along the siblings to an entry.
  IoStatus SettleForward(Cursor* cursor);
  IoStatus Store(std::vector<Step>& path, size_t level, CdxNode content);
  IoStatus CollapseRoot(uint32_t rootOffset, const CdxNode& root);
  std::vector<std::pair<size_t, size_t>> Pieces(const CdxNode& node) const;
  IoStatus SetLeft(uint32_t offset, uint32_t left);
  IoStatus SetRight(uint32_t offset, uint32_t right);

  CdxFile* file_;
  uint32_t headerOffset_;
  int keyLength_;
  uint8_t fill_;
  uint32_t root_ = kCdxNone;
};

// A copy of entries [begin, end) of node, with its attributes.
CdxNode CdxNodeSlice(const CdxNode& node, size_t begin, size_t end);

}  // namespace tabrix
