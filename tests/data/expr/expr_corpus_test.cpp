// Every key and FOR expression of the index files in the test corpus compiles against its
// table, and evaluated over the table's records gives the keys another reader finds in the
// index (golden file corpus_keys.tsv, made by scripts/expr_corpus_keys.py from DBD::XBase):
//   - character keys byte for byte (the reader drops trailing blanks, so both sides are
//     compared without them), at the length the index header gives;
//   - integer keys as the 4 big-endian bytes with the sign bit flipped that these files hold,
//     logical keys as T / F; keys of a nullable field (option 0x02) carry a 0x80 prefix;
//   - datetime keys (their byte form is the index layer's) by order: the entries the reader
//     lists in index order must be in ascending order of our values;
//   - FOR conditions hold for every record in the tag, and where the index is complete (a tag
//     without FOR holds every record), for no record outside it.

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "data/expr/expr_test_record.h"
#include "data/formats/dbf_test_util.h"

namespace tabrix {
namespace {

constexpr uint8_t kOptionNullable = 0x02;

struct GoldenTag {
  std::string table, index, tag;
  int keyLength = 0;
  uint8_t options = 0;
  std::string keyExpression, forExpression;
  std::vector<std::pair<uint32_t, std::string>> entries;  // in index order
};

std::string FromHex(const std::string& hex) {
  std::string out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) {
    out.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  }
  return out;
}

std::vector<std::string> SplitTabs(const std::string& line) {
  std::vector<std::string> out(1);
  for (char c : line) {
    if (c == '\t') {
      out.emplace_back();
    } else {
      out.back() += c;
    }
  }
  return out;
}

std::vector<GoldenTag> LoadGolden() {
  std::ifstream in(std::string(TABRIX_SOURCE_DIR) + "/tests/data/expr/corpus_keys.tsv",
                   std::ios::binary);
  std::vector<GoldenTag> tags;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    const std::vector<std::string> f = SplitTabs(line);
    if (line[0] == '=') {
      GoldenTag t;
      t.table = f.at(0).substr(1);
      t.index = f.at(1);
      t.tag = f.at(2);
      t.keyLength = std::stoi(f.at(3));
      t.options = static_cast<uint8_t>(std::stoi(f.at(4), nullptr, 16));
      t.keyExpression = f.at(5);
      t.forExpression = f.size() > 6 ? f[6] : "";
      tags.push_back(t);
    } else {
      tags.back().entries.emplace_back(static_cast<uint32_t>(std::stoul(f.at(0))),
                                       f.size() > 1 ? FromHex(f[1]) : "");
    }
  }
  return tags;
}

// The alias a table opened without one gets: its base name in upper case, characters that
// cannot stand in a name as '_' ("ntx-char.dbf" -> NTX_CHAR).
std::string DefaultAlias(const std::string& path) {
  std::string base = path.substr(path.find_last_of('/') + 1);
  base = base.substr(0, base.find('.'));
  for (char& c : base) {
    c = std::isalnum(static_cast<unsigned char>(c)) ? static_cast<char>(std::toupper(c)) : '_';
  }
  return base;
}

// A record of a corpus table, its fields decoded when the expression asks for them.
class TableRecord : public ExprRecord {
 public:
  TableRecord(const testing::LoadedTable& table, uint32_t recno)
      : table_(table),
        recno_(recno),
        values_(table.h().fields.size()),
        loaded_(table.h().fields.size(), false) {}

  const Value* Field(int index) override {
    const size_t i = static_cast<size_t>(index);
    if (!loaded_[i]) {
      Status s = table_.decoder->FieldInto(table_.Record(recno_), table_.h().RecordOffset(recno_),
                                           i, &values_[i]);
      if (!s.ok()) return nullptr;
      loaded_[i] = true;
    }
    return &values_[i];
  }
  bool IsDeleted() override { return RecordIsDeleted(table_.Record(recno_)); }
  uint32_t RecordNumber() override { return recno_; }

 private:
  const testing::LoadedTable& table_;
  uint32_t recno_;
  std::vector<Value> values_;
  std::vector<bool> loaded_;
};

ExprStructure StructureOf(const testing::LoadedTable& table) {
  ExprStructure s;
  s.alias = DefaultAlias(table.path);
  for (const DbfField& f : table.h().fields)
    s.fields.push_back({f.name, f.type, f.length, f.decimals});
  return s;
}

// The bytes of the key the index holds for `value`, trailing fill bytes removed as the
// reader shows them; nullopt for datetime keys, compared by order only.
std::optional<std::string> IndexKeyBytes(const Expression& e, const Value& value, uint8_t options) {
  std::string key = (options & kOptionNullable) ? "\x80" : "";
  switch (e.type()) {
    case ExprType::kCharacter: {
      std::string text = std::get<std::string>(value);
      text.resize(static_cast<size_t>(e.keyLength()), ' ');
      key += text;
      while (!key.empty() && key.back() == ' ') key.pop_back();
      return key;
    }
    case ExprType::kNumeric: {
      const Decimal d = std::get<Decimal>(value);
      const auto i = static_cast<int32_t>(d.IsNegative() ? -static_cast<int64_t>(d.coefficient)
                                                         : static_cast<int64_t>(d.coefficient));
      const uint32_t u = static_cast<uint32_t>(i) ^ 0x80000000u;
      for (int shift = 24; shift >= 0; shift -= 8) key.push_back(static_cast<char>(u >> shift));
      while (!key.empty() && key.back() == '\0') key.pop_back();
      return key;
    }
    case ExprType::kLogical:
      return key + (std::get<bool>(value) ? "T" : "F");
    default:
      return std::nullopt;
  }
}

