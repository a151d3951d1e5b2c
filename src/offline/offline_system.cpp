#include "offline/offline_system.h"

#include <pwd.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <thread>

#include "backup/backup_store.h"
#include "backup/reg_export.h"
#include "backup/reg_import.h"
#include "backup/restore.h"
#include "platform/http.h"
#include "platform/memory/memory_registry.h"
#include "platform/offline/host_files.h"
#include "platform/offline/lnk_shell_links.h"
#include "platform/offline/merged_classes.h"
#include "platform/offline/pe_version_info.h"
#include "platform/offline/recording_registry.h"
#include "platform/offline/wine_registry_store.h"
#include "platform/platform.h"
#include "platform/process.h"
#include "platform/shell.h"
#include "platform/text_convert.h"
#include "platform/version_info.h"
#include "results/os_name.h"

namespace corvanta {

namespace {

const char kNtCurrentVersion[] = "Software\\Microsoft\\Windows NT\\CurrentVersion";
const char kCurrentVersion[] = "Software\\Microsoft\\Windows\\CurrentVersion";
const char kShellFolders[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char kUserShellFolders[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

// A text value of the in-memory registry without its NUL; "" when absent.
std::string ReadText(const MemoryRegistry& reg, std::uint32_t root, const std::string& path,
                     const std::string& name) {
  const std::vector<std::uint8_t> raw = reg.GetRaw(root, path, name);
  std::string text(raw.begin(), raw.end());
  const std::size_t nul = text.find('\0');
  if (nul != std::string::npos) text.resize(nul);
  return text;
}

std::string LowerOf(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

std::string LastComponent(const std::string& path) {
  const std::size_t cut = path.find_last_of("\\/");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

// Later versions than the project's own name table knows.
std::string VersionName(const OsVersion& v) {
  const std::string known = OsNameFor(v);
  if (!known.empty()) return known;
  if (v.major == 6 && v.minor == 0) return "Windows Vista";
  if (v.major == 6 && v.minor == 1) return "Windows 7";
  if (v.major == 6 && v.minor == 2) return "Windows 8";
  if (v.major == 6 && v.minor == 3) return "Windows 8.1";
  if (v.major == 10) return v.build >= 22000 ? "Windows 11" : "Windows 10";
  return "Windows " + std::to_string(v.major) + "." + std::to_string(v.minor);
}

class HostSystem : public System {
 public:
  std::string ExecutablePath() override { return exe; }
  std::string ExecutableFolder() override { return exe.substr(0, exe.find_last_of('\\') + 1); }
  std::string FirstArgument() override { return std::string(); }
  LocalDateTime Now() override {
    const auto now = std::chrono::system_clock::now();
    const std::time_t t = std::chrono::system_clock::to_time_t(now);
    std::tm tm{};
    localtime_r(&t, &tm);
    LocalDateTime d;
    d.year = tm.tm_year + 1900;
    d.month = tm.tm_mon + 1;
    d.day = tm.tm_mday;
    d.hour = tm.tm_hour;
    d.minute = tm.tm_min;
    d.second = tm.tm_sec;
    d.ms = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000);
    return d;
  }
  std::uint64_t TickCount() override {
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now().time_since_epoch())
                                          .count());
  }
  void Sleep(std::uint32_t ms) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  }
  OsVersion GetVersion() override { return version; }
  void EnableAllPrivileges() override {}
  bool RunsWithoutAdminRights() override { return false; }
  // A stopped system has no System Restore to call.
  RestorePointResult CallRestorePoint(const std::string&, const std::string&,
                                      const RestorePointRequest&) override {
    return RestorePointResult::LibraryMissing;
  }

  // A stopped Wine prefix reads as this machine's Wine would run it: its data
  // folder (a Windows path through the prefix's drives) holds the fonts it ships.
  std::string WineVersion() override { return wineDataDir.empty() ? std::string() : "host"; }
  std::string EnvironmentVariable(const std::string& name) override {
    return name == "WINEDATADIR" && !wineDataDir.empty() ? "\\??\\" + wineDataDir : std::string();
  }

  std::string exe;
  OsVersion version;
  std::string wineDataDir;
};

// Special folders from the system's own registry: "Shell Folders" as the
// shell last wrote them, else "User Shell Folders" with the variables filled.
class RegistryShell : public Shell {
 public:
  RegistryShell(MemoryRegistry& reg, OfflineFileSystem& files, const std::string& user)
      : reg_(reg), files_(files), user_(user) {}

