#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "results/os_name.h"
#include "results/result_counts.h"
#include "scan/scan_page.h"
#include "scan/sections.h"
#include "support/app_fixture.h"

namespace corvanta {
namespace {

using testing::AppFixture;

struct ScanFixture : AppFixture {
  TForm1& form;
  ScanFixture() : form(Create()) { form.LoadSettings(); }
  void TickAll() {
    for (CheckBox* b : w().SectionBoxes()) b->SetChecked(true);
  }
  void TickOnly(int n) {
    for (CheckBox* b : w().SectionBoxes()) b->SetChecked(false);
    w().SectionBoxes()[n - 1]->SetChecked(true);
  }
  ReportListView& rows() { return *w().ScanListView; }
};

TEST(ScanDriver, AScanThatFindsNothing) {
  ScanFixture f;
  f.TickAll();
  auto& bar = HeadlessUi::H(f.w().ProgressBar);
  f.w().StatusBar->SetCaption("left from before");
  f.form.DoScan();
  ASSERT_EQ(f.rows().RowCount(), 13);
  for (int i = 0; i < 13; ++i) {
    EXPECT_EQ(f.rows().Cell(i, 0), kSections[i].rowCaption);
    EXPECT_EQ(f.rows().Cell(i, 1), "0");
    EXPECT_EQ(f.rows().Cell(i, 2), "Done.");
    EXPECT_EQ(f.rows().StateImage(i), 1);  // green
  }
  EXPECT_EQ(f.rows().Cell(2, 0), "Program ID Section");
  std::vector<int64_t> want = {0};
  for (int n = 1; n <= 13; ++n) want.push_back(n);
  want.push_back(13);
  EXPECT_EQ(bar.History(), want);
  EXPECT_EQ(bar.TotalParts(), 13);
  EXPECT_EQ(f.w().StatusBar->Caption(), "Scanning Complete.");
  EXPECT_EQ(HeadlessUi::H(f.ui.View().dlgComplete.window).ModalCount(), 1);
  EXPECT_EQ(f.Page(), kPageResults);
  EXPECT_EQ(HeadlessUi::H(f.w().NoteBook).History(), (std::vector<int>{1, 2}));
  EXPECT_EQ(f.w().lbResultHeader->Caption(), "Scan Results");
  ASSERT_EQ(f.w().ParamListBox->Count(), 1);
  EXPECT_EQ(f.w().ParamListBox->Item(0),
            "<br><p align=\"center\">Found a total of <b>0 Problems</b> in your Windows "
            "Registry.<br> To see the errors in each section please select a section on the "
            "left.</p>");
  EXPECT_FALSE(f.w().btRepair->Visible());
  EXPECT_EQ(f.w().lbTotalProblems->Caption(), "Total Problems Found: 0");
  EXPECT_EQ(f.w().ResultGroup->ItemCaption(10), "Sounds (0)");
}

TEST(ScanDriver, ProblemsLampsSummaryAndRepairButton) {
  ScanFixture f;
  f.TickOnly(13);
  // A section that records two problems, through the page as the engine does.
  f.form.RunSection = [&](int n) {
    ScanGlobals& g = f.form.Globals();
    ScanPage& page = f.form.ScanningPage();
    g.SectionFoundCount = 0;
    page.AddRow(kSections[n - 1].rowCaption, "0", "Scanning...", 2);
    EXPECT_EQ(f.rows().StateImage(0), 2);
    for (int i = 0; i < 2; ++i) {
      ++g.SectionFoundCount;
      ++g.TotalFoundCount;
      page.SetLastRowErrorsFound(std::to_string(g.SectionFoundCount));
      TRegRecord r;
      r.Section = kSections[n - 1].sectionName;
      f.form.ProblemList().push_back(r);
    }
    page.SetLastRowStateImage(0);
    page.SetLastRowStatus("Done.");
    page.SetProgressPosition(n);
  };
  f.form.DoScan();
  ASSERT_EQ(f.rows().RowCount(), 1);
  EXPECT_EQ(f.rows().Cell(0, 0), "Deep Registry Scan");
  EXPECT_EQ(f.rows().Cell(0, 1), "2");
  EXPECT_EQ(f.rows().StateImage(0), 0);
  EXPECT_EQ(HeadlessUi::H(f.w().ProgressBar).History(), (std::vector<int64_t>{0, 13, 13}));
  EXPECT_NE(f.w().ParamListBox->Item(0).find("<b>2 Problems</b>"), std::string::npos);
  EXPECT_TRUE(f.w().btRepair->Visible());
  EXPECT_EQ(f.form.ProblemList()[0].DeleteKey, 0);  // deep scan deletes values
  // Only the ticked section's item is visible, and it is selected.
  for (int k = 0; k < 12; ++k) EXPECT_FALSE(f.w().ResultGroup->ItemVisible(k));
  EXPECT_EQ(f.w().ResultGroup->SelectedItem(), 12);
  EXPECT_EQ(f.w().ResultGroup->ItemCaption(12), "Deep Registry Scan (2)");

  // A second scan starts empty and an unticked scan keeps what was found.
  f.form.RunSection = [](int) {};
  for (CheckBox* b : f.w().SectionBoxes()) b->SetChecked(false);
  f.form.DoScan();
  EXPECT_EQ(f.app().Boxes().back().text,
            "You have no Sections selected. Please select at least one section to scan.");
  EXPECT_EQ(f.Page(), kPageSettings);
  EXPECT_EQ(f.form.ProblemList().size(), 2u);
  EXPECT_EQ(f.rows().RowCount(), 1);
  f.TickOnly(1);
  f.form.DoScan();
  EXPECT_TRUE(f.form.ProblemList().empty());
  EXPECT_EQ(f.rows().RowCount(), 0);
}

TEST(ScanDriver, AbortDuringSectionTwoAndCloseDuringAScan) {
  ScanFixture f;
  f.TickAll();
  auto engine = f.form.RunSection;  // the scan engine
  f.form.RunSection = [&, engine](int n) {
    if (n == 2) f.app().OnPump(1, [&] { HeadlessUi::H(f.w().btAbort).Press(); });
    engine(n);
  };
  f.form.DoScan();
  ASSERT_EQ(f.rows().RowCount(), 2);
  EXPECT_EQ(f.rows().Cell(1, 2), "Done.");
  EXPECT_EQ(f.w().StatusBar->Caption(), "Scanning Complete.");
  EXPECT_EQ(f.w().ProgressBar->PartsComplete(), 13);
  EXPECT_EQ(HeadlessUi::H(f.ui.View().dlgComplete.window).ModalCount(), 1);
  EXPECT_EQ(f.Page(), kPageResults);
  EXPECT_TRUE(f.form.Globals().AbortRequested);  // stays set until the next scan

  // Closing the window while section 3 pumps: refused, the scan aborts and
  // returns, then the window closes without waiting for the dialog.
  auto& window = HeadlessUi::H(f.w().window);
  window.Show();
  f.form.RunSection = [&, engine](int n) {
    if (n == 3)
      f.app().OnPump(1, [&] {
        window.Close();
        EXPECT_FALSE(window.Closed());
      });
    engine(n);
  };
  f.form.DoScan();
  EXPECT_EQ(f.rows().RowCount(), 3);
  EXPECT_TRUE(window.Closed());
  EXPECT_EQ(HeadlessUi::H(f.ui.View().dlgComplete.window).ModalCount(), 1);
  EXPECT_EQ(f.Page(), kPageResults);
}

TEST(ScanDriver, StatusAndCountersRepaintByTimeNotPerValue) {
  ScanFixture f;
  for (int i = 0; i < 40; ++i)
    f.mem.registry.SetString(kHKEY_LOCAL_MACHINE, "SOFTWARE\\V", "v" + std::to_string(i),
                             "C:\\gone\\x" + std::to_string(i) + ".exe");
  f.TickOnly(13);
  int pumps = 0;
  std::vector<std::string> totals;
  // One scan, the clock moving stepMs at every pump.
  const auto scan = [&](std::uint64_t stepMs) {
    pumps = 0;
    totals.clear();
    f.app().EveryPump([&, stepMs] {
      ++pumps;
      totals.push_back(f.w().lbTotalFound->Caption());
      f.mem.system.Advance(stepMs);
    });
    f.form.DoScan();
  };
  // The clock stands still: the row's first pump and the section's end only.
  scan(0);
  EXPECT_LE(pumps, 6);
  EXPECT_EQ(f.w().lbTotalFound->Caption(), "40");
  EXPECT_EQ(f.rows().Cell(0, 1), "40");

  // 50 ms between pumps: every report is shown, with the count it had then.
  scan(50);
  EXPECT_GE(pumps, 80);  // a status and a record per value
  EXPECT_NE(std::find(totals.begin(), totals.end(), "20"), totals.end());

  // 10 ms between pumps: messages at each, the count shown every 50 ms only.
  scan(10);
  EXPECT_GE(pumps, 80);
  int changes = 0;
  for (std::size_t i = 1; i < totals.size(); ++i) changes += totals[i] != totals[i - 1];
  EXPECT_GE(changes, 5);
  EXPECT_LE(changes, pumps / 5 + 2);
  f.app().EveryPump(nullptr);
}

TEST(ScanDriver, CustomControlsWalkFromTheRootWhateverKeyWasLeftOpen) {
  ScanFixture f;
  f.mem.registry.SetString(kHKEY_CLASSES_ROOT, "CLSID\\{C}\\InprocServer32", "",
                           "C:\\gone\\ctl.ocx");
  f.TickOnly(4);
  TRegistry& reg = f.form.SharedRegistry();
  reg.SetRootKey(kHKEY_CLASSES_ROOT);
  ASSERT_TRUE(reg.OpenKey("CLSID\\{C}", false));
  f.form.DoScan();
  ASSERT_EQ(f.form.ProblemList().size(), 1u);
  EXPECT_EQ(f.form.ProblemList()[0].KeyPath, "\\CLSID\\{C}\\InprocServer32");
  EXPECT_EQ(f.form.ProblemList()[0].RootKey, kHKEY_CLASSES_ROOT);
}

TEST(ResultCounts, VisibilitySelectionSuffixesAndDeleteKeys) {
  ScanFixture f;
  GroupBar& group = *f.w().ResultGroup;
  TRegArray list;
  auto add = [&](const char* section, int deleteKey = 0) {
    TRegRecord r;
    r.Section = section;
    r.DeleteKey = deleteKey;
    list.push_back(r);
  };
  add("Sounds");
  add("Sounds");
  add("Application Paths");
  add("Start Menu Shortcuts", 5);
  add("Windows Fonts", 1);
  f.w().cbsection1->SetChecked(false);  // hidden, still counted
  UpdateResultCount(f.form.ResultsView(), f.form.TickedSections(), false, list);
  UpdateResultCount(f.form.ResultsView(), f.form.TickedSections(), false, list);
  EXPECT_FALSE(group.ItemVisible(0));
  EXPECT_EQ(group.ItemCaption(0), "Application Paths (1)");
  EXPECT_EQ(group.SelectedItem(), 1);
  EXPECT_FALSE(group.ItemVisible(9));              // Windows Fonts unticked by default
  EXPECT_FALSE(group.ItemVisible(11));             // Invalid Shortcuts too
  EXPECT_EQ(group.ItemCaption(10), "Sounds (2)");  // governed by "Event Sounds"
  EXPECT_EQ(group.ItemCaption(12), "Deep Registry Scan (0)");
  EXPECT_EQ(f.w().lbTotalProblems->Caption(), "Total Problems Found: 5");
  UpdateResultCount(f.form.ResultsView(), f.form.TickedSections(), true, list);
  for (int k = 0; k < 13; ++k) EXPECT_TRUE(group.ItemVisible(k));
  EXPECT_EQ(group.SelectedItem(), 0);

  UpdateDeleteKey(list);
  EXPECT_EQ(list[0].DeleteKey, 1);
  EXPECT_EQ(list[2].DeleteKey, 1);
  EXPECT_EQ(list[3].DeleteKey, 5);  // shortcut sections are not in the table
  EXPECT_EQ(list[4].DeleteKey, 0);
  EXPECT_EQ(DeleteKeyForSection("sounds"), -1);  // exact match only
}

TEST(OsName, VersionTable) {
  struct Case {
    uint32_t id, major, minor;
    const char* name;
  } cases[] = {{1, 4, 0, "Windows 95"},
               {2, 4, 0, "Windows NT4.0"},
               {3, 4, 0, ""},
               {1, 4, 10, "Windows 98"},
               {2, 4, 10, "Windows 98"},
               {1, 4, 90, "Windows ME"},
               {2, 3, 51, "Windows NT 3.51"},
               {2, 5, 0, "Windows 2000"},
               {2, 5, 1, "Windows XP"},
               {1, 5, 1, "Windows XP"},
               {2, 5, 2, "Windows .NET server"},
               {2, 6, 0, ""},
               {2, 10, 0, ""}};
  for (const Case& c : cases)
    EXPECT_EQ(OsNameFor(OsVersion{c.id, c.major, c.minor, 0, ""}), c.name)
        << c.id << " " << c.major << "." << c.minor;
}

}  // namespace
}  // namespace corvanta
