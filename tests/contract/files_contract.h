// What the program relies on of the file system, checked on the memory double
// and on the real Win32 file system alike.
//
// An environment type E provides: FileSystem& fs(); std::string root() (an
// empty scratch folder, no trailing backslash); MakeFile(path, bytes, attrs);
// MakeFolder(path, attrs); SetAttributes(path, attrs); Lock(path) (keeps the
// file open, or marks it so, until the environment ends).
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace corvanta::contract {

template <typename E>
class FilesContract : public ::testing::Test {
 protected:
  E env;
  FileSystem& fs() { return env.fs(); }
  std::string At(const std::string& rel) { return env.root() + "\\" + rel; }

  std::vector<std::string> Names(const std::string& pattern, uint32_t filter) {
    std::vector<std::string> names;
    for (const auto& e : fs().FindFiles(pattern, filter)) names.push_back(e.name);
    std::sort(names.begin(), names.end());
    return names;
  }
};

TYPED_TEST_SUITE_P(FilesContract);

TYPED_TEST_P(FilesContract, WildcardsMatchWithoutRegardToCase) {
  this->env.MakeFile(this->At("app.lnk"), "x", faArchive);
  this->env.MakeFile(this->At("APP2.LNK"), "x", faArchive);
  this->env.MakeFile(this->At("readme.txt"), "x", faArchive);
  this->env.MakeFile(this->At("Backup_1.REG"), "x", faArchive);
  this->env.MakeFolder(this->At("folder.reg"), faDirectory);
  this->env.MakeFile(this->At("noext"), "x", faArchive);

  using V = std::vector<std::string>;
  EXPECT_EQ(this->Names(this->At("*.lnk"), faAnyFile), (V{"APP2.LNK", "app.lnk"}));
  EXPECT_EQ(this->Names(this->At("*.reg"), faAnyFile), (V{"Backup_1.REG", "folder.reg"}));
  EXPECT_EQ(this->Names(this->At("app?.LNK"), faAnyFile), (V{"APP2.LNK"}));
  // "*.*" matches names without a dot too, and the folder's "." and "..".
  EXPECT_EQ(
      this->Names(this->At("*.*"), faAnyFile),
      (V{".", "..", "APP2.LNK", "Backup_1.REG", "app.lnk", "folder.reg", "noext", "readme.txt"}));
  // The pattern is also tried on 8.3 names: "app.lnkx" is "APP~....LNK".
  this->env.MakeFile(this->At("app.lnkx"), "x", faArchive);
  EXPECT_EQ(this->Names(this->At("*.lnk"), faAnyFile), (V{"APP2.LNK", "app.lnk", "app.lnkx"}));
  // Spelling is kept whatever case the pattern uses.
  EXPECT_EQ(this->Names(this->At("README.*"), faAnyFile), (V{"readme.txt"}));
}

TYPED_TEST_P(FilesContract, AttributeFiltersOfTheTwoWalks) {
  this->env.MakeFolder(this->At("Visible"), faDirectory);
  this->env.MakeFolder(this->At("Hidden"), faDirectory);
  this->env.SetAttributes(this->At("Hidden"), faDirectory | faHidden);
  this->env.MakeFolder(this->At("System"), faDirectory);
  this->env.SetAttributes(this->At("System"), faDirectory | faSysFile);
  this->env.MakeFile(this->At("plain.txt"), "x", faArchive);
  this->env.MakeFile(this->At("readonly.txt"), "x", faArchive | faReadOnly);
  this->env.MakeFile(this->At("hidden.lnk"), "x", faArchive | faHidden);
  this->env.MakeFile(this->At("system.lnk"), "x", faArchive | faSysFile);

  using V = std::vector<std::string>;
  // Every attribute allowed: hidden and system shortcuts are found.
  EXPECT_EQ(this->Names(this->At("*.lnk"), faAnyFile), (V{"hidden.lnk", "system.lnk"}));
  // The directory filter drops hidden and system entries, keeps plain files.
  EXPECT_EQ(this->Names(this->At("*.*"), faDirectory),
            (V{".", "..", "Visible", "plain.txt", "readonly.txt"}));
  EXPECT_EQ(this->Names(this->At("*.*"), faAnyFile).size(), 9u);
  // No filter bit at all: only entries without any special attribute.
  EXPECT_EQ(this->Names(this->At("*.*"), 0), (V{"plain.txt", "readonly.txt"}));

  for (const auto& e : this->fs().FindFiles(this->At("*.*"), faAnyFile)) {
    if (e.name == "Hidden") {
      EXPECT_EQ(e.attributes & (faDirectory | faHidden), faDirectory | faHidden);
    }
    if (e.name == "plain.txt") {
      EXPECT_EQ(e.attributes & faDirectory, 0u);
      EXPECT_EQ(e.size, 1u);
    }
  }
  EXPECT_EQ(this->fs().GetAttributes(this->At("system.lnk")) & (faSysFile | faDirectory),
            faSysFile);
}

TYPED_TEST_P(FilesContract, ListingsStopEarlyAndFailQuietly) {
  for (const char* n : {"a.txt", "b.txt", "c.txt"}) this->env.MakeFile(this->At(n), "x", faArchive);
  int seen = 0;
  this->fs().ForEachFile(this->At("*.txt"), faAnyFile, [&seen](const FindEntry&) {
    ++seen;
    return false;
  });
  EXPECT_EQ(seen, 1);
  EXPECT_TRUE(this->fs().FindFiles(this->At("missing\\*.*"), faAnyFile).empty());
  EXPECT_TRUE(this->fs().FindFiles(this->At("a.txt\\*.*"), faAnyFile).empty());
  EXPECT_TRUE(this->fs().FindFiles(this->At("*.none"), faAnyFile).empty());
  EXPECT_TRUE(this->fs().FindFiles(this->env.root() + "\\", faAnyFile).empty());
}

TYPED_TEST_P(FilesContract, PathsIgnoreCaseAndExistenceTestsDifferForFolders) {
  this->env.MakeFolder(this->At("MixedCase"), faDirectory);
  this->env.MakeFile(this->At("MixedCase\\File.TXT"), "x", faArchive);
  this->env.MakeFolder(this->At("Backup.old"), faDirectory);

  std::string upper = this->At("MIXEDCASE\\file.txt");
  std::transform(upper.begin(), upper.end(), upper.begin(), ::toupper);
  std::string lower = upper;
  std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
  EXPECT_TRUE(this->fs().FileExists(upper));
  EXPECT_TRUE(this->fs().FileExists(lower));
  EXPECT_FALSE(this->fs().DirectoryExists(lower));
  EXPECT_EQ(this->Names(this->At("mixedcase\\*.txt"), faAnyFile),
            (std::vector<std::string>{"File.TXT"}));

  // A folder is not a file, and a dotted folder name is still a folder.
  EXPECT_FALSE(this->fs().FileExists(this->At("Backup.old")));
  EXPECT_TRUE(this->fs().DirectoryExists(this->At("Backup.old")));
  EXPECT_TRUE(this->fs().DirectoryExists(this->At("BACKUP.OLD\\")));
  EXPECT_TRUE(this->fs().DirectoryExists("C:\\"));
  EXPECT_FALSE(this->fs().FileExists("C:\\"));
  EXPECT_FALSE(this->fs().FileExists(this->At("MixedCase\\File.TXT\\")));
  EXPECT_FALSE(this->fs().DirectoryExists(this->At("MixedCase\\File.TXT\\")));
  EXPECT_FALSE(this->fs().FileExists(this->At("gone.exe")));
  EXPECT_FALSE(this->fs().DirectoryExists(this->At("gone")));
  EXPECT_EQ(this->fs().GetAttributes(this->At("gone")), kInvalidAttributes);
  EXPECT_NE(this->fs().GetAttributes(this->At("mixedcase")) & faDirectory, 0u);
}

TYPED_TEST_P(FilesContract, FoldersAreCreatedOneLevelAtATime) {
  EXPECT_TRUE(this->fs().MakeDirectory(this->At("Backup")));
  EXPECT_TRUE(this->fs().DirectoryExists(this->At("backup")));
  EXPECT_FALSE(this->fs().MakeDirectory(this->At("BACKUP")));  // exists
  EXPECT_FALSE(this->fs().MakeDirectory(this->At("a\\b")));    // parent missing
  EXPECT_FALSE(this->fs().DirectoryExists(this->At("a")));
  this->env.MakeFile(this->At("taken"), "x", faArchive);
  EXPECT_FALSE(this->fs().MakeDirectory(this->At("taken")));
}

TYPED_TEST_P(FilesContract, WholeFilesKeepTheirBytes) {
  const std::string bytes("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER]\n\0\xff\x80 end", 38);
  const std::string path = this->At("out.reg");
  ASSERT_TRUE(this->fs().WriteWholeFile(path, bytes));
  std::string back;
  ASSERT_TRUE(this->fs().ReadWholeFile(path, &back));
  EXPECT_EQ(back, bytes);
  // Replacing cuts the old content.
  ASSERT_TRUE(this->fs().WriteWholeFile(path, "short"));
  ASSERT_TRUE(this->fs().ReadWholeFile(this->At("OUT.REG"), &back));
  EXPECT_EQ(back, "short");
  ASSERT_TRUE(this->fs().WriteWholeFile(path, ""));
  ASSERT_TRUE(this->fs().ReadWholeFile(path, &back));
  EXPECT_EQ(back, "");

  EXPECT_FALSE(this->fs().ReadWholeFile(this->At("missing.reg"), &back));
  EXPECT_FALSE(this->fs().WriteWholeFile(this->At("missing\\x.reg"), "x"));
  this->env.MakeFolder(this->At("dir"), faDirectory);
  EXPECT_FALSE(this->fs().WriteWholeFile(this->At("dir"), "x"));
  EXPECT_FALSE(this->fs().ReadWholeFile(this->At("dir"), &back));
  // A hidden file can be replaced.
  this->env.MakeFile(this->At("hidden.reg"), "old", faArchive | faHidden);
  EXPECT_TRUE(this->fs().WriteWholeFile(this->At("hidden.reg"), "new"));
  ASSERT_TRUE(this->fs().ReadWholeFile(this->At("hidden.reg"), &back));
  EXPECT_EQ(back, "new");
}

TYPED_TEST_P(FilesContract, DeleteRemovesFilesOnly) {
  this->env.MakeFile(this->At("Gone.lnk"), "x", faArchive);
  this->env.MakeFolder(this->At("Folder"), faDirectory);
  EXPECT_TRUE(this->fs().RemoveFile(this->At("gone.LNK")));
  EXPECT_FALSE(this->fs().FileExists(this->At("Gone.lnk")));
  EXPECT_FALSE(this->fs().RemoveFile(this->At("Gone.lnk")));  // already gone
  EXPECT_FALSE(this->fs().RemoveFile(this->At("Folder")));
  EXPECT_TRUE(this->fs().DirectoryExists(this->At("Folder")));
  // Hidden and system files are deleted like any other.
  this->env.MakeFile(this->At("h.lnk"), "x", faArchive | faHidden | faSysFile);
  EXPECT_TRUE(this->fs().RemoveFile(this->At("h.lnk")));
  // Read-only and locked files stay.
  this->env.MakeFile(this->At("readonly.lnk"), "x", faArchive | faReadOnly);
  EXPECT_FALSE(this->fs().RemoveFile(this->At("readonly.lnk")));
  EXPECT_TRUE(this->fs().FileExists(this->At("readonly.lnk")));
  this->env.MakeFile(this->At("locked.dll"), "x", faArchive);
  this->env.Lock(this->At("locked.dll"));
  EXPECT_FALSE(this->fs().RemoveFile(this->At("locked.dll")));
  EXPECT_TRUE(this->fs().FileExists(this->At("locked.dll")));
}

TYPED_TEST_P(FilesContract, FoldersGoWhenEmptyCopiesNeverOverwrite) {
  this->env.MakeFolder(this->At("Copies"), faDirectory);
  this->env.MakeFile(this->At("a.lnk"), "first", faArchive);
  this->env.MakeFile(this->At("b.lnk"), "second", faArchive);
  EXPECT_TRUE(this->fs().CopyOneFile(this->At("a.lnk"), this->At("Copies\\a.lnk")));
  std::string bytes;
  ASSERT_TRUE(this->fs().ReadWholeFile(this->At("Copies\\a.lnk"), &bytes));
  EXPECT_EQ(bytes, "first");
  EXPECT_FALSE(this->fs().CopyOneFile(this->At("b.lnk"), this->At("Copies\\a.lnk")));
  ASSERT_TRUE(this->fs().ReadWholeFile(this->At("Copies\\a.lnk"), &bytes));
  EXPECT_EQ(bytes, "first");
  EXPECT_FALSE(this->fs().CopyOneFile(this->At("none.lnk"), this->At("Copies\\n.lnk")));
  EXPECT_FALSE(this->fs().CopyOneFile(this->At("a.lnk"), this->At("NoFolder\\a.lnk")));

  EXPECT_FALSE(this->fs().RemoveFolder(this->At("Copies")));  // not empty
  EXPECT_FALSE(this->fs().RemoveFolder(this->At("a.lnk")));   // not a folder
  EXPECT_TRUE(this->fs().RemoveFile(this->At("Copies\\a.lnk")));
  EXPECT_TRUE(this->fs().RemoveFolder(this->At("copies")));
  EXPECT_FALSE(this->fs().DirectoryExists(this->At("Copies")));
}

TYPED_TEST_P(FilesContract, WindowsDirectoryAndShortNames) {
  const std::string windir = this->fs().WindowsDirectory();
  ASSERT_GE(windir.size(), 3u);
  EXPECT_EQ(windir.substr(1, 2), ":\\");
  EXPECT_NE(windir.back(), '\\');
  EXPECT_TRUE(this->fs().DirectoryExists(windir));

  this->env.MakeFolder(this->At("Long Folder Name"), faDirectory);
  this->env.MakeFile(this->At("Long Folder Name\\some long file.text"), "x", faArchive);
  const std::string shortPath =
      this->fs().ShortPathName(this->At("Long Folder Name\\some long file.text"));
  ASSERT_FALSE(shortPath.empty());
  EXPECT_TRUE(this->fs().FileExists(shortPath)) << shortPath;
  EXPECT_EQ(shortPath.find(' '), std::string::npos) << shortPath;
  // Every component after the drive is an 8.3 name.
  size_t start = 3;
  while (start < shortPath.size()) {
    size_t end = shortPath.find('\\', start);
    if (end == std::string::npos) end = shortPath.size();
    const std::string part = shortPath.substr(start, end - start);
    const size_t dot = part.find('.');
    EXPECT_LE(dot == std::string::npos ? part.size() : dot, 8u) << part;
    if (dot != std::string::npos) {
      EXPECT_LE(part.size() - dot - 1, 3u) << part;
    }
    start = end + 1;
  }
  EXPECT_EQ(this->fs().ShortPathName(this->At("missing file.text")), "");
}

TYPED_TEST_P(FilesContract, QuietErrorModeRestoresThePreviousMode) {
  const uint32_t original = this->fs().SetErrorMode(0);
  {
    QuietErrorMode quiet(this->fs());
    EXPECT_EQ(this->fs().SetErrorMode(SEM_FAILCRITICALERRORS) & SEM_FAILCRITICALERRORS,
              SEM_FAILCRITICALERRORS);
  }
  EXPECT_EQ(this->fs().SetErrorMode(original) & SEM_FAILCRITICALERRORS, 0u);
}

// Folder and file names beyond the code page (Cyrillic, CJK): found without
// regard to case, listed as spelled, '?' one character; a missing neighbour
// is missing.
TYPED_TEST_P(FilesContract, NamesBeyondTheCodePage) {
  // Cyrillic "Ivan", two ideographs.
  const std::string folder = this->At("\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD");
  const std::string cjk = "\xE5\xBC\xA0\xE4\xB8\x89.exe";
  const std::string file = folder + "\\" + cjk;
  this->env.MakeFolder(folder, faDirectory);
  this->env.MakeFile(file, "MZ", faArchive);
  FileSystem& fs = this->fs();

  EXPECT_TRUE(fs.DirectoryExists(folder));
  EXPECT_TRUE(fs.FileExists(file));
  EXPECT_TRUE(fs.FileExists(this->At("\xD0\xB8\xD0\xB2\xD0\xB0\xD0\xBD\\") + cjk));
  EXPECT_FALSE(fs.FileExists(folder + "\\\xE6\x9D\x8E\xE5\x9B\x9B.exe"));
  EXPECT_FALSE(fs.DirectoryExists(this->At("\xD0\x9F\xD1\x91\xD1\x82\xD1\x80")));
  EXPECT_FALSE(fs.FileExists(folder));
  const std::string ivan = folder.substr(this->env.root().size() + 1);
  EXPECT_EQ(this->Names(this->At("*"), faDirectory), (std::vector<std::string>{".", "..", ivan}));
  EXPECT_EQ(this->Names(folder + "\\??.EXE", faAnyFile), std::vector<std::string>{cjk});
  EXPECT_TRUE(this->Names(folder + "\\?.exe", faAnyFile).empty());

  std::string bytes;
  ASSERT_TRUE(fs.ReadWholeFile(file, &bytes));
  EXPECT_EQ(bytes, "MZ");
  const std::string shortPath = fs.ShortPathName(file);
  EXPECT_FALSE(shortPath.empty());
  EXPECT_TRUE(fs.FileExists(shortPath)) << shortPath;
  const std::string copy = folder + "\\\xD0\x9A\xD0\xBE\xD0\xBF\xD0\xB8\xD1\x8F.exe";
  EXPECT_TRUE(fs.CopyOneFile(file, copy));
  EXPECT_TRUE(fs.WriteWholeFile(copy, "new"));
  ASSERT_TRUE(fs.ReadWholeFile(copy, &bytes));
  EXPECT_EQ(bytes, "new");
  EXPECT_TRUE(fs.RemoveFile(copy));
  EXPECT_TRUE(fs.RemoveFile(file));
  EXPECT_FALSE(fs.FileExists(file));
  EXPECT_TRUE(fs.RemoveFolder(folder));
  EXPECT_FALSE(fs.DirectoryExists(folder));
  EXPECT_TRUE(fs.MakeDirectory(folder));
  EXPECT_TRUE(fs.DirectoryExists(folder));
}

REGISTER_TYPED_TEST_SUITE_P(FilesContract, WildcardsMatchWithoutRegardToCase,
                            AttributeFiltersOfTheTwoWalks, ListingsStopEarlyAndFailQuietly,
                            PathsIgnoreCaseAndExistenceTestsDifferForFolders,
                            FoldersAreCreatedOneLevelAtATime, WholeFilesKeepTheirBytes,
                            DeleteRemovesFilesOnly, FoldersGoWhenEmptyCopiesNeverOverwrite,
                            WindowsDirectoryAndShortNames, QuietErrorModeRestoresThePreviousMode,
                            NamesBeyondTheCodePage);

}  // namespace corvanta::contract
