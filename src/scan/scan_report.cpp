#include "scan/scan_report.h"

#include "scan/sections.h"

namespace corvanta {

std::size_t ScanReport::CountIn(int number) const {
  const SectionInfo* info = SectionByNumber(number);
  if (info == nullptr) return 0;
  std::size_t count = 0;
  for (const TRegRecord& r : problems)
    if (r.Section == info->sectionName) ++count;
  return count;
}

void ScanReport::Clear() {
  sections.clear();
  problems.clear();
  unreadable = 0;
  unreadablePaths.clear();
  skippedByIgnoreList = 0;
}

}  // namespace corvanta
