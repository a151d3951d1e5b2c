// The thirteen sections in their frame, over the memory doubles.
#include "scan/sections.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/scan_faulty_registry.h"
#include "support/scan_fixture.h"
#include "support/scan_probe_files.h"

namespace corvanta {
namespace {

constexpr std::uint32_t HKLM = kHKEY_LOCAL_MACHINE;
constexpr std::uint32_t HKCU = kHKEY_CURRENT_USER;
constexpr std::uint32_t HKCR = kHKEY_CLASSES_ROOT;

const char kCv[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";

std::string Brief(const TRegRecord& r) {
  return std::to_string(r.RootKey & 0xF) + "|" + r.KeyPath + "|" + r.ValueName + "|" + r.ValueData +
         "|" + std::to_string(r.Kind);
}
std::vector<std::string> Briefs(const TRegArray& list) {
  std::vector<std::string> out;
  for (const TRegRecord& r : list) out.push_back(Brief(r));
  return out;
}

class Sections : public ::testing::Test {
 protected:
  void ExpectSectionFields(int number) {
    const SectionInfo* info = SectionByNumber(number);
    for (const TRegRecord& r : s.problems) {
      EXPECT_EQ(info->sectionName, r.Section);
      EXPECT_EQ(info->problemLabel, r.ProblemLabel);
      EXPECT_EQ(0, r.Action);
      EXPECT_EQ(0, r.DeleteKey);
    }
    ASSERT_FALSE(s.page.rows.empty());
    const auto& row = s.page.rows.back();
    EXPECT_EQ(info->rowCaption, row.caption);
    EXPECT_EQ("Done.", row.status);
    EXPECT_EQ(std::to_string(s.problems.size()), row.errorsFound);
    EXPECT_EQ(s.problems.empty() ? kLampGreen : kLampRed, row.stateImage);
    EXPECT_EQ(number, s.page.progress);
    EXPECT_EQ(0u, s.reg.CurrentKey());  // the frame closes the key
  }
  MemoryScan s;
  MemoryRegistry& mr = s.mem.registry;
  MemoryFileSystem& files = s.mem.files;
};

TEST_F(Sections, FrameRowsCountersAndAbortBeforeASection) {
  s.Run(1);  // nothing seeded: green, "0", "Done."
  ASSERT_EQ(1u, s.page.rows.size());
  EXPECT_EQ("0", s.page.rows[0].errorsFound);
  EXPECT_EQ(kLampGreen, s.page.rows[0].stateImage);
  EXPECT_EQ("Done.", s.page.rows[0].status);
  EXPECT_EQ(1, s.page.progress);

  mr.SetString(HKLM, std::string(kCv) + "\\App Paths\\a.exe", "", "C:\\gone\\a.exe");
  mr.SetString(HKLM, std::string(kCv) + "\\App Paths\\b.exe", "", "C:\\gone\\b.exe");
  s.Run(1);
  EXPECT_EQ("2", s.page.rows[1].errorsFound);
  EXPECT_EQ("2", s.page.totalFound);
  EXPECT_EQ(2, s.globals.SectionFoundCount);
  EXPECT_EQ(kLampRed, s.page.rows[1].stateImage);
  EXPECT_EQ("Application Paths", s.globals.CurrentSection);

  s.globals.AbortRequested = true;
  s.Run(3);
  EXPECT_EQ(2u, s.page.rows.size());  // no row for an aborted section
  EXPECT_EQ(1, s.page.progress);
  s.engine.RunSection(0);
  s.engine.RunSection(14);
}

TEST_F(Sections, ListSectionsRecordWhereTheyFound) {
  const std::string cv = kCv;
  // 1: values directly under App Paths are not judged; Path joins bare names.
  mr.SetString(HKLM, cv + "\\App Paths", "", "C:\\gone\\top.exe");
  mr.SetString(HKLM, cv + "\\App Paths\\tool.exe", "", "tool.exe");
  mr.SetString(HKLM, cv + "\\App Paths\\tool.exe", "Path", "C:\\Tools\\");
  mr.SetString(HKLM, cv + "\\App Paths\\old.exe", "", "G:\\old\\gone.exe");
  s.Run(1);
  EXPECT_EQ((std::vector<std::string>{"2|" + cv + "\\App Paths\\old.exe||G:\\old\\gone.exe|0",
                                      "2|" + cv + "\\App Paths\\tool.exe||tool.exe|0"}),
            Briefs(s.problems));
  ExpectSectionFields(1);

  // 2: judged by value name.
  s.problems.clear();
  mr.SetDword(HKLM, cv + "\\SharedDlls", "C:\\gone\\shared.dll", 7);
  mr.SetDword(HKLM, cv + "\\SharedDlls", "C:\\WINDOWS\\here.dll", 7);
  files.AddFile("C:\\WINDOWS\\here.dll");
  s.Run(2);
  EXPECT_EQ(std::vector<std::string>{"2|" + cv + "\\SharedDlls|C:\\gone\\shared.dll|" +
                                     "C:\\gone\\shared.dll|0"},
            Briefs(s.problems));
  ExpectSectionFields(2);

  // 3: type libraries below "\TypeLib\"; resource indexes are fine.
  s.problems.clear();
  mr.SetString(HKCR, "TypeLib\\{T}\\1.0\\0\\win32", "", "C:\\gone\\x.tlb");
  mr.SetString(HKCR, "TypeLib\\{U}\\1.0\\0\\win32", "", "C:\\gone\\y.dll\\2");
  s.Run(3);
  ASSERT_EQ(1u, s.problems.size());
  EXPECT_EQ(HKCR, s.problems[0].RootKey);
  EXPECT_EQ("TypeLib\\{T}\\1.0\\0\\win32", s.problems[0].KeyPath);
  ExpectSectionFields(3);

  // 4: the whole of HKCR, lenient tail, leading backslash in key paths.
  s.problems.clear();
  mr.SetString(HKCR, "CLSID\\{C}\\InprocServer32", "", "C:\\gone\\ctl.ocx");
  mr.SetString(HKCR, "CLSID\\{D}\\InprocServer32", "", "c:\\gone\\lower.ocx");
  mr.SetString(HKCR, "CLSID\\{E}\\InprocServer32", "", "%SystemRoot%\\gone.ocx");
  s.Run(4);
  EXPECT_EQ((std::vector<std::string>{"0|\\CLSID\\{C}\\InprocServer32||C:\\gone\\ctl.ocx|0",
                                      "0|\\TypeLib\\{T}\\1.0\\0\\win32||C:\\gone\\x.tlb|0"}),
            Briefs(s.problems));
  ExpectSectionFields(4);

  // 5: both Run keys, each record keeps its root.
  s.problems.clear();
  mr.SetString(HKLM, cv + "\\Run", "m", "C:\\gone\\m.exe /min");
  mr.SetString(HKCU, cv + "\\Run", "u", "\"C:\\gone\\u.exe\" -x");
  mr.SetString(HKCU, cv + "\\Run", "ok", "C:\\Tools\\ok.exe -log run.txt");
  files.AddFile("C:\\Tools\\ok.exe");
  s.Run(5);
  EXPECT_EQ((std::vector<std::string>{"2|" + cv + "\\Run|m|C:\\gone\\m.exe /min|0",
                                      "1|" + cv + "\\Run|u|\"C:\\gone\\u.exe\" -x|0"}),
            Briefs(s.problems));
  ExpectSectionFields(5);

  // 6: uninstall entries, UninstallString only.
  s.problems.clear();
  mr.SetString(HKLM, cv + "\\Uninstall\\App", "UninstallString", "C:\\gone\\unins000.exe");
  mr.SetString(HKLM, cv + "\\Uninstall\\App", "DisplayIcon", "C:\\gone\\app.exe");
  s.reg.SetRootKey(HKLM);
  ASSERT_TRUE(s.reg.OpenKey("\\SOFTWARE", false));  // a key left open elsewhere
  s.Run(6);
  EXPECT_EQ((std::vector<std::string>{"2|" + cv +
                                      "\\Uninstall\\App|UninstallString|C:\\gone\\unins000.exe|0"}),
            Briefs(s.problems));
  ExpectSectionFields(6);
}

TEST_F(Sections, DirectlyAnalysedKeysSurviveAnUnreadableValue) {
  FaultyReadRegistry faulty(mr);
  TRegistry reg(faulty, 0x2001F);
  ScanEngine engine(reg, s.regex, s.mem.platform(), s.page, s.report, s.globals);
  const std::string run = std::string(kCv) + "\\Run";
  mr.SetString(HKLM, run, "bad", "C:\\gone\\bad.exe");
  mr.SetString(HKLM, run, "later", "C:\\gone\\later.exe");
  mr.SetString(HKCU, run, "user", "C:\\gone\\user.exe");
  faulty.FailReadsOf("bad");
  engine.RunSection(5);
  EXPECT_EQ(std::vector<std::string>{"1|" + run + "|user|C:\\gone\\user.exe|0"},
            Briefs(s.problems));
  EXPECT_EQ("Done.", s.page.rows.back().status);
  engine.RunSection(6);  // the scan goes on
  EXPECT_EQ(2u, s.page.rows.size());
}

TEST_F(Sections, FileAssociationsCountValuesOfBothLists) {
  const std::string fe = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts";
  mr.SetString(HKCU, fe + "\\.aaa\\OpenWithList", "a", "x.exe");
  mr.SetString(HKCU, fe + "\\.aaa\\OpenWithList", "b", "y.exe");
  mr.SetRaw(HKCU, fe + "\\.bbb\\OpenWithProgids", "P.1", kREG_NONE, {});
  mr.CreateKey(HKCU, fe + "\\.ccc\\OpenWithList");
  mr.CreateKey(HKCU, fe + "\\.ccc\\OpenWithprogids\\Sub");
  mr.CreateKey(HKCU, fe + "\\.ddd\\Other");
  mr.CreateKey(HKCU, fe + "\\.eee");
  s.Run(7);
  EXPECT_EQ((std::vector<std::string>{"1|\\" + fe + "\\.ccc|.ccc|Invalid file association|0",
                                      "1|\\" + fe + "\\.ddd|.ddd|Invalid file association|0",
                                      "1|\\" + fe + "\\.eee|.eee|Invalid file association|0"}),
            Briefs(s.problems));
  ExpectSectionFields(7);

  // No list at all: green row.
  MemoryScan empty;
  empty.Run(7);
  EXPECT_EQ("0", empty.page.rows[0].errorsFound);
  EXPECT_EQ(kLampGreen, empty.page.rows[0].stateImage);
}

class Shortcuts : public Sections {
 protected:
  Shortcuts() {
    s.mem.shell.SetSpecialFolder(CSIDL_STARTMENU, "C:\\Users\\me\\Start Menu");
    s.mem.shell.SetSpecialFolder(CSIDL_COMMON_STARTMENU, "C:\\All\\Start Menu");
    files.AddFile("C:\\Apps\\present.exe");
    files.AddFolder("C:\\Apps\\Folder");
  }
  MemoryShellLinks& links = s.mem.links;
};

TEST_F(Shortcuts, InvalidShortcutsWalksDriveCWithItsRules) {
  links.AddShortcut("C:\\a\\present.lnk", "C:\\Apps\\present.exe");
  links.AddShortcut("C:\\a\\gone.lnk", "C:\\Old\\App.exe");
  links.AddShortcut("C:\\a\\folder.lnk", "C:\\Apps\\Folder");
  links.AddShortcut("C:\\a\\net.lnk", "\\\\server\\share\\x.exe");
  links.AddShortcut("C:\\a\\none.lnk", "");
  links.AddShortcut("C:\\a\\rel.lnk", "gone.exe");
  links.AddShortcut("C:\\a\\lost.lnk", "C:\\Old\\Gr?n.exe");  // "?": a character the ANSI call lost
  links.AddShortcut("C:\\a\\UPPER.LNK", "C:\\Old\\upper.exe");
  files.AddFile("C:\\a\\broken.lnk", "not a link");
  links.AddShortcut("C:\\a\\hiddenfile.lnk", "C:\\Old\\hf.exe", faHidden | faArchive);
  files.AddFolder("C:\\a\\b");
  links.AddShortcut("C:\\a\\b\\deep.lnk", "C:\\Old\\deep.exe");
  files.AddFolder("C:\\hid", faDirectory | faHidden);
  links.AddShortcut("C:\\hid\\h.lnk", "C:\\Old\\h.exe");
  files.AddFolder("C:\\sys", faDirectory | faSysFile);
  links.AddShortcut("C:\\sys\\s.lnk", "C:\\Old\\s.exe");
  files.AddFolder("C:\\link", faDirectory | faReparsePoint);
  links.AddShortcut("C:\\link\\j.lnk", "C:\\Old\\j.exe");
  files.AddFile("C:\\z.lnk", "", faArchive);
  links.SetTarget("C:\\z.lnk", "C:\\Old\\z.exe");

  s.page.keepStatusHistory = true;
  s.Run(12);
  std::vector<std::string> got = Briefs(s.problems);
  std::sort(got.begin(), got.end());
  EXPECT_EQ((std::vector<std::string>{"0|C:\\a\\b\\deep.lnk|Shortcut|C:\\Old\\deep.exe|1",
                                      "0|C:\\a\\gone.lnk|Shortcut|C:\\Old\\App.exe|1",
                                      "0|C:\\a\\hiddenfile.lnk|Shortcut|C:\\Old\\hf.exe|1",
                                      "0|C:\\z.lnk|Shortcut|C:\\Old\\z.exe|1"}),
            got);
  ExpectSectionFields(12);
  // A folder's shortcuts come before its subfolders.
  ASSERT_EQ(4u, s.problems.size());
  EXPECT_EQ("C:\\z.lnk", s.problems[0].KeyPath);
  EXPECT_NE(std::find(s.page.statusHistory.begin(), s.page.statusHistory.end(),
                      "Analyzing: C:\\Apps\\present.exe"),
            s.page.statusHistory.end());
  for (const std::string& p : links.resolved()) {
    EXPECT_EQ(std::string::npos, p.find("hid\\")) << p;
    EXPECT_EQ(std::string::npos, p.find("sys\\")) << p;
    EXPECT_EQ(std::string::npos, p.find("link\\")) << p;
  }
}

TEST_F(Shortcuts, StartMenuFoldersAndAbortDuringTheWalk) {
  links.AddShortcut("C:\\Users\\me\\Start Menu\\Programs\\mine.lnk", "C:\\Old\\mine.exe");
  links.AddShortcut("C:\\All\\Start Menu\\all.lnk", "C:\\Old\\all.exe");
  links.AddShortcut("C:\\Elsewhere\\no.lnk", "C:\\Old\\no.exe");
  s.Run(8);
  EXPECT_EQ((std::vector<std::string>{
                "0|C:\\Users\\me\\Start Menu\\Programs\\mine.lnk|Shortcut|C:\\Old\\mine.exe|1",
                "0|C:\\All\\Start Menu\\all.lnk|Shortcut|C:\\Old\\all.exe|1"}),
            Briefs(s.problems));
  ExpectSectionFields(8);

  // Abort on the first pump of the C:\ walk: nothing examined, row still done.
  s.problems.clear();
  s.page.AbortOnPump(s.globals, 1);
  s.Run(12);
  EXPECT_TRUE(s.problems.empty());
  EXPECT_EQ("Done.", s.page.rows.back().status);
  EXPECT_EQ(12, s.page.progress);

  // No special folder: the walk starts at the root of the current drive.
  MemoryScan bare;
  bare.mem.links.AddShortcut("C:\\root.lnk", "C:\\Old\\root.exe");
  bare.mem.links.SetTarget("\\root.lnk", "C:\\Old\\root.exe");
  bare.Run(8);
  EXPECT_EQ(2u, bare.problems.size());  // "\" walked twice
}

TEST_F(Shortcuts, LinkObjectFailurePropagates) {
  links.AddShortcut("C:\\a\\x.lnk", "C:\\Old\\x.exe");
  links.SetCreationFails(true);
  EXPECT_THROW(s.Run(12), ShellLinkError);
}

TEST_F(Sections, HelpFilesBuildFolderPlusNameAndKeepNetworkFolders) {
  ProbeFileSystem probe(files);
  Platform platform{
      mr,        probe, s.mem.system, s.mem.shell, s.mem.links, s.mem.versionInfo, s.mem.process,
      s.mem.http};
  ScanEngine engine(s.reg, s.regex, platform, s.page, s.report, s.globals);
  const std::string help = "SOFTWARE\\Microsoft\\Windows\\Help";
  const std::string html = "SOFTWARE\\Microsoft\\Windows\\HTML Help";
  files.AddFile("C:\\Help\\app.hlp");
  files.AddFile("C:\\Help\\other.hlp");
  files.AddFile("\\root.hlp");
  probe.AddExact("\\\\server\\help\\net.hlp");
  mr.SetString(HKLM, help, "app.hlp", "C:\\Help\\");
  mr.SetString(HKLM, help, "other.hlp", "C:\\Help");
  mr.SetString(HKLM, help, "gone.hlp", "C:\\Help\\");
  mr.SetString(HKLM, help, "net.hlp", "\\\\server\\help");
  mr.SetString(HKLM, help, "root.hlp", "");
  mr.SetDword(HKLM, help, "odd.hlp", 1);  // not text: skipped
  mr.SetString(HKLM, help, "dir.hlp", "C:\\Help");
  files.AddFolder("C:\\Help\\dir.hlp");  // a folder is not a help file
  mr.SetString(HKLM, html, "gone.chm", "C:\\Html\\\\");
  engine.RunSection(9);
  EXPECT_EQ((std::vector<std::string>{"2|" + help + "|gone.hlp|C:\\Help\\|0",
                                      "2|" + help + "|dir.hlp|C:\\Help|0",
                                      "2|" + html + "|gone.chm|C:\\Html\\\\|0"}),
            Briefs(s.problems));
  ExpectSectionFields(9);
  // Doubled separators are replaced pairwise, left to right; a share keeps its "\\".
  EXPECT_EQ((std::vector<std::string>{"C:\\Help\\app.hlp", "C:\\Help\\other.hlp",
                                      "C:\\Help\\gone.hlp", "\\\\server\\help\\net.hlp",
                                      "\\root.hlp", "C:\\Help\\dir.hlp", "C:\\Html\\\\gone.chm"}),
            probe.fileProbes);
}

TEST_F(Sections, FontsLookInTheFontsFolderUnlessGivenAFullPath) {
  const std::string fonts = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
  s.mem.shell.SetSpecialFolder(CSIDL_FONTS, "C:\\WINDOWS\\Fonts");
  files.AddFile("C:\\WINDOWS\\Fonts\\arial.ttf");
  files.AddFile("D:\\Other\\x.ttf");
  mr.SetString(HKLM, fonts, "Arial", "arial.ttf");
  mr.SetString(HKLM, fonts, "Gone", "gone.ttf");
  mr.SetRaw(HKLM, fonts, "Binary", kREG_BINARY, {1, 2, 3});
  mr.SetDword(HKLM, fonts, "Dword", 5);
  mr.SetString(HKLM, fonts, "Empty", "");
  mr.SetString(HKLM, fonts, "Outside", "D:\\Other\\x.ttf");
  mr.SetString(HKLM, fonts, "OutsideGone", "D:\\Other\\y.ttf");
  mr.SetString(HKLM, fonts, "Lost", "Gr?n.ttf");
  s.Run(10);
  EXPECT_EQ((std::vector<std::string>{"2|" + fonts + "|Gone|gone.ttf|0", "2|" + fonts + "|Empty||0",
                                      "2|" + fonts + "|OutsideGone|D:\\Other\\y.ttf|0"}),
            Briefs(s.problems));
  ExpectSectionFields(10);

  // No fonts folder: looked for in the root of the current drive.
  MemoryScan bare;
  bare.mem.files.AddFile("C:\\arial.ttf");
  bare.mem.registry.SetString(HKLM, fonts, "Arial", "arial.ttf");
  bare.Run(10);
  EXPECT_TRUE(bare.problems.empty());
}

// Under Wine the font loader also reads Wine's own font folders: the data
// folder's "fonts" (through Z:) and the folders of its font settings' "Path".
TEST_F(Sections, FontsUnderWineAreFoundInWinesOwnFontFolders) {
  const std::string fonts = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
  s.mem.shell.SetSpecialFolder(CSIDL_FONTS, "C:\\windows\\Fonts");
  s.mem.system.SetEnvironmentVariable("WINEDATADIR", "\\??\\Z:\\usr\\share\\wine");
  mr.SetString(HKCU, "Software\\Wine\\Fonts", "Path", "D:\\More Fonts\\;E:\\Empty");
  files.AddFile("Z:\\usr\\share\\wine\\fonts\\coure.fon");
  files.AddFile("D:\\More Fonts\\more.fon");
  mr.SetString(HKLM, fonts, "Courier", "coure.fon");
  mr.SetString(HKLM, fonts, "More", "more.fon");
  mr.SetString(HKLM, fonts, "MS Serif", "serife.fon");
  // On Windows (no Wine release) only the fonts folder counts.
  s.Run(10);
  EXPECT_EQ((std::vector<std::string>{"2|" + fonts + "|Courier|coure.fon|0",
                                      "2|" + fonts + "|More|more.fon|0",
                                      "2|" + fonts + "|MS Serif|serife.fon|0"}),
            Briefs(s.problems));
  s.problems.clear();
  s.mem.system.SetWineVersion("8.0");
  s.Run(10);
  EXPECT_EQ((std::vector<std::string>{"2|" + fonts + "|MS Serif|serife.fon|0"}),
            Briefs(s.problems));
}

TEST_F(Sections, EventSoundsUseTheGeneralRule) {
  const std::string apps = "AppEvents\\Schemes\\Apps";
  mr.SetString(HKCU, apps, "", "C:\\gone\\top.wav");  // the key itself is not judged
  mr.SetString(HKCU, apps + "\\.Default\\Ding\\.Current", "", "ding.wav");
  mr.SetExpandString(HKCU, apps + "\\.Default\\Gone\\.Current", "",
                     "%SystemRoot%\\media\\gone.wav");
  mr.SetExpandString(HKCU, apps + "\\.Default\\Here\\.Current", "", "%windir%\\media\\here.wav");
  files.AddFile("C:\\WINDOWS\\media\\here.wav");
  s.Run(11);
  EXPECT_EQ((std::vector<std::string>{
                "1|" + apps + "\\.Default\\Gone\\.Current||%SystemRoot%\\media\\gone.wav|0"}),
            Briefs(s.problems));
  EXPECT_EQ("Sounds", s.problems[0].Section);
  ExpectSectionFields(11);
  EXPECT_EQ("Event Sounds", s.page.rows.back().caption);
}

TEST_F(Sections, DeepScanWalksBothSoftwareBranchesAndAbortSkipsTheSecond) {
  mr.SetString(HKLM, "SOFTWARE\\Vendor\\App", "a", "C:\\gone\\a.dll");
  mr.SetString(HKLM, "SOFTWARE\\Vendor\\App", "b", "c:\\gone\\b.dll");
  mr.SetString(HKLM, "SOFTWARE\\Vendor\\App", "c", "C:\\gone\\noext");
  mr.SetString(HKCU, "SOFTWARE\\Vendor\\User", "u", "E:\\gone\\u.dll");
  mr.SetString(HKCU, "SOFTWARE\\Vendor\\User", "g", "G:\\gone\\g.dll");
  s.page.keepStatusHistory = true;
  s.Run(13);
  EXPECT_EQ((std::vector<std::string>{"2|SOFTWARE\\Vendor\\App|a|C:\\gone\\a.dll|0",
                                      "1|SOFTWARE\\Vendor\\User|u|E:\\gone\\u.dll|0"}),
            Briefs(s.problems));
  ExpectSectionFields(13);
  EXPECT_EQ("Analyzing: SOFTWARE\\Vendor\\App", s.page.statusHistory.front());

  // Abort during the HKLM walk: HKCU judges nothing, the row still ends.
  s.problems.clear();
  s.page.statusHistory.clear();
  s.page.AbortOnPump(s.globals, 1);
  s.Run(13);
  EXPECT_TRUE(s.problems.empty());
  EXPECT_EQ(1u, s.page.statusHistory.size());
  EXPECT_EQ("Done.", s.page.rows.back().status);
  EXPECT_EQ(13, s.page.progress);
}

}  // namespace
}  // namespace corvanta

namespace corvanta {
namespace {

TEST_F(Sections, AbortAtEveryOtherPumpPoint) {
  // The frame's own pump: the section ends normally, later ones add no row.
  s.page.AbortOnPump(s.globals, 1);
  s.Run(7);
  s.Run(9);
  ASSERT_EQ(1u, s.page.rows.size());
  EXPECT_EQ("Done.", s.page.rows[0].status);

  // Help and file association checks stop after the finding whose pump saw it.
  MemoryScan help;
  for (const char* n : {"a.hlp", "b.hlp", "c.hlp"})
    help.mem.registry.SetString(HKLM, "SOFTWARE\\Microsoft\\Windows\\Help", n, "C:\\gone");
  help.mem.registry.SetString(HKLM, "SOFTWARE\\Microsoft\\Windows\\HTML Help", "d.chm", "C:\\x");
  help.page.AbortOnPump(help.globals, 2);
  help.Run(9);
  // c.hlp is skipped; the HTML Help list still starts and stops after its first value.
  ASSERT_EQ(3u, help.problems.size());
  EXPECT_EQ("d.chm", help.problems[2].ValueName);
  EXPECT_EQ("3", help.page.rows[0].errorsFound);

  MemoryScan exts;
  const std::string fe = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts";
  for (const char* e : {".a", ".b", ".c"}) exts.mem.registry.CreateKey(HKCU, fe + "\\" + e);
  exts.page.AbortOnPump(exts.globals, 1);
  exts.Run(7);
  EXPECT_EQ(1u, exts.problems.size());

  // The shortcut walk's status pump after a present target.
  MemoryScan links;
  links.mem.files.AddFile("C:\\ok.exe");
  links.mem.links.AddShortcut("C:\\a\\1.lnk", "C:\\ok.exe");
  links.mem.links.AddShortcut("C:\\a\\2.lnk", "C:\\Old\\2.exe");
  links.mem.links.AddShortcut("C:\\a\\b\\3.lnk", "C:\\Old\\3.exe");
  links.page.AbortOnPump(links.globals, 3);  // entry "a", 1.lnk, then its status
  links.Run(12);
  EXPECT_TRUE(links.problems.empty());
  EXPECT_EQ(1u, links.mem.links.resolved().size());
  EXPECT_EQ(12, links.page.progress);
}

}  // namespace
}  // namespace corvanta
