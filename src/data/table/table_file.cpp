#include "data/table/table_file.h"

#include <algorithm>

#include "data/base/text.h"
#include "data/formats/field_types.h"

namespace tabrix {
namespace {

// base + ext in lower or upper case, whichever exists; "" when neither does.
std::string Companion(Env* env, const std::string& base, const std::string& lowerExt) {
  for (const std::string& ext : {lowerExt, AsciiUpper(lowerExt)}) {
    if (env->FileExists(base + ext)) return base + ext;
  }
  return "";
}

}  // namespace

Date TodayForHeader(Env* env) {
  return env->LocalNow().date;
}

ErrorObject TableFile::Error(int genCode, int subCode, std::string description,
                             std::string operation, const CallSite& at) const {
  return TableError(genCode, subCode, driver_, std::move(description), fileName_,
                    std::move(operation), at);
}

TableStatus TableFile::Open(Env* env, const std::string& fileName, const std::string& driver,
                            bool shared, bool readOnly, std::unique_ptr<TableFile>* out) {
  std::unique_ptr<TableFile> t(new TableFile());
  t->env_ = env;
  t->fileName_ = fileName;
  t->driver_ = driver;
  t->dialect_ = LockDialectOfDriver(driver);
  t->shared_ = shared;
  t->readOnly_ = readOnly;
  const OpenOptions options{.exclusive = !shared, .readOnly = readOnly};
  IoStatus io = env->Open(fileName, options, &t->file_);
  if (!io.ok()) return TableIoError(kGenOpen, kSubOpen, driver, io, "OpenTable");

  uint64_t size = 0;
  io = t->file_->Size(&size);
  std::vector<uint8_t> head(static_cast<size_t>(std::min<uint64_t>(size, kDbfHeaderSize)));
  size_t got = 0;
  if (io.ok()) io = t->file_->ReadAt(0, head, &got);
  if (io.ok() && got >= kDbfHeaderLengthEnd) {
    // The descriptors run up to the header length.
    const uint64_t headerLength = std::min<uint64_t>(DecodeDbfHeaderLength(head), size);
    head.resize(static_cast<size_t>(std::max<uint64_t>(headerLength, got)));
    io = t->file_->ReadAt(0, head, &got);
  }
  if (!io.ok()) return TableIoError(kGenOpen, kSubOpen, driver, io, "OpenTable");
  head.resize(got);
  Result<DbfHeader> h = ParseDbfHeader(head, size, fileName);
  if (!h) return TableFormatError(h.error(), driver, "OpenTable", kGenOpen);
  t->header_ = std::move(h.value());
  t->count_ = t->header_.recordCount;

  const DbfHeader& hd = t->header_;
  bool memoFields = std::any_of(hd.fields.begin(), hd.fields.end(),
                                [&](const DbfField& f) { return IsMemoField(hd, f); });
  const std::string base(WithoutExtension(fileName));
  if (memoFields && hd.memoKind() != MemoKind::kNone) {
    std::string memoName = Companion(env, base, hd.memoKind() == MemoKind::kFpt ? ".fpt" : ".dbt");
    if (memoName.empty()) {
      ErrorObject e = t->Error(kGenOpen, kSubOpen, "Open error (memo file missing)", "OpenTable");
      e.fileName = base + (hd.memoKind() == MemoKind::kFpt ? ".fpt" : ".dbt");
      e.osCode = kOsFileNotFound;
      return e;
    }
    TableStatus s = MemoFile::Open(env, memoName, options, hd.memoKind(), driver, &t->memo_);
    if (!s) return s;
  }
  if (LockDialectOfDriver(driver) == LockDialect::kFoxPro) {
    t->productionIndex_ = Companion(env, base, ".cdx");
  }
  t->decoder_ = std::make_unique<DbfRecordDecoder>(t->header_, fileName, t->memo_.get());
  for (size_t i = 0; i < hd.fields.size(); ++i) {
    const DbfField& f = hd.fields[i];
    if (static_cast<int>(i) == hd.nullFlagsField || (f.flags & kFieldFlagSystem)) continue;
    t->fields_.push_back({f.name, f.type, f.length, f.decimals});
    t->columns_.push_back(i);
    const FieldType* type = FindFieldType(f.type);
    t->takes_.push_back(type ? type->takes : FieldTakes::kNothing);
  }
  const std::string blank = BlankRecord(t->header_);
  t->blank_.assign(blank.begin(), blank.end());
  t->buffer_ = t->blank_;
  t->recno_ = t->count_ + 1;
  if (!t->productionIndex_.empty()) {
    // A production index that cannot be opened leaves the table readable; writes are refused
    // while the index cannot follow them (IndexRefusal).
    TableStatus s = t->Orders()->AddBag(t->productionIndex_, true);
    if (!s) {
      t->indexFailure_ = s;
    } else if (!(hd.tableFlags & kDbfFlagProductionIndex)) {
      // Not marked in the header: perhaps left behind by a program that changed the table
      // (table_file.h, "The production index bit").
      t->unmarkedIndex_ =
          t->Error(kGenUnsupported, kSubIndexNotMaintained,
                   "index " + t->productionIndex_ +
                       " is not marked in the table's header and may be stale: another program "
                       "may have changed the table without keeping it",
                   "OpenTable");
    }
  }
  t->OrdersChanged();
  t->closed_ = false;
  *out = std::move(t);
  return {};
}

TableOrders* TableFile::Orders() {
  if (!orders_) {
    TableOrders::Setup setup;
    setup.env = env_;
    setup.tableFile = fileName_;
    setup.driver = driver_;
    setup.shared = shared_;
    setup.readOnly = readOnly_;
    setup.header = &header_;
    setup.decoder = decoder_.get();
    setup.columns = &columns_;
    orders_ = std::make_unique<TableOrders>(setup);
  }
  return orders_.get();
}

TableFile::~TableFile() {
  if (!closed_) (void)Close();
}

TableStatus TableFile::RefreshCount() {
  if (!shared_) return {};
  uint8_t head[kDbfRecordCountEnd];
  size_t got = 0;
  uint64_t size = 0;
  IoStatus io = file_->ReadAt(0, head, &got);
  if (!io.ok()) return TableIoError(kGenRead, kSubRead, driver_, io, "RecordCount");
  if (got < kDbfRecordCountEnd) {
    return Error(kGenCorruption, kSubCorruption, "Corruption detected (header)", "");
  }
  const uint32_t stored = DecodeDbfRecordCount(head);
  // The records this handle knows of are in the file: the size only matters for a count that
  // grew (another program appended, or a header that claims more than was written).
  if (stored == count_ && header_.headerRecordCount == stored) return {};
  io = file_->Size(&size);
  if (!io.ok()) return TableIoError(kGenRead, kSubRead, driver_, io, "RecordCount");
  const uint64_t available =
      size > header_.headerLength ? (size - header_.headerLength) / header_.recordLength : 0;
  uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(stored, available));
  // Our own append may not have reached another program's view of the size yet; never lose
  // records this program added.
  n = std::max(n, headerDirty_ ? count_ : 0);
  if (n != count_) DropCache();
  count_ = n;
  header_.recordCount = n;
  header_.headerRecordCount = stored;
  return {};
}

