// COPYFILE's steps and codes (see win32fkt_copy.h).

#include "framework/native/win32fkt_copy.h"

namespace tabrix {

int COPYFILE(CopyFileSystem& files, const std::string& source, const std::string& target,
             bool failIfExists, bool keepSourceTimes) {
  FileTimes times;
  if (keepSourceTimes) {
    switch (files.ReadTimes(source, times)) {
      case FileStep::kOpenFailed:
        return -2;
      case FileStep::kTimesFailed:
        return -1;
      case FileStep::kOk:
        break;
    }
  } else {
    uint64_t now = 0;
    if (!files.CurrentTime(now)) return -6;
    times = {now, now, now};
  }
  if (!files.Copy(source, target, failIfExists)) return -5;
  switch (files.WriteTimes(target, times)) {
    case FileStep::kOpenFailed:
      return -4;
    case FileStep::kTimesFailed:
      return -3;
    case FileStep::kOk:
      break;
  }
  return 0;
}

}  // namespace tabrix
