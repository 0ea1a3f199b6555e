#pragma once
// The table area cases, one table of cases for every back-end: the local back-end's drivers
// (table_area_test.cpp) and the database server's driver "ADS" through the stand-in engine
// (tests/data/remote). Each including file defines MakeTableAreaWorld for the drivers it runs.
//
// The cases write tables, appending, writing, memos, navigation, buffering, locks between
// areas and the errors of the write rules, and read the files back with the format decoders.

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "data/env/env_test_support.h"
#include "data/formats/dbf_header.h"
#include "data/formats/dbf_record.h"
#include "data/formats/dbt_memo.h"
#include "data/formats/fpt_memo.h"
#include "data/table/table_area.h"
#include "data/table/table_errors.h"
#include "data/table/table_test_support.h"
#include "data/table/table_world.h"

namespace tabrix {

namespace table_area_cases {

// What an N field holding `text` reads as.
inline Decimal Dec(std::string_view text) {
  return Decimal::FromText(text).value();
}

using testing_support::RecordingHandler;

// Code page 850 text: "Müller", "Straße", "Größe".
const std::string kMueller = "M\x81ller";
const std::string kStrasse =
    "Stra\xe1"
    "e";
const std::string kGroesse =
    "Gr\x94\xe1"
    "e";

const std::vector<StructureRow> kCustomer = {
    {"NAME", 'C', 30, 0}, {"UMSATZ", 'N', 10, 2}, {"GEBDAT", 'D', 8, 0},
    {"AKTIV", 'L', 1, 0}, {"NOTIZ", 'M', 10, 0},
};

class TableAreaTest : public testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    world_ = MakeTableAreaWorld(GetParam());
    ASSERT_TRUE(world_);
  }
  void TearDown() override {
    CloseAllAreas();
    SelectArea(1);
    world_.reset();
  }
  std::string Driver() const { return GetParam(); }
  bool Ntx() const { return Driver() == "DBFNTX"; }
  std::string MemoName(const std::string& base) const { return base + (Ntx() ? ".dbt" : ".fpt"); }

  std::vector<uint8_t> FileBytes(const std::string& name) {
    std::optional<std::string> bytes = testing_support::ReadWholeFile(*world_->files(), name);
    EXPECT_TRUE(bytes) << name;
    return testing_support::Bytes(bytes.value_or(""));
  }

  // Creates KUNDEN.DBF with three records (the second deleted) and closes it.
  void WriteCustomers() {
    CreateTable("KUNDEN.DBF", kCustomer, Driver());
    ASSERT_TRUE(OpenTable(false, Driver(), "KUNDEN", "", false, false));
    struct Row {
      std::string name;
      double umsatz;
      Date gebdat;
      bool aktiv;
      std::string notiz;
    } rows[] = {{kMueller, 1250.5, {1961, 4, 3}, true, "Stammkunde.\r\nZahlt p\x81nktlich."},
                {kStrasse, -17.25, {}, false, std::string(2000, 'x')},
                {kGroesse, 0, {2024, 2, 29}, true, ""}};
    for (const Row& r : rows) {
      ASSERT_TRUE(AppendRecord());
      PutField(1, r.name);
      PutField(2, r.umsatz);
      PutField(3, r.gebdat);
      PutField(4, r.aktiv);
      PutField(5, r.notiz);
    }
    GoTo(2);
    MarkDeleted();
    CloseArea();
  }

  std::unique_ptr<TableAreaWorld> world_;
};