TableStatus TableFile::ReadRecord(uint32_t n, bool fresh, std::span<uint8_t> out) {
  const uint32_t len = header_.recordLength;
  if (!fresh && n >= cacheFirst_ && n < cacheFirst_ + cacheCount_) {
    std::copy_n(cache_.begin() + static_cast<ptrdiff_t>(n - cacheFirst_) * len, len, out.begin());
    return {};
  }
  TableStatus s = FlushBehind();
  if (!s) return s;
  const uint32_t perBlock = std::max<uint32_t>(1, static_cast<uint32_t>(kReadAheadBytes / len));
  uint32_t first = n;
  // Walking backwards: read the block that ends at n.
  if (cacheCount_ > 0 && n + 1 == cacheFirst_) first = n >= perBlock ? n - perBlock + 1 : 1;
  const uint32_t last = std::min<uint32_t>(count_, first + perBlock - 1);
  const uint32_t records = std::max<uint32_t>(last, n) - first + 1;
  cache_.resize(static_cast<size_t>(records) * len);
  size_t got = 0;
  IoStatus io = file_->ReadAt(header_.RecordOffset(first), cache_, &got);
  if (!io.ok()) {
    DropCache();
    return TableIoError(kGenRead, kSubRead, driver_, io, "GoTo");
  }
  if (got < static_cast<size_t>(n - first + 1) * len) {
    DropCache();
    ErrorObject e = Error(
        kGenCorruption, kSubCorruption,
        "Corruption detected (record " + std::to_string(n) + " lies beyond the end of the file)",
        "GoTo");
    return e;
  }
  cacheFirst_ = first;
  cacheCount_ = static_cast<uint32_t>(got / len);
  // The memos these records point to: what the memo file knows of its size and header must
  // be at least as new as they are.
  if (shared_ && memo_) {
    io = memo_->Refresh(false);
    if (!io.ok()) return TableIoError(kGenRead, kSubRead, driver_, io, "GoTo");
  }
  std::copy_n(cache_.begin() + static_cast<ptrdiff_t>(n - first) * len, len, out.begin());
  return {};
}

