#include "platform/offline/offline_file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "platform/name_case.h"
#include "platform/offline/wine_registry_store.h"

namespace corvanta {

namespace {

// Listings come sorted by their upper-case names, as the system returns them.
bool ListOrder(const std::string& a, const std::string& b) {
  const std::string ua = AsciiUpper(a), ub = AsciiUpper(b);
  return ua != ub ? ua < ub : a < b;
}

// Windows wildcards: "*" any run, "?" one character, without regard to case;
// "*.*" matches names without a dot too.
bool WildcardMatch(const std::string& mask, const std::string& name) {
  if (mask == "*" || mask == "*.*") return true;
  std::size_t m = 0, n = 0, starM = std::string::npos, starN = 0;
  while (n < name.size()) {
    if (m < mask.size() && (mask[m] == '?' || AsciiUpper(mask[m]) == AsciiUpper(name[n]))) {
      ++m;
      ++n;
    } else if (m < mask.size() && mask[m] == '*') {
      starM = m++;
      starN = n;
    } else if (starM != std::string::npos) {
      m = starM + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (m < mask.size() && (mask[m] == '*' || (mask[m] == '.' && m + 1 == mask.size()))) ++m;
  return m == mask.size();
}

std::uint32_t AttributesOf(const std::string& host, const std::string& name) {
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
  // Names that begin with a dot are hidden, as Wine shows them.
  if (!name.empty() && name[0] == '.' && name != "." && name != "..") attrs |= faHidden;
  return attrs;
}

std::string LastComponent(const std::string& host) {
  const std::size_t cut = host.find_last_of('/');
  return cut == std::string::npos ? host : host.substr(cut + 1);
}

bool ShortChar(char c) {
  return static_cast<unsigned char>(c) > ' ' && !std::strchr("\"*+,./:;<=>?[\\]|", c);
}

}  // namespace

bool IsShortName(const std::string& name) {
  const std::size_t dot = name.find('.');
  const std::string base = name.substr(0, dot);
  const std::string ext = dot == std::string::npos ? std::string() : name.substr(dot + 1);
  if (base.empty() || base.size() > 8 || ext.size() > 3) return false;
  for (const std::string* part : {&base, &ext})
    for (char c : *part)
      if (!ShortChar(c) || (c >= 'a' && c <= 'z')) return false;
  return true;
}

std::string ShortNameOf(const std::string& longName, int n) {
  if (IsShortName(longName)) return longName;
  const std::size_t dot = longName.rfind('.');
  std::string base, ext;
  for (std::size_t i = 0; i < (dot == std::string::npos ? longName.size() : dot); ++i)
    if (longName[i] != ' ' && longName[i] != '.')
      base += ShortChar(longName[i]) ? AsciiUpper(longName[i]) : '_';
  if (dot != std::string::npos)
    for (std::size_t i = dot + 1; i < longName.size() && ext.size() < 3; ++i)
      if (longName[i] != ' ') ext += ShortChar(longName[i]) ? AsciiUpper(longName[i]) : '_';
  const std::string tail = "~" + std::to_string(n);
  base = base.substr(0, 8 - tail.size()) + tail;
  return ext.empty() ? base : base + "." + ext;
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
  std::string rest = hostPath.substr(bestLen);
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
      if (name != "." && name != "..") listing.names.push_back(name);
    }
    closedir(dir);
  }
  std::sort(listing.names.begin(), listing.names.end(), ListOrder);
  for (std::size_t i = 0; i < listing.names.size(); ++i)
    listing.upper.emplace(AsciiUpper(listing.names[i]), i);
  return listings_.emplace(hostFolder, std::move(listing)).first->second;
}

std::string OfflineFileSystem::Match(const std::string& hostFolder, const std::string& component) {
  const Listing& listing = ListingOf(hostFolder);
  auto it = listing.upper.find(AsciiUpper(component));
  if (it != listing.upper.end()) return listing.names[it->second];
  // An 8.3 name the listing does not have: the n-th long name of that basis.
  const std::string upper = AsciiUpper(component);
  const std::size_t tilde = upper.find('~');
  if (tilde == std::string::npos || !IsShortName(upper)) return std::string();
  const std::size_t dot = upper.find('.');
  const int n = std::atoi(upper.substr(tilde + 1, dot - tilde - 1).c_str());
  if (n <= 0) return std::string();
  int seen = 0;
  for (const std::string& name : listing.names) {
    if (IsShortName(name)) continue;
    const std::string candidate = ShortNameOf(name, n);
    const std::string basis = ShortNameOf(name, 1);
    const std::string want =
        upper.substr(0, tilde) + "~1" + (dot == std::string::npos ? "" : upper.substr(dot));
    if (basis != want && candidate != upper) continue;
    if (++seen == n) return name;
  }
  return std::string();
}

std::string OfflineFileSystem::HostPathOf(const std::string& path) {
  std::string host;
  std::vector<std::string> parts;
  if (!Split(path, &host, &parts)) return std::string();
  for (const std::string& part : parts) {
    const std::string name = Match(host, part);
    if (name.empty()) return std::string();
    host = host == "/" ? "/" + name : host + "/" + name;
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
  // An existing entry keeps its spelling.
  const std::string existing = Match(host, *leaf);
  if (!existing.empty()) *leaf = existing;
  return true;
}

std::uint32_t OfflineFileSystem::GetAttributes(const std::string& path) {
  const std::string host = HostPathOf(path);
  if (host.empty()) return kInvalidAttributes;
  return AttributesOf(host, LastComponent(host));
}

bool OfflineFileSystem::FileExists(const std::string& path) {
  // Wildcards make a search, as FindFirstFile does.
  if (path.find_first_of("*?") != std::string::npos) {
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
  for (const std::string& name : ListingOf(host).names) {
    if (!WildcardMatch(mask, name)) continue;
    const std::string path = host == "/" ? "/" + name : host + "/" + name;
    const std::uint32_t attrs = AttributesOf(path, name);
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
  std::string parent, leaf;
  if (!ResolveParent(to, &parent, &leaf)) return false;
  const std::string host = parent == "/" ? "/" + leaf : parent + "/" + leaf;
  const int fd = open(host.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const bool ok = write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  close(fd);
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
  const int fd = open(host.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const bool ok = write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  const bool closed = close(fd) == 0;
  Forget(parent);
  if (ok && closed) written_.push_back(path);
  return ok && closed;
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
    if (!IsShortName(name)) {
      int n = 0;
      const std::string basis = ShortNameOf(name, 1);
      for (const std::string& other : ListingOf(host).names) {
        if (!IsShortName(other) && ShortNameOf(other, 1) == basis) ++n;
        if (other == name) break;
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
