#include "platform/memory/memory_shell.h"

#include "platform/memory/memory_file_system.h"

namespace corvanta {

namespace {

std::string UpperText(std::string s) {
  for (char& c : s) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return s;
}

}  // namespace

int MemoryShell::Execute(uintptr_t ownerWindow, const std::string& verb, const std::string& file,
                         const std::string& params, const std::string& dir, int showCmd) {
  calls_.push_back({ownerWindow, verb, file, params, dir, showCmd});
  return executeResult_;
}

std::string MemoryShell::GetSpecialFolderPath(int csidl) {
  auto it = folders_.find(csidl);
  return it == folders_.end() ? std::string() : it->second;
}

void MemoryShellLinks::AddShortcut(const std::string& path, const std::string& target,
                                   uint32_t attributes) {
  files_.AddFile(path, std::string("L\0\0\0", 4) + "shortcut to " + target, attributes);
  SetTarget(path, target);
}

void MemoryShellLinks::SetTarget(const std::string& path, const std::string& target) {
  targets_[UpperText(path)] = target;
}

std::string MemoryShellLinks::ResolveShortcutTarget(const std::string& path) {
  resolved_.push_back(path);
  if (!HasLowerCaseLnkExtension(path)) return path;
  if (creationFails_) throw ShellLinkError("Class not registered");
  if (!files_.FileExists(path)) return path;  // Load fails
  auto it = targets_.find(UpperText(path));
  if (it == targets_.end()) return path;  // not a shortcut the shell can read
  return it->second;
}

}  // namespace corvanta
