// Two processes sharing a table file on POSIX: the second process is lock_probe, started with
// posix_spawn. Windows runs the same cases from lock_two_process_win_test.cpp.

#ifndef _WIN32

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>

#include <string>
#include <vector>

#include "data/table/two_process_lock_cases.h"

extern char** environ;

namespace tabrix {

int RunLockProbe(const std::vector<std::string>& args) {
  std::vector<std::string> all = {LOCK_PROBE_EXE};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, LOCK_PROBE_EXE, nullptr, nullptr, argv.data(), environ) != 0) return -1;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace tabrix

#endif  // _WIN32
