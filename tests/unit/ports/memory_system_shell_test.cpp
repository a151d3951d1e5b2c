// The system, shell and shell link doubles: what tests of the program set and
// read back through them.
#include <gtest/gtest.h>

#include "platform/memory/memory_file_system.h"
#include "platform/memory/memory_platform.h"
#include "platform/memory/memory_shell.h"
#include "platform/memory/memory_system.h"

namespace corvanta {
namespace {

TEST(MemorySystem, ClockOnlyMovesWhenTheProgramSleeps) {
  MemorySystem sys;
  sys.SetNow(LocalDateTime{2024, 2, 28, 23, 59, 59, 500});
  const uint64_t t0 = sys.TickCount();
  EXPECT_EQ(sys.Now().second, 59);
  sys.Sleep(1000);
  sys.Sleep(86400000);  // and a whole day more: leap year
  const LocalDateTime now = sys.Now();
  EXPECT_EQ(now.year, 2024);
  EXPECT_EQ(now.month, 3);
  EXPECT_EQ(now.day, 1);
  EXPECT_EQ(now.hour, 0);
  EXPECT_EQ(now.minute, 0);
  EXPECT_EQ(now.second, 0);
  EXPECT_EQ(now.ms, 500);
  EXPECT_EQ(sys.TickCount() - t0, 86401000u);
  EXPECT_EQ(sys.sleeps(), (std::vector<uint32_t>{1000, 86400000}));
  sys.SetNow(LocalDateTime{2026, 12, 31, 23, 59, 59, 999});
  sys.Advance(1);
  EXPECT_EQ(sys.Now().year, 2027);
  EXPECT_EQ(sys.Now().month, 1);
}

TEST(MemorySystem, RestorePointLibrariesAndCalls) {
  MemorySystem sys;
  sys.AddRestoreLibrary("srclient.dll", "SRSetRestorePointA", true);
  sys.AddRestoreLibrary("sfc.dll", "SRSetRestorePoint", false);
  RestorePointRequest req;
  req.eventType = 100;
  req.description = "Corvanta Restore Point";
  EXPECT_EQ(sys.CallRestorePoint("SRCLIENT.DLL", "SRSetRestorePointA", req),
            RestorePointResult::Created);
  EXPECT_EQ(sys.CallRestorePoint("sfc.dll", "SRSetRestorePoint", req), RestorePointResult::Refused);
  EXPECT_EQ(sys.CallRestorePoint("sfc.dll", "SRSetRestorePointA", req),
            RestorePointResult::EntryMissing);
  EXPECT_EQ(sys.CallRestorePoint("none.dll", "X", req), RestorePointResult::LibraryMissing);
  EXPECT_EQ(sys.libraryLoads(),
            (std::vector<std::string>{"SRCLIENT.DLL", "sfc.dll", "sfc.dll", "none.dll"}));
  ASSERT_EQ(sys.restorePointCalls().size(), 2u);
  EXPECT_EQ(sys.restorePointCalls()[0].request.description, "Corvanta Restore Point");
  EXPECT_EQ(sys.restorePointCalls()[1].entry, "SRSetRestorePoint");
}

TEST(MemoryShell, RecordsLaunchesAndServesFolders) {
  MemoryShell shell;
  shell.SetSpecialFolder(CSIDL_FONTS, "C:\\WINDOWS\\Fonts");
  EXPECT_EQ(shell.Execute(0, "", "REGEDIT", "/S \"C:\\b.reg\"", "", SW_HIDE), 42);
  shell.SetExecuteResult(2);
  EXPECT_EQ(shell.Execute(7, "open", "http://x/", "", "", SW_SHOWNORMAL), 2);
  ASSERT_EQ(shell.executeCalls().size(), 2u);
  EXPECT_EQ(shell.executeCalls()[0].params, "/S \"C:\\b.reg\"");
  EXPECT_EQ(shell.executeCalls()[0].showCmd, SW_HIDE);
  EXPECT_EQ(shell.executeCalls()[1].ownerWindow, 7u);
  EXPECT_EQ(shell.GetSpecialFolderPath(CSIDL_FONTS), "C:\\WINDOWS\\Fonts");
  EXPECT_EQ(shell.GetSpecialFolderPath(CSIDL_STARTMENU), "");
}

TEST(MemoryShellLinks, CreationFailureIsRaisedOnlyForShortcuts) {
  MemoryFileSystem files;
  MemoryShellLinks links(files);
  links.AddShortcut("C:\\Start\\App.lnk", "C:\\Old\\App.exe");
  EXPECT_EQ(links.ResolveShortcutTarget("c:\\start\\app.lnk"), "C:\\Old\\App.exe");
  // Deleting the file makes the shortcut unloadable.
  ASSERT_TRUE(files.RemoveFile("C:\\Start\\App.lnk"));
  EXPECT_EQ(links.ResolveShortcutTarget("C:\\Start\\App.lnk"), "C:\\Start\\App.lnk");
  links.SetCreationFails(true);
  EXPECT_EQ(links.ResolveShortcutTarget("C:\\APP.LNK"), "C:\\APP.LNK");
  EXPECT_THROW(links.ResolveShortcutTarget("C:\\x.lnk"), ShellLinkError);
  EXPECT_EQ(links.resolved().size(), 4u);
}

TEST(MemoryPlatform, TheBundleHandsOutItsOwnDoubles) {
  MemoryPlatform mem;
  Platform& p = mem.platform();
  EXPECT_EQ(&p.files, static_cast<FileSystem*>(&mem.files));
  EXPECT_EQ(&p.links, static_cast<ShellLinkResolver*>(&mem.links));
  // The shell links read the bundle's own file system.
  mem.links.AddShortcut("C:\\a.lnk", "C:\\b.exe");
  EXPECT_TRUE(p.files.FileExists("C:\\a.lnk"));
  EXPECT_EQ(p.links.ResolveShortcutTarget("C:\\a.lnk"), "C:\\b.exe");
}

}  // namespace
}  // namespace corvanta
