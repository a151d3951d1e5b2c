#include "results/result_counts.h"

#include "results/results_page.h"

namespace corvanta {

int DeleteKeyForSection(const std::string& section) {
  const SectionInfo* info = SectionByName(section);
  if (info == nullptr || info->repairUnit == kRepairShortcut) return -1;
  return info->repairUnit;
}

void UpdateDeleteKey(TRegArray& ProblemList) {
  for (TRegRecord& r : ProblemList) {
    int d = DeleteKeyForSection(r.Section);
    if (d >= 0) r.DeleteKey = d;
  }
}

std::string ResultItemCaption(int number, std::size_t count) {
  return std::string(SectionByNumber(number)->resultItem) + " (" + std::to_string(count) + ")";
}

void UpdateResultCount(ResultsPage& page, const std::array<bool, kSectionCount>& ticked,
                       bool startedWithScan, const TRegArray& ProblemList) {
  for (int k = 0; k < kSectionCount; ++k) page.SetItemVisible(k, startedWithScan || ticked[k]);

  for (int k = 0; k < kSectionCount; ++k) {
    if (page.ItemVisible(k)) {
      page.SetSelectedItem(k);
      break;
    }
  }

  page.SetTotalProblems("Total Problems Found: " + std::to_string(ProblemList.size()));

  std::array<std::size_t, kSectionCount> counts{};
  for (const TRegRecord& r : ProblemList)
    if (const SectionInfo* info = SectionByName(r.Section)) ++counts[info->number - 1];
  for (int k = 0; k < kSectionCount; ++k)
    page.SetItemCaption(k, ResultItemCaption(k + 1, counts[k]));
}

}  // namespace corvanta
