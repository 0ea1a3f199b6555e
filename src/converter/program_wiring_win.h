#pragma once
// How the converter program joins the framework and the table layer: the message pumps keep the
// selected table where it stood, the default error handler reports with the Windows platform
// (boxes, "Error.txt" with the open tables listed), and the shared-table opener reads the
// application object's values.

#include <cstdint>
#include <optional>
#include <string>

#include "data/base/error.h"
#include "data/diagnostics/error_platform_win.h"
#include "data/stdlib/stfkt.h"
#include "framework/zb_app_win.h"

namespace tabrix {

// LOCAL_FRAGE's view of the table layer (table_area.h): the current area, what an area holds
// (alias and record; the layer keeps no index orders, so the order is always 0), and moving
// back to an area and a record.
class TableLayerAreas final : public LocalFrageAreas {
 public:
  int CurrentArea() override;
  std::optional<AreaPosition> Position(int area) override;
  void Select(int area) override;
  void SetOrder(int order) override;
  void GoTo(int64_t recno) override;
};

// LocalExec's table keeper over the same areas: remembers the table of `area` (0: the current
// one) and returns what selects it again and puts it back on its record, when the area still
// holds a table of that alias. Nothing to restore for a free area.
TableRestorer KeepTableOfArea(int area);

// The hooks of the Windows error platform: error-log writing follows the application object's
// lErrorLock (allowed when there is none), the current area and the areas' reports come from
// the table layer.
WinErrorSysPlatform::Hooks ProgramErrorHooks();

// The shared-table opener's copy of the application object's values (cZBRES, lDBFNTXAX,
// cDBFNTX, TempDir and the drive last found served).
void SyncNetTableConfig(const ZB_APP& app);

// Installs the wiring for the lifetime of the object (the program holds one for its run):
// LOCAL_FRAGE's areas, LocalExec's keeper, the Windows error platform and the default error
// handler (ERRORSYS). Restores what it found installed when it goes.
class ProgramWiring {
 public:
  ProgramWiring();
  ~ProgramWiring();
  ProgramWiring(const ProgramWiring&) = delete;
  ProgramWiring& operator=(const ProgramWiring&) = delete;

  WinErrorSysPlatform& Platform() { return platform_; }

 private:
  TableLayerAreas areas_;
  WinErrorSysPlatform platform_;
  LocalFrageAreas* previousAreas_ = nullptr;
  ErrorSysPlatform* previousPlatform_ = nullptr;
  ErrorHandler previousHandler_;
};

}  // namespace tabrix
