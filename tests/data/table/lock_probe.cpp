// A second process for the two-process lock tests: opens a file through the platform Env and
// tries locks on it while the test process holds its own.
//
//   lock_probe <file> shared|exclusive [x|s:<offset>:<length> ...]
//     Byte ranges through the Env: each lock is tried once (exclusive x or shared s) and
//     released again at once.
//   lock_probe <table> area <driver> [r:<recno>|t ...]
//     Through the table areas: OpenTable shared, then per argument GoTo + LockRecord (r) or
//     LockTable (t), each followed by UnlockArea.
// Exit code: bit i set when lock i was granted (at most 7 locks); 128 + OS code when the open
// failed (area mode: 128 + the OS code of the raised error); 255 for a bad command line.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "data/base/error.h"
#include "data/env/file_env.h"
#include "data/table/table_area.h"

namespace {

constexpr int kUsage = 255;

bool ParseLock(const std::string& text, tabrix::LockMode* mode, uint64_t* offset,
               uint64_t* length) {
  if (text.size() < 5 || (text[0] != 'x' && text[0] != 's') || text[1] != ':') return false;
  *mode = text[0] == 'x' ? tabrix::LockMode::kExclusive : tabrix::LockMode::kShared;
  char* end = nullptr;
  *offset = std::strtoull(text.c_str() + 2, &end, 10);
  if (*end != ':') return false;
  *length = std::strtoull(end + 1, &end, 10);
  return *end == '\0';
}

int ProbeThroughAreas(int argc, char** argv) {
  if (argc < 4) return kUsage;
  int osCode = -1;
  tabrix::ScopedErrorHandler handler([&](const tabrix::ErrorObject& e) {
    std::fprintf(stderr, "error %d/%d: %s %s\n", e.genCode, e.subCode, e.description.c_str(),
                 e.fileName.c_str());
    osCode = e.osCode;
    return tabrix::ErrorOutcome{tabrix::ErrorAction::kDefault, {}};
  });
  if (!tabrix::OpenTable(false, argv[3], argv[1], "PROBE", true, false)) {
    return 128 + (osCode > 0 && osCode < 127 ? osCode : 126);
  }
  int granted = 0;
  for (int i = 4; i < argc; ++i) {
    const std::string lock = argv[i];
    bool got = false;
    if (lock == "t") {
      got = tabrix::LockTable();
    } else if (lock.size() > 2 && lock.compare(0, 2, "r:") == 0) {
      tabrix::GoTo(std::strtoll(lock.c_str() + 2, nullptr, 10));
      got = tabrix::LockRecord();
    } else {
      return kUsage;
    }
    if (got) granted |= 1 << (i - 4);
    tabrix::UnlockArea();
  }
  tabrix::CloseAllAreas();
  return granted;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || argc > 10) return kUsage;
  std::string mode = argv[2];
  if (mode == "area") return ProbeThroughAreas(argc, argv);
  if (mode != "shared" && mode != "exclusive") return kUsage;
  std::unique_ptr<tabrix::File> file;
  tabrix::IoStatus s =
      tabrix::DefaultEnv()->Open(argv[1], {.exclusive = mode == "exclusive"}, &file);
  if (!s.ok()) {
    std::fprintf(stderr, "%s\n", s.ToString().c_str());
    return 128 + (s.osCode() < 127 ? s.osCode() : 126);
  }
  int granted = 0;
  for (int i = 3; i < argc; ++i) {
    tabrix::LockMode lockMode;
    uint64_t offset, length;
    if (!ParseLock(argv[i], &lockMode, &offset, &length)) return kUsage;
    if (file->LockRange(offset, length, lockMode)) {
      granted |= 1 << (i - 3);
      if (!file->UnlockRange(offset, length).ok()) return kUsage;
    }
  }
  return granted;
}