Result<bool> TableFile::IsDeletedAt(uint32_t n) {
  if (n == recno_) return deleted();
  const uint32_t len = header_.recordLength;
  if (n < cacheFirst_ || n >= cacheFirst_ + cacheCount_) {
    std::vector<uint8_t> scratch(len);
    TableStatus s = ReadRecord(n, false, scratch);
    if (!s) return Corruption(fileName_, header_.RecordOffset(n), s.error().description);
  }
  return RecordIsDeleted({cache_.data() + static_cast<size_t>(n - cacheFirst_) * len, len});
}

TableStatus TableFile::WriteBack() {
  if (!dirty_) return {};
  if (recno_ < 1 || recno_ > count_) {
    dirty_ = false;
    return {};
  }
  if (indexed_) {
    TableStatus s =
        unindexed_ ? orders_->Added(recno_, buffer_) : orders_->Changed(recno_, original_, buffer_);
    if (!s) return s;
    unindexed_ = false;
  }
  const uint32_t len = header_.recordLength;
  const uint32_t behindCount = static_cast<uint32_t>(behind_.size() / len);
  if (!shared_ && recno_ == count_ && !behind_.empty() &&
      (recno_ < behindFirst_ || recno_ > behindFirst_ + behindCount)) {
    TableStatus s = FlushBehind();
    if (!s) return s;
  }
  if (!shared_ && recno_ == count_) {
    // The end of an exclusive table: into the write-behind buffer.
    if (behind_.empty()) behindFirst_ = recno_;
    const size_t at = static_cast<size_t>(recno_ - behindFirst_) * len;
    if (at == behind_.size()) behind_.resize(at + len);
    std::copy(buffer_.begin(), buffer_.end(), behind_.begin() + static_cast<ptrdiff_t>(at));
    if (behind_.size() + len > kWriteBehindBytes) {
      TableStatus s = FlushBehind();
      if (!s) return s;
    }
  } else {
    // A record held back must not overwrite this write later.
    TableStatus s = FlushBehind();
    if (s) s = MemosToDevice();
    if (!s) return s;
    IoStatus io = file_->WriteAt(header_.RecordOffset(recno_), buffer_);
    if (!io.ok()) return TableIoError(kGenWrite, kSubWrite, driver_, io, "WriteRecord");
  }
  dirty_ = false;
  modified_ = true;
  if (recno_ >= cacheFirst_ && recno_ < cacheFirst_ + cacheCount_) {
    std::copy(buffer_.begin(), buffer_.end(),
              cache_.begin() + static_cast<ptrdiff_t>(recno_ - cacheFirst_) * buffer_.size());
  }
  return {};
}

