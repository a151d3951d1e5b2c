#include "platform/win32/win32_file_system.h"

#include <windows.h>

#include <algorithm>

#include "platform/win32/unique_handle.h"
#include "platform/win32/wide_text.h"

namespace corvanta {

namespace {

// Closed on every way out.
using FindHandle = UniqueFind;
using FileHandle = UniqueFile;

FindEntry ToEntry(const WIN32_FIND_DATAW& data) {
  FindEntry e;
  e.name = Narrow(data.cFileName);
  e.attributes = data.dwFileAttributes;
  e.size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  return e;
}

// The path in UTF-16; false when it holds bytes that are no UTF-8.
bool WidePath(const std::string& path, std::wstring* wide) {
  bool exact = true;
  *wide = Wide(path, &exact);
  return exact;
}

}  // namespace

bool Win32FileSystem::FileExists(const std::string& path) {
  std::wstring wide;
  if (!WidePath(path, &wide)) return true;
  WIN32_FIND_DATAW data;
  FindHandle find(FindFirstFileW(wide.c_str(), &data));
  return find.valid() && (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool Win32FileSystem::DirectoryExists(const std::string& path) {
  std::wstring wide;
  if (!WidePath(path, &wide)) return true;
  const DWORD a = GetFileAttributesW(wide.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

uint32_t Win32FileSystem::GetAttributes(const std::string& path) {
  std::wstring wide;
  if (!WidePath(path, &wide)) return kInvalidAttributes;
  return GetFileAttributesW(wide.c_str());
}

void Win32FileSystem::ForEachFile(const std::string& pattern, uint32_t attrFilter,
                                  const std::function<bool(const FindEntry&)>& visit) {
  std::wstring wide;
  if (!WidePath(pattern, &wide)) return;
  WIN32_FIND_DATAW data;
  FindHandle find(FindFirstFileW(wide.c_str(), &data));
  if (!find.valid()) return;
  do {
    if (MatchesAttributeFilter(data.dwFileAttributes, attrFilter)) {
      if (!visit(ToEntry(data))) return;
    }
  } while (FindNextFileW(find.get(), &data));
}

bool Win32FileSystem::RemoveFile(const std::string& path) {
  std::wstring wide;
  return WidePath(path, &wide) && DeleteFileW(wide.c_str()) != 0;
}

bool Win32FileSystem::RemoveFolder(const std::string& path) {
  std::wstring wide;
  return WidePath(path, &wide) && RemoveDirectoryW(wide.c_str()) != 0;
}

bool Win32FileSystem::CopyOneFile(const std::string& from, const std::string& to) {
  std::wstring source, target;
  return WidePath(from, &source) && WidePath(to, &target) &&
         CopyFileW(source.c_str(), target.c_str(), TRUE) != 0;
}

bool Win32FileSystem::MakeDirectory(const std::string& path) {
  std::wstring wide;
  return WidePath(path, &wide) && CreateDirectoryW(wide.c_str(), nullptr) != 0;
}

bool Win32FileSystem::ReadWholeFile(const std::string& path, std::string* out) {
  std::wstring wide;
  if (!WidePath(path, &wide)) return false;
  FileHandle file(CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return false;
  std::string bytes;
  char buffer[65536];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr)) return false;
    if (got == 0) break;
    bytes.append(buffer, got);
  }
  *out = std::move(bytes);
  return true;
}

bool Win32FileSystem::WriteWholeFile(const std::string& path, const std::string& bytes) {
  // OPEN_ALWAYS and a cut at the end, not CREATE_ALWAYS: the latter refuses to
  // replace a hidden or system file.
  std::wstring wide;
  if (!WidePath(path, &wide)) return false;
  FileHandle file(CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return false;
  size_t done = 0;
  while (done < bytes.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1 << 20));
    DWORD wrote = 0;
    if (!WriteFile(file.get(), bytes.data() + done, chunk, &wrote, nullptr) || wrote == 0) {
      return false;
    }
    done += wrote;
  }
  return SetEndOfFile(file.get()) != 0;
}

std::string Win32FileSystem::WindowsDirectory() {
  wchar_t buffer[MAX_PATH + 1] = {};
  const UINT n = GetWindowsDirectoryW(buffer, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return std::string();
  std::string dir = Narrow(buffer, n);
  // A system installed in a drive root reports "C:\"; callers append "\...".
  if (!dir.empty() && dir.back() == '\\') dir.pop_back();
  return dir;
}

std::string Win32FileSystem::ShortPathName(const std::string& path) {
  std::wstring wide;
  if (!WidePath(path, &wide)) return std::string();
  // The limit is MAX_PATH UTF-16 units, as the system counts it.
  wchar_t buffer[MAX_PATH] = {};
  const DWORD n = GetShortPathNameW(wide.c_str(), buffer, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return std::string();
  return Narrow(buffer, n);
}

uint32_t Win32FileSystem::SetErrorMode(uint32_t mode) {
  return ::SetErrorMode(mode);
}

}  // namespace corvanta
