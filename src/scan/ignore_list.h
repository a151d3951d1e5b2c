// The ignore list: entries the user never wants to see again, kept in the
// registry one value per entry, and the test whether a problem is one of them.
// The list only hides problems from the scan; it never deletes anything.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "scan/problems.h"

namespace corvanta {

class RegistryApi;

struct IgnoreEntry {
  int section = 0;          // 1..13
  std::uint32_t root = 0;   // predefined root handle value; 0 for files
  std::string keyPath;      // without a leading "\"; the full path for files
  std::string valueName;    // "" for the default value, or a whole key
  std::string storedUnder;  // the registry value that holds it ("" before it is stored)
};

// The entry for a problem. A problem whose section deletes whole keys gives a
// key entry (no value name): what the repair would delete is the key.
IgnoreEntry IgnoreEntryFor(const TRegRecord& problem);

// One stored value's text: "section|root|key path|value name", the two names
// with "%", "|" and control characters written as %XX, so any name survives.
std::string EncodeIgnoreEntry(const IgnoreEntry& entry);
// False for a text that is not such an entry.
bool DecodeIgnoreEntry(const std::string& text, IgnoreEntry* entry);

// Where an entry is, as the user reads it: the root's name and the key path,
// or the file's path.
std::string IgnoreEntryLocation(const IgnoreEntry& entry);
// What of the location is listed: the value's name, "(Default)", "(the key and
// everything below it)", or "" for a file.
std::string IgnoreEntryValue(const IgnoreEntry& entry);

class IgnoreList {
 public:
  // Entries in list order (the numbers of the values they are stored under).
  const std::vector<IgnoreEntry>& Entries() const { return entries_; }
  // Values below the key that are not entries: skipped, left as they are.
  int Unreadable() const { return unreadable_; }

  // True when an entry covers the problem of section sectionName: same
  // section, root, key and value (names without regard to case), or a key
  // entry of a key-deleting section for that key or a key below it.
  bool Covers(const std::string& sectionName, std::uint32_t root, const std::string& keyPath,
              const std::string& valueName) const;
  bool Covers(const TRegRecord& problem) const {
    return Covers(problem.Section, problem.RootKey, problem.KeyPath, problem.ValueName);
  }
  // The index of the entry equal to entry (names without regard to case), or -1.
  int Find(const IgnoreEntry& entry) const;

 private:
  friend class IgnoreListStore;
  std::vector<IgnoreEntry> entries_;
  int unreadable_ = 0;
};

// The list as stored below one registry key (under HKEY_LOCAL_MACHINE). Each
// call opens the key afresh; writes raise ERegistryException when refused.
class IgnoreListStore {
 public:
  IgnoreListStore(RegistryApi& api, std::string keyPath)
      : api_(api), keyPath_(std::move(keyPath)) {}

  // A missing or unreadable key is an empty list.
  IgnoreList Load() const;
  // Stores entry unless an equal one is listed; false when it was.
  bool Add(const IgnoreEntry& entry);
  // Deletes the value that holds entry.
  void Remove(const IgnoreEntry& entry);
  // Deletes every entry (values that are not entries stay); how many went.
  int Clear();

 private:
  RegistryApi& api_;
  std::string keyPath_;
};

}  // namespace corvanta
