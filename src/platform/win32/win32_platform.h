// All Win32 adapters, owned together and handed out as one Platform.
#pragma once

#include "platform/platform.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_http.h"
#include "platform/win32/win32_process.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_shell.h"
#include "platform/win32/win32_shell_link.h"
#include "platform/win32/win32_system.h"
#include "platform/win32/win32_version_info.h"

namespace corvanta {

class Win32Platform {
 public:
  Win32Platform() : platform_{registry, files, system, shell, links, versionInfo, process, http} {}
  Win32Platform(const Win32Platform&) = delete;
  Win32Platform& operator=(const Win32Platform&) = delete;

  Platform& platform() { return platform_; }
  // The same adapters with another System (tests move the program's folder).
  Platform WithSystem(System& other) {
    return Platform{registry, files, other, shell, links, versionInfo, process, http};
  }

  Win32Registry registry;
  Win32FileSystem files;
  Win32System system;
  Win32Shell shell;
  Win32ShellLinkResolver links;
  Win32VersionInfo versionInfo;
  Win32ProcessRunner process;
  Win32Http http;

 private:
  Platform platform_;
};

}  // namespace corvanta
