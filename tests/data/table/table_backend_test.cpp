// The area rules over a back-end that is not the local one: a table kept in memory by this
// test behind the TableBackend interface, registered under its own driver name. Positions,
// visibility of deleted records, the read-only and lock write rules and the errors raised to
// the handler must come out as they do over DBF files (table_area_test.cpp), because they live
// above the interface; whatever the fake does not do itself, the areas must.

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "data/env/memory_env.h"
#include "data/table/table_area.h"
#include "data/table/table_backend.h"
#include "data/table/table_errors.h"
#include "data/table/table_test_support.h"

namespace tabrix {
namespace {

using testing_support::RecordingHandler;

constexpr const char* kFake = "FAKE";

struct FakeRecord {
  bool deleted = false;
  std::vector<Value> values;
};

// What the fake keeps between opens, and what the test sees of the calls that reached it.
struct FakeTable {
  std::vector<StructureRow> fields = {{"NAME", 'C', 3, 0},
                                      {"NR", 'N', 5, 1},
                                      {"D", 'D', 8, 0},
                                      {"L", 'L', 1, 0},
                                      {"M", 'M', 10, 0}};
  std::vector<FakeRecord> records;
  std::set<uint32_t> heldElsewhere;  // records another program has locked
  int failGoTo = 0;                  // the next GoTo calls that fail
  int failRead = 0;                  // the next FieldInto calls that fail
  int writes = 0;                    // PutField, SetDeleted and Append calls that arrived
  std::vector<StructureRow> created;

  // Records with the deletion marks of `marks` ('x' deleted, anything else live).
  void Fill(const std::string& marks) {
    records.clear();
    for (char c : marks) {
      records.push_back({c == 'x', {std::string("abc"), 1.0, Date{2020, 1, 2}, true, ""}});
    }
  }
};

FakeTable* gTable = nullptr;

class FakeBackend final : public TableBackend {
 public:
  explicit FakeBackend(const BackendRequest& r)
      : fileName_(r.fileName), shared_(r.shared), readOnly_(r.readOnly) {}

  const std::string& driver() const override { return driver_; }
  const std::string& fileName() const override { return fileName_; }
  bool shared() const override { return shared_; }
  bool readOnly() const override { return readOnly_; }
  const std::string& productionIndex() const override { return none_; }
  const std::vector<StructureRow>& fields() const override { return gTable->fields; }
  uint8_t codePageMark() const override { return 0x03; }

  uint32_t count() const override { return count_; }
  TableStatus RefreshCount() override {
    count_ = static_cast<uint32_t>(gTable->records.size());
    return {};
  }
  uint32_t recno() const override { return recno_; }
  TableStatus GoTo(uint32_t n, bool) override {
    if (gTable->failGoTo > 0) {
      --gTable->failGoTo;
      ErrorObject e = TableError(kGenRead, kSubRead, kFake, "Read error", fileName_, "GoTo");
      e.canRetry = true;
      return e;
    }
    recno_ = n >= 1 && n <= count_ ? n : count_ + 1;
    return {};
  }
  bool deleted() const override { return Here() && Here()->deleted; }
  Status FieldInto(size_t column, Value* out) const override {
    if (gTable->failRead > 0) {
      --gTable->failRead;
      return Corruption(fileName_, recno_, "unreadable");
    }
    *out = Here() ? Here()->values[column] : Value(Null{});
    return {};
  }

  TableStatus PutField(size_t column, const Value& value) override {
    ++gTable->writes;
    if (FakeRecord* r = Here()) r->values[column] = value;
    return {};
  }
  TableStatus SetDeleted(bool deleted) override {
    ++gTable->writes;
    if (FakeRecord* r = Here()) r->deleted = deleted;
    return {};
  }
  TableStatus Append(bool releaseOthers) override {
    ++gTable->writes;
    if (releaseOthers) locks_.clear();
    gTable->records.push_back({false, {std::string("   "), 0.0, Date{}, false, ""}});
    count_ = recno_ = static_cast<uint32_t>(gTable->records.size());
    if (shared_) locks_.insert(recno_);
    return {};
  }

