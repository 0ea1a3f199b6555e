#pragma once
// Adding a tag to a CDX file, built in one pass from its entries in sorted order (a
// KeySorter's output, key_sorter.h).
//
// The build appends a tag header, then fills leaves from left to right as full as they go,
// each leaf's last entry passed up to the interior level above it, which fills the same way;
// the last node of the top level becomes the root. Memory holds one node per level. The tag
// enters the directory only at the end, so a failed build leaves the file's tags as they
// were (its pages stay behind unreachable).
//
// Entries: each key is info.keyLength bytes, each record number at least 1, in ascending
// (key, record) order; a repeated entry is stored once. Unique tags keep the first entry of a
// key (the lowest record); candidate tags fail with kOsFileExists on a repeated key. The FOR
// condition is the caller's: it hands in only the records that meet it; the text is stored.
//
// Fails with kOsInvalidParameter for a name that is not 1-10 letters, digits or underscores
// starting with a letter, a key length outside 1-240 or unfit for info.kind, expressions too
// long for the header, or entries out of order; with kOsFileExists for a tag name present.

#include <memory>

#include "data/index/cdx_file.h"
#include "data/index/cdx_tag.h"
#include "data/index/index_order.h"
#include "data/index/key_sorter.h"

namespace tabrix {

// tag: the new tag, opened (may be null when the caller does not want it).
IoStatus CreateCdxTag(CdxFile* file, const OrderInfo& info, EntrySource* entries,
                      std::unique_ptr<CdxTag>* tag);

}  // namespace tabrix
