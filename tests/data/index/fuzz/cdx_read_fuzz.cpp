// Opens arbitrary bytes as a CDX file on the memory Env and uses every tag it lists, with each
// key kind: walks both ways (which must hand out the same entries in reverse, each of the key
// length, ascending), seeks, counts, and the tree check. Damage must end in a status.
//
// Seeds: the corpus (every CDX of tests/data/corpus) and cdx_read_fuzz_seeds/deep_rooms.cdx,
// tags of four levels that tests/data/index/cdx_make --small built over odd/rooms.dbf of the
// corpus (the corpus files have one page per tag), and walks_disagreed.cdx, which the fuzzer
// made of it: a damaged interior page that once led a walk into the wrong subtree.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "data/env/memory_env.h"
#include "data/index/cdx_check.h"
#include "data/index/cdx_file.h"
#include "data/index/cdx_tag.h"

using namespace tabrix;

namespace {

constexpr size_t kMaxWalk = 100000;

bool Walk(CdxTag& tag, bool backwards, std::vector<IndexEntry>* out) {
  out->clear();
  std::optional<IndexEntry> e;
  IoStatus s = backwards ? tag.Last(&e) : tag.First(&e);
  while (s.ok() && e) {
    if (e->key.size() != static_cast<size_t>(tag.Info().keyLength)) __builtin_trap();
    out->push_back(*e);
    if (out->size() > kMaxWalk) __builtin_trap();  // a loop got through
    IndexEntry from = *e;
    s = backwards ? tag.Previous(from, &e) : tag.Next(from, &e);
  }
  return s.ok();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto env = NewMemoryEnv();
  {
    std::unique_ptr<File> f;
    OpenOptions o;
    o.disposition = Disposition::kCreateAlways;
    if (!env->Open("f.cdx", o, &f).ok()) return 0;
    if (!f->WriteAt(0, std::span<const uint8_t>(data, size)).ok()) return 0;
  }
  CdxOptions options;
  options.cachePages = 4;
  std::unique_ptr<CdxFile> file;
  if (!CdxFile::Open(env.get(), "f.cdx", options, &file).ok()) return 0;
  std::vector<CdxTagEntry> tags;
  if (!file->ListTags(&tags).ok()) return 0;
  if (tags.size() > 64) tags.resize(64);
  for (const CdxTagEntry& t : tags) {
    for (KeyKind kind : {KeyKind::kCharacter, KeyKind::kNumeric}) {
      std::unique_ptr<CdxTag> tag;
      if (!file->OpenTag(t.name, kind, &tag).ok()) continue;
      std::vector<IndexEntry> forward, backward;
      bool okForward = Walk(*tag, false, &forward);
      bool okBackward = Walk(*tag, true, &backward);
      if (okForward && okBackward) {
        std::reverse(backward.begin(), backward.end());
        // Both walks succeeded over the same pages: they agree.
        if (forward != backward && !tag->Info().descending) __builtin_trap();
        for (size_t i = 1; i < forward.size(); ++i) {
          const IndexEntry& a = forward[i - 1];
          const IndexEntry& b = forward[i];
          int c = CompareCdxEntry(a.key, a.record, b.key, b.record);
          if (tag->Info().descending ? c <= 0 : c >= 0) __builtin_trap();
        }
      }
      std::optional<IndexEntry> e;
      for (std::string_view key :
           {std::string_view(""), std::string_view("M"), std::string_view("\xff\xff")}) {
        if (key.size() <= static_cast<size_t>(tag->Info().keyLength)) (void)tag->Seek(key, &e);
      }
      uint32_t count = 0;
      if (tag->KeyCount(&count).ok() && okForward && count != forward.size()) __builtin_trap();
      CdxTreeStats stats;
      (void)CheckCdxTag(tag.get(), &stats);
    }
  }
  return 0;
}
