#include "platform/offline/wine_reg_format.h"

#include <cstdio>
#include <cstring>

#include "platform/text_convert.h"

namespace corvanta {

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsHexDigit(char16_t c) {
  return c < 128 && HexDigit(static_cast<char>(c)) >= 0;
}

void AppendText(std::vector<std::uint8_t>* data, const std::u16string& text) {
  data->reserve(data->size() + 2 * text.size() + 2);
  for (char16_t c : text) {
    data->push_back(static_cast<std::uint8_t>(c & 0xFF));
    data->push_back(static_cast<std::uint8_t>(c >> 8));
  }
  data->push_back(0);
  data->push_back(0);
}

bool IsTextType(std::uint32_t type) {
  return type == 1 || type == 2 || type == 7;
}

// The text form holds only UTF-16 data of a text type that ends in a NUL.
bool HasTextForm(const WineRegValue& v) {
  const std::size_t n = v.data.size();
  return IsTextType(v.type) && n >= 2 && n % 2 == 0 && v.data[n - 1] == 0 && v.data[n - 2] == 0;
}

// One character of the file as it stands (not escaped): ASCII, or a UTF-8
// sequence giving one unit or two; a byte that starts none is skipped, as
// Wine skips it.
void AppendFileChar(const std::string& line, std::size_t* i, std::u16string* out, bool* exact) {
  uint32_t cp = 0;
  if (!DecodeUtf8(line, i, &cp)) {
    if (exact) *exact = false;
    return;
  }
  if (cp >= 0x10000) {
    out->push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
    out->push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
  } else {
    out->push_back(static_cast<char16_t>(cp));
  }
}

// The text as UTF-16 units, as Wine's server parses it.
bool DecodeWineUnits(const std::string& line, std::size_t* pos, char close, std::u16string* out,
                     bool* exact) {
  std::size_t i = *pos;
  const std::size_t n = line.size();
  while (i < n) {
    const char c = line[i];
    if (c == close) {
      *pos = i + 1;
      return true;
    }
    if (c != '\\') {
      AppendFileChar(line, &i, out, exact);
      continue;
    }
    if (++i >= n) return false;
    const char e = line[i];
    if (e == '\0' || (e != 'x' && !(e >= '0' && e <= '7') && !std::strchr("abefnrtv", e))) {
      // Any other escaped character stands for itself.
      AppendFileChar(line, &i, out, exact);
      continue;
    }
    ++i;
    switch (e) {
      case 'a':
        out->push_back(u'\a');
        break;
      case 'b':
        out->push_back(u'\b');
        break;
      case 'e':
        out->push_back(static_cast<char16_t>(27));
        break;
      case 'f':
        out->push_back(u'\f');
        break;
      case 'n':
        out->push_back(u'\n');
        break;
      case 'r':
        out->push_back(u'\r');
        break;
      case 't':
        out->push_back(u'\t');
        break;
      case 'v':
        out->push_back(u'\v');
        break;
      case 'x': {
        unsigned v = 0;
        int digits = 0;
        while (digits < 4 && i < n && HexDigit(line[i]) >= 0) {
          v = v * 16 + static_cast<unsigned>(HexDigit(line[i++]));
          ++digits;
        }
        if (digits == 0) {
          out->push_back(u'x');
        } else {
          out->push_back(static_cast<char16_t>(v));
        }
        break;
      }
      default: {
        unsigned v = static_cast<unsigned>(e - '0');
        for (int digits = 1; digits < 3 && i < n && line[i] >= '0' && line[i] <= '7'; ++digits)
          v = v * 8 + static_cast<unsigned>(line[i++] - '0');
        out->push_back(static_cast<char16_t>(v));
      }
    }
  }
  return false;
}

// UTF-16 units with the file's escapes, as Wine's server writes them.
void EncodeWineUnits(const std::u16string& text, char quote, std::string* out) {
  static const char kEscapes[33] = ".......abtnvfr.............e....";
  char buf[16];
  const std::size_t n = text.size();
  for (std::size_t i = 0; i < n; ++i) {
    const char16_t c = text[i];
    const bool more = i + 1 < n;
    if (c > 127) {
      // Four digits when a hex digit follows, so it is not read as a fifth.
      std::snprintf(buf, sizeof buf, more && IsHexDigit(text[i + 1]) ? "\\x%04x" : "\\x%x",
                    static_cast<unsigned>(c));
      *out += buf;
    } else if (c < 32) {
      if (kEscapes[c] != '.') {
        *out += '\\';
        *out += kEscapes[c];
      } else {
        const bool octalNext = more && text[i + 1] >= u'0' && text[i + 1] <= u'7';
        std::snprintf(buf, sizeof buf, octalNext ? "\\%03o" : "\\%o", static_cast<unsigned>(c));
        *out += buf;
      }
    } else {
      const char a = static_cast<char>(c);
      const bool special = a == '\\' || (quote == ']' ? (a == '[' || a == ']') : a == quote);
      if (special) *out += '\\';
      *out += a;
    }
  }
}

}  // namespace

