#pragma once
// One tag of a CDX file as an index order (index_order.h, invariants O1-O6).
//
// Keys are stored ascending by their bytes (cdx_key.h) and, among equal keys, by record
// number, whatever the tag's order flag says; a descending tag hands the entries out back to
// front (its Seek finds the first entry, in that order, whose key prefix is not above the
// search key).
//
// Unique tags keep the first record of a key: inserting a key already present stores nothing.
// Candidate tags refuse it: Insert fails with kOsFileExists ("insert key"), the detail naming
// the record that holds the key.
//
// Every call takes a CdxFile::Scope (in a shared file: the index lock and a freshness check).
// Next and Previous continue from the entry handed out last without searching while the file
// has not changed since; otherwise they search for `from` (O6).

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "data/index/cdx_file.h"
#include "data/index/cdx_tree.h"
#include "data/index/index_order.h"

namespace tabrix {

class CdxTag final : public IndexOrder {
 public:
  // A tag over the header at headerOffset. Fails with kOsInvalidParameter when the key length
  // does not fit kind (cdx_key.h).
  static IoStatus Make(CdxFile* file, uint32_t headerOffset, const CdxHeader& header,
                       std::string_view name, KeyKind kind, std::unique_ptr<CdxTag>* tag);

  const OrderInfo& Info() const override { return info_; }
  IoStatus EncodeKey(const Value& value, bool partial, std::string* key) const override;
  IoStatus First(std::optional<IndexEntry>* entry) override;
  IoStatus Last(std::optional<IndexEntry>* entry) override;
  IoStatus Next(const IndexEntry& from, std::optional<IndexEntry>* entry) override;
  IoStatus Previous(const IndexEntry& from, std::optional<IndexEntry>* entry) override;
  IoStatus Seek(std::string_view key, std::optional<IndexEntry>* entry) override;
  IoStatus Insert(const IndexEntry& entry) override;
  IoStatus Remove(const IndexEntry& entry) override;
  IoStatus Skip(const IndexEntry& from, int64_t n, std::optional<IndexEntry>* entry) override;
  IoStatus KeyPosition(const IndexEntry& entry, uint32_t* position) override;
  IoStatus KeyCount(uint32_t* count) override;
  // Estimated from one path down the tree (CdxTree::EstimateFraction / AtFraction).
  IoStatus PositionFraction(const IndexEntry& entry, double* fraction) override;
  IoStatus EntryAtFraction(double fraction, std::optional<IndexEntry>* entry) override;

  const CdxHeader& header() const { return header_; }
  uint32_t headerOffset() const { return headerOffset_; }
  CdxFile* file() const { return file_; }
  // Levels from the root to the leaves (1: the root is a leaf).
  IoStatus Depth(int* depth);
  // The root page offset as last read.
  uint32_t root() const { return tree_.root(); }

 private:
  CdxTag(CdxFile* file, uint32_t headerOffset, const CdxHeader& header, OrderInfo info);
  IoStatus Refresh();
  IoStatus CheckKey(const IndexEntry& entry, const char* operation) const;
  // Where `from` is or would be: the cursor of the first entry not below it.
  IoStatus Locate(const IndexEntry& from, CdxTree::Cursor* cursor, bool* exact);
  IoStatus Step(const IndexEntry& from, bool forward, std::optional<IndexEntry>* entry);
  void Hand(const CdxTree::Cursor& cursor, std::optional<IndexEntry>* entry);

  CdxFile* file_;
  uint32_t headerOffset_;
  CdxHeader header_;
  OrderInfo info_;
  bool nullable_;
  CdxTree tree_;
  struct Remembered {
    bool valid = false;
    uint64_t generation = 0;
    IndexEntry entry;
    CdxTree::Cursor cursor;
  } last_;
};

}  // namespace tabrix
