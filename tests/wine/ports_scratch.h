// A scratch folder under C:\corvanta-test for one test, removed afterwards,
// and the real files, folders and shortcuts the Wine tests seed (paths in
// UTF-8, through the wide API).
#pragma once

#include <windows.h>
// windows.h first
#include <objbase.h>
#include <shlobj.h>

#include <string>

#include "platform/win32/wide_text.h"
#include "platform/win32/win32_system.h"

namespace corvanta::wine {

inline void RemoveTree(const std::string& path) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(Wide(path + "\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = Narrow(data.cFileName);
      if (name == "." || name == "..") continue;
      const std::string child = path + "\\" + name;
      SetFileAttributesW(Wide(child).c_str(), FILE_ATTRIBUTE_NORMAL);
      if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
          (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        RemoveTree(child);
      } else if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        RemoveDirectoryW(Wide(child).c_str());
      } else {
        DeleteFileW(Wide(child).c_str());
      }
    } while (FindNextFileW(find, &data));
    FindClose(find);
  }
  SetFileAttributesW(Wide(path).c_str(), FILE_ATTRIBUTE_NORMAL);
  RemoveDirectoryW(Wide(path).c_str());
}

// The real system with the program's folder put where a test wants it.
class FolderSystem : public Win32System {
 public:
  explicit FolderSystem(std::string folder) : folder_(std::move(folder)) {}
  void SetFolder(const std::string& folder) { folder_ = folder; }
  std::string ExecutableFolder() override { return folder_; }

 private:
  std::string folder_;
};

class ScratchFolder {
 public:
  ScratchFolder() {
    static int counter = 0;
    CreateDirectoryA("C:\\corvanta-test", nullptr);
    path_ = "C:\\corvanta-test\\t" + std::to_string(GetCurrentProcessId()) + "-" +
            std::to_string(++counter);
    RemoveTree(path_);
    CreateDirectoryA(path_.c_str(), nullptr);
  }
  ~ScratchFolder() {
    RemoveTree(path_);
    RemoveDirectoryA("C:\\corvanta-test");  // only when nothing else is in it
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

inline void MakeRealFile(const std::string& path, const std::string& bytes, uint32_t attrs) {
  HANDLE h = CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  DWORD wrote = 0;
  if (!bytes.empty()) WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &wrote, nullptr);
  CloseHandle(h);
  SetFileAttributesW(Wide(path).c_str(), attrs);
}

inline void MakeRealFolder(const std::string& path, uint32_t attrs) {
  CreateDirectoryW(Wide(path).c_str(), nullptr);
  if (attrs != FILE_ATTRIBUTE_DIRECTORY) SetFileAttributesW(Wide(path).c_str(), attrs);
}

// Writes a shortcut file through the shell's own link object, to target or,
// when target is null, to the item list. SetPath answers S_FALSE for a target
// that does not exist; the shortcut is written all the same.
inline bool MakeRealShortcut(const std::string& path, const std::string* target,
                             LPCITEMIDLIST list) {
  IShellLinkW* link = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              reinterpret_cast<void**>(&link))))
    return false;
  HRESULT hr = target != nullptr ? link->SetPath(Wide(*target).c_str()) : link->SetIDList(list);
  IPersistFile* file = nullptr;
  if (SUCCEEDED(hr)) hr = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
  if (SUCCEEDED(hr)) {
    hr = file->Save(Wide(path).c_str(), TRUE);
    file->Release();
  }
  link->Release();
  return SUCCEEDED(hr);
}

inline bool MakeRealShortcut(const std::string& path, const std::string& target) {
  return MakeRealShortcut(path, &target, nullptr);
}

}  // namespace corvanta::wine
