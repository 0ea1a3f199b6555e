// The remote client the program asks, and the start-up rules that depend on its answers.

#include "data/nettable/remote_client.h"

#include "data/remote/ace_engine.h"
#include "data/remote/ace_library.h"
#include "data/remote/ace_table.h"

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
  void Disconnect() override {}
};

// The client over a loaded engine; the "ADS" back-end runs on the same engine object.
class EngineClient final : public RemoteClient {
 public:
  explicit EngineClient(const AceApi& api) : engine_(api) {}
  ~EngineClient() override { ForgetAceBackend(&engine_); }
  bool Available() override { return true; }
  int AdsIsServerLoaded(const std::string& drive) override { return engine_.ServerAt(drive); }
  int64_t AdsGetLastError() override { return engine_.LastError(); }
  void ConfigureForStartUp() override {
    AceTableSettings& settings = engine_.settings();
    settings.tableType = kAdsCdx;
    settings.lockType = kAdsProprietaryLocking;
    settings.charType = kAdsOem;
    (void)engine_.api().AdsShowDeleted(kAdsTrue);
    RegisterAceBackend(&engine_);
  }
  void Disconnect() override { (void)engine_.api().AdsDisconnect(0); }

 private:
  AceEngine engine_;
};

RemoteClient& Loaded() {
  static std::unique_ptr<RemoteClient> client = LoadRemoteClient(AceLibraryName());
  return *client;
}

RemoteClient*& Installed() {
  static RemoteClient* client = nullptr;
  return client;
}

}  // namespace

std::unique_ptr<RemoteClient> LoadRemoteClient(const std::string& libraryName) {
  if (std::optional<AceApi> api = LoadAceLibrary(libraryName)) return RemoteClientOver(*api);
  return std::make_unique<ClientWithoutLibrary>();
}

std::unique_ptr<RemoteClient> RemoteClientOver(const AceApi& api) {
  return std::make_unique<EngineClient>(api);
}

RemoteClient& CurrentRemoteClient() {
  RemoteClient* client = Installed();
  return client ? *client : Loaded();
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
  return client.AdsIsServerLoaded(location) == kServerRemote ? kDriverAds : kDriverCdx;
}

}  // namespace tabrix
