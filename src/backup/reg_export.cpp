#include "backup/reg_export.h"

#include <cctype>
#include <cstdio>

#include "platform/file_system.h"
#include "platform/registry.h"
#include "platform/registry_api.h"

namespace corvanta {

const char kRegEditHeader[] = "REGEDIT4";

namespace {

// Where a byte list breaks its line: after the bytes whose number (counted
// from `first`) is a positive multiple of `every`, when more bytes follow.
struct HexLayout {
  std::size_t first;
  std::size_t every;
};
constexpr HexLayout kBinaryLayout{0, 20};  // "hex:"
constexpr HexLayout kMultiLayout{0, 10};   // "hex(7):" and the other typed forms
constexpr HexLayout kExpandLayout{1, 10};  // "hex(2):"

const char kHexDigits[] = "0123456789ABCDEF";

void AppendHexList(std::string line, const std::vector<std::uint8_t>& bytes, HexLayout layout,
                   std::vector<std::string>& lines) {
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    line += kHexDigits[bytes[i] >> 4];
    line += kHexDigits[bytes[i] & 0x0F];
    if (i + 1 < bytes.size()) {
      line += ',';
      const std::size_t number = i + layout.first;
      if (number > 0 && number % layout.every == 0) {
        line += '\\';
        lines.push_back(line);
        line.clear();
      }
    }
  }
  lines.push_back(line);
  lines.emplace_back();
}

std::vector<std::uint8_t> TextBytesWithNul(const std::string& text) {
  std::vector<std::uint8_t> bytes(text.begin(), text.end());
  bytes.push_back(0);
  return bytes;
}

std::string TypedHexPrefix(std::uint32_t type) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "hex(%x):", static_cast<unsigned>(type));
  return buf;
}

bool HasLineBreak(const std::string& s) {
  return s.find_first_of("\r\n") != std::string::npos;
}

// A text value's stored bytes when quoting would lose some: something other
// than 0 bytes after its first 0, or no terminating 0 at all (the import
// adds one).
bool HoldsMoreThanItsText(const std::vector<std::uint8_t>& raw) {
  std::size_t i = 0;
  while (i < raw.size() && raw[i] != 0) ++i;
  if (i == raw.size()) return !raw.empty();
  for (; i < raw.size(); ++i)
    if (raw[i] != 0) return true;
  return false;
}

void AppendValue(TRegistry& reg, const std::string& name, std::vector<std::string>& lines) {
  // A quoted name cannot carry a line break: the rest would be read as lines
  // of their own on import.
  if (HasLineBreak(name))
    throw ERegistryException("A value name with a line break cannot be exported");
  std::string line = name.empty() ? std::string("@") : "\"" + EscapeRegText(name) + "\"";
  line += '=';
  std::uint32_t type = reg.GetDataType(name);
  switch (type) {
    case kREG_SZ: {
      const std::vector<std::uint8_t> raw = reg.ReadBinaryData(name);
      if (HoldsMoreThanItsText(raw)) {
        AppendHexList(line + TypedHexPrefix(kREG_SZ), raw, kMultiLayout, lines);
        return;
      }
      const std::string text = reg.ReadString(name);
      // A line break inside a quoted text would end the line early on import
      // and let the rest of the text be read as further lines of the file.
      if (text.find_first_of("\r\n") != std::string::npos) {
        AppendHexList(line + TypedHexPrefix(kREG_SZ), TextBytesWithNul(text), kMultiLayout, lines);
      } else {
        lines.push_back(line + "\"" + EscapeRegText(text) + "\"");
      }
      return;
    }
    case kREG_EXPAND_SZ: {
      const std::vector<std::uint8_t> raw = reg.ReadBinaryData(name);
      AppendHexList(line + "hex(2):",
                    HoldsMoreThanItsText(raw) ? raw : TextBytesWithNul(reg.ReadString(name)),
                    kExpandLayout, lines);
      return;
    }
    case kREG_DWORD: {
      // "dword:" carries exactly four bytes; any other size keeps its bytes.
      const std::vector<std::uint8_t> raw = reg.ReadBinaryData(name);
      if (raw.size() != 4) {
        AppendHexList(line + TypedHexPrefix(kREG_DWORD), raw, kMultiLayout, lines);
        return;
      }
      char buf[16];
      std::snprintf(buf, sizeof buf, "dword:%08X",
                    static_cast<unsigned>(static_cast<std::uint32_t>(reg.ReadInteger(name))));
      lines.push_back(line + buf);
      return;
    }
    case kREG_BINARY:
      AppendHexList(line + "hex:", reg.ReadBinaryData(name), kBinaryLayout, lines);
      return;
    default:
      break;
  }
  // Any other type, or a value that could not be queried: ask once more.
  type = reg.GetDataType(name);
  if (type == kRegTypeUnknown) return;
  if (type == kREG_MULTI_SZ) {
    AppendHexList(line + "hex(7):", reg.ReadBinaryData(name), kMultiLayout, lines);
    return;
  }
  // The remaining types keep their type number so that a restore brings them
  // back as they were instead of losing them.
  AppendHexList(line + TypedHexPrefix(type), reg.ReadBinaryData(name), kMultiLayout, lines);
}

std::string WithoutLeadingBackslash(const std::string& path) {
  return !path.empty() && path[0] == '\\' ? path.substr(1) : path;
}

// True when the current key holds a value of that name, also one that cannot
// be queried: only "not found" counts as absent.
bool ValuePresent(TRegistry& reg, const std::string& name) {
  std::uint32_t type = 0;
  std::uint32_t size = 0;
  return reg.CurrentKey() != 0 && reg.Api().QueryValueEx(reg.CurrentKey(), name, &type, nullptr,
                                                         &size) != kERROR_FILE_NOT_FOUND;
}

