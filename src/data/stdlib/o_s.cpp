// Developer trace (see o_s.h).

#include "data/stdlib/o_s.h"

#include <cstdio>

#include "data/base/text.h"

namespace tabrix {
namespace {

DebugChannel* gChannel = nullptr;
bool gDebuggerStarted = false;

DebugChannel& Channel() {
  return gChannel ? *gChannel : BuiltInDebugChannel();
}

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(' ');
  if (b == s.npos) return "";
  size_t e = s.find_last_not_of(' ');
  return s.substr(b, e - b + 1);
}

std::string NumberText(double d) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.10g", d);
  return buffer;
}

// A number right-aligned in 10 characters (wider numbers keep every digit).
std::string Str10(const std::string& number) {
  return number.size() >= 10 ? number : std::string(10 - number.size(), ' ') + number;
}

// The plain text form of a scalar; "" for kinds that have none.
std::optional<std::string> PlainText(const TraceValue& value) {
  if (auto s = std::get_if<std::string>(&value.v)) return *s;
  if (auto d = std::get_if<double>(&value.v)) return NumberText(*d);
  if (auto i = std::get_if<int64_t>(&value.v)) return std::to_string(*i);
  if (auto b = std::get_if<bool>(&value.v)) return std::string(*b ? ".T." : ".F.");
  if (auto d = std::get_if<Date>(&value.v)) return DateText(*d);
  return std::nullopt;
}

std::string Location(const char* function, int line) {
  return std::string("PROC: ") + (function ? function : "") + " Zeile:" + std::to_string(line);
}

void Emit(bool viewer, const std::string& line) {
  DebugChannel& channel = Channel();
  if (viewer) {
    std::string text = channel.ViewerText(kDebugViewerControl);
    if (text.size() > kDebugViewerKeep) text.erase(0, text.size() - kDebugViewerKeep);
    channel.SetViewerText(kDebugViewerControl, text + line);
  } else {
    channel.DebugString(line);
  }
}

}  // namespace

DebugChannel* SetDebugChannel(DebugChannel* channel) {
  DebugChannel* previous = gChannel;
  gChannel = channel;
  return previous;
}

void DebuggerOutput(const std::string& text) {
  Channel().DebugString(text);
}

void ResetDebugOutputStarted() {
  gDebuggerStarted = false;
}

void O_S(const TraceValue& first, const TraceValue& second, bool withLocation, const char* function,
         int lineNumber) {
  DebugChannel& channel = Channel();
  const bool viewer = channel.FindViewer(kDebugViewerClass, kDebugViewerTitle);
  if (!viewer && !channel.AtomExists(kDebugAtom)) return;

  if (!viewer && !gDebuggerStarted) {
    gDebuggerStarted = true;
    channel.DebugString("\x1BL");
    channel.DebugString(" \r\n");
  }

  std::string firstText;
  TraceValue secondValue = second;
  if (std::holds_alternative<TraceValue::List>(first.v) ||
      std::holds_alternative<TraceCodeblock>(first.v)) {
    firstText = "Array / Codeblock: 1.Parameter sollte String, Zahl oder NIL sein!";
  } else if (std::holds_alternative<std::monostate>(first.v)) {
    Emit(viewer, Location(function, lineNumber) + "\r\n");
    return;
  } else if (std::holds_alternative<double>(first.v) || std::holds_alternative<int64_t>(first.v)) {
    firstText = "Wert: " + Str10(*PlainText(first));
    secondValue = TraceValue("Laenge: " + Str10(std::to_string(firstText.size())));
    withLocation = true;
  } else {
    firstText = PlainText(first).value_or("");
  }
  firstText = Trim(firstText);

  std::string secondText;
  if (std::holds_alternative<std::monostate>(secondValue.v)) {
    secondText = "NIL";
  } else if (std::holds_alternative<TraceCodeblock>(secondValue.v)) {
    secondText = "Codeblock";
  } else if (std::holds_alternative<TraceObject>(secondValue.v)) {
    secondText = "Object";
  } else if (auto list = std::get_if<TraceValue::List>(&secondValue.v)) {
    secondText = CARRAY(*list, 0, "");
  } else {
    secondText = PlainText(secondValue).value_or("");
  }

  if (firstText == "CLEAR") {
    if (viewer) {
      channel.SetViewerText(kDebugViewerControl, "");
    } else {
      channel.DebugString(" \r\n");
    }
    return;
  }

  std::string body = firstText + " >" + secondText + "<";
  std::string line = withLocation ? Location(function, lineNumber) + " -> " + body + "\r\n"
                                  : "-> " + body + "\r\n";
  Emit(viewer, line);
}

std::string CARRAY(const TraceValue::List& list, int level, std::string prefix) {
  if (level > 0) prefix += std::to_string(level) + ",";
  std::string out;
  for (size_t n = 0; n < list.size(); ++n) {
    const TraceValue& e = list[n];
    const std::string i = std::to_string(n + 1);
    if (std::holds_alternative<TraceCodeblock>(e.v)) {
      out += prefix + i + ": Codeblock";
    } else if (std::holds_alternative<TraceObject>(e.v)) {
      out += prefix + i + ": Object";
    } else if (auto sub = std::get_if<TraceValue::List>(&e.v)) {
      out += "\r\n\t" + CARRAY(*sub, static_cast<int>(n + 1), prefix);
    } else if (std::holds_alternative<std::monostate>(e.v)) {
      out += prefix + i + ": NIL";
    } else if (auto b = std::get_if<bool>(&e.v)) {
      out += prefix + i + ": " + (*b ? ".T." : ".F.");
    } else {
      out += prefix + i + ": " + Trim(*PlainText(e)) + " | ";
    }
  }
  return out;
}

}  // namespace tabrix
