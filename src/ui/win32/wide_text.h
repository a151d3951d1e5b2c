// The program's UTF-8 text to and from the wide strings of the W functions
// (wchar_t is a UTF-16 unit on Windows), through the one conversion module.
#pragma once

#include <string>
#include <string_view>

#include "platform/text_convert.h"

namespace corvanta {

inline std::wstring Wide(std::string_view utf8) {
  const std::u16string units = Utf8ToUtf16(utf8);
  return std::wstring(units.begin(), units.end());
}

inline std::string FromWide(const wchar_t* text, std::size_t length) {
  return Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(text), length));
}

}  // namespace corvanta
