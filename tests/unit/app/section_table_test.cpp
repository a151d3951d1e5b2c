// The section table against every part of the program that reads it, and the
// two reports the scan and the repair hand on.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "app/widget_pages.h"
#include "results/repair.h"
#include "results/result_counts.h"
#include "scan/scan_report.h"
#include "scan/sections.h"
#include "support/app_fixture.h"
#include "support/cli_fixture.h"

namespace corvanta {
namespace {

using testing::AppFixture;

TEST(SectionTable, EveryConsumerAgreesWithIt) {
  AppFixture f;
  TForm1& form = f.Create();
  form.LoadSettings();
  for (CheckBox* b : f.w().SectionBoxes()) b->SetChecked(true);
  // What each section's frame calls itself while it runs.
  std::vector<std::pair<std::string, std::string>> named;
  auto engine = form.RunSection;
  form.RunSection = [&](int n) {
    engine(n);
    named.emplace_back(form.Globals().CurrentSection, form.Globals().CurrentProblemLabel);
  };
  form.DoScan();
  form.SaveSettings();
  // One problem per section through the result counts and the repair unit.
  TRegArray& problems = form.ProblemList();
  for (const SectionInfo& s : kSections) {
    TRegRecord r;
    r.Section = s.sectionName;
    r.ProblemLabel = s.problemLabel;
    r.DeleteKey = 7;
    problems.push_back(r);
  }
  UpdateDeleteKey(problems);
  UpdateResultCount(form.ResultsView(), form.TickedSections(), false, problems);
  testing::CliFixture cli;
  ASSERT_EQ(cli({"scan", "--all", "--json"}), 0) << cli.err;
  const auto json = nlohmann::json::parse(cli.out)["sections"];

  ASSERT_EQ(named.size(), 13u);
  ASSERT_EQ(form.LastScan().sections.size(), 13u);
  ASSERT_EQ(json.size(), 13u);
  for (const SectionInfo& s : kSections) {
    SCOPED_TRACE(s.sectionName);
    const int i = s.number - 1;
    // Settings: value name, default, check box, and the value saved.
    EXPECT_STREQ(kSettingRows[i].valueName, s.settingsValue);
    EXPECT_EQ(kSettingRows[i].defaultTicked, s.defaultTicked);
    EXPECT_EQ(kSettingRows[i].box, kSectionBoxMembers[i]);
    EXPECT_EQ(f.mem.registry.GetRaw(kHKEY_LOCAL_MACHINE, kSettingsKey + 1, s.settingsValue),
              (std::vector<std::uint8_t>{1, 0, 0, 0}));
    // The settings page of the window builder.
    EXPECT_EQ(HeadlessUi::H(f.w().SectionBoxes()[i]).Name(), s.checkBoxName);
    EXPECT_EQ(f.w().SectionBoxes()[i]->Caption(), s.checkBoxCaption);
    // The scan: its row, its report entry, the names its problems carry.
    EXPECT_EQ(f.w().ScanListView->Cell(i, 0), s.rowCaption);
    EXPECT_EQ(form.LastScan().sections[i].number, s.number);
    EXPECT_EQ(named[i].first, s.sectionName);
    EXPECT_EQ(named[i].second, s.problemLabel);
    // The results page: item, count, list, header, description, repair unit.
    EXPECT_EQ(f.w().ResultGroup->ItemCaption(i), std::string(s.resultItem) + " (1)");
    f.w().ResultGroup->SetSelectedItem(i);
    f.w().ResultGroup->OnItemClick(i);
    EXPECT_EQ(f.w().lbResultHeader->Caption(),
              "Scan Results - " + std::string(s.resultItem) + " (1)");
    ASSERT_EQ(f.w().ParamListBox->Count(), 1);
    EXPECT_EQ(f.w().ParamListBox->Item(0), ProblemLine(problems[i], i));
    EXPECT_EQ(f.w().SectionDesc->Caption(), s.resultDescription);
    EXPECT_EQ(problems[i].DeleteKey, s.repairUnit == kRepairShortcut ? 7 : s.repairUnit);
    EXPECT_EQ(DeleteKeyForSection(s.sectionName),
              s.repairUnit == kRepairShortcut ? -1 : s.repairUnit);
    // The console program.
    EXPECT_EQ(json[i]["number"], s.number);
    EXPECT_EQ(json[i]["caption"], s.rowCaption);
    EXPECT_EQ(json[i]["name"], s.sectionName);
  }
}

TEST(ScanReport, TheSectionsThatRanInOrderWithTheirCounts) {
  AppFixture f;
  TForm1& form = f.Create();
  form.LoadSettings();
  f.mem.registry.SetString(kHKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run",
                           "gone", "C:\\gone\\gone.exe");
  f.mem.registry.CreateKey(kHKEY_LOCAL_MACHINE, "SOFTWARE\\Locked");
  f.mem.registry.DenyOpen(kHKEY_LOCAL_MACHINE, "SOFTWARE\\Locked", kKEY_READ);
  const auto boxes = f.w().SectionBoxes();
  for (CheckBox* b : boxes) b->SetChecked(false);
  for (int n : {13, 5, 2}) boxes[n - 1]->SetChecked(true);
  form.DoScan();

  const ScanReport& report = form.LastScan();
  ASSERT_EQ(report.sections.size(), 3u);
  const int want[][2] = {{2, 0}, {5, 1}, {13, 1}};
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(report.sections[k].number, want[k][0]);
    EXPECT_EQ(report.sections[k].found, want[k][1]);
    EXPECT_EQ(report.CountIn(want[k][0]), static_cast<std::size_t>(want[k][1]));
    EXPECT_EQ(f.w().ScanListView->Cell(k, 1), std::to_string(want[k][1]));
  }
  EXPECT_EQ(report.problems.size(), 2u);
  EXPECT_EQ(&report.problems, &form.ProblemList());
  EXPECT_EQ(report.CountIn(0), 0u);
  EXPECT_EQ(report.unreadable, 1);
  EXPECT_EQ(report.unreadablePaths,
            std::vector<std::string>{"HKEY_LOCAL_MACHINE\\SOFTWARE\\Locked"});

  // The next scan starts from an empty report.
  for (CheckBox* b : boxes) b->SetChecked(false);
  boxes[0]->SetChecked(true);
  form.DoScan();
  ASSERT_EQ(report.sections.size(), 1u);
  EXPECT_EQ(report.sections[0].number, 1);
  EXPECT_TRUE(report.problems.empty());
  EXPECT_EQ(report.unreadable, 0);
}

TEST(RepairReport, PageThreeIsPaintedFromTheReportAlone) {
  HeadlessUi ui;
  WidgetRepairPage page(ui.View());
  MainWindowView& m = ui.View().main;
  RepairReport report;
  report.found = 6;
  report.ignored = 2;
  report.repaired = 3;
  report.left = 1;
  page.ShowReport(report);
  EXPECT_EQ(m.NoteBook->PageIndex(), kPageRepairResults);
  EXPECT_EQ(m.lbResultTitle->Caption(), "Repair Incomplete");
  const std::string shown[] = {m.lbFound->Caption(), m.lbIgnored->Caption(),
                               m.lbRepaired->Caption(), m.lbLeft->Caption()};
  EXPECT_EQ(shown[0] + shown[1] + shown[2] + shown[3], "6231");
  EXPECT_TRUE(m.lbLeft->Visible());

  report.left = 0;
  page.ShowReport(report);
  EXPECT_EQ(m.lbResultTitle->Caption(), "Repair Successful");
  EXPECT_FALSE(m.lbLeft->Visible());
}

}  // namespace
}  // namespace corvanta