// The same for a key that refuses full access: asked with the right to query
// values only. A key that refuses that too may hold the value.
bool ValuePresentInDeniedKey(TRegistry& reg, const std::string& relative, const std::string& name) {
  TRegistry probe(reg.Api(), kKEY_QUERY_VALUE);
  probe.SetRootKey(reg.RootKey());
  if (!probe.OpenKey("\\" + relative, false)) return true;
  return ValuePresent(probe, name);
}

void ExportBranch(TRegistry& reg, const std::string& path, const std::string& valueName,
                  std::vector<std::string>& lines, bool& complete) {
  const std::string relative = WithoutLeadingBackslash(path);
  if (HasLineBreak(relative))
    throw ERegistryException("A key name with a line break cannot be exported");
  lines.emplace_back();
  std::string header = "[" + RootKeyName(reg.RootKey());
  if (!relative.empty()) header += "\\" + relative;
  header += "]";
  lines.push_back(header);

  std::vector<std::string> valueNames;
  std::vector<std::string> subKeys;
  reg.CloseKey();
  if (reg.OpenKey("\\" + relative, false)) {
    valueNames = reg.GetValueNames();
    subKeys = reg.GetKeyNames();
    // Names the enumeration did not hand out are missing from the lines.
    RegKeyInfo info;
    if (valueName.empty() && reg.GetKeyInfo(&info) &&
        (info.values > valueNames.size() || info.subKeys > subKeys.size()))
      complete = false;
  } else if (reg.KeyExists("\\" + relative)) {
    // There, but not open to full access.
    if (valueName.empty() || ValuePresentInDeniedKey(reg, relative, valueName)) complete = false;
  }
  if (!valueName.empty()) {
    const std::size_t before = lines.size();
    if (!valueNames.empty()) AppendValue(reg, valueName, lines);
    if (lines.size() == before && ValuePresent(reg, valueName)) complete = false;
  } else {
    for (const std::string& name : valueNames) {
      const std::size_t before = lines.size();
      AppendValue(reg, name, lines);
      if (lines.size() == before) complete = false;
    }
  }
  reg.CloseKey();
  valueNames.clear();
  valueNames.shrink_to_fit();

  if (!valueName.empty()) return;
  for (const std::string& sub : subKeys)
    ExportBranch(reg, path + "\\" + sub, valueName, lines, complete);
}

}  // namespace

bool ParseRegistryKey(const std::string& key, std::uint32_t* root, std::string* path) {
  const std::size_t cut = key.find('\\');
  std::string name = key.substr(0, cut);
  for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  static const struct {
    const char* full;
    const char* brief;
    std::uint32_t root;
  } roots[] = {{"HKEY_CLASSES_ROOT", "HKCR", kHKEY_CLASSES_ROOT},
               {"HKEY_CURRENT_USER", "HKCU", kHKEY_CURRENT_USER},
               {"HKEY_LOCAL_MACHINE", "HKLM", kHKEY_LOCAL_MACHINE},
               {"HKEY_USERS", "HKU", kHKEY_USERS},
               {"HKEY_CURRENT_CONFIG", "HKCC", kHKEY_CURRENT_CONFIG},
               {"HKEY_DYN_DATA", "HKDD", kHKEY_DYN_DATA}};
  for (const auto& r : roots) {
    if (name == r.full || name == r.brief) {
      *root = r.root;
      *path = cut == std::string::npos ? std::string() : key.substr(cut);
      return true;
    }
  }
  return false;
}

std::string RootKeyName(std::uint32_t rootKey) {
  switch (rootKey) {
    case kHKEY_CLASSES_ROOT:
      return "HKEY_CLASSES_ROOT";
    case kHKEY_CURRENT_USER:
      return "HKEY_CURRENT_USER";
    case kHKEY_LOCAL_MACHINE:
      return "HKEY_LOCAL_MACHINE";
    case kHKEY_USERS:
      return "HKEY_USERS";
    case kHKEY_PERFORMANCE_DATA:
      return "HKEY_PERFORMANCE_DATA";
    case kHKEY_CURRENT_CONFIG:
      return "HKEY_CURRENT_CONFIG";
    case kHKEY_DYN_DATA:
      return "HKEY_DYN_DATA";
    default:
      return "";
  }
}

std::string EscapeRegText(const std::string& text) {
  // Backslashes first, so the escapes added for quotes are not doubled again.
  std::string pass;
  pass.reserve(text.size() + 8);
  for (char c : text) {
    if (c == '\\') pass += '\\';
    pass += c;
  }
  std::string out;
  out.reserve(pass.size() + 8);
  for (char c : pass) {
    if (c == '"') out += '\\';
    out += c;
  }
  return out;
}

bool ExportRegKey(RegistryApi& api, std::uint32_t RootKey, const std::string& KeyPath,
                  const std::string& ValueName, std::vector<std::string>& Lines) {
  std::string path = KeyPath;
  if (!path.empty() && path.back() == '\\') path.pop_back();
  TRegistry reg(api, kKEY_ALL_ACCESS);
  reg.SetRootKey(RootKey);
  bool complete = true;
  ExportBranch(reg, path, ValueName, Lines, complete);
  return complete;
}

std::string JoinRegLines(const std::vector<std::string>& lines) {
  std::size_t size = 0;
  for (const std::string& l : lines) size += l.size() + 2;
  std::string out;
  out.reserve(size);
  for (const std::string& l : lines) {
    out += l;
    out += "\r\n";
  }
  return out;
}

bool SaveRegLines(FileSystem& files, const std::string& path,
                  const std::vector<std::string>& lines) {
  return files.WriteWholeFile(path, JoinRegLines(lines));
}

}  // namespace corvanta
