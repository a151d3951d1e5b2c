#include "results/result_list.h"

#include <cctype>

#include "results/result_counts.h"
#include "results/results_page.h"
#include "scan/sections.h"

namespace corvanta {

void UpdateResultList(ResultsPage& page, const TRegArray& ProblemList) {
  page.ClearList();
  const SectionInfo* info = SectionByNumber(page.SelectedItem() + 1);
  if (info == nullptr) {
    page.SetHeader("Scan Results - ");
    page.AddEmptySectionLine("");
    return;
  }
  std::size_t count = 0;
  for (const TRegRecord& r : ProblemList) count += r.Section == info->sectionName;
  page.SetHeader("Scan Results - " + ResultItemCaption(info->number, count));
  for (std::size_t i = 0; i < ProblemList.size(); ++i)
    if (ProblemList[i].Section == info->sectionName) page.AddProblemLine(ProblemList, i);
  if (count == 0) page.AddEmptySectionLine(info->resultItem);
}

void ShowSectionResults(ResultsPage& page, const TRegArray& ProblemList, int item) {
  UpdateResultList(page, ProblemList);
  if (const SectionInfo* info = SectionByNumber(item + 1))
    page.SetDescription(info->resultDescription);
}

void ShowAppPaths(ResultsPage& v, const TRegArray& p) {
  ShowSectionResults(v, p, 0);
}
void ShowSharedProgs(ResultsPage& v, const TRegArray& p) {
  ShowSectionResults(v, p, 1);
}
void ShowProgramIDs(ResultsPage& v, const TRegArray& p) {
  ShowSectionResults(v, p, 2);
}
void ShowCustomControls(ResultsPage& v, const TRegArray& p) {
  ShowSectionResults(v, p, 3);
}
void ShowStartupPrograms(ResultsPage& v, const TRegArray& p) {
  ShowSectionResults(v, p, 4);
}
void ShowAddRemove(ResultsPage& v, const TRegArray& p) {
  ShowSectionResults(v, p, 5);
}
void ShowFileAssociation(ResultsPage& v, const TRegArray& p) {
  ShowSectionResults(v, p, 6);
}
void ShowStartMenuShortcuts(ResultsPage& v, const TRegArray& p) {
  ShowSectionResults(v, p, 7);
}
void ShowHelpFile(ResultsPage& v, const TRegArray& p) {
  ShowSectionResults(v, p, 8);
}
void ShowFonts(ResultsPage& v, const TRegArray& p) {
  ShowSectionResults(v, p, 9);
}
void ShowSounds(ResultsPage& v, const TRegArray& p) {
  ShowSectionResults(v, p, 10);
}
void ShowInvalidShortcuts(ResultsPage& v, const TRegArray& p) {
  ShowSectionResults(v, p, 11);
}
void ShowInvalidDeepScan(ResultsPage& v, const TRegArray& p) {
  ShowSectionResults(v, p, 12);
}

bool ResultGroupCanClose() {
  return false;
}

namespace {

// "list" + decimal index, "list" matched without regard to case. False for
// anything that is not a plain index.
bool HrefIndex(const std::string& href, std::size_t* index) {
  std::string digits;
  for (std::size_t i = 0; i < href.size();) {
    if (i + 4 <= href.size() && std::tolower(static_cast<unsigned char>(href[i])) == 'l' &&
        std::tolower(static_cast<unsigned char>(href[i + 1])) == 'i' &&
        std::tolower(static_cast<unsigned char>(href[i + 2])) == 's' &&
        std::tolower(static_cast<unsigned char>(href[i + 3])) == 't') {
      i += 4;
      continue;
    }
    digits += href[i++];
  }
  if (digits.empty() || digits.size() > 9) return false;
  std::size_t value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<std::size_t>(c - '0');
  }
  *index = value;
  return true;
}

}  // namespace

void ParamListBoxParamEditDone(TRegArray& ProblemList, int /*idx*/, const std::string& href,
                               const std::string& value, const IgnoreListPick& pick) {
  std::size_t index = 0;
  if (!HrefIndex(href, &index) || index >= ProblemList.size()) return;
  TRegRecord& record = ProblemList[index];
  const bool always = value == "Always Ignore";
  if (!always && value != "Delete" && value != "Ignore") return;
  // A listed problem set back to Delete or Ignore leaves the list: the
  // repair's second look would skip it otherwise, whatever its line says.
  // The list first: when it cannot be written the record stays as it was.
  if (pick && record.AlwaysIgnored != always) pick(index, always);
  record.Action = value == "Delete" ? kActionDelete : kActionIgnore;
}

void ParamListBoxParamClick(ResultsPage& page, int idx, const std::string& /*href*/,
                            const std::string& /*value*/) {
  page.SelectLine(idx);
}

}  // namespace corvanta
