#pragma once
// Target fields the converter derives from other target fields after the transfer: postal
// code out of the city, the sort key, the customer number and the telephone digits.
// All texts are table text in code page 850 as stored (padded where the field is).

#include <string>
#include <string_view>

namespace tabrix {

// The target's ORT and PLZ.
struct PostalCity {
  std::string plz;
  std::string ort;
};

// Takes the postal code out of the city: the first word of ORT (after leading white space)
// becomes PLZ and the rest, trimmed on both sides, becomes ORT. Nothing changes when there is
// no rest ("Berlin" followed by padding stays). No check for digits is made: "Bad Homburg"
// gives PLZ "Bad" and ORT "Homburg". Texts longer than the fields are cut when stored.
void GET_PLZORT(PostalCity& target);

// Sort key: trimmed, upper case by the German rules, umlauts and ß spelt out (AE OE UE SS),
// and only the letters A-Z kept: "Müller & Söhne GmbH" -> "MUELLERSOEHNEGMBH".
std::string FSORT(std::string_view textOem);

// What the customer number depends on: the target's PLZ and PLZ2 as stored, and the flags
// MUSTER and P1A of the country record the target's country names.
struct CustomerNumberInputs {
  std::string_view plz;
  std::string_view plz2;
  std::string_view muster;  // "A": the postal code may stand in PLZ2
  std::string_view p1a;     // "N": the postal code's first two digits form the number
};

// Customer number: a two-digit prefix from 10 to 99 followed by 0000 (100000 ... 990000).
// The prefix is taken from the postal code where the country's flags allow it, otherwise it is
// 11 (postal code given), 12 (none) or 13 (postal code starting with 0, or a prefix whose
// numeric value is below 10).
int MAKEKNDNR(const CustomerNumberInputs& inputs);

// The digits of the telephone number, in order (stored in SP3 for searching by number).
std::string TelephoneDigits(std::string_view telephone);

}  // namespace tabrix