TEST_P(TableAreaTest, WrittenTableReadsBackThroughTheAreas) {
  RecordingHandler handler;
  WriteCustomers();
  ASSERT_TRUE(OpenTable(false, Driver(), "kunden.dbf", "K", true, true));
  EXPECT_EQ(RecordCount(), 3);
  EXPECT_EQ(Structure(), kCustomer);
  EXPECT_EQ(RecordNumber(), 1);
  EXPECT_EQ(GetField(1), Value(kMueller + std::string(24, ' ')));
  EXPECT_EQ(GetField(2), Value(Dec("1250.50")));
  EXPECT_EQ(GetField(3), Value(Date{1961, 4, 3}));
  EXPECT_EQ(GetField(4), Value(true));
  EXPECT_EQ(GetField(5), Value(std::string("Stammkunde.\r\nZahlt p\x81nktlich.")));
  Skip();  // record 2 is deleted and invisible
  EXPECT_EQ(RecordNumber(), 3);
  EXPECT_EQ(GetFieldByName(0, "notiz"), Value(std::string()));
  EXPECT_EQ(GetFieldByName(AreaOfAlias("k"), "GEBDAT"), Value(Date{2024, 2, 29}));
  GoTo(2);
  EXPECT_TRUE(IsDeleted());
  EXPECT_EQ(GetField(2), Value(Dec("-17.25")));
  EXPECT_EQ(GetField(5), Value(std::string(2000, 'x')));
  EXPECT_TRUE(handler.errors.empty());
}

// The files themselves, read with the format decoders: header count, date, code page, EOF
// byte, version and memo file of the dialect.
TEST_P(TableAreaTest, WrittenFilesFollowTheFormat) {
  RecordingHandler handler;
  const Date today{2031, 7, 14};
  world_->SetLocalTime({today, 9, 30, 0});
  WriteCustomers();
  std::vector<uint8_t> dbf = FileBytes("KUNDEN.DBF");
  Result<DbfHeader> h = ParseDbfHeader(dbf, dbf.size(), "KUNDEN.DBF");
  ASSERT_TRUE(h.ok()) << h.error().ToString();
  EXPECT_EQ(h.value().version, Ntx() ? 0x83 : 0xF5);
  EXPECT_EQ(h.value().headerRecordCount, 3u);
  EXPECT_EQ(h.value().codePageMark, 0x02);
  EXPECT_EQ(Date(h.value().updateYear, h.value().updateMonth, h.value().updateDay), today);
  ASSERT_EQ(dbf.size(), h.value().RecordOffset(4) + 1);
  EXPECT_EQ(dbf.back(), kDbfEofMarker);
  EXPECT_EQ(dbf[h.value().headerLength - 1], kDbfHeaderTerminator);

  std::vector<uint8_t> memo = FileBytes(MemoName("KUNDEN"));
  std::unique_ptr<MemoSource> source;
  if (Ntx()) {
    auto r = DbtMemoReader::Open(memo, DbtFlavour::kDbase3, "KUNDEN.dbt");
    ASSERT_TRUE(r.ok());
    source = std::make_unique<DbtMemoReader>(std::move(r.value()));
  } else {
    auto r = FptMemoReader::Open(memo, "KUNDEN.fpt");
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.value().header().blockSize, kFptDefaultBlockSize);
    source = std::make_unique<FptMemoReader>(std::move(r.value()));
  }
  DbfRecordDecoder decoder(h.value(), "KUNDEN.DBF", source.get());
  auto field = [&](uint32_t n, size_t i) {
    std::span<const uint8_t> rec(dbf.data() + h.value().RecordOffset(n), h.value().recordLength);
    Result<Value> v = decoder.Field(rec, h.value().RecordOffset(n), i);
    EXPECT_TRUE(v.ok());
    return v.ok() ? v.value() : Value();
  };
  EXPECT_EQ(field(1, 0), Value(kMueller + std::string(24, ' ')));
  EXPECT_EQ(field(2, 4), Value(std::string(2000, 'x')));
  EXPECT_EQ(field(3, 1), Value(Decimal{}));
  std::span<const uint8_t> rec2(dbf.data() + h.value().RecordOffset(2), h.value().recordLength);
  EXPECT_TRUE(RecordIsDeleted(rec2));
  // N(10,2) is stored right-aligned with two decimals.
  EXPECT_EQ(std::string(dbf.begin() + h.value().RecordOffset(2) + 31,
                        dbf.begin() + h.value().RecordOffset(2) + 41),
            "    -17.25");
}