  int Execute(std::uintptr_t, const std::string&, const std::string&, const std::string&,
              const std::string&, int) override {
    return 2;  // nothing runs on a stopped system
  }
  std::string LastErrorText() override {
    return "Nothing can be started on a system that is not running.";
  }
  std::string GetSpecialFolderPath(int csidl) override {
    struct Folder {
      int csidl;
      bool machine;
      const char* name;
    };
    static const Folder kFolders[] = {
        {2, false, "Programs"},        {5, false, "Personal"},
        {6, false, "Favorites"},       {7, false, "Startup"},
        {11, false, "Start Menu"},     {16, false, "Desktop"},
        {20, false, "Fonts"},          {22, true, "Common Start Menu"},
        {23, true, "Common Programs"}, {24, true, "Common Startup"},
        {25, true, "Common Desktop"},  {26, false, "AppData"},
        {28, false, "Local AppData"},  {35, true, "Common AppData"},
    };
    for (const Folder& f : kFolders) {
      if (f.csidl != csidl) continue;
      const std::uint32_t root = f.machine ? kHKEY_LOCAL_MACHINE : kHKEY_CURRENT_USER;
      std::string path = ReadText(reg_, root, kShellFolders, f.name);
      if (path.empty()) path = Expand(ReadText(reg_, root, kUserShellFolders, f.name), 0);
      if (path.empty() && csidl == 20) path = files_.WindowsDirectory() + "\\Fonts";
      return path;
    }
    return std::string();
  }

 private:
  std::string Variable(const std::string& name, int depth) {
    const std::string n = LowerOf(name);
    const std::string profiles = kNtCurrentVersion + std::string("\\ProfileList");
    const std::string windir = files_.WindowsDirectory();
    if (n == "systemroot" || n == "windir") return windir;
    if (n == "systemdrive") return windir.substr(0, 2);
    if (n == "userprofile") return UserProfile();
    if (n == "username") return user_;
    if (n == "programdata" || n == "allusersprofile") {
      std::string p = Expand(ReadText(reg_, kHKEY_LOCAL_MACHINE, profiles, "ProgramData"), depth);
      if (p.empty()) {
        const std::string all = ReadText(reg_, kHKEY_LOCAL_MACHINE, profiles, "AllUsersProfile");
        if (!all.empty()) p = ProfilesDirectory() + "\\" + all;
      }
      return p;
    }
    if (n == "public")
      return Expand(ReadText(reg_, kHKEY_LOCAL_MACHINE, profiles, "Public"), depth);
    if (n == "programfiles")
      return ReadText(reg_, kHKEY_LOCAL_MACHINE, kCurrentVersion, "ProgramFilesDir");
    if (n == "appdata" || n == "localappdata") {
      const std::string v = n == "appdata" ? "AppData" : "Local AppData";
      std::string p = ReadText(reg_, kHKEY_CURRENT_USER, kShellFolders, v);
      return p.empty() ? Expand(ReadText(reg_, kHKEY_CURRENT_USER, kUserShellFolders, v), depth)
                       : p;
    }
    return std::string();
  }

  std::string ProfilesDirectory() {
    const std::string profiles = kNtCurrentVersion + std::string("\\ProfileList");
    std::string dir = Expand(ReadText(reg_, kHKEY_LOCAL_MACHINE, profiles, "ProfilesDirectory"), 1);
    return dir.empty() ? files_.WindowsDirectory().substr(0, 2) + "\\Documents and Settings" : dir;
  }

  std::string UserProfile() { return ProfilesDirectory() + "\\" + user_; }

  // %NAME% filled in; unknown names stay as they are.
  std::string Expand(const std::string& text, int depth) {
    if (depth > 4) return text;
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
      const std::size_t open = text.find('%', i);
      const std::size_t close = open == std::string::npos ? open : text.find('%', open + 1);
      if (close == std::string::npos) {
        out += text.substr(i);
        break;
      }
      out += text.substr(i, open - i);
      const std::string name = text.substr(open + 1, close - open - 1);
      const std::string value = Variable(name, depth + 1);
      out += value.empty() ? text.substr(open, close - open + 1) : value;
      i = close + 1;
    }
    return out;
  }

