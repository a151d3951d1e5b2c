#include "offline/wine_prefix.h"

#include <dirent.h>
#include <fcntl.h>
#include <glob.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "platform/memory/memory_registry.h"
#include "platform/offline/recording_registry.h"
#include "platform/offline/wine_registry_store.h"
#include "platform/registry_api.h"

namespace corvanta {

namespace {

// True when someone holds the lock file's lock (the server does while it runs).
bool LockHeld(const std::string& lock) {
  const int fd = open(lock.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return false;
  struct flock fl = {};
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  const bool held = fcntl(fd, F_GETLK, &fl) == 0 && fl.l_type != F_UNLCK;
  close(fd);
  return held;
}

// The text of a value of the in-memory registry without its NUL.
std::string Text(const MemoryRegistry& reg, std::uint32_t root, const std::string& path,
                 const std::string& name) {
  const std::vector<std::uint8_t> raw = reg.GetRaw(root, path, name);
  std::string text(raw.begin(), raw.end());
  const std::size_t nul = text.find('\0');
  return nul == std::string::npos ? text : text.substr(0, nul);
}

// The security id after "User\\" in user.reg's second line.
std::string UserSid(const std::string& userReg) {
  std::string bytes, error;
  const int fd = open(userReg.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::string();
  char buf[512];
  const ssize_t n = read(fd, buf, sizeof buf);
  close(fd);
  if (n <= 0) return std::string();
  bytes.assign(buf, static_cast<std::size_t>(n));
  const std::size_t at = bytes.find("User\\\\");
  if (at == std::string::npos) return std::string();
  const std::size_t end = bytes.find_first_of("\r\n", at);
  return bytes.substr(at + 6, end - at - 6);
}

// The version table Wine reports for its "Version" setting.
bool WineVersion(const std::string& name, OsVersion* v) {
  static const struct {
    const char* name;
    OsVersion version;
  } kTable[] = {
      {"win95", {1, 4, 0, 950, ""}},
      {"win98", {1, 4, 10, 2222, " A "}},
      {"winme", {1, 4, 90, 3000, " "}},
      {"nt351", {2, 3, 51, 1057, "Service Pack 5"}},
      {"nt40", {2, 4, 0, 1381, "Service Pack 6a"}},
      {"win2k", {2, 5, 0, 2195, "Service Pack 4"}},
      {"winxp", {2, 5, 1, 2600, "Service Pack 3"}},
      {"winxp64", {2, 5, 2, 3790, "Service Pack 2"}},
      {"win2003", {2, 5, 2, 3790, "Service Pack 2"}},
      {"vista", {2, 6, 0, 6002, "Service Pack 2"}},
      {"win2008", {2, 6, 0, 6002, "Service Pack 2"}},
      {"win7", {2, 6, 1, 7601, "Service Pack 1"}},
      {"win2008r2", {2, 6, 1, 7601, "Service Pack 1"}},
      {"win8", {2, 6, 2, 9200, ""}},
      {"win81", {2, 6, 3, 9600, ""}},
      {"win10", {2, 10, 0, 19043, ""}},
      {"win11", {2, 10, 0, 22000, ""}},
  };
  for (const auto& row : kTable) {
    if (name == row.name) {
      *v = row.version;
      return true;
    }
  }
  return false;
}

}  // namespace

bool IsHostDirectory(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string WineServerRunning(const std::string& folder) {
  struct stat st;
  if (stat(folder.c_str(), &st) != 0) return std::string();
  char leaf[64];
  std::snprintf(leaf, sizeof leaf, "server-%llx-%llx", static_cast<unsigned long long>(st.st_dev),
                static_cast<unsigned long long>(st.st_ino));
  // The server's folder is below the temporary folder, in ".wine-UID" or a
  // "wine-XXXXXX" folder of its own.
  std::vector<std::string> patterns;
  const char* const tmps[] = {getenv("TMPDIR"), "/tmp"};
  for (const char* tmp : tmps) {
    if (!tmp || !*tmp) continue;
    patterns.push_back(std::string(tmp) + "/.wine-" + std::to_string(getuid()) + "/" + leaf);
    patterns.push_back(std::string(tmp) + "/.wine-" + std::to_string(st.st_uid) + "/" + leaf);
    patterns.push_back(std::string(tmp) + "/wine-*/" + leaf);
  }
  for (const std::string& pattern : patterns) {
    glob_t g = {};
    if (glob(pattern.c_str(), 0, nullptr, &g) == 0) {
      for (std::size_t i = 0; i < g.gl_pathc; ++i) {
        if (LockHeld(std::string(g.gl_pathv[i]) + "/lock")) {
          globfree(&g);
          return "a wineserver of \"" + folder +
                 "\" is running and would write its own registry over the files when it ends: "
                 "stop it first (WINEPREFIX=\"" +
                 folder + "\" wineserver -k); nothing was changed";
        }
      }
    }
    globfree(&g);
  }
  return std::string();
}

std::unique_ptr<OfflineSystem> OpenWinePrefix(const std::string& folder,
                                              const std::string& executable, std::string* error) {
  std::string dir = folder;
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  if (!IsHostDirectory(dir)) {
    *error = "\"" + folder + "\" is not a folder";
    return nullptr;
  }
  const std::string systemReg = dir + "/system.reg";
  struct stat st;
  if (stat(systemReg.c_str(), &st) != 0) {
    *error = "\"" + folder + "\" is not a Wine prefix: it has no system.reg";
    return nullptr;
  }
  auto system = std::make_unique<OfflineSystem>("wine-prefix", folder);
  system->AddStore(std::make_unique<WineRegistryStore>(systemReg, kHKEY_LOCAL_MACHINE));
  for (const auto& [file, root, mount] :
       {std::tuple<const char*, std::uint32_t, const char*>{"user.reg", kHKEY_CURRENT_USER, ""},
        {"userdef.reg", kHKEY_USERS, ".Default"}}) {
    const std::string path = dir + "/" + file;
    if (stat(path.c_str(), &st) == 0)
      system->AddStore(std::make_unique<WineRegistryStore>(path, root, mount));
  }

  const std::string devices = dir + "/dosdevices";
  bool mapped = false;
  if (DIR* d = opendir(devices.c_str())) {
    while (const dirent* e = readdir(d)) {
      const std::string name = e->d_name;
      const char letter = name.size() == 2 && name[1] == ':' ? name[0] : 0;
      if (!((letter >= 'a' && letter <= 'z') || (letter >= 'A' && letter <= 'Z'))) continue;
      if (!IsHostDirectory(devices + "/" + name)) continue;
      system->files().MapDrive(letter, devices + "/" + name);
      mapped = true;
    }
    closedir(d);
  }
  if (!mapped) system->files().MapDrive('C', dir + "/drive_c");

  system->SetExecutable(executable);
  system->AddWriteCheck([dir] { return WineServerRunning(dir); });
  if (!system->Load(error)) return nullptr;

  MemoryRegistry& reg = system->memory();
  // The user whose registry user.reg holds, by its profile folder.
  std::string user;
  const std::string sid = UserSid(dir + "/user.reg");
  if (!sid.empty()) {
    const std::string profile = Text(
        reg, kHKEY_LOCAL_MACHINE,
        "Software\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList\\" + sid, "ProfileImagePath");
    user = profile.substr(profile.find_last_of('\\') + 1);
  }
  if (user.empty() && getenv("USER")) user = getenv("USER");
  system->SetUser(user);
  // A full export names the user's keys below HKEY_USERS by that id.
  if (!sid.empty()) system->registry().AddAlias(kHKEY_USERS, sid, kHKEY_CURRENT_USER);

  std::string version = Text(reg, kHKEY_CURRENT_USER, "Software\\Wine", "Version");
  if (version.empty()) version = Text(reg, kHKEY_LOCAL_MACHINE, "Software\\Wine", "Version");
  OsVersion v;
  if (WineVersion(version, &v)) system->SetVersion(v);
  return system;
}

}  // namespace corvanta