TEST_P(TableAreaTest, CharacterValuesAreCutAndPadded) {
  RecordingHandler handler;
  CreateTable("T", {{"NAME", 'C', 30, 0}}, Driver());
  ASSERT_TRUE(OpenTable(false, Driver(), "T", "", false, false));
  const struct {
    std::string in, stored;
  } cases[] = {{std::string(40, 'a') + "tail", std::string(30, 'a')},
               {"ab", "ab" + std::string(28, ' ')},
               {"", std::string(30, ' ')}};
  for (const auto& c : cases) {
    ASSERT_TRUE(AppendRecord());
    PutField(1, c.in);
    GoTop();  // the buffer is written back on the move
    GoBottom();
    EXPECT_EQ(GetField(1), Value(c.stored));
  }
  EXPECT_TRUE(handler.errors.empty());
}

TEST_P(TableAreaTest, MemosAreReplacedAndEmptied) {
  RecordingHandler handler;
  CreateTable("M", {{"TEXT", 'M', 10, 0}}, Driver());
  ASSERT_TRUE(OpenTable(false, Driver(), "M", "", true, false));
  ASSERT_TRUE(AppendRecord());
  const std::string values[] = {"short", "also short", std::string(5000, 'q'), "tiny", ""};
  size_t memoSize = 0;
  for (const std::string& v : values) {
    PutField(1, v);
    CommitArea();
    GoTo(1);
    EXPECT_EQ(GetField(1), Value(v));
    const size_t size = FileBytes(MemoName("M")).size();
    if (v == "also short" && !Ntx()) {
      EXPECT_EQ(size, memoSize);  // in place: fits its block
    }
    memoSize = size;
  }
  EXPECT_TRUE(handler.errors.empty());
}

// Deleted records are invisible to GoTop, GoBottom and Skip; the end and beginning positions.
TEST_P(TableAreaTest, NavigationOverDeletedRecords) {
  RecordingHandler handler;
  CreateTable("N", {{"NR", 'N', 5, 0}}, Driver());
  ASSERT_TRUE(OpenTable(false, Driver(), "N", "", false, false));
  // Records 1 ... 6; 1, 4, 5 and 6 deleted.
  for (int i = 1; i <= 6; ++i) {
    ASSERT_TRUE(AppendRecord());
    PutField(1, double(i));
    if (i == 1 || i >= 4) MarkDeleted();
  }
  GoTop();
  EXPECT_EQ(RecordNumber(), 2);
  EXPECT_FALSE(AtBeginning());
  GoBottom();
  EXPECT_EQ(RecordNumber(), 3);
  EXPECT_LT(RecordNumber(), RecordCount());
  Skip();
  EXPECT_TRUE(AtEnd());
  EXPECT_EQ(RecordNumber(), 7);
  EXPECT_EQ(GetField(1), Value(Decimal{}));
  EXPECT_FALSE(IsDeleted());
  Skip(-1);
  EXPECT_EQ(RecordNumber(), 3);
  EXPECT_FALSE(AtEnd());
  Skip(-5);
  EXPECT_TRUE(AtBeginning());
  EXPECT_EQ(RecordNumber(), 2);
  GoTo(5);
  EXPECT_EQ(RecordNumber(), 5);
  EXPECT_TRUE(IsDeleted());
  Skip(-1);
  EXPECT_EQ(RecordNumber(), 3);
  for (int64_t outside : {int64_t{0}, int64_t{7}, int64_t{-3}, int64_t{1000}}) {
    GoTo(outside);
    EXPECT_TRUE(AtEnd());
    EXPECT_EQ(RecordNumber(), 7);
  }
  EXPECT_FALSE(SetDeletedVisible(true));
  EXPECT_TRUE(DeletedVisible());
  GoTop();
  EXPECT_EQ(RecordNumber(), 1);
  GoBottom();
  EXPECT_EQ(RecordNumber(), 6);
  EXPECT_TRUE(SetDeletedVisible(false));
  EXPECT_FALSE(DeletedVisible());
  // Only deleted records: both flags at once, at the end position.
  GoTo(2);
  MarkDeleted();
  GoTo(3);
  MarkDeleted();
  for (void (*go)() : {&GoTop, &GoBottom}) {
    go();
    EXPECT_TRUE(AtEnd());
    EXPECT_TRUE(AtBeginning());
    EXPECT_EQ(RecordNumber(), 7);
  }
  GoTo(3);
  UnmarkDeleted();
  GoTop();
  EXPECT_EQ(RecordNumber(), 3);
  EXPECT_FALSE(AtEnd());
  EXPECT_TRUE(handler.errors.empty());
}

