// What only the real Win32 adapters can show: shortcuts made by the shell,
// the process token, the System Restore libraries, the shell's folders.
#include <windows.h>
// windows.h first
#include <gtest/gtest.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstdlib>
#include <vector>

#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_process.h"
#include "platform/win32/win32_shell.h"
#include "platform/win32/win32_shell_link.h"
#include "platform/win32/win32_system.h"
#include "platform/win32/win32_version_info.h"
#include "ports_scratch.h"

namespace corvanta {
namespace {

// A program of this build's tests folder, as a DOS path.
std::string BuildFile(const std::string& name) {
  std::string path = "Z:" + std::string(CORVANTA_BUILD_DIR) + "/tests/" + name;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

// Folders, programs, shortcuts, version resources and arguments whose names
// leave the code page go through the wide calls whole.
TEST(Win32WidePaths, ProgramsLinksAndVersionsBelowNonLatinFolders) {
  ComScope com;
  wine::ScratchFolder scratch;
  Win32FileSystem files;
  const std::string folder = scratch.path() + "\\\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD";
  ASSERT_TRUE(files.MakeDirectory(folder));
  const std::string program = folder + "\\\xE5\xBC\xA0\xE4\xB8\x89.exe";
  ASSERT_TRUE(files.CopyOneFile(BuildFile("corvanta_record_args.exe"), program));

  // The program starts, and sees its own path and an argument unchanged.
  const std::string argument = "\"\xE6\x9D\x8E\xE5\x9B\x9B \xF0\x9F\x98\x80\"";
  const ProcessOutcome run = Win32ProcessRunner().RunHidden(program, argument, 20000, nullptr);
  ASSERT_EQ(run.end, ProcessOutcome::End::Exited) << run.error;
  std::string line;
  ASSERT_TRUE(files.ReadWholeFile(folder + "\\args.txt", &line));
  EXPECT_EQ(line, "\"" + program + "\" " + argument);

  // A shortcut named in Cyrillic to the program resolves to a path of it.
  const std::string link = folder + "\\\xD0\xAF\xD1\x80\xD0\xBB\xD1\x8B\xD0\xBA.lnk";
  ASSERT_TRUE(wine::MakeRealShortcut(link, program));
  const std::string target = Win32ShellLinkResolver().ResolveShortcutTarget(link);
  EXPECT_NE(target, link);
  EXPECT_TRUE(files.FileExists(target)) << target;

  const std::string dll = folder + "\\\xE5\xBC\xA0.dll";
  ASSERT_TRUE(files.CopyOneFile(BuildFile("corvanta_test_bho.dll"), dll));
  EXPECT_EQ(Win32VersionInfo().QueryStrings(dll, {"FileVersion", "CompanyName"}),
            (std::vector<std::string>{"2.5.0.7", "Test Maker"}));
}

TEST(Win32ShellLinks, MissingAndNetworkTargetsAreReported) {
  ComScope com;
  ASSERT_TRUE(com.initialized());
  wine::ScratchFolder scratch;
  Win32ShellLinkResolver links;
  Win32FileSystem files;

  // A target deleted after the shortcut was made: its old path comes back,
  // which is what the shortcut walk records.
  const std::string app = scratch.path() + "\\Old App.exe";
  wine::MakeRealFile(app, "MZ", FILE_ATTRIBUTE_ARCHIVE);
  ASSERT_TRUE(wine::MakeRealShortcut(scratch.path() + "\\was.lnk", app));
  ASSERT_TRUE(DeleteFileA(app.c_str()));
  const std::string was = links.ResolveShortcutTarget(scratch.path() + "\\was.lnk");
  EXPECT_EQ(_stricmp(was.c_str(), app.c_str()), 0) << was;
  EXPECT_FALSE(files.FileExists(was));

  ASSERT_TRUE(wine::MakeRealShortcut(scratch.path() + "\\never.lnk", "C:\\Old\\App.exe"));
  EXPECT_EQ(links.ResolveShortcutTarget(scratch.path() + "\\never.lnk"), "C:\\Old\\App.exe");
  ASSERT_TRUE(wine::MakeRealShortcut(scratch.path() + "\\net.lnk", "\\\\server\\share\\x.exe"));
  EXPECT_EQ(links.ResolveShortcutTarget(scratch.path() + "\\net.lnk"), "\\\\server\\share\\x.exe");
}

struct NoComResult {
  bool threw = false;
  std::string unchanged;
};

DWORD WINAPI ResolveWithoutCom(void* arg) {
  auto* r = static_cast<NoComResult*>(arg);
  Win32ShellLinkResolver links;
  r->unchanged = links.ResolveShortcutTarget("C:\\APP.LNK");
  try {
    links.ResolveShortcutTarget("C:\\app.lnk");
  } catch (const ShellLinkError&) {
    r->threw = true;
  }
  return 0;
}

TEST(Win32ShellLinks, NoComMeansTheLinkObjectCannotBeMade) {
  // A thread of its own that never initialises COM.
  NoComResult result;
  HANDLE thread = CreateThread(nullptr, 0, ResolveWithoutCom, &result, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  EXPECT_EQ(result.unchanged, "C:\\APP.LNK");
  EXPECT_TRUE(result.threw);
}

TEST(Win32System, PrivilegesOfTheTokenAreEnabled) {
  Win32System system;
  system.EnableAllPrivileges();
  HANDLE token = nullptr;
  ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
  DWORD size = 0;
  GetTokenInformation(token, TokenPrivileges, nullptr, 0, &size);
  ASSERT_GT(size, 0u);
  std::vector<unsigned char> buffer(size);
  ASSERT_TRUE(GetTokenInformation(token, TokenPrivileges, buffer.data(), size, &size));
  CloseHandle(token);
  const auto* privileges = reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer.data());
  ASSERT_GT(privileges->PrivilegeCount, 0u);
  for (DWORD i = 0; i < privileges->PrivilegeCount; ++i) {
    EXPECT_NE(privileges->Privileges[i].Attributes & SE_PRIVILEGE_ENABLED, 0u) << i;
  }
}

TEST(Win32System, VersionAndRestorePointLibraries) {
  Win32System system;
  const OsVersion v = system.GetVersion();
  const DWORD packed = ::GetVersion();
  EXPECT_EQ(v.major, packed & 0xFF);
  EXPECT_EQ(v.minor, (packed >> 8) & 0xFF);
  EXPECT_EQ(v.platformId == 2, (packed & 0x80000000u) == 0);

  // Both libraries exist under Wine and hold the entries; the call reaches
  // them and comes back with an answer.
  RestorePointRequest req;
  req.eventType = 100;
  req.description = std::string(100, 'x');  // longer than the field: cut, not overrun
  for (const auto& [library, entry] :
       {std::pair<const char*, const char*>{"srclient.dll", "SRSetRestorePointA"},
        {"sfc.dll", "SRSetRestorePoint"}}) {
    const RestorePointResult r = system.CallRestorePoint(library, entry, req);
    EXPECT_TRUE(r == RestorePointResult::Created || r == RestorePointResult::Refused) << library;
  }
  EXPECT_EQ(system.CallRestorePoint("srclient.dll", "SRSetRestorePointW_nope", req),
            RestorePointResult::EntryMissing);
}

TEST(Win32System, FirstArgumentAsTheRunTimeLibrarySplitsIt) {
  EXPECT_EQ(Win32System::FirstArgumentOf("prog.exe /scan"), "/scan");
  EXPECT_EQ(Win32System::FirstArgumentOf("\"C:\\Program Files\\C\\c.exe\" /scan more"), "/scan");
  EXPECT_EQ(Win32System::FirstArgumentOf("prog.exe \"/scan \""), "/scan ");
  EXPECT_EQ(Win32System::FirstArgumentOf("prog.exe  \t /SCAN"), "/SCAN");
  EXPECT_EQ(Win32System::FirstArgumentOf("prog.exe /sc\"a n\"x"), "/sca nx");
  EXPECT_EQ(Win32System::FirstArgumentOf("prog.exe \"\" /scan"), "/scan");
  EXPECT_EQ(Win32System::FirstArgumentOf("prog.exe"), "");
  EXPECT_EQ(Win32System::FirstArgumentOf("prog.exe   "), "");
  EXPECT_EQ(Win32System::FirstArgumentOf(""), "");

  Win32System system;
  EXPECT_EQ(system.FirstArgument(), __argc > 1 ? std::string(__argv[1]) : std::string());
}

TEST(Win32Shell, FoldersLaunchesAndErrorTexts) {
  Win32Shell shell;
  Win32FileSystem files;
  for (int csidl : {CSIDL_STARTMENU, CSIDL_COMMON_STARTMENU, CSIDL_FONTS}) {
    const std::string path = shell.GetSpecialFolderPath(csidl);
    ASSERT_GE(path.size(), 3u) << csidl;
    EXPECT_EQ(path.substr(1, 2), ":\\");
    EXPECT_NE(path.back(), '\\');
    EXPECT_TRUE(files.DirectoryExists(path)) << path;
  }
  EXPECT_EQ(shell.GetSpecialFolderPath(0x7E), "");

  EXPECT_LE(shell.Execute(0, "", "C:\\corvanta-none\\none.exe", "", "", SW_HIDE), 32);
  EXPECT_GT(shell.Execute(0, "", "cmd.exe", "/c exit", "", SW_HIDE), 32);

  SetLastError(ERROR_FILE_NOT_FOUND);
  const std::string text = shell.LastErrorText();
  ASSERT_FALSE(text.empty());
  EXPECT_NE(text.back(), '\n');
  EXPECT_NE(text.back(), '\r');
}

}  // namespace
}  // namespace corvanta
