// libFuzzer entry for the shortcut reader: any .lnk file resolves to a target
// (the link's own path when unreadable, "" for a link to no file) without a
// fault or a NUL inside the target.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz_scratch.h"
#include "platform/offline/lnk_shell_links.h"
#include "platform/offline/offline_file_system.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace corvanta;
  fuzz::WriteScratch("link.lnk", reinterpret_cast<const char*>(data), size);
  static OfflineFileSystem files = [] {
    OfflineFileSystem f;
    f.MapDrive('C', fuzz::ScratchFolder());
    return f;
  }();
  LnkShellLinks links(files);
  if (links.ResolveShortcutTarget("C:\\link.lnk").find('\0') != std::string::npos) std::abort();
  return 0;
}
