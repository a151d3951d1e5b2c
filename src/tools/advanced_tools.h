// The four advanced tools without their widgets: the lists of browser helper
// objects, startup entries and uninstall entries, the removal of one entry
// (after a backup copy when asked), a file's version details and the
// Internet Explorer settings backup. The window and the console program both
// run these.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/known_keys.h"

namespace corvanta {

class RegistryApi;
class FileSystem;
class System;
class TRegExpr;
class TRegistry;
class VersionInfo;

inline constexpr char kBhoKeyPath[] =
    "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects";
inline constexpr char kUninstallKeyPath[] =
    "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
inline constexpr char kExplorerKeyPath[] = "\\Software\\Microsoft\\Internet Explorer";

inline constexpr char kBhoNoNameText[] = "Not Specified. Check file details";
inline constexpr char kBhoSelectText[] = "Please select the BHO entry you want to delete";
inline constexpr char kBhoConfirmText[] = "Are you sure you want to delete this BHO?";
inline constexpr char kBhoRemovedText[] = "The BHO was successfully removed!";
inline constexpr char kStartupSelectText[] = "Please select the Startup entry you want to remove";
inline constexpr char kStartupConfirmText[] = "Are you sure you want to delete this startup entry?";
inline constexpr char kStartupRemovedText[] = "The Startup entry  was successfully removed!";
inline constexpr char kUninstallSelectText[] =
    "Please select the Uninstaller entry you want to delete";
inline constexpr char kUninstallConfirmText[] = "Are you sure you want to delete this Uninstaller?";
inline constexpr char kUninstallRemovedText[] = "The Uninstaller was successfully removed!";
inline constexpr char kExplorerBackupDoneText[] =
    "Your Internet Explorer settings have been backed up.\r\n\r\nTo restore them in the future "
    "please use the main Registry Backup/Restore utility accessible from the main menu.";

// StartupOriginList's texts.
inline constexpr char kOriginMachine[] = "0";
inline constexpr char kOriginUser[] = "1";

struct BhoEntry {
  std::string Id;    // the class id, the subkey name under kBhoKeyPath
  std::string Name;  // the ProgID, or kBhoNoNameText
  std::string Path;  // the in-process server
};

struct StartupEntry {
  std::string Name;      // the value name ("" for the default value)
  std::string Location;  // the command ("" when the value is not text)
  std::uint32_t RootKey;
};

struct UninstallEntry {
  std::string Name;         // DisplayName
  std::string Uninstaller;  // UninstallString
  std::string Key;          // the subkey name under kUninstallKeyPath
};

// The lists, read with read rights only. A value that is not text reads as
// "" and the list goes on; a key that cannot be opened contributes nothing.
std::vector<BhoEntry> ListBhoEntries(RegistryApi& api);
// HKEY_LOCAL_MACHINE's entries first, then HKEY_CURRENT_USER's.
std::vector<StartupEntry> ListStartupEntries(RegistryApi& api);
// Entries with both texts, in the registry's order (the list view sorts).
std::vector<UninstallEntry> ListUninstallEntries(RegistryApi& api);

// The text of a value of the open key; "" when it is missing, not text or
// cannot be read.
std::string ReadTextOrEmpty(TRegistry& reg, const std::string& name);

// The version strings of a file behind an entry; an empty path means the
// program's own executable.
struct FileDetails {
  std::string InternalName, FileVersion, ProductName, ProductVersion, FileDescription, CompanyName;
  std::string FileName;  // the file's own name, shown when it has no internal name
  std::string FileNameText() const {
    return (InternalName.empty() ? FileName : InternalName) + " (Version: " + FileVersion + ")";
  }
  std::string ProductNameText() const { return ProductName + " (Version: " + ProductVersion + ")"; }
};
FileDetails ReadFileDetails(VersionInfo& versions, System& system, const std::string& path);

// The program a startup command runs: the first of the scan's readings of it
// that exists as a file, else its longest reading; "" when it names no drive
// path with an extension.
std::string StartupProgramPath(TRegExpr& regex, FileSystem& files, const std::string& command);

// One entry to remove: the value ValueName of the key, or (WholeKey) the
// subkey SubKey of the key with everything below it.
struct RemovalTarget {
  std::uint32_t RootKey;
  std::string KeyPath;  // absolute, with its leading backslash
  bool WholeKey;
  std::string SubKey;     // WholeKey: the subkey's name, never empty
  std::string ValueName;  // !WholeKey: the value ("" the default value)
};

struct RemovalOutcome {
  bool removed = false;    // gone afterwards (or already gone before)
  std::string backupFile;  // the backup copy written first, "" when none
  std::string error;       // why it was not removed
};

// Removes the target. With backup, the entry is first exported into a new
// "Automatic Backup_" file; when that fails nothing is deleted. Removed only
// when the entry is gone afterwards.
RemovalOutcome RemoveToolEntry(RegistryApi& api, FileSystem& files, System& system,
                               const RemovalTarget& target, bool backup);

// Whether the uninstall entry's key still holds the two texts it was listed
// with (the key is gone: false, and *gone is set).
bool UninstallEntryMatches(RegistryApi& api, const UninstallEntry& entry, bool* gone);

struct ExplorerBackupOutcome {
  bool written = false;
  std::string file;   // the new backup file
  std::string error;  // why there is none
};

// Exports the Internet Explorer settings branch of the current user into a
// new "Explorer Backup_" file. An export that raised or was incomplete, or a
// file that could not be written, leaves no file behind.
ExplorerBackupOutcome WriteExplorerBackup(RegistryApi& api, FileSystem& files, System& system);

}  // namespace corvanta
