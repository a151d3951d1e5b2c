// The problem record, the problem list and the counters of the running scan.
#pragma once

#include <cstdint>
#include <cstring>
#include <ostream>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace corvanta {

// A text that many problem records hold alike (a section name, a label),
// stored once in a process-wide pool and held by its number there. The
// section table's names and labels are the pool's first texts; any other text
// is added once. It reads as the const std::string it stands for.
class SharedText {
 public:
  SharedText() = default;             // ""
  SharedText(std::string_view text);  // NOLINT: assigned as the string it replaces
  SharedText(const std::string& text) : SharedText(std::string_view(text)) {}  // NOLINT
  SharedText(const char* text) : SharedText(std::string_view(text)) {}         // NOLINT

  const std::string& str() const;
  operator const std::string&() const { return str(); }  // NOLINT
  const char* c_str() const { return str().c_str(); }
  bool empty() const { return number_ == 0; }
  std::size_t size() const { return str().size(); }

  friend bool operator==(const SharedText& a, const SharedText& b) {
    return a.number_ == b.number_;
  }
  friend bool operator==(const SharedText& a, const std::string& b) { return a.str() == b; }
  friend bool operator==(const SharedText& a, const char* b) { return a.str() == b; }
  friend bool operator==(const std::string& a, const SharedText& b) { return b == a; }
  friend bool operator==(const char* a, const SharedText& b) { return b == a; }
  template <class T>
  friend bool operator!=(const SharedText& a, const T& b) {
    return !(a == b);
  }
  friend bool operator!=(const std::string& a, const SharedText& b) { return !(b == a); }
  friend bool operator!=(const char* a, const SharedText& b) { return !(b == a); }
  friend std::ostream& operator<<(std::ostream& out, const SharedText& t) { return out << t.str(); }

 private:
  std::uint32_t number_ = 0;
};

// Action values.
constexpr std::int32_t kActionDelete = 0;
constexpr std::int32_t kActionIgnore = 1;
// Kind values.
constexpr std::int32_t kKindRegistry = 0;
constexpr std::int32_t kKindFile = 1;

// One problem found by a scan. A new record has every text empty and every
// number 0: Delete, a registry entry, delete the value only. A deep scan can
// keep a hundred thousand: the texts every problem of a section shares are
// held once, in the pool.
struct TRegRecord {
  std::uint32_t RootKey = 0;  // predefined root handle value; 0 for files
  SharedText Section;         // section name of the section that found it
  SharedText ProblemLabel;    // that section's problem label
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
