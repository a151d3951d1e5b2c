// Libraries are loaded from the system folder only: a srclient.dll planted
// beside the program is never loaded, and after start-up hardening neither is
// a library in the current folder. A copy of this binary runs beside the
// planted library, in a folder that holds another, as the user would run a
// downloaded program.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/win32/win32_library.h"
#include "platform/win32/win32_system.h"
#include "wine_version_child.h"

namespace {

using namespace corvanta;
namespace child = corvanta::testing;

const char kChildEnv[] = "CORVANTA_PLANTED_CHILD";
const char kLoadedEnv[] = "CORVANTA_PLANTED_LOADED";

std::string TakeLoaded() {
  const std::string loaded = child::Env(kLoadedEnv);
  SetEnvironmentVariableA(kLoadedEnv, nullptr);
  return loaded;
}

std::string Folder(const std::string& path) {
  return path.substr(0, path.find_last_of('\\') + 1);
}

TEST(Win32LibrarySearch, PlantedLibrariesAreNotLoaded) {
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  const std::string planted = Folder(self) + "corvanta_planted.dll";
  ASSERT_NE(GetFileAttributesA(planted.c_str()), INVALID_FILE_ATTRIBUTES) << planted;
  EXPECT_EQ(SystemLibraryPath("srclient.dll").substr(0, 2), std::string("C:"));
  EXPECT_EQ(LoadSystemLibrary("..\\srclient.dll"), nullptr) << "only bare names";

  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  const std::string dir = std::string(temp) + "corvanta-planted\\";
  const std::string cwd = dir + "cwd\\";
  CreateDirectoryA(dir.c_str(), nullptr);
  CreateDirectoryA(cwd.c_str(), nullptr);
  const std::string copy = dir + "corvanta_wine_tests.exe";
  ASSERT_TRUE(CopyFileA(self, copy.c_str(), FALSE));
  ASSERT_TRUE(CopyFileA(planted.c_str(), (dir + "srclient.dll").c_str(), FALSE));
  ASSERT_TRUE(CopyFileA(planted.c_str(), (cwd + "corvanta_planted_a.dll").c_str(), FALSE));
  ASSERT_TRUE(CopyFileA(planted.c_str(), (cwd + "corvanta_planted_b.dll").c_str(), FALSE));

  std::string cmd = "\"" + copy + "\" --gtest_filter=Win32LibrarySearch.ChildSide --gtest_brief=1";
  SetEnvironmentVariableA(kChildEnv, "1");
  const DWORD code = child::RunChild(cmd, 120000, cwd.c_str());
  SetEnvironmentVariableA(kChildEnv, nullptr);
  EXPECT_EQ(code, 0u) << "the child's expectations failed (its output is above)";
  for (const std::string& f :
       {cwd + "corvanta_planted_a.dll", cwd + "corvanta_planted_b.dll", dir + "srclient.dll", copy})
    DeleteFileA(f.c_str());
  RemoveDirectoryA(cwd.c_str());
  RemoveDirectoryA(dir.c_str());
}

// Runs in the copy beside the planted srclient.dll, in the folder of the others.
TEST(Win32LibrarySearch, ChildSide) {
  if (child::Env(kChildEnv).empty()) GTEST_SKIP() << "runs as the child of the test above";
  TakeLoaded();
  RestorePointRequest req;
  req.eventType = 100;
  req.description = "Corvanta Restore Point";
  Win32System system;
  system.CallRestorePoint("srclient.dll", "SRSetRestorePointA", req);
  EXPECT_EQ(TakeLoaded(), "") << "the restore point library came from beside the program";

  // The plant works: a load by bare name takes the library in the current
  // folder, until the start-up hardening removes that folder from the path.
  HMODULE a = LoadLibraryA("corvanta_planted_a.dll");
  EXPECT_NE(a, nullptr);
  EXPECT_NE(TakeLoaded(), "");
  if (a) FreeLibrary(a);
  HardenDllSearchPath();
  HMODULE b = LoadLibraryA("corvanta_planted_b.dll");
  EXPECT_EQ(b, nullptr);
  EXPECT_EQ(TakeLoaded(), "") << "loaded from the current folder after the hardening";
  if (b) FreeLibrary(b);
  // The system's own libraries still load by name.
  HMODULE version = LoadLibraryA("version.dll");
  EXPECT_NE(version, nullptr);
  if (version) FreeLibrary(version);
}

}  // namespace
