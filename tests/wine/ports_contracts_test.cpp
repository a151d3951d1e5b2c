// The port contracts over the real Win32 adapters.
#include <windows.h>
// windows.h first
#include <objbase.h>
#include <shlobj.h>

#include <vector>

#include "contract/files_contract.h"
#include "contract/files_shell_links_contract.h"
#include "contract/system_contract.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_shell_link.h"
#include "platform/win32/win32_system.h"
#include "ports_scratch.h"

namespace corvanta {
namespace {

class Win32FilesEnv {
 public:
  FileSystem& fs() { return files_; }
  std::string root() const { return scratch_.path(); }
  void MakeFile(const std::string& path, const std::string& bytes, uint32_t attrs) {
    wine::MakeRealFile(path, bytes, attrs);
  }
  void MakeFolder(const std::string& path, uint32_t attrs) { wine::MakeRealFolder(path, attrs); }
  void SetAttributes(const std::string& path, uint32_t attrs) {
    SetFileAttributesW(Wide(path).c_str(), attrs);
  }
  // Open without FILE_SHARE_DELETE: the file cannot be deleted meanwhile.
  void Lock(const std::string& path) {
    locks_.push_back(CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, 0, nullptr));
  }
  ~Win32FilesEnv() {
    for (HANDLE h : locks_) {
      if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
  }

 private:
  wine::ScratchFolder scratch_;
  std::vector<HANDLE> locks_;
  Win32FileSystem files_;
};

class Win32LinksEnv : public Win32FilesEnv {
 public:
  ShellLinkResolver& links() { return links_; }
  bool CreateShortcut(const std::string& path, const std::string& target) {
    return wine::MakeRealShortcut(path, target);
  }
  bool CreateShortcutWithoutPath(const std::string& path) {
    LPITEMIDLIST computer = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &computer))) return false;
    const bool ok = wine::MakeRealShortcut(path, nullptr, computer);
    CoTaskMemFree(computer);
    return ok;
  }

 private:
  ComScope com_;
  Win32ShellLinkResolver links_;
};

class Win32SystemEnv {
 public:
  System& system() { return system_; }
  std::string libraryWithoutEntry() { return "kernel32.dll"; }

 private:
  Win32System system_;
};

}  // namespace

namespace contract {
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, FilesContract, Win32FilesEnv);
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, ShellLinksContract, Win32LinksEnv);
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, SystemContract, Win32SystemEnv);
}  // namespace contract

}  // namespace corvanta
