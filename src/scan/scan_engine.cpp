#include "scan/scan_engine.h"

#include <cstring>

#include "backup/reg_export.h"
#include "platform/file_system.h"
#include "platform/known_keys.h"
#include "platform/name_case.h"
#include "platform/platform.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/shell_link.h"
#include "platform/system.h"
#include "platform/text_convert.h"
#include "regexpr/regexpr.h"
#include "scan/path_readings.h"
#include "scan/scan_page.h"
#include "scan/sections.h"

namespace corvanta {

namespace {

const char kAppPathsKey[] = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";
const char kSharedDllsKey[] = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDlls";
const char kTypeLibKey[] = "\\TypeLib\\";
// Relative on purpose: taken from the root because no key is open.
const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const char kFileExtsKey[] = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts";
const char kFileExtsBase[] = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\";
const char kHelpKey[] = "\\SOFTWARE\\Microsoft\\Windows\\Help";
const char kHtmlHelpKey[] = "\\SOFTWARE\\Microsoft\\Windows\\HTML Help";
const char kFontsKey[] = "\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";
const char kSoundsKey[] = "\\AppEvents\\Schemes\\Apps";
const char kSoftwareKey[] = "\\SOFTWARE";

const char kAnalyzing[] = "Analyzing: ";

// Replaces every occurrence of needle (lower case) in s, ignoring ASCII case.
std::string ReplaceAllIgnoreCase(const std::string& s, const std::string& needle,
                                 const std::string& replacement) {
  std::string out;
  std::size_t from = 0;
  for (std::size_t at = FindAsciiIgnoreCase(s, needle); at != std::string::npos;
       at = FindAsciiIgnoreCase(s, needle, from)) {
    out.append(s, from, at - from);
    out += replacement;
    from = at + needle.size();
  }
  out.append(s, from, std::string::npos);
  return out;
}

// Replaces each "\\" by "\", left to right, without rescanning what was put in.
std::string CollapseDoubledBackslashes(const std::string& s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    out += s[i];
    if (s[i] == '\\' && i + 1 < s.size() && s[i + 1] == '\\') ++i;
  }
  return out;
}

// A drive letter and ":\", or a network path.
bool IsFullPath(const std::string& s) {
  if (s.size() >= 3 && IsAsciiAlpha(s[0]) && s[1] == ':' && s[2] == '\\') return true;
  return s.compare(0, 2, "\\\\") == 0;
}

// Text that cannot name a file for sure proves nothing about one: a "?"
// (never in a file name, and what an ANSI reader made of a character it could
// not carry), the replacement character a lossy conversion leaves, or bytes
// that are no UTF-8.
bool LostInTranslation(const std::string& text) {
  if (text.find('?') != std::string::npos) return true;
  // Only text beyond ASCII can be unreadable: skip ASCII eight bytes at a time.
  std::size_t i = 0;
  for (std::uint64_t w = 0; i + 8 <= text.size(); i += 8) {
    std::memcpy(&w, text.data() + i, 8);
    if ((w & 0x8080808080808080u) != 0) break;
  }
  std::uint32_t cp = 0;
  while (i < text.size())
    if (!DecodeUtf8(text, &i, &cp) || cp == 0xFFFD) return true;
  return false;
}

bool IsTextType(std::uint32_t type) {
  return type == kREG_SZ || type == kREG_EXPAND_SZ;
}

}  // namespace

ScanEngine::ScanEngine(TRegistry& SharedRegistry, TRegExpr& SharedRegExpr, Platform& platform,
                       ScanPage& page, ScanReport& report, ScanGlobals& globals)
    : reg_(SharedRegistry),
      regex_(SharedRegExpr),
      platform_(platform),
      page_(page),
      report_(report),
      problems_(report.problems),
      globals_(globals) {}

class ScanEngine::ProbeScope {
 public:
  explicit ProbeScope(ScanEngine& engine) : engine_(engine) {
    if (engine_.probeScopes_++ == 0) {
      engine_.missingFolders_.clear();
      engine_.presentFolders_.clear();
      engine_.folderNames_.clear();
      engine_.presentPaths_.clear();
    }
  }
  ~ProbeScope() { --engine_.probeScopes_; }
  ProbeScope(const ProbeScope&) = delete;
  ProbeScope& operator=(const ProbeScope&) = delete;

 private:
  ScanEngine& engine_;
};

// ---------------------------------------------------------------------------
// Frame and recording

template <typename OpenKey, typename Walk>
void ScanEngine::Frame(int number, OpenKey openKey, Walk walk) {
  const SectionInfo* info = SectionByNumber(number);
  if (info == nullptr || Aborted()) return;
  ProbeScope probes(*this);
  globals_.SectionFoundCount = 0;
  openKey();
  globals_.CurrentSection = info->sectionName;
  globals_.CurrentProblemLabel = info->problemLabel;
  page_.AddRow(info->rowCaption, "0", "Scanning...", kLampGrey);
  try {
    walk();
  } catch (...) {
    // The row, the progress and the shared key end as after a walk that
    // returned; the caller still sees the error.
    FinishSection(number);
    throw;
  }
  FinishSection(number);
}

