#pragma once
// A full check of one tree of a CDX file: what the tests and the benchmark ask of every tree
// this program writes (cdx_tree.h, T1-T4), and a walk that reads every page of a file they did
// not write.
//
// Checked, level by level from the root: every page decodes (cdx_page.h); no page is reached
// twice; the root alone carries the root flag; every leaf lies at the same depth; only a root
// leaf may be empty; on each level the siblings are linked both ways in order and end in
// kCdxNone at both ends; entries ascend across each whole level; each interior entry equals the
// last entry of its child. A failure is a corruption status naming the page.

#include <cstdint>

#include "data/index/cdx_file.h"
#include "data/index/cdx_tag.h"

namespace tabrix {

struct CdxTreeStats {
  int depth = 0;  // levels; 1 when the root is a leaf
  uint64_t pages = 0;
  uint64_t leaves = 0;
  uint64_t entries = 0;
};

IoStatus CheckCdxTree(CdxFile* file, uint32_t root, int keyLength, uint8_t fill,
                      CdxTreeStats* stats);
IoStatus CheckCdxTag(CdxTag* tag, CdxTreeStats* stats);

}  // namespace tabrix
