#pragma once
// The order cases, one table of cases for every back-end: the local drivers (CDX tags, NTX
// files; table_orders_test.cpp) and the server's driver "ADS" (tests/data/remote). Orders built
// over a table walk as an independent sort of the same keys says; random appends, changes and
// deletions leave every order equal to one built afresh; seeks hit, miss and miss softly.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "data/table/table_area.h"
#include "data/table/table_errors.h"
#include "data/table/table_test_support.h"
#include "data/table/table_world.h"

namespace tabrix::table_orders_cases {

using testing_support::RecordingHandler;

const std::vector<StructureRow> kPeople = {
    {"NAME", 'C', 12, 0}, {"BETRAG", 'N', 8, 2}, {"DATUM", 'D', 8, 0}, {"AKTIV", 'L', 1, 0}};

// One record as the test keeps it beside the table.
struct Person {
  std::string name;  // ASCII letters: byte order and the NTX collation agree on them
  int cents = 0;
  Date date;
  bool active = false;
  bool deleted = false;
};

inline std::string Padded(std::string s, size_t n) {
  s.resize(n, ' ');
  return s;
}

inline std::string Amount(int cents) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%8.2f", cents / 100.0);
  return buf;
}

inline std::string DateKey(const Date& d) {
  if (d.empty()) return "        ";
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04d%02d%02d", d.year, d.month, d.day);
  return buf;
}

struct OrderCase {
  const char* tag;
  const char* key;
  const char* forCondition;
  // The key the test expects for a person, compared as the order compares: by these bytes,
  // then by record number. nullopt: the FOR condition leaves the record out.
  std::optional<std::string> (*keyOf)(const Person&);
};

const OrderCase kOrders[] = {
    {"NAME", "UPPER(NAME)", "",
     [](const Person& p) -> std::optional<std::string> {
       std::string k = Padded(p.name, 12);
       for (char& c : k) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
       return k;
     }},
    {"BETRAG", "STR(BETRAG,8,2)", "",
     [](const Person& p) -> std::optional<std::string> {
       // Amounts are not negative here, so the text sorts as the number.
       return Amount(p.cents);
     }},
    {"DATNAME", "DTOS(DATUM)+NAME", "",
     [](const Person& p) -> std::optional<std::string> {
       return DateKey(p.date) + Padded(p.name, 12);
     }},
    {"AKTIVE", "NAME", "AKTIV",
     [](const Person& p) -> std::optional<std::string> {
       if (!p.active) return std::nullopt;
       return Padded(p.name, 12);
     }},
};

class TableOrdersTest : public testing::TestWithParam<const char*> {
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
  bool Ntx() const { return Driver() == std::string(kDriverNtx); }
  // Where CreateOrder puts order i: one CDX bag with a tag each, or one NTX file each.
  std::string Bag(const OrderCase& c) const {
    return Ntx() ? std::string(c.tag) + ".NTX" : "PEOPLE";
  }

  Person RandomPerson(std::mt19937& rng) {
    static const char* const kNames[] = {"ada", "Bert",  "carla", "Dora",  "emil", "FRIDA",
                                         "gus", "Hanna", "ida",   "Jonas", "karl", "Lena"};
    Person p;
    p.name = kNames[rng() % 12];
    if (rng() % 2) p.name += static_cast<char>('a' + rng() % 26);
    p.cents = static_cast<int>(rng() % 500000);
    p.date = rng() % 10 == 0
                 ? Date{}
                 : Date{1950 + static_cast<int>(rng() % 70), 1 + static_cast<int>(rng() % 12),
                        1 + static_cast<int>(rng() % 28)};
    p.active = rng() % 3 != 0;
    return p;
  }

  void Write(const Person& p) {
    PutField(1, p.name);
    PutField(2, p.cents / 100.0);
    PutField(3, p.date);
    PutField(4, p.active);
  }

  // A table of n random people (every seventh deleted), open exclusively in area 1.
  void MakeTable(int n, std::mt19937& rng) {
    CreateTable("PEOPLE.DBF", kPeople, Driver());
    ASSERT_TRUE(OpenTable(false, Driver(), "PEOPLE", "", false, false));
    for (int i = 0; i < n; ++i) {
      ASSERT_TRUE(AppendRecord());
      people_.push_back(RandomPerson(rng));
      Write(people_.back());
      if (i % 7 == 3) {
        MarkDeleted();
        people_.back().deleted = true;
      }
    }
  }