// Walking a table larger than the read-ahead block both ways visits every record once.
TEST_P(TableAreaTest, LongWalksBothWays) {
  RecordingHandler handler;
  CreateTable("L", {{"NR", 'N', 7, 0}, {"PAD", 'C', 200, 0}}, Driver());
  ASSERT_TRUE(OpenTable(false, Driver(), "L", "", false, false));
  const int kRecords = 1000;
  for (int i = 1; i <= kRecords; ++i) {
    ASSERT_TRUE(AppendRecord());
    PutField(1, double(i));
    if (i % 7 == 0) MarkDeleted();
  }
  CloseArea();
  ASSERT_TRUE(OpenTable(false, Driver(), "L", "", true, true));
  int expected = 1, seen = 0;
  for (GoTop(); !AtEnd(); Skip(), ++seen) {
    if (expected % 7 == 0) ++expected;
    ASSERT_EQ(GetField(1), Value(Decimal::FromInt(expected++)));
  }
  EXPECT_EQ(seen, kRecords - kRecords / 7);
  seen = 0;
  for (GoBottom(); !AtBeginning(); Skip(-1)) ++seen;
  EXPECT_EQ(seen, kRecords - kRecords / 7);
  EXPECT_EQ(RecordNumber(), 1);
  EXPECT_TRUE(handler.errors.empty());
}

// Exclusive tables hold appended records and memos back and write them in large pieces:
// whatever the order of appends, moves back, rewrites and reads, every value reads back in
// the area and from the closed files, and the table ends with exactly one end-of-file byte.
TEST_P(TableAreaTest, ExclusiveAppendsWrittenBehindReadBack) {
  RecordingHandler handler;
  CreateTable("X", {{"NR", 'N', 7, 0}, {"PAD", 'C', 120, 0}, {"NOTE", 'M', 10, 0}}, Driver());
  ASSERT_TRUE(OpenTable(false, Driver(), "X", "", false, false));
  // Enough records and memo text to fill both write-behind buffers several times over.
  const int kRecords = 4000;
  auto note = [](int i) { return "note " + std::to_string(i) + std::string(i % 700, 'n'); };
  std::vector<std::string> notes(kRecords + 1);
  for (int i = 1; i <= kRecords; ++i) {
    ASSERT_TRUE(AppendRecord());
    PutField(1, double(i));
    PutField(2, std::string(i % 120, 'p'));
    PutField(3, notes[i] = note(i));
    if (i % 1500 == 0) {
      // Back to records still held back: they read as written, and a rewrite sticks.
      const int back = i - 3;
      GoTo(back);
      ASSERT_EQ(GetField(1), Value(Decimal::FromInt(back)));
      ASSERT_EQ(GetField(3), Value(notes[back]));
      PutField(3, notes[back] = "rewritten " + std::string(900, 'r'));
      GoBottom();
      ASSERT_EQ(RecordNumber(), i);
      ASSERT_EQ(GetField(3), Value(notes[i]));
    }
  }
  auto readAll = [&] {
    int n = 0;
    // Also read into one value per field, kept across records as bulk readers keep them: the
    // memo strings grow and shrink from record to record.
    Value held[3];
    for (GoTop(); !AtEnd(); Skip()) {
      ++n;
      ASSERT_EQ(GetField(1), Value(Decimal::FromInt(n)));
      ASSERT_EQ(GetField(2), Value(std::string(n % 120, 'p') + std::string(120 - n % 120, ' ')));
      ASSERT_EQ(GetField(3), Value(notes[static_cast<size_t>(n)]));
      for (int f = 1; f <= 3; ++f) {
        GetFieldInto(f, &held[f - 1]);
        ASSERT_EQ(held[f - 1], GetField(f)) << n << " " << f;
      }
    }
    EXPECT_EQ(n, kRecords);
  };
  readAll();
  CloseArea();
  std::vector<uint8_t> dbf = FileBytes("X.DBF");
  Result<DbfHeader> h = ParseDbfHeader(dbf, dbf.size(), "X.DBF");
  ASSERT_TRUE(h.ok());
  EXPECT_EQ(h.value().recordCount, uint32_t(kRecords));
  EXPECT_EQ(dbf.size(), h.value().RecordOffset(kRecords + 1) + 1);
  EXPECT_EQ(dbf.back(), kDbfEofMarker);
  ASSERT_TRUE(OpenTable(false, Driver(), "X", "", true, true));
  readAll();
  EXPECT_TRUE(handler.errors.empty());
}

