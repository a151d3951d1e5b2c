// The key analysis and the branch walk over the memory registry.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/scan_faulty_registry.h"
#include "support/scan_fixture.h"

namespace corvanta {
namespace {

constexpr std::uint32_t HKLM = kHKEY_LOCAL_MACHINE;

std::vector<std::string> KeyPaths(const TRegArray& list) {
  std::vector<std::string> out;
  for (const TRegRecord& r : list) out.push_back(r.KeyPath + "|" + r.ValueName);
  return out;
}

class Walk : public ::testing::Test {
 protected:
  void Open(const std::string& path) {
    s.reg.SetRootKey(HKLM);
    ASSERT_TRUE(s.reg.OpenKey(path, false));
    s.globals.CurrentProblemLabel = "label";
  }
  MemoryScan s;
  MemoryRegistry& mr = s.mem.registry;
};

TEST_F(Walk, KeyAnalysisJudgesTextByDataAndDwordByNameOnly) {
  mr.SetRaw(HKLM, "K", "bin", kREG_BINARY, {'C', ':', '\\', 'x', '.', 'e', 'x', 'e'});
  mr.SetRaw(HKLM, "K", "multi", kREG_MULTI_SZ, {'C', ':', '\\', 'x', '.', 'e', 'x', 'e', 0, 0});
  Open("\\K");
  s.engine.DoAnalyzeKey("Shared Program Files");
  EXPECT_EQ(0, s.page.statusUpdates);  // skipped types show nothing
  EXPECT_TRUE(s.problems.empty());

  mr.SetDword(HKLM, "K", "C:\\gone\\shared.dll", 3);
  mr.SetString(HKLM, "K", "", "C:\\gone\\default.exe");
  mr.SetExpandString(HKLM, "K", "exp", "%SystemRoot%\\gone.dll");
  mr.SetString(HKLM, "K", "fine", "not a path");
  s.engine.DoAnalyzeKey("Shared Program Files");
  ASSERT_EQ(3u, s.problems.size());
  EXPECT_EQ("C:\\gone\\shared.dll", s.problems[0].ValueName);
  EXPECT_EQ("C:\\gone\\shared.dll", s.problems[0].ValueData);
  EXPECT_EQ("", s.problems[1].ValueName);
  EXPECT_EQ("%SystemRoot%\\gone.dll", s.problems[2].ValueData);  // stored, not expanded
  for (const TRegRecord& r : s.problems) {
    EXPECT_EQ(HKLM, r.RootKey);
    EXPECT_EQ("K", r.KeyPath);
    EXPECT_EQ("Shared Program Files", r.Section);
    EXPECT_EQ("label", r.ProblemLabel);
    EXPECT_EQ(0, r.Kind);
  }
  EXPECT_EQ("Analyzing: K", s.page.statusText);
  EXPECT_EQ(4, s.page.statusUpdates);  // one per handled value
  // Judgements ran in the quiet error mode, which is restored afterwards.
  EXPECT_EQ(0u, s.mem.files.errorMode());
  EXPECT_FALSE(s.mem.files.errorModeHistory().empty());
  EXPECT_EQ(SEM_FAILCRITICALERRORS, s.mem.files.errorModeHistory().front());
}

TEST_F(Walk, AddRemoveProgramsJudgesOnlyTextUninstallString) {
  mr.SetString(HKLM, "U\\A", "UninstallString", "C:\\gone\\unins.exe");
  mr.SetString(HKLM, "U\\A", "DisplayIcon", "C:\\gone\\icon.exe");
  mr.SetString(HKLM, "U\\B", "uninstallstring", "C:\\gone\\unins.exe");
  mr.SetExpandString(HKLM, "U\\C", "UninstallString", "C:\\gone\\unins.exe");
  mr.SetDword(HKLM, "U\\D", "C:\\gone\\x.dll", 1);
  Open("\\U");
  s.engine.DoAnalyzeBranch("Add/Remove Programs");
  EXPECT_EQ(std::vector<std::string>{"U\\A|UninstallString"}, KeyPaths(s.problems));
}

TEST_F(Walk, BranchWalkIsPreOrderAndSkipsTheStartingKey) {
  mr.SetString(HKLM, "S", "own", "C:\\gone\\s.exe");
  mr.SetString(HKLM, "S\\K1", "v", "C:\\gone\\1.exe");
  mr.SetString(HKLM, "S\\K1\\K2", "v", "C:\\gone\\2.exe");
  mr.SetString(HKLM, "S\\K1\\K2\\K3", "v", "C:\\gone\\3.exe");
  mr.SetString(HKLM, "S\\K1\\K4", "v", "C:\\gone\\4.exe");
  mr.SetString(HKLM, "S\\K5", "v", "C:\\gone\\5.exe");
  mr.CreateKey(HKLM, "S\\K6\\Empty");
  Open("\\S");
  s.page.keepStatusHistory = true;
  s.engine.DoAnalyzeBranch("Application Paths");
  EXPECT_EQ((std::vector<std::string>{"S\\K1|v", "S\\K1\\K2|v", "S\\K1\\K2\\K3|v", "S\\K1\\K4|v",
                                      "S\\K5|v"}),
            KeyPaths(s.problems));
  EXPECT_EQ("Analyzing: S\\K1\\K2\\K3", s.page.statusHistory[2]);
  EXPECT_EQ("S", s.reg.CurrentPath());  // back on the starting key

  // A starting key without subkeys: nothing judged, accessor stays.
  s.problems.clear();
  Open("\\S\\K5");
  s.engine.DoAnalyzeBranch("Application Paths");
  EXPECT_TRUE(s.problems.empty());
  EXPECT_EQ("S\\K5", s.reg.CurrentPath());
  EXPECT_LE(mr.OpenHandleCount(), 1u);  // one open key at a time
}

TEST_F(Walk, RefusedSubkeysAndReadErrorsSkipOnlyTheirSubtree) {
  FaultyReadRegistry faulty(mr);
  TRegistry reg(faulty, 0x2001F);
  ScanEngine engine(reg, s.regex, s.mem.platform(), s.page, s.report, s.globals);
  mr.SetString(HKLM, "S\\A", "v", "C:\\gone\\a.exe");
  mr.SetString(HKLM, "S\\A\\Deep", "v", "C:\\gone\\ad.exe");
  mr.SetString(HKLM, "S\\B", "bad", "C:\\gone\\b.exe");
  mr.SetString(HKLM, "S\\B", "after", "C:\\gone\\b2.exe");
  mr.SetString(HKLM, "S\\B\\Below", "v", "C:\\gone\\bb.exe");
  mr.SetString(HKLM, "S\\C", "v", "C:\\gone\\c.exe");
  mr.SetString(HKLM, "S\\C\\Below", "v", "C:\\gone\\cb.exe");
  mr.SetString(HKLM, "S\\D", "v", "C:\\gone\\d.exe");
  mr.DenyOpen(HKLM, "S\\A", kKEY_QUERY_VALUE);
  faulty.FailReadsOf("bad");
  // Perflib under Wine: every enumeration index fails; the walk must end.
  mr.SetString(HKLM, "S\\E", "v", "C:\\gone\\e.exe");
  mr.CreateKey(HKLM, "S\\E\\Sub");
  mr.FailEnumeration(HKLM, "S\\E");
  reg.SetRootKey(HKLM);
  ASSERT_TRUE(reg.OpenKey("\\S", false));
  engine.DoAnalyzeBranch("Application Paths");
  EXPECT_EQ((std::vector<std::string>{"S\\C|v", "S\\C\\Below|v", "S\\D|v"}), KeyPaths(s.problems));
  EXPECT_EQ("S", reg.CurrentPath());
  // The refused key is counted and named: the walk is not complete.
  EXPECT_EQ(s.globals.UnreadableCount, 1);
  EXPECT_EQ(s.globals.UnreadablePaths, std::vector<std::string>{"HKEY_LOCAL_MACHINE\\S\\A"});

  // Analysed directly, the read error reaches the caller.
  ASSERT_TRUE(reg.OpenKey("\\S\\B", false));
  EXPECT_THROW(engine.DoAnalyzeKey("Application Paths"), ERegistryException);
}

TEST_F(Walk, RootStartGivesLeadingBackslashPathsAndReturnsToTheRoot) {
  mr.SetString(kHKEY_CLASSES_ROOT, "CLSID\\{1}\\InprocServer32", "", "C:\\gone\\x.dll");
  mr.SetString(kHKEY_CLASSES_ROOT, "zz", "", "C:\\gone\\z.dll");
  s.reg.SetRootKey(kHKEY_CLASSES_ROOT);
  ASSERT_TRUE(s.reg.OpenKey("", false));
  s.engine.DoAnalyzeBranch("Custom Controls");
  EXPECT_EQ((std::vector<std::string>{"\\CLSID\\{1}\\InprocServer32|", "\\zz|"}),
            KeyPaths(s.problems));
}

TEST_F(Walk, AbortAtTheStatusPumpOrAtARecordPumpStopsTheWalk) {
  for (int i = 0; i < 4; ++i) {
    const std::string k = "S\\K" + std::to_string(i);
    mr.SetString(HKLM, k, "a", "C:\\gone\\a.exe");
    mr.SetString(HKLM, k, "b", "C:\\gone\\b.exe");
    mr.SetString(HKLM, k + "\\Sub", "a", "C:\\gone\\a.exe");
  }
  // Pumps per value: status, then record. Pump 3 is K0's second status.
  Open("\\S");
  s.page.AbortOnPump(s.globals, 3);
  s.engine.DoAnalyzeBranch("Application Paths");
  EXPECT_EQ(std::vector<std::string>{"S\\K0|a"}, KeyPaths(s.problems));

  // Pump 4 is the record of K0's b: recorded, then nothing more.
  s.problems.clear();
  s.globals.AbortRequested = false;
  Open("\\S");
  s.page.AbortOnPump(s.globals, 4);
  s.engine.DoAnalyzeBranch("Application Paths");
  EXPECT_EQ((std::vector<std::string>{"S\\K0|a", "S\\K0|b"}), KeyPaths(s.problems));
  EXPECT_EQ("S\\K0", s.reg.CurrentPath());  // the parent is not re-opened after an abort
}

}  // namespace
}  // namespace corvanta