  bool LockRecord() override {
    if (tableLock_) return true;
    locks_.clear();
    if (!Here() || gTable->heldElsewhere.count(recno_)) return false;
    locks_.insert(recno_);
    return true;
  }
  bool LockTable() override {
    locks_.clear();
    tableLock_ = gTable->heldElsewhere.empty();
    return tableLock_;
  }
  bool RecordLocked(uint32_t n) const override { return tableLock_ || locks_.count(n) != 0; }
  TableStatus Unlock() override {
    locks_.clear();
    tableLock_ = false;
    return {};
  }
  TableStatus Commit() override { return {}; }
  TableStatus Close() override { return {}; }

 private:
  FakeRecord* Here() const {
    return recno_ >= 1 && recno_ <= count_ ? &gTable->records[recno_ - 1] : nullptr;
  }

  std::string driver_ = kFake;
  std::string fileName_;
  std::string none_;
  bool shared_;
  bool readOnly_;
  uint32_t count_ = 0;
  uint32_t recno_ = 1;
  std::set<uint32_t> locks_;
  bool tableLock_ = false;
};

TableStatus OpenFake(const BackendRequest& r, std::unique_ptr<TableBackend>* out) {
  *out = std::make_unique<FakeBackend>(r);
  return {};
}

TableStatus CreateFake(Env*, const std::string&, const std::vector<StructureRow>& rows,
                       const std::string&) {
  gTable->created = rows;
  return {};
}

class TableBackendTest : public testing::Test {
 protected:
  void SetUp() override {
    gTable = &table_;
    previousEnv_ = SetTableEnv(env_.get());
    RegisterBackend({kFake, OpenFake, CreateFake});
  }
  void TearDown() override {
    CloseAllAreas();
    SelectArea(1);
    SetDefaultDriver(kDriverCdx);
    UnregisterBackend(kFake);
    SetTableEnv(previousEnv_);
    gTable = nullptr;
  }
  bool Open(bool shared, bool readOnly) {
    return OpenTable(false, kFake, "T", "", shared, readOnly);
  }

