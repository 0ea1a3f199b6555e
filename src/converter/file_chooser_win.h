#pragma once
// The platform's open and save file choosers (GETOPENFILENAME / GETSAVEFILENAME) for the
// converter's window side, with the request in plain values. (The framework's dialog arguments
// and the converter's chooser request are kept in separate translation units.)

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tabrix {

struct PlainFileChooser {
  bool save = false;
  std::uintptr_t owner = 0;
  std::string initialName;                                   // empty: none
  std::optional<std::string> title;                          // nullopt: the chooser's default title
  std::vector<std::pair<std::string, std::string>> filters;  // description, pattern
  std::uint32_t flags = 0;
  std::string initialDir;  // empty: none
  std::string defaultExt;  // empty: none
};

// The chosen full path; nullopt when the user cancelled or the chooser failed.
std::optional<std::string> RunPlatformFileChooser(const PlainFileChooser& request);

}  // namespace tabrix