  MemoryRegistry& reg_;
  OfflineFileSystem& files_;
  const std::string& user_;
};

const char kSystemComment[] = "; System: ";

// A backup's two formats: REGEDIT4 in the code page, and version 5 in
// UTF-16LE after its byte-order mark.
bool IsVersion5(const std::string& bytes) {
  return bytes.compare(0, 2, "\xFF\xFE") == 0;
}

std::string HeaderLineOf(const std::string& bytes) {
  if (IsVersion5(bytes)) return "\xFF\xFE" + Utf8ToUtf16Le(std::string(kVersion5Header) + "\r\n");
  return std::string(kRegEditHeader) + "\r\n";
}

// The system a backup names in its first comment line, "" when none.
std::string BackupSystemOf(const std::string& bytes) {
  // The head of the file is enough: the comment is its second line.
  const std::string text =
      IsVersion5(bytes)
          ? Utf16LeToUtf8(reinterpret_cast<const unsigned char*>(bytes.data()) + 2,
                          (std::min<std::size_t>(bytes.size(), 8192) - 2) & ~std::size_t{1})
          : bytes.substr(0, 8192);
  const std::string header = IsVersion5(bytes) ? kVersion5Header : kRegEditHeader;
  if (text.compare(0, header.size(), header) != 0) return std::string();
  const std::size_t line = text.find('\n');
  const std::size_t prefix = sizeof kSystemComment - 1;
  if (line == std::string::npos || text.compare(line + 1, prefix, kSystemComment) != 0)
    return std::string();
  const std::size_t end = text.find_first_of("\r\n", line + 1);
  return text.substr(line + 1 + prefix, end == std::string::npos ? end : end - line - 1 - prefix);
}

class NoHttp : public HttpClient {
 public:
  HttpReply Get(const std::string&, std::uint64_t,
                const std::function<bool(const HttpProgress&)>&) override {
    throw HttpError("there is no network on a system that is not running");
  }
};

// The registry editor of a stopped system: "/S file" imports a registry file
// with the project's own reader, "/E file" writes the whole registry.
class OfflineRegistryEditor : public ProcessRunner {
 public:
  OfflineRegistryEditor(RegistryApi& reg, FileSystem& files, System& system,
                        const std::string& systemId)
      : reg_(reg), files_(files), system_(system), systemId_(systemId) {}

  std::string RegistryEditorPath() override { return files_.WindowsDirectory() + "\\regedit.exe"; }

  ProcessOutcome RunHidden(const std::string& program, const std::string& params, std::uint32_t,
                           const std::function<void()>& pump) override {
    ProcessOutcome outcome;
    if (program != RegistryEditorPath()) {
      outcome.error = "Nothing can be started on a system that is not running.";
      return outcome;
    }
    const std::size_t open = params.find('"');
    const std::size_t close = open == std::string::npos ? open : params.find('"', open + 1);
    if (close == std::string::npos) {
      outcome.error = "The registry editor was not given a file.";
      return outcome;
    }
    const std::string sw = LowerOf(params.substr(0, 2));
    const std::string file = params.substr(open + 1, close - open - 1);
    outcome.end = ProcessOutcome::End::Exited;
    if (pump) pump();
    if (sw == "/s") {
      std::string bytes, error;
      if (!files_.ReadWholeFile(file, &bytes)) {
        outcome.end = ProcessOutcome::End::LaunchFailed;
        outcome.error = "the file cannot be read";
        return outcome;
      }
      // A backup of another system would write that system's keys here.
      const std::string owner = BackupSystemOf(bytes);
      if (!owner.empty() && owner != systemId_) {
        outcome.end = ProcessOutcome::End::LaunchFailed;
        outcome.error = "the backup was made for another system (" + owner + "), not this one (" +
                        systemId_ + "): nothing was changed";
        return outcome;
      }
      // The importer refuses a file it cannot read exactly before it changes
      // anything; its reason stands where a real editor's failure would.
      if (!ImportRegFile(reg_, bytes, &error)) {
        outcome.end = ProcessOutcome::End::LaunchFailed;
        outcome.error = error;
        return outcome;
      }
      outcome.exitCode = 0;
    } else if (sw == "/e") {
      std::vector<std::string> lines{kRegEditHeader};
      for (std::uint32_t root : {kHKEY_LOCAL_MACHINE, kHKEY_USERS, kHKEY_CURRENT_USER})
        ExportRegKey(reg_, root, "", "", lines);
      outcome.exitCode = SaveRegLines(files_, file, lines) ? 0 : 1;
    } else {
      outcome.exitCode = 1;
    }
    (void)system_;
    return outcome;
  }

