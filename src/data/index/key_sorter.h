#pragma once
// Sorting the (key, record) entries of an index build in bounded memory.
//
// KeySorter takes entries in any order and hands them out sorted: by key (unsigned bytes, or
// the caller's comparison) and, among equal keys, by record number. Entries are kept in a
// buffer of at most `memoryBytes`; a full buffer is sorted and written to a temporary file (a
// run) through the Env, and the runs are merged at the end, so memory does not grow with the
// number of entries. Merging reads every run through its own slice of the same memory; when
// the runs are too many for slices of kMinRunBuffer bytes, groups of runs are first merged
// into longer runs. Temporary files are named tempPrefix + ".NNN.srt" and removed when the
// sorter is done with them (at the latest by its destructor).
//
// Index files of every dialect build from it: it knows nothing of their pages.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "data/env/file_env.h"
#include "data/index/index_order.h"

namespace tabrix {

// Entries handed out one by one in sorted order (the input of a bulk build).
class EntrySource {
 public:
  virtual ~EntrySource() = default;
  // The next entry into *entry (its key's memory is reused); *done when there is none.
  virtual IoStatus Next(IndexEntry* entry, bool* done) = 0;
};

// A source over entries already in memory, sorted by the caller.
class VectorEntrySource final : public EntrySource {
 public:
  explicit VectorEntrySource(const std::vector<IndexEntry>* entries) : entries_(entries) {}
  IoStatus Next(IndexEntry* entry, bool* done) override;

 private:
  const std::vector<IndexEntry>* entries_;
  size_t next_ = 0;
};

// The name of the n-th temporary run file: prefix + ".NNN.srt".
std::string RunFileName(const std::string& prefix, size_t n);

struct KeySorterOptions {
  size_t memoryBytes = size_t{64} << 20;
  // Temporary run files: tempPrefix + ".NNN.srt". REQUIRES: a name in a writable folder.
  std::string tempPrefix;
  // Key order; empty: unsigned bytes. Negative, 0, positive.
  std::function<int(std::string_view, std::string_view)> compareKeys;
};

class KeySorter final : public EntrySource {
 public:
  static constexpr size_t kMinRunBuffer = size_t{64} << 10;

  // Every key added is keyLength bytes.
  KeySorter(Env* env, int keyLength, KeySorterOptions options);
  ~KeySorter() override;
  KeySorter(const KeySorter&) = delete;
  KeySorter& operator=(const KeySorter&) = delete;

  // REQUIRES: key.size() == keyLength; before Finish.
  IoStatus Add(std::string_view key, uint32_t record);
  // Ends the input; Next hands out the entries afterwards.
  IoStatus Finish();
  IoStatus Next(IndexEntry* entry, bool* done) override;

  // Entries the buffer holds before it spills.
  size_t bufferedEntries() const { return capacity_; }
  // Runs written to temporary files so far (0 when everything fit the buffer).
  size_t runsWritten() const { return runsWritten_; }

  struct Run;

 private:
  size_t EntrySize() const { return keyLength_ + 4; }
  bool Less(const uint8_t* a, const uint8_t* b) const;
  void SortBuffer();
  IoStatus SpillBuffer();
  IoStatus MergeGroup(size_t first, size_t count);
  IoStatus OpenMerge();

  Env* env_;
  size_t keyLength_;
  KeySorterOptions options_;
  size_t capacity_;              // entries the buffer holds
  std::vector<uint8_t> buffer_;  // entries: key bytes, record (little-endian)
  struct Slot {
    uint64_t prefix;  // first 8 key bytes, big-endian: most comparisons end here
    uint32_t index;
  };
  std::vector<Slot> order_;
  size_t handed_ = 0;
  bool finished_ = false;
  std::vector<std::string> runFiles_;
  size_t runsWritten_ = 0;
  std::vector<std::unique_ptr<Run>> runs_;  // the final merge
  std::vector<size_t> heap_;                // indexes into runs_, smallest entry on top
};

}  // namespace tabrix
