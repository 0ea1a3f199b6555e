// Runs the real topicgate.exe and records what reaches the help engine.
//
// WinHelpA finds the help engine by its window class "MS_WINHELP" and hands it the request
// with WM_COPYDATA: wParam carries the calling window, the data block a WINHELP record
// (size, command, argument, file name offset, data offset) followed by the file name. A
// window of that class in this process stands in for the help engine and records the request.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

namespace {

constexpr ULONG_PTR kWinHelpCopyDataTag = 0xA1DE505;

struct RecordedHelpCall {
  int32_t window = 0;
  std::string helpFile;
  int32_t command = 0;
  int32_t argument = 0;
};

std::optional<RecordedHelpCall> gRecorded;

// The WINHELP record as it travels in WM_COPYDATA (16-bit-era layout, little endian).
std::optional<RecordedHelpCall> DecodeWinHelpRecord(WPARAM caller, const COPYDATASTRUCT& data) {
  if (data.dwData != kWinHelpCopyDataTag || data.cbData < 16) return std::nullopt;
  const auto* bytes = static_cast<const unsigned char*>(data.lpData);
  uint16_t command;
  int32_t argument;
  uint16_t fileOffset;
  std::memcpy(&command, bytes + 2, 2);
  std::memcpy(&argument, bytes + 4, 4);
  std::memcpy(&fileOffset, bytes + 12, 2);
  RecordedHelpCall call;
  call.window = static_cast<int32_t>(caller);
  call.command = command;
  call.argument = argument;
  if (fileOffset != 0 && fileOffset < data.cbData) {
    const char* name = reinterpret_cast<const char*>(bytes + fileOffset);
    call.helpFile.assign(name, strnlen(name, data.cbData - fileOffset));
  }
  return call;
}

LRESULT CALLBACK RecorderProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COPYDATA) {
    gRecorded = DecodeWinHelpRecord(wParam, *reinterpret_cast<COPYDATASTRUCT*>(lParam));
    return TRUE;
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

class HelpEngineRecorder {
 public:
  HelpEngineRecorder() {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = RecorderProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "MS_WINHELP";
    RegisterClassA(&windowClass);
    hwnd_ = CreateWindowA("MS_WINHELP", "recorder", WS_OVERLAPPEDWINDOW, 0, 0, 10, 10, nullptr,
                          nullptr, windowClass.hInstance, nullptr);
  }
  ~HelpEngineRecorder() {
    DestroyWindow(hwnd_);
    UnregisterClassA("MS_WINHELP", GetModuleHandleA(nullptr));
  }
  bool ok() const { return hwnd_ != nullptr; }

 private:
  HWND hwnd_;
};

// Starts topicgate with the given command line and serves messages until it has ended.
// Returns the exit code.
DWORD RunTopicGate(const std::string& arguments) {
  std::string commandLine = "topicgate.exe " + arguments;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(TOPICGATE_EXE, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &process)) {
    ADD_FAILURE() << "cannot start " << TOPICGATE_EXE << ", error " << GetLastError();
    return ~0u;
  }
  // The help call is a sent message: it is delivered while this thread waits here.
  while (MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, 30000, QS_ALLINPUT) ==
         WAIT_OBJECT_0 + 1) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }
  DWORD exitCode = ~0u;
  GetExitCodeProcess(process.hProcess, &exitCode);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return exitCode;
}

struct EndToEndCase {
  const char* arguments;
  RecordedHelpCall expected;
};

class TopicGateEndToEnd : public testing::TestWithParam<EndToEndCase> {};

TEST_P(TopicGateEndToEnd, HandsTheFourValuesToTheHelpEngine) {
  HelpEngineRecorder recorder;
  ASSERT_TRUE(recorder.ok());
  gRecorded.reset();
  EXPECT_EQ(RunTopicGate(GetParam().arguments), 0u);
  ASSERT_TRUE(gRecorded.has_value()) << "no help call arrived";
  EXPECT_EQ(gRecorded->window, GetParam().expected.window);
  EXPECT_EQ(gRecorded->helpFile, GetParam().expected.helpFile);
  EXPECT_EQ(gRecorded->command, GetParam().expected.command);
  EXPECT_EQ(gRecorded->argument, GetParam().expected.argument);
}

INSTANTIATE_TEST_SUITE_P(
    RealProgram, TopicGateEndToEnd,
    testing::Values(EndToEndCase{"1234;C:\\HELP\\APP.HLP;1;50", {1234, "C:\\HELP\\APP.HLP", 1, 50}},
                    EndToEndCase{"\"1234;C:\\HELP\\APP.HLP;1;50\"",
                                 {1234, "C:\\HELP\\APP.HLP", 1, 50}},
                    EndToEndCase{" 42;x.hlp;+3;-7", {42, "x.hlp", 3, -7}},
                    EndToEndCase{"\" 42;x.hlp;+3;-7\"", {42, "x.hlp", 3, -7}}));

}  // namespace
