#include "data/memo_file.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "data/byte_coding.h"
#include "data/dbt_memo.h"
#include "data/fpt_memo.h"
#include "data/lock_offsets.h"

namespace tabrix {
namespace {

// The allocation lock is held only for the few writes of one memo: wait a little for it.
constexpr int kMemoLockTries = 100;
constexpr auto kMemoLockPause = std::chrono::milliseconds(10);

DbtFlavour FlavourOf(MemoKind kind) {
  return kind == MemoKind::kDbt4 ? DbtFlavour::kDbase4 : DbtFlavour::kDbase3;
}

}  // namespace

TableStatus MemoFile::Open(Env* env, const std::string& fileName, const OpenOptions& options,
                           MemoKind kind, const std::string& driver,
                           std::unique_ptr<MemoFile>* out) {
  std::unique_ptr<File> file;
  IoStatus io = env->Open(fileName, options, &file);
  if (!io.ok()) return TableIoError(kGenOpen, kSubOpen, driver, io, "OpenTable");
  std::unique_ptr<MemoFile> memo(new MemoFile(std::move(file), kind, driver, !options.exclusive));
  io = memo->Refresh(true);
  if (!io.ok()) return TableIoError(kGenOpen, kSubOpen, driver, io, "OpenTable");
  if (kind == MemoKind::kFpt) {
    Result<FptHeader> h = ParseFptHeader(memo->image_, fileName);
    if (!h) return TableFormatError(h.error(), driver, "OpenTable", kGenOpen);
  } else {
    Result<DbtHeader> h = ParseDbtHeader(memo->image_, FlavourOf(kind), fileName);
    if (!h) return TableFormatError(h.error(), driver, "OpenTable", kGenOpen);
  }
  *out = std::move(memo);
  return {};
}

IoStatus MemoFile::ReadRange(uint64_t offset, uint64_t length) const {
  if (offset >= image_.size() || length == 0) return {};
  length = std::min<uint64_t>(length, image_.size() - offset);
  size_t got = 0;
  IoStatus io = file_->ReadAt(offset, {image_.data() + offset, static_cast<size_t>(length)}, &got);
  if (!io.ok()) return io;
  // A file cut by another program between Size and ReadAt: keep what arrived.
  if (got < length) image_.resize(offset + got);
  return {};
}

IoStatus MemoFile::WriteBehind() const {
  if (shared_ || written_ >= image_.size()) return {};
  IoStatus io = file_->WriteAt(written_, {image_.data() + written_, image_.size() - written_});
  if (!io.ok()) return io;
  written_ = image_.size();
  return {};
}

MemoFile::~MemoFile() {
  (void)WriteBehind();
}

IoStatus MemoFile::Refresh(bool whole) const {
  IoStatus io = WriteBehind();
  if (!io.ok()) return io;
  uint64_t size = 0;
  io = file_->Size(&size);
  if (!io.ok()) return io;
  const uint64_t old = image_.size();
  if (size == old && !whole) return {};
  if (size < old) whole = true;
  image_.resize(static_cast<size_t>(size));
  if (whole) {
    io = ReadRange(0, size);
  } else {
    io = ReadRange(0, std::min<uint64_t>(kFptHeaderSize, old));
    if (io.ok()) io = ReadRange(old, size - old);
  }
  if (io.ok()) written_ = image_.size();
  return io;
}

IoStatus MemoFile::RefreshBlock(uint32_t block) const {
  if (IoStatus io = WriteBehind(); !io.ok()) return io;
  uint64_t blockSize = kDbtBlockSize;
  if (kind_ == MemoKind::kFpt) {
    Result<FptHeader> h = ParseFptHeader(image_, fileName());
    if (!h) return {};
    blockSize = h.value().blockSize;
  } else if (kind_ == MemoKind::kDbt4) {
    Result<DbtHeader> h = ParseDbtHeader(image_, DbtFlavour::kDbase4, fileName());
    if (!h) return {};
    blockSize = h.value().blockSize;
  }
  const uint64_t offset = uint64_t{block} * blockSize;
  if (offset >= image_.size()) return {};
  IoStatus io = ReadRange(offset, 8);
  if (!io.ok() || offset + 8 > image_.size()) return io;
  const uint8_t* p = image_.data() + offset;
  uint64_t length = 0;
  if (kind_ == MemoKind::kFpt) {
    length = 8 + uint64_t{DecodeBE32(p + 4)};
  } else if (kind_ == MemoKind::kDbt4 && p[0] == 0xFF && p[1] == 0xFF && p[2] == 0x08) {
    length = DecodeLE32(p + 4);
  } else {
    // dBASE III text runs to its terminator: read block by block until one holds it.
    for (uint64_t at = offset; at < image_.size(); at += kDbtBlockSize) {
      io = ReadRange(at, kDbtBlockSize);
      if (!io.ok()) return io;
      const uint8_t* begin = image_.data() + at;
      const uint8_t* end = begin + std::min<uint64_t>(kDbtBlockSize, image_.size() - at);
      if (std::find(begin, end, kDbtTerminator) != end) break;
    }
    return {};
  }
  return ReadRange(offset, length);
}

IoStatus MemoFile::Flush() {
  if (IoStatus io = WriteBehind(); !io.ok()) return io;
  if (headerDirty_ && image_.size() >= 4) {
    IoStatus io = file_->WriteAt(0, {image_.data(), 4});
    if (!io.ok()) return io;
    headerDirty_ = false;
  }
  return file_->Flush();
}

Result<MemoData> MemoFile::ReadMemo(uint32_t block) const {
  Result<MemoData> r = ReadFromImage(block);
  if (r || !shared_) return r;
  // Another program may have appended the memo since the image was last brought up to date.
  IoStatus io = Refresh(false);
  if (!io.ok()) return Corruption(fileName(), 0, "memo file unreadable: " + io.ToString());
  return ReadFromImage(block);
}

Result<MemoData> MemoFile::ReadFromImage(uint32_t block) const {
  if (kind_ == MemoKind::kFpt) {
    Result<FptMemoReader> r = FptMemoReader::Open(image_, fileName());
    if (!r) return r.error();
    return r.value().ReadMemo(block);
  }
  Result<DbtMemoReader> r = DbtMemoReader::Open(image_, FlavourOf(kind_), fileName());
  if (!r) return r.error();
  return r.value().ReadMemo(block);
}

TableStatus MemoFile::Write(uint32_t oldBlock, std::string_view data, uint32_t* block) {
  RangeLock lock;
  if (shared_) {
    for (int i = 0; i < kMemoLockTries && !lock.held(); ++i) {
      if (i > 0) std::this_thread::sleep_for(kMemoLockPause);
      lock = RangeLock::TryAcquire(file_.get(), MemoLockRange(LockDialectOfDriver(driver_)),
                                   LockMode::kExclusive);
    }
    if (!lock.held()) {
      ErrorObject e =
          TableError(kGenLock, kSubLock, driver_, "Lock error (memo file)", fileName(), "PutField");
      e.osCode = file_->lastLockError().osCode();
      e.canRetry = true;
      return e;
    }
    // Another program may have allocated blocks or rewritten the old value.
    IoStatus io = Refresh(false);
    if (io.ok() && oldBlock != 0 && kind_ == MemoKind::kFpt) {
      Result<FptHeader> h = ParseFptHeader(image_, fileName());
      if (h) io = ReadRange(static_cast<uint64_t>(oldBlock) * h.value().blockSize, 8);
    }
    if (!io.ok()) return TableIoError(kGenRead, kSubRead, driver_, io, "PutField");
  }
  Result<MemoWritePlan> plan = kind_ == MemoKind::kFpt
                                   ? PlanFptWrite(image_, fileName(), oldBlock, kMemoTypeText, data)
                                   : PlanDbtWrite(image_, FlavourOf(kind_), fileName(), data);
  if (!plan) return TableFormatError(plan.error(), driver_, "PutField");
  for (const FilePatch& p : plan.value().patches) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(p.bytes.data());
    // The next-free pointer of an exclusive file waits for Flush (one write less per memo).
    const bool deferred = !shared_ && p.offset == 0 && p.bytes.size() == 4;
    // So do the bytes an exclusive file gains at its end (written by WriteBehind).
    // (Only bytes that continue the image: a damaged next-free pointer far beyond the end is
    // left to the file call to refuse.)
    const bool behind = !shared_ && p.offset >= written_ && p.offset <= image_.size();
    IoStatus io =
        deferred || behind ? IoStatus() : file_->WriteAt(p.offset, {bytes, p.bytes.size()});
    headerDirty_ = headerDirty_ || deferred;
    if (!io.ok()) {
      // The image may now differ from the file: read it again before the next use.
      (void)Refresh(true);
      return TableIoError(kGenWrite, kSubWrite, driver_, io, "PutField");
    }
    if (p.offset + p.bytes.size() > image_.size()) {
      // A gap before the patch reads as zeros, as the file's hole does.
      const size_t old = image_.size();
      image_.resize(p.offset + p.bytes.size());
      if (p.offset > old) {
        std::fill(image_.data() + old, image_.data() + p.offset, uint8_t{0});
      }
    }
    std::copy(bytes, bytes + p.bytes.size(), image_.data() + p.offset);
    if (!shared_ && !deferred && !behind) written_ = std::max(written_, p.offset + p.bytes.size());
  }
  if (!shared_ && image_.size() - written_ >= kMemoWriteBehindBytes) {
    IoStatus io = WriteBehind();
    if (!io.ok()) return TableIoError(kGenWrite, kSubWrite, driver_, io, "PutField");
  }
  *block = plan.value().block;
  return {};
}

}  // namespace tabrix
