#include "tools/advanced_tools.h"

#include "backup/backup_store.h"
#include "backup/reg_export.h"
#include "platform/file_system.h"
#include "platform/registry.h"
#include "platform/version_info.h"
#include "regexpr/regexpr.h"
#include "scan/path_readings.h"

namespace corvanta {

namespace {

// Lists need no more than this; a user without write rights still sees them.
constexpr std::uint32_t kListAccess = kKEY_READ;
// Removals: read, write and delete the entry.
constexpr std::uint32_t kRemoveAccess = kKEY_READ | kKEY_WRITE;

std::string DefaultText(TRegistry& reg, const std::string& path) {
  if (!reg.OpenKey(path, false)) return std::string();
  std::string text = ReadTextOrEmpty(reg, "");
  reg.CloseKey();
  return text;
}

// The export of a key's default value alone: the writer singles out only
// named values, so the key's own block is cut to its header and the "@="
// group (a hex form runs over continuation lines and ends with an empty one).
void KeepDefaultValueOnly(std::vector<std::string>& lines, std::size_t start) {
  std::vector<std::string> kept(lines.begin() + start, lines.begin() + start + 2);
  for (std::size_t i = start + 2; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (!line.empty() && line[0] == '[') break;
    if (line.compare(0, 2, "@=") != 0) continue;
    std::size_t j = i;
    kept.push_back(lines[j]);
    while (!lines[j].empty() && lines[j].back() == '\\' && j + 1 < lines.size())
      kept.push_back(lines[++j]);
    if (line.compare(0, 5, "@=hex") == 0 && j + 1 < lines.size()) kept.push_back(lines[j + 1]);
    break;
  }
  lines.resize(start);
  lines.insert(lines.end(), kept.begin(), kept.end());
}

// The backup copy of a removal. "" on success, else why it was not written.
std::string BackUpEntry(RegistryApi& api, FileSystem& files, System& system, const RemovalTarget& t,
                        std::string* file) {
  std::vector<std::string> lines{kRegEditHeader};
  const std::string path = t.WholeKey ? t.KeyPath + "\\" + t.SubKey : t.KeyPath;
  try {
    if (!ExportRegKey(api, t.RootKey, path, t.WholeKey ? std::string() : t.ValueName, lines))
      return "The entry was not removed: it could not be backed up completely.";
  } catch (const ERegistryException& e) {
    return std::string("The entry was not removed: reading it for the backup failed (") + e.what() +
           ").";
  }
  if (!t.WholeKey && t.ValueName.empty()) KeepDefaultValueOnly(lines, 1);
  EnsureBackupFolder(system, files);
  const std::string target = FreeBackupPath(system, files, kAutomaticBackupPrefix);
  if (target.empty() || !SaveRegLines(files, target, lines)) {
    if (!target.empty()) files.RemoveFile(target);
    return "The entry was not removed: its backup copy could not be written to \"" +
           (target.empty() ? BackupFolder(system) + kAutomaticBackupPrefix : target) + "\".";
  }
  *file = target;
  return std::string();
}

bool EntryPresent(TRegistry& reg, const RemovalTarget& t) {
  return t.WholeKey ? reg.KeyExists(t.SubKey) : reg.ValueExists(t.ValueName);
}

}  // namespace

std::string ReadTextOrEmpty(TRegistry& reg, const std::string& name) {
  const std::uint32_t type = reg.GetDataType(name);
  if (type != kREG_SZ && type != kREG_EXPAND_SZ) return std::string();
  try {
    return reg.ReadString(name);
  } catch (const ERegistryException&) {
    // One unreadable value must not end the list; it shows as empty.
    return std::string();
  }
}

std::vector<BhoEntry> ListBhoEntries(RegistryApi& api) {
  TRegistry reg(api, kListAccess);
  reg.SetRootKey(kHKEY_LOCAL_MACHINE);
  std::vector<std::string> ids;
  if (reg.OpenKey(kBhoKeyPath, false)) ids = reg.GetKeyNames();
  reg.CloseKey();
  std::vector<BhoEntry> entries;
  reg.SetRootKey(kHKEY_CLASSES_ROOT);
  for (const std::string& id : ids) {
    BhoEntry e{id, DefaultText(reg, "\\CLSID\\" + id + "\\ProgID"),
               DefaultText(reg, "\\CLSID\\" + id + "\\InProcServer32")};
    if (e.Name.empty()) e.Name = kBhoNoNameText;
    entries.push_back(std::move(e));
  }
  return entries;
}

std::vector<StartupEntry> ListStartupEntries(RegistryApi& api) {
  TRegistry reg(api, kListAccess);
  std::vector<StartupEntry> entries;
  for (std::uint32_t root : {kHKEY_LOCAL_MACHINE, kHKEY_CURRENT_USER}) {
    reg.SetRootKey(root);
    if (!reg.OpenKey(kRunKeyPath, false)) continue;
    for (const std::string& name : reg.GetValueNames())
      entries.push_back(StartupEntry{name, ReadTextOrEmpty(reg, name), root});
    reg.CloseKey();
  }
  return entries;
}

std::vector<UninstallEntry> ListUninstallEntries(RegistryApi& api) {
  TRegistry reg(api, kListAccess);
  reg.SetRootKey(kHKEY_LOCAL_MACHINE);
  std::vector<std::string> keys;
  if (reg.OpenKey(kUninstallKeyPath, false)) keys = reg.GetKeyNames();
  reg.CloseKey();
  std::vector<UninstallEntry> entries;
  for (const std::string& key : keys) {
    if (!reg.OpenKey(std::string(kUninstallKeyPath) + "\\" + key, false)) continue;
    UninstallEntry e{ReadTextOrEmpty(reg, "DisplayName"), ReadTextOrEmpty(reg, "UninstallString"),
                     key};
    reg.CloseKey();
    if (!e.Name.empty() && !e.Uninstaller.empty()) entries.push_back(std::move(e));
  }
  return entries;
}

FileDetails ReadFileDetails(VersionInfo& versions, System& system, const std::string& path) {
  const std::string file = path.empty() ? system.ExecutablePath() : path;
  const std::vector<std::string> v =
      versions.QueryStrings(file, {"InternalName", "FileVersion", "ProductName", "ProductVersion",
                                   "FileDescription", "CompanyName"});
  return FileDetails{v[0], v[1], v[2], v[3], v[4], v[5], file.substr(file.find_last_of("\\/") + 1)};
}

std::string StartupProgramPath(TRegExpr& regex, FileSystem& files, const std::string& command) {
  const PathReadings found = ReadPaths(regex, command);
  QuietErrorMode quiet(files);
  for (const PathReading& r : found.readings)
    if (!LongerThanMaxPath(r.path) && files.FileExists(r.path)) return r.path;
  return found.longest;
}

RemovalOutcome RemoveToolEntry(RegistryApi& api, FileSystem& files, System& system,
                               const RemovalTarget& target, bool backup) {
  RemovalOutcome out;
  const char kRefused[] =
      "The entry could not be removed. You may not have the rights to change this part of the "
      "registry.";
  // An empty or nested name would reach past the entry meant: the key itself
  // or another branch.
  if (target.WholeKey && (target.SubKey.empty() || target.SubKey.find('\\') != std::string::npos)) {
    out.error = "The entry could not be removed: it has no key name of its own.";
    return out;
  }
  TRegistry reg(api, kRemoveAccess);
  reg.SetRootKey(target.RootKey);
  if (!reg.OpenKey(target.KeyPath, false)) {
    out.removed = !reg.KeyExists(target.KeyPath);
    if (!out.removed) out.error = kRefused;
    return out;
  }
  if (!EntryPresent(reg, target)) {
    out.removed = true;
    return out;
  }
  if (backup) {
    out.error = BackUpEntry(api, files, system, target, &out.backupFile);
    if (!out.error.empty()) return out;
  }
  if (target.WholeKey)
    reg.DeleteKey(target.SubKey);
  else
    reg.DeleteValue(target.ValueName);
  out.removed = !EntryPresent(reg, target);
  if (!out.removed) out.error = kRefused;
  return out;
}

bool UninstallEntryMatches(RegistryApi& api, const UninstallEntry& entry, bool* gone) {
  *gone = false;
  if (entry.Key.empty() || entry.Key.find('\\') != std::string::npos) return false;
  TRegistry reg(api, kListAccess);
  reg.SetRootKey(kHKEY_LOCAL_MACHINE);
  const std::string path = std::string(kUninstallKeyPath) + "\\" + entry.Key;
  if (!reg.OpenKey(path, false)) {
    *gone = !reg.KeyExists(path);
    return false;
  }
  return ReadTextOrEmpty(reg, "DisplayName") == entry.Name &&
         ReadTextOrEmpty(reg, "UninstallString") == entry.Uninstaller;
}

ExplorerBackupOutcome WriteExplorerBackup(RegistryApi& api, FileSystem& files, System& system) {
  ExplorerBackupOutcome out;
  const std::string failed = "Your Internet Explorer settings could not be backed up: ";
  std::vector<std::string> lines{kRegEditHeader};
  try {
    if (!ExportRegKey(api, kHKEY_CURRENT_USER, kExplorerKeyPath, "", lines)) {
      out.error = failed + "some of its keys or values could not be read.";
      return out;
    }
  } catch (const ERegistryException& e) {
    out.error = failed + e.what();
    return out;
  }
  EnsureBackupFolder(system, files);
  // Named after the export has finished.
  const std::string path = FreeBackupPath(system, files, kExplorerBackupPrefix);
  if (path.empty() || !SaveRegLines(files, path, lines)) {
    if (!path.empty()) files.RemoveFile(path);
    out.error = failed + "cannot create file \"" +
                (path.empty() ? BackupFolder(system) + kExplorerBackupPrefix : path) + "\".";
    return out;
  }
  out.written = true;
  out.file = path;
  return out;
}

}  // namespace corvanta
