#pragma once
// ZB_NETTABLE, the shared-table opener: how the program opens a table.
//
// One object stands for one opened table file. On top of OpenTable (table_area.h) it keeps a
// per-process registry of opened files with use counts (opening the same file twice gives the
// same object and the same area; the table closes when its last user releases it), chooses the
// driver per table from the drive and the companion files beside it, derives a unique alias
// from the file name, and handles failures uniformly: German message boxes from the framework's
// resource library, an entry in the error log and, with boxes on, the end of the program.
//
// Callers check lOK after New, address the table through Area, and release it with Axit; every
// successful New is matched by one Axit. Releasing an object whose open failed is harmless.
//
// Portable: boxes, the resource library and the program end go through the standard library's
// system (stfkt_system.h, KILLTASK), the server test through the remote client
// (remote_client.h), and the values the application object holds through NetTableSettings.
// Single-threaded, like the whole program; the registry is per process.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data/base/call_site.h"
#include "data/base/driver_names.h"
#include "data/base/value.h"

namespace tabrix {

// The application object's values the opener reads (the program keeps them here in step with
// the application object).
struct NetTableSettings {
  std::string resourceLibrary = "ZBRES32.DLL";  // cZBRES
  bool serverDefault = false;                   // lDBFNTXAX: the default driver is "ADS"
  std::string defaultDriverName = kDriverNtx;   // cDBFNTX
  std::string tempDir;                          // TempDir: tables there are never served
  std::string servedDrive = "!";                // aEVars[15]: drive last found served
};
NetTableSettings& NetTableConfig();

// Arguments of New, with the defaults of the argument list.
struct NetTableArgs {
  std::string fileName;
  bool showErrorBox = true;  // boxes on: failures are shown and end the program
  bool shared = true;
  bool newArea = true;  // open into the lowest free area
  bool readOnly = false;
  // Index files for the table (no caller passes any). Kept in aIndex; the first 15 are opened
  // on the table (AddOrderBag).
  std::vector<std::string> indexList;
  // "" or an index-kind hint ("CDX", "NTX"): automatic choice; "ADS", "DBFCDX", "DBFNTX":
  // explicit.
  std::string driver;
};

class ZB_NETTABLE {
 public:
  // Opens args.fileName. Returns the registered object when the file is open already (its use
  // count grows), else a new object; lOK tells whether the table is open. `caller` names the
  // call site for the log texts' call trailer (by default the caller of New).
  static std::shared_ptr<ZB_NETTABLE> New(const NetTableArgs& args,
                                          const CallSite& caller = CallSite::Current());
  static std::shared_ptr<ZB_NETTABLE> New(const std::string& fileName,
                                          const CallSite& caller = CallSite::Current());

  // The actual open (New calls it): chooses the driver (RDD, xRDD), opens the file in Area
  // under Alias with the system's error boxes suppressed, and on failure sets lOK false, puts
  // the table layer's error text with the call trailer into cError and logs it. No box.
  ZB_NETTABLE& Init2(const std::string& fileName, bool shared, bool newArea, bool readOnly,
                     const std::string& driver);
  // Releases one use (all with force; never below one with keepOne). The last release commits
  // and closes the table and sets Area to 0; above 0 the table is only committed. An object
  // that is not the registered one (its open failed) releases nothing.
  void Axit(bool force = false, bool keepOne = false);
  // cName.
  const std::string& Dateiname() const { return cName; }
  // The call trailer of log texts: CR LF "   Aufgerufen von: " and, per caller outward,
  // CR LF name "(" line ")".
  std::string Aufrufende() const;

  std::vector<std::string> aIndex;
  bool lOK = false;
  std::string Alias;
  std::string cError;
  int nOsCode = 0;  // operating-system code of the last open error (file_env.h), 0 for none
  int Area = 0;
  std::string RDD;
  std::string xRDD;
  std::string cName;
  bool lShowErrorBox = true;
  bool lShared = true;

 private:
  // Gives the open up: lOK false, the log entry `heading` with the program-end note and the
  // call trailer, and with boxes on the end of the program (KILLTASK).
  void GiveUp(const std::string& heading);

  CallSite caller_;
};

// Number of files in the registry (for tests).
int NetTableRegistrySize();

// Skips n records on the current area; beyond 100 records either way with deleted records
// invisible, skips with them visible and steps off a deleted record reached.
void FASTSKIP(int64_t n);
bool EXISTFILE(const std::string& fileName);
// Directory (with its trailing "\") of the registered shared table in `area`, or the file of
// its index `order`; "" when none.
std::string GETCSTANDARDDBFDIR(int area, int order = 0);
// "{ abc, 12, .T. }"; "<none>" for a missing or empty list.
std::string CONVERTARGS(const std::optional<std::vector<Value>>& args);
// "<none>" for an empty value, else the value with trailing blanks removed.
std::string IFEMPTY(const Value& value);
// The driver keeps CDX-style indexes.
bool ISRDDCDX(std::string_view driver);

}  // namespace tabrix
