// Reading the target of a shortcut (.lnk) file.
#pragma once

#include <stdexcept>
#include <string>

namespace corvanta {

// Raised when the shell link object cannot be created at all.
class ShellLinkError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class ShellLinkResolver {
 public:
  virtual ~ShellLinkResolver() = default;

  // The shortcut's target path, asked for in short form. Returns path itself
  // when it does not end in ".lnk" (exactly, lower case) or the link cannot be
  // loaded, resolved or read, and "" when the link names no file-system
  // target. Throws ShellLinkError when the link object cannot be created.
  virtual std::string ResolveShortcutTarget(const std::string& path) = 0;
};

// True when the last four characters are exactly ".lnk".
inline bool HasLowerCaseLnkExtension(const std::string& path) {
  return path.size() >= 4 && path.compare(path.size() - 4, 4, ".lnk") == 0;
}

}  // namespace corvanta