void ScanEngine::FinishSection(int number) {
  std::int32_t skipped = report_.skippedByIgnoreList;  // this section's: the total less the others'
  for (const SectionFound& ran : report_.sections) skipped -= ran.skipped;
  report_.sections.push_back({number, globals_.SectionFoundCount, skipped});
  report_.unreadable = globals_.UnreadableCount;
  report_.unreadablePaths = globals_.UnreadablePaths;
  page_.SetLastRowStateImage(globals_.SectionFoundCount > 0 ? kLampRed : kLampGreen);
  page_.SetLastRowStatus("Done.");
  page_.SetProgressPosition(number);
  page_.ProcessMessages();
  reg_.CloseKey();
}

void ScanEngine::NoteIfUnreadable(const std::string& path) {
  if (!reg_.KeyExists(path)) return;
  std::string full = path;
  if (full.empty() || full[0] != '\\')
    full = reg_.CurrentPath().empty() ? full : reg_.CurrentPath() + "\\" + full;
  if (!full.empty() && full[0] == '\\') full.erase(0, 1);
  full = RootKeyName(reg_.RootKey()) + "\\" + full;
  if (!globals_.UnreadableSeen.insert(AsciiUpper(full)).second) return;
  ++globals_.UnreadableCount;
  if (globals_.UnreadablePaths.size() < kUnreadablePathsKept)
    globals_.UnreadablePaths.push_back(full);
}

void ScanEngine::OpenSectionKey(std::uint32_t root, const std::string& path) {
  reg_.SetRootKey(root);
  try {
    if (!reg_.OpenKey(path, false)) {
      reg_.CloseKey();
      NoteIfUnreadable(path);
    }
  } catch (const ERegistryException&) {
    reg_.CloseKey();
  }
}

void ScanEngine::RecordProblem(const std::string& section, std::uint32_t rootKey,
                               const std::string& keyPath, const std::string& valueName,
                               const std::string& judgedText, std::int32_t kind) {
  // What the user put on the ignore list is left out and only counted.
  if (report_.ignoreList.Covers(section, rootKey, keyPath, valueName)) {
    ++report_.skippedByIgnoreList;
    return;
  }
  ++globals_.SectionFoundCount;
  ++globals_.TotalFoundCount;
  page_.SetLastRowErrorsFound(std::to_string(globals_.SectionFoundCount));
  page_.SetTotalFound(std::to_string(globals_.TotalFoundCount));
  TRegRecord rec;
  rec.RootKey = rootKey;
  rec.Section = section;
  rec.ProblemLabel = globals_.CurrentProblemLabel;
  rec.KeyPath = keyPath;
  rec.ValueName = valueName;
  rec.ValueData = judgedText;
  rec.Kind = kind;
  problems_.push_back(std::move(rec));
  page_.ProcessMessages();
}

void ScanEngine::RunSection(int number) {
  switch (number) {
    case 1:
      ScanApplicationPaths();
      break;
    case 2:
      ScanSharedProgramFiles();
      break;
    case 3:
      ScanProgramIDs();
      break;
    case 4:
      ScanCustomControls();
      break;
    case 5:
      ScanStartupPrograms();
      break;
    case 6:
      ScanAddRemovePrograms();
      break;
    case 7:
      ScanFileAssociations();
      break;
    case 8:
      ScanStartMenuShortcuts();
      break;
    case 9:
      ScanHelpFiles();
      break;
    case 10:
      ScanWindowsFonts();
      break;
    case 11:
      ScanEventSounds();
      break;
    case 12:
      ScanInvalidShortcuts();
      break;
    case 13:
      ScanDeepRegistry();
      break;
    default:
      break;
  }
}

// ---------------------------------------------------------------------------
// Section scanners

void ScanEngine::ScanApplicationPaths() {
  Frame(
      1, [this] { OpenSectionKey(kHKEY_LOCAL_MACHINE, kAppPathsKey); },
      [this] { DoAnalyzeBranch(globals_.CurrentSection); });
}

void ScanEngine::ScanSharedProgramFiles() {
  Frame(
      2, [this] { OpenSectionKey(kHKEY_LOCAL_MACHINE, kSharedDllsKey); },
      [this] {
        if (reg_.CurrentKey() != 0) AnalyzeKeyGuarded(globals_.CurrentSection);
      });
}

void ScanEngine::ScanProgramIDs() {
  Frame(
      3, [this] { OpenSectionKey(kHKEY_CLASSES_ROOT, kTypeLibKey); },
      [this] { DoAnalyzeBranch(globals_.CurrentSection); });
}

