// libFuzzer target: any text as an expression over a table with a field of every kind (and the
// fields the corpus index files name), compiled and evaluated over three records. Nothing may
// crash, hang or overflow, and results must keep their promises:
//   - a failure names the whole text, a position inside it (or just past its end) and a reason;
//   - a value has the type the compiler announced; a key has exactly keyLength() bytes;
//   - evaluating the same record twice gives the same value (the evaluator reuses its buffers);
//   - a logical expression gives the same answer through Evaluate and EvaluateLogical.
// Seeds: expr_parse_fuzz_seeds/ (the corpus key and FOR expressions, the program's own keys,
// every operator and function).

#include <cstddef>
#include <cstdint>
#include <string>

#include "../expr_test_record.h"

namespace tabrix {
namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

ExprStructure FuzzStructure() {
  ExprStructure s = testing::CustomerStructure();
  s.alias = "NTX_CHAR";
  const ExprField more[] = {
      {"ROOMNAME", 'C', 10, 0},   {"FACILITY", 'C', 10, 0},   {"TEXVER", 'C', 5, 0},
      {"COD", 'C', 4, 0},         {"DENUMIRE", 'C', 36, 0},   {"V1", 'C', 78, 0},
      {"EMPLOYEEID", 'I', 4, 0},  {"LASTNAME", 'C', 50, 0},   {"EMAILNAME", 'C', 50, 0},
      {"POSTALCODE", 'C', 20, 0}, {"DEPARTMENT", 'C', 50, 0}, {"PAYMENTID", 'I', 4, 0},
      {"PROJECTID", 'I', 4, 0},   {"PAYMENTMET", 'I', 4, 0},  {"CALL_ID", 'I', 4, 0},
      {"CONTACT_ID", 'I', 4, 0},  {"CONTACT_TY", 'I', 4, 0},  {"EXPENSEREP", 'I', 4, 0},
      {"DATESUBMIT", 'T', 8, 0},  {"REFTYPE", 'C', 1, 0},     {"SETID", 'C', 10, 0},
      {"REFID", 'C', 10, 0},      {"UNIQUEID", 'C', 10, 0},   {"FILEID", 'C', 10, 0},
      {"CHECKED", 'L', 1, 0},     {"INACTIVE", 'L', 1, 0},    {"F1", 'C', 20, 0},
      {"F2", 'C', 10, 0},
  };
  for (const ExprField& f : more) s.fields.push_back(f);
  return s;
}

// A value of the field's type: text, a number, a date... chosen by `variant`.
Value FieldValue(const ExprField& f, int variant) {
  switch (f.type) {
    case 'C': {
      std::string text = variant == 0 ? "Audio " : (variant == 1 ? "" : "\x84\xe1Z9");
      text.resize(f.length, ' ');
      return text;
    }
    case 'I':
      return int32_t{variant == 0 ? 7 : (variant == 1 ? 0 : -2147483647 - 1)};
    case 'T':
      return variant == 1 ? DateTime{} : DateTime{Date{9999, 12, 31}, 86399999};
    case 'L':
      return variant != 1;
    default:
      return Null{};
  }
}

testing::MemoryRecord FuzzRecord(const ExprStructure& s, int variant) {
  testing::MemoryRecord r = testing::CustomerRecord();
  if (variant == 1) {
    for (Value& v : r.values()) v = Null{};  // every field null: blanks of each type
  } else if (variant == 2) {
    r = testing::MemoryRecord(testing::CustomerRecord().values(), 4294967295u, true);
    r.values()[0] = std::string("\xff\x00 zz      ", 10);
    r.values()[3] = Decimal::FromText("-99999999.99").value();
    r.values()[7] = -1e300;
    r.values()[9] = Date{1, 1, 1};
    r.values()[13] = std::string(70000, 'm');  // a memo past the longest built text
  }
  for (size_t i = r.values().size(); i < s.fields.size(); ++i) {
    r.values().push_back(FieldValue(s.fields[i], variant));
  }
  return r;
}

bool TypeMatches(ExprType type, const Value& v) {
  switch (type) {
    case ExprType::kCharacter:
      return std::holds_alternative<std::string>(v);
    case ExprType::kNumeric:
      return std::holds_alternative<Decimal>(v) || std::holds_alternative<double>(v);
    case ExprType::kDate:
      return std::holds_alternative<Date>(v);
    case ExprType::kDateTime:
      return std::holds_alternative<DateTime>(v);
    case ExprType::kLogical:
      return std::holds_alternative<bool>(v);
  }
  return false;
}

void CheckError(const ExprError& e, const std::string& text) {
  Check(e.expression == text);
  Check(e.position >= 0 && static_cast<size_t>(e.position) <= text.size() + 1);
  Check(!e.message.empty());
}

}  // namespace
}  // namespace tabrix

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tabrix;
  static const ExprStructure structure = FuzzStructure();
  const std::string text(reinterpret_cast<const char*>(data), size);
  ExprResult<Expression> compiled = Expression::Compile(text, structure);
  if (!compiled.ok()) {
    CheckError(compiled.error(), text);
    return 0;
  }
  Expression& e = compiled.value();
  Check(e.text() == text);
  Check(e.keyLength() >= 0);
  for (int variant = 0; variant < 3; ++variant) {
    testing::MemoryRecord record = FuzzRecord(structure, variant);
    Value first, second;
    ExprStatus s = e.Evaluate(record, &first);
    if (!s.ok()) {
      CheckError(s.error(), text);
      continue;
    }
    Check(TypeMatches(e.type(), first));
    Check(e.Evaluate(record, &second).ok());
    Check(testing::Show(first) == testing::Show(second));
    if (e.type() == ExprType::kCharacter) {
      std::string key;
      Check(e.EvaluateKey(record, &key).ok());
      Check(key.size() == static_cast<size_t>(e.keyLength()));
    } else if (e.type() == ExprType::kLogical) {
      bool holds = false;
      Check(e.EvaluateLogical(record, &holds).ok());
      Check(holds == std::get<bool>(first));
    }
  }
  return 0;
}
