#include "e2e/dbf_file.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace tabrix::e2e {

namespace {

uint32_t Le32(const std::string& b, size_t at) {
  return static_cast<uint32_t>(static_cast<uint8_t>(b[at])) |
         static_cast<uint32_t>(static_cast<uint8_t>(b[at + 1])) << 8 |
         static_cast<uint32_t>(static_cast<uint8_t>(b[at + 2])) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(b[at + 3])) << 24;
}
uint32_t Le16(const std::string& b, size_t at) {
  return static_cast<uint32_t>(static_cast<uint8_t>(b[at])) |
         static_cast<uint32_t>(static_cast<uint8_t>(b[at + 1])) << 8;
}
uint32_t Be32(const std::string& b, size_t at) {
  return static_cast<uint32_t>(static_cast<uint8_t>(b[at])) << 24 |
         static_cast<uint32_t>(static_cast<uint8_t>(b[at + 1])) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(b[at + 2])) << 8 |
         static_cast<uint32_t>(static_cast<uint8_t>(b[at + 3]));
}

bool Fail(std::string* error, const std::string& text) {
  if (error) *error = text;
  return false;
}

std::string WithExtension(const std::string& path, const std::string& ext) {
  const size_t slash = path.find_last_of("/\\");
  const size_t dot = path.find_last_of('.');
  const std::string base = (dot != std::string::npos && (slash == std::string::npos || dot > slash))
                               ? path.substr(0, dot)
                               : path;
  return base + ext;
}

}  // namespace

std::optional<std::string> ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream all;
  all << in.rdbuf();
  return all.str();
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

std::optional<DbfFile> DbfFile::Load(const std::string& path, std::string* error) {
  std::optional<std::string> bytes = ReadWholeFile(path);
  if (!bytes) {
    Fail(error, "cannot read " + path);
    return std::nullopt;
  }
  const std::string& b = *bytes;
  if (b.size() < 33) {
    Fail(error, path + " is too short for a table");
    return std::nullopt;
  }
  DbfFile table;
  table.version = static_cast<uint8_t>(b[0]);
  const uint32_t count = Le32(b, 4);
  const uint32_t headerLength = Le16(b, 8);
  const uint32_t recordLength = Le16(b, 10);
  size_t offset = 0;
  bool hasMemo = false;
  for (size_t at = 32; at + 32 <= b.size() && b[at] != '\x0D'; at += 32) {
    DbfField f;
    f.name = std::string(b.data() + at, 11);
    f.name.resize(std::min(f.name.find('\0'), f.name.size()));
    f.type = b[at + 11];
    f.length = static_cast<uint8_t>(b[at + 16]);
    f.decimals = static_cast<uint8_t>(b[at + 17]);
    f.offset = offset;
    offset += static_cast<size_t>(f.length);
    if (f.type == 'M') hasMemo = true;
    table.fields.push_back(f);
  }
  if (offset + 1 != recordLength) {
    Fail(error, path + ": the fields do not add up to the record length");
    return std::nullopt;
  }
  for (uint32_t i = 0; i < count; ++i) {
    const size_t at = headerLength + static_cast<size_t>(i) * recordLength;
    if (at + recordLength > b.size()) {
      Fail(error, path + ": the file ends inside record " + std::to_string(i + 1));
      return std::nullopt;
    }
    table.records_.push_back(b.substr(at, recordLength));
  }
  if (hasMemo) {
    for (const char* ext : {".FPT", ".fpt", ".DBT", ".dbt"}) {
      std::optional<std::string> memo = ReadWholeFile(WithExtension(path, ext));
      if (!memo) continue;
      table.memo_ = *memo;
      const bool fpt = ext[1] == 'F' || ext[1] == 'f';
      table.memoKind_ = fpt ? MemoKind::kFpt : MemoKind::kDbt;
      if (fpt && memo->size() >= 8) {
        table.memoBlockSize_ = static_cast<uint32_t>(static_cast<uint8_t>((*memo)[6])) << 8 |
                               static_cast<uint8_t>((*memo)[7]);
      }
      break;
    }
  }
  return table;
}

int DbfFile::FieldNumber(const std::string& name) const {
  for (size_t i = 0; i < fields.size(); ++i) {
    if (fields[i].name == name) return static_cast<int>(i + 1);
  }
  return 0;
}

std::string DbfFile::Raw(size_t record, int number) const {
  const DbfField& f = Field(number);
  return records_[record].substr(1 + f.offset, static_cast<size_t>(f.length));
}

std::string DbfFile::Memo(size_t record, int number) const {
  const std::string raw = Raw(record, number);
  uint32_t block = 0;
  if (raw.size() == 4) {
    block = Le32(raw, 0);
  } else {
    const size_t first = raw.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    block = static_cast<uint32_t>(std::strtoul(raw.c_str() + first, nullptr, 10));
  }
  if (block == 0 || memoKind_ == MemoKind::kNone || memoBlockSize_ == 0) return {};
  const size_t at = static_cast<size_t>(block) * memoBlockSize_;
  if (memoKind_ == MemoKind::kFpt) {
    if (at + 8 > memo_.size()) return {};
    const uint32_t length = Be32(memo_, at + 4);
    return memo_.substr(at + 8, std::min<size_t>(length, memo_.size() - at - 8));
  }
  if (at >= memo_.size()) return {};
  const size_t end = memo_.find('\x1A', at);
  return memo_.substr(at, (end == std::string::npos ? memo_.size() : end) - at);
}

bool WriteDbf(const std::string& path, const std::vector<DbfWriterField>& fields,
              const std::vector<std::vector<std::string>>& records) {
  std::string out(32, '\0');
  size_t recordLength = 1;
  for (const DbfWriterField& f : fields) recordLength += static_cast<size_t>(f.length);
  const size_t headerLength = 32 + 32 * fields.size() + 1;
  out[0] = '\x03';
  out[1] = 125, out[2] = 1, out[3] = 15;  // last update 15.01.2025
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + static_cast<size_t>(i)] = static_cast<char>(v >> (8 * i));
  };
  auto put16 = [&](size_t at, uint32_t v) {
    out[at] = static_cast<char>(v & 0xFF);
    out[at + 1] = static_cast<char>(v >> 8);
  };
  put32(4, static_cast<uint32_t>(records.size()));
  put16(8, static_cast<uint32_t>(headerLength));
  put16(10, static_cast<uint32_t>(recordLength));
  out[29] = '\x02';  // code page 850
  for (const DbfWriterField& f : fields) {
    std::string d(32, '\0');
    std::copy_n(f.name.begin(), std::min<size_t>(f.name.size(), 10), d.begin());
    d[11] = f.type;
    d[16] = static_cast<char>(f.length);
    d[17] = static_cast<char>(f.decimals);
    out += d;
  }
  out += '\x0D';
  for (const std::vector<std::string>& values : records) {
    std::string r = " ";
    for (size_t i = 0; i < fields.size(); ++i) {
      const DbfWriterField& f = fields[i];
      std::string v = i < values.size() ? values[i] : std::string();
      const size_t width = static_cast<size_t>(f.length);
      if (v.size() > width) v.resize(width);
      if (f.type == 'N') {
        r += std::string(width - v.size(), ' ') + v;
      } else {
        r += v + std::string(width - v.size(), ' ');
      }
    }
    out += r;
  }
  out += '\x1A';
  return WriteWholeFile(path, out);
}

}  // namespace tabrix::e2e
