#include "data/table_create.h"

#include <algorithm>

#include "data/dbf_header.h"
#include "data/dbt_memo.h"
#include "data/fpt_memo.h"
#include "data/lock_offsets.h"
#include "data/table_file.h"

namespace tabrix {
namespace {

std::string BaseOf(const std::string& fileName) {
  size_t slash = fileName.find_last_of("/\\");
  size_t dot = fileName.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return fileName;
  return fileName.substr(0, dot);
}

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  return s;
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
    specs.push_back({Upper(r.name), type, r.length, static_cast<uint8_t>(r.decimals)});
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
  const Date today = TodayForHeader();
  h.value().updateYear = today.year;
  h.value().updateMonth = today.month;
  h.value().updateDay = today.day;
  std::string bytes = EncodeDbfHeader(h.value());
  bytes.push_back(static_cast<char>(kDbfEofMarker));

  const std::string base = BaseOf(fileName);
  IoStatus io = WriteNewFile(env, fileName, bytes);
  if (io.ok() && memo) {
    io = ntx ? WriteNewFile(env, base + ".dbt", NewDbtFile(DbtFlavour::kDbase3, ""))
             : WriteNewFile(env, base + ".fpt", NewFptFile(kFptDefaultBlockSize));
  }
  if (io.ok() && !ntx) {
    for (const char* ext : {".cdx", ".CDX"}) {
      if (io.ok() && env->FileExists(base + ext)) io = env->RemoveFile(base + ext);
    }
  }
  if (!io.ok()) return TableIoError(kGenCreate, kSubCreate, driver, io, "CreateTable");
  return {};
}

}  // namespace tabrix
