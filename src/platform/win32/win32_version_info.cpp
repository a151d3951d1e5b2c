#include <windows.h>
// windows.h first
#include <winver.h>

#include <cstdio>
#include <cstring>

#include "platform/win32/wide_text.h"
#include "platform/win32/win32_version_info.h"

namespace corvanta {

namespace {

// The UTF-16 text VerQueryValueW handed back (len in units), kept inside the
// buffer the size query sized: a string without its terminator ends at the
// buffer's end.
std::string BoundedText(const std::vector<char>& buffer, const void* p, UINT len) {
  const char* begin = buffer.data();
  const char* end = begin + buffer.size();
  const char* text = static_cast<const char*>(p);
  if (text == nullptr || text < begin || text >= end) return std::string();
  std::size_t room = static_cast<std::size_t>(end - text) / 2;
  if (len < room) room = len;
  std::u16string units;
  for (std::size_t i = 0; i < room; ++i) {
    char16_t unit = 0;
    std::memcpy(&unit, text + 2 * i, 2);
    if (unit == 0) break;
    units += unit;
  }
  return Utf16ToUtf8(units);
}

}  // namespace

std::vector<std::string> Win32VersionInfo::QueryStrings(const std::string& path,
                                                        const std::vector<std::string>& names) {
  std::vector<std::string> values(names.size());
  DWORD ignored = 0;
  bool exact = true;
  const std::wstring file = Wide(path, &exact);
  if (!exact) return values;
  const DWORD size = GetFileVersionInfoSizeW(file.c_str(), &ignored);
  if (size == 0) return values;
  std::vector<char> buffer(size);
  if (!GetFileVersionInfoW(file.c_str(), 0, size, buffer.data())) return values;

  void* translation = nullptr;
  UINT translationLen = 0;
  if (!VerQueryValueW(buffer.data(), L"\\VarFileInfo\\Translation", &translation,
                      &translationLen) ||
      translation == nullptr || translationLen < 4)
    return values;
  const char* t = static_cast<const char*>(translation);
  if (t < buffer.data() || t + 4 > buffer.data() + buffer.size()) return values;
  WORD language = 0, codePage = 0;
  std::memcpy(&language, t, 2);
  std::memcpy(&codePage, t + 2, 2);
  char block[40];
  std::snprintf(block, sizeof block, "\\StringFileInfo\\%04X%04X\\", language, codePage);

  for (std::size_t i = 0; i < names.size(); ++i) {
    const std::wstring sub = Wide(block + names[i]);
    void* text = nullptr;
    UINT len = 0;
    if (VerQueryValueW(buffer.data(), sub.c_str(), &text, &len) && len > 0)
      values[i] = BoundedText(buffer, text, len);
  }
  return values;
}

}  // namespace corvanta
