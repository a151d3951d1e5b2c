// The repair's second look: what changed or points somewhere again since the
// scan is kept and counted as ignored.
#include <gtest/gtest.h>

#include "support/app_fixture.h"
#include "support/cli_fixture.h"

namespace corvanta {
namespace {

const char kAppPaths[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";

TEST(RepairRecheck, ChangedOrFoundAgainIsKept) {
  testing::AppFixture f;
  for (const char* name : {"back.exe", "changed.exe", "gone.exe"})
    f.mem.registry.SetString(kHKEY_LOCAL_MACHINE, std::string(kAppPaths) + name, "",
                             std::string("C:\\Gone\\") + name);
  f.mem.shell.SetSpecialFolder(CSIDL_STARTMENU, "C:\\Menu");
  f.mem.links.AddShortcut("C:\\Menu\\Back.lnk", "C:\\Gone\\back.exe");
  f.mem.links.AddShortcut("C:\\Menu\\Gone.lnk", "C:\\Gone\\gone.exe");
  TForm1& form = f.Create();
  for (CheckBox* box : f.w().SectionBoxes()) box->SetChecked(false);
  f.w().cbsection1->SetChecked(true);
  f.w().cbSection8->SetChecked(true);
  f.w().cbSysRestore->SetChecked(false);
  form.DoScan();
  ASSERT_EQ(form.ProblemList().size(), 5u);
  // The same value found twice (as the deep scan finds again what a section
  // found): the second record finds it gone and counts as repaired.
  f.mem.registry.SetString(kHKEY_LOCAL_MACHINE, "SOFTWARE\\Run", "App", "C:\\Gone\\run.exe");
  TRegRecord twice;
  twice.RootKey = kHKEY_LOCAL_MACHINE;
  twice.Section = "Deep Registry Scan";
  twice.KeyPath = "SOFTWARE\\Run";
  twice.ValueName = "App";
  twice.ValueData = "C:\\Gone\\run.exe";
  form.ProblemList().push_back(twice);
  form.ProblemList().push_back(twice);

  // Meanwhile a program comes back and one entry is pointed elsewhere.
  f.mem.files.AddFile("C:\\Gone\\back.exe");
  f.mem.registry.SetString(kHKEY_LOCAL_MACHINE, std::string(kAppPaths) + "changed.exe", "",
                           "C:\\Elsewhere\\changed.exe");
  HeadlessUi::H(f.w().btRepair).Press();
  EXPECT_EQ(f.w().lbRepaired->Caption(), "4");  // gone.exe, run.exe twice, Gone.lnk
  EXPECT_EQ(f.w().lbIgnored->Caption(), "3");
  EXPECT_TRUE(f.mem.registry.HasKey(kHKEY_LOCAL_MACHINE, std::string(kAppPaths) + "back.exe"));
  EXPECT_TRUE(f.mem.registry.HasKey(kHKEY_LOCAL_MACHINE, std::string(kAppPaths) + "changed.exe"));
  EXPECT_FALSE(f.mem.registry.HasKey(kHKEY_LOCAL_MACHINE, std::string(kAppPaths) + "gone.exe"));
  EXPECT_TRUE(f.mem.files.FileExists("C:\\Menu\\Back.lnk"));
  EXPECT_FALSE(f.mem.files.FileExists("C:\\Menu\\Gone.lnk"));
}

}  // namespace
}  // namespace corvanta
