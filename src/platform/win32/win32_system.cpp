#include "platform/win32/win32_system.h"

#include <windows.h>
// after windows.h
#include <shellapi.h>

#include <algorithm>
#include <vector>

#include "platform/win32/tick_count64.h"
#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_library.h"

namespace corvanta {

namespace {

// The record the System Restore entry takes (packed as the platform's own
// declaration is).
#pragma pack(push, 1)
struct RestorePointInfoA {
  DWORD dwEventType;
  DWORD dwRestorePtType;
  INT64 llSequenceNumber;
  CHAR szDescription[64];
};
struct StateMgrStatus {
  DWORD nStatus;
  INT64 llSequenceNumber;
};
#pragma pack(pop)
static_assert(sizeof(RestorePointInfoA) == 80, "RESTOREPOINTINFOA layout");

typedef BOOL(WINAPI* SetRestorePointFn)(RestorePointInfoA*, StateMgrStatus*);

// One argument of the command line starting at *p, advancing *p past it.
// Blanks and control characters separate; quotes group and are dropped.
std::string NextArgument(const char** p) {
  const char* s = *p;
  for (;;) {
    while (*s != '\0' && static_cast<unsigned char>(*s) <= ' ') ++s;
    if (s[0] == '"' && s[1] == '"') {
      s += 2;
    } else {
      break;
    }
  }
  std::string arg;
  while (static_cast<unsigned char>(*s) > ' ') {
    if (*s == '"') {
      ++s;
      while (*s != '\0' && *s != '"') arg += *s++;
      if (*s != '\0') ++s;
    } else {
      arg += *s++;
    }
  }
  *p = s;
  return arg;
}

}  // namespace

std::string Win32System::FirstArgumentOf(const std::string& commandLine) {
  const char* p = commandLine.c_str();
  NextArgument(&p);  // the program itself
  return NextArgument(&p);
}

std::vector<std::string> Win32System::CommandLineArguments() {
  std::vector<std::string> args;
  int count = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
  if (argv == nullptr) return args;
  for (int i = 1; i < count; ++i) args.push_back(Narrow(argv[i]));
  LocalFree(argv);
  return args;
}

std::string Win32System::ExecutablePath() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return std::string();
    if (n < buffer.size()) return Narrow(buffer.data(), n);
    buffer.resize(buffer.size() * 2);
  }
}

std::string Win32System::ExecutableFolder() {
  const std::string path = ExecutablePath();
  const size_t cut = path.find_last_of("\\/:");
  return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

std::string Win32System::FirstArgument() {
  return FirstArgumentOf(Narrow(GetCommandLineW()));
}

LocalDateTime Win32System::Now() {
  SYSTEMTIME t;
  GetLocalTime(&t);
  return LocalDateTime{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
}

uint64_t Win32System::TickCount() {
  return TickCount64();
}

void Win32System::Sleep(uint32_t ms) {
  ::Sleep(ms);
}

OsVersion Win32System::GetVersion() {
  OSVERSIONINFOW info;
  ZeroMemory(&info, sizeof info);
  info.dwOSVersionInfoSize = 276;
  static_assert(sizeof(OSVERSIONINFOW) == 276, "OSVERSIONINFOW size");
  OsVersion v;
  if (!GetVersionExW(&info)) return v;
  v.platformId = info.dwPlatformId;
  v.major = info.dwMajorVersion;
  v.minor = info.dwMinorVersion;
  v.build = info.dwBuildNumber;
  v.csd = Narrow(info.szCSDVersion);
  return v;
}

void Win32System::EnableAllPrivileges() {
  HANDLE raw = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &raw)) {
    return;
  }
  const UniqueKernelHandle token(raw);
  DWORD size = 0;
  GetTokenInformation(token.get(), TokenPrivileges, nullptr, 0, &size);
  if (size != 0) {
    std::vector<unsigned char> buffer(size, 0);
    if (GetTokenInformation(token.get(), TokenPrivileges, buffer.data(), size, &size)) {
      auto* privileges = reinterpret_cast<TOKEN_PRIVILEGES*>(buffer.data());
      for (DWORD i = 0; i < privileges->PrivilegeCount; ++i) {
        privileges->Privileges[i].Attributes |= SE_PRIVILEGE_ENABLED;
      }
      // Privileges the account does not hold simply stay absent.
      AdjustTokenPrivileges(token.get(), FALSE, privileges, 0, nullptr, nullptr);
    }
  }
}

RestorePointResult Win32System::CallRestorePoint(const std::string& library,
                                                 const std::string& entry,
                                                 const RestorePointRequest& req) {
  // From the system folder only, never a planted copy beside the program.
  HMODULE module = LoadSystemLibrary(library);
  if (module == nullptr) return RestorePointResult::LibraryMissing;
  auto fn = reinterpret_cast<SetRestorePointFn>(
      reinterpret_cast<void*>(GetProcAddress(module, entry.c_str())));
  if (fn == nullptr) {
    FreeLibrary(module);
    return RestorePointResult::EntryMissing;
  }
  RestorePointInfoA info;
  ZeroMemory(&info, sizeof info);
  info.dwEventType = req.eventType;
  info.dwRestorePtType = req.restorePointType;
  info.llSequenceNumber = req.sequenceNumber;
  // The entry of this record takes the code page's text.
  const std::string description = Utf8ToAnsi(req.description);
  const size_t n = std::min<size_t>(description.size(), sizeof info.szDescription - 1);
  CopyMemory(info.szDescription, description.data(), n);
  StateMgrStatus status;
  ZeroMemory(&status, sizeof status);
  const BOOL created = fn(&info, &status);
  FreeLibrary(module);
  return created ? RestorePointResult::Created : RestorePointResult::Refused;
}

std::string Win32System::WineVersion() {
  // Wine's ntdll exports its version; Windows' does not.
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  if (ntdll == nullptr) return std::string();
  using WineGetVersionFn = const char*(__cdecl*)();
  auto fn = reinterpret_cast<WineGetVersionFn>(
      reinterpret_cast<void*>(GetProcAddress(ntdll, "wine_get_version")));
  const char* version = fn != nullptr ? fn() : nullptr;
  return version != nullptr ? std::string(version) : std::string();
}

std::string Win32System::EnvironmentVariable(const std::string& name) {
  const std::wstring wide = Wide(name);
  const DWORD size = GetEnvironmentVariableW(wide.c_str(), nullptr, 0);
  if (size == 0) return std::string();
  std::vector<wchar_t> buffer(size, L'\0');
  const DWORD n = GetEnvironmentVariableW(wide.c_str(), buffer.data(), size);
  return n == 0 || n >= size ? std::string() : Narrow(buffer.data(), n);
}

}  // namespace corvanta
