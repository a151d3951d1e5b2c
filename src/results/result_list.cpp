#include "results/result_list.h"

#include <cctype>

#include "ui/main_view.h"
#include "ui/markup/markup.h"

namespace corvanta {

const char* const kSectionDescriptions[13] = {
    "This section contains paths to applications installed on the system. References to files "
    "that no longer exist are considered invalid and set to be deleted on Repair.",
    "This section contains paths to shared DLLs installed on the system. References to those "
    "files that no longer exist are considered invalid and set to be deleted on Repair.",
    "This section contains paths to program ids installed in the Registry. References to those "
    "files that no longer exist are considered invalid and set to be deleted on Repair.",
    "This section contains paths to Custom Controls installed on the system. References to those "
    "files that no longer exist are considered invalid and set to be deleted on Repair.",
    "This section contains paths to program that start at Windows startup (boot). References to "
    "those files that no longer exist are considered invalid and set to be deleted on Repair.",
    "This section contains orhpaned \"Add/Remove Program Files\" entries. References to invalid "
    "files are show here and are set to be deleted on Repair.",
    "This section contains programs associated with certain file extentions. References to "
    "invalid files are listed here and are set to be deleted on Repair.",
    "This section contains Start Menu shortcut links. Shortcuts to those files that no longer "
    "exist are considered invalid and set to be deleted on Repair.",
    "This section contains paths to windows help files. References to those files that no longer "
    "exist are considered invalid and set to be deleted on Repair.",
    "This section contains paths to Fonts installed in Windows. References to those fonts that no "
    "longer exist are considered invalid and set to be deleted on Repair.",
    "This section contains sound file locations for many applications. References to those sound "
    "files that no longer exist are considered invalid and set to be deleted on Repair.",
    "This section contains file locations in all existing shortcut files on the harddrive. "
    "Shortcuts to non-existent files are shown here and are set to be deleted on Repair.",
    "This section contains invalid registry entries from your entire registry . These entries are "
    "set to be deleted on Repair.",
};

std::string EscapeMarkup(const std::string& text) {
  return markup::EscapeText(text);
}

std::string ProblemLine(const TRegRecord& record, std::size_t index) {
  std::string line;
  line += "<FONT color=\"#FF0000\"><B>";
  line += EscapeMarkup(record.ProblemLabel);
  line += ":</B> </FONT>";
  line += "Set to <B><a href=\"list";
  line += std::to_string(index);
  line += "\" class=\"LIST\" props=\"Delete|Ignore\">";
  line += record.Action == kActionIgnore ? "Ignore" : "Delete";
  line += "</A></B><br>";
  line += "Location: ";
  line += EscapeMarkup(record.KeyPath);
  line += "<br><br>";
  line += record.ValueName.empty() ? std::string("(Default)") : EscapeMarkup(record.ValueName);
  line += " = ";
  line += EscapeMarkup(record.ValueData);
  line += "<br>";
  line += std::string(155, '.');
  return line;
}

namespace {

std::string WithoutCount(const std::string& caption) {
  const std::size_t cut = caption.find(" (");
  return cut == std::string::npos ? caption : caption.substr(0, cut);
}

}  // namespace

std::string EmptySectionLine(const std::string& caption) {
  return "<br><p align=\"center\">Could not find any invalid entries in the <b>" +
         EscapeMarkup(WithoutCount(caption)) + "</b> section of your registry</p>";
}

void UpdateResultList(MainWindowView& view, const TRegArray& ProblemList) {
  view.ParamListBox->Clear();
  const int selected = view.ResultGroup->SelectedItem();
  const std::string caption = selected >= 0 ? view.ResultGroup->ItemCaption(selected) : "";
  view.lbResultHeader->SetCaption("Scan Results - " + caption);
  bool any = false;
  for (std::size_t i = 0; i < ProblemList.size(); ++i) {
    if (caption.find(ProblemList[i].Section) == std::string::npos) continue;
    view.ParamListBox->AddItem(ProblemLine(ProblemList[i], i));
    any = true;
  }
  if (!any) view.ParamListBox->AddItem(EmptySectionLine(caption));
}

void ShowSectionResults(MainWindowView& view, const TRegArray& ProblemList, int item) {
  UpdateResultList(view, ProblemList);
  if (item >= 0 && item < 13) view.SectionDesc->SetCaption(kSectionDescriptions[item]);
}

void ShowAppPaths(MainWindowView& v, const TRegArray& p) {
  ShowSectionResults(v, p, 0);
}
void ShowSharedProgs(MainWindowView& v, const TRegArray& p) {
  ShowSectionResults(v, p, 1);
}
void ShowProgramIDs(MainWindowView& v, const TRegArray& p) {
  ShowSectionResults(v, p, 2);
}
void ShowCustomControls(MainWindowView& v, const TRegArray& p) {
  ShowSectionResults(v, p, 3);
}
void ShowStartupPrograms(MainWindowView& v, const TRegArray& p) {
  ShowSectionResults(v, p, 4);
}
void ShowAddRemove(MainWindowView& v, const TRegArray& p) {
  ShowSectionResults(v, p, 5);
}
void ShowFileAssociation(MainWindowView& v, const TRegArray& p) {
  ShowSectionResults(v, p, 6);
}
void ShowStartMenuShortcuts(MainWindowView& v, const TRegArray& p) {
  ShowSectionResults(v, p, 7);
}
void ShowHelpFile(MainWindowView& v, const TRegArray& p) {
  ShowSectionResults(v, p, 8);
}
void ShowFonts(MainWindowView& v, const TRegArray& p) {
  ShowSectionResults(v, p, 9);
}
void ShowSounds(MainWindowView& v, const TRegArray& p) {
  ShowSectionResults(v, p, 10);
}
void ShowInvalidShortcuts(MainWindowView& v, const TRegArray& p) {
  ShowSectionResults(v, p, 11);
}
void ShowInvalidDeepScan(MainWindowView& v, const TRegArray& p) {
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
                               const std::string& value) {
  std::size_t index = 0;
  if (!HrefIndex(href, &index) || index >= ProblemList.size()) return;
  if (value == "Delete") ProblemList[index].Action = kActionDelete;
  if (value == "Ignore") ProblemList[index].Action = kActionIgnore;
}

void ParamListBoxParamClick(MainWindowView& view, int idx, const std::string& /*href*/,
                            const std::string& /*value*/) {
  view.ParamListBox->SetItemIndex(idx);
}

void BindResultsPage(MainWindowView& view, TRegArray& ProblemList) {
  MainWindowView* v = &view;
  TRegArray* problems = &ProblemList;
  view.ResultGroup->OnItemClick = [v, problems](int index) {
    ShowSectionResults(*v, *problems, index);
  };
  view.ResultGroup->OnCanClose = [] { return ResultGroupCanClose(); };
  view.ParamListBox->OnParamEditDone = [problems](int idx, const std::string& href,
                                                  const std::string& value) {
    ParamListBoxParamEditDone(*problems, idx, href, value);
  };
  view.ParamListBox->OnParamClick = [v](int idx, const std::string& href,
                                        const std::string& value) {
    ParamListBoxParamClick(*v, idx, href, value);
  };
}

}  // namespace corvanta