  // The visible records in the order's sort, by the test's own keys.
  std::vector<int64_t> Expected(const OrderCase& c) const {
    std::vector<std::pair<std::string, int64_t>> entries;
    for (size_t i = 0; i < people_.size(); ++i) {
      if (people_[i].deleted) continue;
      if (std::optional<std::string> k = c.keyOf(people_[i])) {
        entries.emplace_back(*k, static_cast<int64_t>(i + 1));
      }
    }
    std::sort(entries.begin(), entries.end());
    std::vector<int64_t> records;
    for (const auto& e : entries) records.push_back(e.second);
    return records;
  }

  static std::vector<int64_t> WalkForward() {
    std::vector<int64_t> records;
    for (GoTop(); !AtEnd(); Skip()) records.push_back(RecordNumber());
    return records;
  }
  static std::vector<int64_t> WalkBackward() {
    std::vector<int64_t> records;
    for (GoBottom(); !AtBeginning() && !AtEnd(); Skip(-1)) records.push_back(RecordNumber());
    std::reverse(records.begin(), records.end());
    return records;
  }

  void CreateAll() {
    for (const OrderCase& c : kOrders) {
      SetOrderCondition(c.forCondition);
      CreateOrder(Bag(c), c.tag, c.key);
    }
  }

  std::unique_ptr<TableAreaWorld> world_;
  std::vector<Person> people_;
};

TEST_P(TableOrdersTest, OrdersWalkInTheOrderOfTheirKeys) {
  RecordingHandler handler;
  std::mt19937 rng(7);
  ASSERT_NO_FATAL_FAILURE(MakeTable(300, rng));
  CreateAll();
  ASSERT_EQ(OrderCount(), 4);
  EXPECT_EQ(CurrentOrder(), 4);
  for (int order = 1; order <= 4; ++order) {
    const OrderCase& c = kOrders[order - 1];
    SCOPED_TRACE(c.key);
    SetOrder(order);
    EXPECT_EQ(OrderKeyText(order), c.key);
    const std::vector<int64_t> expected = Expected(c);
    EXPECT_EQ(WalkForward(), expected);
    EXPECT_EQ(WalkBackward(), expected);
    // Skipping before the first record stays on it with the beginning flag.
    GoTop();
    Skip(-1);
    EXPECT_TRUE(AtBeginning());
    EXPECT_FALSE(AtEnd());
    EXPECT_EQ(RecordNumber(), expected.front());
    // Key positions count every entry of the order, deleted records included.
    GoTo(expected[10]);
    EXPECT_GT(OrderKeyPosition(), 10);
  }
  SetOrder(0);
  EXPECT_EQ(WalkForward().size(),
            static_cast<size_t>(std::count_if(people_.begin(), people_.end(),
                                              [](const Person& p) { return !p.deleted; })));
  EXPECT_TRUE(handler.errors.empty()) << handler.errors.front().description;
}

