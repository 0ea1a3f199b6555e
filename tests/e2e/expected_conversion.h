#pragma once
// What a conversion must deliver, worked out by the tests from the source table itself: the
// converter's rules for text forms, names, countries, postal codes, sort keys, customer numbers,
// remark and notes, applied record by record to the same input the program gets, with the same
// answers the test gives to the program's questions. All texts are table text (code page 850).

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "e2e/dbf_file.h"

namespace tabrix::e2e {

// ---- text rules --------------------------------------------------------------------------
// Empty text: nothing but blanks, TABs, carriage returns and line feeds.
bool IsEmptyText(const std::string& s);
std::string TrimLeft(const std::string& s);   // leading white space
std::string TrimRight(const std::string& s);  // trailing blanks only
std::string TrimBoth(const std::string& s);
// Upper case of code page 850 text by the German rules: a-z and the umlauts ä ö ü.
std::string UpperGerman(const std::string& s);
// The text form of a source value (character and memo unchanged, numbers in the field's width
// with " DB" for negatives, dates "dd.mm.yyyy", logicals "T"/"F").
std::string TextForm(const DbfFile& table, size_t record, int field);
// A value laid out for the notes text: one TAB in front, two TABs after each line break.
std::string NotesLayout(const std::string& value);
// The sort key: trimmed, upper case, umlauts and ß spelled out, other characters than letters
// dropped.
std::string SortKey(const std::string& s);
// Leading blanks, an optional sign, digits with an optional point; 0 without digits.
double NumericValue(const std::string& s);
// The customer number from the postal codes and the country's two flags.
long CustomerNumber(const std::string& plz, const std::string& plz2, const std::string& muster,
                    const std::string& p1a);
std::string DigitsOnly(const std::string& s);

// ---- the conversion -------------------------------------------------------------------------
// Target field numbers of the fourteen slots, in the order of the target list.
struct Slot {
  int targetField;
  const char* label;  // as the demo product's QZX.ini makes them
};
const std::vector<Slot>& Slots();

struct FieldAssignment {
  std::map<int, int> slots;  // target field number -> source field number
  std::vector<int> remark;   // source field numbers, in the order they were added
  std::vector<int> notes;
  bool postalCodeFromCity = false;
};

struct CountryLink {
  std::string designation;  // as found in the target's LAND: padded to the field's width
  int position = 0;         // 1-based position in the country list
};

struct ConversionPlan {
  FieldAssignment assignment;
  int defaultCountry = 0;    // position chosen as the default country; 0 when Land is assigned
  int replacementField = 0;  // the answer to the replacement question: a source field, or 0
  bool loadLinksAtFirstQuestion = false;  // "aus Datei" at the first country question
  std::vector<CountryLink> linkFile;      // the links that file holds
  // The position the user picks for a LAND value no rule and no link resolves.
  std::function<int(const std::string& land)> answer;
  std::string date;  // the conversion date, "yyyymmdd"
};

struct ExpectedConversion {
  std::vector<DbfField> targetFields;
  std::vector<std::vector<std::string>> records;  // stored bytes per target field
  std::vector<unsigned> skipped;                  // source record numbers
  int accepted = 0;
  unsigned replacementAskedAt = 0;        // source record of the replacement question; 0 none
  std::vector<std::string> questions;     // LAND values the country chooser is shown for, in order
  std::vector<unsigned> questionRecords;  // the source record of each question
  std::vector<CountryLink> links;         // the country links when the conversion ends
  std::vector<std::string> countries;     // the country list
};

ExpectedConversion ExpectConversion(const DbfFile& source, const DbfFile& countries,
                                    const DbfFile& templ, const ConversionPlan& plan);

// ---- files -----------------------------------------------------------------------------------
// The bytes of an assignment file (".ZWS") and of a country-link file (".LVK").
std::string AssignmentFileBytes(const FieldAssignment& a);
std::string LinkFileBytes(const std::vector<CountryLink>& links);

// Code page 850 text as UTF-8.
std::string Cp850ToUtf8(const std::string& s);
// Expectations of a delivered table as a tab-separated file: a comment line, a line of field
// names and one line per record; values as a reader shows them (character values without their
// trailing blanks, numbers trimmed, dates yyyy-mm-dd, blanks empty), in UTF-8, with backslash,
// TAB, CR and LF written \\ \t \r \n. A date field may hold either of two days ("a|b") when the
// conversion ran over midnight (otherDate, "yyyymmdd", empty when it did not).
std::string ExpectationsTsv(const ExpectedConversion& expected, const std::string& comment,
                            const std::string& otherDate = {});

}  // namespace tabrix::e2e
