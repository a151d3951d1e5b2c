#include "scan/ignore_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/app_fixture.h"
#include "ui/headless/headless_param_list_box.h"

namespace corvanta {
namespace {

const std::string kApp = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";
const std::string kDlls = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
const std::string kList = "Software\\Corvanta\\Corvix\\IgnoreList";

TEST(IgnoreList, EntriesSurviveAnyNameAndBadTextIsRefused) {
  const std::vector<IgnoreEntry> good = {
      {2, kHKEY_LOCAL_MACHINE, "A|B\\100%", "x|y%7C\tz", ""},
      {8, 0, "C:\\Users\\a|b\\Start Menu\\x.lnk", "Target", ""},
      {1, kHKEY_CLASSES_ROOT, "CLSID\\{1}", "", ""},
  };
  for (const IgnoreEntry& e : good) {
    IgnoreEntry back;
    ASSERT_TRUE(DecodeIgnoreEntry(EncodeIgnoreEntry(e), &back)) << EncodeIgnoreEntry(e);
    EXPECT_EQ(back.section, e.section);
    EXPECT_EQ(back.root, e.root);
    EXPECT_EQ(back.keyPath, e.keyPath);
    EXPECT_EQ(back.valueName, e.valueName);
  }
  IgnoreEntry e;
  EXPECT_TRUE(DecodeIgnoreEntry("13|HKCU|\\\\Software\\\\X\\|v", &e));
  EXPECT_EQ(e.keyPath, "Software\\X");  // stored paths have no empty components
  for (const char* bad : {"", "garbage", "14|HKEY_CURRENT_USER|K|v", "0|HKEY_CURRENT_USER|K|v",
                          "2|HKEY_NOWHERE|K|v", "2|HKEY_CURRENT_USER\\X|K|v", "2|HKCU||v",
                          "2|HKCU|K%4|v", "2|HKCU|K|v|extra", "x2|HKCU|K|v"})
    EXPECT_FALSE(DecodeIgnoreEntry(bad, &e)) << bad;
}

struct IgnoreFlow : ::testing::Test, testing::AppFixture {
  IgnoreFlow() {
    auto& r = mem.registry;
    r.SetString(kHKEY_LOCAL_MACHINE, kApp + "\\gone.exe", "", "C:\\gone\\gone.exe");
    r.SetString(kHKEY_LOCAL_MACHINE, kApp + "\\gone.exe\\Extra", "", "C:\\gone\\extra.exe");
    r.SetString(kHKEY_LOCAL_MACHINE, kApp + "\\other.exe", "", "C:\\gone\\other.exe");
    r.SetDword(kHKEY_LOCAL_MACHINE, kDlls, "C:\\gone\\one.dll", 1);
    r.SetDword(kHKEY_LOCAL_MACHINE, kDlls, "C:\\gone\\two.dll", 1);
  }
  // A fresh program, settings loaded, sections 1 and 2 scanned; what it found.
  std::vector<std::string> Scan() {
    form.reset();
    TForm1& f = Create();
    f.LoadSettings();
    for (CheckBox* b : w().SectionBoxes()) b->SetChecked(false);
    w().SectionBoxes()[0]->SetChecked(true);
    w().SectionBoxes()[1]->SetChecked(true);
    f.DoScan();
    return Found();
  }
  // Each problem as the last name of its key, "|" and its value name.
  std::vector<std::string> Found() {
    std::vector<std::string> found;
    for (const TRegRecord& p : form->ProblemList())
      found.push_back(p.KeyPath.substr(p.KeyPath.rfind('\\') + 1) + "|" + p.ValueName);
    return found;
  }
  std::size_t Index(const std::string& problem) {
    const std::vector<std::string> all = Found();
    return static_cast<std::size_t>(std::find(all.begin(), all.end(), problem) - all.begin());
  }
  std::string Stored(const std::string& name) {
    const std::vector<std::uint8_t> raw = mem.registry.GetRaw(kHKEY_LOCAL_MACHINE, kList, name);
    return std::string(raw.begin(), raw.end());
  }
};

TEST_F(IgnoreFlow, AlwaysIgnoredStaysOutUntilRemoved) {
  const std::vector<std::string> all = {"gone.exe|", "Extra|", "other.exe|",
                                        "SharedDlls|C:\\gone\\one.dll",
                                        "SharedDlls|C:\\gone\\two.dll"};
  ASSERT_EQ(Scan(), all);
  EXPECT_EQ(w().StatusBar->Caption(), "Scanning Complete.");

  // A key entry for gone.exe (its section deletes keys) and a value entry.
  EXPECT_TRUE(form->AlwaysIgnore(Index("gone.exe|")));
  EXPECT_TRUE(form->AlwaysIgnore(Index("SharedDlls|C:\\gone\\one.dll")));
  EXPECT_FALSE(form->AlwaysIgnore(Index("gone.exe|")));  // listed once
  EXPECT_EQ(form->ProblemList()[0].Action, kActionIgnore);
  // "Extra" is covered now: the repair's second look keeps it.
  EXPECT_FALSE(form->StillAProblem(form->ProblemList()[Index("Extra|")]));
  EXPECT_TRUE(form->StillAProblem(form->ProblemList()[Index("other.exe|")]));
  EXPECT_EQ(Stored("1"), "1|HKEY_LOCAL_MACHINE|" + kApp + "\\gone.exe|" + '\0');
  // Values that are not entries: skipped, and left alone by every change.
  mem.registry.SetString(kHKEY_LOCAL_MACHINE, kList, "junk", "not an entry");
  mem.registry.SetDword(kHKEY_LOCAL_MACHINE, kList, "9", 1);

  // A later run reads the list back: the key entry covers the subkey too.
  EXPECT_EQ(Scan(), (std::vector<std::string>{"other.exe|", "SharedDlls|C:\\gone\\two.dll"}));
  const ScanReport& scan = form->LastScan();
  EXPECT_EQ(scan.skippedByIgnoreList, 3);
  EXPECT_EQ(scan.sections[0].skipped, 2);
  EXPECT_EQ(scan.sections[1].skipped, 1);
  EXPECT_EQ(scan.sections[0].found, 1);
  EXPECT_EQ(w().StatusBar->Caption(),
            "Scanning Complete. 3 entries on your ignore list were skipped.");
  EXPECT_NE(w().ParamListBox->Item(0).find(
                "on the left.<br>3 entries on your ignore list were skipped.</p>"),
            std::string::npos);
  const IgnoreList list = form->IgnoreStore().Load();
  ASSERT_EQ(list.Entries().size(), 2u);
  EXPECT_EQ(list.Unreadable(), 2);

  // The next entry takes a number after every value there, also "9".
  EXPECT_TRUE(form->AlwaysIgnore(Index("other.exe|")));
  EXPECT_TRUE(mem.registry.HasValue(kHKEY_LOCAL_MACHINE, kList, "10"));

  // Removed entries come back at the next scan; clearing keeps the junk.
  form->IgnoreStore().Remove(list.Entries()[0]);
  EXPECT_EQ(Scan(),
            (std::vector<std::string>{"gone.exe|", "Extra|", "SharedDlls|C:\\gone\\two.dll"}));
  EXPECT_EQ(form->LastScan().skippedByIgnoreList, 2);
  EXPECT_EQ(form->IgnoreStore().Clear(), 2);
  EXPECT_EQ(Scan(), all);
  EXPECT_TRUE(mem.registry.HasValue(kHKEY_LOCAL_MACHINE, kList, "junk"));
  EXPECT_TRUE(mem.registry.HasValue(kHKEY_LOCAL_MACHINE, kList, "9"));

  // A list that cannot be read hides nothing.
  form->AlwaysIgnore(Index("gone.exe|"));
  mem.registry.DenyOpen(kHKEY_LOCAL_MACHINE, kList, kKEY_READ);
  EXPECT_EQ(Scan(), all);
}

// The results list's third choice lists the problem; Delete takes it off.
TEST_F(IgnoreFlow, TheDropDownsThirdChoiceListsTheProblem) {
  Scan();
  auto& box = *static_cast<HeadlessParamListBox*>(w().ParamListBox);
  w().ResultGroup->OnItemClick(0);  // Application Paths: gone.exe, Extra, other.exe
  ASSERT_EQ(box.Count(), 3);
  ASSERT_EQ(box.Params(2)[0].choices,
            (std::vector<std::string>{"Delete", "Ignore", "Always Ignore"}));
  ASSERT_TRUE(box.PickChoice(2, 0, "Always Ignore"));
  const std::size_t other = Index("other.exe|");
  EXPECT_EQ(form->ProblemList()[other].Action, kActionIgnore);
  EXPECT_EQ(form->IgnoreStore().Load().Entries().size(), 1u);
  EXPECT_NE(box.ItemText(2).find("Set to Ignore (always)"), std::string::npos);
  w().ResultGroup->OnItemClick(0);  // drawn again
  EXPECT_NE(box.ItemText(2).find("Set to Ignore (always)"), std::string::npos);
  EXPECT_FALSE(form->StillAProblem(form->ProblemList()[other]));

  ASSERT_TRUE(box.PickChoice(2, 0, "Delete"));
  EXPECT_EQ(form->ProblemList()[other].Action, kActionDelete);
  EXPECT_TRUE(form->IgnoreStore().Load().Entries().empty());
  EXPECT_NE(box.ItemText(2).find("Set to Delete"), std::string::npos);
  EXPECT_TRUE(form->StillAProblem(form->ProblemList()[other]));
}

// The settings page's window lists the entries; Delete and Remove write at once.
TEST_F(IgnoreFlow, TheIgnoreListWindowRemovesAtOnce) {
  Scan();
  form->AlwaysIgnore(Index("gone.exe|"));
  form->AlwaysIgnore(Index("SharedDlls|C:\\gone\\one.dll"));
  IgnoreListView& v = ui.View().ignoreList;
  std::vector<std::string> rows;
  std::size_t afterDelete = 0, afterRemove = 9;
  HeadlessUi::H(v.window).OnModal = [&] {
    for (int r = 0; r < v.EntryList->RowCount(); ++r)
      rows.push_back(v.EntryList->Cell(r, 1) + " | " + v.EntryList->Cell(r, 2));
    EXPECT_EQ(v.EntryList->SelectedRow(), 0);
    HeadlessUi::H(v.EntryList).PressDelete();
    afterDelete = form->IgnoreStore().Load().Entries().size();
    EXPECT_EQ(v.EntryList->RowCount(), 1);
    HeadlessUi::H(v.btRemove).Press();
    afterRemove = form->IgnoreStore().Load().Entries().size();
    EXPECT_EQ(v.EntryList->RowCount(), 0);
    EXPECT_FALSE(HeadlessUi::H(v.btRemove).Enabled());
    HeadlessUi::H(v.EntryList).PressDelete();  // nothing left: nothing happens
  };
  HeadlessUi::H(w().btIgnoreList).Press();
  EXPECT_EQ(HeadlessUi::H(v.window).ModalCount(), 1);
  EXPECT_EQ(rows,
            (std::vector<std::string>{
                "HKEY_LOCAL_MACHINE\\" + kApp + "\\gone.exe | (the key and everything below it)",
                "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDlls | "
                "C:\\gone\\one.dll"}));
  EXPECT_EQ(afterDelete, 1u);
  EXPECT_EQ(afterRemove, 0u);
  EXPECT_FALSE(form->ProblemList()[Index("gone.exe|")].AlwaysIgnored);
  EXPECT_EQ(Scan().size(), 5u);  // every problem back
}

}  // namespace
}  // namespace corvanta
