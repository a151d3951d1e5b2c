#include "results/restore_point.h"

#include "platform/system.h"
#include "results/os_name.h"

namespace corvanta {

const char kRestorePointDescription[] = "Corvanta Restore Point";

bool CreateRestorePoint(System& system) {
  return CreateRestorePointFor(system, GetOSName(system));
}

bool CreateRestorePointFor(System& system, const std::string& osName) {
  std::string library;
  std::string entry;
  if (osName == "Windows XP") {
    library = "srclient.dll";
    entry = "SRSetRestorePointA";
  } else if (osName == "Windows ME") {
    library = "sfc.dll";
    entry = "SRSetRestorePoint";
  } else {
    return false;
  }
  RestorePointRequest request;
  request.eventType = 100;       // begin of a system change
  request.restorePointType = 0;  // application install
  request.sequenceNumber = 0;
  request.description = kRestorePointDescription;
  return system.CallRestorePoint(library, entry, request) == RestorePointResult::Created;
}

}  // namespace corvanta