TableStatus TableFile::FlushBehind() {
  if (behind_.empty()) return {};
  // The records so far are the end of the table: the end-of-file byte follows them (a later
  // append writes over it). On a shared table another program may append behind the last
  // record: there the byte is written only by Append, under the header lock.
  // Records past the count in the header on disk are not there for any reader after a crash
  // (every reader takes the header's count), so they may reach the file before the memos they
  // point to; Commit flushes the memos before it writes the count that shows them. A record
  // the header already counts waits for its memos.
  if (behindFirst_ <= header_.headerRecordCount) {
    TableStatus s = MemosToDevice();
    if (!s) return s;
  }
  behind_.push_back(kDbfEofMarker);
  IoStatus io = file_->WriteAt(header_.RecordOffset(behindFirst_), behind_);
  behind_.pop_back();
  if (!io.ok()) return TableIoError(kGenWrite, kSubWrite, driver_, io, "WriteRecord");
  behind_.clear();
  return {};
}

TableStatus TableFile::MemosToDevice() {
  if (!memoUnflushed_) return {};
  IoStatus io = memo_->Flush();
  if (!io.ok()) return TableIoError(kGenWrite, kSubWrite, driver_, io, "WriteRecord");
  memoUnflushed_ = false;
  return {};
}

TableStatus TableFile::WriteHeaderCount() {
  // The date and the count only: nothing of the header needs reading first.
  uint8_t head[kDbfRecordCountEnd] = {};
  const Date today = TodayForHeader(env_);
  PatchDbfHeaderCount(head, count_, today.year, today.month, today.day);
  IoStatus io = file_->WriteAt(kDbfUpdateDateOffset,
                               std::span<const uint8_t>(head).subspan(kDbfUpdateDateOffset));
  if (!io.ok()) return TableIoError(kGenWrite, kSubWrite, driver_, io, "Commit");
  header_.headerRecordCount = count_;
  headerDirty_ = false;
  dateWritten_ = true;
  return {};
}

TableStatus TableFile::GoTo(uint32_t n, bool fresh) {
  TableStatus s = WriteBack();
  if (!s) return s;
  if (fresh) DropCache();
  if (n < 1 || n > count_) {
    recno_ = count_ + 1;
    buffer_ = blank_;
    return {};
  }
  s = ReadRecord(n, fresh, buffer_);
  if (!s) return s;
  recno_ = n;
  return {};
}

TableStatus TableFile::ReloadCurrent() {
  DropCache();
  if (recno_ < 1 || recno_ > count_ || dirty_) return {};
  TableStatus s = ReadRecord(recno_, true, buffer_);
  if (!s || !memo_) return s;
  // The memos of this record may have been rewritten in place by the program that held the
  // lock before: read their blocks again.
  IoStatus io = memo_->Refresh(false);
  for (size_t i = 0; io.ok() && i < header_.fields.size(); ++i) {
    if (!IsMemoField(header_, header_.fields[i])) continue;
    Result<uint32_t> block = decoder_->MemoBlock(buffer_, header_.RecordOffset(recno_), i);
    if (block && block.value() != 0) io = memo_->RefreshBlock(block.value());
  }
  if (!io.ok()) return TableIoError(kGenRead, kSubRead, driver_, io, "LockRecord");
  return {};
}

Result<Value> TableFile::Field(size_t column) const {
  return decoder_->Field(buffer_, header_.RecordOffset(std::max<uint32_t>(recno_, 1)),
                         columns_[column]);
}

