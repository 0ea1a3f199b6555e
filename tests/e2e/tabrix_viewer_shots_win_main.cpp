// Screenshots of the source data viewer over a large source (scripts/viewer_shots.sh): opens the
// source in the real tabrix.exe as a user would, ticks "anzeigen", widens the viewer, and keeps
// a picture of the viewer as it opens (at the source's current record), with the thumb dragged
// to the middle, to the end and to the top.
//
//   tabrix_viewer_shots.exe <installation folder> <source table> <screenshot folder>
//
// The installation is the one scripts/demo.sh prepares (program, product, appdata, work). Prints
// the record numbers each picture shows; exits 0 when all four pictures were taken (the
// source chooser's picture comes on the way).
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "data/base/driver_names.h"
#include "data/table/table_area.h"
#include "e2e/converter_steps_win.h"
#include "e2e/tabrix_driver_win.h"

using namespace tabrix::e2e;

namespace {

constexpr int kGridId = 103;

void Print(const std::string& line) {
  std::printf("viewer shots: %s\n", line.c_str());
  std::fflush(stdout);
}

int Fail(const std::string& why) {
  Print("FAILED: " + why);
  return 1;
}

// The source's production CDX with a tag on the upper-cased name, built once through the table
// layer when the source has none: the viewer shows the first tag's order.
bool EnsureNameIndex(const std::string& source) {
  const std::string cdx = source.substr(0, source.find_last_of('.')) + ".CDX";
  if (FileExists(cdx)) return true;
  Print("building " + cdx);
  if (!tabrix::OpenTable(true, tabrix::kDriverCdx, source, "", false, false)) return false;
  tabrix::CreateOrder("", "NAME", "UPPER(NAME)");
  tabrix::CloseArea();
  return FileExists(cdx);
}

std::string Span(const std::vector<long>& records) {
  if (records.empty()) return "no rows";
  return "records " + std::to_string(records.front()) + " ... " + std::to_string(records.back()) +
         " (" + std::to_string(records.size()) + " rows)";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::printf(
        "usage: tabrix_viewer_shots <installation folder> <source table> <screenshot folder>\n");
    return 2;
  }
  Installation in = InstallationAt(argv[1]);
  const std::string source = WindowsPath(argv[2]);
  const std::string shots = WindowsPath(argv[3]);
  if (!FileExists(in.exe)) return Fail("no " + in.exe);
  if (!FileExists(source)) return Fail("no " + source);
  MakeFolders(shots);
  if (!EnsureNameIndex(source)) return Fail("cannot index " + source);

  Program program;
  Steps steps(program);
  steps.shotFolder = shots;
  steps.trace = Print;
  std::string error;
  if (!program.Start(in, &error)) return Fail(error);
  if (steps.Wait({View::kFileDialog}, "the source table chooser").view != View::kFileDialog) {
    return Fail(steps.error);
  }
  if (!steps.ChooseFile(source)) return Fail(steps.error);
  HWND converter = steps.Converter();
  if (!converter) return Fail(steps.error);

  if (!ClickButton(converter, ids::kShowSource)) return Fail("cannot tick the viewer box");
  HWND viewer = nullptr;
  if (!WaitUntil(
          [&] {
            viewer = FindViewer(program.Id());
            return viewer && IsWindowVisible(viewer) &&
                   !GridRecords(GetDlgItem(viewer, kGridId)).empty();
          },
          kStepTimeoutMs, program.Handle())) {
    return Fail("ticking the viewer box showed no rows");
  }
  // Widened with its sizing border, as a user makes room for more rows and columns.
  SetWindowPos(viewer, nullptr, 10, 10, 980, 560, SWP_NOZORDER | SWP_NOACTIVATE);
  HWND grid = nullptr;
  if (!WaitUntil(
          [&] {
            grid = GetDlgItem(viewer, kGridId);
            return grid && GridRecords(grid).size() > 10;
          },
          kStepTimeoutMs, program.Handle())) {
    return Fail("the widened viewer shows no more rows");
  }
  Settle(viewer);
  steps.Shot(viewer, "viewer_opened");
  // The viewer opens at the source's current record, in the order of its first tag.
  Print("opened: " + Span(GridRecords(grid)));

  // The thumb dragged to the middle, then to the bottom: the scroll bar tells its dialog of
  // the track and the drop.
  HWND bar = nullptr;
  for (HWND c = GetWindow(viewer, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    if (ClassOf(c) == "ScrollBar" && (GetWindowLongA(c, GWL_STYLE) & SBS_VERT)) bar = c;
  }
  if (!bar) return Fail("the viewer has no vertical scroll bar");
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_RANGE;
  if (!GetScrollInfo(bar, SB_CTL, &si) || si.nMax <= si.nMin) return Fail("no scroll range");
  auto dragThumb = [&](int position, const std::string& name) {
    const long before = GridRecords(grid).front();
    const LPARAM from = reinterpret_cast<LPARAM>(bar);
    PostMessageA(viewer, WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, position), from);
    PostMessageA(viewer, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, position), from);
    PostMessageA(viewer, WM_VSCROLL, SB_ENDSCROLL, from);
    if (!WaitUntil([&] { return GridRecords(grid).front() != before; }, kStepTimeoutMs,
                   program.Handle())) {
      return false;
    }
    Settle(viewer);
    steps.Shot(viewer, name);
    Print(name + " (thumb at " + std::to_string(position) + " of " + std::to_string(si.nMax) +
          "): " + Span(GridRecords(grid)));
    return true;
  };
  if (!dragThumb(si.nMin + (si.nMax - si.nMin) / 2, "viewer_middle")) {
    return Fail("the thumb in the middle moved nothing");
  }
  if (!dragThumb(si.nMax, "viewer_end")) return Fail("the thumb at the bottom moved nothing");
  if (!dragThumb(si.nMin, "viewer_top")) return Fail("the thumb at the top moved nothing");

  PostMessageA(viewer, WM_SYSCOMMAND, SC_CLOSE, 0);
  if (!WaitUntil([&] { return !IsWindow(viewer) && !IsChecked(converter, ids::kShowSource); },
                 kStepTimeoutMs, program.Handle())) {
    return Fail("the viewer's close box left the viewer or the ticked box");
  }
  program.Kill();
  Print(std::to_string(steps.shots.size()) + " screenshots in " + shots);
  return 0;
}
