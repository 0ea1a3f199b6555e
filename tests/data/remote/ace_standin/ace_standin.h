#pragma once
// The test controls of the stand-in client engine (ace64.dll built from ace_standin_win.cpp),
// for tests that load it. Besides the engine's functions it exports:
//
//   StandInSetServer(type)        what AdsIsServerLoaded answers from now on (0, 1, 2)
//   StandInSetServerFor(loc, type)  ... and for the one location `loc` ("E:", "\\srv\share")
//   StandInFail(function, error)  every later call of `function` fails with `error` (0: no more)
//   StandInCalls(buffer, length)  the names of the engine functions called so far, one a line
//   StandInReset()                answer 0, no failures, empty call list, the system's clock
//   StandInSetClock(y,m,d,h,mi,s) the server's clock stands at that time from now on ...
//   StandInAdvanceClock(ms)       ... and moves only by this and by the server's own pauses,
//   StandInSleptMs()              which it adds up (the pauses between lock tries) and never
//                                 waits for
//
// A program that cannot call these (tabrix.exe in the end-to-end test) sets them through its
// environment before the library loads: TABRIX_ACE_SERVER=2, TABRIX_ACE_FAIL=AdsOpenTable:7008,
// and TABRIX_ACE_LOG=<file>, to which every call's name is appended as a line.

#include <cstdint>

#include "data/remote/ace_api.h"

namespace tabrix::standin {

using SetServerFn = void(TABRIX_ACE_CALL*)(AceU16 type);
using SetServerForFn = void(TABRIX_ACE_CALL*)(const char* location, AceU16 type);
using FailFn = void(TABRIX_ACE_CALL*)(const char* function, AceU32 error);
using CallsFn = AceU32(TABRIX_ACE_CALL*)(char* buffer, AceU32 length);
using ResetFn = void(TABRIX_ACE_CALL*)();
using SetClockFn = void(TABRIX_ACE_CALL*)(int year, int month, int day, int hour, int minute,
                                          int second);
using AdvanceClockFn = void(TABRIX_ACE_CALL*)(AceU32 ms);
using SleptFn = AceU32(TABRIX_ACE_CALL*)();

}  // namespace tabrix::standin
