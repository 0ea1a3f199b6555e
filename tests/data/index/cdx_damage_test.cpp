// Damaged CDX files: every kind of damage ends in a corruption status (or, for cut files, a
// failed open), never a crash, an endless walk or an entry handed out from a damaged page.

#include <gtest/gtest.h>

#include "data/base/byte_coding.h"
#include "data/index/cdx_test_util.h"

namespace tabrix {
namespace {

// A three-level tag of 40 entries in "d.cdx" on a fresh memory Env.
struct Damaged {
  std::unique_ptr<MemoryEnv> env = NewMemoryEnv();
  CdxOptions options;
  uint32_t tagHeader = 0;
  uint32_t root = 0;

  Damaged() {
    options.maxLeafEntries = 3;
    options.maxInteriorEntries = 2;
    std::vector<IndexEntry> entries;
    for (uint32_t r = 1; r <= 40; ++r) entries.push_back({"K" + std::to_string(100 + r), r});
    std::unique_ptr<CdxFile> file;
    std::unique_ptr<CdxTag> tag;
    EXPECT_TRUE(testing::BuildFile(env.get(), "d.cdx", options, testing::CharOrder("T", 4), entries,
                                   &file, &tag)
                    .ok());
    tagHeader = tag->headerOffset();
    root = tag->root();
  }

  std::vector<uint8_t> Bytes() { return testing::GetFile(*env, "d.cdx"); }
  CdxNode Page(uint32_t offset) {
    std::vector<uint8_t> b = Bytes();
    return DecodeCdxNode(std::span(b).subspan(offset, kCdxPageSize), offset, 4, ' ', "d.cdx")
        .value();
  }
  void Patch(uint64_t offset, std::vector<uint8_t> bytes) {
    std::unique_ptr<File> f;
    ASSERT_TRUE(env->Open("d.cdx", {}, &f).ok());
    ASSERT_TRUE(f->WriteAt(offset, bytes).ok());
  }
  void Patch32(uint64_t offset, uint32_t v, bool bigEndian = false) {
    std::vector<uint8_t> b(4);
    if (bigEndian) {
      EncodeBE32(b.data(), v);
    } else {
      EncodeLE32(b.data(), v);
    }
    Patch(offset, b);
  }
  // Leaf offsets left to right, found through the first child pointers and the siblings.
  std::vector<uint32_t> Leaves() {
    uint32_t offset = root;
    for (CdxNode n = Page(offset); !n.leaf(); n = Page(offset)) offset = n.children[0];
    std::vector<uint32_t> out;
    while (offset != kCdxNone) {
      out.push_back(offset);
      offset = Page(offset).right;
    }
    return out;
  }

