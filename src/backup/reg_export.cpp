#include "backup/reg_export.h"

#include <cctype>
#include <cstdio>

#include "platform/file_system.h"
#include "platform/registry.h"
#include "platform/registry_api.h"
#include "platform/text_convert.h"

namespace corvanta {

const char kRegEditHeader[] = "REGEDIT4";
const char kVersion5Header[] = "Windows Registry Editor Version 5.00";

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

// The lines of a byte list, the first one starting with `line`.
template <typename Bytes>
void AppendHexLines(std::string line, const Bytes& bytes, HexLayout layout,
                    std::vector<std::string>& lines) {
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    line += kHexDigits[b >> 4];
    line += kHexDigits[b & 0x0F];
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
}

// A hex value: its byte list, then the empty line that ends it.
void AppendHexList(std::string line, const std::vector<std::uint8_t>& bytes, HexLayout layout,
                   std::vector<std::string>& lines) {
  AppendHexLines(std::move(line), bytes, layout, lines);
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

bool IsTextType(std::uint32_t type) {
  return type == kREG_SZ || type == kREG_EXPAND_SZ || type == kREG_MULTI_SZ;
}

void AppendValue(TRegistry& reg, const std::string& name, std::vector<std::string>& lines) {
  // A quoted name cannot carry a line break: the rest would be read as lines
  // of their own on import.
  if (HasLineBreak(name))
    throw ERegistryException("A value name with a line break cannot be exported");
  if (!IsUtf8(name)) throw ERegistryException("A value name that is no text cannot be exported");
  std::string line = name.empty() ? std::string("@") : "\"" + EscapeRegText(name) + "\"";
  line += '=';
  std::uint32_t type = reg.GetDataType(name);
  // Text that is no UTF-8 has no spelling in either file format: it is left
  // out, and the export counts as incomplete.
  if (IsTextType(type)) {
    const std::vector<std::uint8_t> raw = reg.ReadBinaryData(name);
    if (!IsUtf8(std::string(raw.begin(), raw.end()))) return;
  }
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
  if (!IsUtf8(relative)) throw ERegistryException("A key name that is no text cannot be exported");
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

namespace {

// Where a line starts the byte list of a text (hex(1), hex(2), hex(7)): the
// length of its name part and prefix, its form and layout. The name part is
// skipped by the writer's escapes, so a name cannot fake a prefix.
bool StartsTextHexList(const std::string& line, std::size_t* prefix, HexLayout* layout) {
  std::size_t i = 0;
  if (line.compare(0, 2, "@=") == 0) {
    i = 2;
  } else if (!line.empty() && line[0] == '"') {
    i = 1;
    while (i < line.size() && line[i] != '"') i += line[i] == '\\' ? 2 : 1;
    if (i >= line.size() || line.compare(i, 2, "\"=") != 0) return false;
    i += 2;
  } else {
    return false;
  }
  static const struct {
    const char* form;
    HexLayout layout;
  } forms[] = {{"hex(1):", kMultiLayout}, {"hex(2):", kExpandLayout}, {"hex(7):", kMultiLayout}};
  for (const auto& f : forms) {
    if (line.compare(i, 7, f.form) == 0) {
      *prefix = i + 7;
      *layout = f.layout;
      return true;
    }
  }
  return false;
}

// One line of the file, or the byte list of a text (its UTF-8 bytes).
struct RegFilePiece {
  std::string text;  // a plain line, or the name part and prefix of a list
  bool textList = false;
  HexLayout layout{0, 0};
  std::string bytes;
};

std::vector<RegFilePiece> ReadPieces(const std::vector<std::string>& lines) {
  std::vector<RegFilePiece> pieces;
  for (std::size_t n = 0; n < lines.size(); ++n) {
    RegFilePiece p;
    std::size_t prefix = 0;
    if (!StartsTextHexList(lines[n], &prefix, &p.layout)) {
      p.text = lines[n];
      pieces.push_back(std::move(p));
      continue;
    }
    p.textList = true;
    p.text = lines[n].substr(0, prefix);
    std::string digits = lines[n].substr(prefix);
    while (!digits.empty() && digits.back() == '\\' && n + 1 < lines.size()) {
      digits.pop_back();
      digits += lines[++n];
    }
    int high = -1;
    for (char c : digits) {
      const int v = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
      if (v < 0) continue;
      if (high < 0) {
        high = v;
      } else {
        p.bytes += static_cast<char>(high * 16 + v);
        high = -1;
      }
    }
    pieces.push_back(std::move(p));
  }
  return pieces;
}

}  // namespace

std::string JoinRegLines(const std::vector<std::string>& lines, bool* exact) {
  const std::vector<RegFilePiece> pieces = ReadPieces(lines);
  // The whole file is checked before a byte is written, so it is never mixed.
  bool ansi = true;
  bool utf8 = true;
  for (const RegFilePiece& p : pieces) {
    ansi = ansi && FitsAnsi(p.text) && FitsAnsi(p.bytes);
    utf8 = utf8 && IsUtf8(p.text) && IsUtf8(p.bytes);
  }
  if (exact) *exact = utf8;
  std::vector<std::string> out;
  out.reserve(lines.size());
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    const RegFilePiece& p = pieces[i];
    if (!p.textList) {
      if (ansi)
        out.push_back(Utf8ToAnsi(p.text));
      else
        out.push_back(i == 0 && p.text == kRegEditHeader ? kVersion5Header : p.text);
      continue;
    }
    // REGEDIT4 keeps these texts in the code page, version 5 in UTF-16LE.
    AppendHexLines(ansi ? Utf8ToAnsi(p.text) : p.text,
                   ansi ? Utf8ToAnsi(p.bytes) : Utf8ToUtf16Le(p.bytes), p.layout, out);
  }
  std::size_t size = 2;
  for (const std::string& l : out) size += l.size() + 2;
  std::string file;
  file.reserve(ansi ? size : size * 2);
  if (!ansi) file = "\xFF\xFE";
  for (const std::string& l : out) {
    if (ansi) {
      file += l;
      file += "\r\n";
    } else {
      file += Utf8ToUtf16Le(l);
      file += std::string("\r\0\n\0", 4);
    }
  }
  return file;
}

bool SaveRegLines(FileSystem& files, const std::string& path,
                  const std::vector<std::string>& lines) {
  bool exact = true;
  const std::string bytes = JoinRegLines(lines, &exact);
  return exact && files.WriteWholeFile(path, bytes);
}

}  // namespace corvanta
