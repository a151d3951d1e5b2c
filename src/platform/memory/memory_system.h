// A test double of the process and OS: settable answers and a clock that
// only moves when the program sleeps.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/system.h"

namespace corvanta {

class MemorySystem : public System {
 public:
  struct RestorePointCall {
    std::string library;
    std::string entry;
    RestorePointRequest request;
  };

  MemorySystem();

  void SetExecutablePath(const std::string& path) { executablePath_ = path; }
  void SetFirstArgument(const std::string& arg) { firstArgument_ = arg; }
  // The clock: Now() is this moment plus the time slept since.
  void SetNow(const LocalDateTime& now);
  void Advance(uint64_t ms) { elapsedMs_ += ms; }
  // Work that takes time: every TickCount() moves the tick count on by ms
  // (Now() stays).
  void SetTickStep(uint64_t ms) { tickStep_ = ms; }
  void SetVersion(const OsVersion& version) { version_ = version; }
  // Makes library loadable, with no entries yet.
  void AddLibrary(const std::string& library);
  // Makes library available with entry; calling it answers created or refused.
  void AddRestoreLibrary(const std::string& library, const std::string& entry, bool creates);

  int enableAllPrivilegesCalls() const { return enableAllPrivilegesCalls_; }
  const std::vector<uint32_t>& sleeps() const { return sleeps_; }
  // Every library the program tried to load, in order.
  const std::vector<std::string>& libraryLoads() const { return libraryLoads_; }
  // Every call that reached a restore point entry.
  const std::vector<RestorePointCall>& restorePointCalls() const { return restorePointCalls_; }

  std::string ExecutablePath() override { return executablePath_; }
  std::string ExecutableFolder() override;
  std::string FirstArgument() override { return firstArgument_; }
  LocalDateTime Now() override;
  uint64_t TickCount() override { return startTick_ + elapsedMs_ + (ticked_ += tickStep_); }
  void Sleep(uint32_t ms) override;
  OsVersion GetVersion() override { return version_; }
  void EnableAllPrivileges() override { ++enableAllPrivilegesCalls_; }
  bool RunsWithoutAdminRights() override { return withoutAdminRights_; }
  void SetWithoutAdminRights(bool without) { withoutAdminRights_ = without; }
  RestorePointResult CallRestorePoint(const std::string& library, const std::string& entry,
                                      const RestorePointRequest& req) override;
  std::string WineVersion() override { return wineVersion_; }
  void SetWineVersion(const std::string& version) { wineVersion_ = version; }
  std::string EnvironmentVariable(const std::string& name) override;
  void SetEnvironmentVariable(const std::string& name, const std::string& value) {
    environment_[name] = value;
  }

 private:
  std::string executablePath_ = "C:\\Program Files\\Corvanta\\Corvanta.exe";
  std::string firstArgument_;
  LocalDateTime start_;
  uint64_t startTick_ = 1000000;
  uint64_t elapsedMs_ = 0;
  uint64_t tickStep_ = 0;
  uint64_t ticked_ = 0;
  OsVersion version_;
  int enableAllPrivilegesCalls_ = 0;
  bool withoutAdminRights_ = false;
  std::vector<uint32_t> sleeps_;
  std::map<std::string, std::map<std::string, bool>> libraries_;  // upper-case names
  std::vector<std::string> libraryLoads_;
  std::vector<RestorePointCall> restorePointCalls_;
  std::string wineVersion_;
  std::map<std::string, std::string> environment_;
};

}  // namespace corvanta
