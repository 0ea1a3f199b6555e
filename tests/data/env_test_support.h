#pragma once
// Helpers shared by the file layer tests: Envs to run the same cases against, and scratch
// file names that do not collide between test programs running side by side.

#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "data/file_env.h"

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

}  // namespace tabrix::testing_support
