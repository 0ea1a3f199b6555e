// The converter program's wiring of the framework to the table layer and the error handler.
#include "converter/program_wiring_win.h"

#include "data/diagnostics/errorsys.h"
#include "data/nettable/nettable.h"
#include "data/table/table_area.h"

namespace tabrix {

int TableLayerAreas::CurrentArea() {
  return AreaOfAlias();
}

std::optional<AreaPosition> TableLayerAreas::Position(int area) {
  if (area < 1 || area > kMaxTableAreas) return std::nullopt;
  const std::string alias = AliasOfArea(area);
  if (alias.empty()) return std::nullopt;
  return EvaluateInArea(area, [&] { return AreaPosition{alias, RecordNumber(), CurrentOrder()}; });
}

void TableLayerAreas::Select(int area) {
  SelectArea(area);
}

void TableLayerAreas::SetOrder(int order) {
  tabrix::SetOrder(order);
}

void TableLayerAreas::GoTo(int64_t recno) {
  tabrix::GoTo(recno);
}

TableRestorer KeepTableOfArea(int area) {
  TableLayerAreas areas;
  const int where = area == 0 ? areas.CurrentArea() : area;
  const std::optional<AreaPosition> before = areas.Position(where);
  if (!before) return {};
  return [where, before = *before] {
    TableLayerAreas now;
    const std::optional<AreaPosition> after = now.Position(where);
    if (!after || after->alias != before.alias) return;  // closed or replaced meanwhile
    now.Select(where);
    if (after->recno != before.recno) now.GoTo(before.recno);
  };
}

WinErrorSysPlatform::Hooks ProgramErrorHooks() {
  return WinErrorSysPlatform::Hooks{
      .errorLogWritesAllowed = [] { return OAPP() == nullptr || OAPP()->lErrorLock; },
      .currentArea = [] { return AreaOfAlias(); },
      .workArea = [](int area) { return TableAreaReport(area); },
  };
}

void SyncNetTableConfig(const ZB_APP& app) {
  NetTableSettings& settings = NetTableConfig();
  settings.resourceLibrary = app.cZBRES;
  settings.serverDefault = app.lDBFNTXAX;
  settings.defaultDriverName = app.cDBFNTX;
  settings.tempDir = app.TempDir;
  settings.servedDrive = app.aEVars.slot15;
}

ProgramWiring::ProgramWiring() : platform_(ProgramErrorHooks()) {
  previousAreas_ = SetLocalFrageAreas(&areas_);
  SetTableKeeper(KeepTableOfArea);
  previousPlatform_ = SetErrorSysPlatform(&platform_);
  previousHandler_ = SetErrorHandler(DEFERROR);  // ERRORSYS
}

ProgramWiring::~ProgramWiring() {
  SetErrorHandler(previousHandler_);
  SetErrorSysPlatform(previousPlatform_);
  SetTableKeeper({});
  SetLocalFrageAreas(previousAreas_);
}

}  // namespace tabrix
