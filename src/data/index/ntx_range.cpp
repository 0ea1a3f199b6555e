#include "data/index/ntx_range.h"

#include <algorithm>
#include <memory>
#include <new>

#include "data/base/byte_coding.h"
#include "data/index/ntx_file.h"
#include "data/index/ntx_key.h"

namespace tabrix {

namespace {

// The header bytes the count reads: up to and including the flags after the key expression.
constexpr size_t kRangeHeaderBytes = 284;
// Work buffers beyond this are taken as not to be had (a header with absurd sizes).
constexpr uint64_t kMaxWorkBytes = uint64_t{64} << 20;

enum Phase { kDone = 0, kSeekLowKey = 1, kSeekLowRecord = 2, kCountOnward = 3, kCountEntry = 4 };

class RangeSearch {
 public:
  RangeSearch(File* file, uint64_t fileSize, NtxRangeReads* reads)
      : file_(file), fileSize_(fileSize), reads_(reads) {}

  // False when the header does not read or the work buffers cannot be had.
  bool Prepare(const uint8_t* head) {
    root_ = DecodeLE32(head + kNtxRootOffset);
    itemSize_ = DecodeLE16(head + kNtxItemSizeOffset);
    keyLength_ = DecodeLE16(head + kNtxKeyLengthOffset);
    decimals_ = DecodeLE16(head + kNtxDecimalsOffset);
    maxKeys_ = DecodeLE16(head + kNtxMaxKeysOffset);
    levels_ = NtxRangeLevels(static_cast<int16_t>(DecodeLE16(head + kNtxHalfPageOffset)));
    if (keyLength_ == 0 || maxKeys_ == 0) return false;
    bufferSize_ = (size_t{maxKeys_} + 2) * 2 + size_t{itemSize_} * (maxKeys_ + 1);
    if (uint64_t{bufferSize_} * static_cast<uint64_t>(levels_) > kMaxWorkBytes) return false;
    buffers_.reset(new (std::nothrow) uint8_t[bufferSize_ * levels_]);
    budget_ = 4 * (fileSize_ / kNtxPageSize) + 64;
    return buffers_ != nullptr;
  }

  int64_t Run(uint32_t recordA, std::string_view keyA, uint32_t recordB, std::string_view keyB,
              bool numeric) {
    std::string a = Key(keyA, numeric), b = Key(keyB, numeric);
    const int c = NtxCompareKeys(a, b, keyLength_);
    if (c <= 0) {
      low_ = std::move(a);
      high_ = std::move(b);
      lowRecord_ = recordA;
      highRecord_ = recordB;
      alternative_ = c < 0 ? recordA : recordB;
    } else {
      low_ = std::move(b);
      high_ = std::move(a);
      lowRecord_ = recordB;
      highRecord_ = recordA;
      alternative_ = recordB;
    }
    counter_ = -1;
    phase_ = kSeekLowKey;
    Search(root_, 0);
    if (reads_) reads_->stopped = stopped_;
    return counter_;
  }

 private:
  std::string Key(std::string_view text, bool numeric) const {
    if (numeric) return NtxNormStr(text, keyLength_, decimals_);
    std::string key(text.substr(0, std::min<size_t>(text.size(), keyLength_)));
    key.resize(keyLength_, ' ');
    return key;
  }

  // The page in a level buffer, or nothing (the search stops) when it does not read or is
  // damaged. keyBytes: whether the items' key bytes are read and must lie inside.
  const uint8_t* Load(uint32_t offset, int depth, size_t size, bool keyBytes) {
    if (depth >= levels_ || ++readCount_ > budget_ || offset == 0) return Stop();
    uint8_t* buf = buffers_.get() + size_t(depth) * bufferSize_;
    size_t got = 0;
    if (!file_->ReadAt(offset, {buf, size}, &got).ok() || got != size) return Stop();
    const uint16_t n = DecodeLE16(buf);
    if (n > maxKeys_) return Stop();
    const size_t need = keyBytes ? size_t{8} + keyLength_ : 4;
    for (uint32_t i = 0; i <= n; ++i) {
      const uint16_t item = DecodeLE16(buf + 2 + 2 * i);
      if (item < 2 || item + need > size) return Stop();
    }
    return buf;
  }

  const uint8_t* Stop() {
    stopped_ = true;
    phase_ = kDone;
    return nullptr;
  }

  const uint8_t* Item(const uint8_t* page, uint32_t i) const {
    return page + DecodeLE16(page + 2 + 2 * i);
  }
  uint32_t Child(const uint8_t* page, uint32_t i) const { return DecodeLE32(Item(page, i)); }
  uint32_t Record(const uint8_t* page, uint32_t i) const { return DecodeLE32(Item(page, i) + 4); }
  std::string_view KeyOf(const uint8_t* page, uint32_t i) const {
    return {reinterpret_cast<const char*>(Item(page, i) + 8), keyLength_};
  }