void ScanEngine::ScanCustomControls() {
  Frame(
      4, [this] { OpenSectionKey(kHKEY_CLASSES_ROOT, ""); },
      [this] { DoAnalyzeBranch(globals_.CurrentSection); });
}

void ScanEngine::ScanStartupPrograms() {
  Frame(
      5, [this] { OpenSectionKey(kHKEY_LOCAL_MACHINE, kRunKeyPath); },
      [this] {
        if (reg_.CurrentKey() != 0) AnalyzeKeyGuarded(globals_.CurrentSection);
        reg_.CloseKey();
        OpenSectionKey(kHKEY_CURRENT_USER, kRunKeyPath);
        if (reg_.CurrentKey() != 0) AnalyzeKeyGuarded(globals_.CurrentSection);
      });
}

void ScanEngine::ScanAddRemovePrograms() {
  Frame(
      6,
      [this] {
        // The relative path must start at the root, whatever a caller left open.
        reg_.CloseKey();
        OpenSectionKey(kHKEY_LOCAL_MACHINE, kUninstallKey);
      },
      [this] { DoAnalyzeBranch(globals_.CurrentSection); });
}

void ScanEngine::ScanFileAssociations() {
  Frame(
      7, [this] { OpenSectionKey(kHKEY_CURRENT_USER, kFileExtsKey); },
      [this] { CheckFileExtensions(); });
}

void ScanEngine::ScanStartMenuShortcuts() {
  Frame(
      8, [] {},
      [this] {
        ScanShortcutFolder(platform_.shell.GetSpecialFolderPath(CSIDL_STARTMENU) + "\\");
        ScanShortcutFolder(platform_.shell.GetSpecialFolderPath(CSIDL_COMMON_STARTMENU) + "\\");
      });
}

void ScanEngine::ScanHelpFiles() {
  Frame(
      9, [this] { OpenSectionKey(kHKEY_LOCAL_MACHINE, kHelpKey); },
      [this] {
        CheckHelpFiles();
        reg_.CloseKey();
        OpenSectionKey(kHKEY_LOCAL_MACHINE, kHtmlHelpKey);
        CheckHelpFiles();
      });
}

void ScanEngine::ScanWindowsFonts() {
  Frame(
      10, [this] { OpenSectionKey(kHKEY_LOCAL_MACHINE, kFontsKey); }, [this] { CheckFontFiles(); });
}

void ScanEngine::ScanEventSounds() {
  Frame(
      11, [this] { OpenSectionKey(kHKEY_CURRENT_USER, kSoundsKey); },
      [this] { DoAnalyzeBranch(globals_.CurrentSection); });
}

void ScanEngine::ScanInvalidShortcuts() {
  Frame(
      12, [] {}, [this] { ScanShortcutFolder("C:\\"); });
}

void ScanEngine::ScanDeepRegistry() {
  Frame(
      13, [this] { OpenSectionKey(kHKEY_LOCAL_MACHINE, kSoftwareKey); },
      [this] {
        DoAnalyzeBranch(kSectionDeepRegistryScan);
        // Runs after an abort too; the flag stops it before any value is judged.
        OpenSectionKey(kHKEY_CURRENT_USER, kSoftwareKey);
        DoAnalyzeBranch(kSectionDeepRegistryScan);
      });
}

// ---------------------------------------------------------------------------
// The judgement

