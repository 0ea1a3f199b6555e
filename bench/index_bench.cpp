// CDX index benchmark: builds a character tag (30-byte customer names) and a date tag over
// generated records through the key sorter and the bulk build, seeks random keys (page visits
// and reads per seek beside the tree depth), walks the whole name order, and times sort(1)
// over the same keys as a text file: the floor an index build is measured against.
//
//   index_bench WORKDIR [RECORDS=1000000] [SORT_MIB=64] [SEEKS=100000]
//
// Prints times, the ratio build / sort, page reads per seek and the peak resident memory.

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <string>

#include "data/index/cdx_build.h"
#include "data/index/cdx_check.h"
#include "data/index/cdx_key.h"
#include "data/index/key_sorter.h"

using namespace tabrix;

namespace {

constexpr int kNameLength = 30;

using Clock = std::chrono::steady_clock;
double Seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

// A cheap well-mixed hash (splitmix64 finaliser): record i's values come back the same on every
// call without storing them.
uint64_t Mix(uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

// Record i's customer name and date, the same every time they are asked for.
std::string Name(uint32_t i) {
  static const char* syllables[] = {"ba",   "ker", "mu",  "ller", "schm", "idt", "wa",
                                    "gner", "ho",  "ff",  "ma",   "nn",   "ko",  "ch",
                                    "ri",   "ch",  "ter", "zi",   "lo",   "pe"};
  uint64_t h = Mix(i);
  std::string s;
  for (int k = 0; k < 3; ++k, h /= 20) s += syllables[h % 20];
  s[0] = static_cast<char>(s[0] - 'a' + 'A');
  s += ", ";
  for (int k = 0; k < 2; ++k, h /= 20) s += syllables[h % 20];
  s += " " + std::to_string(h % 1000);
  s.resize(kNameLength, ' ');
  return s;
}

Date DateOf(uint32_t i) {
  uint64_t h = Mix(uint64_t{i} << 32 | 7);
  return Date{1950 + static_cast<int>(h % 70), 1 + static_cast<int>(h / 70 % 12),
              1 + static_cast<int>(h / 840 % 28)};
}

long PeakRssKiB() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

void Check(const IoStatus& s, const char* what) {
  if (!s.ok()) {
    std::fprintf(stderr, "%s: %s\n", what, s.ToString().c_str());
    std::exit(1);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: index_bench WORKDIR [RECORDS] [SORT_MIB] [SEEKS]\n");
    return 2;
  }
  std::string dir = argv[1];
  uint32_t records = argc > 2 ? static_cast<uint32_t>(std::atol(argv[2])) : 1000000;
  size_t sortMiB = argc > 3 ? static_cast<size_t>(std::atol(argv[3])) : 64;
  uint32_t seeks = argc > 4 ? static_cast<uint32_t>(std::atol(argv[4])) : 100000;
  Env* env = DefaultEnv();
  std::string cdxName = dir + "/bench.cdx";

  // The keys as text for sort(1), written before any clock starts.
  {
    std::ofstream names(dir + "/names.txt"), dates(dir + "/dates.txt");
    for (uint32_t i = 0; i < records; ++i) {
      Date d = DateOf(i);
      char buf[16];
      std::snprintf(buf, sizeof buf, "%04d%02d%02d", d.year, d.month, d.day);
      names << Name(i) << '\n';
      dates << buf << '\n';
    }
  }

  // Build both tags: keys into the sorter, the sorted entries into the bulk build.
  auto start = Clock::now();
  std::unique_ptr<CdxFile> file;
  CdxOptions options;
  options.exclusive = true;
  Check(CdxFile::Create(env, cdxName, options, &file), "create");
  size_t runs = 0;
  for (int t = 0; t < 2; ++t) {
    OrderInfo info;
    info.name = t == 0 ? "NAME" : "BIRTH";
    info.keyExpression = t == 0 ? "name" : "birth";
    info.kind = t == 0 ? KeyKind::kCharacter : KeyKind::kDate;
    info.keyLength = t == 0 ? kNameLength : 8;
    KeySorter sorter(env, info.keyLength, {sortMiB << 20, dir + "/sort", {}});
    std::string key, error;
    for (uint32_t i = 0; i < records; ++i) {
      if (t == 0) {
        key = Name(i);
      } else if (!EncodeCdxKey(KeyKind::kDate, 8, false, DateOf(i), false, &key, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
      }
      Check(sorter.Add(key, i + 1), "sort");
    }
    Check(sorter.Finish(), "sort");
    runs += sorter.runsWritten();
    Check(CreateCdxTag(file.get(), info, &sorter, nullptr), "build");
  }
  Check(file->Flush(), "flush");
  double build = Seconds(start);

  start = Clock::now();
  std::string sortCommand = "LC_ALL=C sort -S " + std::to_string(sortMiB) + "M -T " + dir + " -o " +
                            dir + "/names.sorted " + dir + "/names.txt && LC_ALL=C sort -S " +
                            std::to_string(sortMiB) + "M -T " + dir + " -o " + dir +
                            "/dates.sorted " + dir + "/dates.txt";
  if (std::system(sortCommand.c_str()) != 0) return 1;
  double sortTime = Seconds(start);

  std::unique_ptr<CdxTag> tag;
  Check(file->OpenTag("NAME", KeyKind::kCharacter, &tag), "open tag");
  CdxTreeStats stats;
  Check(CheckCdxTag(tag.get(), &stats), "check");

  // Seeks of random existing keys.
  std::mt19937 rng(99);
  uint64_t visits = file->pageVisits(), reads = file->pageReads();
  start = Clock::now();
  std::optional<IndexEntry> e;
  for (uint32_t n = 0; n < seeks; ++n) {
    std::string key = Name(rng() % records);
    Check(tag->Seek(key, &e), "seek");
    if (!e || e->key != key) {
      std::fprintf(stderr, "seek missed a key\n");
      return 1;
    }
  }
  double seekTime = Seconds(start);
  double visitsPerSeek = double(file->pageVisits() - visits) / seeks;
  double readsPerSeek = double(file->pageReads() - reads) / seeks;

  // The whole order front to back.
  start = Clock::now();
  uint64_t walked = 0;
  Check(tag->First(&e), "first");
  while (e) {
    ++walked;
    IndexEntry from = std::move(*e);
    Check(tag->Next(from, &e), "next");
  }
  double walkTime = Seconds(start);

  std::printf("records %u, sort buffer %zu MiB, runs spilled %zu\n", records, sortMiB, runs);
  std::printf("build 2 tags (sorter + bulk build)  %8.3f s\n", build);
  std::printf("sort(1) of the same keys             %8.3f s   build/sort %.2f\n", sortTime,
              build / sortTime);
  std::printf("NAME tag: depth %d, %llu pages, %llu leaves, %llu entries\n", stats.depth,
              static_cast<unsigned long long>(stats.pages),
              static_cast<unsigned long long>(stats.leaves),
              static_cast<unsigned long long>(stats.entries));
  std::printf("%u seeks                          %8.3f s   %.0f seeks/s\n", seeks, seekTime,
              seeks / seekTime);
  std::printf(
      "pages per seek: visited %.2f (depth %d), read from the file %.2f (cache %zu pages)\n",
      visitsPerSeek, stats.depth, readsPerSeek, options.cachePages);
  std::printf("walk of %llu entries                %8.3f s   %.0f entries/s\n",
              static_cast<unsigned long long>(walked), walkTime, walked / walkTime);
  std::printf("peak RSS %ld KiB\n", PeakRssKiB());
  tag.reset();
  file.reset();
  for (const char* f :
       {"/bench.cdx", "/names.txt", "/dates.txt", "/names.sorted", "/dates.sorted"}) {
    std::remove((dir + f).c_str());
  }
  return walked == records ? 0 : 1;
}
