// The port contracts over the memory doubles.
#include "contract/files_contract.h"
#include "contract/files_shell_links_contract.h"
#include "contract/system_contract.h"
#include "platform/memory/memory_file_system.h"
#include "platform/memory/memory_shell.h"
#include "platform/memory/memory_system.h"

namespace corvanta {
namespace {

class MemoryFilesEnv {
 public:
  MemoryFilesEnv() {
    files_.AddFolder("C:\\WINDOWS");
    files_.AddFolder(root());
  }
  FileSystem& fs() { return files_; }
  std::string root() const { return "C:\\corvanta-test\\contract"; }
  void MakeFile(const std::string& path, const std::string& bytes, uint32_t attrs) {
    files_.AddFile(path, bytes, attrs);
  }
  void MakeFolder(const std::string& path, uint32_t attrs) { files_.AddFolder(path, attrs); }
  void SetAttributes(const std::string& path, uint32_t attrs) { files_.SetAttributes(path, attrs); }
  void Lock(const std::string& path) { files_.LockFile(path); }

 protected:
  MemoryFileSystem files_;
};

class MemoryLinksEnv : public MemoryFilesEnv {
 public:
  ShellLinkResolver& links() { return links_; }
  bool CreateShortcut(const std::string& path, const std::string& target) {
    links_.AddShortcut(path, target);
    return true;
  }
  bool CreateShortcutWithoutPath(const std::string& path) { return CreateShortcut(path, ""); }

 private:
  MemoryShellLinks links_{files_};
};

class MemorySystemEnv {
 public:
  MemorySystemEnv() { system_.AddLibrary("kernel32.dll"); }
  System& system() { return system_; }
  std::string libraryWithoutEntry() { return "kernel32.dll"; }

 private:
  MemorySystem system_;
};

}  // namespace

namespace contract {
INSTANTIATE_TYPED_TEST_SUITE_P(Memory, FilesContract, MemoryFilesEnv);
INSTANTIATE_TYPED_TEST_SUITE_P(Memory, ShellLinksContract, MemoryLinksEnv);
INSTANTIATE_TYPED_TEST_SUITE_P(Memory, SystemContract, MemorySystemEnv);
}  // namespace contract

}  // namespace corvanta
