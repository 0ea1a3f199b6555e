// Every tag of every corpus CDX walked by our reader gives the (key, record) sequence DBD::XBase
// gives (golden/index_keys.tsv, made by scripts/index_golden.py), front to back; back to front
// gives its reverse; KeyCount and KeyPosition agree with the walk.

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

#include "data/index/cdx_test_util.h"

namespace tabrix {
namespace {

using testing::CorpusPath;

struct GoldenTag {
  std::string file;  // corpus path of the .cdx
  std::string tag;
  size_t count = 0;
  std::vector<std::pair<std::string, uint32_t>> entries;
};

std::vector<GoldenTag> LoadGolden() {
  std::ifstream in(std::string(TABRIX_SOURCE_DIR) + "/tests/data/golden/index_keys.tsv",
                   std::ios::binary);
  std::vector<GoldenTag> out;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    size_t tab = line.rfind('\t');
    if (line[0] == '=') {
      size_t first = line.find('\t');
      GoldenTag t;
      t.file = line.substr(1, first - 1);
      t.tag = line.substr(first + 1, tab - first - 1);
      t.count = std::stoul(line.substr(tab + 1));
      out.push_back(std::move(t));
    } else if (!out.empty()) {
      out.back().entries.emplace_back(line.substr(0, tab),
                                      static_cast<uint32_t>(std::stoul(line.substr(tab + 1))));
    }
  }
  return out;
}

std::string TableBeside(const std::string& cdxPath) {
  std::string base = cdxPath.substr(0, cdxPath.size() - 4);
  for (const char* ext : {".dbf", ".DBF"}) {
    if (std::ifstream(base + ext)) return base + ext;
  }
  return {};
}

TEST(CdxGolden, EveryCorpusTagWalksAsTheIndependentReaderDoes) {
  std::vector<GoldenTag> golden = LoadGolden();
  ASSERT_EQ(golden.size(), 34u) << "golden/index_keys.tsv missing or incomplete";
  std::map<std::string, std::vector<const GoldenTag*>> byFile;
  for (const GoldenTag& t : golden) byFile[t.file].push_back(&t);

  for (const auto& [file, tags] : byFile) {
    SCOPED_TRACE(file);
    std::string path = CorpusPath(file);
    auto table = testing::LoadTable(TableBeside(path));
    ASSERT_TRUE(table->ok());
    auto env = NewMemoryEnv();
    testing::PutFile(*env, "t.cdx", testing::LoadFile(path));
    std::unique_ptr<CdxFile> cdx;
    CdxOptions options;
    options.readOnly = true;
    ASSERT_TRUE(CdxFile::Open(env.get(), "t.cdx", options, &cdx).ok());
    std::vector<CdxTagEntry> listed;
    ASSERT_TRUE(cdx->ListTags(&listed).ok());
    ASSERT_EQ(listed.size(), tags.size());

    for (size_t i = 0; i < tags.size(); ++i) {
      const GoldenTag& g = *tags[i];
      SCOPED_TRACE(g.tag);
      EXPECT_EQ(listed[i].name, g.tag);
      CdxHeader header;
      ASSERT_TRUE(cdx->ReadTagHeader(listed[i].headerOffset, &header).ok());
      KeyKind kind = testing::KindOfExpression(table->h(), header.keyExpression);
      std::unique_ptr<CdxTag> tag;
      IoStatus s = cdx->OpenTag(g.tag, kind, &tag);
      ASSERT_TRUE(s.ok()) << s.ToString();

      std::vector<IndexEntry> walk;
      s = testing::WalkOrder(*tag, false, &walk);
      ASSERT_TRUE(s.ok()) << s.ToString();
      ASSERT_EQ(walk.size(), g.count);
      ASSERT_EQ(walk.size(), g.entries.size());
      for (size_t j = 0; j < walk.size(); ++j) {
        EXPECT_EQ(walk[j].key.size(), static_cast<size_t>(header.keyLength));
        EXPECT_EQ(testing::OracleKey(walk[j].key, kind), g.entries[j].first) << "entry " << j;
        EXPECT_EQ(walk[j].record, g.entries[j].second) << "entry " << j;
      }

      std::vector<IndexEntry> back;
      ASSERT_TRUE(testing::WalkOrder(*tag, true, &back).ok());
      std::reverse(back.begin(), back.end());
      EXPECT_EQ(back, walk);
      uint32_t count = 0;
      ASSERT_TRUE(tag->KeyCount(&count).ok());
      EXPECT_EQ(count, walk.size());
      for (size_t j = 0; j < walk.size(); ++j) {
        uint32_t position = 0;
        ASSERT_TRUE(tag->KeyPosition(walk[j], &position).ok());
        EXPECT_EQ(position, j + 1);
      }
    }
  }
}

// Our leaf coding writes FoxPro's bytes: every root leaf of the corpus with the bit widths we
// choose and trailing fill cut off, decoded and encoded again, has the same entry and key bytes
// (dup counts included, which never share a previous key's trailing fill).
TEST(CdxGolden, LeavesOfTheCorpusEncodeToTheSameBytes) {
  int compared = 0;
  for (const GoldenTag& g : LoadGolden()) {
    if (g.entries.empty()) continue;
    SCOPED_TRACE(g.file + " " + g.tag);
    std::vector<uint8_t> bytes = testing::LoadFile(CorpusPath(g.file));
    auto env = NewMemoryEnv();
    testing::PutFile(*env, "t.cdx", bytes);
    auto table = testing::LoadTable(TableBeside(CorpusPath(g.file)));
    std::unique_ptr<CdxFile> cdx;
    ASSERT_TRUE(CdxFile::Open(env.get(), "t.cdx", {}, &cdx).ok());
    uint32_t offset = 0;
    {
      CdxFile::Scope scope(cdx.get(), false);
      ASSERT_TRUE(cdx->FindTag(g.tag, &offset).ok());
    }
    CdxHeader header;
    ASSERT_TRUE(cdx->ReadTagHeader(offset, &header).ok());
    KeyKind kind = testing::KindOfExpression(table->h(), header.keyExpression);
    std::span<const uint8_t> page(bytes.data() + header.root, kCdxPageSize);
    Result<CdxNode> node =
        DecodeCdxNode(page, header.root, header.keyLength, CdxFillByte(kind), "t.cdx");
    ASSERT_TRUE(node.ok());
    uint32_t maxRecord =
        *std::max_element(node.value().records.begin(), node.value().records.end());
    CdxLeafWidths w = CdxLeafWidthsFor(header.keyLength, maxRecord);
    if (page[23] != w.bytes || page[20] != w.recordBits) continue;  // another writer's widths
    // Some writers leave trailing fill uncompressed (the FOR tags of rooms.cdx): valid, but
    // not our choice of bytes.
    bool cutsTrailingFill = false;
    for (size_t i = 0; i < node.value().count(); ++i) {
      uint64_t v = 0;
      for (int j = w.bytes - 1; j >= 0; --j)
        v = v << 8 | page[kCdxLeafHeaderSize + i * w.bytes + j];
      if ((v >> (w.recordBits + w.dupBits)) & ((1u << w.trailBits) - 1)) cutsTrailingFill = true;
    }
    if (!cutsTrailingFill) continue;
    std::array<uint8_t, kCdxPageSize> ours;
    ASSERT_TRUE(EncodeCdxNode(node.value(), CdxFillByte(kind), ours));
    size_t entriesEnd = kCdxLeafHeaderSize + node.value().count() * static_cast<size_t>(w.bytes);
    size_t keysStart = kCdxLeafHeaderSize + (kCdxLeafSpace - (page[12] | page[13] << 8));
    EXPECT_TRUE(std::equal(page.begin() + 12, page.begin() + static_cast<ptrdiff_t>(entriesEnd),
                           ours.begin() + 12));
    EXPECT_TRUE(std::equal(page.begin() + static_cast<ptrdiff_t>(keysStart), page.end(),
                           ours.begin() + static_cast<ptrdiff_t>(keysStart)));
    ++compared;
  }
  EXPECT_GE(compared, 6);
}

// The expressions, FOR conditions and flags the headers of the corpus carry, as the tags report
// them (facts from the files: a FOR tag, a candidate tag, a null-prefixed key).
TEST(CdxGolden, TagHeadersReportExpressionsAndFlags) {
  struct Case {
    const char* file;
    const char* tag;
    const char* key;
    const char* forText;
    KeyKind kind;
    int keyLength;
    bool candidate;
  };
  const Case cases[] = {
      {"odd/rooms.cdx", "AUDIO", "roomname", "TRIM(UPPER(facility))==\"AUDIO\"",
       KeyKind::kCharacter, 10, false},
      {"vfp/issue115.cdx", "COD", "cod", ".NOT.DELETED()", KeyKind::kCharacter, 4, true},
      {"vfp/texto.cdx", "ITEXTO", "PADR(texver,5)", "", KeyKind::kCharacter, 6, false},
      {"vfp/godbase/employees.CDX", "PRIMARYKEY", "employeeid", "", KeyKind::kNumeric, 4, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tag);
    auto env = NewMemoryEnv();
    testing::PutFile(*env, "t.cdx", testing::LoadFile(CorpusPath(c.file)));
    std::unique_ptr<CdxFile> cdx;
    ASSERT_TRUE(CdxFile::Open(env.get(), "t.cdx", {}, &cdx).ok());
    std::unique_ptr<CdxTag> tag;
    ASSERT_TRUE(cdx->OpenTag(testing::Lower(c.tag), c.kind, &tag).ok());
    EXPECT_EQ(tag->Info().name, c.tag);
    EXPECT_EQ(tag->Info().keyExpression, c.key);
    EXPECT_EQ(tag->Info().forExpression, c.forText);
    EXPECT_EQ(tag->Info().keyLength, c.keyLength);
    EXPECT_EQ(tag->Info().candidate, c.candidate);
    EXPECT_FALSE(tag->Info().descending);
  }
}

}  // namespace
}  // namespace tabrix
