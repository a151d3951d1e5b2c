// After a scan: whether the repair deletes each problem's key or only its
// value, and the section items of the Results page with their counts.
#pragma once

#include <array>

#include "scan/problems.h"

namespace corvanta {

class GroupBar;
class Label;
class CheckBox;

// The repair's unit per section name (exact, case-sensitive match): 1 = the
// whole key, 0 = the value; -1 for a section not in the table (the two
// shortcut sections), whose records keep their DeleteKey.
int DeleteKeyForSection(const std::string& section);

// Sets DeleteKey of every record by its section.
void UpdateDeleteKey(TRegArray& ProblemList);

// Item visibility (all thirteen when startedWithScan, else by the section
// check boxes), selection of the first visible item (no click handler runs),
// the total in lbTotalProblems and each item's " (count)" suffix.
void UpdateResultCount(GroupBar& ResultGroup, Label& lbTotalProblems,
                       const std::array<CheckBox*, 13>& sectionBoxes, bool startedWithScan,
                       const TRegArray& ProblemList);

}  // namespace corvanta
