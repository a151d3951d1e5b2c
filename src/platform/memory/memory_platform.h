// All memory doubles, owned together and handed out as one Platform.
#pragma once

#include "platform/memory/memory_file_system.h"
#include "platform/memory/memory_http.h"
#include "platform/memory/memory_process.h"
#include "platform/memory/memory_registry.h"
#include "platform/memory/memory_shell.h"
#include "platform/memory/memory_system.h"
#include "platform/memory/memory_version_info.h"
#include "platform/platform.h"

namespace corvanta {

class MemoryPlatform {
 public:
  MemoryPlatform()
      : links(files),
        platform_{registry, files, system, shell, links, versionInfo, process, http} {}
  MemoryPlatform(const MemoryPlatform&) = delete;
  MemoryPlatform& operator=(const MemoryPlatform&) = delete;

  Platform& platform() { return platform_; }

  MemoryRegistry registry;
  MemoryFileSystem files;
  MemorySystem system;
  MemoryShell shell;
  MemoryShellLinks links;
  MemoryVersionInfo versionInfo;
  MemoryProcessRunner process;
  MemoryHttp http;

 private:
  Platform platform_;
};

}  // namespace corvanta