// Sessions one after another, exclusive and shared: each appends records with memos after
// those of the sessions before and replaces some of theirs (shorter, longer, emptied); every
// value reads back in the next session.
TEST_P(TableAreaTest, LaterSessionsAppendAfterAndReplaceEarlierMemos) {
  RecordingHandler handler;
  CreateTable("R", {{"NOTE", 'M', 10, 0}}, Driver());
  std::vector<std::string> notes;
  for (int session = 0; session < 4; ++session) {
    SCOPED_TRACE(session);
    const bool shared = session % 2 == 1;
    ASSERT_TRUE(OpenTable(false, Driver(), "R", "", shared, false));
    for (size_t i = 0; i < notes.size(); ++i) {
      GoTo(static_cast<int64_t>(i + 1));
      ASSERT_EQ(GetField(1), Value(notes[i])) << i;
    }
    for (int i = 0; i < 50; ++i) {
      ASSERT_TRUE(AppendRecord());
      notes.push_back(std::to_string(session) + ":" +
                      std::string(static_cast<size_t>(i * 37), 'n'));
      PutField(1, notes.back());
    }
    for (size_t i = static_cast<size_t>(session); i < notes.size(); i += 9) {
      GoTo(static_cast<int64_t>(i + 1));
      ASSERT_TRUE(!shared || LockRecord());
      const size_t size = i % 3 == 0 ? notes[i].size() / 2 : i % 3 == 1 ? notes[i].size() + 300 : 0;
      notes[i] = std::string(size, static_cast<char>('a' + session));
      PutField(1, notes[i]);
    }
    CloseArea();
  }
  ASSERT_TRUE(OpenTable(false, Driver(), "R", "", true, true));
  ASSERT_EQ(RecordCount(), static_cast<int64_t>(notes.size()));
  for (GoTop(); !AtEnd(); Skip()) {
    ASSERT_EQ(GetField(1), Value(notes[static_cast<size_t>(RecordNumber() - 1)]));
  }
  EXPECT_TRUE(handler.errors.empty());
}

// Writes are buffered per record: another handle sees them after a move, commit, unlock or
// close, and not before.
TEST_P(TableAreaTest, OneBufferPerRecordReachesTheFileOnMoveCommitUnlockClose) {
  RecordingHandler handler;
  CreateTable("B", {{"NAME", 'C', 10, 0}}, Driver());
  ASSERT_TRUE(OpenTable(false, Driver(), "B", "W", true, false));
  ASSERT_TRUE(AppendRecord());
  ASSERT_TRUE(AppendRecord());
  UnlockArea();
  ASSERT_TRUE(OpenTable(true, Driver(), "B", "R", true, true));
  const int writer = AreaOfAlias("W"), reader = AreaOfAlias("R");
  auto seen = [&] {
    return EvaluateInArea(reader, [] {
      GoTo(1);
      return std::get<std::string>(GetField(1));
    });
  };
  struct Case {
    const char* value;
    void (*flush)();
  } cases[] = {{"move", [] { GoTo(2); }},
               {"commit", [] { CommitArea(); }},
               {"unlock", [] { UnlockArea(); }},
               {"close", [] { CloseArea(); }}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    SelectArea(writer);
    if (!IsAreaUsed()) {
      ASSERT_TRUE(OpenTable(false, Driver(), "B", "W", true, false));
    }
    GoTo(1);
    ASSERT_TRUE(LockRecord());
    PutField(1, std::string(c.value));
    EXPECT_NE(seen(), std::string(c.value) + std::string(10 - strlen(c.value), ' '));
    SelectArea(writer);
    c.flush();
    EXPECT_EQ(seen(), std::string(c.value) + std::string(10 - strlen(c.value), ' '));
    SelectArea(writer);
    UnlockArea();
  }
  EXPECT_EQ(AreaOfAlias(), writer);
  EXPECT_TRUE(handler.errors.empty());
}

