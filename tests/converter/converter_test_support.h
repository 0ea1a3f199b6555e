#pragma once
// Shared pieces of the converter tests: a private temporary folder, whole-file helpers, and a
// job state for a source with a given number of fields.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "converter/job_state.h"

namespace tabrix {

class TempFolder {
 public:
  TempFolder() {
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    std::string name = "tabrix_conv_" + std::string(info->test_suite_name()) + "_" + info->name();
    for (char& c : name) c = (c == '/' || c == '\\') ? '_' : c;
    path_ = std::filesystem::temp_directory_path() / name;
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  std::string File(const std::string& name) const { return (path_ / name).string(); }
  std::string Folder() const { return path_.string(); }

 private:
  std::filesystem::path path_;
};

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// A job state with an open job for a source of `fieldCount` character fields F1, F2, ... of
// length 10 * number, and a 30-field target of length 20 each.
inline ConverterJobState MakeJobState(int fieldCount) {
  ConverterJobState state;
  for (int i = 1; i <= fieldCount; ++i) {
    state.ASSTRUCT.push_back({"F" + std::to_string(i), 'C', 10 * i, 0});
  }
  for (int i = 1; i <= 30; ++i) state.AZIELSTRUCT.push_back({"Z" + std::to_string(i), 'C', 20, 0});
  state.CQUELLDATEI = "C:\\DATEN\\ADRESSEN.DBF";
  state.CQUELLNAME = "ADRESSEN";
  ResetForNewJob(state);
  return state;
}

// Little-endian 16-bit word as file bytes.
inline std::string Word(int v) {
  return {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)};
}

}  // namespace tabrix
