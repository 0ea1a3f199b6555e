#pragma once
// A small dBASE file reader and writer of the end-to-end tests, written for them alone so that
// what the tests expect does not come from the program's own table layer. It reads the header,
// the field list, every record with its deletion flag, and memo texts from FoxPro FPT files and
// dBASE III DBT files. The writer makes plain dBASE III tables (no memo) for test sources.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tabrix::e2e {

struct DbfField {
  std::string name;  // as stored, upper case
  char type = 'C';
  int length = 0;
  int decimals = 0;
  size_t offset = 0;  // within the record, after the deletion flag
};

class DbfFile {
 public:
  // Reads the table and, when one of its fields is a memo, the memo file beside it (same base
  // name, ".FPT" or ".DBT"). Returns nothing when the file cannot be read or is not a table.
  static std::optional<DbfFile> Load(const std::string& path, std::string* error = nullptr);

  uint8_t version = 0;
  std::vector<DbfField> fields;

  size_t RecordCount() const { return records_.size(); }
  bool Deleted(size_t record) const { return records_[record][0] == '*'; }
  // 1-based field number of a name; 0 when there is none.
  int FieldNumber(const std::string& name) const;
  const DbfField& Field(int number) const { return fields[static_cast<size_t>(number - 1)]; }
  // The stored bytes of a field (fixed width).
  std::string Raw(size_t record, int number) const;
  // The text of a memo field: the FPT block's data, or a DBT text up to its end mark; empty when
  // the record points at no block.
  std::string Memo(size_t record, int number) const;

 private:
  std::vector<std::string> records_;  // each with its deletion flag in front
  std::string memo_;                  // the whole memo file
  enum class MemoKind { kNone, kFpt, kDbt } memoKind_ = MemoKind::kNone;
  uint32_t memoBlockSize_ = 512;
};

// A plain dBASE III table (version 0x03, code page mark 0x02) with character and numeric fields.
struct DbfWriterField {
  std::string name;
  char type;  // 'C' or 'N'
  int length;
  int decimals = 0;
};
// Writes the table; each record holds one value per field (character values are cut or padded
// with blanks, numeric values right-aligned). Returns false when the file cannot be written.
bool WriteDbf(const std::string& path, const std::vector<DbfWriterField>& fields,
              const std::vector<std::vector<std::string>>& records);

// Whole file in and out, binary.
std::optional<std::string> ReadWholeFile(const std::string& path);
bool WriteWholeFile(const std::string& path, const std::string& bytes);

}  // namespace tabrix::e2e
