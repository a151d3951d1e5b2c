// The wide API's UTF-16 from and to the UTF-8 the ports carry (wchar_t is a
// UTF-16 unit on Windows), converted straight into the result.
#pragma once

#include <cwchar>
#include <string>
#include <string_view>

#include "platform/text_convert.h"

namespace corvanta {

// exact is cleared when the text holds bytes that are no UTF-8 (each became
// U+FFFD): such a name cannot be the name of anything the system holds.
inline std::wstring Wide(std::string_view utf8, bool* exact = nullptr) {
  std::wstring out;
  const bool all = AppendUtf8AsUtf16(out, utf8);
  if (exact) *exact = all;
  return out;
}

// Appends text's UTF-8 to out: hot callers reuse one buffer.
inline void AppendNarrow(std::string& out, const wchar_t* text, std::size_t length) {
  AppendUtf16AsUtf8(out, length,
                    [text](std::size_t i) { return static_cast<uint32_t>(text[i]) & 0xFFFF; });
}

inline std::string Narrow(const wchar_t* text, std::size_t length) {
  std::string out;
  AppendNarrow(out, text, length);
  return out;
}

inline std::string Narrow(const wchar_t* text) {
  return text == nullptr ? std::string() : Narrow(text, std::wcslen(text));
}

inline std::string Narrow(const std::wstring& text) {
  return Narrow(text.data(), text.size());
}

}  // namespace corvanta