TableStatus TableFile::IndexRefusal(const char* operation) const {
  if (header_.IsDbase7()) {
    return Error(kGenUnsupported, kSubDataType, "Unsupported: dBASE 7 tables are not written",
                 operation);
  }
  if (!indexFailure_.ok()) {
    ErrorObject e = indexFailure_.error();
    e.genCode = kGenUnsupported;
    e.subCode = kSubIndexNotMaintained;
    e.description = "Unsupported: the index cannot be kept up to date (" + e.description + ")";
    e.operation = operation;
    return e;
  }
  if (orders_) {
    if (TableStatus s = orders_->WriteRefusal(operation); !s) return s;
  }
  if (!unmarkedIndex_.ok()) {
    ErrorObject e = unmarkedIndex_.error();
    e.description = "Unsupported: " + e.description;
    e.operation = operation;
    return e;
  }
  return {};
}

void TableFile::OrdersChanged() {
  indexed_ = orders_ && !orders_->empty();
  writesRefused_ = !IndexRefusal("").ok();
}

void TableFile::KeepOriginal() {
  if (!dirty_ && indexed_) original_ = buffer_;
}

TableStatus TableFile::PutField(size_t column, const Value& value) {
  // The checks of every write inline; what they refuse, and memos, in functions of their own.
  const size_t index = columns_[column];
  const DbfField& f = header_.fields[index];
  if (writesRefused_ || !TakesValue(takes_[column], value)) [[unlikely]] {
    return Refusal(index, value);
  }
  // The end position has no record: the value goes nowhere, as in every xBase program.
  if (recno_ > count_) return {};
  KeepOriginal();
  if (f.type == 'M') return PutMemo(index, value);
  Status st = EncodeField(header_, index, value, buffer_);
  if (!st) [[unlikely]] {
    return EncodeRefusal(index, value, st.error());
  }
  dirty_ = true;
  return {};
}

TableStatus TableFile::Refusal(size_t index, const Value& value) const {
  TableStatus s = IndexRefusal("PutField");
  if (!s) return s;
  const DbfField& f = header_.fields[index];
  if (!IsWrittenType(f.type)) {
    return Error(kGenUnsupported, kSubDataType,
                 "Unsupported: fields of type " + std::string(1, f.type) + " are not written",
                 "PutField");
  }
  ErrorObject e = Error(kGenDataType, kSubDataType, "Data type error", "PutField");
  e.args = std::vector<Value>{f.name, value};
  return e;
}

ErrorObject TableFile::EncodeRefusal(size_t index, const Value& value,
                                     const FormatError& error) const {
  ErrorObject e = TableFormatError(error, driver_, "PutField");
  e.fileName = fileName_;
  e.args = std::vector<Value>{header_.fields[index].name, value};
  return e;
}

TableStatus TableFile::PutMemo(size_t index, const Value& value) {
  if (!memo_) return Error(kGenCorruption, kSubCorruption, "Memo file missing", "PutField");
  Result<uint32_t> old = decoder_->MemoBlock(buffer_, header_.RecordOffset(recno_), index);
  uint32_t block = 0;
  const std::string& text = std::get<std::string>(value);
  TableStatus s = memo_->Write(old ? old.value() : 0, text, &block);
  if (!s) return s;
  if (!text.empty()) memoUnflushed_ = true;
  Status st = EncodeMemoBlock(header_, index, block, buffer_);
  if (!st) return TableFormatError(st.error(), driver_, "PutField");
  dirty_ = true;
  return {};
}

TableStatus TableFile::SetDeleted(bool deleted) {
  TableStatus s = IndexRefusal(deleted ? "MarkDeleted" : "UnmarkDeleted");
  if (!s) return s;
  if (recno_ > count_) return {};
  const uint8_t flag = deleted ? kDbfDeletedFlag : kDbfLiveFlag;
  if (buffer_[0] != flag) {
    KeepOriginal();
    buffer_[0] = flag;
    dirty_ = true;
  }
  return {};
}

