// Profile (INI) file text (see profile_text.h).

#include "data/stdlib/profile_text.h"

#include <vector>

namespace tabrix {
namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
    if (x != y) return false;
  }
  return true;
}

std::vector<std::string_view> Lines(std::string_view content) {
  std::vector<std::string_view> lines;
  size_t start = 0;
  while (start < content.size()) {
    size_t end = content.find('\n', start);
    std::string_view line = content.substr(start, end == content.npos ? content.npos : end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (end == content.npos) break;
    start = end + 1;
  }
  return lines;
}

// The section name of a "[name]" line.
std::optional<std::string_view> SectionOf(std::string_view line) {
  line = Trim(line);
  if (line.size() < 2 || line.front() != '[') return std::nullopt;
  size_t close = line.find(']');
  if (close == line.npos) return std::nullopt;
  return Trim(line.substr(1, close - 1));
}

// Key and raw value of a "key=value" line.
std::optional<std::pair<std::string_view, std::string_view>> KeyOf(std::string_view line) {
  std::string_view t = Trim(line);
  if (t.empty() || t.front() == ';') return std::nullopt;
  size_t eq = t.find('=');
  if (eq == t.npos) return std::nullopt;
  return std::make_pair(Trim(t.substr(0, eq)), Trim(t.substr(eq + 1)));
}

// Index of the section's header line, or -1.
long FindSection(const std::vector<std::string_view>& lines, std::string_view section) {
  for (size_t i = 0; i < lines.size(); ++i) {
    auto name = SectionOf(lines[i]);
    if (name && SameName(*name, section)) return static_cast<long>(i);
  }
  return -1;
}

}  // namespace

std::optional<std::string> ReadProfileValue(std::string_view content, std::string_view section,
                                            std::string_view key) {
  std::vector<std::string_view> lines = Lines(content);
  long at = FindSection(lines, Trim(section));
  if (at < 0) return std::nullopt;
  for (size_t i = at + 1; i < lines.size() && !SectionOf(lines[i]); ++i) {
    auto kv = KeyOf(lines[i]);
    if (!kv || !SameName(kv->first, Trim(key))) continue;
    std::string_view v = kv->second;
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
      v = v.substr(1, v.size() - 2);
    return std::string(v);
  }
  return std::nullopt;
}

std::string WriteProfileValue(std::string_view content, std::string_view section,
                              std::string_view key, std::string_view value) {
  std::vector<std::string_view> lines = Lines(content);
  const std::string keyLine = std::string(Trim(key)) + "=" + std::string(value);
  std::vector<std::string> out(lines.begin(), lines.end());
  long at = FindSection(lines, Trim(section));
  if (at < 0) {
    if (!out.empty() && !Trim(out.back()).empty()) out.emplace_back("");
    out.push_back("[" + std::string(Trim(section)) + "]");
    out.push_back(keyLine);
  } else {
    size_t insert = at + 1;
    bool replaced = false;
    for (size_t i = at + 1; i < lines.size() && !SectionOf(lines[i]); ++i) {
      auto kv = KeyOf(lines[i]);
      if (!kv) continue;
      if (SameName(kv->first, Trim(key))) {
        out[i] = keyLine;
        replaced = true;
        break;
      }
      insert = i + 1;
    }
    if (!replaced) out.insert(out.begin() + static_cast<long>(insert), keyLine);
  }
  std::string text;
  for (const std::string& line : out) text += line + "\r\n";
  return text;
}

}  // namespace tabrix
