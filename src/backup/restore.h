// The work behind the backup page's buttons and `corvanta-cli backups`:
// restoring a backup through the system's registry editor and proving that it
// landed, deleting a backup, making a full registry backup, and the copies of
// the shortcut files a repair deleted. Free of widgets; the callers say what
// happened.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace corvanta {

struct Platform;
class FileSystem;
class RegistryApi;

extern const char kRestoreSuccessText[];
extern const char kFullBackupSuccessText[];

// How long the registry editor may take for one import or full export.
constexpr uint32_t kRegistryEditorTimeoutMs = 30u * 60u * 1000u;

// What a file starts with: "REGEDIT4", or the UTF-16LE byte-order mark and
// "Windows Registry Editor Version 5.00".
enum class RegFileFormat { Unknown, RegEdit4, Version5 };
RegFileFormat DetectRegFileFormat(const std::string& bytes);

// One key header or value line of a registry file (deletions are left out).
struct RegFileEntry {
  std::uint32_t root = 0;
  std::string keyPath;  // with its leading backslash; "" for the root itself
  bool isValue = false;
  std::string valueName;   // "" for the default value
  std::uint32_t type = 0;  // a value's type and data as the file gives them
  std::vector<std::uint8_t> data;
};
// The keys and values the file adds, in file order (a value the file sets
// twice once, at its last line), names and texts in UTF-8.
std::vector<RegFileEntry> ReadRegFileEntries(const std::string& bytes);
// "HKEY_...\path" or "HKEY_...\path\"name"" for messages.
std::string DescribeEntry(const RegFileEntry& entry);

// The folder beside an automatic backup that holds the shortcut files its
// repair deleted: the backup's path without ".reg", plus "_files".
std::string ShortcutCopiesFolder(const std::string& backupPath);
// Where a shortcut's copy lives below that folder: its full path with the
// drive's colon dropped ("C:\a\b.lnk" -> "<folder>\C\a\b.lnk"), a network
// path below "UNC".
std::string ShortcutCopyPath(const std::string& copiesFolder, const std::string& shortcutPath);
// Copies one shortcut into the folder, making the folders on the way. False
// when no copy exists afterwards.
bool CopyShortcutIntoBackup(FileSystem& files, const std::string& copiesFolder,
                            const std::string& shortcutPath);
// Creates every missing folder of path (one level at a time). False when path
// is not a folder afterwards.
bool MakeFolders(FileSystem& files, const std::string& path);
// Deletes a folder with everything in it. False when something stays.
bool RemoveFolderTree(FileSystem& files, const std::string& folder);

struct RestoreResult {
  bool ok = false;
  std::string error;  // why it failed, for the error box; "" when ok
  int entries = 0;    // keys and values of the file that were checked
  int shortcutsRestored = 0;
  int shortcutsKept = 0;  // a file of that name existed and was left alone
};
// Hands the file to the registry editor for a silent import, waits for it
// (pumping), then checks that every key of the file exists and every value
// holds the file's type and data, and puts the backup's shortcut copies back.
RestoreResult RestoreBackup(Platform& platform, const std::string& path,
                            const std::function<void()>& pump);

// Deletes a backup file and the folder of its shortcut copies. A file that is
// already gone counts as deleted. False when the backup file stays.
bool DeleteBackupFiles(FileSystem& files, const std::string& path);

struct FullBackupResult {
  bool ok = false;
  std::string path;   // the new file
  std::string error;  // why it failed
};
// Makes sure the backup folder exists and picks a new "Full Registry Backup_"
// name; ok false (with the reason) when that is impossible.
FullBackupResult PrepareFullBackup(Platform& platform);
// Has the registry editor export the whole registry into prepared.path, waits
// (pumping) and checks the file: it exists, is not empty and starts with a
// known header. A file that fails the check is removed.
FullBackupResult ExportFullBackup(Platform& platform, const FullBackupResult& prepared,
                                  const std::function<void()>& pump);

}  // namespace corvanta
