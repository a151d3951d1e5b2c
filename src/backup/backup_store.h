// The backup folder beside the executable, the names of backup files and the
// list of backups found in the folder.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/system.h"

namespace corvanta {

class BackupListPage;
class FileSystem;

// The three families of backup files.
extern const char kAutomaticBackupPrefix[];  // "Automatic Backup_"
extern const char kExplorerBackupPrefix[];   // "Explorer Backup_"
extern const char kFullBackupPrefix[];       // "Full Registry Backup_"

// The executable's folder + "Backup" + a backslash.
std::string BackupFolder(System& system);

// prefix + "mm-dd-yyyy" + "_" + "hh-mm-ss" + ".reg", without a folder part.
std::string BackupFileName(const std::string& prefix, const LocalDateTime& when);

// Creates the backup folder (one level) when no directory of that name exists.
// The outcome of the creation is not tested; the file write that follows is.
void EnsureBackupFolder(System& system, FileSystem& files);

// The full path of a new backup file of the family: a name already taken (a
// backup of the same family earlier in the same second) is never reused; the
// clock is read again once that second is over. "" when no free name turned up.
std::string FreeBackupPath(System& system, FileSystem& files, const std::string& prefix);

// One row of the backup list.
struct TRestoreRecord {
  std::string FileName;    // as found in the folder
  std::string BackupType;  // the name before its first "_"
  std::string TimeText;    // "hh:mm:ss"
  std::string DateText;    // "mm/dd/yyyy"
};
using TRestoreArray = std::vector<TRestoreRecord>;

// Splits a backup file name into its type, date and time for display.
TRestoreRecord ParseRestoreRecord(const std::string& fileName);

// The second column of the backup list: DateText + " - " + TimeText.
std::string RestoreRowDateTime(const TRestoreRecord& record);

// Every "*.reg" entry of the backup folder (any attributes, directories too),
// in the order the file system returns them. `beforeEach` runs before each
// entry (the GUI pumps its messages there). An absent folder gives nothing.
TRestoreArray ListBackups(System& system, FileSystem& files,
                          const std::function<void()>& beforeEach = {});

// The backup page's part of the page-change hook: empties the page's list
// and, when the backup page is the one shown, shows the restore pane and
// refills RestoreList and the list from the backup folder.
void RebuildRestoreList(BackupListPage& page, System& system, FileSystem& files,
                        TRestoreArray& RestoreList);

}  // namespace corvanta
