// The Results page: one section's problems as markup lines in the results
// list, the section descriptions, and the user's Delete/Ignore choices.
#pragma once

#include <cstddef>
#include <string>

#include "scan/problems.h"

namespace corvanta {

struct MainWindowView;

// The description shown under the section group, by result item 0..12.
extern const char* const kSectionDescriptions[13];

// The registry text of a result line shown as stored: "<", ">", "&" and the
// double quote become entities the markup parser decodes again.
std::string EscapeMarkup(const std::string& text);

// The markup of one problem; index is the record's index in the problem list.
std::string ProblemLine(const TRegRecord& record, std::size_t index);
// The single line of a section without problems; caption is the item's
// caption, with or without its count suffix.
std::string EmptySectionLine(const std::string& caption);

// Rebuilds the results list for the selected item of ResultGroup and sets
// lbResultHeader. Reads the problem list, never changes it.
void UpdateResultList(MainWindowView& view, const TRegArray& ProblemList);

// The item click handlers: UpdateResultList, then the item's description.
void ShowSectionResults(MainWindowView& view, const TRegArray& ProblemList, int item);
void ShowAppPaths(MainWindowView& view, const TRegArray& ProblemList);
void ShowSharedProgs(MainWindowView& view, const TRegArray& ProblemList);
void ShowProgramIDs(MainWindowView& view, const TRegArray& ProblemList);
void ShowCustomControls(MainWindowView& view, const TRegArray& ProblemList);
void ShowStartupPrograms(MainWindowView& view, const TRegArray& ProblemList);
void ShowAddRemove(MainWindowView& view, const TRegArray& ProblemList);
void ShowFileAssociation(MainWindowView& view, const TRegArray& ProblemList);
void ShowStartMenuShortcuts(MainWindowView& view, const TRegArray& ProblemList);
void ShowHelpFile(MainWindowView& view, const TRegArray& ProblemList);
void ShowFonts(MainWindowView& view, const TRegArray& ProblemList);
void ShowSounds(MainWindowView& view, const TRegArray& ProblemList);
void ShowInvalidShortcuts(MainWindowView& view, const TRegArray& ProblemList);
void ShowInvalidDeepScan(MainWindowView& view, const TRegArray& ProblemList);

// The section group can never be collapsed.
bool ResultGroupCanClose();

// Writes the choice picked in a result line into its record. An href that
// does not name an index of the problem list changes nothing.
void ParamListBoxParamEditDone(TRegArray& ProblemList, int idx, const std::string& href,
                               const std::string& value);
// Highlights the row whose parameter was clicked; the choice is not changed.
void ParamListBoxParamClick(MainWindowView& view, int idx, const std::string& href,
                            const std::string& value);

// Binds the Results page's events (item clicks, the group's close query, the
// list's parameter events) to the handlers above. Both references must
// outlive the view's widgets.
void BindResultsPage(MainWindowView& view, TRegArray& ProblemList);

}  // namespace corvanta
