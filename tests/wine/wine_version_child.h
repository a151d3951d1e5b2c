// Runs part of this test binary again in a child process under another
// Windows version: Wine reads HKCU\Software\Wine "Version" when a process
// starts, so the parent writes it, starts the child and puts it back.
#pragma once

#include <windows.h>

#include <string>

#include "wine/child_process.h"

namespace corvanta::testing {

// An environment variable of this process, "" when it is not set.
inline std::string Env(const char* name) {
  char buf[256];
  const DWORD n = GetEnvironmentVariableA(name, buf, sizeof buf);
  return n > 0 && n < sizeof buf ? std::string(buf, n) : std::string();
}

// Starts this executable with --gtest_filter=filter and envName=envValue in
// its environment and waits for it (two minutes at most). The child's exit
// code, 0xFFFFFFFF when it could not be started or did not end in time.
inline DWORD RunChildTests(const std::string& filter, const char* envName,
                           const std::string& envValue) {
  char exe[MAX_PATH];
  GetModuleFileNameA(nullptr, exe, MAX_PATH);
  std::string cmd = std::string("\"") + exe + "\" --gtest_filter=" + filter + " --gtest_brief=1";
  SetEnvironmentVariableA(envName, envValue.c_str());
  const DWORD code = RunChild(cmd, 120000);
  SetEnvironmentVariableA(envName, nullptr);
  return code;
}

// RunChildTests with the prefix set to report wineVersion ("win98", "winxp",
// ...); the prefix's previous setting (or its absence) is restored after.
inline DWORD RunChildTestsUnderWineVersion(const std::string& wineVersion,
                                           const std::string& filter, const char* envName,
                                           const std::string& envValue) {
  HKEY key;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine", 0, nullptr, 0,
                      KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
    return 0xFFFFFFFFu;
  char previous[256];
  DWORD size = sizeof previous, type = 0;
  const bool had = RegQueryValueExA(key, "Version", nullptr, &type,
                                    reinterpret_cast<BYTE*>(previous), &size) == ERROR_SUCCESS;
  RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(wineVersion.c_str()),
                 static_cast<DWORD>(wineVersion.size() + 1));
  const DWORD code = RunChildTests(filter, envName, envValue);
  if (had)
    RegSetValueExA(key, "Version", 0, type, reinterpret_cast<const BYTE*>(previous), size);
  else
    RegDeleteValueA(key, "Version");
  RegCloseKey(key);
  return code;
}

}  // namespace corvanta::testing
