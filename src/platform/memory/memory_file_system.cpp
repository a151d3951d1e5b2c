#include "platform/memory/memory_file_system.h"

#include <algorithm>
#include <stdexcept>

#include "platform/name_case.h"
#include "platform/text_convert.h"

namespace corvanta {

namespace {

bool SameName(const std::string& a, const std::string& b) {
  return CompareNameUpper(a, b) == 0;
}

bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

bool HasWildcard(const std::string& s) {
  return s.find_first_of("*?") != std::string::npos;
}

// The upper-case code points of a UTF-8 name (a byte that is no UTF-8 stands
// for itself, above every code point).
std::vector<uint32_t> UpperPoints(const std::string& text) {
  std::vector<uint32_t> out;
  uint32_t cp = 0;
  for (size_t i = 0; i < text.size();) {
    out.push_back(DecodeUtf8(text, &i, &cp) ? UpperCodePoint(cp) : 0x110000 + cp);
  }
  return out;
}

// Plain glob: '*' any run, '?' one character, letters without regard to case.
bool Glob(const std::string& pattern, const std::string& name) {
  const std::vector<uint32_t> p = UpperPoints(pattern), n = UpperPoints(name);
  size_t pi = 0, ni = 0, starP = std::string::npos, starN = 0;
  while (ni < n.size()) {
    if (pi < p.size() && (p[pi] == '?' || p[pi] == n[ni])) {
      ++pi;
      ++ni;
    } else if (pi < p.size() && p[pi] == '*') {
      starP = pi++;
      starN = ni;
    } else if (starP != std::string::npos) {
      pi = starP + 1;
      ni = ++starN;
    } else {
      return false;
    }
  }
  while (pi < p.size() && p[pi] == '*') ++pi;
  return pi == p.size();
}

// A name that needs no generated short form.
bool IsShortName(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return true;
  const size_t dot = name.find('.');
  if (dot != std::string::npos && name.find('.', dot + 1) != std::string::npos) return false;
  const std::string base = dot == std::string::npos ? name : name.substr(0, dot);
  const std::string ext = dot == std::string::npos ? std::string() : name.substr(dot + 1);
  if (base.empty() || base.size() > 8 || ext.size() > 3) return false;
  for (char c : name) {
    if (c == ' ' || std::string("+,;=[]").find(c) != std::string::npos) return false;
    // A character beyond ASCII has no place in an 8.3 name.
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// The parts a generated short name is built from: up to six base characters
// and up to three extension characters, upper case, blanks and dots dropped.
void ShortParts(const std::string& name, std::string* base, std::string* ext) {
  const size_t dot = name.rfind('.');
  const std::string b = (dot == std::string::npos || dot == 0) ? name : name.substr(0, dot);
  const std::string e =
      (dot == std::string::npos || dot == 0) ? std::string() : name.substr(dot + 1);
  auto clean = [](const std::string& s, size_t limit) {
    std::string out;
    uint32_t cp = 0;
    for (size_t i = 0; i < s.size() && out.size() < limit;) {
      const char c = s[i];
      // A character beyond ASCII (all its bytes) becomes one '_'.
      if (!DecodeUtf8(s, &i, &cp) || cp >= 0x80) {
        out += '_';
        continue;
      }
      if (c == ' ' || c == '.') continue;
      out += std::string("+,;=[]").find(c) != std::string::npos ? '_' : AsciiUpper(c);
    }
    return out;
  };
  *base = clean(b, 6);
  *ext = clean(e, 3);
}

}  // namespace

struct MemoryFileSystem::Node {
  std::string name;
  std::string shortName;  // "" = generate when asked
  uint32_t attributes = faDirectory;
  std::string bytes;
  Node* parent = nullptr;
  std::vector<std::unique_ptr<Node>> children;  // sorted without regard to case

  bool isFolder() const { return (attributes & faDirectory) != 0; }
  uint32_t reported() const { return attributes == 0 ? faNormal : attributes; }

  Node* Child(const std::string& childName) const {
    for (const auto& c : children) {
      if (SameName(c->name, childName)) return c.get();
    }
    return nullptr;
  }
  Node* Add(std::unique_ptr<Node> node) {
    node->parent = this;
    const std::string& key = node->name;
    auto at = std::find_if(
        children.begin(), children.end(),
        [&key](const std::unique_ptr<Node>& c) { return CompareNameUpper(c->name, key) > 0; });
    return children.insert(at, std::move(node))->get();
  }
  std::unique_ptr<Node> Remove(Node* child) {
    for (auto it = children.begin(); it != children.end(); ++it) {
      if (it->get() == child) {
        std::unique_ptr<Node> out = std::move(*it);
        children.erase(it);
        return out;
      }
    }
    return nullptr;
  }
};

struct MemoryFileSystem::Parsed {
  char drive = 0;
  bool hadDrive = false;
  std::vector<std::string> parts;
  bool trailingSeparator = false;
  std::string key() const {
    std::string k(1, drive);
    k += ":";
    for (const auto& p : parts) k += "\\" + NameUpper(p);
    return k;
  }
};

MemoryFileSystem::MemoryFileSystem() = default;
MemoryFileSystem::~MemoryFileSystem() = default;

bool MemoryFileSystem::Parse(const std::string& path, Parsed* out) const {
  if (path.empty()) return false;
  std::string rest = path;
  if (path.size() >= 2 && path[1] == ':') {
    const char d = AsciiUpper(path[0]);
    if (d < 'A' || d > 'Z') return false;
    out->drive = d;
    out->hadDrive = true;
    rest = path.substr(2);
  } else if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
    return false;  // network paths: no shares here
  } else {
    out->drive = currentDrive_;
  }
  out->trailingSeparator = !rest.empty() && IsSeparator(rest.back());
  std::string part;
  auto flush = [&]() {
    if (part.empty() || part == ".") {
    } else if (part == "..") {
      if (!out->parts.empty()) out->parts.pop_back();
    } else {
      out->parts.push_back(part);
    }
    part.clear();
  };
  for (char c : rest) {
    if (IsSeparator(c)) {
      flush();
    } else {
      part += c;
    }
  }
  flush();
  if (out->parts.empty()) out->trailingSeparator = false;
  return true;
}

MemoryFileSystem::Node* MemoryFileSystem::Find(const Parsed& parsed) const {
  auto drive = drives_.find(parsed.drive);
  if (drive == drives_.end()) return nullptr;
  Node* node = drive->second.get();
  for (const auto& part : parsed.parts) {
    if (!node->isFolder()) return nullptr;
    Node* next = node->Child(part);
    // Paths may also name entries by their 8.3 form.
    for (size_t i = 0; next == nullptr && i < node->children.size(); ++i) {
      Node* c = node->children[i].get();
      if (!IsShortName(c->name) && SameName(ShortNameOf(*node, *c), part)) next = c;
    }
    if (next == nullptr) return nullptr;
    node = next;
  }
  return node;
}

MemoryFileSystem::Node* MemoryFileSystem::FindParent(const Parsed& parsed) const {
  if (parsed.parts.empty()) return nullptr;
  Parsed up = parsed;
  up.parts.pop_back();
  Node* parent = Find(up);
  return (parent != nullptr && parent->isFolder()) ? parent : nullptr;
}

MemoryFileSystem::Node* MemoryFileSystem::Ensure(const std::string& path, bool lastIsFolder,
                                                 uint32_t attributes) {
  Parsed parsed;
  if (!Parse(path, &parsed) || HasWildcard(path)) {
    throw std::invalid_argument("MemoryFileSystem: bad seed path " + path);
  }
  auto& root = drives_[parsed.drive];
  if (!root) {
    root = std::make_unique<Node>();
    root->name = std::string(1, parsed.drive) + ":";
  }
  Node* node = root.get();
  for (size_t i = 0; i < parsed.parts.size(); ++i) {
    const bool last = i + 1 == parsed.parts.size();
    Node* next = node->Child(parsed.parts[i]);
    if (next == nullptr) {
      auto fresh = std::make_unique<Node>();
      fresh->name = parsed.parts[i];
      fresh->attributes = (last && !lastIsFolder) ? attributes : faDirectory;
      next = node->Add(std::move(fresh));
    } else if (!last && !next->isFolder()) {
      throw std::invalid_argument("MemoryFileSystem: a file is in the way of " + path);
    }
    node = next;
  }
  if (parsed.parts.empty()) {
    if (lastIsFolder) node->attributes = attributes | faDirectory;
  } else if (lastIsFolder) {
    if (!node->isFolder()) throw std::invalid_argument("MemoryFileSystem: file exists " + path);
    node->attributes = attributes | faDirectory;
  } else {
    if (node->isFolder()) throw std::invalid_argument("MemoryFileSystem: folder exists " + path);
    node->attributes = attributes;
  }
  return node;
}

void MemoryFileSystem::AddFile(const std::string& path, const std::string& bytes,
                               uint32_t attributes) {
  if (attributes == 0) attributes = faArchive;
  Ensure(path, false, attributes & ~faDirectory)->bytes = bytes;
}

void MemoryFileSystem::AddFolder(const std::string& path, uint32_t attributes) {
  Ensure(path, true, attributes);
}

bool MemoryFileSystem::SetAttributes(const std::string& path, uint32_t attributes) {
  Parsed parsed;
  if (!Parse(path, &parsed)) return false;
  Node* node = Find(parsed);
  if (node == nullptr) return false;
  node->attributes = (attributes & ~faDirectory) | (node->attributes & faDirectory);
  return true;
}

void MemoryFileSystem::LockFile(const std::string& path) {
  Parsed parsed;
  if (Parse(path, &parsed)) locked_.insert(parsed.key());
}

bool MemoryFileSystem::SetShortName(const std::string& path, const std::string& shortName) {
  Parsed parsed;
  if (!Parse(path, &parsed)) return false;
  Node* node = Find(parsed);
  if (node == nullptr || parsed.parts.empty()) return false;
  node->shortName = shortName;
  return true;
}

void MemoryFileSystem::SetCurrentDrive(char letter) {
  currentDrive_ = AsciiUpper(letter);
}

bool MemoryFileSystem::WildcardMatch(const std::string& pattern, const std::string& name) {
  if (Glob(pattern, name)) return true;
  // "name.*" also matches "name", so "*.*" matches every name.
  if (pattern.size() >= 2 && pattern.compare(pattern.size() - 2, 2, ".*") == 0 &&
      Glob(pattern.substr(0, pattern.size() - 2), name)) {
    return true;
  }
  // "name." matches a name without extension.
  if (!pattern.empty() && pattern.back() == '.' && name.find('.') == std::string::npos &&
      Glob(pattern.substr(0, pattern.size() - 1), name)) {
    return true;
  }
  return false;
}

void MemoryFileSystem::ForEachFile(const std::string& pattern, uint32_t attrFilter,
                                   const std::function<bool(const FindEntry&)>& visit) {
  size_t cut = pattern.find_last_of("\\/");
  std::string folder, namePattern;
  if (cut == std::string::npos) {
    cut = (pattern.size() >= 2 && pattern[1] == ':') ? 1 : std::string::npos;
  }
  if (cut == std::string::npos) {
    folder = "\\";
    namePattern = pattern;
  } else {
    folder = pattern.substr(0, cut + 1);
    namePattern = pattern.substr(cut + 1);
  }
  if (namePattern.empty() || HasWildcard(folder)) return;
  Parsed parsed;
  if (!Parse(folder, &parsed)) return;
  Node* dir = Find(parsed);
  if (dir == nullptr || !dir->isFolder()) return;

  // Collected first, so that a visitor may change the folder.
  std::vector<FindEntry> found;
  if (dir->parent != nullptr) {
    if (WildcardMatch(namePattern, ".")) found.push_back({".", dir->reported(), 0});
    if (WildcardMatch(namePattern, "..")) found.push_back({"..", dir->parent->reported(), 0});
  }
  for (const auto& c : dir->children) {
    // As on Windows, the pattern is also tried on the 8.3 form of a long name.
    if (WildcardMatch(namePattern, c->name) ||
        (!IsShortName(c->name) && WildcardMatch(namePattern, ShortNameOf(*dir, *c)))) {
      found.push_back({c->name, c->reported(), c->isFolder() ? 0 : c->bytes.size()});
    }
  }
  for (const auto& e : found) {
    if (!MatchesAttributeFilter(e.attributes, attrFilter)) continue;
    if (!visit(e)) break;
  }
}

bool MemoryFileSystem::FileExists(const std::string& path) {
  if (path.empty() || IsSeparator(path.back())) return false;
  bool exists = false;
  // The first entry the search returns decides, as with FindFirstFileW.
  ForEachFile(path, faAnyFile | faReparsePoint | faNormal, [&exists](const FindEntry& e) {
    exists = (e.attributes & faDirectory) == 0;
    return false;
  });
  return exists;
}

uint32_t MemoryFileSystem::GetAttributes(const std::string& path) {
  Parsed parsed;
  if (HasWildcard(path) || !Parse(path, &parsed)) return kInvalidAttributes;
  Node* node = Find(parsed);
  if (node == nullptr) return kInvalidAttributes;
  if (parsed.trailingSeparator && !node->isFolder()) return kInvalidAttributes;
  return node->reported();
}

bool MemoryFileSystem::DirectoryExists(const std::string& path) {
  const uint32_t a = GetAttributes(path);
  return a != kInvalidAttributes && (a & faDirectory) != 0;
}

bool MemoryFileSystem::RemoveFile(const std::string& path) {
  Parsed parsed;
  if (HasWildcard(path) || !Parse(path, &parsed) || parsed.trailingSeparator) return false;
  Node* node = Find(parsed);
  if (node == nullptr || node->isFolder() || node->parent == nullptr) return false;
  if ((node->attributes & faReadOnly) != 0 || locked_.count(parsed.key()) != 0) return false;
  node->parent->Remove(node);
  return true;
}

bool MemoryFileSystem::RemoveFolder(const std::string& path) {
  Parsed parsed;
  if (HasWildcard(path) || !Parse(path, &parsed)) return false;
  Node* node = Find(parsed);
  if (node == nullptr || !node->isFolder() || node->parent == nullptr) return false;
  if (!node->children.empty() || locked_.count(parsed.key()) != 0) return false;
  node->parent->Remove(node);
  return true;
}

bool MemoryFileSystem::CopyOneFile(const std::string& from, const std::string& to) {
  Parsed source, target;
  if (HasWildcard(from) || HasWildcard(to) || !Parse(from, &source) || !Parse(to, &target))
    return false;
  Node* node = Find(source);
  if (node == nullptr || node->isFolder() || Find(target) != nullptr) return false;
  Node* parent = FindParent(target);
  if (parent == nullptr || !parent->isFolder()) return false;
  auto copy = std::make_unique<Node>();
  copy->name = target.parts.back();
  copy->attributes = node->attributes;
  copy->bytes = node->bytes;
  parent->Add(std::move(copy));
  return true;
}

bool MemoryFileSystem::MakeDirectory(const std::string& path) {
  Parsed parsed;
  if (HasWildcard(path) || !Parse(path, &parsed)) return false;
  Node* parent = FindParent(parsed);
  if (parent == nullptr || parent->Child(parsed.parts.back()) != nullptr) return false;
  auto fresh = std::make_unique<Node>();
  fresh->name = parsed.parts.back();
  fresh->attributes = faDirectory;
  parent->Add(std::move(fresh));
  return true;
}

bool MemoryFileSystem::ReadWholeFile(const std::string& path, std::string* out) {
  Parsed parsed;
  if (HasWildcard(path) || !Parse(path, &parsed) || parsed.trailingSeparator) return false;
  Node* node = Find(parsed);
  if (node == nullptr || node->isFolder()) return false;
  *out = node->bytes;
  return true;
}

bool MemoryFileSystem::WriteWholeFile(const std::string& path, const std::string& bytes) {
  Parsed parsed;
  if (HasWildcard(path) || !Parse(path, &parsed) || parsed.trailingSeparator) return false;
  Node* parent = FindParent(parsed);
  if (parent == nullptr) return false;
  Node* node = parent->Child(parsed.parts.back());
  if (node == nullptr) {
    auto fresh = std::make_unique<Node>();
    fresh->name = parsed.parts.back();
    fresh->attributes = faArchive;
    node = parent->Add(std::move(fresh));
  } else if (node->isFolder() || (node->attributes & faReadOnly) != 0 ||
             locked_.count(parsed.key()) != 0) {
    return false;
  }
  node->bytes = bytes;
  return true;
}

std::string MemoryFileSystem::ShortNameOf(const Node& parent, const Node& node) const {
  if (!node.shortName.empty()) return node.shortName;
  std::string base, ext;
  ShortParts(node.name, &base, &ext);
  int number = 1;
  for (const auto& sibling : parent.children) {
    if (sibling.get() == &node) break;
    std::string b, e;
    ShortParts(sibling->name, &b, &e);
    if (sibling->shortName.empty() && !IsShortName(sibling->name) && b == base && e == ext) {
      ++number;
    }
  }
  std::string out = base + "~" + std::to_string(number);
  if (!ext.empty()) out += "." + ext;
  return out;
}

std::string MemoryFileSystem::ShortPathName(const std::string& path) {
  Parsed parsed;
  if (HasWildcard(path) || !Parse(path, &parsed)) return std::string();
  if (Find(parsed) == nullptr) return std::string();
  std::string out = parsed.hadDrive ? path.substr(0, 2) + "\\" : std::string("\\");
  Parsed walk;
  walk.drive = parsed.drive;
  for (size_t i = 0; i < parsed.parts.size(); ++i) {
    Node* parent = Find(walk);
    walk.parts.push_back(parsed.parts[i]);
    Node* node = Find(walk);
    if (i > 0) out += "\\";
    // A name that already is a short name keeps the caller's spelling.
    out += IsShortName(parsed.parts[i]) ? parsed.parts[i] : ShortNameOf(*parent, *node);
  }
  if (parsed.trailingSeparator) out += "\\";
  if (out.size() >= 260 && Utf8ToUtf16(out).size() >= 260) return std::string();
  return out;
}

uint32_t MemoryFileSystem::SetErrorMode(uint32_t mode) {
  const uint32_t previous = errorMode_;
  errorMode_ = mode;
  errorModeHistory_.push_back(mode);
  return previous;
}

}  // namespace corvanta
