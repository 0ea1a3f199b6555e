#pragma once
// A place in the source: function, line and file, taken by the compiler where a call is made.
//
// CallSite::Current() used as a default argument names the caller of the function that has
// the argument, so a function learns where it was called from without any edit at its call
// sites. It rests on the compilers' builtins (__builtin_FUNCTION and friends): every compiler
// the project builds with (g++, MinGW g++, clang 14 for the fuzz build) has them, while
// std::source_location is missing from clang 14.
//
// What the builtins give:
//   function  the bare name as the compiler knows it: "PutField" for a free or member
//             function alike, the class name for a constructor, "operator()" inside a lambda
//             (a lambda that wants its enclosing function named passes a CallSite taken
//             outside it);
//   line      the line of the call;
//   file      the path the compiler was given, absolute in the CMake builds; module() cuts
//             it to the file's base name with its extension ("table_area.cpp"), the form the
//             error reports print as the module.
// All three point at static strings; a CallSite is cheap to copy and may outlive any scope.

#include <string_view>

namespace tabrix {

struct CallSite {
  const char* function = "";
  int line = 0;
  const char* file = "";

  static CallSite Current(const char* function = __builtin_FUNCTION(), int line = __builtin_LINE(),
                          const char* file = __builtin_FILE()) {
    return {function, line, file};
  }

  // The file's base name (after the last '/' or '\'), extension kept; "" when unknown.
  std::string_view module() const {
    const std::string_view path = file ? file : "";
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
  }
};

}  // namespace tabrix
