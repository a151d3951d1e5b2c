// The process and the operating system: own path and arguments, clock,
// version, privileges and the System Restore entry.
#pragma once

#include <cstdint>
#include <string>

namespace corvanta {

struct LocalDateTime {
  int year = 0;
  int month = 0;  // 1..12
  int day = 0;    // 1..31
  int hour = 0;   // 0..23
  int minute = 0;
  int second = 0;
  int ms = 0;
};

// The numbers GetVersionExA reports.
struct OsVersion {
  uint32_t platformId = 0;  // 1 the Windows 95 family, 2 the NT family
  uint32_t major = 0;
  uint32_t minor = 0;
  uint32_t build = 0;
  std::string csd;  // service pack text
};

// The fields of a restore point request (RESTOREPOINTINFOA).
struct RestorePointRequest {
  uint32_t eventType = 0;         // 100 = begin of a system change
  uint32_t restorePointType = 0;  // 0 = application install
  int64_t sequenceNumber = 0;
  std::string description;  // at most 64 characters including the NUL
};

enum class RestorePointResult {
  LibraryMissing,  // the library could not be loaded
  EntryMissing,    // the library has no such entry
  Refused,         // the entry returned false
  Created,         // the entry returned true
};

class System {
 public:
  virtual ~System() = default;

  // Full path of the running executable.
  virtual std::string ExecutablePath() = 0;
  // Its folder, with a trailing backslash.
  virtual std::string ExecutableFolder() = 0;
  // The first command-line argument after the program name, quotes removed;
  // "" when there is none.
  virtual std::string FirstArgument() = 0;

  virtual LocalDateTime Now() = 0;
  // A millisecond clock for measuring waits.
  virtual uint64_t TickCount() = 0;
  virtual void Sleep(uint32_t ms) = 0;

  virtual OsVersion GetVersion() = 0;
  // Enables every privilege the process token holds; failures are ignored.
  virtual void EnableAllPrivileges() = 0;
  // True on a system with user account control when this process runs
  // without its administrator rights (machine-wide keys may refuse it).
  virtual bool RunsWithoutAdminRights() = 0;

  // Loads library, finds entry, calls it once with the request and releases
  // the library again.
  virtual RestorePointResult CallRestorePoint(const std::string& library, const std::string& entry,
                                              const RestorePointRequest& req) = 0;

  // The Wine release the process runs on, "" on Windows. A system that is
  // not a Wine (a stopped one, a double) need not say.
  virtual std::string WineVersion() { return std::string(); }
  // A variable of the process environment, "" when it is not set.
  virtual std::string EnvironmentVariable(const std::string& name) {
    (void)name;
    return std::string();
  }
};

}  // namespace corvanta
