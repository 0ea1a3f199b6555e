#include "converter/file_transfer.h"

#include <algorithm>
#include <memory>
#include <span>
#include <vector>

namespace tabrix {

namespace {
// Large enough that a customer table of a million records copies in a few hundred calls.
constexpr size_t kCopyChunk = 1 << 20;
}  // namespace

IoStatus RemoveIfPresent(Env& files, const std::string& path) {
  if (!files.FileExists(path)) return IoStatus::Ok();
  return files.RemoveFile(path);
}

IoStatus CopyNewFile(Env& files, const std::string& source, const std::string& target) {
  if (files.FileExists(target)) {
    return IoStatus::Error(kOsFileExists, "CopyNewFile", target, "the target exists");
  }
  std::unique_ptr<File> in;
  IoStatus s = files.Open(source, {.exclusive = false, .readOnly = true}, &in);
  if (!s.ok()) return s;
  uint64_t size = 0;
  s = in->Size(&size);
  if (!s.ok()) return s;
  std::unique_ptr<File> out;
  s = files.Open(target, {.exclusive = true, .disposition = Disposition::kCreateAlways}, &out);
  if (!s.ok()) return s;
  std::vector<uint8_t> buffer(static_cast<size_t>(std::min<uint64_t>(size, kCopyChunk)));
  uint64_t done = 0;
  while (s.ok() && done < size) {
    size_t got = 0;
    s = in->ReadAt(done, buffer, &got);
    if (s.ok() && got == 0) {
      s = IoStatus::Error(kOsHandleEof, "CopyNewFile", source, "the file ended early");
    }
    if (s.ok()) s = out->WriteAt(done, std::span<const uint8_t>(buffer.data(), got));
    done += got;
  }
  if (s.ok()) s = out->Flush();
  out.reset();
  if (!s.ok()) (void)files.RemoveFile(target);
  return s;
}

IoStatus SizeOfFile(Env& files, const std::string& path, uint64_t* size) {
  *size = 0;
  std::unique_ptr<File> f;
  IoStatus s = files.Open(path, {.exclusive = false, .readOnly = true}, &f);
  if (!s.ok()) return s;
  return f->Size(size);
}

}  // namespace tabrix