TableStatus TableFile::Append(bool releaseOthers) {
  if (writesRefused_) return IndexRefusal("AppendRecord");
  TableStatus s = WriteBack();
  if (!s) return s;
  DropCache();
  if (releaseOthers) ReleaseRecordLocks(0);

  if (!shared_) {
    if (count_ == UINT32_MAX) return Error(kGenWrite, kSubWrite, "Table full", "AppendRecord");
    ++count_;
    header_.recordCount = count_;
    headerDirty_ = true;
    recno_ = count_;
    buffer_ = blank_;
    dirty_ = true;          // written on the next move, commit or close
    unindexed_ = indexed_;  // enters the orders then
    return {};
  }

  // Placed where it is returned, which tells which lock failed.
  auto appendLockError = [&](const char* what, const CallSite& at = CallSite::Current()) {
    ErrorObject e = Error(kGenAppendLock, kSubAppendLock,
                          std::string("Append lock failed (") + what + ")", "AppendRecord", at);
    e.osCode = file_->lastLockError().osCode();
    e.canRetry = true;
    return e;
  };
  RangeLock headerLock;
  if (!tableLock_.held()) {
    headerLock =
        RangeLock::AcquireBrief(env_, file_.get(), HeaderLockRange(dialect_), LockMode::kExclusive);
    if (!headerLock.held()) return appendLockError("header");
  }
  s = RefreshCount();
  if (!s) return s;
  const uint32_t n = count_ + 1;
  if (!tableLock_.held()) {
    std::optional<LockSpan> span =
        RecordLockRange(dialect_, n, header_.headerLength, header_.recordLength);
    if (!span) return appendLockError("record beyond the lockable range");
    RangeLock recordLock = RangeLock::TryAcquire(file_.get(), *span, LockMode::kExclusive);
    if (!recordLock.held()) return appendLockError("new record");
    recordLocks_[n] = std::move(recordLock);
  }
  std::vector<uint8_t> out(blank_);
  out.push_back(kDbfEofMarker);
  IoStatus io = file_->WriteAt(header_.RecordOffset(n), out);
  if (!io.ok()) {
    recordLocks_.erase(n);
    return TableIoError(kGenWrite, kSubWrite, driver_, io, "AppendRecord");
  }
  count_ = n;
  header_.recordCount = n;
  s = WriteHeaderCount();
  if (!s) return s;
  recno_ = n;
  buffer_ = blank_;
  dirty_ = false;
  // Others see the blank record now: its entries go into the orders with it.
  if (indexed_) return orders_->Added(n, buffer_);
  return {};
}

bool TableFile::RecordLocked(uint32_t n) const {
  return tableLock_.held() || recordLocks_.count(n) != 0;
}

void TableFile::ReleaseRecordLocks(uint32_t except) {
  for (auto it = recordLocks_.begin(); it != recordLocks_.end();) {
    if (it->first == except) {
      ++it;
    } else {
      it = recordLocks_.erase(it);
    }
  }
}

bool TableFile::LockRecord() {
  if (tableLock_.held()) return true;
  if (recno_ < 1 || recno_ > count_) return false;
  // An exclusive handle is the only one on the file (file_env.h): every record is its own.
  if (!shared_) return true;
  if (!WriteBack()) return false;
  ReleaseRecordLocks(recno_);
  if (recordLocks_.count(recno_)) return true;
  std::optional<LockSpan> span =
      RecordLockRange(dialect_, recno_, header_.headerLength, header_.recordLength);
  if (!span) return false;
  RangeLock lock = RangeLock::TryAcquire(file_.get(), *span, LockMode::kExclusive);
  if (!lock.held()) return false;
  recordLocks_[recno_] = std::move(lock);
  (void)ReloadCurrent();
  return true;
}