namespace {

bool IsDrivePath(const std::string& p) {
  return p.size() >= 3 && IsAsciiAlpha(p[0]) && p[1] == ':' && p[2] == '\\';
}

// Windows reads a run of backslashes as one separator (after "X:\" or in a
// relative path): the collapsed path names the same file, and the probe
// caches understand it.
// p itself when it has no such run, else the collapsed path in *out.
const std::string& WithSingleSeparators(const std::string& p, std::string* out) {
  const bool drive = IsDrivePath(p);
  const std::size_t start = drive ? 3 : 1;
  if ((!drive && (p.empty() || p[0] == '\\')) || p.find("\\\\", start - 1) == std::string::npos)
    return p;
  out->assign(p, 0, start);
  for (std::size_t i = start; i < p.size(); ++i)
    if (p[i] != '\\' || out->back() != '\\') *out += p[i];
  return *out;
}

// Where a literal path's first folder name starts: after "X:\", or at once
// in a path relative to the current folder.
std::size_t FirstNameAt(const std::string& p) {
  return IsDrivePath(p) ? 3 : 0;
}

// Characters no literal name holds: wildcards, streams, "/", quotes, pipes.
bool IsUnliteral(char c) {
  switch (c) {
    case '*':
    case '?':
    case '<':
    case '>':
    case '"':
    case '/':
    case ':':
    case '|':
      return true;
    default:
      return false;
  }
}

// A path the probe cache may reason about is "X:\" or the current folder,
// then names the file system takes literally, so a folder missing here means
// every path below it is missing. Wildcards, streams, "." and "..", empty
// names, names ending in a dot or blank (which Windows trims), rooted and
// network paths are left to the plain probes.
// Where the literal head of p ends: the position of the "\\" after the last
// of its leading names that the file system takes literally (no wildcards,
// streams or "/", not empty, not ending in a dot or blank), or npos when the
// first name is not one. p.size() when every name is.
std::size_t LiteralHeadEnd(const std::string& p) {
  if (p.empty() || p[0] == '\\' || (IsDrivePath(p) && p.size() < 4)) return std::string::npos;
  const std::size_t first = FirstNameAt(p);
  if (first == 0 && p.find(':') != std::string::npos && p.find(':') < p.find('\\'))
    return std::string::npos;
  std::size_t head = std::string::npos;
  for (std::size_t i = first, start = first;; ++i) {
    if (i == p.size() || p[i] == '\\') {
      if (i == start || p[i - 1] == '.' || p[i - 1] == ' ') return head;
      head = i;
      if (i == p.size()) return head;
      start = i + 1;
    } else if (IsUnliteral(p[i])) {
      return head;
    }
  }
}

bool IsLiteralPath(const std::string& p) {
  return !p.empty() && LiteralHeadEnd(p) == p.size();
}

// Whether any name after p's literal head, split at "\\" or "/", is only
// dots and blanks: Windows may read it as ".." and climb back out.
bool MayClimb(const std::string& p, std::size_t from) {
  std::size_t start = from;
  while (start < p.size()) {
    std::size_t end = p.find_first_of("\\/", start);
    if (end == std::string::npos) end = p.size();
    if (end > start && p.find_first_not_of(". ", start) >= end) return true;
    start = end + 1;
  }
  return false;
}

std::string FolderKey(const std::string& path, std::size_t length) {
  return AsciiUpper(path.substr(0, length));
}

// The probe caches' key of the whole path, in a buffer kept across probes.
const std::string& FoldInto(const std::string& path, std::string* folded) {
  folded->assign(path);
  for (char& c : *folded) c = AsciiUpper(c);
  return *folded;
}

}  // namespace

bool ScanEngine::BelowMissingFolder(const std::string& path) const {
  if (missingFolders_.empty()) return false;
  const std::string& upper = FoldInto(path, &folded_);
  for (std::size_t at = path.find('\\', FirstNameAt(path)); at != std::string::npos;
       at = path.find('\\', at + 1)) {
    key_.assign(upper, 0, at);
    if (missingFolders_.count(key_) != 0) return true;
  }
  return false;
}

void ScanEngine::NoteMissing(const std::string& path) {
  // Climbs while the folders are missing: their siblings then need no probe.
  // The first folder that exists is listed: its other absent names need none
  // either. Above the last folder is the drive's root or the current folder.
  const std::size_t first = FirstNameAt(path);
  for (std::size_t at = path.rfind('\\');; at = path.rfind('\\', at - 1)) {
    if (at == std::string::npos || at < first) {
      const std::string top = first == 0 ? std::string() : path.substr(0, 2);
      ListFolder(top, FolderKey(top, top.size()));
      return;
    }
    const std::string key = FolderKey(path, at);
    if (missingFolders_.count(key) != 0) return;
    const std::string folder = path.substr(0, at);
    bool present = presentFolders_.count(key) != 0 || folderNames_.count(key) != 0;
    if (!present && !AbsentFromListing(folder)) {
      const std::uint32_t a = platform_.files.GetAttributes(folder);
      present = a != kInvalidAttributes && (a & faDirectory) != 0;
      if (present) presentFolders_.insert(key);
    }
    if (present) {
      ListFolder(folder, key);
      return;
    }
    // Nothing exists below a file either.
    missingFolders_.insert(key);
  }
}

void ScanEngine::ListFolder(const std::string& folder, const std::string& key) {
  if (folderNames_.count(key) != 0) return;
  std::unordered_set<std::string> names;
  const std::string pattern = folder.empty() ? "*" : folder + "\\*";
  platform_.files.ForEachFile(pattern, faAnyFile, [&names](const FindEntry& e) {
    names.insert(FolderKey(e.name, e.name.size()));
    return true;
  });
  // An empty answer may be a folder that cannot be listed: keep probing.
  if (!names.empty()) folderNames_.emplace(key, std::move(names));
}

namespace {

// The listing holds long names only; short names ("~"), names the ANSI
// listing may spell differently, names Windows rewrites (trailing dots and
// spaces, "/" as a separator, streams, wildcards) and device names are asked
// for real.
bool ListingDecides(std::string_view name) {
  if (name.empty() || name.back() == '.' || name.back() == ' ') return false;
  for (char c : name)
    if (c < 0x20 || c > 0x7E || c == '~' || IsUnliteral(c)) return false;
  static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"};
  const std::string_view base = name.substr(0, name.find('.'));
  for (const char* d : kDevices)
    if (EqualsAsciiIgnoreCase(base, d)) return false;
  return !(base.size() == 4 &&
           (EqualsAsciiIgnoreCase(base.substr(0, 3), "COM") ||
            EqualsAsciiIgnoreCase(base.substr(0, 3), "LPT")) &&
           IsAsciiDigit(base[3]));
}

}  // namespace

