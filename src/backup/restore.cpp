#include "backup/restore.h"

#include <unordered_map>

#include "backup/backup_store.h"
#include "backup/reg_export.h"
#include "backup/reg_import.h"
#include "platform/file_system.h"
#include "platform/platform.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/text_convert.h"

namespace corvanta {

const char kRestoreSuccessText[] =
    "The registry restore operation was successful!\r\n\r\nAll registry entries in the backup "
    "file you have selected were added back to your Windows Registry.";
const char kFullBackupSuccessText[] = "The full registry backup operation was successful!";

namespace {

bool SplitPath(const std::string& path, std::string* parent, std::string* leaf) {
  const std::size_t cut = path.find_last_of('\\');
  if (cut == std::string::npos || cut + 1 >= path.size()) return false;
  *parent = path.substr(0, cut);
  *leaf = path.substr(cut + 1);
  return true;
}

bool IsDotEntry(const std::string& name) {
  return name == "." || name == "..";
}

// The shortcut a copy below the folder stands for: "<folder>\C\a\b.lnk" ->
// "C:\a\b.lnk", "<folder>\UNC\srv\share\x.lnk" -> "\\srv\share\x.lnk".
std::string OriginalOfCopy(const std::string& relative) {
  if (relative.size() >= 2 && relative[1] == '\\')
    return relative.substr(0, 1) + ":" + relative.substr(1);
  if (relative.compare(0, 4, "UNC\\") == 0) return "\\\\" + relative.substr(4);
  return std::string();
}

struct ShortcutTally {
  int restored = 0;
  int kept = 0;
  std::vector<std::string> failed;
};

void RestoreShortcutCopies(FileSystem& files, const std::string& folder,
                           const std::string& relative, ShortcutTally& tally) {
  const std::string here = relative.empty() ? folder : folder + "\\" + relative;
  for (const FindEntry& e : files.FindFiles(here + "\\*", faAnyFile)) {
    if (IsDotEntry(e.name)) continue;
    const std::string rel = relative.empty() ? e.name : relative + "\\" + e.name;
    if ((e.attributes & faDirectory) != 0) {
      RestoreShortcutCopies(files, folder, rel, tally);
      continue;
    }
    const std::string original = OriginalOfCopy(rel);
    if (original.empty()) continue;
    if (files.GetAttributes(original) != kInvalidAttributes) {
      ++tally.kept;  // never over a file that is there now
      continue;
    }
    std::string parent, leaf;
    if (SplitPath(original, &parent, &leaf) && MakeFolders(files, parent) &&
        files.CopyOneFile(folder + "\\" + rel, original)) {
      ++tally.restored;
    } else {
      tally.failed.push_back(original);
    }
  }
}

std::string Plural(int n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

bool HoldsData(TRegistry& reg, const RegFileEntry& e) {
  try {
    const std::uint32_t type = reg.GetDataType(e.valueName);
    const std::vector<std::uint8_t> data = reg.ReadBinaryData(e.valueName);
    return type == e.type && SameValueData(type, data, e.data);
  } catch (const ERegistryException&) {
    return false;
  }
}

// The entries of the file that are not in the registry now, or not as the
// file has them.
std::vector<RegFileEntry> MissingEntries(RegistryApi& api, const std::vector<RegFileEntry>& all) {
  std::vector<RegFileEntry> missing;
  TRegistry reg(api, kKEY_READ);
  uint32_t openRoot = 0;
  std::string openPath;
  bool open = false;
  for (const RegFileEntry& e : all) {
    reg.SetRootKey(e.root);
    if (!e.isValue) {
      if (!e.keyPath.empty() && !reg.KeyExists(e.keyPath)) missing.push_back(e);
      continue;
    }
    if (!open || openRoot != e.root || openPath != e.keyPath) {
      reg.CloseKey();
      open = reg.OpenKey(e.keyPath.empty() ? "\\" : e.keyPath, false);
      openRoot = e.root;
      openPath = e.keyPath;
    }
    // A key that refuses reading cannot be looked into; its header says
    // whether it exists. A value must hold what the file gave it.
    if (open && (!reg.ValueExists(e.valueName) || !HoldsData(reg, e))) missing.push_back(e);
  }
  return missing;
}

std::string EditorMissingText() {
  return "The system's registry editor (regedit.exe) was not found.";
}

std::string NotRegistryFileText(const std::string& path) {
  return "\"" + path +
         "\" is not a registry file: it does not begin with \"REGEDIT4\" or \"Windows Registry "
         "Editor Version 5.00\".";
}

// Runs the editor; "" when it ran to its end, else why not.
std::string RunEditor(Platform& platform, const std::string& params,
                      const std::function<void()>& pump) {
  const std::string editor = platform.process.RegistryEditorPath();
  if (editor.empty()) return EditorMissingText();
  const ProcessOutcome run =
      platform.process.RunHidden(editor, params, kRegistryEditorTimeoutMs, pump);
  switch (run.end) {
    case ProcessOutcome::End::Exited:
      return std::string();
    case ProcessOutcome::End::LaunchFailed:
      return "The registry editor could not be started: " + run.error;
    case ProcessOutcome::End::TimedOut:
      break;
  }
  return "The registry editor did not finish within " +
         std::to_string(kRegistryEditorTimeoutMs / 60000) + " minutes.";
}

}  // namespace

RegFileFormat DetectRegFileFormat(const std::string& bytes) {
  if (bytes.compare(0, 8, kRegEditHeader) == 0) return RegFileFormat::RegEdit4;
  std::string wide = "\xFF\xFE";
  for (const char* p = kVersion5Header; *p != '\0'; ++p) {
    wide += *p;
    wide += '\0';
  }
  if (bytes.compare(0, wide.size(), wide) == 0) return RegFileFormat::Version5;
  return RegFileFormat::Unknown;
}

std::vector<RegFileEntry> ReadRegFileEntries(const std::string& bytes) {
  std::vector<RegFileEntry> entries;
  for (const RegFileRecord& r : ParseRegFile(bytes)) {
    const bool isValue = r.kind == RegFileRecord::Kind::Value;
    if (!isValue && r.kind != RegFileRecord::Kind::Key) continue;
    RegFileEntry e;
    e.root = r.root;
    e.keyPath = r.keyPath;
    e.isValue = isValue;
    if (isValue) {
      e.valueName = r.valueName;
      e.type = r.type;
      e.data = r.data;
    }
    entries.push_back(std::move(e));
  }
  // A later line for the same value decides what the value holds.
  std::unordered_map<std::string, std::size_t> lastLine;
  auto nameOf = [](const RegFileEntry& e) {
    return std::to_string(e.root) + Utf8Upper(e.keyPath) + "\\\"" + Utf8Upper(e.valueName);
  };
  for (std::size_t i = 0; i < entries.size(); ++i)
    if (entries[i].isValue) lastLine[nameOf(entries[i])] = i;
  std::vector<RegFileEntry> last;
  for (std::size_t i = 0; i < entries.size(); ++i)
    if (!entries[i].isValue || lastLine[nameOf(entries[i])] == i)
      last.push_back(std::move(entries[i]));
  return last;
}

std::string DescribeEntry(const RegFileEntry& entry) {
  std::string text = RootKeyName(entry.root) + entry.keyPath;
  if (entry.isValue) text += "\\\"" + entry.valueName + "\"";
  return text;
}

std::string ShortcutCopiesFolder(const std::string& backupPath) {
  std::string base = backupPath;
  if (base.size() >= 4) {
    std::string tail = base.substr(base.size() - 4);
    for (char& c : tail) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (tail == ".reg") base.resize(base.size() - 4);
  }
  return base + "_files";
}

std::string ShortcutCopyPath(const std::string& copiesFolder, const std::string& shortcutPath) {
  if (shortcutPath.compare(0, 2, "\\\\") == 0)
    return copiesFolder + "\\UNC\\" + shortcutPath.substr(2);
  if (shortcutPath.size() >= 2 && shortcutPath[1] == ':') {
    std::string rest = shortcutPath.substr(2);
    if (rest.empty() || rest[0] != '\\') rest = "\\" + rest;
    return copiesFolder + "\\" + shortcutPath.substr(0, 1) + rest;
  }
  return copiesFolder + (shortcutPath.compare(0, 1, "\\") == 0 ? "" : "\\") + shortcutPath;
}

bool MakeFolders(FileSystem& files, const std::string& path) {
  if (files.DirectoryExists(path)) return true;
  std::string parent, leaf;
  if (SplitPath(path, &parent, &leaf) && parent.size() > 2 && !MakeFolders(files, parent))
    return false;
  files.MakeDirectory(path);
  return files.DirectoryExists(path);
}

bool CopyShortcutIntoBackup(FileSystem& files, const std::string& copiesFolder,
                            const std::string& shortcutPath) {
  const std::string copy = ShortcutCopyPath(copiesFolder, shortcutPath);
  std::string parent, leaf;
  if (!SplitPath(copy, &parent, &leaf) || !MakeFolders(files, parent)) return false;
  if (files.CopyOneFile(shortcutPath, copy)) return true;
  // A copy there already stands for the shortcut only when it is the same.
  std::string original, existing;
  return files.ReadWholeFile(shortcutPath, &original) && files.ReadWholeFile(copy, &existing) &&
         original == existing;
}

bool RemoveFolderTree(FileSystem& files, const std::string& folder) {
  for (const FindEntry& e : files.FindFiles(folder + "\\*", faAnyFile)) {
    if (IsDotEntry(e.name)) continue;
    const std::string path = folder + "\\" + e.name;
    // A linked folder is removed as a link, never followed.
    if ((e.attributes & faDirectory) != 0 && (e.attributes & faReparsePoint) == 0)
      RemoveFolderTree(files, path);
    else if ((e.attributes & faDirectory) != 0)
      files.RemoveFolder(path);
    else
      files.RemoveFile(path);
  }
  files.RemoveFolder(folder);
  return files.GetAttributes(folder) == kInvalidAttributes;
}

RestoreResult RestoreBackup(Platform& platform, const std::string& path,
                            const std::function<void()>& pump) {
  RestoreResult result;
  FileSystem& files = platform.files;
  std::string bytes;
  if (!files.FileExists(path)) {
    result.error = "The backup file \"" + path + "\" no longer exists.";
    return result;
  }
  if (!files.ReadWholeFile(path, &bytes)) {
    result.error = "The backup file \"" + path + "\" could not be read.";
    return result;
  }
  if (DetectRegFileFormat(bytes) == RegFileFormat::Unknown) {
    result.error = NotRegistryFileText(path);
    return result;
  }
  const std::vector<RegFileEntry> entries = ReadRegFileEntries(bytes);
  result.entries = static_cast<int>(entries.size());

  // The editor's own short switches: "/S" imports without asking. Never "/C":
  // on the Windows 95 family that builds a new registry from the file alone.
  result.error = RunEditor(platform, "/S \"" + path + "\"", pump);
  if (!result.error.empty()) return result;

  // Its exit code proves nothing (some editors always answer 0): look.
  const std::vector<RegFileEntry> missing = MissingEntries(platform.registry, entries);
  ShortcutTally tally;
  const std::string copies = ShortcutCopiesFolder(path);
  if (files.DirectoryExists(copies)) RestoreShortcutCopies(files, copies, "", tally);
  result.shortcutsRestored = tally.restored;
  result.shortcutsKept = tally.kept;

  if (!missing.empty()) {
    result.error = "After the import " + std::to_string(missing.size()) + " of the " +
                   Plural(result.entries, "key and value", "keys and values") +
                   " in the backup file are not in the registry, for example \"" +
                   DescribeEntry(missing.front()) + "\".";
  }
  if (!tally.failed.empty()) {
    if (!result.error.empty()) result.error += "\r\n\r\n";
    result.error += Plural(static_cast<int>(tally.failed.size()), "shortcut", "shortcuts") +
                    " could not be put back, for example \"" + tally.failed.front() + "\".";
  }
  result.ok = result.error.empty();
  return result;
}

bool DeleteBackupFiles(FileSystem& files, const std::string& path) {
  if (!files.RemoveFile(path) && files.GetAttributes(path) != kInvalidAttributes) return false;
  const std::string copies = ShortcutCopiesFolder(path);
  const std::uint32_t a = files.GetAttributes(copies);
  // A linked folder goes as a link: what it leads to is not the backup's.
  if (a != kInvalidAttributes && (a & faReparsePoint) != 0)
    files.RemoveFolder(copies);
  else if (files.DirectoryExists(copies))
    RemoveFolderTree(files, copies);
  return true;
}

FullBackupResult PrepareFullBackup(Platform& platform) {
  FullBackupResult r;
  EnsureBackupFolder(platform.system, platform.files);
  const std::string folder = BackupFolder(platform.system);
  if (!platform.files.DirectoryExists(folder.substr(0, folder.size() - 1))) {
    r.error =
        "The backup folder \"" + folder.substr(0, folder.size() - 1) + "\" could not be created.";
    return r;
  }
  r.path = FreeBackupPath(platform.system, platform.files, kFullBackupPrefix);
  if (r.path.empty()) {
    r.error = "No free name for a new backup was found in \"" + folder + "\".";
    return r;
  }
  r.ok = true;
  return r;
}

FullBackupResult ExportFullBackup(Platform& platform, const FullBackupResult& prepared,
                                  const std::function<void()>& pump) {
  FullBackupResult r = prepared;
  r.ok = false;
  if (!prepared.ok) return r;
  // "/E" with a file and no key exports the whole registry.
  r.error = RunEditor(platform, "/E \"" + r.path + "\"", pump);
  if (!r.error.empty()) return r;
  std::string bytes;
  if (!platform.files.FileExists(r.path) || !platform.files.ReadWholeFile(r.path, &bytes) ||
      bytes.empty()) {
    r.error = "The registry editor did not write \"" + r.path + "\".";
  } else if (DetectRegFileFormat(bytes) == RegFileFormat::Unknown) {
    r.error = "The registry editor wrote \"" + r.path + "\", but it is not a registry file.";
  }
  if (!r.error.empty()) {
    // A partial or foreign file must not be listed as a backup.
    platform.files.RemoveFile(r.path);
    return r;
  }
  r.ok = true;
  return r;
}

}  // namespace corvanta
