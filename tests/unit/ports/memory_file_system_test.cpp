// What the memory file system does beyond the shared contract: the seeding
// helpers and the cases only a double can set up.
#include "platform/memory/memory_file_system.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace corvanta {
namespace {

std::vector<std::string> Names(FileSystem& fs, const std::string& pattern, uint32_t filter) {
  std::vector<std::string> out;
  for (const auto& e : fs.FindFiles(pattern, filter)) out.push_back(e.name);
  return out;
}

TEST(MemoryFileSystem, DrivesRootsAndPathForms) {
  MemoryFileSystem fs;
  fs.AddFile("C:\\Tools\\app.exe", "MZ");
  fs.AddFile("D:\\Data\\app.exe", "MZ");
  using V = std::vector<std::string>;
  // A drive root has no "." and ".." entries; listings are in name order.
  fs.AddFolder("C:\\alpha");
  EXPECT_EQ(Names(fs, "C:\\*.*", faAnyFile), (V{"alpha", "Tools"}));
  EXPECT_EQ(Names(fs, "c:/tools/*", faAnyFile), (V{".", "..", "app.exe"}));
  // "\" starts at the current drive's root; "." and ".." are resolved.
  EXPECT_TRUE(fs.FileExists("\\Tools\\app.exe"));
  // A walk that starts at "\" (no special folder) lists the current root.
  EXPECT_EQ(Names(fs, "\\*.*", faAnyFile), (V{"alpha", "Tools"}));
  fs.SetCurrentDrive('d');
  EXPECT_FALSE(fs.FileExists("\\Tools\\app.exe"));
  EXPECT_TRUE(fs.FileExists("\\Data\\.\\..\\Data\\app.exe"));
  EXPECT_TRUE(fs.FileExists("C:\\Tools\\\\app.exe"));
  // No network shares and no drive E:.
  EXPECT_FALSE(fs.FileExists("\\\\server\\share\\app.exe"));
  EXPECT_FALSE(fs.DirectoryExists("E:\\"));
  // Wildcards are for listings; attribute reads refuse them.
  EXPECT_EQ(fs.GetAttributes("C:\\Tools\\*.exe"), kInvalidAttributes);
  // A search with a wildcard decides existence by its first entry.
  EXPECT_TRUE(fs.FileExists("C:\\Tools\\*.exe"));
  EXPECT_FALSE(fs.FileExists("C:\\Tools\\*"));  // "." comes first
}

TEST(MemoryFileSystem, AttributesAsTheOsReportsThem) {
  MemoryFileSystem fs;
  fs.AddFolder("C:\\users\\me\\Desktop", faDirectory | faReparsePoint);
  fs.AddFile("C:\\plain.txt", "x");
  fs.AddFile("C:\\normal.txt", "x", faArchive);
  fs.SetAttributes("C:\\normal.txt", 0);
  EXPECT_EQ(fs.GetAttributes("C:\\users\\me\\Desktop"), 0x410u);
  EXPECT_EQ(fs.GetAttributes("C:\\plain.txt"), faArchive);
  EXPECT_EQ(fs.GetAttributes("C:\\normal.txt"), faNormal);
  // Reparse points pass the directory filter: the walk must look at the bit.
  EXPECT_EQ(Names(fs, "C:\\users\\me\\*.*", faDirectory),
            (std::vector<std::string>{".", "..", "Desktop"}));
  // SetAttributes cannot turn a file into a folder.
  fs.SetAttributes("C:\\plain.txt", faDirectory | faHidden);
  EXPECT_EQ(fs.GetAttributes("C:\\plain.txt"), faHidden);
  EXPECT_FALSE(fs.SetAttributes("C:\\missing", faHidden));
}

TEST(MemoryFileSystem, DeletionsThatFail) {
  MemoryFileSystem fs;
  fs.AddFile("C:\\locked.dll", "x");
  fs.AddFile("C:\\readonly.txt", "x", faArchive | faReadOnly);
  fs.LockFile("c:\\LOCKED.DLL");
  EXPECT_FALSE(fs.RemoveFile("C:\\locked.dll"));
  EXPECT_FALSE(fs.WriteWholeFile("C:\\locked.dll", "y"));
  EXPECT_FALSE(fs.RemoveFile("C:\\readonly.txt"));
  EXPECT_FALSE(fs.WriteWholeFile("C:\\readonly.txt", "y"));
  EXPECT_TRUE(fs.FileExists("C:\\locked.dll"));
  EXPECT_TRUE(fs.FileExists("C:\\readonly.txt"));
  EXPECT_FALSE(fs.RemoveFile("C:\\*.txt"));
}

TEST(MemoryFileSystem, SeedingMistakesAreLoud) {
  MemoryFileSystem fs;
  fs.AddFile("C:\\file", "x");
  EXPECT_THROW(fs.AddFile("C:\\file\\inner.txt", "x"), std::invalid_argument);
  EXPECT_THROW(fs.AddFolder("C:\\file"), std::invalid_argument);
  EXPECT_THROW(fs.AddFile("C:\\*.txt", "x"), std::invalid_argument);
  fs.AddFile("C:\\FILE", "replaced");
  std::string bytes;
  ASSERT_TRUE(fs.ReadWholeFile("C:\\file", &bytes));
  EXPECT_EQ(bytes, "replaced");
  EXPECT_EQ(Names(fs, "C:\\*", faAnyFile), (std::vector<std::string>{"file"}));
}

TEST(MemoryFileSystem, GeneratedShortNames) {
  MemoryFileSystem fs;
  fs.AddFile("C:\\Program Files\\Long Application.exe", "x");
  fs.AddFile("C:\\Program Files\\Long Applause.exe", "x");
  fs.AddFile("C:\\Program Files\\app.exe", "x");
  fs.AddFolder("C:\\Program Data");
  EXPECT_EQ(fs.ShortPathName("C:\\Program Files\\Long Application.exe"),
            "C:\\PROGRA~2\\LONGAP~2.EXE");
  EXPECT_EQ(fs.ShortPathName("c:\\program files\\long applause.exe"), "c:\\PROGRA~2\\LONGAP~1.EXE");
  EXPECT_EQ(fs.ShortPathName("C:\\Program Data\\"), "C:\\PROGRA~1\\");
  // A name that already is short keeps the caller's spelling.
  EXPECT_EQ(fs.ShortPathName("C:\\program files\\APP.EXE"), "C:\\PROGRA~2\\APP.EXE");
  ASSERT_TRUE(fs.SetShortName("C:\\Program Files", "PROGRA~1"));
  EXPECT_EQ(fs.ShortPathName("C:\\Program Files\\app.exe"), "C:\\PROGRA~1\\app.exe");
}

TEST(MemoryFileSystem, ErrorModeHistory) {
  MemoryFileSystem fs;
  {
    QuietErrorMode quiet(fs);
    EXPECT_EQ(fs.errorMode(), SEM_FAILCRITICALERRORS);
  }
  EXPECT_EQ(fs.errorMode(), 0u);
  EXPECT_EQ(fs.errorModeHistory(), (std::vector<uint32_t>{SEM_FAILCRITICALERRORS, 0}));
}

TEST(WildcardMatch, DosRules) {
  EXPECT_TRUE(MemoryFileSystem::WildcardMatch("*.*", "noext"));
  EXPECT_TRUE(MemoryFileSystem::WildcardMatch("*.*", "."));
  EXPECT_FALSE(MemoryFileSystem::WildcardMatch("*.lnk", "."));
  EXPECT_FALSE(MemoryFileSystem::WildcardMatch("*.lnk", "app.lnk2"));
  EXPECT_TRUE(MemoryFileSystem::WildcardMatch("*.LNK", "app.lnk"));
  EXPECT_TRUE(MemoryFileSystem::WildcardMatch("a*b*c", "aXXbYYbc"));
  EXPECT_FALSE(MemoryFileSystem::WildcardMatch("a?c", "ac"));
  EXPECT_TRUE(MemoryFileSystem::WildcardMatch("readme.*", "README"));
  EXPECT_TRUE(MemoryFileSystem::WildcardMatch("*.", "noext"));
  EXPECT_FALSE(MemoryFileSystem::WildcardMatch("*.", "has.ext"));
}

}  // namespace
}  // namespace corvanta
