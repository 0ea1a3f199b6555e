#include "data/index/cdx_build.h"

#include <algorithm>
#include <cstdint>

#include "data/index/cdx_key.h"
#include "data/index/cdx_tree.h"

namespace tabrix {
namespace {

constexpr uint8_t kTagOptions = kCdxOptionCompound | kCdxOptionCompact;

bool ValidTagName(const std::string& name) {
  if (name.empty() || name.size() > static_cast<size_t>(kCdxDirectoryKeyLength)) return false;
  auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
  if (!letter(name[0])) return false;
  return std::all_of(name.begin(), name.end(),
                     [&](char c) { return letter(c) || (c >= '0' && c <= '9') || c == '_'; });
}

// Fills the levels of a new tree left to right (see cdx_build.h).
class TreeBuilder {
 public:
  TreeBuilder(CdxFile* file, uint32_t owner, int keyLength, uint8_t fill)
      : file_(file), owner_(owner), keyLength_(keyLength), fill_(fill) {
    const CdxOptions& o = file->options();
    leafLimit_ = o.maxLeafEntries > 0 ? static_cast<size_t>(o.maxLeafEntries) : SIZE_MAX;
    interiorLimit_ = CdxInteriorCapacity(keyLength);
    if (o.maxInteriorEntries > 0) {
      interiorLimit_ =
          std::min(interiorLimit_, static_cast<size_t>(std::max(2, o.maxInteriorEntries)));
    }
  }

  IoStatus AddLeafEntry(std::string_view key, uint32_t record) {
    if (levels_.empty()) levels_.emplace_back();
    Level& leaves = levels_[0];
    if (!leaves.started) {
      if (IoStatus s = Start(0, kCdxNodeLeaf); !s.ok()) return s;
    } else {
      const CdxNode& node = leaves.node;
      size_t n = node.count();
      int trail = CdxTrailingFill(key, fill_);
      int dup = CdxSharedBytes(node.key(n - 1), key, fill_);
      size_t stored = static_cast<size_t>(keyLength_ - trail - dup);
      uint32_t maxRecord = std::max(leafMaxRecord_, record);
      size_t bytes = static_cast<size_t>(CdxLeafWidthsFor(keyLength_, maxRecord).bytes);
      if ((n + 1) * bytes + leafStored_ + stored > kCdxLeafSpace || n + 1 > leafLimit_) {
        if (IoStatus s = Flush(0, true); !s.ok()) return s;
      } else {
        leafStored_ += stored;
        leafMaxRecord_ = maxRecord;
        Append(&leaves.node, key, record, kCdxNone);
        return IoStatus::Ok();
      }
    }
    leafStored_ = static_cast<size_t>(keyLength_ - CdxTrailingFill(key, fill_));
    leafMaxRecord_ = record;
    Append(&levels_[0].node, key, record, kCdxNone);
    return IoStatus::Ok();
  }

  IoStatus Finish(uint32_t* root) {
    if (levels_.empty() || !levels_[0].started) {
      CdxNode empty;
      empty.keyLength = keyLength_;
      empty.attributes = kCdxNodeRoot | kCdxNodeLeaf;
      if (IoStatus s = file_->AllocatePages(1, root); !s.ok()) return s;
      return file_->WriteNode(owner_, *root, empty, fill_, false);
    }
    for (size_t level = 0; level < levels_.size(); ++level) {
      Level& l = levels_[level];
      if (level + 1 == levels_.size() && l.written == 0) {
        l.node.attributes |= kCdxNodeRoot;
        l.node.left = l.node.right = kCdxNone;
        *root = l.offset;
        return file_->WriteNode(owner_, l.offset, l.node, fill_, false);
      }
      if (IoStatus s = Flush(level, false); !s.ok()) return s;
    }
    return IoStatus::Ok();  // not reached: the top level always ends the loop
  }

 private:
  struct Level {
    bool started = false;
    uint32_t offset = kCdxNone;
    uint32_t previous = kCdxNone;
    size_t written = 0;
    CdxNode node;
  };

  static void Append(CdxNode* node, std::string_view key, uint32_t record, uint32_t child) {
    node->keys.append(key);
    node->records.push_back(record);
    if (!node->leaf()) node->children.push_back(child);
  }

  IoStatus Start(size_t level, uint16_t attributes) {
    Level& l = levels_[level];
    if (IoStatus s = file_->AllocatePages(1, &l.offset); !s.ok()) return s;
    l.started = true;
    l.node = CdxNode();
    l.node.keyLength = keyLength_;
    l.node.attributes = attributes;
    return IoStatus::Ok();
  }

  // Writes the level's node, its right sibling the next node when there is one, and passes
  // its last entry up.
  IoStatus Flush(size_t level, bool more) {
    uint32_t next = kCdxNone;
    if (more) {
      if (IoStatus s = file_->AllocatePages(1, &next); !s.ok()) return s;
    }
    CdxNode node = std::move(levels_[level].node);
    uint32_t offset = levels_[level].offset;
    node.left = levels_[level].previous;
    node.right = next;
    if (IoStatus s = file_->WriteNode(owner_, offset, node, fill_, false); !s.ok()) return s;
    Level& l = levels_[level];
    l.previous = offset;
    ++l.written;
    l.offset = next;
    l.node = CdxNode();
    l.node.keyLength = keyLength_;
    l.node.attributes = node.attributes;
    return AddInteriorEntry(level + 1, node.key(node.count() - 1), node.records.back(), offset);
  }

