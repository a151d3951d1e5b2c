#include "backup/reg_import.h"

#include <algorithm>
#include <cstdlib>

#include "backup/reg_export.h"
#include "backup/restore.h"
#include "platform/registry.h"
#include "platform/text_convert.h"

namespace corvanta {

namespace {

// The file's text in UTF-8 and its lines without their CR LF: REGEDIT4 is in
// the code page, version 5 UTF-16LE after its mark (*exact false for half a
// unit at its end).
std::vector<std::string> SplitLines(const std::string& bytes, RegFileFormat format, bool* exact) {
  *exact = true;
  const std::string text =
      format == RegFileFormat::Version5
          ? Utf16LeToUtf8(reinterpret_cast<const unsigned char*>(bytes.data()) + 2,
                          bytes.size() - 2, exact)
          : AnsiToUtf8(bytes);
  std::vector<std::string> lines(1);
  for (char c : text) {
    if (c == '\n')
      lines.emplace_back();
    else if (c != '\r')
      lines.back() += c;
  }
  return lines;
}

// The text of a hex(1), hex(2) or hex(7) list in UTF-8: REGEDIT4 spells it in
// the code page, version 5 in UTF-16LE (false for half a unit).
bool HexTextToUtf8(RegFileFormat format, std::vector<std::uint8_t>* data) {
  bool exact = true;
  const std::string text = format == RegFileFormat::Version5
                               ? Utf16LeToUtf8(data->data(), data->size(), &exact)
                               : AnsiToUtf8(std::string(data->begin(), data->end()));
  data->assign(text.begin(), text.end());
  return exact;
}

// The quoted text starting at *pos (after its opening quote), the escapes
// undone; *pos ends after the closing quote. False without one. Wine's editor
// also writes a line break inside a text as "\n" or "\r" (ours never does:
// its backslashes are doubled).
bool ReadQuoted(const std::string& line, std::size_t* pos, std::string* out) {
  std::size_t i = *pos;
  out->clear();
  while (i < line.size() && line[i] != '"') {
    if (line[i] == '\\' && i + 1 < line.size()) {
      const char c = line[++i];
      *out += c == 'n' ? '\n' : c == 'r' ? '\r' : c;
      ++i;
      continue;
    }
    *out += line[i++];
  }
  if (i >= line.size()) return false;
  *pos = i + 1;
  return true;
}

int Hex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// "hex:01,02" or "hex(7):61,00" (after the '='): the type and bytes.
bool ReadHexList(const std::string& text, std::uint32_t* type, std::vector<std::uint8_t>* data) {
  std::size_t i;
  if (text.compare(0, 4, "hex:") == 0) {
    *type = kREG_BINARY;
    i = 4;
  } else if (text.compare(0, 4, "hex(") == 0) {
    const std::size_t close = text.find("):", 4);
    if (close == std::string::npos || close == 4) return false;
    char* end = nullptr;
    *type = static_cast<std::uint32_t>(std::strtoul(text.c_str() + 4, &end, 16));
    if (end != text.c_str() + close) return false;
    i = close + 2;
  } else {
    return false;
  }
  data->clear();
  while (i < text.size()) {
    while (i < text.size() && (text[i] == ',' || text[i] == ' ' || text[i] == '\t')) ++i;
    if (i >= text.size()) break;
    if (i + 1 >= text.size() || Hex(text[i]) < 0 || Hex(text[i + 1]) < 0) return false;
    data->push_back(static_cast<std::uint8_t>(Hex(text[i]) * 16 + Hex(text[i + 1])));
    i += 2;
  }
  return true;
}

// One value line of the current key into record; false when it is none.
bool ReadValue(const std::string& t, RegFileFormat format, RegFileRecord* r) {
  std::size_t i;
  if (t.compare(0, 2, "@=") == 0) {
    r->valueName.clear();
    i = 2;
  } else {
    i = 1;
    if (!ReadQuoted(t, &i, &r->valueName) || i >= t.size() || t[i] != '=') return false;
    ++i;
  }
  const std::string data = t.substr(i);
  if (data == "-") {
    r->kind = RegFileRecord::Kind::DeleteValue;
    return true;
  }
  r->kind = RegFileRecord::Kind::Value;
  if (!data.empty() && data[0] == '"') {
    std::size_t j = 1;
    std::string text;
    if (!ReadQuoted(data, &j, &text) || j != data.size()) return false;
    r->type = kREG_SZ;
    r->data.assign(text.begin(), text.end());
    r->data.push_back(0);
    return true;
  }
  if (data.compare(0, 6, "dword:") == 0) {
    if (data.size() != 14) return false;
    std::uint32_t v = 0;
    for (std::size_t k = 6; k < 14; ++k) {
      if (Hex(data[k]) < 0) return false;
      v = v * 16 + static_cast<std::uint32_t>(Hex(data[k]));
    }
    r->type = kREG_DWORD;
    r->data = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
               static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
    return true;
  }
  if (!ReadHexList(data, &r->type, &r->data)) return false;
  const bool text = r->type == kREG_SZ || r->type == kREG_EXPAND_SZ || r->type == kREG_MULTI_SZ;
  return !text || HexTextToUtf8(format, &r->data);
}

}  // namespace

bool SameValueData(std::uint32_t type, const std::vector<std::uint8_t>& a,
                   const std::vector<std::uint8_t>& b) {
  auto end = [type](const std::vector<std::uint8_t>& d) {
    std::size_t n = d.size();
    if (type == kREG_SZ || type == kREG_EXPAND_SZ || type == kREG_MULTI_SZ)
      while (n > 0 && d[n - 1] == 0) --n;
    return n;
  };
  const std::size_t n = end(a);
  return n == end(b) &&
         std::equal(a.begin(), a.begin() + static_cast<std::ptrdiff_t>(n), b.begin());
}

std::vector<RegFileRecord> ParseRegFile(const std::string& bytes, int* skipped) {
  std::vector<RegFileRecord> records;
  int bad = 0;
  const RegFileFormat format = DetectRegFileFormat(bytes);
  if (format == RegFileFormat::Unknown) return records;
  bool whole = true;
  const std::vector<std::string> lines = SplitLines(bytes, format, &whole);
  if (!whole) ++bad;
  bool inKey = false;
  RegFileRecord key;
  for (std::size_t n = 1; n < lines.size(); ++n) {
    std::string t = lines[n];
    // A hex list goes on after a trailing backslash, on indented lines.
    while (!t.empty() && t.back() == '\\' && t.find("=hex") != std::string::npos &&
           n + 1 < lines.size()) {
      t.pop_back();
      const std::string& next = lines[++n];
      t += next.substr(std::min(next.find_first_not_of(" \t"), next.size()));
    }
    if (t.empty() || t[0] == ';') continue;
    if (t[0] == '[') {
      inKey = false;
      if (t.size() < 3 || t.back() != ']') {
        ++bad;
        continue;
      }
      key = RegFileRecord();
      const bool deletes = t[1] == '-';
      if (!ParseRegistryKey(t.substr(deletes ? 2 : 1, t.size() - (deletes ? 3 : 2)), &key.root,
                            &key.keyPath)) {
        ++bad;
        continue;
      }
      key.kind = deletes ? RegFileRecord::Kind::DeleteKey : RegFileRecord::Kind::Key;
      records.push_back(key);
      inKey = !deletes;
      continue;
    }
    if (!inKey || (t[0] != '"' && t[0] != '@')) {
      ++bad;
      continue;
    }
    RegFileRecord value = key;
    if (!ReadValue(t, format, &value)) {
      ++bad;
      continue;
    }
    records.push_back(std::move(value));
  }
  if (skipped) *skipped = bad;
  return records;
}

bool ImportRegFile(RegistryApi& api, const std::string& bytes, std::string* error) {
  if (DetectRegFileFormat(bytes) == RegFileFormat::Unknown) {
    *error = "not a registry file";
    return false;
  }
  int skipped = 0;
  const std::vector<RegFileRecord> records = ParseRegFile(bytes, &skipped);
  // What cannot be read exactly is not imported in part: the file is refused
  // before anything changes.
  if (skipped != 0) {
    *error =
        std::to_string(skipped) + " line(s) of the file could not be read; nothing was imported";
    return false;
  }
  bool ok = true;
  auto fail = [&](const std::string& what) {
    if (ok) *error = what;
    ok = false;
  };
  TRegistry reg(api, kKEY_ALL_ACCESS);
  bool open = false;
  for (const RegFileRecord& r : records) {
    const std::string name = RootKeyName(r.root) + r.keyPath;
    reg.SetRootKey(r.root);
    switch (r.kind) {
      case RegFileRecord::Kind::Key:
        reg.CloseKey();
        open = reg.OpenKey(r.keyPath.empty() ? "\\" : r.keyPath, true);
        if (!open) fail("the key \"" + name + "\" could not be created");
        break;
      case RegFileRecord::Kind::DeleteKey:
        reg.CloseKey();
        open = false;
        if (!r.keyPath.empty() && reg.KeyExists(r.keyPath) && !reg.DeleteKey(r.keyPath))
          fail("the key \"" + name + "\" could not be deleted");
        break;
      case RegFileRecord::Kind::Value:
        if (!open) break;
        try {
          reg.WriteRaw(r.valueName, r.type, r.data);
        } catch (const ERegistryException&) {
          fail("the value \"" + r.valueName + "\" of \"" + name + "\" could not be set");
        }
        break;
      case RegFileRecord::Kind::DeleteValue:
        if (open && reg.ValueExists(r.valueName) && !reg.DeleteValue(r.valueName))
          fail("the value \"" + r.valueName + "\" of \"" + name + "\" could not be deleted");
        break;
    }
  }
  return ok;
}

}  // namespace corvanta
