// The wide API's UTF-16 from and to the UTF-8 the ports carry (wchar_t is a
// UTF-16 unit on Windows).
#pragma once

#include <cwchar>
#include <string>
#include <string_view>

#include "platform/text_convert.h"

namespace corvanta {

// exact is cleared when the text holds bytes that are no UTF-8 (each became
// U+FFFD): such a name cannot be the name of anything the system holds.
inline std::wstring Wide(std::string_view utf8, bool* exact = nullptr) {
  const std::u16string units = Utf8ToUtf16(utf8, exact);
  return std::wstring(units.begin(), units.end());
}

inline std::string Narrow(const wchar_t* text, std::size_t length) {
  return Utf16ToUtf8(std::u16string(text, text + length));
}

inline std::string Narrow(const wchar_t* text) {
  return text == nullptr ? std::string() : Narrow(text, std::wcslen(text));
}

inline std::string Narrow(const std::wstring& text) {
  return Narrow(text.data(), text.size());
}

}  // namespace corvanta
