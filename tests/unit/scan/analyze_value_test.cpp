// The judgement whether a registry text names a missing file or folder.
#include <gtest/gtest.h>

#include <string>

#include "support/scan_fixture.h"

namespace corvanta {
namespace {

class AnalyzeValue : public ::testing::Test {
 protected:
  AnalyzeValue() {
    s.mem.registry.CreateKey(kHKEY_LOCAL_MACHINE, "Software\\Test");
    s.reg.SetRootKey(kHKEY_LOCAL_MACHINE);
    EXPECT_TRUE(s.reg.OpenKey("\\Software\\Test", false));
  }
  bool Ok(const std::string& value, const std::string& section = "Application Paths") {
    return s.engine.DoAnalyzeValue(value, section);
  }
  MemoryScan s;
};

TEST_F(AnalyzeValue, WorkedReadingsOnAnEmptyDisk) {
  struct Case {
    const char* value;
    const char* section;
    bool acceptable;
  } cases[] = {
      {"\"C:\\Program Files\\App\\app.exe\" /min", "Startup Programs", false},
      // Read across "(" and ")": missing, whole.
      {"C:\\Program Files (x86)\\App\\app.exe", "Application Paths", false},
      {"%SystemRoot%\\system32\\gone.dll", "Startup Programs", false},
      {"%SystemRoot%\\system32\\gone.dll", "Deep Registry Scan", true},
      {"c:\\old\\gone.exe", "Deep Registry Scan", true},
      {"c:\\old\\gone.exe", "Application Paths", false},
      {"G:\\old\\gone.exe", "Custom Controls", true},
      {"G:\\old\\gone.exe", "Application Paths", false},
      {"C:\\Data\\archive", "Application Paths", true},
      {"C:\\Windows\\system32\\x.tlb\\2", "Program IDs", true},
      {"", "Application Paths", true},
      {"C:", "Application Paths", true},
      {"ab", "Application Paths", true},
      {"C:\\gone\\a.dll,1", "Application Paths", true},
      {"C:\\gone\\a.exe;C:\\gone\\b.exe", "Application Paths", true},
      {"C:\\gone\\x.dll", "Deep Registry Scan", false},
      {"C:\\gone\\x", "Deep Registry Scan", true},
      {"C:\\gone\\%x%.dll", "Deep Registry Scan", true},
      {"D:\\gone\\x.dll", "Custom Controls", false},
      // Lenient names compare exactly: another spelling gets no tail.
      {"%SystemRoot%\\gone.dll", "deep registry scan", false},
      {"%ProgramFiles%\\App\\app.exe", "Startup Programs", true},
      {"ding.wav", "Sounds", true},
      {"C:\\M\xC2\xAEsic\\gone.exe", "Application Paths", false},
      {"C:\\M\xC3\xA9sic\\gone.exe", "Application Paths", false},
      // "?" stands for a character the ANSI call could not carry: no proof.
      {"C:\\Dir.old\\Gr?n.exe", "Application Paths", true},
      {"\"C:\\Programme\\Gr?n\\app.exe\" /min", "Startup Programs", true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.acceptable, Ok(c.value, c.section)) << c.value << " in " << c.section;
}

// Today's program folders: every reading is tried, a text is missing only
// when all are, and it is shown as its longest reading, never a fragment.
TEST_F(AnalyzeValue, ReadingsOfPathsWithTheCharactersProgramFoldersUse) {
  auto& files = s.mem.files;
  files.AddFile("C:\\Program Files\\Foo 2.0 (beta)\\uninst.exe");
  files.AddFile("C:\\Program Files (x86)\\Here\\here.exe");
  files.AddFile("C:\\Program Files\\A&B 2.0\\ab.exe");
  files.AddFile("C:\\Program Files\\O'Neil\\on.exe");
  files.AddFile("C:\\Games\\Doom [1]\\doom.exe");
  files.AddFile("C:\\Apps\\Build #2\\b.dll");
  files.AddFile("C:\\Programme\\M\xC3\xBCller\\m.exe");
  files.AddFolder("C:\\Tools\\v1.2");
  const std::string foo = "C:\\Program Files\\Foo 2.0 (beta)\\uninst.exe";
  const std::string x86 = "C:\\Program Files (x86)\\Gone\\gone.exe";
  const std::string here = "C:\\Program Files (x86)\\Here\\here.exe";
  struct Case {
    std::string value;
    const char* section;
    bool acceptable;
    std::string reading;
  } cases[] = {
      {"\"" + foo + "\" /S", "Add/Remove Programs", true, foo},
      {foo + " /S", "Add/Remove Programs", true, foo},
      {"\"" + x86 + "\" /uninstall", "Add/Remove Programs", false, x86},
      {x86, "Application Paths", false, x86},
      {"C:\\Program Files (x86)\\Gone\\gone.dll", "Deep Registry Scan", false,
       "C:\\Program Files (x86)\\Gone\\gone.dll"},
      {here + " /min", "Startup Programs", true, here},
      {here + " -silent -x C:\\Gone\\a.b", "Startup Programs", true, here},
      {"\"C:\\Program Files\\A&B 2.0\\gone.exe\" /x", "Add/Remove Programs", false,
       "C:\\Program Files\\A&B 2.0\\gone.exe"},
      {"C:\\Program Files\\A&B 2.0\\gone.exe /x", "Startup Programs", false,
       "C:\\Program Files\\A&B 2.0\\gone.exe"},
      {"\"C:\\Program Files\\A&B 2.0\\ab.exe\" /x", "Add/Remove Programs", true,
       "C:\\Program Files\\A&B 2.0\\ab.exe"},
      {"C:\\Program Files\\O'Neil\\on.exe", "Application Paths", true,
       "C:\\Program Files\\O'Neil\\on.exe"},
      {"C:\\Program Files\\O'Neil\\gone.exe", "Application Paths", false,
       "C:\\Program Files\\O'Neil\\gone.exe"},
      {"C:\\Games\\Doom [1]\\doom.exe -fullscreen", "Startup Programs", true,
       "C:\\Games\\Doom [1]\\doom.exe"},
      {"C:\\Games\\Doom [1]\\gone.exe -fullscreen", "Startup Programs", false,
       "C:\\Games\\Doom [1]\\gone.exe"},
      {"C:\\Apps\\Build #2\\b.dll", "Shared Program Files", true, "C:\\Apps\\Build #2\\b.dll"},
      {"C:\\Apps\\Build #2\\gone.dll", "Shared Program Files", false,
       "C:\\Apps\\Build #2\\gone.dll"},
      {"C:\\Programme\\M\xC3\xBCller\\m.exe", "Application Paths", true,
       "C:\\Programme\\M\xC3\xBCller\\m.exe"},
      {"\"C:\\Programme\\M\xC3\xBCller\\gone.exe\" /q", "Add/Remove Programs", false,
       "C:\\Programme\\M\xC3\xBCller\\gone.exe"},
      // The folder C:\Tools\v1.2 is a fragment of the name: it decides nothing.
      {"C:\\Tools\\v1.2 (old)\\gone.exe", "Application Paths", false,
       "C:\\Tools\\v1.2 (old)\\gone.exe"},
      // A second drive path begins the arguments.
      {here + " C:\\Gone\\x.txt", "Startup Programs", true, here},
      {x86 + " D:\\data\\file.txt", "Startup Programs", false, x86},
      // No extension anywhere: nothing to judge.
      {"\"C:\\Program Files (x86)\\Data\"", "Application Paths", true, ""},
  };
  for (const Case& c : cases) {
    std::string reading;
    EXPECT_EQ(c.acceptable, s.engine.DoAnalyzeValue(c.value, c.section, &reading))
        << c.value << " in " << c.section;
    EXPECT_EQ(c.reading, reading) << c.value;
  }
}

TEST_F(AnalyzeValue, ExistenceProbesOfMatchWholeTextAndExpandedText) {
  auto& files = s.mem.files;
  files.AddFile("C:\\Apps\\present.exe");
  files.AddFolder("C:\\Backup.old");
  files.AddFile("C:\\Odd\\a.b(c)");
  files.AddFile("C:\\WINDOWS\\x.y(z)");
  files.AddFile("C:\\WINDOWS\\notepad.exe");
  files.AddFolder("C:\\Tools\\dir.exe");

  EXPECT_TRUE(Ok("C:\\Apps\\present.exe"));
  EXPECT_TRUE(Ok("C:\\apps\\PRESENT.EXE /x"));
  EXPECT_TRUE(Ok("C:\\Backup.old"));    // an existing folder with a dotted name
  EXPECT_TRUE(Ok("C:\\Odd\\a.b(c)"));   // match C:\Odd\a.b is missing, the whole text exists
  EXPECT_TRUE(Ok("%windir%\\x.y(z)"));  // only the expanded text exists
  // Only the first drive path counts.
  EXPECT_TRUE(Ok("C:\\Apps\\present.exe C:\\gone.exe"));
  EXPECT_FALSE(Ok("C:\\gone.exe C:\\Apps\\present.exe"));

  // %windir% and %systemroot% in any case, every occurrence.
  EXPECT_TRUE(Ok("%WINDIR%\\notepad.exe"));
  EXPECT_TRUE(Ok("%SystemRoot%\\notepad.exe"));
  EXPECT_FALSE(Ok("%WinDir%\\gone.exe"));
  files.AddFile("C:\\WINDOWS\\sub\\n.exe");
  s.mem.files.SetWindowsDirectory("C:\\WINDOWS\\sub");
  EXPECT_TRUE(Ok("%windir%\\n.exe"));

  // A folder named like a program does not accept a command with arguments.
  EXPECT_FALSE(Ok("C:\\Tools\\dir.exe -x run.txt"));
}

TEST_F(AnalyzeValue, CommandLinesWithArgumentsAcceptTheirProgram) {
  s.mem.files.AddFile("C:\\Tools\\app.exe");
  s.mem.files.AddFile("C:\\Program Files\\Suite\\run.exe");
  EXPECT_TRUE(Ok("C:\\Tools\\app.exe -log run.txt"));
  EXPECT_TRUE(Ok("C:\\Tools\\app.exe -log run.txt", "Deep Registry Scan"));
  EXPECT_TRUE(Ok("C:\\Program Files\\Suite\\run.exe -a -b c.d e.f"));
  // The shortest candidate is not the only one tried.
  s.mem.files.AddFile("C:\\x\\first.cmd x\\second.cmd");
  EXPECT_TRUE(Ok("C:\\x\\first.cmd x\\second.cmd -q z.log"));
  EXPECT_FALSE(Ok("C:\\x\\first.cmd C.log"));
  EXPECT_FALSE(Ok("C:\\Tools\\gone.exe -log run.txt"));
  // An extension must end right before the blank.
  EXPECT_FALSE(Ok("C:\\Tools\\app.exe. -log run.txt"));
}

TEST_F(AnalyzeValue, PathValueOfTheCurrentKeyPrefixesBareNames) {
  auto& mr = s.mem.registry;
  s.mem.files.AddFile("C:\\Apps\\Tool\\tool.exe");
  mr.SetString(kHKEY_LOCAL_MACHINE, "Software\\Test", "Path", "C:\\Apps\\Tool\\");
  EXPECT_TRUE(Ok("tool.exe"));
  EXPECT_FALSE(Ok("gone.exe"));
  // No separator is inserted.
  mr.SetString(kHKEY_LOCAL_MACHINE, "Software\\Test", "Path", "C:\\Apps\\Tool");
  EXPECT_FALSE(Ok("tool.exe"));
  s.mem.files.AddFile("C:\\Apps\\Tooltool.exe");
  EXPECT_TRUE(Ok("tool.exe"));
  // A text with a backslash is never prefixed.
  EXPECT_FALSE(Ok("C:\\x\\tool.exe"));
  // The name compares without case; expandable text counts; DWORD does not.
  s.reg.DeleteValue("Path");
  mr.SetExpandString(kHKEY_LOCAL_MACHINE, "Software\\Test", "PATH", "C:\\Apps\\Tool\\");
  EXPECT_FALSE(Ok("gone.exe"));
  s.reg.DeleteValue("PATH");
  mr.SetDword(kHKEY_LOCAL_MACHINE, "Software\\Test", "Path", 5);
  EXPECT_TRUE(Ok("gone.exe"));
  // A Path without a backslash is not used.
  s.reg.DeleteValue("Path");
  mr.SetString(kHKEY_LOCAL_MACHINE, "Software\\Test", "Path", "C:");
  EXPECT_TRUE(Ok("gone.exe"));
}

// A megabyte of folder levels names no file the ANSI calls can reach: judged
// by its readings without a walk through half a million folders.
TEST_F(AnalyzeValue, HalfAMillionFolderLevelsAreJudgedWhole) {
  std::string text = "C:\\";
  for (int i = 0; i < 500000; ++i) text += "a\\";
  text += "x.exe";
  std::string reading;
  EXPECT_FALSE(s.engine.DoAnalyzeValue(text, "Deep Registry Scan", &reading));
  EXPECT_EQ(text, reading);
}

TEST_F(AnalyzeValue, HugeAndHostileTextsEndQuickly) {
  const std::string path(2000000, 'a');
  EXPECT_FALSE(Ok("C:\\" + path + ".exe"));
  EXPECT_TRUE(Ok("C:\\" + path));
  EXPECT_TRUE(Ok(std::string(1000000, '\\') + "x.exe"));
  std::string binaryish;
  for (int i = 0; i < 300000; ++i) binaryish += static_cast<char>(i * 37 % 256);
  Ok(binaryish);  // any answer, as long as it returns
}

}  // namespace
}  // namespace corvanta