bool DecodeWineText(const std::string& line, std::size_t* pos, char close, std::string* out,
                    bool* exact) {
  std::u16string units;
  if (!DecodeWineUnits(line, pos, close, &units, exact)) return false;
  *out = Utf16ToUtf8(units);
  return true;
}

void EncodeWineText(const std::string& text, char quote, std::string* out) {
  EncodeWineUnits(Utf8ToUtf16(text), quote, out);
}

bool DecodeWineValue(const std::string& line, WineRegValue* out) {
  out->name.clear();
  out->exact = true;
  out->data.clear();
  out->type = 0;
  std::size_t i = 0;
  if (line.compare(0, 2, "@=") == 0) {
    i = 2;
  } else if (!line.empty() && line[0] == '"') {
    i = 1;
    out->exact = true;
    if (!DecodeWineText(line, &i, '"', &out->name, &out->exact)) return false;
    if (i >= line.size() || line[i] != '=') return false;
    ++i;
  } else {
    return false;
  }
  const char* p = line.c_str() + i;
  if (*p == '"') {
    out->type = 1;
    std::size_t j = i + 1;
    std::u16string text;
    if (!DecodeWineUnits(line, &j, '"', &text, nullptr)) return false;
    AppendText(&out->data, text);
    return true;
  }
  if (std::strncmp(p, "str(", 4) == 0) {
    char* end = nullptr;
    out->type = static_cast<std::uint32_t>(std::strtoul(p + 4, &end, 16));
    if (std::strncmp(end, "):\"", 3) != 0) return false;
    std::size_t j = static_cast<std::size_t>(end - line.c_str()) + 3;
    std::u16string text;
    if (!DecodeWineUnits(line, &j, '"', &text, nullptr)) return false;
    AppendText(&out->data, text);
    return true;
  }
  if (std::strncmp(p, "dword:", 6) == 0) {
    out->type = 4;
    const std::uint32_t v = static_cast<std::uint32_t>(std::strtoul(p + 6, nullptr, 16));
    for (int b = 0; b < 4; ++b) out->data.push_back(static_cast<std::uint8_t>(v >> (8 * b)));
    return true;
  }
  if (std::strncmp(p, "hex:", 4) == 0) {
    out->type = 3;
    p += 4;
  } else if (std::strncmp(p, "hex(", 4) == 0) {
    char* end = nullptr;
    out->type = static_cast<std::uint32_t>(std::strtoul(p + 4, &end, 16));
    if (std::strncmp(end, "):", 2) != 0) return false;
    p = end + 2;
  } else {
    return false;
  }
  while (*p) {
    while (*p == ' ' || *p == '\t' || *p == ',') ++p;
    if (!*p) break;
    const int hi = HexDigit(p[0]);
    const int lo = hi >= 0 ? HexDigit(p[1]) : -1;
    if (lo < 0) {
      if (hi < 0) return false;
      out->data.push_back(static_cast<std::uint8_t>(hi));
      ++p;
    } else {
      out->data.push_back(static_cast<std::uint8_t>(hi * 16 + lo));
      p += 2;
    }
  }
  return true;
}