bool ScanEngine::AbsentFromListing(const std::string& path) const {
  if (folderNames_.empty()) return false;
  // Each folder on the way down, from the drive's root ("X:") or the current
  // folder (""), answers for the next name if it was listed.
  const std::string& upper = FoldInto(path, &folded_);
  std::size_t folderEnd = IsDrivePath(path) ? 2 : std::string::npos;
  for (;;) {
    const std::size_t nameAt = folderEnd == std::string::npos ? 0 : folderEnd + 1;
    const std::size_t nameEnd = path.find('\\', nameAt);
    if (folderEnd == std::string::npos)
      key_.clear();
    else
      key_.assign(upper, 0, folderEnd);
    const auto it = folderNames_.find(key_);
    if (it != folderNames_.end() &&
        ListingDecides(std::string_view(path).substr(nameAt, nameEnd - nameAt))) {
      key_.assign(upper, nameAt, nameEnd - nameAt);
      if (it->second.count(key_) == 0) return true;
    }
    if (nameEnd == std::string::npos) return false;
    folderEnd = nameEnd;
  }
}

std::uint32_t ScanEngine::ProbeAttributes(const std::string& path) {
  if (BelowMissingFolder(path) || AbsentFromListing(path)) return kInvalidAttributes;
  // The same few system files are named thousands of times in a scan.
  const auto known = presentPaths_.find(FoldInto(path, &folded_));
  if (known != presentPaths_.end()) return known->second;
  const std::uint32_t a = platform_.files.GetAttributes(path);
  if (a == kInvalidAttributes)
    NoteMissing(path);
  else
    presentPaths_.emplace(FoldInto(path, &folded_), a);
  return a;
}

bool ScanEngine::BelowMissingHead(const std::string& path) const {
  if (missingFolders_.empty() && folderNames_.empty()) return false;
  const std::size_t head = LiteralHeadEnd(path);
  if (head == std::string::npos || head >= path.size() || MayClimb(path, head)) return false;
  const std::string folder = path.substr(0, head);
  return BelowMissingFolder(folder + "\\") || AbsentFromListing(folder);
}

bool ScanEngine::ExistsAsFileOrFolder(const std::string& path) {
  // One attribute query answers both questions for a literal path.
  std::string collapsed;
  const std::string& probe = WithSingleSeparators(path, &collapsed);
  if (IsLiteralPath(probe)) return ProbeAttributes(probe) != kInvalidAttributes;
  if (BelowMissingHead(probe)) return false;
  return platform_.files.FileExists(path) || platform_.files.DirectoryExists(path);
}

bool ScanEngine::FileExistsProbed(const std::string& path) {
  std::string collapsed;
  const std::string& probe = WithSingleSeparators(path, &collapsed);
  if (!IsLiteralPath(probe)) return !BelowMissingHead(probe) && platform_.files.FileExists(path);
  const std::uint32_t a = ProbeAttributes(probe);
  return a != kInvalidAttributes && (a & faDirectory) == 0;
}

bool ScanEngine::ProbeReading(const std::string& path, bool fileOnly) {
  if (LongerThanMaxPath(path)) {
    // Longer than the file calls carry: the file API answers for it once,
    // and no folder of it is walked or remembered.
    const std::uint32_t a = platform_.files.GetAttributes(path);
    return a != kInvalidAttributes && !(fileOnly && (a & faDirectory) != 0);
  }
  return fileOnly ? FileExistsProbed(path) : ExistsAsFileOrFolder(path);
}

bool ScanEngine::DoAnalyzeValue(const std::string& Value, const std::string& Section,
                                std::string* reading) {
  ProbeScope probes(*this);
  return JudgeValue(Value, Section, nullptr, reading);
}

bool ScanEngine::PathValueOf(const RegValueList* listed, std::string* text) {
  if (listed != nullptr) {
    const RegValue* found = nullptr;
    for (const RegValue& v : listed->values)
      if (EqualsAsciiIgnoreCase(v.name, "path")) found = &v;
    // Not in a complete listing: there is none. Listed but unreadable: it is
    // asked for by name, as before, and raises the same error.
    if (found == nullptr && listed->complete) return false;
    if (found != nullptr && found->readable) {
      if (!IsTextType(found->type)) return false;
      *text = RegText(found->data);
      return true;
    }
  }
  if (!reg_.ValueExists("Path") || !IsTextType(reg_.GetDataType("Path"))) return false;
  *text = reg_.ReadString("Path");
  return true;
}

