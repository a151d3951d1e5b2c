#include "results/result_list.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <utility>
#include <vector>

#include "app/widget_pages.h"
#include "scan/sections.h"
#include "ui/headless/headless_param_list_box.h"
#include "ui/headless/headless_ui.h"

namespace corvanta {
namespace {

TRegRecord Record(const std::string& section, const std::string& key, const std::string& value,
                  const std::string& data, int action = kActionDelete) {
  TRegRecord r;
  r.RootKey = 0x80000002u;
  r.Section = section;
  r.ProblemLabel = "Invalid thing";
  r.KeyPath = key;
  r.ValueName = value;
  r.ValueData = data;
  r.Action = action;
  return r;
}

class ResultListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m.ParamListBox = &box;
    problems = {Record("Application Paths", "Soft\\A", "Path", "C:\\a.exe"),
                Record("Application Paths", "Soft\\B", "", "C:\\b.exe", kActionIgnore),
                Record("Sounds", "AppEvents\\x", "", "d.wav"),
                Record("Application Paths", "Soft\\<b>&\"", "<a href=\"list0\">", "x&y<br>")};
    BindResultsPage(m, page, problems);
  }
  HeadlessUi ui;
  MainWindowView& m = ui.View().main;
  WidgetResultsPage page{m};
  HeadlessParamListBox box;
  TRegArray problems;
};

TEST_F(ResultListTest, ProblemLineIsBuiltPieceByPiece) {
  EXPECT_EQ(ProblemLine(problems[0], 0),
            "<FONT color=\"#FF0000\"><B>Invalid thing:</B> </FONT>Set to <B><a href=\"list0\" "
            "class=\"LIST\" props=\"Delete|Ignore|Always Ignore\">Delete</A></B><br>Location: "
            "Soft\\A<br><br>Path = C:\\a.exe<br>" +
                std::string(155, '.'));
  const std::string ignored = ProblemLine(problems[1], 1);
  EXPECT_NE(ignored.find(">Ignore</A>"), std::string::npos);
  EXPECT_NE(ignored.find("<br><br>(Default) = C:\\b.exe<br>"), std::string::npos);
  EXPECT_EQ(EmptySectionLine("Help Files (0)"),
            "<br><p align=\"center\">Could not find any invalid entries in the <b>Help "
            "Files</b> section of your registry</p>");
}

TEST_F(ResultListTest, SectionMembershipIndexesAndHeader) {
  m.ResultGroup->SetItemCaption(0, "Application Paths (3)");
  m.ResultGroup->SetItemCaption(10, "Sounds (1)");
  m.ResultGroup->SetItemCaption(8, "Help Files (0)");

  m.ResultGroup->SetSelectedItem(10);
  ui.H(m.ResultGroup).OnItemClick(10);
  EXPECT_EQ(m.lbResultHeader->Caption(), "Scan Results - Sounds (1)");
  ASSERT_EQ(box.Count(), 1);
  EXPECT_NE(box.Item(0).find("href=\"list2\""), std::string::npos);
  EXPECT_EQ(m.SectionDesc->Caption(), kSections[10].resultDescription);

  m.ResultGroup->SetSelectedItem(0);
  ShowAppPaths(page, problems);
  ASSERT_EQ(box.Count(), 3);
  EXPECT_NE(box.Item(2).find("href=\"list3\""), std::string::npos);

  m.ResultGroup->SetSelectedItem(8);
  ShowHelpFile(page, problems);
  ASSERT_EQ(box.Count(), 1);
  EXPECT_EQ(box.Item(0), EmptySectionLine("Help Files"));
  EXPECT_EQ(m.SectionDesc->Caption(),
            "This section contains paths to windows help files. References to those files that "
            "no longer exist are considered invalid and set to be deleted on Repair.");
}

TEST_F(ResultListTest, RegistryTextShowsAsStoredAndCannotAddLinks) {
  m.ResultGroup->SetSelectedItem(0);
  ShowAppPaths(page, problems);
  ASSERT_EQ(box.Count(), 3);
  EXPECT_EQ(box.Params(2).size(), 1u);
  const std::string text = box.ItemText(2);
  EXPECT_NE(text.find("Location: Soft\\<b>&\""), std::string::npos) << text;
  EXPECT_NE(text.find("<a href=\"list0\"> = x&y<br>"), std::string::npos) << text;
  EXPECT_EQ(EscapeMarkup("<a>&\"'"), "&lt;a&gt;&amp;&quot;'");
}

TEST_F(ResultListTest, ChoicesGoIntoTheRecords) {
  m.ResultGroup->SetSelectedItem(0);
  ShowAppPaths(page, problems);
  ASSERT_TRUE(box.ClickParam(2, 0));
  EXPECT_EQ(box.ItemIndex(), 2);
  EXPECT_EQ(problems[3].Action, kActionDelete);  // a click alone changes nothing
  ASSERT_TRUE(box.PickChoice(2, 0, "Ignore"));
  EXPECT_EQ(problems[3].Action, kActionIgnore);
  ShowAppPaths(page, problems);
  EXPECT_NE(box.Item(2).find(">Ignore</A>"), std::string::npos);
  ASSERT_TRUE(box.PickChoice(1, 0, "Delete"));
  EXPECT_EQ(problems[1].Action, kActionDelete);
  ASSERT_TRUE(box.PickChoice(1, 0, "Ignore"));
  ASSERT_TRUE(box.PickChoice(1, 0, "Delete"));
  EXPECT_EQ(problems[1].Action, kActionDelete);

  ParamListBoxParamEditDone(problems, 0, "LIST2", "Ignore");
  EXPECT_EQ(problems[2].Action, kActionIgnore);
  ParamListBoxParamEditDone(problems, 0, "list2", "Maybe");
  EXPECT_EQ(problems[2].Action, kActionIgnore);
  const TRegArray before = problems;
  for (const char* href : {"list4", "list", "", "listx", "list-1", "list99999999999", "0x1"}) {
    ParamListBoxParamEditDone(problems, 0, href, "Delete");
  }
  for (std::size_t i = 0; i < problems.size(); ++i) EXPECT_EQ(problems[i].Action, before[i].Action);
}

