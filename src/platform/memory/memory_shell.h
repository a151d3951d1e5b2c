// Test doubles of the shell and of the shell link resolver.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/shell.h"
#include "platform/shell_link.h"

namespace corvanta {

class MemoryFileSystem;

class MemoryShell : public Shell {
 public:
  struct ExecuteCall {
    uintptr_t ownerWindow;
    std::string verb, file, params, dir;
    int showCmd;
  };

  // The code every later Execute returns (above 32 is success).
  void SetExecuteResult(int code) { executeResult_ = code; }
  void SetLastErrorText(const std::string& text) { lastErrorText_ = text; }
  void SetSpecialFolder(int csidl, const std::string& path) { folders_[csidl] = path; }
  const std::vector<ExecuteCall>& executeCalls() const { return calls_; }

  int Execute(uintptr_t ownerWindow, const std::string& verb, const std::string& file,
              const std::string& params, const std::string& dir, int showCmd) override;
  std::string LastErrorText() override { return lastErrorText_; }
  std::string GetSpecialFolderPath(int csidl) override;

 private:
  int executeResult_ = 42;
  std::string lastErrorText_ = "The operation completed successfully.\r\n";
  std::map<int, std::string> folders_;
  std::vector<ExecuteCall> calls_;
};

// Shortcut files live in a MemoryFileSystem; their targets are registered
// here. A file that ends in ".lnk" but has no registered target cannot be
// loaded (a broken shortcut), and neither can one that is not on the disk.
class MemoryShellLinks : public ShellLinkResolver {
 public:
  explicit MemoryShellLinks(MemoryFileSystem& files) : files_(files) {}

  // Writes the shortcut file and registers its target ("" for a link with no
  // file-system target).
  void AddShortcut(const std::string& path, const std::string& target, uint32_t attributes = 0x20);
  // Registers the target of a shortcut file already on the disk.
  void SetTarget(const std::string& path, const std::string& target);
  // Makes the link object impossible to create: every resolve of a ".lnk"
  // path throws.
  void SetCreationFails(bool fails) { creationFails_ = fails; }
  // Every path handed to ResolveShortcutTarget.
  const std::vector<std::string>& resolved() const { return resolved_; }

  std::string ResolveShortcutTarget(const std::string& path) override;

 private:
  MemoryFileSystem& files_;
  std::map<std::string, std::string> targets_;  // upper-case path -> target
  bool creationFails_ = false;
  std::vector<std::string> resolved_;
};

}  // namespace corvanta
