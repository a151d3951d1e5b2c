// The ways a registry text may name a file: the scan's drive-path match, the
// quoted token, the path read across every character program folders use,
// and the programs an unquoted command line may run. The scan judges a text
// by all of them; the startup list shows the details of the one that exists.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace corvanta {

class TRegExpr;

// The longest path the file calls carry (and CreateProcess takes as the
// program of an unquoted command line), in UTF-16 units as they count it.
constexpr std::size_t kMaxPath = 260;

// Whether a UTF-8 path is longer than kMaxPath UTF-16 units.
bool LongerThanMaxPath(const std::string& path);

struct PathReading {
  std::string path;
  // Arguments follow: only a file counts, a folder of that name runs nothing.
  bool fileOnly = false;
};

struct PathReadings {
  // In probe order, without duplicates and without fragments (a match that
  // stops inside a name a longer reading goes on with).
  std::vector<PathReading> readings;
  // The longest reading: what a missing text is shown as.
  std::string longest;
};

// The readings of text, in time linear in its length. None when the text
// holds no drive path with an extension. Leaves the drive-path pattern set on
// regex.
PathReadings ReadPaths(TRegExpr& regex, const std::string& text);

}  // namespace corvanta
