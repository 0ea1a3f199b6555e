#pragma once
// The outcome of planning a memo write: the block number to store in the record and the byte
// patches to apply to the memo file, in the order they must be written for crash safety
// (data blocks first, then the header's next-free pointer). The caller applies the patches
// with its file environment, under the memo file's header lock, and writes the record only
// after flushing them (table_file.h, "Memos before their records").

#include <cstdint>
#include <string>
#include <vector>

namespace tabrix {

struct FilePatch {
  uint64_t offset = 0;
  std::string bytes;
};

struct MemoWritePlan {
  uint32_t block = 0;  // 0 = no memo (empty value)
  std::vector<FilePatch> patches;
};

}  // namespace tabrix