bool ScanEngine::JudgeValue(const std::string& Value, const std::string& Section,
                            const RegValueList* listed, std::string* reading) {
  std::string s = Value;
  if (s.size() < 3) return true;
  if (s.find(';') != std::string::npos || s.find(',') != std::string::npos) return true;

  regex_.SetExpression(kResourceIndexPattern);
  if (regex_.Exec(s)) return true;

  std::string prefix;
  if (s.find('\\') == std::string::npos && PathValueOf(listed, &prefix) &&
      prefix.find('\\') != std::string::npos)
    s = prefix + s;

  if (FindAsciiIgnoreCase(s, "%windir%") != std::string::npos)
    s = ReplaceAllIgnoreCase(s, "%windir%", platform_.files.WindowsDirectory());
  if (FindAsciiIgnoreCase(s, "%systemroot%") != std::string::npos)
    s = ReplaceAllIgnoreCase(s, "%systemroot%", platform_.files.WindowsDirectory());

  const PathReadings found = ReadPaths(regex_, s);
  if (found.readings.empty()) return true;
  if (reading != nullptr) *reading = found.longest;
  // Probes on drives without media fail quietly instead of asking for a disk.
  QuietErrorMode quiet(platform_.files);
  // Any reading that exists makes the text good: a fragment never decides.
  for (const PathReading& r : found.readings)
    if (ProbeReading(r.path, r.fileOnly)) return true;
  // The same text is often a reading too: each is probed once.
  const auto read = [&found](const std::string& text) {
    for (const PathReading& r : found.readings)
      if (r.path == text) return true;
    return false;
  };
  if (!read(Value) && ProbeReading(Value, false)) return true;
  if (s != Value && !read(s) && ProbeReading(s, false)) return true;
  if (LostInTranslation(Value) || LostInTranslation(s)) return true;

  if (Section != kSectionDeepRegistryScan && Section != kSectionCustomControls) return false;
  if (Value.find('%') != std::string::npos) return true;
  if (Value.find("C:\\") == std::string::npos && Value.find("D:\\") == std::string::npos &&
      Value.find("E:\\") == std::string::npos && Value.find("F:\\") == std::string::npos)
    return true;
  return Value.find('.') == std::string::npos;
}

// ---------------------------------------------------------------------------
// Registry walks

void ScanEngine::DoAnalyzeKey(const std::string& Section) {
  ProbeScope probes(*this);
  RegKeyInfo info;
  if (!reg_.GetKeyInfo(&info)) return;
  AnalyzeValues(Section, reg_.GetValues(info));
}

void ScanEngine::AnalyzeValues(const std::string& Section, const RegValueList& listed) {
  const bool addRemove = Section == kSectionAddRemovePrograms;
  for (const RegValue& v : listed.values) {
    // A name the ANSI listing could not spell may not be found again by
    // name; asking by name keeps such values as unreadable as before.
    const bool byName = !v.readable || LostInTranslation(v.name);
    const std::uint32_t type = byName ? reg_.GetDataType(v.name) : v.type;
    if (type != kREG_SZ && type != kREG_EXPAND_SZ && type != kREG_DWORD) continue;
    std::string text;
    status_.assign(kAnalyzing);
    status_ += reg_.CurrentPath();
    page_.SetStatusText(status_);
    page_.ProcessMessages();
    if (Aborted()) return;
    if (addRemove) {
      if (type == kREG_SZ && v.name == "UninstallString")
        text = byName ? reg_.ReadString(v.name) : RegText(v.data);
    } else if (type == kREG_DWORD) {
      text = v.name;
    } else {
      text = byName ? reg_.ReadString(v.name) : RegText(v.data);
    }
    if (!JudgeValue(text, Section, &listed, nullptr))
      RecordProblem(Section, reg_.RootKey(), reg_.CurrentPath(), v.name, text, kKindRegistry);
  }
}

void ScanEngine::AnalyzeKeyGuarded(const std::string& Section) {
  try {
    DoAnalyzeKey(Section);
  } catch (const ERegistryException&) {
    // One unreadable value ends this key, not the scan.
  }
}

void ScanEngine::DoAnalyzeBranch(const std::string& Section) {
  ProbeScope probes(*this);
  RegKeyInfo info;
  if (reg_.GetKeyInfo(&info)) AnalyzeSubKeys(Section, info);
}