// Two areas on one shared table exclude each other exactly as two programs do.
TEST_P(TableAreaTest, LocksBetweenAreas) {
  RecordingHandler handler;
  CreateTable("K", {{"NAME", 'C', 10, 0}}, Driver());
  ASSERT_TRUE(OpenTable(false, Driver(), "K", "A", false, false));
  for (int i = 0; i < 8; ++i) ASSERT_TRUE(AppendRecord());
  CloseArea();
  ASSERT_TRUE(OpenTable(true, Driver(), "K", "A", true, false));
  ASSERT_TRUE(OpenTable(true, Driver(), "K", "B", true, false));
  const int a = AreaOfAlias("A"), b = AreaOfAlias("B");
  auto lockIn = [](int area, int64_t recno) {
    return EvaluateInArea(area, [recno] {
      GoTo(recno);
      return LockRecord();
    });
  };
  ASSERT_TRUE(lockIn(a, 5));
  EXPECT_FALSE(lockIn(b, 5));
  EXPECT_TRUE(lockIn(b, 6));
  EXPECT_FALSE(EvaluateInArea(b, [] { return LockTable(); }));
  // A second LockRecord in the same area releases the first lock.
  ASSERT_TRUE(lockIn(a, 4));
  EXPECT_TRUE(lockIn(b, 5));
  // AppendRecord releases the area's record locks (a non-logical argument counts as true)...
  EXPECT_TRUE(EvaluateInArea(a, [] { return AppendRecord(Value(1.0)); }));
  EXPECT_TRUE(lockIn(b, 4));
  // ... unless told not to.
  ASSERT_TRUE(lockIn(a, 3));
  EXPECT_TRUE(EvaluateInArea(a, [] { return AppendRecord(false); }));
  EXPECT_FALSE(lockIn(b, 3));
  EXPECT_FALSE(lockIn(b, 10));
  EvaluateInArea(a, [] { UnlockArea(); });
  EXPECT_TRUE(lockIn(b, 3));
  EvaluateInArea(b, [] { UnlockArea(); });
  EXPECT_TRUE(EvaluateInArea(a, [] { return LockTable(); }));
  EXPECT_FALSE(lockIn(b, 1));
  // The append waits for the header lock between its tries on the Env's clock.
  const std::chrono::milliseconds slept = world_->totalSleep();
  EXPECT_FALSE(EvaluateInArea(b, [] { return AppendRecord(); }));
  EXPECT_GT(world_->totalSleep(), slept);
  EXPECT_EQ(handler.TakeCodes(), std::vector<int>{kGenAppendLock});
  EXPECT_TRUE(lockIn(a, 7));  // the table lock covers every record
  EXPECT_EQ(EvaluateInArea(b, [] { return RecordCount(); }), 10);
  EXPECT_TRUE(handler.errors.empty());
}

// Numbers of as many digits as N fields hold go through PutField and back digit for digit, at
// the width of their field; rounding to the field's decimals is half away from zero.
TEST_P(TableAreaTest, ExactNumbersKeepEveryDigit) {
  RecordingHandler handler;
  CreateTable("X", {{"ID", 'N', 20, 0}, {"AMOUNT", 'N', 19, 2}, {"RATE", 'N', 5, 1}}, Driver());
  ASSERT_TRUE(OpenTable(false, Driver(), "X", "", false, false));
  struct Case {
    const char* id;
    const char* amount;
    const char* rate;
    const char* rateRead;  // after rounding to one decimal
  } cases[] = {
      {"12345678901234567890", "1234567890123456.78", "0.05", "0.1"},
      {"99999999999999999999", "-123456789012345.67", "-0.05", "-0.1"},
      {"-1234567890123456789", "-0.01", "999.9", "999.9"},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(AppendRecord());
    PutField(1, Dec(c.id));
    PutField(2, Dec(c.amount));
    PutField(3, Dec(c.rate));
  }
  CloseArea();
  EXPECT_TRUE(handler.errors.empty());
  ASSERT_TRUE(OpenTable(false, Driver(), "X", "", true, true));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    EXPECT_EQ(std::get<Decimal>(GetField(1)).Text(), c.id);
    EXPECT_EQ(std::get<Decimal>(GetField(2)).Text(), c.amount);
    EXPECT_EQ(std::get<Decimal>(GetField(3)).Text(), c.rateRead);
    Skip();
  }
  CloseArea();
}