  // Opens the tag and walks it both ways, seeks and counts; the first failure.
  IoStatus Use() {
    std::unique_ptr<CdxFile> file;
    if (IoStatus s = CdxFile::Open(env.get(), "d.cdx", options, &file); !s.ok()) return s;
    std::unique_ptr<CdxTag> tag;
    if (IoStatus s = file->OpenTag("T", KeyKind::kCharacter, &tag); !s.ok()) return s;
    std::vector<IndexEntry> walk;
    if (IoStatus s = testing::WalkOrder(*tag, false, &walk); !s.ok()) return s;
    if (IoStatus s = testing::WalkOrder(*tag, true, &walk); !s.ok()) return s;
    uint32_t count;
    if (IoStatus s = tag->KeyCount(&count); !s.ok()) return s;
    std::optional<IndexEntry> e;
    for (const char* key : {"K1", "K120", "K2"}) {
      if (IoStatus s = tag->Seek(key, &e); !s.ok()) return s;
    }
    if (IoStatus s = tag->Insert({"K999", 99}); !s.ok()) return s;
    return IoStatus::Ok();
  }
};

TEST(CdxDamage, IntactFileIsUsable) {
  Damaged d;
  IoStatus s = d.Use();
  EXPECT_TRUE(s.ok()) << s.ToString();
  EXPECT_GE(d.Leaves().size(), 10u);
}

TEST(CdxDamage, PageLinksOutsideTheFileOrLooping) {
  struct Case {
    const char* what;
    void (*damage)(Damaged&);
  };
  const Case cases[] = {
      {"root past the end",
       [](Damaged& d) { d.Patch32(d.tagHeader, static_cast<uint32_t>(d.Bytes().size())); }},
      {"root not on a page boundary", [](Damaged& d) { d.Patch32(d.tagHeader, d.root + 3); }},
      {"root in the file header", [](Damaged& d) { d.Patch32(d.tagHeader, 512); }},
      {"child past the end", [](Damaged& d) { d.Patch32(d.root + 12 + 4 + 4, 0x7FFFFE00, true); }},
      {"child pointing at the root",
       [](Damaged& d) { d.Patch32(d.root + 12 + 4 + 4, d.root, true); }},
      {"interior entry sending the search to another subtree",
       [](Damaged& d) {
         CdxNode root = d.Page(d.root);
         d.Patch32(d.root + 12 + 4 + 4, root.children[1], true);
       }},
      {"last interior entry sending the search to an earlier subtree",
       [](Damaged& d) {
         CdxNode root = d.Page(d.root);
         size_t last = root.count() - 1;
         d.Patch32(d.root + 12 + last * 12 + 4 + 4, root.children[0], true);
       }},
      {"leaf sibling looping back to the first leaf",
       [](Damaged& d) {
         std::vector<uint32_t> leaves = d.Leaves();
         d.Patch32(leaves[5] + 8, leaves[0]);
       }},
      {"leaf sibling looping to itself",
       [](Damaged& d) {
         std::vector<uint32_t> leaves = d.Leaves();
         d.Patch32(leaves[5] + 8, leaves[5]);
         d.Patch32(leaves[5] + 4, leaves[5]);
       }},
      {"left sibling looping forward",
       [](Damaged& d) {
         std::vector<uint32_t> leaves = d.Leaves();
         d.Patch32(leaves[2] + 4, leaves[6]);
       }},
      {"leaf sibling pointing at an interior page",
       [](Damaged& d) { d.Patch32(d.Leaves()[0] + 8, d.root); }},
      {"key length beyond the page",
       [](Damaged& d) {
         d.Patch(d.tagHeader + 12, {0x2C, 0x01});
       }},
      {"key length one past the longest",
       [](Damaged& d) {
         d.Patch(d.tagHeader + 12, {241, 0});
       }},
      {"leaf entry count beyond the page",
       [](Damaged& d) {
         d.Patch(d.Leaves()[3] + 2, {0xFF, 0});
       }},
      {"interior entry count beyond the page",
       [](Damaged& d) {
         d.Patch(d.root + 2, {0x40, 0});
       }},
      {"directory entry pointing outside the file", [](Damaged& d) { d.Patch32(0, 0xFFFFFE00); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Damaged d;
    c.damage(d);
    IoStatus s = d.Use();
    EXPECT_TRUE(testing::IsCorrupt(s)) << s.ToString();
  }
}

TEST(CdxDamage, CutFilesFailToOpenOrReportCorruption) {
  Damaged d;
  std::vector<uint8_t> whole = d.Bytes();
  for (size_t size : {size_t{0}, size_t{100}, size_t{1023}, size_t{1024}, size_t{1536},
                      whole.size() / 2, whole.size() - 512, whole.size() - 1}) {
    SCOPED_TRACE(size);
    Damaged cut;
    std::unique_ptr<File> f;
    ASSERT_TRUE(cut.env->Open("d.cdx", {}, &f).ok());
    ASSERT_TRUE(f->Truncate(size).ok());
    f.reset();
    IoStatus s = cut.Use();
    EXPECT_TRUE(testing::IsCorrupt(s)) << s.ToString();
  }
}

// Every corpus file cut at every page boundary and at odd places: no crash, no hang.
TEST(CdxDamage, CutCorpusFilesNeverCrash) {
  for (const char* name : {"odd/rooms.cdx", "vfp/xsource/foxref_ref.cdx"}) {
    std::vector<uint8_t> bytes = testing::LoadFile(testing::CorpusPath(name));
    for (size_t size = 0; size < bytes.size(); size += 97) {
      auto env = NewMemoryEnv();
      testing::PutFile(*env, "c.cdx", std::vector<uint8_t>(bytes.begin(), bytes.begin() + size));
      std::unique_ptr<CdxFile> file;
      if (!CdxFile::Open(env.get(), "c.cdx", {}, &file).ok()) continue;
      std::vector<CdxTagEntry> tags;
      if (!file->ListTags(&tags).ok()) continue;
      for (const CdxTagEntry& t : tags) {
        std::unique_ptr<CdxTag> tag;
        if (!file->OpenTag(t.name, KeyKind::kCharacter, &tag).ok()) continue;
        std::vector<IndexEntry> walk;
        IoStatus s = testing::WalkOrder(*tag, false, &walk);
        EXPECT_TRUE(s.ok() || testing::IsCorrupt(s)) << s.ToString();
      }
    }
  }
}

}  // namespace
}  // namespace tabrix
