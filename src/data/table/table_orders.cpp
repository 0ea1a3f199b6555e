#include "data/table/table_orders.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "data/base/text.h"
#include "data/index/cdx_build.h"
#include "data/index/cdx_file.h"
#include "data/index/cdx_key.h"
#include "data/index/cdx_tag.h"
#include "data/index/key_sorter.h"
#include "data/index/ntx_build.h"
#include "data/index/ntx_key.h"
#include "data/index/ntx_order.h"
#include "data/table/table_area.h"

namespace tabrix {
namespace {

KeyKind KindOf(ExprType type) {
  switch (type) {
    case ExprType::kCharacter:
      return KeyKind::kCharacter;
    case ExprType::kNumeric:
      return KeyKind::kNumeric;
    case ExprType::kDate:
      return KeyKind::kDate;
    case ExprType::kDateTime:
      return KeyKind::kDateTime;
    case ExprType::kLogical:
      return KeyKind::kLogical;
  }
  return KeyKind::kCharacter;
}

bool IsNtxName(const std::string& file, const std::string& driver) {
  const std::string ext = AsciiUpper(ExtensionOf(file));
  if (ext == ".NTX") return true;
  if (ext == ".CDX") return false;
  return driver == kDriverNtx;
}

std::string WithIndexExtension(const std::string& file, const std::string& driver) {
  if (HasExtension(file)) return file;
  return file + (driver == kDriverNtx ? ".ntx" : ".cdx");
}

// A damaged index page (either index kind).
bool IsCorruption(const IoStatus& io) {
  return io.osCode() == kOsFileCorrupt;
}

}  // namespace

// One record's fields as the expressions ask for them, decoded on first use per record.
class TableOrders::RecordView final : public ExprRecord {
 public:
  RecordView(const DbfHeader& header, const DbfRecordDecoder& decoder,
             const std::vector<size_t>& columns)
      : header_(header), decoder_(decoder), columns_(columns), slots_(columns.size()) {}

  void Reset(std::span<const uint8_t> record, uint32_t recno) {
    record_ = record;
    recno_ = recno;
    ++epoch_;
  }

  const Value* Field(int index) override {
    Slot& slot = slots_[static_cast<size_t>(index)];
    if (slot.epoch != epoch_) {
      const uint64_t offset = header_.RecordOffset(recno_ > 0 ? recno_ : 1);
      if (!decoder_.FieldInto(record_, offset, columns_[static_cast<size_t>(index)], &slot.value))
        return nullptr;
      slot.epoch = epoch_;
    }
    return &slot.value;
  }
  bool IsDeleted() override { return RecordIsDeleted(record_); }
  uint32_t RecordNumber() override { return recno_; }