  void Search(uint32_t offset, int depth) {
    const uint8_t* page = Load(offset, depth, bufferSize_, true);
    if (!page) return;
    if (reads_) ++reads_->wholePages;
    const uint32_t n = DecodeLE16(page);
    uint32_t i = 0;
    for (;;) {
      switch (phase_) {
        case kDone:
          return;
        case kSeekLowKey: {
          if (i >= n) return Last(page, n, depth);
          const int c = NtxCompareKeys(low_, KeyOf(page, i), keyLength_);
          if (c == 0) {
            phase_ = kSeekLowRecord;
          } else if (c < 0) {
            const uint32_t r = Record(page, i);
            if (r == lowRecord_ || r == alternative_ || Child(page, i) == 0) {
              phase_ = kSeekLowRecord;
            } else {
              Search(Child(page, i), depth + 1);
              if (phase_ == kSeekLowKey) ++i;
              if (phase_ == kCountOnward) phase_ = kCountEntry;
            }
          } else {
            ++i;
          }
          break;
        }
        case kSeekLowRecord: {
          if (i >= n) return Last(page, n, depth);
          if (Child(page, i) != 0) {
            Search(Child(page, i), depth + 1);
            if (phase_ != kSeekLowRecord) {
              if (phase_ == kCountOnward) phase_ = kCountEntry;
              break;
            }
          } else {
            leafDepth_ = depth;
          }
          const uint32_t r = Record(page, i);
          if (r == lowRecord_ || r == alternative_) {
            // Met the alternative first: the equal-key entries come in reverse order, so the
            // count ends at the other one.
            if (r == alternative_ && alternative_ != lowRecord_) highRecord_ = lowRecord_;
            phase_ = kCountEntry;
            counter_ = 0;
          } else {
            ++i;
          }
          break;
        }
        case kCountEntry:
          ++counter_;
          if (Record(page, i) == highRecord_) {
            phase_ = kDone;
            return;
          }
          ++i;
          phase_ = kCountOnward;
          break;
        case kCountOnward: {
          if (i >= n) return Last(page, n, depth);
          if (Child(page, i) != 0) {
            if (NtxCompareKeys(KeyOf(page, i), high_, keyLength_) < 0) {
              CountSubtree(Child(page, i), depth + 1);
              if (stopped_) return;
            } else {
              Search(Child(page, i), depth + 1);
              if (phase_ != kCountOnward) return;
            }
          }
          ++counter_;
          if (Record(page, i) == highRecord_) {
            phase_ = kDone;
            return;
          }
          ++i;
          break;
        }
      }
    }
  }

  // After the last key: the subtree right of it.
  void Last(const uint8_t* page, uint32_t n, int depth) {
    if (Child(page, n) != 0) Search(Child(page, n), depth + 1);
  }

  void CountSubtree(uint32_t offset, int depth) {
    if (depth == leafDepth_) {
      if (depth >= levels_ || ++readCount_ > budget_ || offset == 0) {
        Stop();
        return;
      }
      uint8_t count[2];
      size_t got = 0;
      if (!file_->ReadAt(offset, count, &got).ok() || got != 2 || DecodeLE16(count) > maxKeys_) {
        Stop();
        return;
      }
      if (reads_) ++reads_->countBytes;
      counter_ += DecodeLE16(count);
      return;
    }
    const uint8_t* page = Load(offset, depth, bufferSize_ - keyLength_, false);
    if (!page) return;
    if (reads_) ++reads_->countPages;
    const uint32_t n = DecodeLE16(page);
    counter_ += n;
    if (Child(page, 0) == 0) {
      leafDepth_ = depth;
      return;
    }
    for (uint32_t i = 0; i <= n; ++i) {
      CountSubtree(Child(page, i), depth + 1);
      if (stopped_) return;
    }
  }

  File* file_;
  uint64_t fileSize_;
  NtxRangeReads* reads_;
  uint32_t root_ = 0;
  uint16_t itemSize_ = 0;
  uint16_t keyLength_ = 0;
  uint16_t decimals_ = 0;
  uint16_t maxKeys_ = 0;
  int levels_ = 0;
  size_t bufferSize_ = 0;
  std::unique_ptr<uint8_t[]> buffers_;
  uint64_t budget_ = 0;
  uint64_t readCount_ = 0;

  std::string low_, high_;
  uint32_t lowRecord_ = 0, highRecord_ = 0, alternative_ = 0;
  int64_t counter_ = -1;
  int phase_ = kSeekLowKey;
  int leafDepth_ = -1;
  bool stopped_ = false;
};

}  // namespace

int NtxRangeLevels(int halfPage) {
  switch (halfPage) {
    case 2:
      return 20;
    case 3:
      return 16;
    case 4:
      return 14;
    case 5:
      return 13;
    case 6:
      return 12;
    default:
      return halfPage >= 7 ? 11 : 31;
  }
}

int64_t NtxRangeCount(Env* env, int /*orderNumber*/, uint32_t recordA, std::string_view keyA,
                      uint32_t recordB, std::string_view keyB, bool numeric, bool fileGiven,
                      const std::string& indexFile, const NtxDebugSink& debug,
                      NtxRangeReads* reads) {
  if (reads) *reads = NtxRangeReads{};
  if (!fileGiven) return 0;
  std::unique_ptr<File> file;
  OpenOptions options;
  options.readOnly = true;
  if (!env->Open(indexFile, options, &file).ok()) return 0;
  uint64_t size = 0;
  uint8_t head[kRangeHeaderBytes];
  size_t got = 0;
  if (!file->Size(&size).ok() || !file->ReadAt(0, head, &got).ok() || got != sizeof head) {
    return 0;
  }
  RangeSearch search(file.get(), size, reads);
  if (!search.Prepare(head)) return 0;
  const int64_t result = search.Run(recordA, keyA, recordB, keyB, numeric);
  if (result == -1 && debug) debug(kNtxRangeErrorLine);
  return result;
}

}  // namespace tabrix