  FakeTable table_;
  std::unique_ptr<Env> env_ = NewMemoryEnv();
  Env* previousEnv_ = nullptr;
};

// The records a walk visits: GoTop then Skip until the end, or GoBottom then Skip(-1) until
// the beginning.
std::vector<int64_t> Walk(bool forward) {
  std::vector<int64_t> seen;
  forward ? GoTop() : GoBottom();
  while (forward ? !AtEnd() : !AtBeginning()) {
    seen.push_back(RecordNumber());
    Skip(forward ? 1 : -1);
    if (seen.size() > 20) break;  // a rule that never ends the walk
  }
  return seen;
}

TEST_F(TableBackendTest, PositionsAndVisibilityAreTheAreas) {
  struct Case {
    const char* marks;
    bool visible;
    std::vector<int64_t> forward, backward;
  } cases[] = {
      {"...", false, {1, 2, 3}, {3, 2, 1}},
      {"x.x.", false, {2, 4}, {4, 2}},
      {"x.x.", true, {1, 2, 3, 4}, {4, 3, 2, 1}},
      {".xx.x", false, {1, 4}, {4, 1}},
      {"xx", false, {}, {}},
      {"", false, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.marks) + (c.visible ? " visible" : " hidden"));
    RecordingHandler handler;
    table_.Fill(c.marks);
    const int64_t end = static_cast<int64_t>(table_.records.size()) + 1;
    const bool old = SetDeletedVisible(c.visible);
    ASSERT_TRUE(Open(false, false));
    EXPECT_EQ(Walk(true), c.forward);
    // Past the last visible record: the end position, only the end flag.
    EXPECT_EQ(RecordNumber(), end);
    EXPECT_EQ(AtBeginning(), c.forward.empty());
    EXPECT_EQ(Walk(false), c.backward);
    // Before the first visible record: stays on it.
    EXPECT_EQ(RecordNumber(), c.forward.empty() ? end : c.forward.front());
    EXPECT_EQ(AtEnd(), c.forward.empty());
    // GoTo lands on any record, deleted or not; beyond the table it is the end.
    for (int64_t n = 1; n < end; ++n) {
      GoTo(n);
      EXPECT_EQ(RecordNumber(), n);
      EXPECT_EQ(IsDeleted(), c.marks[n - 1] == 'x');
      EXPECT_FALSE(AtEnd());
    }
    GoTo(end + 5);
    EXPECT_EQ(RecordNumber(), end);
    EXPECT_TRUE(AtEnd());
    EXPECT_EQ(RecordCount(), end - 1);
    EXPECT_TRUE(handler.errors.empty());
    SetDeletedVisible(old);
  }
}

// The write rules of the open mode and the locks are checked before the back-end sees a
// write, in the order 39, 38; refused writes never reach it, and the errors name the
// back-end's driver and file.
TEST_F(TableBackendTest, WriteRulesAreCheckedAboveTheBackEnd) {
  enum class Lock { kNone, kRecord, kTable, kRecordHeldElsewhere };
  enum class Op { kPut, kMark, kAppend };
  struct Case {
    const char* what;
    bool shared, readOnly;
    Lock lock;
    bool atEnd;
    Op op;
    std::vector<int> codes;
  } cases[] = {
      {"exclusive put", false, false, Lock::kNone, false, Op::kPut, {}},
      {"exclusive mark", false, false, Lock::kNone, false, Op::kMark, {}},
      {"read-only put", false, true, Lock::kNone, false, Op::kPut, {kGenReadOnly}},
      {"read-only mark", false, true, Lock::kNone, false, Op::kMark, {kGenReadOnly}},
      {"read-only append", false, true, Lock::kNone, false, Op::kAppend, {kGenReadOnly}},
      {"read-only before lock", true, true, Lock::kNone, false, Op::kPut, {kGenReadOnly}},
      {"shared unlocked put", true, false, Lock::kNone, false, Op::kPut, {kGenUnlocked}},
      {"shared unlocked mark", true, false, Lock::kNone, false, Op::kMark, {kGenUnlocked}},
      {"record locked", true, false, Lock::kRecord, false, Op::kPut, {}},
      {"table locked", true, false, Lock::kTable, false, Op::kMark, {}},
      {"lock refused", true, false, Lock::kRecordHeldElsewhere, false, Op::kPut, {kGenUnlocked}},
      {"end position", true, false, Lock::kNone, true, Op::kPut, {}},
      {"shared append", true, false, Lock::kNone, false, Op::kAppend, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RecordingHandler handler;
    table_.Fill("..");
    table_.heldElsewhere.clear();
    table_.writes = 0;
    ASSERT_TRUE(Open(c.shared, c.readOnly));
    if (c.atEnd) GoTo(3);
    if (c.lock == Lock::kRecordHeldElsewhere) table_.heldElsewhere.insert(1);
    // Refused locks answer false and raise nothing.
    if (c.lock == Lock::kRecord || c.lock == Lock::kRecordHeldElsewhere) {
      EXPECT_EQ(LockRecord(), c.lock == Lock::kRecord);
    }
    if (c.lock == Lock::kTable) {
      EXPECT_TRUE(LockTable());
    }
    EXPECT_TRUE(handler.errors.empty());
    switch (c.op) {
      case Op::kPut:
        PutField(1, std::string("xyz"));
        break;
      case Op::kMark:
        MarkDeleted();
        break;
      case Op::kAppend:
        EXPECT_EQ(AppendRecord(), c.codes.empty());
        break;
    }
    for (const ErrorObject& e : handler.errors) {
      EXPECT_EQ(e.subSystem, kFake);
      EXPECT_EQ(e.fileName, "T.DBF");
    }
    EXPECT_EQ(handler.TakeCodes(), c.codes);
    EXPECT_EQ(table_.writes, c.codes.empty() ? 1 : 0);
    CloseArea();
  }
}

// What the back-end fails goes to the handler: a retry repeats the step, "default" lets the
// operation fail softly (a walk ends lost, a field reads as the blank of its type), a
// substitute is what GetField returns.
TEST_F(TableBackendTest, BackEndFailuresAreRaisedByTheArea) {
  table_.Fill("..");
  {
    RecordingHandler retry(ErrorAction::kRetry);
    ASSERT_TRUE(Open(true, false));
    table_.failGoTo = 2;
    GoTo(2);
    EXPECT_EQ(RecordNumber(), 2);
    EXPECT_EQ(retry.TakeCodes(), (std::vector<int>{kGenRead, kGenRead}));
  }
  {
    RecordingHandler soft;
    ASSERT_TRUE(Open(true, false));
    table_.failGoTo = 1;
    GoTop();
    EXPECT_TRUE(AtEnd());
    EXPECT_TRUE(AtBeginning());
    EXPECT_EQ(soft.TakeCodes(), std::vector<int>{kGenRead});
    GoTop();
    const Value blanks[] = {std::string("   "), Decimal{}, Date{}, false, std::string()};
    for (int position = 1; position <= 5; ++position) {
      SCOPED_TRACE(position);
      table_.failRead = 1;
      EXPECT_EQ(GetField(position), blanks[position - 1]);
      ASSERT_EQ(soft.errors.size(), 1u);
      EXPECT_EQ(soft.errors[0].subSystem, kFake);
      EXPECT_EQ(soft.errors[0].operation, "GetField");
      soft.errors.clear();
    }
  }
  ScopedErrorHandler substitute([](const ErrorObject&) {
    return ErrorOutcome{ErrorAction::kSubstitute, 7.0};
  });
  ASSERT_TRUE(Open(true, false));
  table_.failRead = 1;
  EXPECT_EQ(GetField(1), Value(7.0));
  EXPECT_EQ(GetField(1), Value(std::string("abc")));
}

// The driver decides the back-end, through the registry alone: an unregistered name is an
// open error, a registered one opens, creates and becomes a valid default.
TEST_F(TableBackendTest, DriversComeFromTheRegistry) {
  RecordingHandler handler;
  table_.Fill(".");
  EXPECT_EQ(RegisteredDrivers(), (std::vector<std::string>{kDriverCdx, kDriverNtx, kFake}));
  ASSERT_TRUE(Open(false, false));
  EXPECT_EQ(DriverOfArea(), kFake);
  EXPECT_EQ(AliasOfArea(), "T");
  EXPECT_EQ(Structure(), table_.fields);
  EXPECT_EQ(FieldPosition("nr"), 2);
  EXPECT_EQ(CodePageMark(), 0x03);
  EXPECT_EQ(GetFieldByName(0, "D"), Value(Date{2020, 1, 2}));
  CreateTable("NEW", {{"A", 'C', 4, 0}}, "fake");
  EXPECT_EQ(table_.created, (std::vector<StructureRow>{{"A", 'C', 4, 0}}));
  EXPECT_EQ(SetDefaultDriver("fake"), kDriverCdx);
  EXPECT_EQ(SetDefaultDriver(), kFake);
  EXPECT_TRUE(handler.errors.empty());

  UnregisterBackend(kFake);
  EXPECT_EQ(RegisteredDrivers(), (std::vector<std::string>{kDriverCdx, kDriverNtx}));
  EXPECT_FALSE(OpenTable(false, kFake, "T", "", false, false));
  CreateTable("NEW", {{"A", 'C', 4, 0}}, kFake);
  EXPECT_EQ(handler.TakeCodes(), (std::vector<int>{kGenOpen, kGenCreate}));
  EXPECT_FALSE(IsAreaUsed());
}

}  // namespace
}  // namespace tabrix
