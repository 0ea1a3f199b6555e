#include "data/diagnostics/errorsys.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <type_traits>

#include "data/base/network_error.h"
#include "data/base/text.h"
#include "data/diagnostics/error_log.h"

namespace tabrix {
namespace {

std::string DoubleText(double d) {
  if (std::isfinite(d) && d == std::trunc(d) && std::fabs(d) < 1e15) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.0f", d == 0 ? 0.0 : d);  // no "-0"
    return buf;
  }
  char buf[64];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, d);
  return ec == std::errc() ? std::string(buf, end) : std::string();
}

std::string CurrencyText(const Currency& c) {
  // Four fixed decimals, trailing zeros dropped: the value as it was stored.
  const bool negative = c.tenThousandths < 0;
  const uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(c.tenThousandths)
                                      : static_cast<uint64_t>(c.tenThousandths);
  std::string text = std::to_string(magnitude / 10000);
  uint64_t fraction = magnitude % 10000;
  if (fraction != 0) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%04u", static_cast<unsigned>(fraction));
    std::string digits = buf;
    while (digits.back() == '0') digits.pop_back();
    text += "." + digits;
  }
  return negative ? "-" + text : text;
}

// The printable form before upper-casing.
std::string PlainValue(const Value& value, bool onOff) {
  return std::visit(
      [&](const auto& v) -> std::string {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, std::string>) {
          return v;
        } else if constexpr (std::is_same_v<T, Blob>) {
          return v.bytes;
        } else if constexpr (std::is_same_v<T, double> || std::is_same_v<T, int32_t> ||
                             std::is_same_v<T, Currency> || std::is_same_v<T, Decimal>) {
          return NumberText(value);
        } else if constexpr (std::is_same_v<T, Date>) {
          return DateText(v);
        } else if constexpr (std::is_same_v<T, bool>) {
          if (onOff) return v ? "On" : "Off";
          return v ? ".t." : ".f.";
        } else {
          return "";
        }
      },
      value);
}

char TypeLetter(const Value& value) {
  return std::visit(
      [](const auto& v) -> char {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, std::string> || std::is_same_v<T, Blob>) return 'C';
        if constexpr (std::is_same_v<T, double> || std::is_same_v<T, int32_t> ||
                      std::is_same_v<T, Currency> || std::is_same_v<T, Decimal>)
          return 'N';
        if constexpr (std::is_same_v<T, Date>) return 'D';
        if constexpr (std::is_same_v<T, DateTime>) return 'T';
        if constexpr (std::is_same_v<T, bool>) return 'L';
        return 'U';
      },
      value);
}

std::string FrameText(const std::string& name, int line) {
  return name + "(" + std::to_string(line) + ") in Module:";
}

}  // namespace

std::string TimeText(const LocalTime& t) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", t.hour, t.minute, t.second);
  return buf;
}

std::string NumberText(const Value& number) {
  if (const double* d = std::get_if<double>(&number)) return DoubleText(*d);
  if (const int32_t* i = std::get_if<int32_t>(&number)) return std::to_string(*i);
  if (const Currency* c = std::get_if<Currency>(&number)) return CurrencyText(*c);
  if (const Decimal* d = std::get_if<Decimal>(&number)) return d->Text();
  return "";
}

std::string STRVALUE(const Value& value, bool onOff) {
  return AsciiUpper(PlainValue(value, onOff));
}

std::string ERRORMESSAGE(const ErrorObject& e) {
  std::string text = e.severity > 1 ? "Error" : "Warning";
  text += " " + (e.subSystem.empty() ? std::string("???") : e.subSystem);
  text += "/" + std::to_string(e.subCode);
  if (!e.description.empty()) text += "  " + e.description;
  if (!e.fileName.empty()) {
    text += ": " + e.fileName;
  } else if (!e.operation.empty()) {
    text += ": " + e.operation;
  }
  return text;
}

std::string ARGUMENTS(const ErrorObject& e) {
  if (!e.args) return "";
  std::string text;
  for (size_t i = 0; i < e.args->size(); ++i) {
    const Value& arg = (*e.args)[i];
    std::string index = std::to_string(i + 1);
    if (index.size() < 2) index.insert(0, 2 - index.size(), ' ');
    text += " [" + index + "] = Type: " + TypeLetter(arg);
    if (std::holds_alternative<Null>(arg)) continue;
    // Values as they are; logicals in their usual upper-case form.
    const bool* logical = std::get_if<bool>(&arg);
    text += " Val: " + (logical ? std::string(*logical ? ".T." : ".F.") : PlainValue(arg, false));
  }
  return text;
}

ErrorOutcome DEFERROR(const ErrorObject& e) {
  if (e.genCode == kGenZeroDiv) return {ErrorAction::kSubstitute, Value{0.0}};
  if (e.genCode == kGenLock && e.canRetry) return {ErrorAction::kRetry, {}};
  if ((e.genCode == kGenOpen && e.osCode == 32 && e.canDefault) ||
      (e.genCode == kGenAppendLock && e.canDefault)) {
    NetworkError(true);
    return {ErrorAction::kDefault, {}};
  }

  std::string message = ERRORMESSAGE(e);
  if (e.args) message += " Arguments: (" + ARGUMENTS(e) + ")";
  if (e.osCode != 0) message += " (DOS Error " + std::to_string(e.osCode) + ")";

  ErrorSysPlatform& platform = CurrentErrorSysPlatform();
  platform.ShowMessageBox("Fehler bei Programmausführung, Programm wird beendet", "QZ-Hinweis",
                          kBoxExclamation);
  platform.DebugOutput(message, std::nullopt);
  platform.DebugOutput("Error at ...: " + FrameText(e.procName, e.procLine), e.moduleName);
  for (const StackFrame& caller : e.callers) {
    if (caller.procName.empty()) break;
    platform.DebugOutput("Called from: " + FrameText(caller.procName, caller.procLine),
                         caller.moduleName);
  }
  LOGERROR(e);
  platform.EndProgram(1);
  return {ErrorAction::kAbandon, {}};
}

void ERRORSYS() {
  SetErrorHandler(DEFERROR);
}

unsigned SETERRORMODE(unsigned mode) {
  return CurrentErrorSysPlatform().SetSystemErrorMode(mode);
}

}  // namespace tabrix
