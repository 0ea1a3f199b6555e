#include "data/stdlib/stfkt_table.h"

#include <optional>

#include "data/base/text.h"
#include "data/stdlib/stfkt.h"
#include "data/table/table_area.h"

namespace tabrix {

namespace {

// Restores the default driver when it was switched, also when CreateTable is abandoned.
class DefaultDriverScope {
 public:
  explicit DefaultDriverScope(std::optional<std::string> driver) {
    if (driver) previous_ = SetDefaultDriver(*driver);
  }
  ~DefaultDriverScope() {
    if (previous_) SetDefaultDriver(*previous_);
  }
  DefaultDriverScope(const DefaultDriverScope&) = delete;
  DefaultDriverScope& operator=(const DefaultDriverScope&) = delete;

 private:
  std::optional<std::string> previous_;
};

}  // namespace

std::string LocalTableName(std::string_view file) {
  std::string name(file);
  std::string_view tail = std::string_view(name).substr(name.size() < 4 ? 0 : name.size() - 4);
  if (tail.find('.') == std::string_view::npos) name += ".dbf";
  // Only the file's own name: the directory part is left as given, so that paths of file
  // systems that tell cases apart keep working.
  size_t slash = name.find_last_of("/\\");
  for (size_t i = slash == std::string::npos ? 0 : slash + 1; i < name.size(); ++i) {
    name[i] = AsciiUpper(name[i]);
  }
  return name;
}

int DBCREATELOCAL(std::string_view file, const std::vector<StructureRow>& rows,
                  std::string_view driver, const LocalDriverSettings& settings) {
  const std::string name = LocalTableName(file);
  std::optional<std::string> local;
  if (settings.serverDefault) {
    // The server's remote file type is CDX from start-up on, so its local twin is DBFCDX.
    local = kDriverCdx;
  }
  DefaultDriverScope scope(local);

  int result = kCreateLocalOk;
  if (TableEnv()->FileExists(name)) {
    for (int i = 0; i < kCreateLocalRemoveTries; ++i) {
      if (TableEnv()->RemoveFile(name).ok() || !TableEnv()->FileExists(name)) break;
      WAITMODELESS(kCreateLocalRemovePause);
    }
    if (TableEnv()->FileExists(name)) result = kCreateLocalOldFileKept;
  }
  CreateTable(name, rows, driver);
  if (!TableEnv()->FileExists(name)) return kCreateLocalMissing;
  return result;
}

}  // namespace tabrix
