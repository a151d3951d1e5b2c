#include <gtest/gtest.h>

#include "support/app_fixture.h"

namespace corvanta {
namespace {

using testing::AppFixture;
const char kKey[] = "Software\\Corvanta\\Corvix";
const char kRun[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

std::string RunValue(MemoryPlatform& mem) {
  auto raw = mem.registry.GetRaw(kHKEY_LOCAL_MACHINE, kRun, "Corvanta");
  std::string s(raw.begin(), raw.end());
  if (!s.empty() && s.back() == '\0') s.pop_back();
  return s;
}

uint32_t Dword(MemoryPlatform& mem, const char* name) {
  auto raw = mem.registry.GetRaw(kHKEY_LOCAL_MACHINE, kKey, name);
  return raw.size() == 4 ? raw[0] | raw[1] << 8 | raw[2] << 16 | uint32_t(raw[3]) << 24 : 99;
}

TEST(Settings, FirstStartDefaultsAndTheShutDownSave) {
  AppFixture f;
  {
    TForm1& form = f.Create();
    form.LoadSettings();
    EXPECT_TRUE(f.mem.registry.HasKey(kHKEY_LOCAL_MACHINE, kKey));  // created on load
    EXPECT_EQ(f.mem.system.enableAllPrivilegesCalls(), 1);
    for (const SettingRow& row : kSettingRows)
      EXPECT_EQ((f.w().*row.box)->Checked(), row.defaultTicked) << row.valueName;
    EXPECT_FALSE(f.w().cbSection10->Checked());
    EXPECT_FALSE(f.w().cbSection12->Checked());
    f.w().cbSection3->SetChecked(false);  // never confirmed with "Save Settings"
    f.form.reset();                       // shut-down
  }
  for (const SettingRow& row : kSettingRows) {
    uint32_t want = std::string(row.valueName) == "Section3" ? 0 : row.defaultTicked;
    EXPECT_EQ(Dword(f.mem, row.valueName), want) << row.valueName;
  }
  EXPECT_EQ(RunValue(f.mem), "\"C:\\Program Files\\Corvanta\\Corvanta.exe\" /scan");
}

TEST(Settings, StoredValuesNonIntegersAndTheRunValue) {
  AppFixture f;
  auto& reg = f.mem.registry;
  reg.SetDword(kHKEY_LOCAL_MACHINE, kKey, "Section10", 7);  // any non-zero is ticked
  reg.SetDword(kHKEY_LOCAL_MACHINE, kKey, "Section1", 0);
  reg.SetString(kHKEY_LOCAL_MACHINE, kKey, "Section2", "0");  // not an integer: default
  reg.SetRaw(kHKEY_LOCAL_MACHINE, kKey, "Section12", kREG_BINARY, {1, 0, 0, 0});
  reg.SetRaw(kHKEY_LOCAL_MACHINE, kKey, "Section13", kREG_DWORD, {0, 0});  // short DWORD
  reg.SetDword(kHKEY_LOCAL_MACHINE, kKey, "RUNSTARTUP", 0);                // names ignore case
  TForm1& form = f.Create();
  form.LoadSettings();
  EXPECT_TRUE(f.w().cbSection10->Checked());
  EXPECT_FALSE(f.w().cbsection1->Checked());
  EXPECT_TRUE(f.w().cbSection2->Checked());
  EXPECT_FALSE(f.w().cbSection12->Checked());
  EXPECT_TRUE(f.w().cbSection13->Checked());
  EXPECT_FALSE(f.w().cbRunStartUp->Checked());

  // Saving overwrites the odd values with integers; unticked Run: no value.
  reg.SetString(kHKEY_LOCAL_MACHINE, kRun, "Corvanta", "C:\\old.exe /scan");
  HeadlessUi::H(f.w().RzBitBtn7).Press();
  EXPECT_EQ(f.app().Boxes().back().text, "    Settings Saved.    ");
  EXPECT_EQ(f.app().Boxes().back().kind, MessageKind::Plain);
  EXPECT_EQ(f.Page(), kPageMain);
  EXPECT_EQ(Dword(f.mem, "Section2"), 1u);
  EXPECT_EQ(Dword(f.mem, "Section13"), 1u);
  EXPECT_EQ(Dword(f.mem, "RunStartUp"), 0u);
  EXPECT_FALSE(reg.HasValue(kHKEY_LOCAL_MACHINE, kRun, "Corvanta"));
  HeadlessUi::H(f.w().RzBitBtn7).Press();  // deleting an absent value is no error
  EXPECT_EQ(f.app().Boxes().back().kind, MessageKind::Plain);

  f.w().cbRunStartUp->SetChecked(true);
  form.SaveSettings();
  EXPECT_EQ(RunValue(f.mem), RunValueFor("C:\\Program Files\\Corvanta\\Corvanta.exe"));

  // Both forms of the value name the executable.
  EXPECT_EQ(RunValueExecutable("\"C:\\Program Files\\A\\a.exe\" /scan"),
            "C:\\Program Files\\A\\a.exe");
  EXPECT_EQ(RunValueExecutable("C:\\Program Files\\A\\a.exe /scan"), "C:\\Program Files\\A\\a.exe");
  EXPECT_EQ(RunValueExecutable("C:\\a.exe"), "");

  // "Back" throws away unsaved changes.
  form.DoSettings();
  f.w().cbSection5->SetChecked(false);
  HeadlessUi::H(f.w().RzBitBtn8).Press();
  EXPECT_TRUE(f.w().cbSection5->Checked());
  EXPECT_EQ(f.Page(), kPageMain);
}

TEST(Settings, BackupWarningAndAnUnwritableKey) {
  AppFixture f;
  TForm1& form = f.Create();
  form.LoadSettings();
  auto& backup = HeadlessUi::H(f.w().cbBackup);
  backup.Click();  // unticked: warned
  backup.Click();  // ticked: nothing
  backup.Click();
  ASSERT_EQ(f.app().Boxes().size(), 2u);
  EXPECT_EQ(f.app().Boxes()[0].kind, MessageKind::Warning);
  EXPECT_EQ(f.app().Boxes()[0].text.rfind("It is recommended that you make a backup", 0), 0u);
  EXPECT_FALSE(f.w().cbBackup->Checked());

  // No write access under HKLM: load gives the defaults, save reports.
  AppFixture g;
  g.mem.registry.SetDword(kHKEY_LOCAL_MACHINE, kKey, "Section10", 1);
  g.mem.registry.DenyOpen(kHKEY_LOCAL_MACHINE, kKey, kKEY_SET_VALUE);
  TForm1& form2 = g.Create();
  form2.LoadSettings();
  EXPECT_FALSE(g.w().cbSection10->Checked());
  HeadlessUi::H(g.w().RzBitBtn7).Press();
  ASSERT_EQ(g.app().Boxes().size(), 1u);
  EXPECT_EQ(g.app().Boxes()[0].kind, MessageKind::Error);
  EXPECT_EQ(g.app().Boxes()[0].text, "Failed to set data for 'Section1'");
}

}  // namespace
}  // namespace corvanta
