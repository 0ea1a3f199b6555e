#pragma once
// The country-link file (".LVK"): the links between country designations found in converted
// records and the countries the user chose for them, kept for the next conversion.
//
// Layout (text digits, no count, no end marker; the file ends after the last link):
//
//   part        size  content
//   header      10    type id "Tabrix-LVK"
//   per link    3     length d of the designation, decimal, right-aligned with leading blanks
//               d     the designation's bytes exactly as held (OEM, trailing blanks included)
//               6     the country's position in the country list, right-aligned in 4
//                     characters with leading blanks, then CR LF
//
// So a link costs 3 + d + 6 bytes (39 for a 30-character LAND field); an empty link list is the
// ten-byte header alone. A designation of more than 999 bytes or a position above 9999 cannot
// be written.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "converter/converter_ui.h"
#include "converter/job_state.h"

namespace tabrix {

inline constexpr std::string_view kCountryLinkFileId = "Tabrix-LVK";
// A link file is a few kilobytes; nothing beyond this many bytes is read.
inline constexpr std::size_t kCountryLinkFileMaxBytes = 16u << 20;

// The file's bytes for `links`. Links that the format cannot hold (designation longer than 999
// bytes, position outside 1..9999) are left out, so that every later link stays readable.
std::string EncodeCountryLinkFile(const std::vector<CountryLink>& links);

// Reads the links of a file for a country list of `countryCount` entries. Returns nullopt when
// the first ten bytes are not the type id. Otherwise:
//  - a link whose position is not a whole number in 1..countryCount is dropped (also a position
//    left blank because the file ended inside it), so no position outside the list survives;
//  - a length field that is not a whole number 0..999 ends the reading (the rest of the file is
//    unreadable); the links before it are kept;
//  - designation bytes missing at the end of the file are blanks, as the width promises.
std::optional<std::vector<CountryLink>> DecodeCountryLinkFile(std::string_view bytes,
                                                              int countryCount);

// The first link whose designation equals `landOem` in German upper case, same length, blanks
// included, and whose position lies in 1..countryCount; nullptr when there is none.
const CountryLink* FindCountryLink(const std::vector<CountryLink>& links, std::string_view landOem,
                                   int countryCount);

// SAVELANDZUW: beeps, asks whether to save the country links (not when `noQuestion`), asks for
// a file and writes ALANDVERKN there. Returns false only when, after agreeing, the user chose no
// file or the file could not be created; true otherwise. LLANDGESICHERT is left as it is.
bool SAVELANDZUW(ConverterContext& ctx, const ConverterJobState& state, WindowHandle owner,
                 bool noQuestion);

// OPENZUWLAND: asks for a country-link file and replaces ALANDVERKN by its links, for a country
// list of `countryCount` entries. Returns true when a file was loaded; false when the user
// cancelled, the file is missing, cannot be opened or is of another kind (with a message;
// the links are unchanged) or the job was closed while the chooser was open.
// LLANDGESICHERT is left as it is.
bool OPENZUWLAND(ConverterContext& ctx, ConverterJobState& state, WindowHandle owner,
                 int countryCount);

}  // namespace tabrix
