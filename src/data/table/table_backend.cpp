// The choice of back-end by driver name; the interface and its invariants are in
// table_backend.h.

#include "data/table/table_backend.h"

#include <algorithm>
#include <utility>

#include "data/table/table_area.h"
#include "data/table/table_file.h"

namespace tabrix {
namespace {

TableStatus OpenLocal(const BackendRequest& r, std::unique_ptr<TableBackend>* out) {
  std::unique_ptr<TableFile> table;
  TableStatus s = TableFile::Open(r.env, r.fileName, r.driver, r.shared, r.readOnly, &table);
  if (s) *out = std::move(table);
  return s;
}

std::vector<BackendKind>& Kinds() {
  static std::vector<BackendKind> kinds = {
      {kDriverCdx, OpenLocal, CreateTableFiles},
      {kDriverNtx, OpenLocal, CreateTableFiles},
  };
  return kinds;
}

}  // namespace

TableStatus TableBackend::SetOrder(int order) {
  if (order == 0) return {};
  return TableError(kGenArg, kSubArgument, driver(), "Argument error (order number)", fileName(),
                    "OrdSetFocus");
}

TableStatus TableBackend::AddOrderBag(const std::string& file) {
  return TableError(kGenUnsupported, kSubIndexNotMaintained, driver(),
                    "Unsupported: index files on this driver", file, "OrdListAdd");
}

TableStatus TableBackend::CreateOrder(const OrderRequest& request) {
  return TableError(kGenUnsupported, kSubIndexNotMaintained, driver(),
                    "Unsupported: index files on this driver", request.bag, "OrdCreate");
}

const BackendKind* FindBackend(std::string_view driver) {
  for (const BackendKind& k : Kinds()) {
    if (k.driver == driver) return &k;
  }
  return nullptr;
}

std::vector<std::string> BackendDrivers() {
  std::vector<std::string> names;
  for (const BackendKind& k : Kinds()) names.push_back(k.driver);
  return names;
}

void RegisterBackend(BackendKind kind) {
  for (BackendKind& k : Kinds()) {
    if (k.driver == kind.driver) {
      k = std::move(kind);
      return;
    }
  }
  Kinds().push_back(std::move(kind));
}

void UnregisterBackend(std::string_view driver) {
  std::erase_if(Kinds(), [&](const BackendKind& k) { return k.driver == driver; });
}

TableStatus OpenBackend(const BackendRequest& request, std::unique_ptr<TableBackend>* out) {
  return FindBackend(request.driver)->open(request, out);
}

}  // namespace tabrix
