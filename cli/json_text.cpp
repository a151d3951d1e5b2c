#include "cli/json_text.h"

#include <cstdint>

#include "platform/text_convert.h"

namespace corvanta {

std::string DumpJson(const nlohmann::ordered_json& doc) {
  return doc.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

namespace {

// Escapes as the library does; false (nothing appended) when the text holds a
// byte or a surrogate that is no UTF-8.
bool AppendValidJsonString(std::string& out, std::string_view text) {
  static const char kHex[] = "0123456789abcdef";
  const std::size_t start = out.size();
  out += '"';
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c >= 0x80) {
      const std::size_t from = i;
      uint32_t cp = 0;
      if (!DecodeUtf8(text, &i, &cp) || (cp >= 0xD800 && cp < 0xE000)) {
        out.resize(start);
        return false;
      }
      out.append(text.substr(from, i - from));
      continue;
    }
    ++i;
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\f':
        out += "\\f";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20) {
          out += "\\u00";
          out += kHex[c >> 4];
          out += kHex[c & 15];
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  out += '"';
  return true;
}

}  // namespace

void AppendJsonString(std::string& out, std::string_view text) {
  // The common case is written here, fast; text that needs replacing goes
  // through the library, so both give the same bytes.
  if (!AppendValidJsonString(out, text)) out += DumpJson(std::string(text));
}

}  // namespace corvanta
