// The remote client the program asks, and the start-up rules that depend on its answers.

#include "data/nettable/remote_client.h"

namespace tabrix {
namespace {

// The client of a build without the server's client library: nothing is ever served, so
// every table runs on the local back-end.
class ClientWithoutLibrary final : public RemoteClient {
 public:
  bool Available() override { return false; }
  int AdsIsServerLoaded(const std::string&) override { return kServerNone; }
  int64_t AdsGetLastError() override { return 0; }
  void ConfigureForStartUp() override {}
};

ClientWithoutLibrary& WithoutLibrary() {
  static ClientWithoutLibrary client;
  return client;
}

RemoteClient*& Installed() {
  static RemoteClient* client = nullptr;
  return client;
}

}  // namespace

RemoteClient& CurrentRemoteClient() {
  RemoteClient* client = Installed();
  return client ? *client : WithoutLibrary();
}

RemoteClient* SetRemoteClient(RemoteClient* client) {
  RemoteClient* previous = Installed();
  Installed() = client;
  return previous;
}

std::string ServedLocationOf(const std::string& sysDir) {
  if (sysDir.starts_with("\\\\")) {
    // "\\server\share\..." -> "\\server\share": the share is what a server serves.
    const size_t serverEnd = sysDir.find('\\', 2);
    if (serverEnd == std::string::npos) return sysDir;
    const size_t shareEnd = sysDir.find('\\', serverEnd + 1);
    return shareEnd == std::string::npos ? sysDir : sysDir.substr(0, shareEnd);
  }
  return sysDir.substr(0, 2);
}

std::string StartUpDriver(RemoteClient& client, const std::string& location) {
  return client.AdsIsServerLoaded(location) == kServerRemote ? "ADS" : "DBFCDX";
}

}  // namespace tabrix
