// order_check: a customer table with index orders built and kept by the table areas, for an
// independent reader to walk (scripts/order_check.py).
//
//   order_check DRIVER FOLDER RECORDS OPERATIONS SEED
//
// Writes FOLDER/CUST.DBF with RECORDS generated customers, builds its orders (DBFCDX: tags of
// CUST.CDX, the production index; DBFNTX: one .NTX file per order), then carries out
// OPERATIONS random appends, field changes and (un)deletions with every order open, and closes.
// Then prints, for every order, a line "order NAME FILE" and the record numbers of its walk,
// deleted records included (an index holds their entries too), one per line.

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "data/base/error.h"
#include "data/table/table_area.h"

namespace {

using namespace tabrix;

struct OrderSpec {
  const char* tag;
  const char* key;
  const char* forCondition;
  bool descending;
};

// Character, numeric and date keys, a FOR order; a descending one where the format has it.
const OrderSpec kCdxOrders[] = {
    {"NAME", "UPPER(NAME)", "", false}, {"AMOUNT", "AMOUNT", "", false},
    {"BORN", "BORN", "", false},        {"ACTIVE", "CITY+NAME", "ACTIVE", false},
    {"NAMEDOWN", "NAME", "", true},
};
const OrderSpec kNtxOrders[] = {
    {"NAME", "UPPER(NAME)", "", false},
    {"AMOUNT", "AMOUNT", "", false},
    {"BORN", "BORN", "", false},
    {"ACTIVE", "CITY+NAME", "ACTIVE", false},
};

const char* const kSyllables[] = {"ba", "ker",  "mu", "ller", "schm", "idt",
                                  "wa", "gner", "ho", "ff",   "Ma",   "Zi"};
const char* const kCities[] = {"Bonn", "Berlin", "Hamburg", "Koeln", ""};

void Fill(std::mt19937& rng, int field) {
  switch (field) {
    case 1: {
      std::string name;
      for (unsigned i = rng() % 5; i > 0; --i) name += kSyllables[rng() % 12];
      PutField(1, name);
      break;
    }
    case 2:
      PutField(2, std::string(kCities[rng() % 5]));
      break;
    case 3: {
      const int cents = static_cast<int>(rng() % 200000001) - 100000000;
      PutField(3, cents / 100.0);
      break;
    }
    case 4:
      if (rng() % 20 == 0) {
        PutField(4, Date{});
      } else {
        PutField(4, Date{1900 + static_cast<int>(rng() % 160), 1 + static_cast<int>(rng() % 12),
                         1 + static_cast<int>(rng() % 28)});
      }
      break;
    default:
      PutField(5, rng() % 3 != 0);
      break;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 6) {
    std::fprintf(stderr, "usage: order_check DRIVER FOLDER RECORDS OPERATIONS SEED\n");
    return 2;
  }
  const std::string driver = argv[1];
  const std::string folder = std::string(argv[2]) + "/";
  const long records = std::atol(argv[3]);
  const long operations = std::atol(argv[4]);
  std::mt19937 rng(static_cast<unsigned>(std::atol(argv[5])));
  bool failed = false;
  ScopedErrorHandler handler([&failed](const ErrorObject& e) {
    std::fprintf(stderr, "error %d/%d: %s %s\n", e.genCode, e.subCode, e.description.c_str(),
                 e.fileName.c_str());
    failed = true;
    return ErrorOutcome{ErrorAction::kDefault, {}};
  });
  const bool ntx = driver == kDriverNtx;
  const std::string table = folder + "CUST.DBF";
  CreateTable(table,
              {{"NAME", 'C', 20, 0},
               {"CITY", 'C', 10, 0},
               {"AMOUNT", 'N', 12, 2},
               {"BORN", 'D', 8, 0},
               {"ACTIVE", 'L', 1, 0}},
              driver);
  if (!OpenTable(false, driver, table, "CUST", false, false)) return 1;
  for (long i = 0; i < records; ++i) {
    AppendRecord();
    for (int field = 1; field <= 5; ++field) Fill(rng, field);
  }
  std::vector<OrderSpec> orders(ntx ? std::begin(kNtxOrders) : std::begin(kCdxOrders),
                                ntx ? std::end(kNtxOrders) : std::end(kCdxOrders));
  std::vector<std::string> files;
  for (const OrderSpec& o : orders) {
    SetOrderCondition(o.forCondition);
    const std::string bag = ntx ? folder + o.tag + ".NTX" : folder + "CUST.CDX";
    CreateOrder(bag, ntx ? "" : o.tag, o.key, false, o.descending);
    files.push_back(bag);
  }
  for (long i = 0; i < operations; ++i) {
    const unsigned what = rng() % 10;
    if (what == 0) {
      AppendRecord();
      for (int field = 1; field <= 5; ++field) Fill(rng, field);
      continue;
    }
    GoTo(1 + static_cast<int64_t>(rng() % static_cast<unsigned>(RecordCount())));
    if (what == 1) {
      IsDeleted() ? UnmarkDeleted() : MarkDeleted();
    } else {
      Fill(rng, 1 + static_cast<int>(rng() % 5));
    }
  }
  SetDeletedVisible(true);
  for (size_t i = 0; i < orders.size(); ++i) {
    SetOrder(static_cast<int>(i) + 1);
    std::printf("order %s %s\n", OrderName(static_cast<int>(i) + 1).c_str(), files[i].c_str());
    for (GoTop(); !AtEnd(); Skip()) std::printf("%lld\n", static_cast<long long>(RecordNumber()));
  }
  CloseAllAreas();
  return failed ? 1 : 0;
}