void ScanEngine::AnalyzeSubKeys(const std::string& Section, const RegKeyInfo& info) {
  const std::string parent = reg_.CurrentPath();
  const std::vector<std::string> names = reg_.GetKeyNames(info);
  for (const std::string& name : names) {
    bool entered = false;
    try {
      if (reg_.EnterSubKey(name)) {
        entered = true;
        // One count query per key serves its values and its subkeys.
        RegKeyInfo sub;
        if (reg_.GetKeyInfo(&sub)) {
          AnalyzeValues(Section, reg_.GetValues(sub));
          if (Aborted()) return;
          if (sub.subKeys > 0) AnalyzeSubKeys(Section, sub);
        }
      } else {
        NoteIfUnreadable(name);
      }
    } catch (const ERegistryException&) {
      // The rest of this subkey is skipped; its siblings still run.
    }
    if (Aborted()) return;
    if (entered && !reg_.LeaveSubKey()) {
      try {
        reg_.OpenKey("\\" + parent, false);
      } catch (const ERegistryException&) {
      }
    }
  }
}

// ---------------------------------------------------------------------------
// File associations

bool ScanEngine::FileExtensionUnassociated(const std::string& ext) {
  std::uint32_t listCount = 0;
  std::uint32_t progidCount = 0;
  const std::string base = std::string(kFileExtsBase) + ext + "\\";
  if (reg_.OpenKey(base + "OpenWithList", false)) listCount = reg_.ValueCount();
  if (reg_.OpenKey(base + "OpenWithprogids", false)) progidCount = reg_.ValueCount();
  return listCount < 1 && progidCount < 1;
}

void ScanEngine::CheckFileExtensions() {
  const std::vector<std::string> names = reg_.GetKeyNames();
  for (const std::string& ext : names) {
    if (FileExtensionUnassociated(ext))
      RecordProblem(globals_.CurrentSection, reg_.RootKey(), kFileExtsBase + ext, ext,
                    "Invalid file association", kKindRegistry);
    if (Aborted()) return;
  }
}

// ---------------------------------------------------------------------------
// Shortcuts

void ScanEngine::ScanShortcutFolder(const std::string& Folder) {
  FileSystem& files = platform_.files;
  files.ForEachFile(Folder + "*.lnk", faAnyFile, [&](const FindEntry& entry) {
    page_.ProcessMessages();
    if (Aborted()) return false;
    const std::string path = Folder + entry.name;
    const std::string target = platform_.links.ResolveShortcutTarget(path);
    if (target == path || target.empty() || LostInTranslation(target)) return true;
    bool isFile;
    bool isFolder = false;
    {
      QuietErrorMode quiet(files);
      isFile = files.FileExists(target);
      if (!isFile) isFolder = files.DirectoryExists(target);
    }
    if (isFile) {
      page_.SetStatusText(kAnalyzing + target);
      page_.ProcessMessages();
      return true;
    }
    if (!isFolder && target.find(":\\") == 1)
      RecordProblem(globals_.CurrentSection, 0, path, "Shortcut", target, kKindFile);
    return true;
  });

  files.ForEachFile(Folder + "*.*", faDirectory, [&](const FindEntry& entry) {
    if (Aborted()) return false;
    page_.ProcessMessages();
    // Junctions and symbolic links may lead back up the tree: never followed.
    if ((entry.attributes & faDirectory) != 0 && (entry.attributes & faReparsePoint) == 0 &&
        entry.name != "." && entry.name != "..")
      ScanShortcutFolder(Folder + entry.name + "\\");
    return !Aborted();
  });
}

// ---------------------------------------------------------------------------
// Help files and fonts

std::string ScanEngine::HelpFilePath(const std::string& folder, const std::string& name) {
  const std::string joined = folder + "\\" + name;
  // A network folder keeps its leading "\\"; the root folder "\" does not
  // make one.
  return folder.compare(0, 2, "\\\\") == 0 ? "\\" + CollapseDoubledBackslashes(joined.substr(1))
                                           : CollapseDoubledBackslashes(joined);
}

std::vector<std::string> ScanEngine::FontFolders() {
  std::vector<std::string> folders{platform_.shell.GetSpecialFolderPath(CSIDL_FONTS)};
  System& system = platform_.system;
  if (system.WineVersion().empty()) return folders;
  // Wine loads the fonts it ships from its data folder (its build tree when
  // run from there), which it shows through a drive letter, as "\??\Z:\...".
  for (const char* variable : {"WINEDATADIR", "WINEBUILDDIR"}) {
    std::string folder = system.EnvironmentVariable(variable);
    if (folder.compare(0, 4, "\\??\\") == 0) folder.erase(0, 4);
    if (IsFullPath(folder)) folders.push_back(folder + "\\fonts");
  }
  // And from the folders its font settings list, separated by ";".
  TRegistry wine(platform_.registry, kKEY_READ);
  wine.SetRootKey(kHKEY_CURRENT_USER);
  try {
    if (wine.OpenKey("\\Software\\Wine\\Fonts", false) && wine.ValueExists("Path") &&
        IsTextType(wine.GetDataType("Path"))) {
      const std::string list = wine.ReadString("Path");
      for (std::size_t from = 0; from <= list.size();) {
        std::size_t end = list.find(';', from);
        if (end == std::string::npos) end = list.size();
        std::string folder = list.substr(from, end - from);
        while (!folder.empty() && folder.back() == '\\') folder.pop_back();
        if (!folder.empty()) folders.push_back(folder);
        from = end + 1;
      }
    }
  } catch (const ERegistryException&) {
    // Unreadable settings add no folder.
  }
  return folders;
}

