// The build's Corvanta_setup.exe, run silently in the test prefix: it installs
// the programs, the shortcut and the uninstall entry, waits for a running
// "corvanta.exe" before replacing it, and its uninstaller removes it all but
// the user's backups.
#include <gtest/gtest.h>
#include <windows.h>
// windows.h first
#include <shlobj.h>

#include <string>

#include "wine/ports_scratch.h"
#include "wine/wine_version_child.h"

namespace corvanta {
namespace {

const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Corvanta";

// A file of the build tree as Wine's Z: drive shows it.
std::string BuildFile(const std::string& relative) {
  std::string path = "Z:" + std::string(CORVANTA_BUILD_DIR) + "/" + relative;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadAll(const std::string& path) {
  std::string bytes;
  HANDLE h =
      CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return bytes;
  char buf[65536];
  DWORD got = 0;
  while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0) bytes.append(buf, got);
  CloseHandle(h);
  return bytes;
}

struct Finished {
  DWORD code = 0xFFFFFFFFu;  // also when it did not end in time
  DWORD ms = 0;
  std::string out;
};

// Runs cmd and waits (two minutes at most) until it and every process it
// started have ended: the uninstaller hands over to a copy of itself and exits.
Finished RunToEnd(std::string cmd) {
  Finished f;
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  CreatePipe(&readEnd, &writeEnd, &sa, 0);
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = si.hStdError = writeEnd;
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION pi{};
  HANDLE job = CreateJobObjectA(nullptr, nullptr);
  const DWORD start = GetTickCount();
  if (CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, TRUE, CREATE_SUSPENDED, nullptr, nullptr,
                     &si, &pi)) {
    AssignProcessToJobObject(job, pi.hProcess);
    ResumeThread(pi.hThread);
    if (WaitForSingleObject(pi.hProcess, 120000) == WAIT_OBJECT_0)
      GetExitCodeProcess(pi.hProcess, &f.code);
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION info{};
    while (GetTickCount() - start < 120000 &&
           QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &info, sizeof info,
                                     nullptr) &&
           info.ActiveProcesses > 0)
      Sleep(100);
    if (info.ActiveProcesses > 0) f.code = 0xFFFFFFFFu;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
  }
  f.ms = GetTickCount() - start;
  CloseHandle(job);
  CloseHandle(writeEnd);
  char buf[4096];
  DWORD got = 0;
  while (ReadFile(readEnd, buf, sizeof buf, &got, nullptr) && got > 0) f.out.append(buf, got);
  CloseHandle(readEnd);
  return f;
}

// A string value of the uninstall entry; "(none)" when the entry or value is missing.
std::string EntryValue(const char* name) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
    return "(none)";
  char buf[1024];
  DWORD size = sizeof buf, type = 0;
  const LONG rc = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size);
  RegCloseKey(key);
  return rc == ERROR_SUCCESS && type == REG_SZ && size > 0 ? std::string(buf, size - 1) : "(none)";
}

bool EntryExists() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
    return false;
  RegCloseKey(key);
  return true;
}

// Runs as "corvanta.exe" in the install folder, started by the test below: a
// program of that name that ends after a few seconds.
TEST(InstallerWineChild, RunsForAWhile) {
  const std::string ms = testing::Env("CORVANTA_CHILD_RUN_MS");
  if (ms.empty()) GTEST_SKIP() << "started by InstallerWine.InstallsWaitsAndUninstalls only";
  Sleep(std::stoul(ms));
}

