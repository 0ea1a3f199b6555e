// Profile (INI) text of any content: reading never fails, and a value written can be read
// back unchanged from the written text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "data/stdlib/profile_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  // Section and key come from the input's first line, split at the first blank.
  size_t eol = text.find('\n');
  std::string first = text.substr(0, eol == std::string::npos ? 0 : eol);
  size_t blank = first.find(' ');
  std::string section = first.substr(0, blank == std::string::npos ? first.size() : blank);
  std::string key = blank == std::string::npos ? "K" : first.substr(blank + 1);
  (void)tabrix::ReadProfileValue(text, section, key);

  // Names the profile rules can hold: no brackets, "=", ";", line ends, blanks at the edges.
  auto clean = [](std::string s) {
    std::string out;
    for (char c : s)
      if (c != '[' && c != ']' && c != '=' && c != ';' && c != '\r' && c != '\n' && c != ' ' &&
          c != '\t' && c != '"' && c != '\'')
        out += c;
    return out;
  };
  std::string s = clean(section), k = clean(key);
  if (s.empty() || k.empty()) return 0;
  const std::string value = "v1";
  std::string written = tabrix::WriteProfileValue(text, s, k, value);
  auto back = tabrix::ReadProfileValue(written, s, k);
  if (!back || *back != value) std::abort();
  return 0;
}
