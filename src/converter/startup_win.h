#pragma once
// Start-up of the converter program: RDDINIT (one copy only; the table back-end for the whole
// run) and the values of the application context that come from the program file.

#include <windows.h>

#include <string>

#include "data/nettable/remote_client.h"

namespace tabrix {

// The frame's window class and the program's display name (CAPPNAME).
inline constexpr char kFrameClassName[] = "Tabrix";
inline constexpr char kAppName[] = "Velarto Converter";

// The full path of the running program file.
std::string ProgramFilePath();
// The program file's folder: its path cut after the last backslash (the backslash stays).
std::string ProgramFolderOf(const std::string& programPath);
// CSTARTDIR: that folder in upper case, always ending in a backslash.
std::string StartDirOf(const std::string& programPath);
// INIDATEI: the per-user settings folder of "Velarto" followed by "qz.ini".
std::string UserSettingsFile();

// RDDINIT's single-instance rule: when a top-level window of the class "Tabrix" exists (any
// caption), brings it to the foreground and answers true: this copy must end at once.
bool BringRunningCopyToFront();

// RDDINIT's back-end choice: key SysDir of section Directory in "QZX.INI" of the program's folder
// (default: the program's path) reduced to its drive or share, asked of `client` after its
// start-up configuration; the driver it answers for (ADS for a remote server, else DBFCDX)
// becomes the table layer's default. Returns that driver.
std::string ChooseTableBackEnd(const std::string& programPath, RemoteClient& client);

// RDDINIT: false when another copy runs (brought to the front; this copy must end without a
// window); else chooses the table back-end and answers true.
bool RDDINIT();

}  // namespace tabrix