 private:
  RegistryApi& reg_;
  FileSystem& files_;
  System& system_;
  const std::string& systemId_;
};

// The files of the session: the offline drives, with every registry file
// written into the backup folder naming the system it was made for in its
// first comment line.
class SessionFiles : public FileSystem {
 public:
  SessionFiles(OfflineFileSystem& files, System& system, const std::string& systemId)
      : files_(files), system_(system), systemId_(systemId) {}

  bool FileExists(const std::string& path) override { return files_.FileExists(path); }
  bool DirectoryExists(const std::string& path) override { return files_.DirectoryExists(path); }
  std::uint32_t GetAttributes(const std::string& path) override {
    return files_.GetAttributes(path);
  }
  void ForEachFile(const std::string& pattern, std::uint32_t attrFilter,
                   const std::function<bool(const FindEntry&)>& visit) override {
    files_.ForEachFile(pattern, attrFilter, visit);
  }
  bool RemoveFile(const std::string& path) override {
    if (!holdRemovals_) return files_.RemoveFile(path);
    // Held until the registry's commit: a commit that fails deletes nothing.
    const std::uint32_t a = files_.GetAttributes(path);
    if (a == kInvalidAttributes || (a & faDirectory) != 0) return false;
    held_.push_back(path);
    return true;
  }
  bool RemoveFolder(const std::string& path) override { return files_.RemoveFolder(path); }
  bool CopyOneFile(const std::string& from, const std::string& to) override {
    return files_.CopyOneFile(from, to);
  }
  bool MakeDirectory(const std::string& path) override { return files_.MakeDirectory(path); }
  bool ReadWholeFile(const std::string& path, std::string* out) override {
    return files_.ReadWholeFile(path, out);
  }
  bool WriteWholeFile(const std::string& path, const std::string& bytes) override {
    const std::string folder = BackupFolder(system_);
    const std::string header = HeaderLineOf(bytes);
    if (systemId_.empty() || LowerOf(path.substr(0, folder.size())) != LowerOf(folder) ||
        bytes.compare(0, header.size(), header) != 0)
      return files_.WriteWholeFile(path, bytes);
    // The comment in the file's own encoding.
    const std::string comment = std::string(kSystemComment) + systemId_ + "\r\n";
    return files_.WriteWholeFile(path, header +
                                           (IsVersion5(bytes) ? Utf8ToUtf16Le(comment) : comment) +
                                           bytes.substr(header.size()));
  }
  std::string WindowsDirectory() override { return files_.WindowsDirectory(); }
  std::string ShortPathName(const std::string& path) override { return files_.ShortPathName(path); }
  std::uint32_t SetErrorMode(std::uint32_t mode) override { return files_.SetErrorMode(mode); }

  void HoldRemovals() { holdRemovals_ = true; }
  bool HoldsRemovals() const { return !held_.empty(); }
  // After the registry's commit: the held files go (one that cannot stays,
  // and its caller sees it there; one held twice goes once); after a failed
  // commit they all stay.
  void EndRemovals(bool committed) {
    if (committed)
      for (const std::string& path : held_) files_.RemoveFile(path);
    held_.clear();
  }

 private:
  OfflineFileSystem& files_;
  System& system_;
  const std::string& systemId_;
  bool holdRemovals_ = false;
  std::vector<std::string> held_;
};

bool WritableFolder(const std::string& folder, std::string* why) {
  struct statvfs vfs;
  if (statvfs(folder.c_str(), &vfs) == 0 && (vfs.f_flag & ST_RDONLY) != 0) {
    *why = "\"" + folder +
           "\" is on a read-only mount (a hibernated Windows volume mounts read-only): nothing "
           "was changed";
    return false;
  }
  if (access(folder.c_str(), W_OK) != 0) {
    *why = "\"" + folder + "\" cannot be written: nothing was changed";
    return false;
  }
  return true;
}

std::string FolderOf(const std::string& hostPath) {
  const std::size_t cut = hostPath.find_last_of('/');
  return cut == std::string::npos ? "." : cut == 0 ? "/" : hostPath.substr(0, cut);
}

// Every missing folder of a host path; failures show when a file is written.
void MakeHostFolders(const std::string& path) {
  for (std::size_t cut = path.find('/', 1);; cut = path.find('/', cut + 1)) {
    mkdir(path.substr(0, cut).c_str(), 0755);
    if (cut == std::string::npos) return;
  }
}

bool EndsWithReg(const std::string& path) {
  return path.size() > 4 && LowerOf(path.substr(path.size() - 4)) == ".reg";
}

}  // namespace

