// What a scan found, as data: the sections that ran with their counts, the
// problem list and the keys it could not read. The scan fills it; the pages
// and the console program read it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "scan/ignore_list.h"
#include "scan/problems.h"

namespace corvanta {

struct SectionFound {
  int number = 0;            // 1..13
  std::int32_t found = 0;    // problems the section recorded
  std::int32_t skipped = 0;  // problems it left out because the ignore list covers them
};

struct ScanReport {
  std::vector<SectionFound> sections;  // the sections that ran, in run order
  TRegArray problems;                  // ProblemList; the user's choices go into it
  // Keys the scan found but could not open: how many, and the first few.
  std::int32_t unreadable = 0;
  std::vector<std::string> unreadablePaths;
  // The ignore list the scan (and the repair's second look) leaves out, and
  // how many problems it left out.
  IgnoreList ignoreList;
  std::int32_t skippedByIgnoreList = 0;

  // Problems of section number (1..13), counted by the section name they carry.
  std::size_t CountIn(int number) const;
  // Empties the report for a new scan (the problem list stays the same
  // object); the ignore list stays.
  void Clear();
};

}  // namespace corvanta
