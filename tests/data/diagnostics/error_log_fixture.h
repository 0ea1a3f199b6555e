#pragma once
// Test fixture for the error handler and the error log: a fresh temporary directory as the
// current directory of a fake platform, the log setting and handler restored afterwards.

#include <gtest/gtest.h>

#include <atomic>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "data/base/error.h"
#include "data/base/network_error.h"
#include "data/diagnostics/error_log.h"
#include "data/diagnostics/error_platform.h"
#include "data/diagnostics/error_platform_fake.h"

namespace tabrix {

class ErrorLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static std::atomic<int> counter{0};
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = info->name();
    for (char& c : name) {
      if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    }
    dir_ = std::filesystem::temp_directory_path() /
           ("tabrix_errlog_" + name + "_" + std::to_string(++counter));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
    fake_.directory = dir_.string();
    previousPlatform_ = SetErrorSysPlatform(&fake_);
    previousSetting_ = SetErrorLog({});
    previousHandler_ = SetErrorHandler({});
    NetworkError(false);
  }
  void TearDown() override {
    SetErrorHandler(previousHandler_);
    SetErrorLog(previousSetting_);
    SetErrorSysPlatform(previousPlatform_);
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }

  std::string PathOf(const std::string& name) const { return (dir_ / name).string(); }

  std::string Read(const std::string& name) const {
    std::ifstream in(dir_ / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  void Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(dir_ / name, std::ios::binary) << bytes;
  }
  bool Exists(const std::string& name) const { return std::filesystem::exists(dir_ / name); }

  FakeErrorSysPlatform fake_;
  std::filesystem::path dir_;

 private:
  ErrorSysPlatform* previousPlatform_ = nullptr;
  ErrorLogSetting previousSetting_;
  ErrorHandler previousHandler_;
};

}  // namespace tabrix
