#pragma once
// The standard library's table function: creating a local work table, replacing an old one.

#include <string>
#include <string_view>
#include <vector>

#include "data/table/table_create.h"

namespace tabrix {

// Results of DBCREATELOCAL.
inline constexpr int kCreateLocalOk = 0;
inline constexpr int kCreateLocalOldFileKept = 1;  // the old file could not be removed first
inline constexpr int kCreateLocalMissing = 2;      // no file exists afterwards

// How often and how long DBCREATELOCAL tries to remove an old file that another program keeps
// open: about ten seconds in all, with messages handled meanwhile.
inline constexpr int kCreateLocalRemoveTries = 20;
inline constexpr double kCreateLocalRemovePause = 0.5;

// The application's driver settings as DBCREATELOCAL needs them.
struct LocalDriverSettings {
  // The default driver is the database server's (lDBFNTXAX): local tables must then be created
  // with a local driver.
  // The server keeps CDX-style files from start-up on, so its local twin is "DBFCDX".
  bool serverDefault = false;
};

// The file name DBCREATELOCAL works on: ".dbf" appended when the last four characters hold no
// ".", the name (after the last directory separator) upper case.
std::string LocalTableName(std::string_view file);

// Creates a local table through the table layer (CreateTable of table_area.h), replacing an
// old file of that name: the old file is removed first, retried up to kCreateLocalRemoveTries
// times with WAITMODELESS(kCreateLocalRemovePause) in between while another program keeps it
// open. driver "" means the default driver; with settings.serverDefault the default driver is
// a local one for the duration of the call. Returns kCreateLocalOk, kCreateLocalOldFileKept
// (the old file is still there; CreateTable was tried anyway and may have raised 20) or
// kCreateLocalMissing (no table file afterwards: CreateTable failed).
int DBCREATELOCAL(std::string_view file, const std::vector<StructureRow>& rows,
                  std::string_view driver = {}, const LocalDriverSettings& settings = {});

}  // namespace tabrix
