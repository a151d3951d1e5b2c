// The system port over kernel32 and advapi32.
#pragma once

#include <string>
#include <vector>

#include "platform/system.h"

namespace corvanta {

class Win32System : public System {
 public:
  std::string ExecutablePath() override;
  std::string ExecutableFolder() override;
  std::string FirstArgument() override;
  LocalDateTime Now() override;
  uint64_t TickCount() override;
  void Sleep(uint32_t ms) override;
  OsVersion GetVersion() override;
  void EnableAllPrivileges() override;
  bool RunsWithoutAdminRights() override;  // win32_elevation.cpp
  RestorePointResult CallRestorePoint(const std::string& library, const std::string& entry,
                                      const RestorePointRequest& req) override;
  std::string WineVersion() override;
  std::string EnvironmentVariable(const std::string& name) override;

  // The first argument of a command line as the run-time library splits it:
  // blanks and control characters separate, double quotes group and are
  // removed.
  static std::string FirstArgumentOf(const std::string& commandLine);
  // The process's arguments after the program's name, split as the system
  // splits them (CommandLineToArgvW), in UTF-8.
  static std::vector<std::string> CommandLineArguments();
};

}  // namespace corvanta
