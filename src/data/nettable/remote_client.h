#pragma once
// The remote database server's client, as the rest of the program asks it.
//
// Sites whose data share is served by a database server have every table carried out by that
// server through its client engine (data/remote). The engine's library is loaded at run time
// the first time the client is asked for: where it or one of its functions is missing, the
// client is the one without library, which answers "no server" to every question, so every
// table runs on the local back-end and nobody is told. The start-up contract (which server
// serves the program's drive) and the shared-table opener's server test go through this
// interface.

#include <cstdint>
#include <memory>
#include <string>

#include "data/remote/ace_api.h"

namespace tabrix {

// Answers of AdsIsServerLoaded: what serves a drive or share.
inline constexpr int kServerNone = 0;    // no server (or the question failed)
inline constexpr int kServerLocal = 1;   // the server's local (in-process) flavour
inline constexpr int kServerRemote = 2;  // a remote database server

class RemoteClient {
 public:
  virtual ~RemoteClient() = default;
  // True when the client library was found and loaded.
  virtual bool Available() = 0;
  // What serves `drive` ("E:" or "\\server\share"): kServerNone, kServerLocal or kServerRemote.
  virtual int AdsIsServerLoaded(const std::string& drive) = 0;
  // The engine's number of the last failed call, 0 when none.
  virtual int64_t AdsGetLastError() = 0;
  // The start-up contract's steps 1-5 on the engine: CDX tables, the "ADS" driver registered
  // beside the local ones, proprietary locking, OEM text passed on as stored, deleted records
  // shown to the areas (which decide what is visible). Nothing to do without a library.
  virtual void ConfigureForStartUp() = 0;
  // Ends the connections to the server (the exit procedure, when tables were served).
  virtual void Disconnect() = 0;
};

// The client over the engine in `libraryName`, or the one without library when the library or
// one of its functions is missing.
std::unique_ptr<RemoteClient> LoadRemoteClient(const std::string& libraryName);
// The client over an engine whose functions are given (tests give their own).
std::unique_ptr<RemoteClient> RemoteClientOver(const AceApi& api);

// The client the program uses: the installed one, else the engine of this build's library
// (AceLibraryName), loaded on the first call, else the one without library.
RemoteClient& CurrentRemoteClient();
// Installs client (nullptr: back to the one without library); returns the previous one. The
// caller keeps ownership.
RemoteClient* SetRemoteClient(RemoteClient* client);

// RDDINIT's steps 3-4: the drive or share that the start-up question names, from the `SysDir`
// value (or the program's path when it is missing): "\\srv\data\dir" -> "\\srv\data",
// "E:\VELARTO" -> "E:". A value shorter than two characters is returned as it is.
std::string ServedLocationOf(const std::string& sysDir);

// RDDINIT's step 6: the default table driver for the run, from the answer the client gives
// for `location`: "ADS" for kServerRemote, "DBFCDX" for everything else.
std::string StartUpDriver(RemoteClient& client, const std::string& location);

}  // namespace tabrix