bool TableFile::LockTable() {
  if (tableLock_.held()) return true;
  if (!WriteBack()) return false;
  // The table range overlaps every record lock of this handle (file_env.h rule L3).
  recordLocks_.clear();
  tableLock_ = RangeLock::TryAcquire(
      file_.get(), TableLockRange(dialect_, header_.headerLength, header_.recordLength),
      LockMode::kExclusive);
  if (!tableLock_.held()) return false;
  (void)RefreshCount();
  (void)ReloadCurrent();
  return true;
}

TableStatus TableFile::Unlock() {
  TableStatus s = WriteBack();
  // Held-back records of an exclusive table concern no other program: they stay held back
  // until the next commit, close or read of that part.
  if (s && shared_) s = FlushBehind();
  recordLocks_.clear();
  (void)tableLock_.Release();
  return s;
}

TableStatus TableFile::UnlockRecord(uint32_t n) {
  TableStatus s = n == recno_ ? WriteBack() : TableStatus();
  if (s && shared_) s = FlushBehind();
  recordLocks_.erase(n);
  return s;
}

TableStatus TableFile::Commit() {
  TableStatus s = WriteBack();
  if (s) s = FlushBehind();
  if (s && orders_) s = orders_->Flush();
  if (!s) return s;
  if (headerDirty_) {
    // The count shows the appended records: their memos and the records themselves reach the
    // device first (see FlushBehind).
    s = MemosToDevice();
    if (!s) return s;
    if (IoStatus io = file_->Flush(); !io.ok()) {
      return TableIoError(kGenWrite, kSubWrite, driver_, io, "CommitArea");
    }
    s = WriteHeaderCount();
    if (!s) return s;
  } else if (modified_ && !dateWritten_) {
    // Changed records without an append: the last-update date still has to say today. Only
    // the date bytes: on a shared table the count belongs to the append protocol.
    const Date today = TodayForHeader(env_);
    uint8_t head[kDbfRecordCountOffset] = {};
    PatchDbfUpdateDate(head, today.year, today.month, today.day);
    IoStatus io = file_->WriteAt(kDbfUpdateDateOffset,
                                 std::span<const uint8_t>(head).subspan(kDbfUpdateDateOffset));
    if (!io.ok()) return TableIoError(kGenWrite, kSubWrite, driver_, io, "CommitArea");
    dateWritten_ = true;
  }
  IoStatus io = file_->Flush();
  if (io.ok() && memo_) io = memo_->Flush();
  if (!io.ok()) return TableIoError(kGenWrite, kSubWrite, driver_, io, "CommitArea");
  memoUnflushed_ = false;
  return {};
}

TableStatus TableFile::Close() {
  if (closed_) return {};
  TableStatus s = readOnly_ ? TableStatus() : Commit();
  closed_ = true;
  recordLocks_.clear();
  (void)tableLock_.Release();
  orders_.reset();
  memo_.reset();
  decoder_.reset();
  file_.reset();
  return s;
}

}  // namespace tabrix