TEST(InstallerWine, InstallsWaitsAndUninstalls) {
  const std::string setup = BuildFile("Corvanta_setup.exe");
  const std::string gui = ReadAll(BuildFile("src/corvanta.exe"));
  ASSERT_TRUE(Exists(setup)) << setup << " is made by the default build";
  ASSERT_FALSE(gui.empty());
  wine::ScratchFolder scratch;
  const std::string dir = scratch.path() + "\\Corvanta";
  char programs[MAX_PATH] = "";
  ASSERT_EQ(SHGetFolderPathA(nullptr, CSIDL_COMMON_PROGRAMS, nullptr, 0, programs), S_OK);
  const std::string shortcut = std::string(programs) + "\\Corvanta\\Corvanta.lnk";
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, kUninstallKey);

  // A silent install into a folder of our choosing.
  Finished install = RunToEnd("\"" + setup + "\" /S /D=" + dir);
  EXPECT_EQ(install.code, 0u);
  EXPECT_EQ(ReadAll(dir + "\\corvanta.exe"), gui);
  Finished version = RunToEnd("\"" + dir + "\\corvanta-cli.exe\" --version");
  EXPECT_EQ(version.code, 0u);
  EXPECT_EQ(version.out.substr(0, version.out.find_first_of("\r\n")),
            "corvanta-cli " CORVANTA_VERSION);
  EXPECT_TRUE(Exists(shortcut)) << shortcut;
  EXPECT_EQ(EntryValue("DisplayName"), "Corvanta " CORVANTA_VERSION);
  EXPECT_EQ(EntryValue("UninstallString"), "\"" + dir + "\\uninstall.exe\"");
  EXPECT_EQ(EntryValue("DisplayVersion"), CORVANTA_VERSION);
  Finished listed = RunToEnd("\"" + dir + "\\corvanta-cli.exe\" uninstall list");
  EXPECT_NE(listed.out.find("] Corvanta " CORVANTA_VERSION "\t\"" + dir + "\\uninstall.exe\"\t"),
            std::string::npos)
      << listed.out;

  // The update's start: the installer beside a running corvanta.exe, with its
  // quoted name (and parameters it does not know). No /D= and no recorded
  // folder: it updates the folder it was started from, once the program ended.
  ASSERT_TRUE(CopyFileA(setup.c_str(), (dir + "\\Corvanta_setup.exe").c_str(), FALSE));
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  ASSERT_TRUE(CopyFileA(self, (dir + "\\corvanta.exe").c_str(), FALSE));
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_SET_VALUE, &key), 0);
  RegDeleteValueA(key, "InstallLocation");
  RegCloseKey(key);
  std::string child =
      "\"" + dir + "\\corvanta.exe\" --gtest_filter=InstallerWineChild.* --gtest_brief=1";
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  SetEnvironmentVariableA("CORVANTA_CHILD_RUN_MS", "4000");
  ASSERT_TRUE(
      CreateProcessA(nullptr, &child[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
  SetEnvironmentVariableA("CORVANTA_CHILD_RUN_MS", nullptr);
  // Until its image is mapped, the file is not yet in use.
  for (int i = 0; i < 200 && WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT; ++i) {
    HANDLE h = CreateFileA((dir + "\\corvanta.exe").c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) break;
    CloseHandle(h);
    Sleep(50);
  }
  Finished update =
      RunToEnd("\"" + dir + "\\Corvanta_setup.exe\" \"corvanta.exe\" /unknown extra /S");
  EXPECT_EQ(update.code, 0u);
  EXPECT_EQ(WaitForSingleObject(pi.hProcess, 0), WAIT_OBJECT_0) << "the program still ran";
  DWORD childCode = 1;
  GetExitCodeProcess(pi.hProcess, &childCode);
  EXPECT_EQ(childCode, 0u);
  EXPECT_GE(update.ms, 1000u) << "the installer did not wait";
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  EXPECT_EQ(ReadAll(dir + "\\corvanta.exe"), gui);
  EXPECT_EQ(EntryValue("InstallLocation"), dir);

  // The silent uninstaller takes all of it but the user's backups.
  wine::MakeRealFolder(dir + "\\Backup", FILE_ATTRIBUTE_DIRECTORY);
  wine::MakeRealFile(dir + "\\Backup\\b.reg", "REGEDIT4\r\n", FILE_ATTRIBUTE_NORMAL);
  Finished uninstall = RunToEnd("\"" + dir + "\\uninstall.exe\" /S");
  EXPECT_EQ(uninstall.code, 0u);
  for (const char* name :
       {"corvanta.exe", "corvanta-cli.exe", "uninstall.exe", "Corvanta_setup.exe"})
    EXPECT_FALSE(Exists(dir + "\\" + name)) << name;
  EXPECT_FALSE(Exists(shortcut));
  EXPECT_FALSE(Exists(std::string(programs) + "\\Corvanta"));
  EXPECT_FALSE(EntryExists());
  EXPECT_EQ(ReadAll(dir + "\\Backup\\b.reg"), "REGEDIT4\r\n");

  RegDeleteKeyA(HKEY_LOCAL_MACHINE, kUninstallKey);
  DeleteFileA(shortcut.c_str());
  RemoveDirectoryA((std::string(programs) + "\\Corvanta").c_str());
}

}  // namespace
}  // namespace corvanta
