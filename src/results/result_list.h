// The Results page: one section's problems in the results list, the section
// descriptions, and the user's Delete/Ignore choices.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "scan/problems.h"

namespace corvanta {

class ResultsPage;

// Rebuilds the results list for the selected item and sets the header. Reads
// the problem list, never changes it.
void UpdateResultList(ResultsPage& page, const TRegArray& ProblemList);

// The item click handlers: UpdateResultList, then the item's description.
void ShowSectionResults(ResultsPage& page, const TRegArray& ProblemList, int item);
void ShowAppPaths(ResultsPage& page, const TRegArray& ProblemList);
void ShowSharedProgs(ResultsPage& page, const TRegArray& ProblemList);
void ShowProgramIDs(ResultsPage& page, const TRegArray& ProblemList);
void ShowCustomControls(ResultsPage& page, const TRegArray& ProblemList);
void ShowStartupPrograms(ResultsPage& page, const TRegArray& ProblemList);
void ShowAddRemove(ResultsPage& page, const TRegArray& ProblemList);
void ShowFileAssociation(ResultsPage& page, const TRegArray& ProblemList);
void ShowStartMenuShortcuts(ResultsPage& page, const TRegArray& ProblemList);
void ShowHelpFile(ResultsPage& page, const TRegArray& ProblemList);
void ShowFonts(ResultsPage& page, const TRegArray& ProblemList);
void ShowSounds(ResultsPage& page, const TRegArray& ProblemList);
void ShowInvalidShortcuts(ResultsPage& page, const TRegArray& ProblemList);
void ShowInvalidDeepScan(ResultsPage& page, const TRegArray& ProblemList);

// The section group can never be collapsed.
bool ResultGroupCanClose();

// Keeps the ignore list in step with a pick: listed is true for "Always
// Ignore", false for "Delete" or "Ignore" on a problem that was on the list.
using IgnoreListPick = std::function<void(std::size_t index, bool listed)>;

// Writes the choice picked in a result line into its record. An href that
// does not name an index of the problem list changes nothing.
void ParamListBoxParamEditDone(TRegArray& ProblemList, int idx, const std::string& href,
                               const std::string& value, const IgnoreListPick& pick = {});
// Highlights the row whose parameter was clicked; the choice is not changed.
void ParamListBoxParamClick(ResultsPage& page, int idx, const std::string& href,
                            const std::string& value);

}  // namespace corvanta
