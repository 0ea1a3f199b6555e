// The key sorter: entries come out as std::sort orders them, whether they fit the buffer, spill
// into runs merged at once, or need merges of merges; temporary files go away.

#include "data/index/key_sorter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "data/env/memory_env.h"

namespace tabrix {
namespace {

constexpr int kKeyLength = 6;

std::vector<IndexEntry> RandomEntries(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<IndexEntry> out;
  for (size_t i = 0; i < n; ++i) {
    std::string key(kKeyLength, ' ');
    for (char& c : key) c = static_cast<char>("AAB\x00\xff"[rng() % 5]);
    out.push_back({key, 1 + static_cast<uint32_t>(rng() % 1000)});
  }
  return out;
}

std::vector<IndexEntry> Drain(KeySorter& sorter) {
  std::vector<IndexEntry> out;
  IndexEntry e;
  bool done = false;
  while (sorter.Next(&e, &done).ok() && !done) out.push_back(e);
  return out;
}

struct SortCase {
  const char* what;
  size_t entries;
  size_t memoryBytes;
  bool spills;
};

TEST(KeySorter, OutputIsSortedWhateverTheMemory) {
  const SortCase cases[] = {
      {"fits the buffer", 5000, size_t{1} << 20, false},
      {"runs merged at once", 20000, size_t{128} << 10, true},
      {"merges of merges (fan-in 2)", 30000, 64 << 10, true},
      {"no entries", 0, 64 << 10, false},
  };
  for (const SortCase& c : cases) {
    SCOPED_TRACE(c.what);
    auto env = NewMemoryEnv();
    std::vector<IndexEntry> entries = RandomEntries(c.entries, 11);
    KeySorter sorter(env.get(), kKeyLength, {c.memoryBytes, "tmp/s", {}});
    for (const IndexEntry& e : entries) ASSERT_TRUE(sorter.Add(e.key, e.record).ok());
    ASSERT_TRUE(sorter.Finish().ok());
    EXPECT_EQ(sorter.runsWritten() > 0, c.spills);
    std::vector<IndexEntry> sorted = entries;
    std::stable_sort(sorted.begin(), sorted.end(), [](const IndexEntry& a, const IndexEntry& b) {
      return a.key != b.key ? a.key < b.key : a.record < b.record;
    });
    EXPECT_EQ(Drain(sorter), sorted);
    for (size_t i = 0; i < sorter.runsWritten(); ++i) {
      EXPECT_FALSE(env->FileExists(RunFileName("tmp/s", i))) << i;
    }
  }
}

// The buffer's limit: exactly as many entries as it holds stay in memory; one more spills the
// buffer and, at the end, the one left over.
TEST(KeySorter, SpillsOnlyPastTheBuffer) {
  auto env = NewMemoryEnv();
  size_t capacity = KeySorter(env.get(), kKeyLength, {64 << 10, "t", {}}).bufferedEntries();
  for (size_t n : {capacity, capacity + 1}) {
    SCOPED_TRACE(n);
    KeySorter sorter(env.get(), kKeyLength, {64 << 10, "t", {}});
    std::vector<IndexEntry> entries = RandomEntries(n, 3);
    for (const IndexEntry& e : entries) ASSERT_TRUE(sorter.Add(e.key, e.record).ok());
    ASSERT_TRUE(sorter.Finish().ok());
    EXPECT_EQ(sorter.runsWritten(), n == capacity ? 0u : 2u);
    EXPECT_EQ(Drain(sorter).size(), n);
  }
}

TEST(KeySorter, CallersOrderAndMisuse) {
  auto env = NewMemoryEnv();
  KeySorterOptions options{64 << 10, "r", [](std::string_view a, std::string_view b) {
                             return b.compare(a);  // descending keys
                           }};
  KeySorter sorter(env.get(), 1, options);
  EXPECT_EQ(sorter.Add("ab", 1).osCode(), kOsInvalidParameter);
  IndexEntry e;
  bool done;
  EXPECT_EQ(sorter.Next(&e, &done).osCode(), kOsInvalidParameter);
  for (uint32_t r = 1; r <= 20000; ++r) {
    ASSERT_TRUE(sorter.Add(std::string(1, static_cast<char>('a' + r % 3)), r).ok());
  }
  ASSERT_TRUE(sorter.Finish().ok());
  EXPECT_GT(sorter.runsWritten(), 1u);
  EXPECT_EQ(sorter.Add("a", 1).osCode(), kOsInvalidParameter);
  std::vector<IndexEntry> out = Drain(sorter);
  ASSERT_EQ(out.size(), 20000u);
  EXPECT_EQ(out.front(), (IndexEntry{"c", 2}));
  EXPECT_EQ(out.back(), (IndexEntry{"a", 19998}));
  EXPECT_TRUE(std::is_sorted(out.begin(), out.end(), [](auto& a, auto& b) {
    return a.key != b.key ? a.key > b.key : a.record < b.record;
  }));
}

}  // namespace
}  // namespace tabrix
