#include "results/result_counts.h"

#include <string>

#include "ui/widgets.h"

namespace corvanta {

int DeleteKeyForSection(const std::string& section) {
  struct Row {
    const char* section;
    int deleteKey;
  };
  static const Row kRows[] = {
      {"Application Paths", 1},  {"Shared Program Files", 0},
      {"Program IDs", 1},        {"Custom Controls", 1},
      {"Startup Programs", 0},   {"Add/Remove Programs", 1},
      {"File Associations", 1},  {"Help Files", 0},
      {"Windows Fonts", 0},      {"Sounds", 1},
      {"Deep Registry Scan", 0},
  };
  for (const Row& r : kRows)
    if (section == r.section) return r.deleteKey;
  return -1;
}

void UpdateDeleteKey(TRegArray& ProblemList) {
  for (TRegRecord& r : ProblemList) {
    int d = DeleteKeyForSection(r.Section);
    if (d >= 0) r.DeleteKey = d;
  }
}

// The caption without its " (count)" suffix.
static std::string ItemName(const std::string& caption) {
  auto cut = caption.find(" (");
  return cut == std::string::npos ? caption : caption.substr(0, cut);
}

void UpdateResultCount(GroupBar& ResultGroup, Label& lbTotalProblems,
                       const std::array<CheckBox*, 13>& sectionBoxes, bool startedWithScan,
                       const TRegArray& ProblemList) {
  const int items = ResultGroup.ItemCount();
  for (int k = 0; k < items && k < 13; ++k)
    ResultGroup.SetItemVisible(k, startedWithScan || sectionBoxes[k]->Checked());

  for (int k = 0; k < items; ++k) {
    if (ResultGroup.ItemVisible(k)) {
      ResultGroup.SetSelectedItem(k);
      break;
    }
  }

  lbTotalProblems.SetCaption("Total Problems Found: " + std::to_string(ProblemList.size()));

  for (int k = 0; k < items; ++k) {
    const std::string caption = ResultGroup.ItemCaption(k);
    size_t count = 0;
    for (const TRegRecord& r : ProblemList)
      if (caption.find(r.Section) != std::string::npos) ++count;
    ResultGroup.SetItemCaption(k, ItemName(caption) + " (" + std::to_string(count) + ")");
  }
}

}  // namespace corvanta
