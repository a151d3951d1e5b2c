#include <windows.h>
// windows.h first
#include <winver.h>

#include <cstdio>
#include <cstring>

#include "platform/win32/win32_version_info.h"

namespace corvanta {

namespace {

// The text VerQueryValueA handed back, kept inside the buffer the size query
// sized: a string without its terminator ends at the buffer's end.
std::string BoundedText(const std::vector<char>& buffer, const void* p, UINT len) {
  const char* begin = buffer.data();
  const char* end = begin + buffer.size();
  const char* text = static_cast<const char*>(p);
  if (text == nullptr || text < begin || text >= end) return std::string();
  std::size_t room = static_cast<std::size_t>(end - text);
  if (len < room) room = len;
  const void* nul = std::memchr(text, 0, room);
  return std::string(text, nul ? static_cast<const char*>(nul) - text : room);
}

}  // namespace

std::vector<std::string> Win32VersionInfo::QueryStrings(const std::string& path,
                                                        const std::vector<std::string>& names) {
  std::vector<std::string> values(names.size());
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
  if (size == 0) return values;
  std::vector<char> buffer(size);
  if (!GetFileVersionInfoA(path.c_str(), 0, size, buffer.data())) return values;

  void* translation = nullptr;
  UINT translationLen = 0;
  if (!VerQueryValueA(buffer.data(), "\\VarFileInfo\\Translation", &translation, &translationLen) ||
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
    const std::string sub = block + names[i];
    void* text = nullptr;
    UINT len = 0;
    if (VerQueryValueA(buffer.data(), sub.c_str(), &text, &len) && len > 0)
      values[i] = BoundedText(buffer, text, len);
  }
  return values;
}

}  // namespace corvanta