// The write rules, each with its generic code; a failed write changes nothing.
TEST_P(TableAreaTest, WriteRulesRaiseTheirCodes) {
  RecordingHandler handler;
  CreateTable("W", {{"NAME", 'C', 5, 0}, {"NR", 'N', 4, 1}, {"D", 'D', 8, 0}, {"L", 'L', 1, 0}},
              Driver());
  ASSERT_TRUE(OpenTable(false, Driver(), "W", "", false, false));
  ASSERT_TRUE(AppendRecord());
  CloseArea();
  struct Case {
    const char* what;
    bool shared, readOnly, lock;
    int position;
    Value value;
    int code;
  } cases[] = {
      {"read-only", false, true, false, 1, std::string("x"), kGenReadOnly},
      {"shared without lock", true, false, false, 1, std::string("x"), kGenUnlocked},
      {"string into N", false, false, false, 2, std::string("12"), kGenDataType},
      {"number into C", false, false, false, 1, 1.0, kGenDataType},
      {"logical into D", false, false, false, 3, true, kGenDataType},
      {"date into L", false, false, false, 4, Date{2020, 1, 1}, kGenDataType},
      {"Null into C", false, false, false, 1, Null{}, kGenDataType},
      {"too wide", false, false, false, 2, 12345.0, kGenDataWidth},
      // N(4,1) holds "99.9"; one integer digit more, or a rounding that carries into one, not.
      {"exact number one digit too wide", false, false, false, 2, Dec("100.0"), kGenDataWidth},
      {"exact number rounding past the width", false, false, false, 2, Dec("99.95"), kGenDataWidth},
      {"invalid date", false, false, false, 3, Date{2021, 2, 30}, kGenDataWidth},
      {"no such position", false, false, false, 5, std::string("x"), kGenArg},
      {"position 0", false, false, false, 0, std::string("x"), kGenArg},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(OpenTable(false, Driver(), "W", "", c.shared, c.readOnly));
    if (c.lock) {
      ASSERT_TRUE(LockRecord());
    }
    PutField(c.position, c.value);
    EXPECT_EQ(handler.TakeCodes(), std::vector<int>{c.code});
    CloseArea();
    ASSERT_TRUE(OpenTable(false, Driver(), "W", "", true, true));
    EXPECT_EQ(GetField(1), Value(std::string(5, ' ')));
    EXPECT_EQ(GetField(2), Value(Decimal{}));
    CloseArea();
  }
  // Deletion marks follow the same rules.
  ASSERT_TRUE(OpenTable(false, Driver(), "W", "", true, false));
  MarkDeleted();
  EXPECT_EQ(handler.TakeCodes(), std::vector<int>{kGenUnlocked});
  ASSERT_TRUE(LockRecord());
  MarkDeleted();
  PutField(2, 12.3);
  EXPECT_TRUE(handler.errors.empty());
  CloseArea();
  // A free area has no fields.
  PutField(1, std::string("x"));
  EXPECT_EQ(GetField(1), Value(Null{}));
  EXPECT_FALSE(AppendRecord());
  EXPECT_EQ(handler.TakeCodes(), (std::vector<int>{kGenNoTable, kGenNoTable, kGenNoTable}));
}

