// topicgate: opens a topic of a Windows help file on behalf of another program.
// Usage: topicgate <window>;<help file>;<command>;<argument>
// No window, no message, exit code always 0.

#include <windows.h>

#include <cstdint>

#include "topicgate/topic_command.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE previous, LPSTR, int) {
  if (previous != nullptr) return 0;  // 16-bit-era start-up argument; never set on Win32
  tabrix::TopicRequest request =
      tabrix::ParseTopicCommand(tabrix::ArgumentsOfCommandLine(GetCommandLineA()));
  // Window handles are 32-bit values sign-extended to pointer width.
  HWND window = reinterpret_cast<HWND>(static_cast<intptr_t>(request.window));
  WinHelpA(window, request.helpFile.c_str(), static_cast<UINT>(request.command),
           static_cast<ULONG_PTR>(static_cast<intptr_t>(request.argument)));
  return 0;
}
