// After a scan: whether the repair deletes each problem's key or only its
// value, and the section items of the Results page with their counts.
#pragma once

#include <array>
#include <string>

#include "scan/problems.h"
#include "scan/sections.h"

namespace corvanta {

class ResultsPage;

// The repair's unit per section name (exact, case-sensitive match): 1 = the
// whole key, 0 = the value; -1 for a name not in the section table and for
// the two shortcut sections, whose records keep their DeleteKey.
int DeleteKeyForSection(const std::string& section);

// Sets DeleteKey of every record by its section.
void UpdateDeleteKey(TRegArray& ProblemList);

// The caption of the result item of section number: its name and " (count)".
std::string ResultItemCaption(int number, std::size_t count);

// Item visibility (all thirteen when startedWithScan, else the ticked
// sections), selection of the first visible item (no click handler runs), the
// total and each item's caption with the count of its section's problems.
void UpdateResultCount(ResultsPage& page, const std::array<bool, kSectionCount>& ticked,
                       bool startedWithScan, const TRegArray& ProblemList);

}  // namespace corvanta