 private:
  struct Slot {
    Value value;
    uint64_t epoch = 0;
  };
  const DbfHeader& header_;
  const DbfRecordDecoder& decoder_;
  const std::vector<size_t>& columns_;
  std::vector<Slot> slots_;
  std::span<const uint8_t> record_;
  uint32_t recno_ = 0;
  uint64_t epoch_ = 1;
};

struct TableOrders::Bag {
  std::string file;
  bool production = false;
  std::unique_ptr<CdxFile> cdx;  // null for an NTX file
};

struct TableOrders::Order {
  Bag* bag = nullptr;
  std::unique_ptr<IndexOrder> index;  // null when the file's order could not be opened
  OrderInfo info;
  std::optional<Expression> key;
  std::optional<Expression> condition;
  // Why the order cannot be kept (not ok: writes are refused while it is open).
  TableStatus unkept;
  Value scratch;  // the key value of the record at hand
};

TableOrders::TableOrders(Setup setup) : setup_(std::move(setup)) {
  // The alias the key expressions of the table's indexes may name: the table's base name, as
  // an area takes it, with what a name cannot hold ("-" of "ntx-char") made "_".
  structure_.alias = AsciiUpper(FileNamePart(WithoutExtension(setup_.tableFile)));
  for (char& c : structure_.alias) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  for (size_t column : *setup_.columns) {
    const DbfField& f = setup_.header->fields[column];
    structure_.fields.push_back({f.name, f.type, f.length, f.decimals});
  }
  view_ = std::make_unique<RecordView>(*setup_.header, *setup_.decoder, *setup_.columns);
}

TableOrders::~TableOrders() = default;

const OrderInfo& TableOrders::info(int order) const {
  return orders_[static_cast<size_t>(order - 1)]->info;
}

TableStatus TableOrders::IndexError(const IoStatus& io, const std::string& file,
                                    const char* operation, const CallSite& at) const {
  if (IsCorruption(io)) {
    return TableError(kGenCorruption, kSubCorruption, setup_.driver,
                      "Corruption detected (index): " + io.detail(), file, operation, at);
  }
  return TableIoError(kGenWrite, kSubWrite, setup_.driver, io, operation, at);
}

TableStatus TableOrders::ExprFailure(const ExprError& error, const char* operation,
                                     const CallSite& at) const {
  ErrorObject e = ToErrorObject(error);
  e.subSystem = setup_.driver;
  e.fileName = setup_.tableFile;
  e.operation = operation;
  SetErrorPlace(&e, at);
  return e;
}

void TableOrders::Prepare(Order* order) {
  ExprResult<Expression> key = Expression::Compile(order->info.keyExpression, structure_);
  if (!key.ok()) {
    order->unkept = ExprFailure(key.error(), "OrdListAdd");
    return;
  }
  order->key.emplace(std::move(key.value()));
  order->info.kind = KindOf(order->key->type());
  if (order->info.forExpression.empty()) return;
  ExprResult<Expression> condition = Expression::Compile(order->info.forExpression, structure_);
  if (!condition.ok() || condition.value().type() != ExprType::kLogical) {
    order->key.reset();
    order->unkept = condition.ok()
                        ? TableError(kGenDataType, kSubDataType, setup_.driver,
                                     "FOR condition is not logical: " + order->info.forExpression,
                                     order->bag->file, "OrdListAdd")
                        : ExprFailure(condition.error(), "OrdListAdd");
    return;
  }
  order->condition.emplace(std::move(condition.value()));
}

TableStatus TableOrders::AddBag(const std::string& file, bool production) {
  const std::string name = WithIndexExtension(file, setup_.driver);
  for (const auto& bag : bags_) {
    if (AsciiUpper(bag->file) == AsciiUpper(name)) return {};  // open already
  }
  return IsNtxName(name, setup_.driver) ? OpenNtx(name) : OpenCdx(name, production);
}

TableStatus TableOrders::OpenCdx(const std::string& file, bool production) {
  auto bag = std::make_unique<Bag>();
  bag->file = file;
  bag->production = production;
  CdxOptions options;
  options.exclusive = !setup_.shared;
  options.readOnly = setup_.readOnly;
  IoStatus io = CdxFile::Open(setup_.env, file, options, &bag->cdx);
  if (!io.ok()) {
    if (IsCorruption(io)) return IndexError(io, file, "OrdListAdd");
    return TableIoError(kGenOpen, kSubOpen, setup_.driver, io, "OrdListAdd");
  }
  std::vector<CdxTagEntry> tags;
  io = bag->cdx->ListTags(&tags);
  if (!io.ok()) return IndexError(io, file, "OrdListAdd");
  // The directory lists tags by name; programs number them in the order they were made, which
  // is the order of their headers in the file.
  std::sort(tags.begin(), tags.end(), [](const CdxTagEntry& a, const CdxTagEntry& b) {
    return a.headerOffset < b.headerOffset;
  });
  std::vector<std::unique_ptr<Order>> opened;
  for (const CdxTagEntry& entry : tags) {
    auto order = std::make_unique<Order>();
    order->bag = bag.get();
    CdxHeader header;
    io = bag->cdx->ReadTagHeader(entry.headerOffset, &header);
    order->info.name = AsciiUpper(entry.name.substr(0, entry.name.find_last_not_of(' ') + 1));
    if (!io.ok()) {
      order->unkept = IndexError(io, file, "OrdListAdd");
      opened.push_back(std::move(order));
      continue;
    }
    order->info.keyExpression = header.keyExpression;
    order->info.forExpression = header.forExpression;
    order->info.keyLength = header.keyLength;
    order->info.descending = header.descending;
    Prepare(order.get());
    if (order->key) {
      std::unique_ptr<CdxTag> tag;
      io = bag->cdx->OpenTag(entry.name, order->info.kind, &tag);
      if (io.ok()) {
        order->info = tag->Info();
        order->index = std::move(tag);
      } else {
        order->unkept = IndexError(io, file, "OrdListAdd");
      }
    }
    opened.push_back(std::move(order));
  }
  bags_.push_back(std::move(bag));
  for (auto& order : opened) orders_.push_back(std::move(order));
  return {};
}

TableStatus TableOrders::OpenNtx(const std::string& file) {
  auto bag = std::make_unique<Bag>();
  bag->file = file;
  NtxOpenOptions options;
  options.exclusive = !setup_.shared;
  options.readOnly = setup_.readOnly;
  std::unique_ptr<NtxOrder> ntx;
  IoStatus io = NtxOrder::Open(setup_.env, file, options, &ntx);
  if (!io.ok()) {
    if (IsCorruption(io)) return IndexError(io, file, "OrdListAdd");
    return TableIoError(kGenOpen, kSubOpen, setup_.driver, io, "OrdListAdd");
  }
  auto order = std::make_unique<Order>();
  order->bag = bag.get();
  order->info = ntx->Info();
  Prepare(order.get());
  if (order->key && order->info.kind != ntx->Info().kind) {
    // The file does not say what its keys are: open it again knowing it.
    options.kind = order->info.kind;
    io = NtxOrder::Open(setup_.env, file, options, &ntx);
    if (!io.ok()) return IndexError(io, file, "OrdListAdd");
  }
  order->info = ntx->Info();
  if (order->key) order->index = std::move(ntx);
  bags_.push_back(std::move(bag));
  orders_.push_back(std::move(order));
  return {};
}

void TableOrders::Clear() {
  std::vector<std::unique_ptr<Order>> kept;
  int newControlling = 0;
  for (size_t i = 0; i < orders_.size(); ++i) {
    if (!orders_[i]->bag->production) continue;
    kept.push_back(std::move(orders_[i]));
    if (controlling_ == static_cast<int>(i) + 1) newControlling = static_cast<int>(kept.size());
  }
  orders_ = std::move(kept);
  controlling_ = newControlling;
  std::erase_if(bags_, [](const std::unique_ptr<Bag>& bag) { return !bag->production; });
}

TableStatus TableOrders::SetControlling(int order) {
  if (order < 0 || order > count()) {
    return TableError(kGenArg, kSubArgument, setup_.driver, "Argument error (order number)",
                      setup_.tableFile, "OrdSetFocus");
  }
  if (order > 0 && !orders_[static_cast<size_t>(order - 1)]->index) {
    return orders_[static_cast<size_t>(order - 1)]->unkept;
  }
  controlling_ = order;
  return {};
}

TableStatus TableOrders::WriteRefusal(const char* operation) const {
  for (const auto& order : orders_) {
    if (order->unkept.ok()) continue;
    ErrorObject e = order->unkept.error();
    e.genCode = kGenUnsupported;
    e.subCode = kSubIndexNotMaintained;
    e.description = "Index " + order->info.name + " cannot be kept up to date: " + e.description;
    e.operation = operation;
    return e;
  }
  return {};
}

TableStatus TableOrders::EntryOf(Order& order, uint32_t recno, std::span<const uint8_t> record,
                                 std::optional<IndexEntry>* entry) {
  entry->reset();
  view_->Reset(record, recno);
  if (order.condition) {
    bool in = false;
    if (ExprStatus s = order.condition->EvaluateLogical(*view_, &in); !s.ok()) {
      return ExprFailure(s.error(), "OrdKeyAdd");
    }
    if (!in) return {};
  }
  if (ExprStatus s = order.key->Evaluate(*view_, &order.scratch); !s.ok()) {
    return ExprFailure(s.error(), "OrdKeyAdd");
  }
  IndexEntry e;
  e.record = recno;
  IoStatus io = order.index->EncodeKey(order.scratch, false, &e.key);
  if (!io.ok()) return IndexError(io, order.bag->file, "OrdKeyAdd");
  *entry = std::move(e);
  return {};
}

TableStatus TableOrders::Changed(uint32_t recno, std::span<const uint8_t> before,
                                 std::span<const uint8_t> after) {
  for (auto& order : orders_) {
    if (!order->index) continue;  // writes are refused while such an order is open
    std::optional<IndexEntry> old, now;
    TableStatus s = EntryOf(*order, recno, before, &old);
    if (s) s = EntryOf(*order, recno, after, &now);
    if (!s) return s;
    if (old == now) continue;
    IoStatus io;
    if (old) io = order->index->Remove(*old);
    if (io.ok() && now) io = order->index->Insert(*now);
    if (!io.ok()) return IndexError(io, order->bag->file, "OrdKeyAdd");
  }
  return {};
}

TableStatus TableOrders::Added(uint32_t recno, std::span<const uint8_t> record) {
  for (auto& order : orders_) {
    if (!order->index) continue;
    std::optional<IndexEntry> entry;
    if (TableStatus s = EntryOf(*order, recno, record, &entry); !s) return s;
    if (!entry) continue;
    if (IoStatus io = order->index->Insert(*entry); !io.ok()) {
      return IndexError(io, order->bag->file, "OrdKeyAdd");
    }
  }
  return {};
}

TableStatus TableOrders::Move(OrderMove move, uint32_t recno, std::span<const uint8_t> record,
                              uint32_t* out) {
  *out = 0;
  Order& order = *orders_[static_cast<size_t>(controlling_ - 1)];
  IndexOrder& index = *order.index;
  std::optional<IndexEntry> found;
  IoStatus io;
  if (move == OrderMove::kFirst || (move == OrderMove::kPrevious && recno == 0)) {
    io = move == OrderMove::kFirst ? index.First(&found) : index.Last(&found);
  } else if (move == OrderMove::kLast) {
    io = index.Last(&found);
  } else if (recno == 0) {
    return {};  // nothing follows the end
  } else {
    // From where the record's key sorts, whether or not its FOR condition holds (O6).
    view_->Reset(record, recno);
    if (ExprStatus s = order.key->Evaluate(*view_, &order.scratch); !s.ok()) {
      return ExprFailure(s.error(), "DbSkip");
    }
    IndexEntry from;
    from.record = recno;
    io = index.EncodeKey(order.scratch, false, &from.key);
    if (io.ok()) {
      io = move == OrderMove::kNext ? index.Next(from, &found) : index.Previous(from, &found);
    }
  }
  if (!io.ok()) return IndexError(io, order.bag->file, "DbSkip");
  if (found) *out = found->record;
  return {};
}

TableStatus TableOrders::SkipKeys(int64_t n, uint32_t recno, std::span<const uint8_t> record,
                                  uint32_t* out) {
  *out = 0;
  Order& order = *orders_[static_cast<size_t>(controlling_ - 1)];
  view_->Reset(record, recno);
  if (ExprStatus s = order.key->Evaluate(*view_, &order.scratch); !s.ok()) {
    return ExprFailure(s.error(), "DbSkip");
  }
  IndexEntry from;
  from.record = recno;
  std::optional<IndexEntry> found;
  IoStatus io = order.index->EncodeKey(order.scratch, false, &from.key);
  if (io.ok()) io = order.index->Skip(from, n, &found);
  if (!io.ok()) return IndexError(io, order.bag->file, "DbSkip");
  if (found) *out = found->record;
  return {};
}

TableStatus TableOrders::Seek(const Value& key, uint32_t* record) {
  *record = 0;
  Order& order = *orders_[static_cast<size_t>(controlling_ - 1)];
  std::string bytes;
  IoStatus io = order.index->EncodeKey(key, true, &bytes);
  if (io.osCode() == kOsInvalidParameter) {
    return TableError(kGenDataType, kSubDataType, setup_.driver, "Data type error (seek key)",
                      order.bag->file, "DbSeek");
  }
  std::optional<IndexEntry> found;
  if (io.ok()) io = order.index->Seek(bytes, &found);
  if (!io.ok()) return IndexError(io, order.bag->file, "DbSeek");
  if (found) *record = found->record;
  return {};
}

TableStatus TableOrders::KeyStartsWith(const Value& key, uint32_t recno,
                                       std::span<const uint8_t> record, bool* match) {
  *match = false;
  Order& order = *orders_[static_cast<size_t>(controlling_ - 1)];
  std::string bytes;
  IoStatus io = order.index->EncodeKey(key, true, &bytes);
  if (!io.ok()) return {};  // a key of another type never matches
  std::optional<IndexEntry> entry;
  if (TableStatus s = EntryOf(order, recno, record, &entry); !s) return s;
  *match = entry && entry->key.compare(0, bytes.size(), bytes) == 0;
  return {};
}

TableStatus TableOrders::KeyPosition(int which, uint32_t recno, std::span<const uint8_t> record,
                                     uint32_t* position) {
  *position = 0;
  if (which < 1 || which > count()) return {};
  Order& order = *orders_[static_cast<size_t>(which - 1)];
  if (!order.index) return {};
  std::optional<IndexEntry> entry;
  if (TableStatus s = EntryOf(order, recno, record, &entry); !s) return s;
  if (!entry) return {};
  if (IoStatus io = order.index->KeyPosition(*entry, position); !io.ok()) {
    return IndexError(io, order.bag->file, "OrdKeyNo");
  }
  return {};
}

TableStatus TableOrders::KeyFraction(uint32_t recno, std::span<const uint8_t> record,
                                     double* fraction) {
  *fraction = -1.0;
  Order& order = *orders_[static_cast<size_t>(controlling_ - 1)];
  if (!order.index) return {};
  std::optional<IndexEntry> entry;
  if (TableStatus s = EntryOf(order, recno, record, &entry); !s) return s;
  if (!entry) return {};
  if (IoStatus io = order.index->PositionFraction(*entry, fraction); !io.ok()) {
    return IndexError(io, order.bag->file, "OrdKeyRelPos");
  }
  return {};
}

TableStatus TableOrders::RecordAtFraction(double fraction, uint32_t* record) {
  *record = 0;
  Order& order = *orders_[static_cast<size_t>(controlling_ - 1)];
  if (!order.index) return {};
  std::optional<IndexEntry> found;
  if (IoStatus io = order.index->EntryAtFraction(fraction, &found); !io.ok()) {
    return IndexError(io, order.bag->file, "OrdKeyRelPos");
  }
  if (found) *record = found->record;
  return {};
}

TableStatus TableOrders::Create(const OrderRequest& request, RecordReader* records) {
  const std::string file = WithIndexExtension(request.bag, setup_.driver);
  const bool ntx = IsNtxName(file, setup_.driver);
  ExprResult<Expression> key = Expression::Compile(request.key, structure_);
  if (!key.ok()) return ExprFailure(key.error(), "OrdCreate");
  std::optional<Expression> condition;
  if (!request.forCondition.empty()) {
    ExprResult<Expression> c = Expression::Compile(request.forCondition, structure_);
    if (!c.ok()) return ExprFailure(c.error(), "OrdCreate");
    if (c.value().type() != ExprType::kLogical) {
      return TableError(kGenDataType, kSubDataType, setup_.driver,
                        "FOR condition is not logical: " + request.forCondition, file, "OrdCreate");
    }
    condition.emplace(std::move(c.value()));
  }

  auto order = std::make_unique<Order>();
  order->info.name = ntx ? NtxOrderName(file) : AsciiUpper(request.tag);
  order->info.keyExpression = request.key;
  order->info.forExpression = request.forCondition;
  order->info.kind = KindOf(key.value().type());
  order->info.keyLength = key.value().keyLength();
  // CDX keys of numbers, dates and times are 8-byte doubles whatever the expression's width;
  // NTX keys are the expression's text.
  if (!ntx && order->info.kind != KeyKind::kCharacter && order->info.kind != KeyKind::kLogical) {
    order->info.keyLength = 8;
  }
  order->info.decimals = key.value().decimals();
  order->info.unique = request.unique;
  order->info.descending = request.descending;
  order->key.emplace(std::move(key.value()));
  if (condition) order->condition.emplace(std::move(*condition));

  // An order of that name in that file is built anew, as xBase programs do: the open one leaves
  // the list (an NTX file is closed before it is overwritten; a CDX tag leaves the directory).
  const std::string upperFile = AsciiUpper(file);
  for (size_t i = 0; i < orders_.size(); ++i) {
    const Order& old = *orders_[i];
    if (AsciiUpper(old.bag->file) != upperFile || (!ntx && old.info.name != order->info.name)) {
      continue;
    }
    orders_.erase(orders_.begin() + static_cast<ptrdiff_t>(i));
    const int number = static_cast<int>(i) + 1;
    controlling_ = controlling_ == number ? 0 : controlling_ - (controlling_ > number);
    break;
  }
  if (ntx) {
    std::erase_if(bags_,
                  [&](const std::unique_ptr<Bag>& b) { return AsciiUpper(b->file) == upperFile; });
  }
  Bag* bag = nullptr;
  for (const auto& b : bags_) {
    if (AsciiUpper(b->file) == upperFile) bag = b.get();
  }
  NtxCreateOptions ntxOptions;
  std::unique_ptr<NtxOrder> ntxShape;  // NTX: the new file, empty; it knows the key form
  IoStatus io;
  if (ntx) {
    ntxOptions.keyExpression = request.key;
    ntxOptions.kind = order->info.kind;
    ntxOptions.keyLength = order->info.keyLength;
    ntxOptions.decimals = order->info.kind == KeyKind::kNumeric ? order->info.decimals : 0;
    ntxOptions.unique = request.unique;
    ntxOptions.exclusive = !setup_.shared;
    io = NtxOrder::Create(setup_.env, file, ntxOptions, &ntxShape);
    if (!io.ok()) return TableIoError(kGenCreate, kSubCreate, setup_.driver, io, "OrdCreate");
  } else if (!bag) {
    auto fresh = std::make_unique<Bag>();
    fresh->file = file;
    // The CDX of the table's base name is its production index, whoever made it: ClearOrders
    // keeps it and the table's header records it (TableFile::CreateOrder).
    fresh->production =
        setup_.driver != kDriverNtx &&
        upperFile == AsciiUpper(std::string(WithoutExtension(setup_.tableFile)) + ".CDX");
    CdxOptions options;
    options.exclusive = !setup_.shared;
    io = setup_.env->FileExists(file) ? CdxFile::Open(setup_.env, file, options, &fresh->cdx)
                                      : CdxFile::Create(setup_.env, file, options, &fresh->cdx);
    if (!io.ok()) return TableIoError(kGenCreate, kSubCreate, setup_.driver, io, "OrdCreate");
    bag = fresh.get();
    bags_.push_back(std::move(fresh));
  }
  if (!ntx) {
    if (IoStatus removed = bag->cdx->RemoveTag(order->info.name); !removed.ok()) {
      return IndexError(removed, file, "OrdCreate");
    }
  }

  // The entries of the records taken, sorted with spilled runs (a build's memory does not grow
  // with the table), in the order of the file's collation.
  KeySorterOptions sorterOptions;
  sorterOptions.tempPrefix = std::string(WithoutExtension(file)) + "_build";
  if (ntx) {
    const size_t length = static_cast<size_t>(order->info.keyLength);
    sorterOptions.compareKeys = [length](std::string_view a, std::string_view b) {
      return NtxCompareKeys(a, b, length);
    };
  }
  KeySorter sorter(setup_.env, order->info.keyLength, sorterOptions);
  std::string keyBytes, why;
  const uint32_t last = records->RecordCount();
  for (uint32_t n = std::max<uint32_t>(request.startRecord, 1); n <= last; ++n) {
    std::span<const uint8_t> bytes;
    if (TableStatus s = records->Record(n, &bytes); !s) return s;
    view_->Reset(bytes, n);
    if (order->condition) {
      bool in = false;
      if (ExprStatus s = order->condition->EvaluateLogical(*view_, &in); !s.ok()) {
        return ExprFailure(s.error(), "OrdCreate");
      }
      if (!in) continue;
    }
    if (ExprStatus s = order->key->Evaluate(*view_, &order->scratch); !s.ok()) {
      return ExprFailure(s.error(), "OrdCreate");
    }
    if (ntx) {
      io = ntxShape->EncodeKey(order->scratch, false, &keyBytes);
      if (io.ok()) io = sorter.Add(keyBytes, n);
    } else if (EncodeCdxKey(order->info.kind, order->info.keyLength, false, order->scratch, false,
                            &keyBytes, &why)) {
      io = sorter.Add(keyBytes, n);
    } else {
      io = IoStatus::Error(kOsInvalidParameter, "key", file, why);
    }
    if (!io.ok()) return IndexError(io, file, "OrdCreate");
  }

  io = sorter.Finish();
  if (!io.ok()) return IndexError(io, file, "OrdCreate");
  if (ntx) {
    // The sorter hands entries out as the builder takes them.
    struct Sorted final : NtxSortedEntries {
      explicit Sorted(EntrySource* source) : source(source) {}
      IoStatus Next(IndexEntry* entry, bool* done) override { return source->Next(entry, done); }
      EntrySource* source;
    } sorted(&sorter);
    ntxShape.reset();
    io = BuildNtx(setup_.env, file, ntxOptions, &sorted);
    std::unique_ptr<NtxOrder> built;
    NtxOpenOptions open;
    open.exclusive = !setup_.shared;
    open.kind = order->info.kind;
    if (io.ok()) io = NtxOrder::Open(setup_.env, file, open, &built);
    if (!io.ok()) return IndexError(io, file, "OrdCreate");
    auto ntxBag = std::make_unique<Bag>();
    ntxBag->file = file;
    bag = ntxBag.get();
    bags_.push_back(std::move(ntxBag));
    order->info = built->Info();
    order->index = std::move(built);
  } else {
    std::unique_ptr<CdxTag> tag;
    io = CreateCdxTag(bag->cdx.get(), order->info, &sorter, &tag);
    if (!io.ok()) return IndexError(io, file, "OrdCreate");
    order->info = tag->Info();
    order->index = std::move(tag);
  }
  order->bag = bag;
  orders_.push_back(std::move(order));
  controlling_ = count();
  return {};
}

std::string TableOrders::ProductionBag() const {
  for (const auto& b : bags_) {
    if (b->production && b->cdx) return b->file;
  }
  return "";
}

TableStatus TableOrders::Flush() {
  for (const auto& bag : bags_) {
    if (!bag->cdx) continue;
    if (IoStatus io = bag->cdx->Flush(); !io.ok()) {
      return TableIoError(kGenWrite, kSubWrite, setup_.driver, io, "DbCommit");
    }
  }
  return {};
}

}  // namespace tabrix
