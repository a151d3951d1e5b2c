#include "offline/windows_volume.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>

#include "platform/offline/hive/hive_text.h"
#include "platform/registry_api.h"

namespace corvanta {

namespace {

bool IsDirectory(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsFile(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The entries of a folder, sorted, without "." and "..".
std::vector<std::string> Entries(const std::string& folder) {
  std::vector<std::string> names;
  if (DIR* d = opendir(folder.c_str())) {
    while (const dirent* e = readdir(d)) {
      const std::string name = e->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    closedir(d);
  }
  std::sort(names.begin(), names.end());
  return names;
}

// folder/a/b/... with each name matched as Windows matches it on a
// case-sensitive tree; "" when one is missing.
std::string Find(const std::string& folder, const std::vector<std::string>& names) {
  std::string path = folder;
  for (const std::string& name : names) {
    std::string found;
    for (const std::string& e : Entries(path)) {
      if (hive::SameName(e, name)) {
        found = e;
        if (e == name) break;
      }
    }
    if (found.empty()) return "";
    path += "/" + found;
  }
  return path;
}

std::string Lookup(const std::vector<std::pair<std::string, std::string>>& values,
                   const std::string& name) {
  for (const auto& v : values) {
    if (hive::SameName(v.first, name)) return v.second;
  }
  return "";
}

// Profiles the system makes for itself, not for a person.
bool IsSystemProfile(const std::string& name) {
  for (const char* s :
       {"All Users", "Default", "Default User", "LocalService", "NetworkService", "Public"}) {
    if (hive::SameName(name, s)) return true;
  }
  return false;
}

bool Fail(std::string* error, const std::string& text) {
  if (error) *error = text;
  return false;
}

const char kCurrentVersion[] = "Microsoft\\Windows NT\\CurrentVersion";

}  // namespace

std::vector<std::unique_ptr<HiveStore>> WindowsVolume::MakeStores() const {
  std::vector<std::unique_ptr<HiveStore>> stores;
  stores.push_back(std::make_unique<HiveStore>(softwareHive, kHKEY_LOCAL_MACHINE, "SOFTWARE"));
  stores.push_back(std::make_unique<HiveStore>(userHive, kHKEY_CURRENT_USER, ""));
  if (!classesHive.empty()) {
    // The system shows UsrClass.dat in place of NTUSER.DAT's own key.
    stores.back()->Exclude("Software\\Classes");
    stores.push_back(
        std::make_unique<HiveStore>(classesHive, kHKEY_CURRENT_USER, "Software\\Classes"));
  }
  return stores;
}

bool FindWindowsVolume(const std::string& folder, const std::string& user, WindowsVolume* out,
                       std::string* error) {
  WindowsVolume v;
  v.folder = folder;
  if (!IsDirectory(folder)) return Fail(error, folder + ": no such folder");
  for (const char* name : {"Windows", "WINNT"}) {
    const std::string w = Find(folder, {name});
    const std::string hive = w.empty() ? "" : Find(w, {"System32", "config", "SOFTWARE"});
    if (!hive.empty() && IsFile(hive)) {
      v.softwareHive = hive;
      break;
    }
  }
  if (v.softwareHive.empty()) {
    return Fail(error,
                folder + ": not a Windows system volume (no Windows/System32/config/SOFTWARE)");
  }

  // Profiles: XP's "Documents and Settings", later "Users".
  std::vector<std::string> profiles;  // folder paths
  for (const char* name : {"Documents and Settings", "Users"}) {
    const std::string root = Find(folder, {name});
    if (root.empty() || !IsDirectory(root)) continue;
    for (const std::string& e : Entries(root)) {
      const std::string hive = Find(root + "/" + e, {"NTUSER.DAT"});
      if (!hive.empty() && IsFile(hive)) profiles.push_back(root + "/" + e);
    }
    if (!profiles.empty()) break;
  }
  auto base = [](const std::string& path) { return path.substr(path.rfind('/') + 1); };
  std::vector<std::string> people;
  std::string names;
  for (const std::string& p : profiles) {
    if (IsSystemProfile(base(p))) continue;
    people.push_back(p);
    names += (names.empty() ? "" : ", ") + base(p);
  }
  if (!user.empty()) {
    for (const std::string& p : profiles) {
      if (hive::SameName(base(p), user)) v.profileFolder = p;
    }
    if (v.profileFolder.empty()) {
      return Fail(error, folder + ": no user profile " + user +
                             " (profiles: " + (names.empty() ? "none" : names) + ")");
    }
  } else if (people.size() == 1) {
    v.profileFolder = people[0];
  } else if (people.empty()) {
    return Fail(error, folder +
                           ": no user profile with an NTUSER.DAT under \"Documents and "
                           "Settings\" or \"Users\"");
  } else {
    return Fail(error,
                folder + ": several user profiles (" + names + "); choose one with --user NAME");
  }
  v.userHive = Find(v.profileFolder, {"NTUSER.DAT"});
  for (const std::vector<std::string>& path :
       {std::vector<std::string>{"AppData", "Local", "Microsoft", "Windows", "UsrClass.dat"},
        std::vector<std::string>{"Local Settings", "Application Data", "Microsoft", "Windows",
                                 "UsrClass.dat"}}) {
    const std::string hive = Find(v.profileFolder, path);
    if (!hive.empty() && IsFile(hive)) {
      v.classesHive = hive;
      break;
    }
  }
  for (const std::string* hive : {&v.softwareHive, &v.userHive, &v.classesHive}) {
    if (hive->empty()) continue;
    const std::string why = CheckHive(*hive);
    if (!why.empty()) return Fail(error, *hive + ": hivex cannot open it as a hive (" + why + ")");
  }

  // What the system says about itself.
  std::vector<std::pair<std::string, std::string>> cv;
  ReadHiveTexts(v.softwareHive, kCurrentVersion, &cv);
  v.versionName = Lookup(cv, "ProductName");
  if (v.versionName.rfind("Microsoft ", 0) == 0) v.versionName.erase(0, 10);
  if (v.versionName.empty()) v.versionName = "Windows";
  const std::string systemRoot = Lookup(cv, "SystemRoot");
  if (systemRoot.size() >= 2 && systemRoot[1] == ':') {
    v.drive = static_cast<char>(std::toupper(static_cast<unsigned char>(systemRoot[0])));
  }
  v.userName = base(v.profileFolder);
  *out = std::move(v);
  return true;
}

std::unique_ptr<OfflineSystem> OpenWindowsVolume(const std::string& folder, const std::string& user,
                                                 const std::string& executable, std::string* error,
                                                 const std::vector<DriveMapping>& drives) {
  WindowsVolume v;
  if (!FindWindowsVolume(folder, user, &v, error)) return nullptr;
  auto system = std::make_unique<OfflineSystem>("windows-volume", folder);
  std::vector<const HiveStore*> hives;
  for (std::unique_ptr<HiveStore>& store : v.MakeStores()) {
    hives.push_back(store.get());
    system->AddStore(std::move(store));
  }
  system->AddWriteCheck([hives] {
    for (const HiveStore* h : hives) {
      const std::string why = h->RefuseWrite();
      if (!why.empty()) return why;
    }
    return std::string();
  });
  system->files().SetVolumeRules();
  for (const DriveMapping& d : drives) system->files().MapDrive(d.letter, d.folder);
  system->files().MapDrive(v.drive, v.folder);
  system->SetUser(v.userName);
  system->MergeUserClasses();
  system->SetExecutable(executable);
  if (!system->Load(error)) return nullptr;
  system->SetVersionName(v.versionName);
  return system;
}

}  // namespace corvanta
