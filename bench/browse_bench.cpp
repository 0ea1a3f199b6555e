// Browse benchmark: what one move of a grid browse costs on a table of RECORDS records, in record
// order and in a CDX order on a character field, through the browse model over a table area
// (the same code the browse window drives).
//
//   browse_bench create WORKDIR RECORDS    writes WORKDIR/BR<RECORDS>.DBF with its CDX
//   browse_bench run WORKDIR RECORDS [REPEATS=2000]
//
// "run" prints one line per order: nanoseconds per operation (best of five rounds) for line down
// (selection on the last row, so every step moves the page), page down, Ctrl+End, Ctrl+Home, the
// thumb from the top to the middle, one typed character (a soft seek and a repositioning), beside
// the floor: the table layer alone reading one page (GoTo and a page of Skip/GetField). Then the
// peak resident memory of the process, which holds the open table and the browse and nothing else.

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "browse/browse_model.h"
#include "browse/table_area_source.h"
#include "data/base/value.h"
#include "data/table/table_area.h"

using namespace tabrix;

namespace {

constexpr int kRows = 25;  // a browse window of 25 rows

using Clock = std::chrono::steady_clock;

uint64_t Mix(uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

std::string NameOf(uint64_t i) {
  std::string name(12, 'A');
  uint64_t h = Mix(i);
  for (char& c : name) {
    c = static_cast<char>('A' + h % 26);
    h /= 26;
  }
  return name;
}

std::string TableName(const std::string& dir, int64_t records) {
  return dir + "/BR" + std::to_string(records) + ".DBF";
}

long PeakRssKib() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

int Create(const std::string& dir, int64_t records) {
  const std::string file = TableName(dir, records);
  CreateTable(file, {{"NAME", 'C', 20, 0}, {"NUM", 'N', 10, 0}}, kDriverCdx);
  if (!OpenTable(true, kDriverCdx, file, "", false, false)) return 1;
  for (int64_t i = 0; i < records; ++i) {
    if (!AppendRecord()) return 1;
    PutField(1, NameOf(static_cast<uint64_t>(i)));
    PutField(2, static_cast<double>(i));
  }
  CreateOrder("", "NAME", "NAME");
  CloseArea();
  return 0;
}

// Nanoseconds per call of `op`, `before` run untimed ahead of each: the mean of the best of
// five rounds of repeats / 5 calls, so that other work on a shared machine weighs less.
template <typename Before, typename Op>
double Time(int repeats, Before before, Op op) {
  constexpr int kRounds = 5;
  const int calls = std::max(1, repeats / kRounds);
  double best = 0;
  for (int round = 0; round < kRounds; ++round) {
    Clock::duration total{};
    for (int i = 0; i < calls; ++i) {
      before();
      const Clock::time_point start = Clock::now();
      op();
      total += Clock::now() - start;
    }
    const double mean = std::chrono::duration<double, std::nano>(total).count() / calls;
    if (round == 0 || mean < best) best = mean;
  }
  return best;
}

struct Figures {
  double lineDown, pageDown, end, home, thumb, type, floor;
};

Figures Measure(int area, int order, int repeats) {
  TableAreaSource source(area, order);
  Value name;
  BrowseModel model(source, [&name] {
    GetFieldInto(1, &name);
    return std::get<std::string>(name);
  });
  model.SetVisibleRows(kRows);
  model.RefreshAll(0, -1);
  const int middle = model.ScrollMax() / 2;
  // Line and page moves start in the middle and go back there before they reach the end.
  auto toMiddle = [&] {
    model.Thumb(middle);
    model.ClickRow(kRows - 1);
  };
  int steps = 0;
  auto moved = [&](int limit) {
    if (++steps >= limit) {
      toMiddle();
      steps = 0;
    }
  };
  Figures f{};
  toMiddle();
  f.lineDown = Time(
      repeats, [&] { moved(1000); }, [&] { model.LineDown(); });
  toMiddle();
  steps = 0;
  f.pageDown = Time(
      repeats, [&] { moved(100); }, [&] { model.PageDown(); });
  f.end = Time(
      repeats, [&] { model.Home(); }, [&] { model.End(); });
  f.home = Time(
      repeats, [&] { model.End(); }, [&] { model.Home(); });
  // The thumb and a typed character walk the index (a CDX page tells no counts of the pages
  // below it), so they get fewer calls to keep a run of the largest table short.
  const int walkRepeats = std::max(5, repeats / 40);
  f.thumb = Time(
      walkRepeats, [&] { model.Home(); }, [&] { model.Thumb(middle); });
  uint64_t key = 0;
  f.type = order == 0 ? 0
                      : Time(
                            walkRepeats, [&] { model.SearchIdle(1.0); },
                            [&] { model.TypeChar(NameOf(++key)[0]); });
  // The floor: the table layer alone reads a page from a record in the middle.
  const int64_t count = source.RecordCount();
  f.floor = Time(
      repeats, [] {},
      [&] {
        AreaSwitch in(area);
        GoTo(count / 2);
        for (int r = 0; r < kRows && !AtEnd(); ++r) {
          GetFieldInto(1, &name);
          Skip(1);
        }
      });
  return f;
}

int Run(const std::string& dir, int64_t records, int repeats) {
  if (!OpenTable(true, kDriverCdx, TableName(dir, records), "", true, true)) return 1;
  const int area = AreaOfAlias();
  SelectArea(0);  // the browse's area is not the current one, as in the program
  for (int order : {0, 1}) {
    const Figures f = Measure(area, order, repeats);
    std::printf("%9lld %-6s %10.0f %10.0f %10.0f %10.0f %12.0f %10.0f %10.0f\n",
                static_cast<long long>(records), order == 0 ? "record" : "CDX", f.lineDown,
                f.pageDown, f.end, f.home, f.thumb, f.type, f.floor);
  }
  std::printf("%9lld peak RSS %ld KiB\n", static_cast<long long>(records), PeakRssKib());
  CloseAllAreas();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: browse_bench create|run WORKDIR RECORDS [REPEATS]\n");
    return 2;
  }
  const std::string mode = argv[1];
  const std::string dir = argv[2];
  const int64_t records = std::atoll(argv[3]);
  if (mode == "create") return Create(dir, records);
  if (mode == "run") return Run(dir, records, argc > 4 ? std::atoi(argv[4]) : 2000);
  return 2;
}