std::string EncodeWineValue(const WineRegValue& v) {
  std::string out;
  if (v.name.empty()) {
    out = "@=";
  } else {
    out = "\"";
    EncodeWineText(v.name, '"', &out);
    out += "\"=";
  }
  char buf[32];
  if (HasTextForm(v)) {
    if (v.type != 1) {
      std::snprintf(buf, sizeof buf, "str(%x):", static_cast<unsigned>(v.type));
      out += buf;
    }
    std::u16string text;
    for (std::size_t k = 0; k + 3 < v.data.size() + 1 && k + 2 < v.data.size(); k += 2)
      text.push_back(static_cast<char16_t>(v.data[k] | (v.data[k + 1] << 8)));
    out += '"';
    EncodeWineUnits(text, '"', &out);
    out += "\"\n";
    return out;
  }
  if (v.type == 4 && v.data.size() == 4) {
    const std::uint32_t d = static_cast<std::uint32_t>(v.data[0]) | (v.data[1] << 8) |
                            (v.data[2] << 16) | (static_cast<std::uint32_t>(v.data[3]) << 24);
    std::snprintf(buf, sizeof buf, "dword:%08x\n", static_cast<unsigned>(d));
    return out + buf;
  }
  if (v.type == 3) {
    out += "hex:";
  } else {
    std::snprintf(buf, sizeof buf, "hex(%x):", static_cast<unsigned>(v.type));
    out += buf;
  }
  // Lines break after the comma that passes column 76, as the server writes them.
  std::size_t count = out.size();
  static const char kDigits[] = "0123456789abcdef";
  for (std::size_t k = 0; k < v.data.size(); ++k) {
    out += kDigits[v.data[k] >> 4];
    out += kDigits[v.data[k] & 15];
    count += 2;
    if (k + 1 < v.data.size()) {
      out += ',';
      if (++count > 76) {
        out += "\\\n  ";
        count = 2;
      }
    }
  }
  out += '\n';
  return out;
}

bool ReadWineRegFile(const std::string& bytes,
                     const std::function<void(std::string&&, bool exact)>& onKey,
                     const std::function<void(WineRegValue&&)>& onValue, std::string* error) {
  static const char kMagic[] = "WINE REGISTRY Version 2";
  if (bytes.compare(0, sizeof kMagic - 1, kMagic) != 0) {
    *error = "not a Wine registry file (no \"WINE REGISTRY Version 2\" line)";
    return false;
  }
  std::size_t pos = bytes.find('\n');
  pos = pos == std::string::npos ? bytes.size() : pos + 1;
  std::size_t lineNo = 1;
  bool inKey = false;
  std::string line;
  WineRegValue value;
  while (pos < bytes.size()) {
    std::size_t end = bytes.find('\n', pos);
    if (end == std::string::npos) end = bytes.size();
    ++lineNo;
    line.assign(bytes, pos, end - pos);
    pos = end + 1;
    // A hex list goes on on the next line after a trailing backslash.
    while (!line.empty() && line.back() == '\\' && pos < bytes.size() &&
           (line[0] == '"' || line[0] == '@')) {
      line.pop_back();
      end = bytes.find('\n', pos);
      if (end == std::string::npos) end = bytes.size();
      std::size_t start = pos;
      while (start < end && (bytes[start] == ' ' || bytes[start] == '\t')) ++start;
      line.append(bytes, start, end - start);
      pos = end + 1;
      ++lineNo;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line[0] == '[') {
      std::size_t i = 1;
      std::string path;
      bool exact = true;
      if (!DecodeWineText(line, &i, ']', &path, &exact)) {
        *error = "line " + std::to_string(lineNo) + ": a key header without its \"]\"";
        return false;
      }
      onKey(std::move(path), exact);
      inKey = true;
      continue;
    }
    if (!inKey || !DecodeWineValue(line, &value)) {
      *error = "line " + std::to_string(lineNo) + ": not a value line";
      return false;
    }
    onValue(std::move(value));
  }
  return true;
}

std::string EncodeWineKeyHeader(const std::string& path, std::int64_t unixSeconds) {
  std::string out = "[";
  EncodeWineText(path, ']', &out);
  char buf[64];
  // The time line counts 100 ns steps since 1601, as FILETIME does.
  const unsigned long long filetime =
      (static_cast<unsigned long long>(unixSeconds) + 11644473600ull) * 10000000ull;
  std::snprintf(buf, sizeof buf, "] %lld\n#time=%llx\n", static_cast<long long>(unixSeconds),
                filetime);
  return out + buf;
}

}  // namespace corvanta
