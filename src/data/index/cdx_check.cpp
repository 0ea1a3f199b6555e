#include "data/index/cdx_check.h"

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "data/index/cdx_key.h"
#include "data/index/cdx_tree.h"

namespace tabrix {
namespace {

struct Expected {
  uint32_t offset = kCdxNone;
  std::string key;  // the parent's entry for it; empty for the root
  uint32_t record = 0;
};

}  // namespace

IoStatus CheckCdxTree(CdxFile* file, uint32_t root, int keyLength, uint8_t fill,
                      CdxTreeStats* stats) {
  *stats = CdxTreeStats();
  CdxFile::Scope scope(file, false);
  if (!scope.ok()) return scope.status();
  std::set<uint32_t> seen;
  std::vector<Expected> level{{root, {}, 0}};
  IoStatus s;
  while (s.ok() && !level.empty()) {
    if (++stats->depth > CdxTree::kMaxDepth) {
      s = file->Corrupt(root, "tree deeper than possible");
      break;
    }
    std::vector<Expected> below;
    bool leafLevel = false;
    std::string lastKey;
    uint32_t lastRecord = 0;
    bool haveLast = false;
    for (size_t i = 0; s.ok() && i < level.size(); ++i) {
      const Expected& e = level[i];
      if (!seen.insert(e.offset).second) {
        s = file->Corrupt(e.offset, "page reached twice");
        break;
      }
      std::shared_ptr<const CdxNode> node;
      s = file->ReadNode(e.offset, keyLength, fill, &node);
      if (!s.ok()) break;
      ++stats->pages;
      bool isRoot = stats->depth == 1;
      if (i == 0) leafLevel = node->leaf();
      if (node->leaf() != leafLevel) s = file->Corrupt(e.offset, "leaves at different depths");
      if (s.ok() && node->root() != isRoot) s = file->Corrupt(e.offset, "root flag misplaced");
      if (s.ok() && node->count() == 0 && !(isRoot && node->leaf())) {
        s = file->Corrupt(e.offset, "empty page");
      }
      uint32_t left = i == 0 ? kCdxNone : level[i - 1].offset;
      uint32_t right = i + 1 == level.size() ? kCdxNone : level[i + 1].offset;
      if (s.ok() && (node->left != left || node->right != right)) {
        s = file->Corrupt(e.offset, "sibling links do not match the level");
      }
      size_t n = node->count();
      if (s.ok() && n > 0 && !isRoot &&
          (node->key(n - 1) != e.key || node->records[n - 1] != e.record)) {
        s = file->Corrupt(e.offset, "parent entry is not the last entry of the page");
      }
      if (s.ok() && n > 0 && haveLast &&
          CompareCdxEntry(lastKey, lastRecord, node->key(0), node->records[0]) >= 0) {
        s = file->Corrupt(e.offset, "entries out of order across pages");
      }
      if (!s.ok() || n == 0) continue;
      lastKey.assign(node->key(n - 1));
      lastRecord = node->records[n - 1];
      haveLast = true;
      if (node->leaf()) {
        ++stats->leaves;
        stats->entries += n;
      } else {
        for (size_t j = 0; j < n; ++j) {
          below.push_back({node->children[j], std::string(node->key(j)), node->records[j]});
        }
      }
    }
    if (leafLevel) break;
    level = std::move(below);
  }
  return scope.End(s);
}

IoStatus CheckCdxTag(CdxTag* tag, CdxTreeStats* stats) {
  CdxFile* file = tag->file();
  CdxFile::Scope scope(file, false);
  if (!scope.ok()) return scope.status();
  uint32_t root = kCdxNone;
  IoStatus s = file->RefreshRoot(tag->headerOffset(), &root);
  if (s.ok()) {
    s = CheckCdxTree(file, root, tag->Info().keyLength, CdxFillByte(tag->Info().kind), stats);
  }
  return scope.End(s);
}

}  // namespace tabrix