struct OfflineSystem::Ports {
  Ports()
      : recording(memory),
        classes(recording),
        links(files),
        shell(memory, files, info.user),
        versionInfo(files),
        sessionFiles(files, system, systemId),
        editor(classes, sessionFiles, system, systemId),
        platform{classes, sessionFiles, system, shell, links, versionInfo, editor, http} {}

  OfflineSystemInfo info;
  std::vector<std::unique_ptr<RegistryFileStore>> stores;
  std::vector<std::function<std::string()>> checks;
  std::string executableHost;
  bool versionSet = false;
  // The system's folder as the host resolves it: what its backups name.
  std::string systemId;
  std::string backupHome;
  HostFiles* hostFiles = &RealHostFiles();

  MemoryRegistry memory;
  RecordingRegistry recording;
  MergedClassesRegistry classes;
  OfflineFileSystem files;
  LnkShellLinks links;
  HostSystem system;
  RegistryShell shell;
  PeVersionInfo versionInfo;
  SessionFiles sessionFiles;
  OfflineRegistryEditor editor;
  NoHttp http;
  Platform platform;
};

OfflineSystem::OfflineSystem(std::string kind, std::string folder) : ports_(new Ports) {
  ports_->info.kind = std::move(kind);
  ports_->info.folder = std::move(folder);
  ports_->systemId = SystemIdOf(ports_->info.folder);
  ports_->backupHome = BackupHomeOf(ports_->info.folder);
  Ports* p = ports_.get();
  ports_->info.hostPath = [p](const std::string& path) { return p->files.HostPathFor(path); };
}

std::string SystemIdOf(const std::string& folder) {
  char real[PATH_MAX];
  std::string id = realpath(folder.c_str(), real) ? std::string(real) : folder;
  while (id.size() > 1 && id.back() == '/') id.pop_back();
  return id;
}

std::string BackupHomeOf(const std::string& folder) {
  std::string data;
  const char* xdg = getenv("XDG_DATA_HOME");
  if (xdg && xdg[0] == '/') {
    data = xdg;
  } else {
    const char* home = getenv("HOME");
    if (!home || !*home) {
      const passwd* pw = getpwuid(getuid());
      home = pw ? pw->pw_dir : "/tmp";
    }
    data = std::string(home) + "/.local/share";
  }
  // The folder's own name, and a hash of its whole path so that two
  // systems in folders of the same name keep apart.
  const std::string id = SystemIdOf(folder);
  std::uint64_t hash = 14695981039346656037ull;
  for (unsigned char c : id) hash = (hash ^ c) * 1099511628211ull;
  std::string base = LastComponent(id);
  if (base.empty()) base = "root";
  char tail[16];
  std::snprintf(tail, sizeof tail, "-%08x", static_cast<unsigned>(hash ^ (hash >> 32)));
  return data + "/corvanta/" + base + tail;
}

OfflineSystem::~OfflineSystem() = default;

void OfflineSystem::AddStore(std::unique_ptr<RegistryFileStore> store) {
  ports_->stores.push_back(std::move(store));
}

OfflineFileSystem& OfflineSystem::files() {
  return ports_->files;
}
void OfflineSystem::SetUser(const std::string& name) {
  ports_->info.user = name;
}

void OfflineSystem::MergeUserClasses() {
  ports_->classes.SetMerging(true);
}

void OfflineSystem::SetVersion(const OsVersion& version) {
  ports_->system.version = version;
  ports_->versionSet = true;
  ports_->info.windowsVersion = VersionName(version);
}

void OfflineSystem::SetVersionName(const std::string& name) {
  ports_->info.windowsVersion = name;
}

void OfflineSystem::SetExecutable(const std::string& hostPath) {
  ports_->executableHost = hostPath;
}

void OfflineSystem::AddWriteCheck(std::function<std::string()> check) {
  ports_->checks.push_back(std::move(check));
}

