// dbf_dump: prints every field of every record of a table through our decoders, in the
// normalised form of the independent readers' dumps (scripts/compare_readers.py), so that
// the script can compare them field by field.
//
//   dbf_dump TABLE.DBF
//
// Output: "tool: tabrix", "fields: NAME TYPE LEN DEC | ...", "count: N", then one line per
// record "RECNO FLAG v1|v2|..." (FLAG '-' live, '*' deleted); a field that does not decode
// shows as \! followed by the reason. A table that does not open prints "error: reason".

#include <cstdio>
#include <string>

#include "data/formats/dbf_test_util.h"
#include "data/formats/oracle_form.h"

int main(int argc, char** argv) {
  using namespace tabrix;
  if (argc != 2) {
    std::fprintf(stderr, "usage: dbf_dump TABLE.DBF\n");
    return 2;
  }
  auto t = testing::LoadTable(argv[1]);
  std::printf("tool: tabrix\n");
  if (!t->ok()) {
    std::printf("error: %s\n", t->header->error().ToString().c_str());
    return 0;
  }
  if (t->memoError) std::printf("memo error: %s\n", t->memoError->ToString().c_str());
  const DbfHeader& h = t->h();
  std::string fields;
  for (const DbfField& f : h.fields) {
    if (!fields.empty()) fields += " | ";
    fields +=
        f.name + " " + f.type + " " + std::to_string(f.length) + " " + std::to_string(f.decimals);
  }
  std::printf("fields: %s\ncount: %u\n", fields.c_str(), h.recordCount);
  for (uint32_t n = 1; n <= h.recordCount; ++n) {
    std::string line = std::to_string(n) + (RecordIsDeleted(t->Record(n)) ? " * " : " - ");
    for (size_t i = 0; i < h.fields.size(); ++i) {
      if (i) line += '|';
      Result<Value> v = t->decoder->Field(t->Record(n), h.RecordOffset(n), i);
      line += v.ok() ? testing::OracleForm(v.value()) : "\\!" + v.error().reason;
    }
    std::printf("%s\n", line.c_str());
  }
  return 0;
}
