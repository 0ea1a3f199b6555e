#pragma once
// What the record decoder needs from a memo file: the value stored at a block number.
// Implemented by FptMemoReader (fpt_memo.h) and DbtMemoReader (dbt_memo.h).

#include <cstdint>
#include <string>
#include <utility>

#include "data/base/format_status.h"

namespace tabrix {

// FPT block types (stored big-endian in the block header). Stored on disk, never renumber.
enum MemoBlockType : uint32_t {
  kMemoTypePicture = 0,  // picture / OLE data of a general field
  kMemoTypeText = 1,
  kMemoTypeObject = 2,
};

// A memo pointer to a block the file does not reach.
inline FormatError MemoBlockOutsideFile(std::string fileName, uint32_t block, uint64_t offset) {
  return Corruption(std::move(fileName), offset,
                    "memo block " + std::to_string(block) + " lies outside the file");
}

struct MemoData {
  uint32_t type = kMemoTypeText;  // DBT memos are always text
  std::string bytes;
};

class MemoSource {
 public:
  virtual ~MemoSource() = default;
  // The memo at `block` (> 0). A block outside the file, or a length running past its end, is
  // Corruption; the reader never reads outside its buffer.
  virtual Result<MemoData> ReadMemo(uint32_t block) const = 0;
  // The same into *bytes, whose storage is reused (a reader of whole tables hands in the string
  // of the previous record's memo); returns the block type. On failure *bytes holds unspecified
  // bytes. Readers that can fill the string directly override this.
  virtual Result<uint32_t> ReadMemoInto(uint32_t block, std::string* bytes) const {
    Result<MemoData> m = ReadMemo(block);
    if (!m) return m.error();
    *bytes = std::move(m.value().bytes);
    return m.value().type;
  }
};

}  // namespace tabrix
