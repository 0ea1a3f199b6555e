#pragma once
// Helpers shared by the file layer tests: Envs to run the same cases against, and scratch
// file names that do not collide between test programs running side by side.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "data/env/file_env.h"

#ifdef _WIN32
#include <process.h>
#define TABRIX_TEST_PID _getpid()
#else
#include <unistd.h>
#define TABRIX_TEST_PID getpid()
#endif

namespace tabrix::testing_support {

// A named way to get an Env. For the platform Env, scratch files go into the working
// directory (the test's build folder) and are removed by the test.
struct EnvFactory {
  const char* name;
  std::function<std::unique_ptr<Env>()> make;  // null for the platform Env
};

inline void PrintTo(const EnvFactory& factory, std::ostream* os) {
  *os << factory.name;
}

// A file name in the working directory, unique to this process and the given tag.
inline std::string ScratchName(const std::string& tag) {
  return "scratch_" + tag + "_" + std::to_string(TABRIX_TEST_PID) + ".tmp";
}

inline std::vector<uint8_t> Bytes(const std::string& text) {
  return std::vector<uint8_t>(text.begin(), text.end());
}

// Replaces the file `name` of `env` by `bytes`; false when that failed.
inline bool WriteWholeFile(Env& env, const std::string& name, std::string_view bytes) {
  std::unique_ptr<File> f;
  return env.Open(name, {.disposition = Disposition::kCreateAlways}, &f).ok() &&
         f->WriteAt(0, {reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()}).ok();
}

// The whole content of the file `name` of `env`; nothing when it cannot be read.
inline std::optional<std::string> ReadWholeFile(Env& env, const std::string& name) {
  std::unique_ptr<File> f;
  uint64_t size = 0;
  if (!env.Open(name, {}, &f).ok() || !f->Size(&size).ok()) return std::nullopt;
  std::string bytes(size, '\0');
  size_t got = 0;
  if (!f->ReadAt(0, {reinterpret_cast<uint8_t*>(bytes.data()), bytes.size()}, &got).ok() ||
      got != size) {
    return std::nullopt;
  }
  return bytes;
}

}  // namespace tabrix::testing_support