  IoStatus AddInteriorEntry(size_t level, std::string_view key, uint32_t record, uint32_t child) {
    if (levels_.size() <= level) levels_.emplace_back();
    if (!levels_[level].started) {
      if (IoStatus s = Start(level, 0); !s.ok()) return s;
    } else if (levels_[level].node.count() >= interiorLimit_) {
      if (IoStatus s = Flush(level, true); !s.ok()) return s;
    }
    Append(&levels_[level].node, key, record, child);
    return IoStatus::Ok();
  }

  CdxFile* file_;
  uint32_t owner_;
  int keyLength_;
  uint8_t fill_;
  size_t leafLimit_;
  size_t interiorLimit_;
  std::vector<Level> levels_;
  size_t leafStored_ = 0;
  uint32_t leafMaxRecord_ = 0;
};

IoStatus Invalid(const CdxFile& file, const std::string& why) {
  return IoStatus::Error(kOsInvalidParameter, "create tag", file.fileName(), why);
}

IoStatus BuildTag(CdxFile* file, const OrderInfo& info, CdxHeader header, EntrySource* entries,
                  uint32_t* headerOffset) {
  uint32_t existing = kCdxNone;
  if (IoStatus s = file->FindTag(info.name, &existing); !s.ok()) return s;
  if (existing != kCdxNone) {
    return IoStatus::Error(kOsFileExists, "create tag", file->fileName(),
                           "tag " + info.name + " exists");
  }
  if (IoStatus s = file->AllocatePages(kCdxHeaderSize / kCdxPageSize, headerOffset); !s.ok()) {
    return s;
  }
  uint8_t fill = CdxFillByte(info.kind);
  TreeBuilder builder(file, *headerOffset, info.keyLength, fill);
  IndexEntry entry, previous;
  bool first = true;
  for (;;) {
    bool done = false;
    if (IoStatus s = entries->Next(&entry, &done); !s.ok()) return s;
    if (done) break;
    if (entry.key.size() != static_cast<size_t>(info.keyLength) || entry.record == 0) {
      return Invalid(*file, "entry of record " + std::to_string(entry.record) +
                                " does not fit tag " + info.name);
    }
    if (!first) {
      int c = CompareCdxEntry(previous.key, previous.record, entry.key, entry.record);
      if (c > 0) return Invalid(*file, "entries of tag " + info.name + " not in order");
      if (c == 0) continue;
      if (previous.key == entry.key) {
        if (info.candidate) {
          return IoStatus::Error(kOsFileExists, "create tag", file->fileName(),
                                 "candidate tag " + info.name + ": records " +
                                     std::to_string(previous.record) + " and " +
                                     std::to_string(entry.record) + " have the same key");
        }
        if (info.unique) continue;
      }
    }
    if (IoStatus s = builder.AddLeafEntry(entry.key, entry.record); !s.ok()) return s;
    std::swap(previous, entry);
    first = false;
  }
  if (IoStatus s = builder.Finish(&header.root); !s.ok()) return s;
  if (IoStatus s = file->WriteHeader(*headerOffset, header); !s.ok()) return s;
  return file->AddDirectoryEntry(info.name, *headerOffset);
}

}  // namespace

IoStatus CreateCdxTag(CdxFile* file, const OrderInfo& info, EntrySource* entries,
                      std::unique_ptr<CdxTag>* tag) {
  if (tag) tag->reset();
  if (!ValidTagName(info.name)) return Invalid(*file, "tag name \"" + info.name + "\"");
  if (info.keyLength < 1 || info.keyLength > kCdxMaxKeyLength) {
    return Invalid(*file, "key length " + std::to_string(info.keyLength));
  }
  CdxHeader header;
  header.keyLength = info.keyLength;
  header.options = kTagOptions;
  if (info.unique) header.options |= kCdxOptionUnique;
  if (info.candidate) header.options |= kCdxOptionCandidate;
  if (!info.forExpression.empty()) header.options |= kCdxOptionFor;
  header.descending = info.descending;
  header.keyExpression = info.keyExpression;
  header.forExpression = info.forExpression;
  if (info.keyExpression.empty() || !CdxExpressionsFit(header)) {
    return Invalid(*file, "key and FOR expressions of tag " + info.name);
  }
  std::unique_ptr<CdxTag> opened;
  std::string name = CdxDirectoryKey(info.name);
  if (IoStatus s = CdxTag::Make(file, 0, header, name, info.kind, &opened); !s.ok()) return s;

  CdxFile::Scope scope(file, true);
  if (!scope.ok()) return scope.status();
  uint32_t headerOffset = kCdxNone;
  IoStatus s = BuildTag(file, info, header, entries, &headerOffset);
  if (IoStatus e = scope.End(s); !e.ok()) return e;
  if (!tag) return IoStatus::Ok();
  CdxFile::Scope read(file, false);
  if (!read.ok()) return read.status();
  CdxHeader written;
  s = file->ReadTagHeader(headerOffset, &written);
  if (s.ok()) s = CdxTag::Make(file, headerOffset, written, name, info.kind, tag);
  return read.End(s);
}

}  // namespace tabrix