// Two areas appending and writing to one shared table: neither overwrites the other's
// records, and a memo rewritten in place by one is seen by the other after it locks.
TEST_P(TableAreaTest, SharedWritersKeepEachOthersRecordsAndMemos) {
  RecordingHandler handler;
  CreateTable("S", {{"NAME", 'C', 4, 0}, {"NOTE", 'M', 10, 0}}, Driver());
  ASSERT_TRUE(OpenTable(false, Driver(), "S", "A", true, false));
  ASSERT_TRUE(OpenTable(true, Driver(), "S", "B", true, false));
  const int a = AreaOfAlias("A"), b = AreaOfAlias("B");
  SelectArea(a);
  ASSERT_TRUE(AppendRecord());
  PutField(1, std::string("a"));
  PutField(2, std::string("first"));
  SelectArea(b);
  ASSERT_TRUE(AppendRecord());
  PutField(1, std::string("b"));
  UnlockArea();
  SelectArea(a);
  UnlockArea();  // writes record 1 while record 2 exists behind it
  SelectArea(b);
  GoTo(1);
  EXPECT_EQ(GetField(2), Value(std::string("first")));
  SelectArea(a);
  ASSERT_TRUE(LockRecord());
  PutField(2, std::string("again"));  // same length: FPT rewrites it in place
  UnlockArea();
  SelectArea(b);
  ASSERT_TRUE(LockRecord());
  EXPECT_EQ(GetField(2), Value(std::string("again")));
  UnlockArea();
  CloseAllAreas();
  ASSERT_TRUE(OpenTable(false, Driver(), "S", "", true, true));
  EXPECT_EQ(RecordCount(), 2);
  std::string names;
  for (GoTop(); !AtEnd(); Skip()) names += std::get<std::string>(GetField(1));
  EXPECT_EQ(names, "a   b   ");
  std::vector<uint8_t> dbf = FileBytes("S.DBF");
  Result<DbfHeader> h = ParseDbfHeader(dbf, dbf.size(), "S.DBF");
  ASSERT_TRUE(h.ok());
  EXPECT_EQ(dbf[h.value().RecordOffset(2)], kDbfLiveFlag);  // not an end-of-file byte
  EXPECT_EQ(dbf.size(), h.value().RecordOffset(3) + 1);
  EXPECT_EQ(dbf.back(), kDbfEofMarker);
  EXPECT_TRUE(handler.errors.empty());
}

// Changing records without appending still sets the last-update date, on shared and
// exclusive tables, and never touches the count. The change comes on a later day than the
// table was written (one second after midnight of New Year).
TEST_P(TableAreaTest, ChangedTablesCarryTodaysDate) {
  RecordingHandler handler;
  for (bool shared : {true, false}) {
    SCOPED_TRACE(shared);
    world_->SetLocalTime({{2030, 12, 31}, 23, 59, 59});
    WriteCustomers();
    world_->SleepFor(std::chrono::seconds(2));
    std::vector<uint8_t> before = FileBytes("KUNDEN.DBF");
    std::string old(before.begin(), before.end());
    old[1] = 90;  // 1990-01-01
    old[2] = old[3] = 1;
    std::unique_ptr<File> f;
    ASSERT_TRUE(world_->files()->Open("KUNDEN.DBF", {}, &f).ok());
    ASSERT_TRUE(f->WriteAt(0, {reinterpret_cast<const uint8_t*>(old.data()), 4}).ok());
    f.reset();
    ASSERT_TRUE(OpenTable(false, Driver(), "KUNDEN", "", shared, false));
    ASSERT_TRUE(LockRecord());
    PutField(2, 1.0);
    CloseArea();
    std::vector<uint8_t> after = FileBytes("KUNDEN.DBF");
    Result<DbfHeader> h = ParseDbfHeader(after, after.size(), "KUNDEN.DBF");
    ASSERT_TRUE(h.ok());
    EXPECT_EQ(Date(h.value().updateYear, h.value().updateMonth, h.value().updateDay),
              (Date{2031, 1, 1}));
    EXPECT_EQ(h.value().headerRecordCount, 3u);
  }
  EXPECT_TRUE(handler.errors.empty());
}

}  // namespace table_area_cases
}  // namespace tabrix
