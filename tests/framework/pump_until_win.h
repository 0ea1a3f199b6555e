#pragma once
// Waiting on a condition in Windows tests: under Wine, activation, focus and injected input
// arrive through the X server a moment later, so tests wait for the state they need instead of
// a fixed time.

#include <windows.h>

namespace tabrix::testing_support {

// Handles messages until `done` holds, waiting for input in between; gives up after five
// seconds. Returns done().
template <class Done>
bool PumpUntil(Done done) {
  const DWORD end = GetTickCount() + 5000;
  MSG msg;
  while (!done() && GetTickCount() < end) {
    if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    } else {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
  }
  return done();
}

}  // namespace tabrix::testing_support
