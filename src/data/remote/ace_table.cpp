// The remote back-end over the client engine; the mapping is described in ace_table.h.

#include "data/remote/ace_table.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "data/base/text.h"
#include "data/formats/dbf_record.h"
#include "data/formats/field_types.h"

namespace tabrix {
namespace {

AceEngine*& RegisteredEngine() {
  static AceEngine* engine = nullptr;
  return engine;
}

TableStatus OpenThroughEngine(const BackendRequest& request, std::unique_ptr<TableBackend>* out) {
  std::unique_ptr<AceTable> table;
  TableStatus s = AceTable::Open(RegisteredEngine(), request, &table);
  if (s) *out = std::move(table);
  return s;
}

TableStatus CreateThroughEngine(Env*, const std::string& fileName,
                                const std::vector<StructureRow>& rows, const std::string&) {
  return AceTable::Create(RegisteredEngine(), fileName, rows);
}

AceU8* Bytes(std::string& text) {
  return reinterpret_cast<AceU8*>(text.data());
}

// The generic code the local back-end gives for what the engine reports (R7).
int GenCodeOf(AceU32 code, int otherwise) {
  switch (code) {
    case kAeDataTooLong:
      return kGenDataWidth;
    case kAeRecordNotLocked:
    case kAeTableNotLocked:
      return kGenUnlocked;
    case kAeTableReadOnly:
      return kGenReadOnly;
    case kAeLockFailed:
      return kGenLock;
    default:
      return otherwise;
  }
}

// The type letter of an engine field type; '\0' for types this program does not know.
char LetterOf(AceU16 type) {
  switch (type) {
    case kAdsString:
      return 'C';
    case kAdsNumeric:
      return 'N';
    case kAdsDate:
      return 'D';
    case kAdsLogical:
      return 'L';
    case kAdsMemo:
      return 'M';
    case kAdsBinary:
      return 'B';
    case kAdsImage:
      return 'P';
    case kAdsDouble:
      return 'B';
    case kAdsInteger:
      return 'I';
    case kAdsTimestamp:
      return 'T';
    case kAdsCurDouble:
      return 'Y';
    default:
      return '?';
  }
}

// The engine's name of a field type in a table description ("NAME,Char,30,0;...").
std::string CreateTypeName(char letter) {
  switch (letter) {
    case 'C':
      return "Char";
    case 'N':
    case 'F':
      return "Numeric";
    case 'D':
      return "Date";
    case 'L':
      return "Logical";
    case 'M':
      return "Memo";
    default:
      return "";
  }
}

// A key expression that names one field takes that field's kind; everything else this
// program builds (UPPER, STR, DTOS, +) is character.
KeyKind KindOfKey(const std::string& expression, const std::vector<StructureRow>& fields) {
  const std::string name = AsciiUpper(expression);
  for (const StructureRow& f : fields) {
    if (f.name != name) continue;
    if (f.type == 'N' || f.type == 'F') return KeyKind::kNumeric;
    if (f.type == 'D') return KeyKind::kDate;
    if (f.type == 'L') return KeyKind::kLogical;
  }
  return KeyKind::kCharacter;
}

// Whether a seek value is of the order's kind: a key of another type is a data type error, as
// on the local back-end.
bool KeyOfKind(const Value& key, KeyKind kind) {
  switch (kind) {
    case KeyKind::kCharacter:
      return std::holds_alternative<std::string>(key);
    case KeyKind::kNumeric:
      return std::holds_alternative<Decimal>(key) || std::holds_alternative<double>(key) ||
             std::holds_alternative<int32_t>(key);
    case KeyKind::kDate:
      return std::holds_alternative<Date>(key);
    case KeyKind::kLogical:
      return std::holds_alternative<bool>(key);
    default:
      return false;
  }
}

// The key bytes of a seek and how the engine reads them; false for a value no order holds.
bool SeekKey(const Value& key, std::string* bytes, AceU16* type) {
  double number = 0;
  if (const std::string* s = std::get_if<std::string>(&key)) {
    *bytes = *s;
    *type = kAdsStringKey;
    return true;
  }
  if (const bool* b = std::get_if<bool>(&key)) {
    *bytes = *b ? "T" : "F";
    *type = kAdsStringKey;
    return true;
  }
  if (const Decimal* d = std::get_if<Decimal>(&key)) {
    number = d->ToDouble();
  } else if (const double* x = std::get_if<double>(&key)) {
    number = *x;
  } else if (const int32_t* i = std::get_if<int32_t>(&key)) {
    number = *i;
  } else if (const Date* date = std::get_if<Date>(&key)) {
    number = date->empty() ? 0 : static_cast<double>(JulianDayFromDate(*date));
  } else {
    return false;
  }
  bytes->assign(sizeof number, '\0');
  std::memcpy(bytes->data(), &number, sizeof number);
  *type = kAdsDoubleKey;
  return true;
}

}  // namespace

void RegisterAceBackend(AceEngine* engine) {
  RegisteredEngine() = engine;
  if (engine) {
    RegisterBackend({kDriverAds, OpenThroughEngine, CreateThroughEngine});
  } else {
    UnregisterBackend(kDriverAds);
  }
}

void ForgetAceBackend(const AceEngine* engine) {
  if (RegisteredEngine() == engine) RegisterAceBackend(nullptr);
}

// ---- opening and creating ------------------------------------------------------------------

TableStatus AceTable::Open(AceEngine* engine, const BackendRequest& request,
                           std::unique_ptr<AceTable>* out) {
  std::unique_ptr<AceTable> t(new AceTable());
  t->engine_ = engine;
  t->fileName_ = request.fileName;
  t->shared_ = request.shared;
  t->readOnly_ = request.readOnly;
  const AceTableSettings& settings = engine->settings();
  AceU32 options = request.shared ? kAdsShared : kAdsExclusive;
  if (request.readOnly) options |= kAdsReadOnly;
  // The engine reports no code page mark: it is read from the header before the server holds
  // the file (with its own locking it may hold it exclusively). Unreadable: the OEM tables the
  // server is set up for.
  t->codePageMark_ = kNewTableCodePageMark;
  std::unique_ptr<File> file;
  if (request.env && request.env->Open(request.fileName, {.readOnly = true}, &file).ok()) {
    uint8_t mark = 0;
    size_t read = 0;
    if (file->ReadAt(29, {&mark, 1}, &read).ok() && read == 1) t->codePageMark_ = mark;
    file.reset();
  }
  std::string name = request.fileName;
  const AceU32 rc =
      engine->api().AdsOpenTable(0, Bytes(name), nullptr, settings.tableType, settings.charType,
                                 settings.lockType, kAdsCheckRights, options, &t->table_);
  if (rc != kAeSuccess) {
    ErrorObject e = engine->Error(rc, kGenOpen, request.fileName, "OpenTable");
    if (rc == kAeFileNotFound) e.osCode = kOsFileNotFound;
    e.canDefault = true;
    return e;
  }
  t->closed_ = false;
  TableStatus s = t->ReadFields();
  if (s) s = t->RefreshCount();
  if (s) s = t->ReadOrders();
  if (s) s = t->GoTo(1, true);
  if (!s) return s;
  *out = std::move(t);
  return {};
}

TableStatus AceTable::Create(AceEngine* engine, const std::string& fileName,
                             const std::vector<StructureRow>& rows) {
  std::string description;
  for (const StructureRow& row : rows) {
    const std::string type = CreateTypeName(row.type);
    if (type.empty()) {
      return TableError(kGenCreate, kSubCreate, kDriverAds,
                        "Create error: fields of type " + std::string(1, row.type), fileName,
                        "CreateTable");
    }
    if (!description.empty()) description += ';';
    description += row.name + "," + type;
    if (row.type == 'C' || row.type == 'N' || row.type == 'F') {
      description += "," + std::to_string(row.length) + "," + std::to_string(row.decimals);
    }
  }
  const AceTableSettings& settings = engine->settings();
  std::string name = fileName;
  AceHandle table = 0;
  const AceU32 rc = engine->api().AdsCreateTable(0, Bytes(name), nullptr, settings.tableType,
                                                 settings.charType, settings.lockType,
                                                 kAdsCheckRights, 0, Bytes(description), &table);
  if (rc != kAeSuccess) return engine->Error(rc, kGenCreate, fileName, "CreateTable");
  (void)engine->api().AdsCloseTable(table);
  return {};
}

AceTable::~AceTable() {
  if (!closed_) (void)Close();
}

ErrorObject AceTable::Error(AceU32 code, int genCode, std::string operation,
                            const CallSite& at) const {
  return engine_->Error(code, GenCodeOf(code, genCode), fileName_, std::move(operation), at);
}

TableStatus AceTable::ReadFields() {
  AceU16 count = 0;
  if (AceU32 rc = api().AdsGetNumFields(table_, &count); rc != kAeSuccess) {
    return Error(rc, kGenOpen, "OpenTable");
  }
  for (AceU16 i = 1; i <= count; ++i) {
    AceU8 name[64] = {};
    AceU16 length = sizeof name;
    AceU16 type = 0, decimals = 0;
    AceU32 width = 0;
    AceU32 rc = api().AdsGetFieldName(table_, i, name, &length);
    if (rc == kAeSuccess) rc = api().AdsGetFieldType(table_, AceField(i), &type);
    if (rc == kAeSuccess) rc = api().AdsGetFieldLength(table_, AceField(i), &width);
    if (rc == kAeSuccess) rc = api().AdsGetFieldDecimals(table_, AceField(i), &decimals);
    if (rc != kAeSuccess) return Error(rc, kGenOpen, "OpenTable");
    std::string fieldName(reinterpret_cast<const char*>(name), std::min<size_t>(length, 63));
    fieldName.resize(std::strlen(fieldName.c_str()));
    fields_.push_back({AsciiUpper(fieldName), LetterOf(type), width, decimals});
  }
  return {};
}

TableStatus AceTable::ReadOrders() {
  AceU16 count = 0;
  if (AceU32 rc = api().AdsGetNumIndexes(table_, &count); rc != kAeSuccess) {
    return Error(rc, kGenOpen, "OpenTable");
  }
  // The engine opened the structural index with the table: its orders are the production
  // index's.
  std::vector<AceHandle> handles(count);
  for (AceU16 i = 1; i <= count; ++i) {
    if (AceU32 rc = api().AdsGetIndexHandleByOrder(table_, i, &handles[i - 1]); rc != kAeSuccess) {
      return Error(rc, kGenOpen, "OpenTable");
    }
  }
  if (count > 0) {
    productionIndex_ = std::string(WithoutExtension(fileName_)) + ".CDX";
    return AdoptOrders(handles.data(), handles.size(), true);
  }
  return {};
}

Result<OrderInfo> AceTable::DescribeOrder(AceHandle index) const {
  OrderInfo info;
  AceU8 text[512] = {};
  AceU16 length = sizeof text;
  if (api().AdsGetIndexName(index, text, &length) != kAeSuccess) {
    return Corruption(fileName_, 0, "index name");
  }
  info.name = AsciiUpper(std::string(reinterpret_cast<const char*>(text),
                                     std::strlen(reinterpret_cast<const char*>(text))));
  std::memset(text, 0, sizeof text);
  length = sizeof text;
  if (api().AdsGetIndexExpr(index, text, &length) != kAeSuccess) {
    return Corruption(fileName_, 0, "index expression");
  }
  info.keyExpression.assign(reinterpret_cast<const char*>(text),
                            std::strlen(reinterpret_cast<const char*>(text)));
  info.kind = KindOfKey(info.keyExpression, fields_);
  return info;
}

TableStatus AceTable::AdoptOrders(const AceHandle* handles, size_t count, bool production) {
  for (size_t i = 0; i < count; ++i) {
    const bool known = std::any_of(orders_.begin(), orders_.end(),
                                   [&](const Order& o) { return o.index == handles[i]; });
    if (known) continue;
    Result<OrderInfo> info = DescribeOrder(handles[i]);
    if (!info) return Error(engine_->LastError(), kGenOpen, "AddOrderBag");
    orders_.push_back({handles[i], info.value(), "", production});
  }
  return {};
}

// ---- records and positions -----------------------------------------------------------------

TableStatus AceTable::RefreshCount() {
  AceU32 count = 0;
  const AceU32 rc = api().AdsGetRecordCount(table_, kAdsIgnoreFilters | kAdsRefreshCount, &count);
  if (rc != kAeSuccess) return Error(rc, kGenRead, "RecCount");
  count_ = count;
  return {};
}

bool AceTable::Sync() const {
  if (engineAt_ == recno_) return true;
  if (api().AdsGotoRecord(table_, recno_) != kAeSuccess) return false;
  engineAt_ = recno_;
  return true;
}

TableStatus AceTable::ReadDeleted(const char* operation) {
  deleted_ = false;
  if (recno_ > count_) return {};
  AceU16 deleted = 0;
  if (AceU32 rc = api().AdsIsRecordDeleted(table_, &deleted); rc != kAeSuccess) {
    return Error(rc, kGenRead, operation);
  }
  deleted_ = deleted != 0;
  return {};
}

TableStatus AceTable::GoTo(uint32_t n, bool fresh) {
  if (n < 1 || n > count_) n = count_ + 1;
  if (engineAt_ != n || fresh) {
    // The engine writes a changed record when it leaves it.
    if (AceU32 rc = api().AdsGotoRecord(table_, n); rc != kAeSuccess) {
      engineAt_ = kNowhere;
      return Error(rc, kGenRead, "GoTo");
    }
    engineAt_ = n;
  }
  recno_ = n;
  return ReadDeleted("GoTo");
}

Status AceTable::FieldInto(size_t column, Value* out) const {
  const StructureRow& f = fields_[column];
  if (recno_ > count_) {
    *out = BlankValueOf(f.type, f.length);
    return {};
  }
  if (!Sync()) return Corruption(fileName_, recno_, "record not reached");
  AceU8* field = AceField(column + 1);
  if (f.type == 'L') {
    AceU16 value = 0;
    if (api().AdsGetLogical(table_, field, &value) != kAeSuccess) {
      return Corruption(fileName_, recno_, "logical field " + f.name);
    }
    *out = value != 0;
    return {};
  }
  AceU32 length = f.length + 1;
  if (f.type == 'M' && api().AdsGetMemoLength(table_, field, &length) == kAeSuccess) ++length;
  for (int attempt = 0; attempt < 2; ++attempt) {
    buffer_.resize(std::max<size_t>(length, 1));
    length = static_cast<AceU32>(buffer_.size());
    const AceU32 rc = api().AdsGetString(table_, field, buffer_.data(), &length, kAdsTrimNone);
    if (rc == kAeInsufficientBuffer) {
      ++length;
      continue;
    }
    if (rc != kAeSuccess) return Corruption(fileName_, recno_, "field " + f.name);
    break;
  }
  const std::string_view text(reinterpret_cast<const char*>(buffer_.data()),
                              std::min<size_t>(length, buffer_.size()));
  switch (f.type) {
    case 'C':
    case 'M':
      if (std::string* s = std::get_if<std::string>(out)) {
        s->assign(text);
      } else {
        *out = std::string(text);
      }
      return {};
    case 'N':
    case 'F': {
      const size_t first = text.find_first_not_of(' ');
      const size_t last = text.find_last_not_of(' ');
      std::optional<Decimal> number;
      if (first != std::string_view::npos) {
        number = Decimal::FromText(text.substr(first, last - first + 1));
      }
      *out = number.value_or(Decimal{});
      return {};
    }
    case 'D': {
      Date date;
      if (text.size() >= 8 && text.find_first_not_of("0123456789") >= 8) {
        auto digits = [&](size_t at, size_t n) {
          int v = 0;
          for (size_t i = at; i < at + n; ++i) v = v * 10 + (text[i] - '0');
          return v;
        };
        date = Date{digits(0, 4), digits(4, 2), digits(6, 2)};
        if (date.year == 0) date = Date{};
      }
      *out = date;
      return {};
    }
    default:
      *out = Blob{std::string(text)};
      return {};
  }
}

// ---- writes --------------------------------------------------------------------------------

TableStatus AceTable::PutField(size_t column, const Value& value) {
  const StructureRow& f = fields_[column];
  const FieldType* type = FindFieldType(f.type);
  auto refuse = [&](int genCode, int subCode, std::string description,
                    const CallSite& at = CallSite::Current()) {
    ErrorObject e =
        TableError(genCode, subCode, driver_, std::move(description), fileName_, "PutField", at);
    e.args = std::vector<Value>{f.name, value};
    return e;
  };
  if (!type || type->takes == FieldTakes::kNothing) {
    return refuse(kGenUnsupported, kSubDataType,
                  "Unsupported: fields of type " + std::string(1, f.type) + " are not written");
  }
  if (!TakesValue(type->takes, value)) return refuse(kGenDataType, kSubDataType, "Data type error");
  if (recno_ > count_) return {};
  // R5: what the local back-end would store, checked before the server sees it.
  std::string text;
  AceU32 rc = kAeSuccess;
  AceU8* field = AceField(column + 1);
  switch (f.type) {
    case 'C':
      text = std::get<std::string>(value);
      text.resize(f.length, ' ');
      break;
    case 'M':
      text = std::get<std::string>(value);
      break;
    case 'N':
    case 'F': {
      Result<std::string> formatted =
          std::holds_alternative<Decimal>(value)
              ? FormatNumberField(std::get<Decimal>(value), f.length,
                                  static_cast<uint8_t>(f.decimals))
          : std::holds_alternative<int32_t>(value)
              ? FormatNumberField(Decimal::FromInt(std::get<int32_t>(value)), f.length,
                                  static_cast<uint8_t>(f.decimals))
              : FormatNumberField(std::get<double>(value), f.length,
                                  static_cast<uint8_t>(f.decimals));
      if (!formatted) return refuse(kGenDataWidth, kSubDataWidth, "Data width error");
      text = formatted.value();
      break;
    }
    case 'D': {
      const Date& date = std::get<Date>(value);
      if (!date.empty() && DateFromJulianDay(JulianDayFromDate(date)) != date) {
        return refuse(kGenDataWidth, kSubDataWidth, "Data width error");
      }
      break;
    }
    default:
      break;
  }
  if (!Sync()) return Error(engine_->LastError(), kGenWrite, "PutField");
  switch (f.type) {
    case 'C':
    case 'M':
      rc = api().AdsSetString(table_, field, Bytes(text), static_cast<AceU32>(text.size()));
      break;
    case 'N':
    case 'F':
      rc = api().AdsSetField(table_, field, Bytes(text), static_cast<AceU32>(text.size()));
      break;
    case 'D': {
      const Date& date = std::get<Date>(value);
      rc = date.empty()
               ? api().AdsSetEmpty(table_, field)
               : api().AdsSetJulian(table_, field, static_cast<AceS32>(JulianDayFromDate(date)));
      break;
    }
    case 'L':
      rc = api().AdsSetLogical(table_, field, std::get<bool>(value) ? kAdsTrue : kAdsFalse);
      break;
    default:
      break;
  }
  if (rc != kAeSuccess) {
    ErrorObject e = Error(rc, kGenWrite, "PutField");
    e.args = std::vector<Value>{f.name, value};
    return e;
  }
  return {};
}

TableStatus AceTable::SetDeleted(bool deleted) {
  if (recno_ > count_) return {};
  if (!Sync()) return Error(engine_->LastError(), kGenWrite, "MarkDeleted");
  const AceU32 rc = deleted ? api().AdsDeleteRecord(table_) : api().AdsRecallRecord(table_);
  if (rc != kAeSuccess) return Error(rc, kGenWrite, deleted ? "MarkDeleted" : "UnmarkDeleted");
  deleted_ = deleted;
  return {};
}

TableStatus AceTable::Append(bool releaseOthers) {
  if (releaseOthers) ReleaseRecordLocks(0);
  AceU32 rc = api().AdsAppendRecord(table_);
  if (rc != kAeSuccess) {
    engineAt_ = kNowhere;
    ErrorObject e = Error(rc, kGenAppendLock, "AppendRecord");
    e.genCode = rc == kAeLockFailed ? kGenAppendLock : e.genCode;
    e.canRetry = e.genCode == kGenAppendLock;
    return e;
  }
  AceU32 n = 0;
  rc = api().AdsGetRecordNum(table_, kAdsIgnoreFilters, &n);
  if (rc != kAeSuccess) return Error(rc, kGenAppendLock, "AppendRecord");
  recno_ = engineAt_ = n;
  count_ = std::max(count_, n);
  deleted_ = false;
  // The engine locks the record it appended (R4).
  if (shared_ && !tableLocked_) recordLocks_.insert(n);
  return {};
}

// ---- locks ---------------------------------------------------------------------------------

void AceTable::ReleaseRecordLocks(uint32_t except) {
  for (auto it = recordLocks_.begin(); it != recordLocks_.end();) {
    if (*it == except) {
      ++it;
      continue;
    }
    (void)api().AdsUnlockRecord(table_, *it);
    it = recordLocks_.erase(it);
  }
}

bool AceTable::LockRecord() {
  if (tableLocked_ || !shared_) return recno_ <= count_;
  if (recno_ < 1 || recno_ > count_) return false;
  ReleaseRecordLocks(recno_);
  if (recordLocks_.count(recno_)) return true;
  if (!Sync() || api().AdsLockRecord(table_, recno_) != kAeSuccess) return false;
  recordLocks_.insert(recno_);
  // The engine read the record again with the lock (B5).
  return ReadDeleted("LockRecord").ok();
}

bool AceTable::LockTable() {
  if (tableLocked_ || !shared_) return true;
  if (api().AdsLockTable(table_) != kAeSuccess) return false;
  // Taking the table lock gave the record locks back.
  recordLocks_.clear();
  tableLocked_ = true;
  if (!RefreshCount()) return true;
  if (recno_ <= count_ && Sync()) {
    (void)api().AdsRefreshRecord(table_);
    (void)ReadDeleted("LockTable");
  }
  return true;
}

bool AceTable::RecordLocked(uint32_t n) const {
  return !shared_ || tableLocked_ || recordLocks_.count(n) > 0;
}

TableStatus AceTable::Unlock() {
  TableStatus s = Commit();
  if (shared_ && (tableLocked_ || !recordLocks_.empty())) {
    const AceU32 rc = api().AdsUnlockTable(table_);
    if (rc != kAeSuccess && rc != kAeTableNotLocked && s) s = Error(rc, kGenWrite, "UnlockArea");
  }
  recordLocks_.clear();
  tableLocked_ = false;
  return s;
}

// ---- orders --------------------------------------------------------------------------------

const OrderInfo* AceTable::orderInfo(int order) const {
  if (order < 1 || order > orderCount()) return nullptr;
  return &orders_[static_cast<size_t>(order - 1)].info;
}

TableStatus AceTable::SetOrder(int order) {
  if (order < 0 || order > orderCount()) return TableBackend::SetOrder(-1);
  controlling_ = order;
  return {};
}

TableStatus AceTable::AddOrderBag(const std::string& file) {
  AceHandle handles[64] = {};
  AceU16 count = 64;
  std::string name = file;
  const AceU32 rc = api().AdsOpenIndex(table_, Bytes(name), handles, &count);
  if (rc != kAeSuccess && rc != kAeIndexAlreadyOpen) {
    ErrorObject e = Error(rc, kGenOpen, "AddOrderBag");
    e.fileName = file;
    if (rc == kAeFileNotFound) e.osCode = kOsFileNotFound;
    return e;
  }
  const size_t before = orders_.size();
  TableStatus s = AdoptOrders(handles, std::min<size_t>(count, 64), false);
  for (size_t i = before; i < orders_.size(); ++i) orders_[i].bag = AsciiUpper(file);
  return s;
}

TableStatus AceTable::ClearOrders() {
  std::vector<std::string> closed;
  for (const Order& o : orders_) {
    if (o.production || std::find(closed.begin(), closed.end(), o.bag) != closed.end()) continue;
    // Closing one order of an index file closes the file with all its orders.
    if (AceU32 rc = api().AdsCloseIndex(o.index); rc != kAeSuccess) {
      return Error(rc, kGenWrite, "ClearOrders");
    }
    closed.push_back(o.bag);
  }
  std::erase_if(orders_, [](const Order& o) { return !o.production; });
  if (controlling_ > orderCount()) controlling_ = 0;
  return {};
}

TableStatus AceTable::CreateOrder(const OrderRequest& request) {
  AceU32 options = 0;
  if (request.unique) options |= kAdsUnique;
  if (request.descending) options |= kAdsDescending;
  // The server keeps CDX files: an order named only by its file becomes a tag of that name.
  std::string tag =
      request.tag.empty() ? std::string(WithoutExtension(FileNamePart(request.bag))) : request.tag;
  options |= kAdsCompound;
  std::string bag = request.bag;
  std::string key = request.key;
  std::string condition = request.forCondition;
  AceHandle index = 0;
  if (!Sync()) return Error(engine_->LastError(), kGenCreate, "CreateOrder");
  const AceU32 rc = api().AdsCreateIndex(table_, Bytes(bag), Bytes(tag), Bytes(key),
                                         condition.empty() ? nullptr : Bytes(condition), nullptr,
                                         options, &index);
  engineAt_ = kNowhere;
  if (rc != kAeSuccess) {
    ErrorObject e = Error(rc, kGenCreate, "CreateOrder");
    e.fileName = request.bag;
    return e;
  }
  Result<OrderInfo> info = DescribeOrder(index);
  if (!info) return Error(engine_->LastError(), kGenCreate, "CreateOrder");
  info.value().unique = request.unique;
  info.value().descending = request.descending;
  info.value().forExpression = request.forCondition;
  const bool production =
      AsciiUpper(WithoutExtension(request.bag)) == AsciiUpper(WithoutExtension(fileName_));
  if (production && productionIndex_.empty()) {
    productionIndex_ = std::string(WithoutExtension(fileName_)) + ".CDX";
  }
  // A tag built again under its name replaces the order of that name in the same file.
  const std::string upperBag = AsciiUpper(request.bag);
  auto same = std::find_if(orders_.begin(), orders_.end(), [&](const Order& o) {
    return o.info.name == info.value().name && (o.production ? production : o.bag == upperBag);
  });
  if (same != orders_.end()) {
    same->index = index;
    same->info = info.value();
  } else {
    orders_.push_back({index, info.value(), production ? "" : upperBag, production});
    same = orders_.end() - 1;
  }
  controlling_ = static_cast<int>(same - orders_.begin()) + 1;
  return {};
}

TableStatus AceTable::RecordReached(AceHandle index, uint32_t* record) {
  AceU16 eof = 0, bof = 0;
  AceU32 rc = api().AdsAtEOF(index, &eof);
  if (rc == kAeSuccess) rc = api().AdsAtBOF(index, &bof);
  AceU32 n = 0;
  if (rc == kAeSuccess && !eof && !bof) rc = api().AdsGetRecordNum(table_, kAdsIgnoreFilters, &n);
  engineAt_ = rc == kAeSuccess && n != 0 ? n : kNowhere;
  if (rc != kAeSuccess) return Error(rc, kGenRead, "Skip");
  *record = n;
  return {};
}

TableStatus AceTable::OrderMoveFrom(OrderMove move, uint32_t* record) {
  *record = 0;
  if (controlling_ == 0) return {};
  const AceHandle index = orders_[static_cast<size_t>(controlling_ - 1)].index;
  const bool atEnd = recno_ > count_;
  AceU32 rc = kAeSuccess;
  switch (move) {
    case OrderMove::kFirst:
      rc = api().AdsGotoTop(index);
      break;
    case OrderMove::kLast:
      rc = api().AdsGotoBottom(index);
      break;
    case OrderMove::kNext:
      if (atEnd) return {};
      rc = Sync() ? api().AdsSkip(index, 1) : engine_->LastError();
      break;
    case OrderMove::kPrevious:
      rc = atEnd    ? api().AdsGotoBottom(index)
           : Sync() ? api().AdsSkip(index, -1)
                    : engine_->LastError();
      break;
  }
  if (rc != kAeSuccess) {
    engineAt_ = kNowhere;
    return Error(rc, kGenRead, "Skip");
  }
  return RecordReached(index, record);
}

TableStatus AceTable::OrderSeek(const Value& key, uint32_t* record) {
  *record = 0;
  seekRecord_ = 0;
  seekFound_ = false;
  if (controlling_ == 0) return {};
  const AceHandle index = orders_[static_cast<size_t>(controlling_ - 1)].index;
  std::string bytes;
  AceU16 type = 0;
  if (!KeyOfKind(key, orders_[static_cast<size_t>(controlling_ - 1)].info.kind) ||
      !SeekKey(key, &bytes, &type)) {
    return TableError(kGenDataType, kSubDataType, driver_, "Data type error", fileName_, "Seek");
  }
  AceU16 found = 0;
  AceU32 rc = kAeSuccess;
  if (bytes.empty()) {
    // Every key starts with nothing.
    rc = api().AdsGotoTop(index);
    found = 1;
  } else {
    rc = api().AdsSeek(index, Bytes(bytes), static_cast<AceU16>(bytes.size()), type, kAdsSoftSeek,
                       &found);
  }
  if (rc != kAeSuccess) {
    engineAt_ = kNowhere;
    return Error(rc, kGenRead, "Seek");
  }
  TableStatus s = RecordReached(index, record);
  seekRecord_ = *record;
  seekFound_ = found != 0 && *record != 0;
  return s;
}

TableStatus AceTable::OrderKeyMatches(const Value& key, bool* match) {
  *match = false;
  if (controlling_ == 0 || recno_ > count_) return {};
  if (recno_ == seekRecord_) {
    *match = seekFound_;
    return {};
  }
  // Moved on from the record the seek reached (past deleted ones): the record's key matches
  // when its position lies between the first and the last matching key.
  if (!seekFound_) return {};
  const AceHandle index = orders_[static_cast<size_t>(controlling_ - 1)].index;
  std::string bytes;
  AceU16 type = 0;
  if (!SeekKey(key, &bytes, &type)) return {};
  AceU16 found = 0;
  AceU32 first = 0, last = 0, here = 0;
  AceU32 rc = api().AdsSeek(index, Bytes(bytes), static_cast<AceU16>(bytes.size()), type,
                            kAdsHardSeek, &found);
  if (rc == kAeSuccess) rc = api().AdsGetKeyNum(index, kAdsIgnoreFilters, &first);
  if (rc == kAeSuccess) {
    rc = api().AdsSeekLast(index, Bytes(bytes), static_cast<AceU16>(bytes.size()), type, &found);
  }
  if (rc == kAeSuccess) rc = api().AdsGetKeyNum(index, kAdsIgnoreFilters, &last);
  engineAt_ = kNowhere;
  if (rc == kAeSuccess && !Sync()) rc = engine_->LastError();
  if (rc == kAeSuccess) rc = api().AdsGetKeyNum(index, kAdsIgnoreFilters, &here);
  if (rc != kAeSuccess) return Error(rc, kGenRead, "Seek");
  *match = found != 0 && first <= here && here <= last;
  return {};
}

TableStatus AceTable::OrderKeyPosition(int order, uint32_t* position) {
  *position = 0;
  if (order < 1 || order > orderCount() || recno_ > count_) return {};
  if (!Sync()) return Error(engine_->LastError(), kGenRead, "OrdKeyNo");
  AceU32 n = 0;
  const AceU32 rc =
      api().AdsGetKeyNum(orders_[static_cast<size_t>(order - 1)].index, kAdsIgnoreFilters, &n);
  if (rc != kAeSuccess) return Error(rc, kGenRead, "OrdKeyNo");
  *position = n;
  return {};
}

// ---- ending --------------------------------------------------------------------------------

TableStatus AceTable::Commit() {
  if (readOnly_ || recno_ > count_ || engineAt_ != recno_) return {};
  const AceU32 rc = api().AdsWriteRecord(table_);
  if (rc != kAeSuccess && rc != kAeNoCurrentRecord) return Error(rc, kGenWrite, "CommitArea");
  return {};
}

TableStatus AceTable::Close() {
  if (closed_) return {};
  closed_ = true;
  // The engine writes the record, releases the locks and closes the indexes with the table.
  const AceU32 rc = api().AdsCloseTable(table_);
  recordLocks_.clear();
  tableLocked_ = false;
  orders_.clear();
  if (rc != kAeSuccess) return Error(rc, kGenWrite, "CloseArea");
  return {};
}

}  // namespace tabrix