namespace tabrix {

// ---- orders -------------------------------------------------------------------------------

int TableFile::orderCount() const {
  return orders_ ? orders_->count() : 0;
}

const OrderInfo* TableFile::orderInfo(int order) const {
  if (!orders_ || order < 1 || order > orders_->count()) return nullptr;
  return &orders_->info(order);
}

int TableFile::controllingOrder() const {
  return orders_ ? orders_->controlling() : 0;
}

TableStatus TableFile::SetOrder(int order) {
  if (order == 0 && !orders_) return {};
  return Orders()->SetControlling(order);
}

TableStatus TableFile::AddOrderBag(const std::string& file) {
  TableStatus s = WriteBack();
  if (s) s = Orders()->AddBag(file, false);
  OrdersChanged();
  return s;
}

TableStatus TableFile::ClearOrders() {
  TableStatus s = WriteBack();
  if (orders_) orders_->Clear();
  OrdersChanged();
  return s;
}

TableStatus TableFile::CreateOrder(const OrderRequest& request) {
  if (writesRefused_) return IndexRefusal("OrdCreate");
  TableStatus s = WriteBack();
  if (s) s = FlushBehind();
  if (!s) return s;
  // The records as the file holds them, through the read cache.
  class Reader final : public RecordReader {
   public:
    explicit Reader(TableFile* t) : t_(t), bytes_(t->header_.recordLength) {}
    uint32_t RecordCount() override { return t_->count_; }
    TableStatus Record(uint32_t n, std::span<const uint8_t>* bytes) override {
      TableStatus s = t_->ReadRecord(n, false, bytes_);
      *bytes = bytes_;
      return s;
    }

   private:
    TableFile* t_;
    std::vector<uint8_t> bytes_;
  } reader(this);
  s = RefreshCount();
  if (s) s = Orders()->Create(request, &reader);
  OrdersChanged();
  if (s && !orders_->ProductionBag().empty() && !readOnly_ &&
      !(header_.tableFlags & kDbfFlagProductionIndex)) {
    s = MarkProductionIndex();
  }
  return s;
}

TableStatus TableFile::MarkProductionIndex() {
  const uint8_t flags = header_.tableFlags | kDbfFlagProductionIndex;
  IoStatus io = file_->WriteAt(kDbfTableFlagsOffset, {&flags, 1});
  if (io.ok()) io = file_->Flush();
  if (!io.ok()) return TableIoError(kGenWrite, kSubWrite, driver_, io, "OrdCreate");
  header_.tableFlags = flags;
  if (productionIndex_.empty()) productionIndex_ = orders_->ProductionBag();
  return {};
}

TableStatus TableFile::OrderSkipFrom(int64_t n, uint32_t* record, bool* done) {
  *record = 0;
  *done = false;
  if (controllingOrder() == 0 || recno_ < 1 || recno_ > count_) return {};
  TableStatus s = WriteBack();
  if (!s) return s;
  *done = true;
  return orders_->SkipKeys(n, recno_, buffer_, record);
}

TableStatus TableFile::OrderKeyFraction(double* fraction) {
  *fraction = -1.0;
  if (controllingOrder() == 0 || recno_ < 1 || recno_ > count_) return {};
  TableStatus s = WriteBack();
  if (!s) return s;
  return orders_->KeyFraction(recno_, buffer_, fraction);
}

TableStatus TableFile::OrderRecordAtFraction(double fraction, uint32_t* record, bool* done) {
  *record = 0;
  *done = false;
  if (controllingOrder() == 0) return {};
  TableStatus s = WriteBack();
  if (!s) return s;
  *done = true;
  return orders_->RecordAtFraction(fraction, record);
}

TableStatus TableFile::OrderMoveFrom(OrderMove move, uint32_t* record) {
  *record = 0;
  if (controllingOrder() == 0) return {};
  TableStatus s = WriteBack();
  if (!s) return s;
  const uint32_t from = recno_ >= 1 && recno_ <= count_ ? recno_ : 0;
  return orders_->Move(move, from, buffer_, record);
}

TableStatus TableFile::OrderSeek(const Value& key, uint32_t* record) {
  *record = 0;
  if (controllingOrder() == 0) return {};
  TableStatus s = WriteBack();
  if (!s) return s;
  return orders_->Seek(key, record);
}

TableStatus TableFile::OrderKeyMatches(const Value& key, bool* match) {
  *match = false;
  if (controllingOrder() == 0 || recno_ < 1 || recno_ > count_) return {};
  return orders_->KeyStartsWith(key, recno_, buffer_, match);
}

TableStatus TableFile::OrderKeyPosition(int order, uint32_t* position) {
  *position = 0;
  if (!orders_ || recno_ < 1 || recno_ > count_) return {};
  TableStatus s = WriteBack();
  if (!s) return s;
  return orders_->KeyPosition(order, recno_, buffer_, position);
}

}  // namespace tabrix
