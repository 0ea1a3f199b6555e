#pragma once
// COPYFILE: copies a file and gives the copy chosen time stamps.
//
//   step                                                   failure code
//   keep source times: open the source for reading         -2
//                      read its creation/access/write time -1
//   else: the current system time for all three            -6 (conversion failed)
//   copy (fails when the target exists and failIfExists)   -5
//   open the target for writing                            -4
//   set the three times on it                              -3
// 0 only when the copy and the time stamps succeeded. By default the copy gets the current
// time as its creation, access and write time.
//
// The steps run against a CopyFileSystem so that the order and the codes are portable; the
// Windows build's COPYFILE (win32fkt_win.h) runs them with the kernel's file calls.

#include <cstdint>
#include <string>

namespace tabrix {

// Times as the platform's 64-bit file times (100 ns since 1601, UTC).
struct FileTimes {
  uint64_t creation = 0;
  uint64_t lastAccess = 0;
  uint64_t lastWrite = 0;
  friend bool operator==(const FileTimes&, const FileTimes&) = default;
};

enum class FileStep { kOk, kOpenFailed, kTimesFailed };

class CopyFileSystem {
 public:
  virtual ~CopyFileSystem() = default;
  // Opens file for reading, reads its three times into times and closes it again.
  virtual FileStep ReadTimes(const std::string& file, FileTimes& times) = 0;
  // The current system time as a file time; false when it cannot be converted.
  virtual bool CurrentTime(uint64_t& now) = 0;
  virtual bool Copy(const std::string& source, const std::string& target, bool failIfExists) = 0;
  // Opens file for writing, sets its three times and closes it again.
  virtual FileStep WriteTimes(const std::string& file, const FileTimes& times) = 0;
};

int COPYFILE(CopyFileSystem& files, const std::string& source, const std::string& target,
             bool failIfExists = true, bool keepSourceTimes = false);

}  // namespace tabrix