std::vector<std::string> ScanEngine::FontFilePaths(const std::vector<std::string>& folders,
                                                   const std::string& file) {
  // Windows accepts fonts registered by full path, outside the fonts folder.
  if (IsFullPath(file)) return {file};
  std::vector<std::string> paths;
  for (const std::string& folder : folders) paths.push_back(folder + "\\" + file);
  return paths;
}

bool ScanEngine::AnyFileExists(const std::vector<std::string>& paths) {
  if (paths.empty() || LostInTranslation(paths.front())) return true;
  QuietErrorMode quiet(platform_.files);
  for (const std::string& path : paths)
    if (platform_.files.FileExists(path)) return true;
  return false;
}

template <typename FilePaths>
void ScanEngine::CheckFileValues(FilePaths filePaths) {
  const std::vector<std::string> names = reg_.GetValueNames();
  for (const std::string& name : names) {
    std::string text;
    try {
      // A value that is not text names no file; it is left alone.
      if (!IsTextType(reg_.GetDataType(name))) continue;
      text = reg_.ReadString(name);
    } catch (const ERegistryException&) {
      continue;
    }
    if (!AnyFileExists(filePaths(name, text)))
      RecordProblem(globals_.CurrentSection, reg_.RootKey(), reg_.CurrentPath(), name, text,
                    kKindRegistry);
    if (Aborted()) return;
  }
}

void ScanEngine::CheckHelpFiles() {
  CheckFileValues([](const std::string& name, const std::string& folder) {
    return std::vector<std::string>{HelpFilePath(folder, name)};
  });
}

void ScanEngine::CheckFontFiles() {
  const std::vector<std::string> folders = FontFolders();
  CheckFileValues([this, &folders](const std::string&, const std::string& file) {
    return FontFilePaths(folders, file);
  });
}

// ---------------------------------------------------------------------------
// The second look before a repair

bool ScanEngine::StillAProblem(const TRegRecord& problem) {
  if (report_.ignoreList.Covers(problem)) return false;  // listed since the scan: it stays
  ProbeScope probes(*this);
  QuietErrorMode quiet(platform_.files);
  bool still;
  try {
    still = StillAProblemIn(problem);
  } catch (const ERegistryException&) {
    still = false;  // what cannot be read now cannot be judged again: it stays
  }
  reg_.CloseKey();
  return still;
}

bool ScanEngine::StillAProblemIn(const TRegRecord& p) {
  if (p.Kind == kKindFile) {
    std::string target;
    try {
      target = platform_.links.ResolveShortcutTarget(p.KeyPath);
    } catch (const ShellLinkError&) {
      return false;
    }
    if (target == p.KeyPath) return true;  // gone or unreadable: nothing points anywhere
    return target == p.ValueData && !ExistsAsFileOrFolder(target);
  }
  reg_.CloseKey();
  reg_.SetRootKey(p.RootKey);
  const std::string path =
      !p.KeyPath.empty() && p.KeyPath[0] == '\\' ? p.KeyPath : "\\" + p.KeyPath;
  const std::string fileExts = kFileExtsBase;
  if (p.Section == SectionByNumber(7)->sectionName)
    return path.compare(0, fileExts.size(), fileExts) == 0 &&
           FileExtensionUnassociated(path.substr(fileExts.size()));
  if (!reg_.OpenKey(path, false)) return true;  // gone already
  // A value already gone (another section's record of the same entry went
  // first) leaves nothing to judge: its deletion counts as done. A key kept
  // for a value that is gone has changed.
  if (!reg_.ValueExists(p.ValueName)) return p.DeleteKey == 0;
  const std::uint32_t type = reg_.GetDataType(p.ValueName);
  const bool help = p.Section == SectionByNumber(9)->sectionName;
  const bool font = p.Section == SectionByNumber(10)->sectionName;
  const bool addRemove = p.Section == kSectionAddRemovePrograms;
  // The text the section judged, read by the section's own rule.
  std::string text;
  if ((help || font) ? IsTextType(type)
                     : type == kREG_SZ || (!addRemove && type == kREG_EXPAND_SZ)) {
    text = reg_.ReadString(p.ValueName);
  } else if (!help && !font && !addRemove && type == kREG_DWORD) {
    text = p.ValueName;
  } else {
    return false;
  }
  if (text != p.ValueData) return false;
  if (help) return !AnyFileExists({HelpFilePath(text, p.ValueName)});
  if (font) return !AnyFileExists(FontFilePaths(FontFolders(), text));
  return !DoAnalyzeValue(text, p.Section);
}

}  // namespace corvanta
