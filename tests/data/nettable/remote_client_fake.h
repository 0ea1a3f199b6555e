#pragma once
// A recording stand-in for the database server's client: answers per drive or share, the
// last engine error, and the questions it was asked.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "data/nettable/remote_client.h"

namespace tabrix {

class FakeRemoteClient : public RemoteClient {
 public:
  // What serves a drive or share; every other one is served by nothing.
  std::map<std::string, int> answers;
  int64_t lastError = 0;

  // What happened.
  std::vector<std::string> asked;
  int configured = 0;
  int disconnected = 0;

  bool Available() override { return true; }
  int AdsIsServerLoaded(const std::string& drive) override {
    asked.push_back(drive);
    auto it = answers.find(drive);
    return it == answers.end() ? kServerNone : it->second;
  }
  int64_t AdsGetLastError() override { return lastError; }
  void ConfigureForStartUp() override { ++configured; }
  void Disconnect() override { ++disconnected; }
};

// Installs a client for the lifetime of this object and restores the previous one after.
class ScopedRemoteClient {
 public:
  explicit ScopedRemoteClient(RemoteClient* client) : previous_(SetRemoteClient(client)) {}
  ~ScopedRemoteClient() { SetRemoteClient(previous_); }
  ScopedRemoteClient(const ScopedRemoteClient&) = delete;
  ScopedRemoteClient& operator=(const ScopedRemoteClient&) = delete;

 private:
  RemoteClient* previous_;
};

}  // namespace tabrix
