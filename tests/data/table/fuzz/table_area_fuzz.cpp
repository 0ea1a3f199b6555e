// Arbitrary bytes as a table opened through the table areas (in-memory Env). The same bytes
// are the memo file of both kinds, so memo pointers meet every kind of damage. The table is
// walked both ways reading every field, then written: every value read is put back, a record
// is appended with a memo, one is deleted, and the table is closed and opened again. Every
// failure must arrive as an error object; the handler lets each operation fail softly.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "data/base/error.h"
#include "data/env/memory_env.h"
#include "data/table/table_area.h"

using namespace tabrix;

namespace {

void Put(Env* env, const std::string& name, const uint8_t* data, size_t size) {
  std::unique_ptr<File> f;
  if (!env->Open(name, {.disposition = Disposition::kCreateAlways}, &f).ok()) return;
  (void)f->WriteAt(0, {data, size});
}

void WalkAndRead() {
  const int fields = static_cast<int>(Structure().size());
  for (GoTop(); !AtEnd(); Skip()) {
    for (int p = 1; p <= fields; ++p) (void)GetField(p);
  }
  for (GoBottom(); !AtBeginning(); Skip(-1)) (void)IsDeleted();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::unique_ptr<Env> env = NewMemoryEnv();
  Put(env.get(), "F.DBF", data, size);
  Put(env.get(), "F.fpt", data, size);
  Put(env.get(), "F.dbt", data, size);
  Env* previous = SetTableEnv(env.get());
  ScopedErrorHandler handler([](const ErrorObject&) {
    return ErrorOutcome{ErrorAction::kDefault, {}};
  });
  if (OpenTable(false, "DBFNTX", "F.DBF", "", false, false)) {
    WalkAndRead();
    const std::vector<StructureRow> rows = Structure();
    GoTop();
    if (!AtEnd()) {
      for (size_t p = 1; p <= rows.size(); ++p) PutField(static_cast<int>(p), GetField(int(p)));
      MarkDeleted();
    }
    if (AppendRecord()) {
      for (size_t p = 1; p <= rows.size(); ++p) {
        if (rows[p - 1].type == 'M') PutField(static_cast<int>(p), std::string(100, 'm'));
      }
    }
    CloseArea();
    if (OpenTable(false, "DBFCDX", "F.DBF", "", true, true)) WalkAndRead();
  }
  CloseAllAreas();
  SetTableEnv(previous);
  return 0;
}
