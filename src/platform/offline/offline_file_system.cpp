#include "platform/offline/offline_file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "platform/name_case.h"
#include "platform/offline/host_files.h"
#include "platform/text_convert.h"

namespace corvanta {

namespace {

// Listings come sorted by their upper-case names, as the system returns them.
bool ListOrder(const std::string& a, const std::string& b) {
  const std::string ua = Utf8Upper(a), ub = Utf8Upper(b);
  return ua != ub ? ua < ub : a < b;
}

// The upper-case code points of UTF-8 text.
std::u32string UpperCodePoints(const std::string& text) {
  std::u32string out;
  uint32_t cp = 0;
  for (std::size_t i = 0; i < text.size();) {
    DecodeUtf8(text, &i, &cp);
    out += static_cast<char32_t>(UpperCodePoint(cp));
  }
  return out;
}

// Windows wildcards: "*" any run, "?" one character, without regard to case;
// "*.*" matches names without a dot too.
bool WildcardMatch(const std::string& maskText, const std::string& nameText) {
  if (maskText == "*" || maskText == "*.*") return true;
  const std::u32string mask = UpperCodePoints(maskText), name = UpperCodePoints(nameText);
  std::size_t m = 0, n = 0, starM = std::string::npos, starN = 0;
  while (n < name.size()) {
    if (m < mask.size() && (mask[m] == U'?' || mask[m] == name[n])) {
      ++m;
      ++n;
    } else if (m < mask.size() && mask[m] == U'*') {
      starM = m++;
      starN = n;
    } else if (starM != std::string::npos) {
      m = starM + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (m < mask.size() && (mask[m] == U'*' || (mask[m] == U'.' && m + 1 == mask.size()))) ++m;
  return m == mask.size();
}

// The DOS attributes the host keeps for a file, Wine's form first; false in
// *found when neither is there.
std::uint32_t KeptAttributes(const std::string& host, bool* found) {
  const struct {
    const char* name;
    KeptAttributesForm form;
  } kept[] = {{"user.DOSATTRIB", KeptAttributesForm::kDosAttribText},
              {"system.ntfs_attrib_be", KeptAttributesForm::kNtfsBigEndian}};
  char buf[64];
  std::uint32_t attrs = 0;
  for (const auto& k : kept) {
    const ssize_t n = lgetxattr(host.c_str(), k.name, buf, sizeof buf);
    if (n >= 0 && DecodeKeptAttributes(k.form, std::string(buf, n), &attrs)) {
      *found = true;
      return attrs;
    }
  }
  *found = false;
  return 0;
}

std::uint32_t AttributesOf(const std::string& host, const std::string& name, bool dotHidden) {
  struct stat lst, st;
  if (lstat(host.c_str(), &lst) != 0) return kInvalidAttributes;
  std::uint32_t attrs = 0;
  if (S_ISLNK(lst.st_mode)) {
    attrs |= faReparsePoint;
    if (stat(host.c_str(), &st) != 0) return kInvalidAttributes;
  } else {
    st = lst;
  }
  attrs |= S_ISDIR(st.st_mode) ? faDirectory : faArchive;
  if ((st.st_mode & 0222) == 0) attrs |= faReadOnly;
  bool kept = false;
  const std::uint32_t dos = KeptAttributes(host, &kept);
  if (kept) attrs |= dos & (faReadOnly | faHidden | faSysFile);
  // Names that begin with a dot are hidden, as Wine shows them.
  if (dotHidden && !name.empty() && name[0] == '.' && name != "." && name != "..")
    attrs |= faHidden;
  return attrs;
}

std::string LastComponent(const std::string& host) {
  const std::size_t cut = host.find_last_of('/');
  return cut == std::string::npos ? host : host.substr(cut + 1);
}

// A character an 8.3 name may hold; beyond ASCII any but a blank.
bool ShortChar(char32_t c) {
  return c > 0x7F ? c != 0xA0 : c > ' ' && !std::strchr("\"*+,./:;<=>?[\\]|", static_cast<char>(c));
}

std::string Utf8Of(const std::u32string& text) {
  std::string out;
  for (char32_t c : text) AppendUtf8(out, c);
  return out;
}

}  // namespace

bool IsShortName(const std::string& text) {
  std::u32string name;
  uint32_t cp = 0;
  for (std::size_t i = 0; i < text.size();) {
    DecodeUtf8(text, &i, &cp);
    name += static_cast<char32_t>(cp);
  }
  const std::size_t dot = name.find(U'.');
  const std::u32string base = name.substr(0, dot);
  const std::u32string ext = dot == std::u32string::npos ? std::u32string() : name.substr(dot + 1);
  if (base.empty() || base.size() > 8 || ext.size() > 3) return false;
  for (const std::u32string* part : {&base, &ext})
    for (char32_t c : *part)
      if (!ShortChar(c) || UpperCodePoint(c) != c) return false;
  return true;
}

std::string ShortNameOf(const std::string& longName, int n) {
  if (IsShortName(longName)) return longName;
  const std::u32string name = UpperCodePoints(longName);
  const std::size_t dot = name.rfind(U'.');
  std::u32string base, ext;
  for (std::size_t i = 0; i < (dot == std::u32string::npos ? name.size() : dot); ++i)
    if (name[i] != U' ' && name[i] != U'.') base += ShortChar(name[i]) ? name[i] : U'_';
  if (dot != std::u32string::npos)
    for (std::size_t i = dot + 1; i < name.size() && ext.size() < 3; ++i)
      if (name[i] != U' ') ext += ShortChar(name[i]) ? name[i] : U'_';
  const std::string tail = "~" + std::to_string(n);
  const std::string shortBase = Utf8Of(base.substr(0, 8 - tail.size())) + tail;
  return ext.empty() ? shortBase : shortBase + "." + Utf8Of(ext);
}

bool DecodeKeptAttributes(KeptAttributesForm form, const std::string& value,
                          std::uint32_t* attributes) {
  if (form == KeptAttributesForm::kNtfsBigEndian) {
    if (value.size() != 4) return false;
    *attributes = 0;
    for (unsigned char b : value) *attributes = (*attributes << 8) | b;
    return true;
  }
  // "0x" and one to eight hex digits; a writer may keep the text's NUL.
  std::string text = value;
  if (!text.empty() && text.back() == '\0') text.pop_back();
  if (text.size() < 3 || text.size() > 10 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X'))
    return false;
  for (std::size_t i = 2; i < text.size(); ++i)
    if (!std::isxdigit(static_cast<unsigned char>(text[i]))) return false;
  *attributes = static_cast<std::uint32_t>(std::stoul(text.substr(2), nullptr, 16));
  return true;
}

bool OfflineFileSystem::HasDrive(char letter) const {
  return drives_.count(AsciiUpper(letter)) != 0;
}

void OfflineFileSystem::SetVolumeRules() {
  volume_ = true;
}

void OfflineFileSystem::MapDrive(char letter, const std::string& hostFolder) {
  std::string folder = hostFolder;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  drives_[AsciiUpper(letter)] = folder;
}

std::string OfflineFileSystem::WindowsPathOf(const std::string& hostPath) const {
  char best = 0;
  std::size_t bestLen = 0;
  for (const auto& [letter, folder] : drives_) {
    char real[4096];
    const std::string f = realpath(folder.c_str(), real) ? std::string(real) : folder;
    const bool inside = f == "/" || hostPath == f ||
                        (hostPath.compare(0, f.size(), f) == 0 && hostPath.size() > f.size() &&
                         hostPath[f.size()] == '/');
    if (inside && (best == 0 || f.size() > bestLen)) {
      best = letter;
      bestLen = f == "/" ? 0 : f.size();
    }
  }
  if (!best) return std::string();
  // A host name that is no UTF-8 has no Windows spelling here.
  std::string rest = hostPath.substr(bestLen);
  if (!IsStrictUtf8(rest)) return std::string();
  for (char& c : rest)
    if (c == '/') c = '\\';
  if (rest.empty() || rest[0] != '\\') rest = "\\" + rest;
  return std::string(1, best) + ":" + rest;
}

bool OfflineFileSystem::Split(const std::string& path, std::string* host,
                              std::vector<std::string>* parts) const {
  std::size_t start = 2;
  if (!path.empty() && path[0] == '/') {
    // A host path, as the native program's command line gives them.
    *host = "/";
    start = 1;
  } else {
    if (path.size() < 2 || path[1] != ':') return false;
    auto drive = drives_.find(AsciiUpper(path[0]));
    if (drive == drives_.end()) return false;
    *host = drive->second;
  }
  parts->clear();
  while (start <= path.size()) {
    std::size_t end = path.find_first_of("\\/", start);
    if (end == std::string::npos) end = path.size();
    std::string part = path.substr(start, end - start);
    start = end + 1;
    if (part == "..") {
      if (!parts->empty()) parts->pop_back();
      continue;
    }
    // Windows drops trailing dots and blanks of a component.
    while (!part.empty() && (part.back() == '.' || part.back() == ' ')) part.pop_back();
    if (part.empty()) continue;
    parts->push_back(part);
  }
  return true;
}

const OfflineFileSystem::Listing& OfflineFileSystem::ListingOf(const std::string& hostFolder) {
  auto it = listings_.find(hostFolder);
  if (it != listings_.end()) return it->second;
  Listing listing;
  if (DIR* dir = opendir(hostFolder.c_str())) {
    while (const dirent* e = readdir(dir)) {
      const std::string name = e->d_name;
      if (name == "." || name == "..") continue;
      // A host name that is no UTF-8 is one the program cannot name.
      if (IsStrictUtf8(name))
        listing.names.push_back(name);
      else
        listing.undecodable = true;
    }
    closedir(dir);
  }
  std::sort(listing.names.begin(), listing.names.end(), ListOrder);
  for (std::size_t i = 0; i < listing.names.size(); ++i)
    listing.upper.emplace(Utf8Upper(listing.names[i]), i);
  return listings_.emplace(hostFolder, std::move(listing)).first->second;
}

std::string OfflineFileSystem::Match(const std::string& hostFolder, const std::string& component,
                                     bool* unknown) {
  const Listing& listing = ListingOf(hostFolder);
  if (unknown) *unknown = false;
  const std::string upper = Utf8Upper(component);
  auto it = listing.upper.find(upper);
  if (it != listing.upper.end()) return listing.names[it->second];
  // Beside a host name that is no UTF-8, a name with a character past ASCII
  // may be that one as the system decodes it.
  if (unknown && listing.undecodable && std::any_of(component.begin(), component.end(), [](char c) {
        return static_cast<unsigned char>(c) >= 0x80;
      }))
    *unknown = true;
  // An 8.3 name the listing does not have: the n-th long name of that basis.
  const std::size_t tilde = upper.find('~');
  if (tilde == std::string::npos || !IsShortName(upper)) return std::string();
  const std::size_t dot = upper.find('.');
  const int n = std::atoi(upper.substr(tilde + 1, dot - tilde - 1).c_str());
  if (n <= 0) return std::string();
  int seen = 0;
  for (std::size_t i = 0; i < listing.names.size(); ++i) {
    const std::string& name = listing.names[i];
    if (IsShortName(name)) continue;
    const std::string candidate = ShortNameOf(name, n);
    const std::string basis = ShortNameOf(name, 1);
    const std::string want =
        upper.substr(0, tilde) + "~1" + (dot == std::string::npos ? "" : upper.substr(dot));
    if (basis != want && candidate != upper) continue;
    if (++seen == n) return listing.names[i];
  }
  return std::string();
}

OfflineFileSystem::Found OfflineFileSystem::Resolve(const std::string& path, std::string* host) {
  std::vector<std::string> parts;
  if (!Split(path, host, &parts)) {
    // A letter the volume does not hold may well exist on the real machine.
    const bool drive =
        path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0]));
    return volume_ && drive ? Found::kUnknown : Found::kNo;
  }
  for (const std::string& part : parts) {
    bool unknown = false;
    const std::string name = Match(*host, part, &unknown);
    if (unknown) return Found::kUnknown;
    if (name.empty()) return Found::kNo;
    *host = *host == "/" ? "/" + name : *host + "/" + name;
  }
  return Found::kYes;
}

std::string OfflineFileSystem::HostPathOf(const std::string& path) {
  std::string host;
  return Resolve(path, &host) == Found::kYes ? host : std::string();
}

std::string OfflineFileSystem::HostPathFor(const std::string& path) {
  std::string host;
  std::vector<std::string> parts;
  if (!Split(path, &host, &parts)) return std::string();
  bool exists = true;
  for (const std::string& part : parts) {
    const std::string name = exists ? Match(host, part) : std::string();
    exists = !name.empty();
    host = (host == "/" ? "/" : host + "/") + (exists ? name : part);
  }
  return host;
}

bool OfflineFileSystem::ResolveParent(const std::string& path, std::string* hostParent,
                                      std::string* leaf) {
  std::string host;
  std::vector<std::string> parts;
  if (!Split(path, &host, &parts) || parts.empty()) return false;
  *leaf = parts.back();
  parts.pop_back();
  for (const std::string& part : parts) {
    const std::string name = Match(host, part);
    if (name.empty()) return false;
    host = host == "/" ? "/" + name : host + "/" + name;
  }
  *hostParent = host;
  // An existing entry keeps its spelling; a new one needs a name the host can
  // hold (no unpaired surrogate).
  const std::string existing = Match(host, *leaf);
  if (existing.empty() && !IsStrictUtf8(*leaf)) return false;
  if (!existing.empty()) *leaf = existing;
  return true;
}

std::uint32_t OfflineFileSystem::GetAttributes(const std::string& path) {
  std::string host;
  switch (Resolve(path, &host)) {
    case Found::kYes:
      return AttributesOf(host, LastComponent(host), !volume_);
    case Found::kUnknown:
      return kUnknownAttributes;
    case Found::kNo:
      break;
  }
  return kInvalidAttributes;
}

bool OfflineFileSystem::FileExists(const std::string& path) {
  // Wildcards make a search, as FindFirstFile does.
  if (path.find_first_of("*?") != std::string::npos) {
    std::string host;
    const std::size_t cut = path.find_last_of("\\/");
    if (cut != std::string::npos && Resolve(path.substr(0, cut), &host) == Found::kUnknown)
      return true;
    bool found = false;
    ForEachFile(path, faAnyFile & ~faDirectory, [&found](const FindEntry& e) {
      if ((e.attributes & faDirectory) == 0) found = true;
      return !found;
    });
    return found;
  }
  const std::uint32_t a = GetAttributes(path);
  return a != kInvalidAttributes && (a & faDirectory) == 0;
}

bool OfflineFileSystem::DirectoryExists(const std::string& path) {
  std::string host;
  if (Resolve(path, &host) == Found::kUnknown) return true;
  const std::uint32_t a = GetAttributes(path);
  return a != kInvalidAttributes && (a & faDirectory) != 0;
}

void OfflineFileSystem::ForEachFile(const std::string& pattern, std::uint32_t attrFilter,
                                    const std::function<bool(const FindEntry&)>& visit) {
  const std::size_t cut = pattern.find_last_of("\\/");
  if (cut == std::string::npos) return;
  const std::string folder = pattern.substr(0, cut);
  const std::string mask = pattern.substr(cut + 1);
  const std::string host = HostPathOf(folder.size() == 2 ? folder + "\\" : folder);
  if (host.empty() || mask.empty()) return;
  struct stat st;
  if (stat(host.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return;
  std::vector<FindEntry> entries;
  // Every folder but a drive's root lists "." and "..".
  std::string dummy;
  std::vector<std::string> parts;
  if (Split(folder, &dummy, &parts) && !parts.empty()) {
    for (const char* dot : {".", ".."})
      if (WildcardMatch(mask, dot)) entries.push_back(FindEntry{dot, faDirectory, 0});
  }
  const Listing& listing = ListingOf(host);
  for (std::size_t i = 0; i < listing.names.size(); ++i) {
    const std::string& name = listing.names[i];
    if (!WildcardMatch(mask, name)) continue;
    const std::string path = host == "/" ? "/" + listing.names[i] : host + "/" + listing.names[i];
    const std::uint32_t attrs = AttributesOf(path, name, !volume_);
    if (attrs == kInvalidAttributes) continue;
    std::uint64_t size = 0;
    if ((attrs & faDirectory) == 0 && stat(path.c_str(), &st) == 0)
      size = static_cast<std::uint64_t>(st.st_size);
    entries.push_back(FindEntry{name, attrs, size});
  }
  for (const FindEntry& e : entries) {
    if (!MatchesAttributeFilter(e.attributes, attrFilter)) continue;
    if (!visit(e)) return;
  }
}

bool OfflineFileSystem::RemoveFile(const std::string& path) {
  const std::string host = HostPathOf(path);
  if (host.empty()) return false;
  struct stat st;
  if (lstat(host.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
  const bool ok = unlink(host.c_str()) == 0;
  Forget(host.substr(0, host.find_last_of('/') == 0 ? 1 : host.find_last_of('/')));
  return ok;
}

bool OfflineFileSystem::RemoveFolder(const std::string& path) {
  const std::string host = HostPathOf(path);
  if (host.empty()) return false;
  struct stat st;
  bool ok;
  // A linked folder goes as a link, never emptied through.
  if (lstat(host.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
    ok = unlink(host.c_str()) == 0;
  else
    ok = rmdir(host.c_str()) == 0;
  Forget(host.substr(0, host.find_last_of('/') == 0 ? 1 : host.find_last_of('/')));
  Forget(host);
  return ok;
}

bool OfflineFileSystem::CopyOneFile(const std::string& from, const std::string& to) {
  std::string bytes;
  if (!ReadWholeFile(from, &bytes)) return false;
  std::string parent, leaf, error;
  if (!ResolveParent(to, &parent, &leaf)) return false;
  const std::string host = parent == "/" ? "/" + leaf : parent + "/" + leaf;
  // Never over an existing file, never a partial copy under the name.
  const bool ok = CreateHostFile(host, bytes, &error);
  Forget(parent);
  return ok;
}

bool OfflineFileSystem::MakeDirectory(const std::string& path) {
  std::string parent, leaf;
  if (!ResolveParent(path, &parent, &leaf)) return false;
  const std::string host = parent == "/" ? "/" + leaf : parent + "/" + leaf;
  const bool ok = mkdir(host.c_str(), 0755) == 0;
  Forget(parent);
  return ok;
}

bool OfflineFileSystem::ReadWholeFile(const std::string& path, std::string* out) {
  const std::string host = HostPathOf(path);
  std::string error;
  if (host.empty() || !ReadHostFile(host, out, &error)) return false;
  read_.push_back(path);
  return true;
}

bool OfflineFileSystem::WriteWholeFile(const std::string& path, const std::string& bytes) {
  std::string parent, leaf;
  if (!ResolveParent(path, &parent, &leaf)) return false;
  const std::string host = parent == "/" ? "/" + leaf : parent + "/" + leaf;
  std::string error;
  const bool ok = ReplaceHostFile(host, bytes, &error);
  Forget(parent);
  if (ok) written_.push_back(path);
  return ok;
}

std::string OfflineFileSystem::ShortPathName(const std::string& path) {
  std::string host;
  std::vector<std::string> parts;
  if (path.empty() || path[0] == '/' || !Split(path, &host, &parts) || HostPathOf(path).empty())
    return std::string();
  std::string out = std::string(1, AsciiUpper(path[0])) + ":";
  for (const std::string& part : parts) {
    const std::string name = Match(host, part);
    std::string shortName = name;
    if (!IsShortName(shortName)) {
      int n = 0;
      const Listing& listing = ListingOf(host);
      const std::string basis = ShortNameOf(name, 1);
      for (std::size_t i = 0; i < listing.names.size(); ++i) {
        if (!IsShortName(listing.names[i]) && ShortNameOf(listing.names[i], 1) == basis) ++n;
        if (listing.names[i] == name) break;
      }
      shortName = ShortNameOf(name, n);
    }
    out += "\\" + shortName;
    host = host == "/" ? "/" + name : host + "/" + name;
  }
  if (parts.empty()) out += "\\";
  return out.size() > 260 ? std::string() : out;
}

std::uint32_t OfflineFileSystem::SetErrorMode(std::uint32_t mode) {
  const std::uint32_t previous = errorMode_;
  errorMode_ = mode;
  return previous;
}

}  // namespace corvanta
