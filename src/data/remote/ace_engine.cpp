// The engine's questions and errors; see ace_engine.h.

#include "data/remote/ace_engine.h"

#include <vector>

#include "data/base/driver_names.h"
#include "data/table/table_errors.h"

namespace tabrix {

int AceEngine::ServerAt(const std::string& drive) const {
  std::string location = drive;
  AceU16 type = 0;
  if (api_.AdsIsServerLoaded(reinterpret_cast<AceU8*>(location.data()), &type) != kAeSuccess) {
    return 0;
  }
  return type;
}

AceU32 AceEngine::LastError(std::string* text) const {
  AceU32 code = 0;
  std::vector<AceU8> buffer(600);
  AceU16 length = static_cast<AceU16>(buffer.size());
  if (api_.AdsGetLastError(&code, buffer.data(), &length) != kAeSuccess) return 0;
  if (text) {
    text->assign(reinterpret_cast<const char*>(buffer.data()),
                 std::min<size_t>(length, buffer.size()));
    while (!text->empty() && text->back() == '\0') text->pop_back();
  }
  return code;
}

ErrorObject AceEngine::Error(AceU32 code, int genCode, std::string fileName, std::string operation,
                             const CallSite& at) const {
  std::string text;
  const AceU32 last = LastError(&text);
  if (text.empty() || last != code) text = "Advantage error " + std::to_string(code);
  return TableError(genCode, static_cast<int>(code), kDriverAds, std::move(text),
                    std::move(fileName), std::move(operation), at);
}

}  // namespace tabrix
