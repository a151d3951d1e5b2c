// The repair: optional restore point, automatic backup of everything about to
// be deleted, the deletions, and the RepairReport that page 3 and the console
// program show.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "scan/problems.h"

namespace corvanta {

class RepairPage;
class TRegistry;
class FileSystem;
class System;

// What one repair reaches: the page (settings, status window, questions,
// results, pump), the problem list, the shared accessor for the deletions (the
// exports go through its registry port with an accessor of their own), and
// the file system and system ports.
struct RepairContext {
  RepairContext(RepairPage& p, TRegArray& problems, TRegistry& shared, FileSystem& f, System& s)
      : page(p), ProblemList(problems), SharedRegistry(shared), files(f), system(s) {}
  RepairPage& page;
  TRegArray& ProblemList;
  TRegistry& SharedRegistry;
  FileSystem& files;
  System& system;
  // Judges an entry again just before its deletion, as the scan did; false
  // when it changed or points somewhere again since (then it stays). Unset:
  // no second look.
  std::function<bool(const TRegRecord&)> stillAProblem;
};

enum class RepairEnd {
  Done,             // the deletions ran and the results page is shown
  Declined,         // the user answered No after the restore point failed
  BackupNotWritten  // the backup file could not be written; nothing deleted
};

struct RepairReport {
  RepairEnd end = RepairEnd::Done;
  int found = 0;      // records in the problem list
  int ignored = 0;    // records set to Ignore, and those unchanged
  int unchanged = 0;  // no longer a problem when looked at again: kept
  std::vector<int> unchangedIndexes;
  int repaired = 0;                  // deletions done (or the entry was already gone)
  std::vector<int> repairedIndexes;  // their indexes in the problem list
  int left = 0;                      // deletions that failed or were held back for want of a backup
  std::vector<int> leftIndexes;      // their indexes in the problem list
  std::string backupFile;            // full path of the automatic backup, "" when none
  std::string error;                 // the message shown when the backup was not written
};

extern const char kRepairQuestion[];

RepairReport DoRepair(RepairContext& ctx);

}  // namespace corvanta