// Our order of two values of one expression: -1, 0, 1.
int CompareValues(const Value& a, const Value& b) {
  if (const auto* x = std::get_if<std::string>(&a)) {
    const int c = x->compare(std::get<std::string>(b));
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
  }
  if (const auto* x = std::get_if<Decimal>(&a)) {
    const double p = x->ToDouble(), q = std::get<Decimal>(b).ToDouble();
    return p < q ? -1 : (p > q ? 1 : 0);
  }
  if (const auto* x = std::get_if<DateTime>(&a)) {
    const DateTime& y = std::get<DateTime>(b);
    const auto ka = std::make_tuple(x->date.year, x->date.month, x->date.day, x->millisOfDay);
    const auto kb = std::make_tuple(y.date.year, y.date.month, y.date.day, y.millisOfDay);
    return ka < kb ? -1 : (ka > kb ? 1 : 0);
  }
  if (const auto* x = std::get_if<bool>(&a)) return *x == std::get<bool>(b) ? 0 : (*x ? 1 : -1);
  return 0;
}

TEST(ExprCorpus, IndexKeysAndConditions) {
  const std::vector<GoldenTag> tags = LoadGolden();
  ASSERT_FALSE(tags.empty()) << "golden file missing";
  // A CDX file is complete when a tag without FOR holds every record of its table.
  std::map<std::string, bool> complete;
  std::map<std::string, std::unique_ptr<testing::LoadedTable>> tables;
  for (const GoldenTag& t : tags) {
    auto& table = tables[t.table];
    if (!table) table = testing::LoadTable(testing::CorpusPath(t.table));
    ASSERT_TRUE(table->ok()) << t.table;
    if (t.forExpression.empty() && t.entries.size() == table->h().recordCount) {
      complete[t.index] = true;
    }
  }
  std::set<ExprType> kindsSeen;
  bool conditionRejected = false;
  for (const GoldenTag& t : tags) {
    SCOPED_TRACE(t.index + " tag " + t.tag + ": " + t.keyExpression);
    const testing::LoadedTable& table = *tables[t.table];
    const ExprStructure structure = StructureOf(table);
    ExprResult<Expression> key = Expression::Compile(t.keyExpression, structure);
    ASSERT_TRUE(key.ok()) << key.error().ToString();
    if (key.value().type() == ExprType::kCharacter) {
      EXPECT_EQ(key.value().keyLength(), t.keyLength - ((t.options & kOptionNullable) ? 1 : 0));
    }
    std::optional<Expression> condition;
    if (!t.forExpression.empty()) {
      ExprResult<Expression> c = Expression::Compile(t.forExpression, structure);
      ASSERT_TRUE(c.ok()) << c.error().ToString();
      EXPECT_EQ(c.value().type(), ExprType::kLogical);
      condition = std::move(c).value();
    }
    std::optional<Value> previous;
    std::set<uint32_t> inTag;
    for (const auto& [recno, expected] : t.entries) {
      SCOPED_TRACE("record " + std::to_string(recno));
      inTag.insert(recno);
      TableRecord record(table, recno);
      Value value;
      ExprStatus s = key.value().Evaluate(record, &value);
      ASSERT_TRUE(s.ok()) << s.error().ToString();
      if (std::optional<std::string> bytes = IndexKeyBytes(key.value(), value, t.options)) {
        EXPECT_EQ(testing::ShowBytes(*bytes), testing::ShowBytes(expected));
      }
      if (previous) {
        EXPECT_LE(CompareValues(*previous, value), 0) << "out of index order";
      }
      previous = value;
      kindsSeen.insert(key.value().type());
      if (condition) {
        bool holds = false;
        ASSERT_TRUE(condition->EvaluateLogical(record, &holds).ok());
        EXPECT_TRUE(holds);
      }
    }
    if (condition && complete[t.index]) {
      for (uint32_t recno = 1; recno <= table.h().recordCount; ++recno) {
        if (inTag.count(recno)) continue;
        TableRecord record(table, recno);
        bool holds = true;
        ASSERT_TRUE(condition->EvaluateLogical(record, &holds).ok());
        EXPECT_FALSE(holds) << "record " << recno << " meets the condition but is not in the tag";
        conditionRejected = true;
      }
    }
  }
  // The corpus holds keys of these four kinds and FOR tags with records on both sides: a
  // golden file that lost them would let this test pass without checking them.
  EXPECT_EQ(kindsSeen, (std::set<ExprType>{ExprType::kCharacter, ExprType::kNumeric,
                                           ExprType::kDateTime, ExprType::kLogical}));
  EXPECT_TRUE(conditionRejected);
}

}  // namespace
}  // namespace tabrix
