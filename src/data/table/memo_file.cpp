#include "data/table/memo_file.h"

#include <algorithm>
#include <cstring>

#include "data/formats/dbt_memo.h"
#include "data/formats/fpt_memo.h"
#include "data/formats/lock_offsets.h"

namespace tabrix {
namespace {

// The allocation lock is held only for the few writes of one memo: wait a little for it.

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
  std::unique_ptr<MemoFile> memo(
      new MemoFile(env, std::move(file), kind, driver, !options.exclusive));
  io = memo->ReadHeader();
  if (!io.ok()) return TableIoError(kGenOpen, kSubOpen, driver, io, "OpenTable");
  memo->written_ = memo->size_;
  const std::span<const uint8_t> head(memo->header_, memo->headerBytes_);
  if (kind == MemoKind::kFpt) {
    Result<FptHeader> h = ParseFptHeader(head, fileName);
    if (!h) return TableFormatError(h.error(), driver, "OpenTable", kGenOpen);
  } else {
    Result<DbtHeader> h = ParseDbtHeader(head, FlavourOf(kind), fileName);
    if (!h) return TableFormatError(h.error(), driver, "OpenTable", kGenOpen);
  }
  *out = std::move(memo);
  return {};
}

MemoFile::~MemoFile() {
  if (WriteBehind().ok()) (void)WriteHeader();
}

IoStatus MemoFile::ReadHeader() const {
  uint64_t size = 0;
  IoStatus io = file_->Size(&size);
  if (!io.ok()) return io;
  size_t got = 0;
  io = file_->ReadAt(0, {header_, kMemoHeaderBytes}, &got);
  if (!io.ok()) return io;
  headerBytes_ = got;
  // The file may have grown between the two calls.
  size = std::max<uint64_t>(size, got);
  if (size < size_) window_.clear();  // packed by another program
  size_ = size;
  return {};
}

IoStatus MemoFile::WriteBehind() const {
  if (shared_ || tail_.size() == 0) return {};
  IoStatus io = file_->WriteAt(written_, {tail_.data(), tail_.size()});
  if (!io.ok()) return io;
  written_ += tail_.size();
  tail_.clear();
  return {};
}

IoStatus MemoFile::WriteHeader() const {
  if (!headerDirty_) return {};
  IoStatus io = file_->WriteAt(0, {header_, 4});
  if (io.ok()) headerDirty_ = false;
  return io;
}

IoStatus MemoFile::Flush() {
  IoStatus io = WriteBehind();
  if (io.ok()) io = WriteHeader();
  if (!io.ok()) return io;
  return file_->Flush();
}

IoStatus MemoFile::Refresh(bool whole) const {
  if (!shared_) return {};
  uint64_t size = 0;
  IoStatus io = file_->Size(&size);
  if (!io.ok()) return io;
  if (size == size_ && !whole) return {};
  if (size < size_ || whole) window_.clear();
  return ReadHeader();
}

IoStatus MemoFile::RefreshBlock(uint32_t) const {
  if (shared_) window_.clear();
  return {};
}

bool MemoFile::Holds(uint64_t offset, uint64_t length) const {
  auto inside = [&] { return offset <= size_ && size_ - offset >= length; };
  if (inside() || !shared_) return inside();
  // Another program may have appended it since the size was last read.
  uint64_t size = 0;
  if (!file_->Size(&size).ok()) return false;
  if (size < size_) window_.clear();
  size_ = size;
  return inside();
}

FormatError MemoFile::Unreadable(uint64_t offset, const IoStatus& io) const {
  return Corruption(fileName(), offset, "memo file unreadable: " + io.ToString());
}

Result<std::span<const uint8_t>> MemoFile::Bytes(uint64_t offset, uint64_t length) const {
  if (offset >= size_ || length == 0) return std::span<const uint8_t>();
  length = std::min(length, size_ - offset);
  if (!shared_) {
    if (offset >= written_)
      return std::span<const uint8_t>(tail_.data() + (offset - written_), length);
    length = std::min(length, written_ - offset);
  }
  if (offset >= windowStart_ && offset - windowStart_ < window_.size() &&
      window_.size() - (offset - windowStart_) >= length) {
    return std::span<const uint8_t>(window_.data() + (offset - windowStart_), length);
  }
  // The window moves to offset: the memos after this one follow it in the file.
  uint64_t want = std::max<uint64_t>(length, kMemoWindowBytes);
  want = std::min(want, (shared_ ? size_ : written_) - offset);
  window_.resize(static_cast<size_t>(want));
  size_t got = 0;
  IoStatus io = file_->ReadAt(offset, {window_.data(), window_.size()}, &got);
  if (!io.ok()) {
    window_.clear();
    return Unreadable(offset, io);
  }
  // A file cut by another program meanwhile: keep what arrived.
  window_.resize(got);
  windowStart_ = offset;
  return std::span<const uint8_t>(window_.data(), std::min<uint64_t>(length, got));
}

Result<uint64_t> MemoFile::AppendBytes(uint64_t offset, uint64_t length, std::string* out) const {
  uint64_t done = 0;
  while (done < length) {
    const uint64_t at = offset + done;
    const uint64_t want = length - done;
    if (want > kMemoWindowBytes && (shared_ || at < written_)) {
      // A long run: straight from the file into the value.
      const uint64_t n = shared_ ? want : std::min(want, written_ - at);
      const size_t old = out->size();
      out->resize(old + static_cast<size_t>(n));
      size_t got = 0;
      IoStatus io = file_->ReadAt(at, {reinterpret_cast<uint8_t*>(out->data()) + old, n}, &got);
      if (!io.ok()) return Unreadable(at, io);
      out->resize(old + got);
      done += got;
      if (got < n) break;
      continue;
    }
    Result<std::span<const uint8_t>> bytes = Bytes(at, want);
    if (!bytes) return bytes.error();
    if (bytes.value().empty()) break;
    out->append(reinterpret_cast<const char*>(bytes.value().data()), bytes.value().size());
    done += bytes.value().size();
  }
  return done;
}

Result<MemoData> MemoFile::ReadMemo(uint32_t block) const {
  MemoData m;
  Result<uint32_t> type = ReadMemoInto(block, &m.bytes);
  if (!type) return type.error();
  m.type = type.value();
  return m;
}

Result<uint32_t> MemoFile::ReadMemoInto(uint32_t block, std::string* bytes) const {
  const std::string& name = fileName();
  const std::span<const uint8_t> head(header_, headerBytes_);
  bytes->clear();
  if (kind_ == MemoKind::kFpt) {
    Result<FptHeader> h = ParseFptHeader(head, name);
    if (!h) return h.error();
    Result<uint64_t> at = FptBlockOffset(h.value(), block, name);
    if (!at) return at.error();
    const uint64_t offset = at.value();
    Result<uint64_t> got = Holds(offset, kFptBlockHeadSize)
                               ? AppendBytes(offset, kFptBlockHeadSize, bytes)
                               : uint64_t{0};
    if (!got) return got.error();
    Result<FptBlockHead> blockHead = DecodeFptBlockHead(
        {reinterpret_cast<const uint8_t*>(bytes->data()), bytes->size()}, block, offset, name);
    if (!blockHead) return blockHead.error();
    bytes->clear();
    const uint64_t dataAt = offset + kFptBlockHeadSize;
    const uint64_t length = blockHead.value().length;
    got = Holds(dataAt, length) ? AppendBytes(dataAt, length, bytes) : uint64_t{0};
    if (!got) return got.error();
    if (got.value() < length) return FptDataPastEnd(name, offset, length);
    return blockHead.value().type;
  }

  Result<DbtHeader> h = ParseDbtHeader(head, FlavourOf(kind_), name);
  if (!h) return h.error();
  Result<uint64_t> at = DbtBlockOffset(h.value(), block, name);
  if (!at) return at.error();
  const uint64_t offset = at.value();
  if (!Holds(offset, 1)) return MemoBlockOutsideFile(name, block, offset);
  if (kind_ == MemoKind::kDbt4) {
    Result<uint64_t> got = AppendBytes(offset, kDbtBlockHeadSize, bytes);
    if (!got) return got.error();
    Result<std::optional<uint32_t>> length = DecodeDbase4BlockHead(
        {reinterpret_cast<const uint8_t*>(bytes->data()), bytes->size()}, offset, name);
    if (!length) return length.error();
    bytes->clear();
    if (const std::optional<uint32_t> n = length.value()) {
      const uint64_t dataAt = offset + kDbtBlockHeadSize;
      got = Holds(dataAt, *n) ? AppendBytes(dataAt, *n, bytes) : uint64_t{0};
      if (!got) return got.error();
      if (got.value() < *n) return DbtDataPastEnd(name, offset, uint64_t{*n} + kDbtBlockHeadSize);
      return uint32_t{kMemoTypeText};
    }
  }
  // dBASE III text runs to its terminator, or to the end of the file.
  for (uint64_t at = offset;;) {
    Result<std::span<const uint8_t>> piece = Bytes(at, kMemoWindowBytes);
    if (!piece) return piece.error();
    const std::span<const uint8_t> b = piece.value();
    if (b.empty()) break;
    const size_t end = DbtTextEnd(b);
    bytes->append(reinterpret_cast<const char*>(b.data()), end);
    if (end != b.size()) break;
    at += b.size();
  }
  return uint32_t{kMemoTypeText};
}

void MemoFile::PatchWindow(uint64_t offset, std::span<const uint8_t> bytes) const {
  const uint64_t from = std::max(offset, windowStart_);
  const uint64_t to = std::min(offset + bytes.size(), windowStart_ + window_.size());
  if (from < to) {
    std::memcpy(window_.data() + (from - windowStart_), bytes.data() + (from - offset), to - from);
  }
  if (offset < kMemoHeaderBytes) {
    const uint64_t end = std::min<uint64_t>(offset + bytes.size(), kMemoHeaderBytes);
    std::memcpy(header_ + offset, bytes.data(), end - offset);
    headerBytes_ = std::max<size_t>(headerBytes_, end);
  }
}

TableStatus MemoFile::Write(uint32_t oldBlock, std::string_view data, uint32_t* block) {
  if (data.empty()) {
    *block = 0;
    return {};
  }
  if (!shared_ && kind_ == MemoKind::kFpt && oldBlock == 0 && size_ >= kFptHeaderSize) {
    // A new memo in an exclusive FPT (every append): its block goes straight into the tail,
    // placed as PlanFptAppend places it, without building patches.
    Result<FptHeader> h = ParseFptHeader({header_, headerBytes_}, fileName());
    if (!h) return TableFormatError(h.error(), driver_, "PutField");
    Result<FptPlacement> place = PlaceFptAppend(h.value(), size_, fileName(), data.size());
    if (!place) return TableFormatError(place.error(), driver_, "PutField");
    const FptPlacement& p = place.value();
    if (p.offset >= written_ && p.offset <= size_) {
      const size_t at = static_cast<size_t>(p.offset - written_);
      tail_.resize(std::max<size_t>(tail_.size(), at + p.length));
      EncodeFptBlock(kMemoTypeText, data, {tail_.data() + at, static_cast<size_t>(p.length)});
      size_ = std::max(size_, p.offset + p.length);
      EncodeFptNextFree(header_, p.nextFree);  // written by Flush
      headerBytes_ = std::max<size_t>(headerBytes_, 4);
      headerDirty_ = true;
      if (tail_.size() >= kMemoWriteBehindBytes) {
        IoStatus io = WriteBehind();
        if (!io.ok()) return TableIoError(kGenWrite, kSubWrite, driver_, io, "PutField");
      }
      *block = p.block;
      return {};
    }
    // A damaged next-free pointer beyond the end: the general way below.
  }
  RangeLock lock;
  uint8_t oldHead[kFptBlockHeadSize];
  size_t oldHeadBytes = 0;
  if (shared_) {
    lock = RangeLock::AcquireBrief(env_, file_.get(), MemoLockRange(LockDialectOfDriver(driver_)),
                                   LockMode::kExclusive);
    if (!lock.held()) {
      ErrorObject e =
          TableError(kGenLock, kSubLock, driver_, "Lock error (memo file)", fileName(), "PutField");
      e.osCode = file_->lastLockError().osCode();
      e.canRetry = true;
      return e;
    }
    // Another program may have allocated blocks or rewritten the old value.
    IoStatus io = ReadHeader();
    if (io.ok() && oldBlock != 0 && kind_ == MemoKind::kFpt) {
      if (Result<FptHeader> h = ParseFptHeader({header_, headerBytes_}, fileName()); h) {
        io = file_->ReadAt(uint64_t{oldBlock} * h.value().blockSize, oldHead, &oldHeadBytes);
      }
    }
    if (!io.ok()) return TableIoError(kGenRead, kSubRead, driver_, io, "PutField");
  }
  const std::string& name = fileName();
  const std::span<const uint8_t> head(header_, headerBytes_);
  Result<MemoWritePlan> plan = MemoWritePlan{};
  if (kind_ == MemoKind::kFpt) {
    Result<FptHeader> h = ParseFptHeader(head, name);
    if (!h) return TableFormatError(h.error(), driver_, "PutField");
    if (!shared_ && oldBlock != 0) {
      std::string bytes;
      Result<uint64_t> got =
          AppendBytes(uint64_t{oldBlock} * h.value().blockSize, kFptBlockHeadSize, &bytes);
      if (!got) return TableFormatError(got.error(), driver_, "PutField");
      oldHeadBytes = bytes.size();
      std::memcpy(oldHead, bytes.data(), oldHeadBytes);
    }
    plan = PlanFptReplace(h.value(), size_, name, oldBlock, {oldHead, oldHeadBytes}, kMemoTypeText,
                          data);
  } else {
    Result<DbtHeader> h = ParseDbtHeader(head, FlavourOf(kind_), name);
    if (!h) return TableFormatError(h.error(), driver_, "PutField");
    plan = PlanDbtAppend(h.value(), size_, FlavourOf(kind_), name, data);
  }
  if (!plan) return TableFormatError(plan.error(), driver_, "PutField");

  for (const FilePatch& p : plan.value().patches) {
    const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(p.bytes.data()),
                                         p.bytes.size());
    const uint64_t end = p.offset + bytes.size();
    if (!shared_ && p.offset == 0 && bytes.size() == 4) {
      // The next-free pointer of an exclusive file waits for Flush (one write less per memo).
      std::memcpy(header_, bytes.data(), 4);
      headerBytes_ = std::max<size_t>(headerBytes_, 4);
      headerDirty_ = true;
      continue;
    }
    if (!shared_ && p.offset >= written_ && p.offset <= size_) {
      // Bytes that continue the file: into the tail, written by WriteBehind.
      const size_t at = static_cast<size_t>(p.offset - written_);
      if (at + bytes.size() > tail_.size()) tail_.resize(at + bytes.size());
      std::memcpy(tail_.data() + at, bytes.data(), bytes.size());
      size_ = std::max(size_, end);
      continue;
    }
    // Into the file. On an exclusive file the tail goes first when the patch reaches past the
    // file, so that the file never has a hole where the tail belongs. (A damaged next-free
    // pointer far beyond the end is left to the file call to refuse.)
    IoStatus io = !shared_ && end > written_ ? WriteBehind() : IoStatus();
    if (io.ok()) io = file_->WriteAt(p.offset, bytes);
    if (!io.ok()) {
      // The window may now differ from the file: read it again on its next use.
      window_.clear();
      return TableIoError(kGenWrite, kSubWrite, driver_, io, "PutField");
    }
    PatchWindow(p.offset, bytes);
    size_ = std::max(size_, end);
    if (!shared_) written_ = std::max(written_, end);
  }
  if (!shared_ && tail_.size() >= kMemoWriteBehindBytes) {
    IoStatus io = WriteBehind();
    if (!io.ok()) return TableIoError(kGenWrite, kSubWrite, driver_, io, "PutField");
  }
  *block = plan.value().block;
  return {};
}

}  // namespace tabrix
