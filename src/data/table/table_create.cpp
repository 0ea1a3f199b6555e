#include "data/table/table_create.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "data/base/driver_names.h"
#include "data/base/text.h"
#include "data/formats/dbf_header.h"
#include "data/formats/dbt_memo.h"
#include "data/formats/fpt_memo.h"
#include "data/formats/lock_offsets.h"
#include "data/table/table_file.h"

namespace tabrix {
namespace {

// The memo files this layer writes, by the memo kind of their table: the FoxPro kinds get
// 64-byte FPT blocks, dBASE III and dBASE IV tables the DBT of their flavour.
std::string MemoExtension(MemoKind kind) {
  return kind == MemoKind::kFpt ? ".fpt" : ".dbt";
}

std::string NewMemoFile(MemoKind kind, const std::string& tableFile) {
  switch (kind) {
    case MemoKind::kFpt:
      return NewFptFile(kFptDefaultBlockSize);
    case MemoKind::kDbt4:
      return NewDbtFile(DbtFlavour::kDbase4, WithoutExtension(FileNamePart(tableFile)));
    default:
      return NewDbtFile(DbtFlavour::kDbase3, "");
  }
}

// Writes bytes as the whole new content of fileName.
IoStatus WriteNewFile(Env* env, const std::string& fileName, const std::string& bytes) {
  std::unique_ptr<File> file;
  IoStatus io =
      env->Open(fileName, {.exclusive = true, .disposition = Disposition::kCreateAlways}, &file);
  if (!io.ok()) return io;
  io = file->WriteAt(0, {reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()});
  if (io.ok()) io = file->Flush();
  return io;
}

}  // namespace

TableStatus CreateTableFiles(Env* env, const std::string& fileName,
                             const std::vector<StructureRow>& rows, const std::string& driver) {
  const bool ntx = LockDialectOfDriver(driver) == LockDialect::kNtx;
  std::vector<DbfFieldSpec> specs;
  bool memo = false;
  for (const StructureRow& r : rows) {
    if (r.decimals > 255) {
      return TableError(kGenCreate, kSubCreate, driver,
                        "Create error (field " + r.name + ": too many decimals)", fileName,
                        "CreateTable");
    }
    char type = static_cast<char>(r.type >= 'a' && r.type <= 'z' ? r.type - 'a' + 'A' : r.type);
    specs.push_back({AsciiUpper(r.name), type, r.length, static_cast<uint8_t>(r.decimals)});
    memo = memo || type == 'M';
  }
  for (size_t i = 0; i < specs.size(); ++i) {
    for (size_t j = 0; j < i; ++j) {
      if (specs[i].name == specs[j].name) {
        return TableError(kGenCreate, kSubCreate, driver,
                          "Create error (field " + specs[i].name + " twice)", fileName,
                          "CreateTable");
      }
    }
  }
  const uint8_t version =
      !memo ? kDbfVersionDbase3 : (ntx ? kDbfVersionDbase3Memo : kDbfVersionFoxPro2Memo);
  Result<DbfHeader> h = MakeDbfHeader(version, specs, kNewTableCodePageMark, fileName);
  if (!h) {
    ErrorObject e = TableFormatError(h.error(), driver, "CreateTable", kGenCreate);
    e.subCode = kSubCreate;
    return e;
  }
  const Date today = TodayForHeader(env);
  h.value().updateYear = today.year;
  h.value().updateMonth = today.month;
  h.value().updateDay = today.day;
  std::string bytes = EncodeDbfHeader(h.value());
  bytes.push_back(static_cast<char>(kDbfEofMarker));

  const std::string base(WithoutExtension(fileName));
  IoStatus io = WriteNewFile(env, fileName, bytes);
  if (io.ok() && memo) {
    const MemoKind kind = ntx ? MemoKind::kDbt3 : MemoKind::kFpt;
    io = WriteNewFile(env, base + MemoExtension(kind), NewMemoFile(kind, fileName));
  }
  if (io.ok() && !ntx) {
    for (const char* ext : {".cdx", ".CDX"}) {
      if (io.ok() && env->FileExists(base + ext)) io = env->RemoveFile(base + ext);
    }
  }
  if (!io.ok()) return TableIoError(kGenCreate, kSubCreate, driver, io, "CreateTable");
  return {};
}

namespace {

// Upper-case companions beside a table whose name (its extension, or the whole name when it
// has none) holds no lower-case letter; lower-case ones otherwise.
bool NamedUpperCase(const std::string& tableFile) {
  const std::string_view part =
      HasExtension(tableFile) ? ExtensionOf(tableFile) : FileNamePart(tableFile);
  return std::none_of(part.begin(), part.end(), [](char c) { return c >= 'a' && c <= 'z'; });
}

constexpr const char* kMissingMemoOperation = "CreateMissingMemoFile";
// The largest header: its length is a 16-bit field.
constexpr uint64_t kMaxHeaderBytes = 65535;

// Reads the header of an existing table. Failures: open error 21.
TableStatus ReadTableHeader(Env* env, const std::string& fileName, const std::string& driver,
                            DbfHeader* out) {
  std::unique_ptr<File> file;
  IoStatus io = env->Open(fileName, {.readOnly = true}, &file);
  uint64_t size = 0;
  if (io.ok()) io = file->Size(&size);
  std::vector<uint8_t> head(static_cast<size_t>(std::min(size, kMaxHeaderBytes)));
  size_t got = 0;
  if (io.ok()) io = file->ReadAt(0, head, &got);
  if (!io.ok()) return TableIoError(kGenOpen, kSubOpen, driver, io, kMissingMemoOperation);
  head.resize(got);
  Result<DbfHeader> h = ParseDbfHeader(head, size, fileName);
  if (!h) return TableFormatError(h.error(), driver, kMissingMemoOperation, kGenOpen);
  *out = std::move(h.value());
  return {};
}

}  // namespace

MemoFileStatus CreateMissingMemoFile(Env* env, const std::string& tableFile) {
  // Errors name the local driver whose memo format is concerned; before the header is read,
  // the program's default local driver.
  DbfHeader h;
  if (TableStatus s = ReadTableHeader(env, tableFile, kDriverCdx, &h); !s) {
    return {MemoFileOutcome::kFailed, s.error()};
  }
  const MemoKind kind = h.memoKind();
  const bool memoFields = std::any_of(h.fields.begin(), h.fields.end(),
                                      [&](const DbfField& f) { return IsMemoField(h, f); });
  if (!memoFields || kind == MemoKind::kNone) return {};
  const std::string base(WithoutExtension(tableFile));
  const std::string lower = base + MemoExtension(kind);
  const std::string upper = base + AsciiUpper(MemoExtension(kind));
  if (env->FileExists(lower) || env->FileExists(upper)) return {};
  const std::string driver = kind == MemoKind::kFpt ? kDriverCdx : kDriverNtx;
  const std::string memoFile = NamedUpperCase(tableFile) ? upper : lower;
  IoStatus io = WriteNewFile(env, memoFile, NewMemoFile(kind, tableFile));
  if (!io.ok()) {
    // A memo file cut short would make the table unreadable and would be taken for a good
    // one by the next attempt.
    if (env->FileExists(memoFile)) (void)env->RemoveFile(memoFile);
    return {MemoFileOutcome::kFailed,
            TableIoError(kGenCreate, kSubCreate, driver, io, kMissingMemoOperation)};
  }
  return {MemoFileOutcome::kCreated, std::nullopt};
}

}  // namespace tabrix