bool OfflineSystem::Load(std::string* error) {
  Ports& p = *ports_;
  for (auto& store : p.stores) {
    if (!store->Load(p.memory, error)) return false;
    for (const RegistryLink& link : store->Links())
      p.recording.AddLink(link.root, link.path, link.target);
  }
  // A change its file could not hold exactly fails where it is made, and
  // the caller counts it as not done.
  p.recording.SetGuard([&p](const RegistryChange& c) {
    for (const auto& store : p.stores)
      if (store->Owns(c) && !store->Refusal(c).empty()) return true;
    return false;
  });

  std::string windir = ReadText(p.memory, kHKEY_LOCAL_MACHINE, kNtCurrentVersion, "SystemRoot");
  if (windir.empty())
    windir = ReadText(p.memory, kHKEY_LOCAL_MACHINE, kCurrentVersion, "SystemRoot");
  if (windir.empty()) windir = "C:\\WINDOWS";
  while (windir.size() > 3 && windir.back() == '\\') windir.pop_back();
  p.files.SetWindowsDirectory(windir);
  p.info.windowsDirectory = windir;

  if (!p.versionSet) {
    OsVersion v;
    const std::string nt =
        ReadText(p.memory, kHKEY_LOCAL_MACHINE, kNtCurrentVersion, "CurrentVersion");
    const std::string w9x =
        ReadText(p.memory, kHKEY_LOCAL_MACHINE, kCurrentVersion, "VersionNumber");
    const std::string& text = nt.empty() ? w9x : nt;
    unsigned major = 0, minor = 0, build = 0;
    std::sscanf(text.c_str(), "%u.%u.%u", &major, &minor, &build);
    v.platformId = nt.empty() ? 1 : 2;
    v.major = major;
    v.minor = minor;
    v.build =
        nt.empty()
            ? build
            : static_cast<std::uint32_t>(std::atoi(
                  ReadText(p.memory, kHKEY_LOCAL_MACHINE, kNtCurrentVersion, "CurrentBuildNumber")
                      .c_str()));
    v.csd = ReadText(p.memory, kHKEY_LOCAL_MACHINE, kNtCurrentVersion, "CSDVersion");
    SetVersion(v);
    p.versionSet = false;
  }

  // The user's language picks among a file's versions in several languages.
  const std::string locale =
      ReadText(p.memory, kHKEY_CURRENT_USER, "Control Panel\\International", "Locale");
  const unsigned long lcid = std::strtoul(locale.c_str(), nullptr, 16);
  p.versionInfo.SetLanguage(lcid ? static_cast<std::uint16_t>(lcid & 0xFFFF) : 0x409);

  if (p.info.kind == "wine-prefix") {
    for (const char* dir :
         {"/usr/share/wine", "/usr/local/share/wine", "/opt/wine-stable/share/wine",
          "/opt/wine-devel/share/wine", "/opt/wine-staging/share/wine"}) {
      struct stat st {};
      if (stat((std::string(dir) + "/fonts").c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) continue;
      p.system.wineDataDir = p.files.WindowsPathOf(dir);
      break;
    }
  }

  // This system's backups live in a host folder of their own, named by its
  // host path (a drive letter could hide one of the real machine's); the
  // program "is" in that folder.
  const std::string name =
      p.executableHost.empty() ? "corvanta-cli" : LastComponent(p.executableHost);
  MakeHostFolders(p.backupHome);
  bool named = IsStrictUtf8(p.backupHome);
  std::string exe = p.backupHome + "\\" + name;
  // A host folder whose name is no UTF-8 is reached through a free letter.
  for (char letter = 'Z'; !named && letter > 'C'; --letter) {
    if (p.files.HasDrive(letter)) continue;
    p.files.MapDrive(letter, p.backupHome);
    exe = std::string(1, letter) + ":\\" + name;
    named = true;
  }
  p.system.exe = exe;
  return true;
}

Platform& OfflineSystem::platform() {
  return ports_->platform;
}
const OfflineSystemInfo& OfflineSystem::info() const {
  return ports_->info;
}
OfflineSystemInfo& OfflineSystem::info() {
  return ports_->info;
}
MemoryRegistry& OfflineSystem::memory() {
  return ports_->memory;
}
RecordingRegistry& OfflineSystem::registry() {
  return ports_->recording;
}
const std::vector<std::unique_ptr<RegistryFileStore>>& OfflineSystem::stores() const {
  return ports_->stores;
}

std::string OfflineSystem::RefuseChanges() {
  std::string why;
  for (const auto& store : ports_->stores) {
    const std::string file = store->FilePath();
    if (!WritableFolder(FolderOf(file), &why)) return why;
    if (access(file.c_str(), W_OK) != 0)
      return "\"" + file + "\" cannot be written: nothing was changed";
  }
  for (const auto& check : ports_->checks) {
    why = check();
    if (!why.empty()) return why;
  }
  return std::string();
}

bool OfflineSystem::HasChanges() const {
  return !ports_->recording.Changes().empty() || ports_->sessionFiles.HoldsRemovals();
}

void OfflineSystem::HoldFileRemovals() {
  ports_->sessionFiles.HoldRemovals();
}

bool OfflineSystem::Commit(std::string* copies, std::string* error) {
  const bool committed = CommitRegistry(copies, error);
  ports_->sessionFiles.EndRemovals(committed);
  return committed;
}

bool OfflineSystem::CommitRegistry(std::string* copies, std::string* error) {
  Ports& p = *ports_;
  copies->clear();
  const RegistryChanges& changes = p.recording.Changes();
  if (changes.empty()) return true;
  *error = RefuseChanges();
  if (!error->empty()) return false;

  std::vector<RegistryFileStore*> changed;
  for (const auto& store : p.stores) {
    for (const RegistryChange& c : changes) {
      if (store->Owns(c)) {
        changed.push_back(store.get());
        break;
      }
    }
  }
  if (changed.empty()) return true;

  // The copies go beside the backup this run wrote (or restored from).
  const std::string backups = BackupFolder(p.system);
  auto inBackups = [&](const std::string& path) {
    return LowerOf(path.substr(0, backups.size())) == LowerOf(backups) && EndsWithReg(path);
  };
  std::string folder;
  for (auto it = p.files.Written().rbegin(); folder.empty() && it != p.files.Written().rend(); ++it)
    if (inBackups(*it)) folder = ShortcutCopiesFolder(*it) + "\\registry";
  for (auto it = p.files.Read().rbegin(); folder.empty() && it != p.files.Read().rend(); ++it)
    if (inBackups(*it)) folder = ShortcutCopiesFolder(*it) + "\\registry before restore";
  if (folder.empty()) {
    const LocalDateTime now = p.system.Now();
    const std::string name = BackupFileName("Registry Files_", now);
    folder = backups + name.substr(0, name.size() - 4);
  }
  const std::string base = folder;
  for (int n = 2; p.files.GetAttributes(folder) != kInvalidAttributes; ++n)
    folder = base + " (" + std::to_string(n) + ")";
  if (!MakeFolders(p.files, folder)) {
    *error = "The folder \"" + folder +
             "\" for the copies of the registry files could not be made: "
             "nothing was changed";
    return false;
  }
  const std::string hostFolder = p.files.HostPathOf(folder);
  // The copies first: each written under a temporary name and synced, so no
  // partial copy carries a registry file's name. On any failure before the
  // renames they go again and nothing else has changed.
  std::vector<std::string> made;
  auto undoCopies = [&] {
    for (const std::string& f : made) p.hostFiles->Remove(f);
    rmdir(hostFolder.c_str());
    copies->clear();
  };
  for (RegistryFileStore* store : changed) {
    std::string bytes;
    const std::string copy = hostFolder + "/" + LastComponent(store->FilePath());
    if (hostFolder.empty() || !ReadHostFile(store->FilePath(), &bytes, error) ||
        !CreateHostFile(copy, bytes, error, *p.hostFiles)) {
      undoCopies();
      *error = "The registry file \"" + store->FilePath() +
               "\" could not be copied beside the backup: nothing was changed (" + *error + ")";
      return false;
    }
    made.push_back(copy);
  }
  *copies = folder;
  AtomicReplace replace(*p.hostFiles);
  for (RegistryFileStore* store : changed) {
    if (!store->Stage(changes, replace, error)) {
      undoCopies();
      *error += " (nothing was changed)";
      return false;
    }
  }
  if (!replace.Commit(error)) {
    undoCopies();
    *error += " (nothing was changed)";
    return false;
  }
  for (RegistryFileStore* store : changed) store->Committed();
  p.recording.ClearChanges();
  return true;
}

void OfflineSystem::SetHostFiles(HostFiles& files) {
  ports_->hostFiles = &files;
}

const std::string& OfflineSystem::BackupHome() const {
  return ports_->backupHome;
}

}  // namespace corvanta
