#pragma once
// The assignment file (".ZWS"): the field assignment of a converter job, so that a conversion
// can be repeated with a new export of the same source. Source fields are stored by their
// position in the source structure; the file fits any source with the same field order.
//
// Layout (integers are 16-bit little-endian, written from values 0 .. number of source fields):
//
//   offset          size  content
//   0               10    type id "Tabrix-ZWS", no terminator
//   10              100   AZUWEISUNG[1] .. AZUWEISUNG[50]
//   110             2     count b of remark fields
//   112             2b    ABEMFELDER in list order
//   112 + 2b        2     count n of notes fields
//   114 + 2b        2n    ANOTIZFELDER in list order
//   114 + 2b + 2n   1     LPLZAUSORT: "1" on, "0" off
//
// Total length 115 + 2(b + n). Bytes after the option byte are ignored.
//
// Reading distrusts the file: after a correct type id it never fails, but every value is checked
// against the source that is open now (see DecodeAssignmentFile).

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "converter/converter_ui.h"
#include "converter/job_state.h"

namespace tabrix {

inline constexpr std::string_view kAssignmentFileId = "Tabrix-ZWS";
// The longest file the format can describe (both counts 65535); nothing beyond it is read.
inline constexpr std::size_t kAssignmentFileMaxBytes = 115 + 4 * 65535;

struct DecodedAssignment {
  std::array<int, kAssignmentCount> entries{};  // AZUWEISUNG
  std::vector<int> remark;                      // ABEMFELDER
  std::vector<int> notes;                       // ANOTIZFELDER
  bool postalFromCity = false;                  // LPLZAUSORT
  // Something of the file could not be taken over (the one summary message is due).
  bool partlyUnassignable = false;
  bool operator==(const DecodedAssignment&) const = default;
};

// The file's bytes for the current assignment of `state`.
std::string EncodeAssignmentFile(const ConverterJobState& state);

// Reads an assignment from the bytes of a file for a source with `sourceFieldCount` fields.
// Returns nullopt when the first ten bytes are not the type id (file of another kind).
// Otherwise the result holds only values the source can satisfy, and partlyUnassignable tells
// that something was dropped:
//  - an entry of AZUWEISUNG beyond the field count (slot or not) becomes 0;
//  - a composite value outside 1 .. field count, or repeated in its list, is dropped;
//  - an assignment of the PLZ slot while the postal-code option is on is cleared (the slot
//    cannot be assigned while the option takes the postal code from the city);
//  - a file that ends early keeps what is complete: missing entries are 0, missing composite
//    values are dropped, a missing option byte means off.
std::optional<DecodedAssignment> DecodeAssignmentFile(std::string_view bytes, int sourceFieldCount);

// ZUWSAVE: asks for a file name and saves the assignment there. Message boxes belong to
// `owner`. Returns true when a file was written (then LZUWGESICHERT is set), false when the user
// cancelled the chooser or the file could not be created (after a message).
bool ZUWSAVE(ConverterContext& ctx, ConverterJobState& state, WindowHandle owner);

// ZUWOPEN: asks for an assignment file and loads it into the job and the lists of `dialog`.
// Returns true when it was loaded; false when the user cancelled, the file is missing, cannot be
// opened, is of another kind (with a message; the state is unchanged) or the job was closed
// while the chooser was open.
bool ZUWOPEN(ConverterContext& ctx, ConverterJobState& state, WindowHandle dialog);

}  // namespace tabrix
