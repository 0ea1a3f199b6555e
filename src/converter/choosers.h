#pragma once
// The two chooser procedures a conversion asks the user through, and the protocol of the
// records it did not take over.
//
// A chooser takes the progress dialog's place as the frame's current dialog and waits, letting
// window messages be handled, until it is gone; then a new progress dialog takes its place.
// Afterwards LABBRUCH tells the caller whether the program's close ran meanwhile (the close
// runs CLOSEALL, which sets LGESCHLOSSEN).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "converter/converter_ui.h"
#include "converter/field_description.h"
#include "converter/job_state.h"

namespace tabrix {

// LIST2INIT: asks for a source field ("DIALOG_5" without a third button, "DIALOG_2" with one).
// The field `leftOut` (> 0) is not offered. The third button (when given) answers 0, after
// `warning` (when given) was confirmed with OK. Returns the chosen field number, or 0.
int LIST2INIT(ConverterContext& ctx, ConverterJobState& state,
              const std::vector<FieldDescription>& structure, int leftOut,
              const std::string& labelAnsi, const std::optional<std::string>& thirdButtonAnsi,
              const std::optional<std::string>& warningAnsi);

// LIST4INIT: asks for a country of `countriesOem` (shown converted to window text). A choice
// marks the country links unsaved. With a third button ("aus Datei") the user may load a
// country-link file instead, after being offered to save the links made so far; that answers
// 0. Returns the chosen position (1-based), or 0.
int LIST4INIT(ConverterContext& ctx, ConverterJobState& state,
              const std::vector<std::string>& countriesOem, const std::string& labelAnsi,
              const std::optional<std::string>& thirdButtonAnsi);

// The numbers of the records not taken over, separated by ", ", a line broken (CR LF) after the
// number that makes it wider than kProtocolWrapPixels as widthOf measures it; no break after
// the last number.
inline constexpr int kProtocolWrapPixels = 270;
std::string ProtocolText(const std::vector<int64_t>& skipped,
                         const std::function<int(const std::string&)>& widthOf);

// The protocol file's contents (window text, lines ended by CR LF).
std::string ProtocolFileText(const std::string& appName, const Date& saved,
                             const std::string& sourcePath, int accepted,
                             const std::string& protocolText);

// PROTOKOLL: shows the count and the skipped record numbers in place of the progress dialog and
// lets the user save them to a text file. Returns when the dialog is gone.
void PROTOKOLL(ConverterContext& ctx, ConverterJobState& state, int accepted,
               const std::vector<int64_t>& skipped);

}  // namespace tabrix
