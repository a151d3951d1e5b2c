// The problem record, the problem list and the counters of the running scan.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace corvanta {

// Action values.
constexpr std::int32_t kActionDelete = 0;
constexpr std::int32_t kActionIgnore = 1;
// Kind values.
constexpr std::int32_t kKindRegistry = 0;
constexpr std::int32_t kKindFile = 1;

// One problem found by a scan. A new record has every text empty and every
// number 0: Delete, a registry entry, delete the value only.
struct TRegRecord {
  std::uint32_t RootKey = 0;  // predefined root handle value; 0 for files
  std::string Section;        // section name of the section that found it
  std::string ProblemLabel;   // that section's problem label
  std::string KeyPath;        // key below the root, or the full file path
  std::string ValueName;      // "" for the default value
  std::string ValueData;      // what was judged invalid
  std::int32_t Action = kActionDelete;
  std::int32_t Kind = kKindRegistry;
  std::int32_t DeleteKey = 0;  // 0 delete the value, 1 delete the whole key
  bool AlwaysIgnored = false;  // set to Ignore and put on the ignore list
};

using TRegArray = std::vector<TRegRecord>;

// Counters and names of the scan that is running. Written and read on the GUI
// thread only; AbortRequested is set by the Abort button through a pump.
struct ScanGlobals {
  bool AbortRequested = false;
  std::int32_t SectionFoundCount = 0;
  std::int32_t TotalFoundCount = 0;
  std::string CurrentSection;
  std::string CurrentProblemLabel;
  // Keys the scan found but could not open for lack of rights: how many, and
  // the first few by name, so an incomplete scan is never taken for a clean
  // registry.
  std::int32_t UnreadableCount = 0;
  std::vector<std::string> UnreadablePaths;
  std::set<std::string> UnreadableSeen;  // upper-case; two sections count a key once
};

// How many unreadable keys a scan names; the rest are only counted.
constexpr std::size_t kUnreadablePathsKept = 10;

}  // namespace corvanta
