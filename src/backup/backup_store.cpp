#include "backup/backup_store.h"

#include <cctype>
#include <cstdio>

#include "backup/backup_list_page.h"
#include "platform/file_system.h"

namespace corvanta {

const char kAutomaticBackupPrefix[] = "Automatic Backup_";
const char kExplorerBackupPrefix[] = "Explorer Backup_";
const char kFullBackupPrefix[] = "Full Registry Backup_";

std::string BackupFolder(System& system) {
  return system.ExecutableFolder() + "Backup\\";
}

std::string BackupFileName(const std::string& prefix, const LocalDateTime& when) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%02d-%02d-%04d_%02d-%02d-%02d.reg", when.month, when.day,
                when.year, when.hour, when.minute, when.second);
  return prefix + buf;
}

void EnsureBackupFolder(System& system, FileSystem& files) {
  const std::string folder = system.ExecutableFolder() + "Backup";
  if (!files.DirectoryExists(folder)) files.MakeDirectory(folder);
}

std::string FreeBackupPath(System& system, FileSystem& files, const std::string& prefix) {
  const std::string folder = BackupFolder(system);
  for (int attempt = 0; attempt < 4; ++attempt) {
    const LocalDateTime now = system.Now();
    const std::string path = folder + BackupFileName(prefix, now);
    if (files.GetAttributes(path) == kInvalidAttributes) return path;
    system.Sleep(static_cast<std::uint32_t>(1000 - now.ms) + 10);
  }
  return "";
}

namespace {

std::string RemoveRegExtensions(const std::string& text) {
  std::string out;
  std::size_t i = 0;
  while (i < text.size()) {
    if (i + 4 <= text.size() && text[i] == '.' &&
        std::tolower(static_cast<unsigned char>(text[i + 1])) == 'r' &&
        std::tolower(static_cast<unsigned char>(text[i + 2])) == 'e' &&
        std::tolower(static_cast<unsigned char>(text[i + 3])) == 'g') {
      i += 4;
      continue;
    }
    out += text[i++];
  }
  return out;
}

std::string Replace(std::string text, char from, char to) {
  for (char& c : text)
    if (c == from) c = to;
  return text;
}

}  // namespace

TRestoreRecord ParseRestoreRecord(const std::string& fileName) {
  TRestoreRecord r;
  r.FileName = fileName;
  const std::size_t first = fileName.find('_');
  std::string rest = fileName;
  if (first != std::string::npos) {
    r.BackupType = fileName.substr(0, first);
    rest = fileName.substr(first + 1);
  }
  const std::size_t second = rest.find('_');
  std::string time = second == std::string::npos ? rest : rest.substr(second + 1);
  r.TimeText = Replace(RemoveRegExtensions(time), '-', ':');
  r.DateText =
      second == std::string::npos ? std::string() : Replace(rest.substr(0, second), '-', '/');
  return r;
}

std::string RestoreRowDateTime(const TRestoreRecord& record) {
  return record.DateText + " - " + record.TimeText;
}

TRestoreArray ListBackups(System& system, FileSystem& files,
                          const std::function<void()>& beforeEach) {
  TRestoreArray list;
  const std::string folder = BackupFolder(system);
  if (!files.DirectoryExists(folder.substr(0, folder.size() - 1))) return list;
  files.ForEachFile(folder + "*.reg", faAnyFile, [&](const FindEntry& entry) {
    if (beforeEach) beforeEach();
    list.push_back(ParseRestoreRecord(entry.name));
    return true;
  });
  return list;
}

void RebuildRestoreList(BackupListPage& page, System& system, FileSystem& files,
                        TRestoreArray& RestoreList) {
  page.ClearRows();
  page.ProcessMessages();
  if (!page.Shown()) return;
  page.ShowRestorePane();
  RestoreList = ListBackups(system, files, [&page] { page.ProcessMessages(); });
  // A page change handled while this pumped ran a rebuild of its own, which
  // has added its rows already.
  page.ClearRows();
  for (const TRestoreRecord& r : RestoreList) page.AddRow(r.BackupType, RestoreRowDateTime(r));
}

}  // namespace corvanta
