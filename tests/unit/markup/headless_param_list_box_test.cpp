#include "ui/headless/headless_param_list_box.h"

#include <gtest/gtest.h>

#include "markup_lines.h"

namespace corvanta {
namespace {

struct Event {
  int idx;
  std::string href, value;
};

TEST(HeadlessParamListBox, ClickAndPickRaiseTheEvents) {
  HeadlessParamListBox box;
  std::vector<Event> clicks, edits;
  box.OnParamClick = [&](int i, const std::string& h, const std::string& v) {
    clicks.push_back({i, h, v});
  };
  box.OnParamEditDone = [&](int i, const std::string& h, const std::string& v) {
    edits.push_back({i, h, v});
  };
  box.AddItem(markup_test::ProblemLine("Invalid program id", 4, "Delete", "K", "v", "d"));
  box.AddItem(markup_test::ProblemLine("Invalid program id", 9, "Ignore", "K2", "", "d2"));
  ASSERT_EQ(box.Count(), 2);
  EXPECT_EQ(box.ItemIndex(), -1);

  ASSERT_TRUE(box.ClickParam(1, 0));
  EXPECT_EQ(box.ItemIndex(), 1);
  ASSERT_EQ(clicks.size(), 1u);
  EXPECT_EQ(clicks[0].idx, 1);
  EXPECT_EQ(clicks[0].href, "list9");
  EXPECT_EQ(clicks[0].value, "Ignore");
  EXPECT_TRUE(edits.empty());  // a click alone changes nothing

  const std::string before = box.Item(1);
  ASSERT_TRUE(box.PickChoice(1, 0, "Delete"));
  ASSERT_EQ(edits.size(), 1u);
  EXPECT_EQ(edits[0].idx, 1);
  EXPECT_EQ(edits[0].href, "list9");
  EXPECT_EQ(edits[0].value, "Delete");
  std::string expected = before;
  expected.replace(expected.find(">Ignore</A>"), 11, ">Delete</A>");
  EXPECT_EQ(box.Item(1), expected);
  EXPECT_EQ(box.ItemText(1).substr(0, box.ItemText(1).find('\n')),
            "Invalid program id: Set to Delete");
  EXPECT_EQ(box.Params(0)[0].text, "Delete");  // the other item is untouched

  // Only the listed choices can be picked; missing parameters and items do nothing.
  EXPECT_FALSE(box.PickChoice(0, 0, "delete"));
  EXPECT_FALSE(box.PickChoice(0, 1, "Delete"));
  EXPECT_FALSE(box.PickChoice(2, 0, "Delete"));
  EXPECT_FALSE(box.ClickParam(-1, 0));
  EXPECT_EQ(edits.size(), 1u);
  EXPECT_EQ(clicks.size(), 1u);

  box.SetItemIndex(5);
  EXPECT_EQ(box.ItemIndex(), -1);
  box.Clear();
  EXPECT_EQ(box.Count(), 0);
  EXPECT_EQ(box.Item(0), "");
}

TEST(HeadlessParamListBox, HandlerMayRebuildTheList) {
  HeadlessParamListBox box;
  box.AddItem(markup_test::ProblemLine("Invalid font", 0, "Delete", "K", "v", "d"));
  std::string seenHref;
  box.OnParamEditDone = [&](int, const std::string& h, const std::string&) {
    box.Clear();  // e.g. a section switch from inside the handler
    seenHref = h;
    box.AddItem(markup_test::EmptySectionLine("Windows Fonts"));
  };
  ASSERT_TRUE(box.PickChoice(0, 0, "Ignore"));
  EXPECT_EQ(seenHref, "list0");
  EXPECT_EQ(box.ItemText(0),
            "\nCould not find any invalid entries in the Windows Fonts section of "
            "your registry");
}

}  // namespace
}  // namespace corvanta
