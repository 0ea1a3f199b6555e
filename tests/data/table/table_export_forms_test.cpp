// Tables of other programs through the areas: the production index bit that a CDX made here
// records, a production CDX whose bit another program left clear, dBASE 7 tables, and fields of
// length 0 and long D fields in tables that open whole.

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "data/base/byte_coding.h"
#include "data/env/memory_env.h"
#include "data/formats/dbf_header.h"
#include "data/table/table_area.h"
#include "data/table/table_errors.h"
#include "data/table/table_test_support.h"

namespace tabrix {
namespace {

using testing_support::RecordingHandler;

const std::vector<StructureRow> kPeople = {
    {"NAME", 'C', 12, 0}, {"BETRAG", 'N', 8, 2}, {"DATUM", 'D', 8, 0}, {"AKTIV", 'L', 1, 0}};

std::string Padded(const std::string& s, size_t n) {
  return s + std::string(n - s.size(), ' ');
}

class ExportFormsTest : public testing::Test {
 protected:
  void SetUp() override { previous_ = SetTableEnv(env_.get()); }
  void TearDown() override {
    CloseAllAreas();
    SelectArea(1);
    SetTableEnv(previous_);
  }
  std::string File(const std::string& name) {
    return testing_support::ReadWholeFile(*env_, name).value_or("");
  }
  uint8_t TableFlags(const std::string& name) {
    const std::string bytes = File(name);
    return bytes.size() > kDbfTableFlagsOffset ? static_cast<uint8_t>(bytes[kDbfTableFlagsOffset])
                                               : 0xEE;
  }
  // KUNDEN.DBF with three people, created for `driver` and left closed.
  void People(const char* driver) {
    CreateTable("KUNDEN.DBF", kPeople, driver);
    ASSERT_TRUE(OpenTable(false, driver, "KUNDEN", "", false, false));
    for (const char* name : {"Meier", "Albers", "Zander"}) {
      ASSERT_TRUE(AppendRecord());
      PutField(1, std::string(name));
    }
    CloseArea();
  }
  std::unique_ptr<MemoryEnv> env_ = NewMemoryEnv();
  Env* previous_ = nullptr;
};

// The table's bytes, byte 28 aside.
std::string WithoutFlags(std::string bytes) {
  if (bytes.size() > kDbfTableFlagsOffset) bytes[kDbfTableFlagsOffset] = 0;
  return bytes;
}

TEST_F(ExportFormsTest, CreateOrderIntoTheProductionCdxSetsTheHeaderBit) {
  RecordingHandler handler;
  People(kDriverCdx);
  EXPECT_EQ(TableFlags("KUNDEN.DBF"), 0);
  const std::string before = File("KUNDEN.DBF");
  ASSERT_TRUE(OpenTable(false, kDriverCdx, "KUNDEN", "", true, false));
  CreateOrder("", "NAME", "NAME");
  EXPECT_EQ(TableFlags("KUNDEN.DBF") & kDbfFlagProductionIndex, kDbfFlagProductionIndex);
  CreateOrder("", "BETRAG", "STR(BETRAG,8,2)");  // the second tag: the bit stays
  ClearOrders();                                 // keeps the CDX this area made
  EXPECT_EQ(OrderCount(), 2);
  CloseArea();
  const std::string after = File("KUNDEN.DBF");
  EXPECT_EQ(static_cast<uint8_t>(after[kDbfTableFlagsOffset]), kDbfFlagProductionIndex);
  EXPECT_EQ(WithoutFlags(after), WithoutFlags(before));  // nothing else changed

  // Opened again: both tags, and the table is written with them.
  ASSERT_TRUE(OpenTable(false, kDriverCdx, "KUNDEN", "", false, false));
  EXPECT_EQ(OrderCount(), 2);
  GoTo(2);
  PutField(1, std::string("Abel"));
  ASSERT_TRUE(AppendRecord());
  PutField(1, std::string("Berg"));
  SetOrder(1);
  std::vector<int64_t> walk;
  for (GoTop(); !AtEnd(); Skip()) walk.push_back(RecordNumber());
  EXPECT_EQ(walk, (std::vector<int64_t>{2, 4, 1, 3}));
  EXPECT_TRUE(handler.errors.empty()) << handler.errors.front().description;

  // A new table of that name removes the index and writes a header without the bit.
  CloseArea();
  CreateTable("KUNDEN.DBF", kPeople, kDriverCdx);
  EXPECT_EQ(TableFlags("KUNDEN.DBF"), 0);
  EXPECT_FALSE(env_->FileExists("KUNDEN.cdx") || env_->FileExists("KUNDEN.CDX"));
}

// Index files that are not the table's production CDX leave the header alone: a CDX of another
// name, and NTX files.
TEST_F(ExportFormsTest, OtherIndexFilesLeaveTheBitClear) {
  RecordingHandler handler;
  for (const char* driver : {kDriverCdx, kDriverNtx}) {
    SCOPED_TRACE(driver);
    People(driver);
    ASSERT_TRUE(OpenTable(false, driver, "KUNDEN", "", false, false));
    CreateOrder(std::string(driver) == kDriverNtx ? "" : "SORT.CDX", "NAME", "NAME");
    EXPECT_EQ(OrderCount(), 1);
    CloseArea();
    EXPECT_EQ(TableFlags("KUNDEN.DBF"), 0);
  }
  EXPECT_TRUE(handler.errors.empty()) << handler.errors.front().description;
}

// A production CDX beside a table whose bit is clear: another program may have written the
// table without keeping it. The orders can be read; every write and every CreateOrder is
// refused (30), and neither file changes.
TEST_F(ExportFormsTest, AnUnmarkedProductionCdxIsReadButNeverWrittenBehind) {
  RecordingHandler handler;
  People(kDriverCdx);
  ASSERT_TRUE(OpenTable(false, kDriverCdx, "KUNDEN", "", false, false));
  CreateOrder("", "NAME", "NAME");
  CloseArea();
  std::string table = File("KUNDEN.DBF");
  table[kDbfTableFlagsOffset] = 0;  // what a program that does not keep the index leaves
  ASSERT_TRUE(testing_support::WriteWholeFile(*env_, "KUNDEN.DBF", table));
  const std::string cdxName = env_->FileExists("KUNDEN.cdx") ? "KUNDEN.cdx" : "KUNDEN.CDX";
  const std::string cdx = File(cdxName);
  ASSERT_FALSE(cdx.empty());

  for (bool shared : {true, false}) {
    SCOPED_TRACE(shared ? "shared" : "exclusive");
    ASSERT_TRUE(OpenTable(false, kDriverCdx, "KUNDEN", "", shared, false));
    ASSERT_EQ(OrderCount(), 1);
    SetOrder(1);
    GoTop();
    EXPECT_EQ(GetField(1), Value(Padded("Albers", 12)));
    EXPECT_TRUE(handler.errors.empty());
    if (shared) {
      ASSERT_TRUE(LockRecord());
    }
    PutField(1, std::string("Schulz"));
    EXPECT_FALSE(AppendRecord());
    MarkDeleted();
    CreateOrder("", "BETRAG", "STR(BETRAG,8,2)");
    ASSERT_EQ(handler.errors.size(), 4u);
    for (const ErrorObject& e : handler.errors) {
      EXPECT_EQ(e.genCode, kGenUnsupported);
      EXPECT_EQ(e.subCode, kSubIndexNotMaintained);
      EXPECT_NE(e.description.find("not marked"), std::string::npos) << e.description;
    }
    handler.errors.clear();
    EXPECT_EQ(GetField(1), Value(Padded("Albers", 12)));
    CloseArea();
    EXPECT_EQ(File("KUNDEN.DBF"), table);
    EXPECT_EQ(File(cdxName), cdx);
  }
}

// A read-only table cannot record a production CDX built on it: the index is made, the table is
// unchanged, and the next writable open treats the index as unmarked.
TEST_F(ExportFormsTest, AProductionCdxBuiltOnAReadOnlyTableStaysUnmarked) {
  RecordingHandler handler;
  People(kDriverCdx);
  const std::string before = File("KUNDEN.DBF");
  ASSERT_TRUE(OpenTable(false, kDriverCdx, "KUNDEN", "", true, true));
  CreateOrder("", "NAME", "NAME");
  EXPECT_EQ(OrderCount(), 1);
  CloseArea();
  EXPECT_EQ(File("KUNDEN.DBF"), before);
  EXPECT_TRUE(handler.errors.empty()) << handler.errors.front().description;
  ASSERT_TRUE(OpenTable(false, kDriverCdx, "KUNDEN", "", false, false));
  GoTop();
  PutField(1, std::string("Schulz"));
  EXPECT_EQ(handler.TakeCodes(), std::vector<int>{kGenUnsupported});
}

// ---- tables of other programs -------------------------------------------------------------

std::string Descriptor3(const char* name, char type, uint8_t length, uint8_t decimals) {
  std::string d(32, '\0');
  std::memcpy(d.data(), name, std::strlen(name));
  d[11] = type;
  d[16] = static_cast<char>(length);
  d[17] = static_cast<char>(decimals);
  return d;
}

// A table of 47 fields, one of them N(0), and a D(10): it opens whole, the empty field reads as
// the blank of its type, the D(10) as its date, and writes go to the other fields.
TEST_F(ExportFormsTest, AFieldOfLengthZeroAmongManyOpensTheTable) {
  RecordingHandler handler;
  std::string descriptors, record = " ";
  for (int i = 0; i < 45; ++i) {
    const std::string name = "F" + std::to_string(i);
    descriptors += Descriptor3(name.c_str(), 'C', 2, 0);
    record += std::to_string(10 + i);
  }
  descriptors += Descriptor3("EMPTY", 'N', 0, 0);
  descriptors += Descriptor3("SINCE", 'D', 10, 0);
  record += "20180101  ";
  std::string header(32, '\0');
  header[0] = kDbfVersionDbase3;
  header[1] = 124, header[2] = 3, header[3] = 1;
  EncodeLE32(reinterpret_cast<uint8_t*>(header.data() + 4), 1);
  EncodeLE16(reinterpret_cast<uint8_t*>(header.data() + 8),
             static_cast<uint16_t>(32 + descriptors.size() + 1));
  EncodeLE16(reinterpret_cast<uint8_t*>(header.data() + 10), static_cast<uint16_t>(record.size()));
  ASSERT_TRUE(testing_support::WriteWholeFile(*env_, "EXPORT.DBF",
                                              header + descriptors + "\r" + record + "\x1A"));

  ASSERT_TRUE(OpenTable(false, kDriverNtx, "EXPORT", "", false, false));
  const std::vector<StructureRow> rows = Structure();
  ASSERT_EQ(rows.size(), 47u);
  EXPECT_EQ(rows[45].length, 0u);
  GoTop();
  EXPECT_EQ(GetField(1), Value(std::string("10")));
  EXPECT_EQ(GetField(45), Value(std::string("54")));
  EXPECT_EQ(GetField(46), Value(Decimal{}));
  EXPECT_EQ(GetField(47), Value(Date{2018, 1, 1}));
  PutField(45, std::string("xy"));
  PutField(47, Date{2019, 12, 31});
  PutField(46, Decimal::FromInt(5));  // no room: refused, the record unchanged
  EXPECT_EQ(handler.TakeCodes().size(), 1u);
  CloseArea();
  ASSERT_TRUE(OpenTable(false, kDriverNtx, "EXPORT", "", false, false));
  GoTop();
  EXPECT_EQ(GetField(44), Value(std::string("53")));
  EXPECT_EQ(GetField(45), Value(std::string("xy")));
  EXPECT_EQ(GetField(47), Value(Date{2019, 12, 31}));
  EXPECT_TRUE(handler.errors.empty()) << handler.errors.front().description;
}

// A dBASE 7 table with a memo opens and reads through the areas; writes are refused (30) and
// leave it as it was.
TEST_F(ExportFormsTest, Dbase7TablesAreReadNotWritten) {
  RecordingHandler handler;
  auto descriptor7 = [](const char* name, char type, uint8_t length) {
    std::string d(48, '\0');
    std::memcpy(d.data(), name, std::strlen(name));
    d[32] = type;
    d[33] = static_cast<char>(length);
    return d;
  };
  const std::string descriptors = descriptor7("CUSTOMER_NAME", 'C', 8) +
                                  descriptor7("NUMBER", 'I', 4) + descriptor7("NOTES", 'M', 10);
  std::string header(68, '\0');
  header[0] = static_cast<char>(kDbfVersionDbase7Memo);
  header[1] = 125, header[2] = 1, header[3] = 2;
  EncodeLE32(reinterpret_cast<uint8_t*>(header.data() + 4), 1);
  EncodeLE16(reinterpret_cast<uint8_t*>(header.data() + 8),
             static_cast<uint16_t>(68 + descriptors.size() + 1));
  EncodeLE16(reinterpret_cast<uint8_t*>(header.data() + 10), 1 + 8 + 4 + 10);
  const std::string record =
      std::string(" Berta   ") + std::string("\x80\x00\x00\x2A", 4) + "         1";
  const std::string table = header + descriptors + "\r" + record + "\x1A";
  std::string dbt(1024, '\0');
  dbt[0] = 2;
  dbt[21] = 2;  // block size 512
  std::memcpy(dbt.data() + 512, "\xFF\xFF\x08\x00\x0D\x00\x00\x00hello", 13);
  ASSERT_TRUE(testing_support::WriteWholeFile(*env_, "SEVEN.DBF", table));
  ASSERT_TRUE(testing_support::WriteWholeFile(*env_, "SEVEN.DBT", dbt));

  ASSERT_TRUE(OpenTable(false, kDriverNtx, "SEVEN", "", false, false));
  ASSERT_EQ(Structure().size(), 3u);
  EXPECT_EQ(Structure()[0].name, "CUSTOMER_NAME");
  GoTop();
  EXPECT_EQ(GetField(1), Value(std::string("Berta   ")));
  EXPECT_EQ(GetField(2), Value(int32_t{42}));
  EXPECT_EQ(GetField(3), Value(std::string("hello")));
  EXPECT_TRUE(handler.errors.empty()) << handler.errors.front().description;
  PutField(1, std::string("Anton"));
  EXPECT_FALSE(AppendRecord());
  EXPECT_EQ(handler.TakeCodes(), (std::vector<int>{kGenUnsupported, kGenUnsupported}));
  CloseArea();
  EXPECT_EQ(File("SEVEN.DBF"), table);
}

}  // namespace
}  // namespace tabrix