TEST_F(ResultListTest, AlwaysIgnoreGoesThroughTheListHook) {
  std::vector<std::pair<std::size_t, bool>> calls;
  BindResultsPage(m, page, problems, [&](std::size_t index, bool listed) {
    calls.emplace_back(index, listed);
    problems[index].AlwaysIgnored = listed;
  });
  m.ResultGroup->SetSelectedItem(0);
  ShowAppPaths(page, problems);
  ASSERT_TRUE(box.PickChoice(0, 0, "Always Ignore"));
  EXPECT_EQ(problems[0].Action, kActionIgnore);
  EXPECT_NE(box.ItemText(0).find("Set to Ignore (always)\n"), std::string::npos);
  ShowAppPaths(page, problems);  // the record says it, not the pick
  EXPECT_NE(box.ItemText(0).find("Set to Ignore (always)\n"), std::string::npos);
  ASSERT_TRUE(box.PickChoice(0, 0, "Always Ignore"));  // listed already
  ASSERT_TRUE(box.PickChoice(0, 0, "Ignore"));         // off the list, still ignored
  EXPECT_EQ(problems[0].Action, kActionIgnore);
  ASSERT_TRUE(box.PickChoice(1, 0, "Delete"));  // never listed: no call
  EXPECT_EQ(calls, (std::vector<std::pair<std::size_t, bool>>{{0, true}, {0, false}}));
  EXPECT_NE(box.ItemText(0).find("Set to Ignore\n"), std::string::npos);

  // When the list cannot be written the record keeps its choice.
  BindResultsPage(m, page, problems, [](std::size_t, bool) { throw std::runtime_error("denied"); });
  EXPECT_THROW(box.PickChoice(0, 0, "Always Ignore"), std::runtime_error);
  EXPECT_FALSE(problems[0].AlwaysIgnored);
  EXPECT_NE(box.ItemText(0).find("Set to Ignore\n"), std::string::npos);
}

// A deep scan of a large registry: the section's lines are made only when
// shown, whether read in order, at the far end or picked from.
TEST_F(ResultListTest, ALargeSectionBuildsOnlyTheLinesShown) {
  constexpr int kProblems = 133666;
  problems.clear();
  problems.push_back(Record("Sounds", "AppEvents\\x", "", "d.wav"));
  for (int i = 0; i < kProblems; ++i)
    problems.push_back(Record("Deep Registry Scan", "Software\\K" + std::to_string(i), "Exe",
                              "C:\\Gone\\f" + std::to_string(i) + ".exe"));
  m.ResultGroup->SetSelectedItem(12);
  ShowInvalidDeepScan(page, problems);
  ASSERT_EQ(box.Count(), kProblems);
  EXPECT_EQ(box.ItemsBuilt(), 0u);

  for (int line = 0; line < 6; ++line) EXPECT_FALSE(box.ItemText(line).empty());  // a screenful
  EXPECT_EQ(box.ItemsBuilt(), 6u);
  EXPECT_NE(box.ItemText(kProblems - 1).find("Software\\K133665"), std::string::npos);
  EXPECT_EQ(box.ItemsBuilt(), 7u);

  ASSERT_TRUE(box.ClickParam(70000, 0));
  ASSERT_TRUE(box.PickChoice(70000, 0, "Ignore"));
  EXPECT_EQ(problems[70001].Action, kActionIgnore);
  EXPECT_NE(box.ItemText(70000).find("Set to Ignore"), std::string::npos);
  EXPECT_LE(box.ItemsBuilt(), 9u);

  // Shown again, the line reads its choice from the record.
  ShowInvalidDeepScan(page, problems);
  EXPECT_NE(box.ItemText(70000).find("Set to Ignore"), std::string::npos);
  EXPECT_EQ(box.ItemsBuilt(), 1u);
}

TEST_F(ResultListTest, DescriptionsAndGroupStaysOpen) {
  EXPECT_FALSE(ResultGroupCanClose());
  EXPECT_FALSE(m.ResultGroup->OnCanClose());
  ShowAddRemove(page, problems);
  EXPECT_EQ(m.SectionDesc->Caption(),
            "This section contains orhpaned \"Add/Remove Program Files\" entries. References to "
            "invalid files are show here and are set to be deleted on Repair.");
  ShowFileAssociation(page, problems);
  EXPECT_NE(m.SectionDesc->Caption().find("certain file extentions."), std::string::npos);
  ShowInvalidDeepScan(page, problems);
  EXPECT_EQ(m.SectionDesc->Caption(),
            "This section contains invalid registry entries from your entire registry . These "
            "entries are set to be deleted on Repair.");
}

}  // namespace
}  // namespace corvanta