// Thousands of random appends, changes and (un)deletions with every order open: afterwards
// each order walks as a fresh sort says, and as an order built afresh over the table walks.
TEST_P(TableOrdersTest, UpkeepKeepsEveryOrderEqualToAFreshBuild) {
  RecordingHandler handler;
  std::mt19937 rng(20261210);
  ASSERT_NO_FATAL_FAILURE(MakeTable(200, rng));
  CreateAll();
  SetOrder(1);
  for (int step = 0; step < 3000; ++step) {
    const unsigned what = rng() % 10;
    if (what == 0) {
      ASSERT_TRUE(AppendRecord());
      people_.push_back(RandomPerson(rng));
      Write(people_.back());
      continue;
    }
    const int64_t r = 1 + static_cast<int64_t>(rng() % people_.size());
    GoTo(r);
    Person& p = people_[static_cast<size_t>(r - 1)];
    if (what == 1) {
      p.deleted = !p.deleted;
      p.deleted ? MarkDeleted() : UnmarkDeleted();
    } else {
      const Person q = RandomPerson(rng);
      switch (what % 4) {
        case 0:
          p.name = q.name;
          PutField(1, p.name);
          break;
        case 1:
          p.cents = q.cents;
          PutField(2, p.cents / 100.0);
          break;
        case 2:
          p.date = q.date;
          PutField(3, p.date);
          break;
        default:
          p.active = q.active;
          PutField(4, p.active);
          break;
      }
    }
    if (step % 500 == 0) SetOrder(1 + static_cast<int>(rng() % 4));  // moves in other orders
    if (step % 100 == 0) Skip();
  }
  CommitArea();
  ASSERT_TRUE(handler.errors.empty()) << handler.errors.front().description;
  for (int order = 1; order <= 4; ++order) {
    const OrderCase& c = kOrders[order - 1];
    SCOPED_TRACE(c.key);
    SetOrder(order);
    const std::vector<int64_t> kept = WalkForward();
    EXPECT_EQ(kept, Expected(c));
    SetOrderCondition(c.forCondition);
    CreateOrder(Ntx() ? std::string("F") + c.tag + ".NTX" : "FRESH", c.tag, c.key);
    EXPECT_EQ(WalkForward(), kept);
  }
  // The same after closing and opening the files again.
  CloseArea();
  ASSERT_TRUE(OpenTable(false, Driver(), "PEOPLE", "", true, true));
  for (int order = 1; order <= 4; ++order) {
    const OrderCase& c = kOrders[order - 1];
    if (Ntx() || order > 1) AddOrderBag(Bag(c));
  }
  ASSERT_EQ(OrderCount(), 4);
  for (int order = 1; order <= 4; ++order) {
    SCOPED_TRACE(kOrders[order - 1].key);
    SetOrder(order);
    EXPECT_EQ(WalkForward(), Expected(kOrders[order - 1]));
  }
  EXPECT_TRUE(handler.errors.empty()) << handler.errors.front().description;
}

TEST_P(TableOrdersTest, SeekHitsMissesAndSoftMisses) {
  RecordingHandler handler;
  CreateTable("PEOPLE.DBF", kPeople, Driver());
  ASSERT_TRUE(OpenTable(false, Driver(), "PEOPLE", "", false, false));
  CreateOrder(Bag(kOrders[0]), "NAME", "UPPER(NAME)");
  // Empty table: every seek misses, soft or not.
  EXPECT_FALSE(Seek(std::string("ADA"), true));
  EXPECT_TRUE(AtEnd());
  for (const char* name : {"Dora", "ada", "Carla", "dorian", "Emil", "bert"}) {
    ASSERT_TRUE(AppendRecord());
    PutField(1, std::string(name));
  }
  GoTo(4);  // "dorian", deleted: a seek passes over it
  MarkDeleted();
  struct Case {
    std::string key;
    bool soft;
    bool found;
    int64_t record;  // 0: the end
  } cases[] = {
      {"ADA", false, true, 2},     {"CARLA", false, true, 3},  {"DOR", false, true, 1},
      {"DORIAN", false, false, 0}, {"DORIAN", true, false, 5}, {"BZ", false, false, 0},
      {"BZ", true, false, 3},      {"ZZ", true, false, 0},     {"", false, true, 2},
      {"A", false, true, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key + (c.soft ? " soft" : ""));
    EXPECT_EQ(Seek(c.key, c.soft), c.found);
    EXPECT_EQ(WasFound(), c.found);
    EXPECT_EQ(AtEnd(), c.record == 0);
    if (c.record != 0) {
      EXPECT_EQ(RecordNumber(), c.record);
    }
  }
  // A key of another type than the order's is a data type error.
  handler.errors.clear();
  (void)Seek(Value(Decimal::FromInt(5)));
  EXPECT_EQ(handler.TakeCodes(), std::vector<int>{kGenDataType});
  // Without a controlling order there is nothing to seek in.
  SetOrder(0);
  (void)Seek(std::string("ADA"));
  EXPECT_EQ(handler.TakeCodes(), std::vector<int>{kGenNoOrder});
}

}  // namespace tabrix::table_orders_cases
