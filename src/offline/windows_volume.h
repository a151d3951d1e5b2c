// A mounted Windows system volume seen from Linux: where its hives are, which
// user profile is cleaned, the system's name and drive letter.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "offline/offline_system.h"
#include "platform/offline/hive/hive_store.h"

namespace corvanta {

struct WindowsVolume {
  // Linux paths, as found on the volume (names matched case-insensitively).
  std::string folder;        // the volume's top folder
  std::string softwareHive;  // Windows/System32/config/SOFTWARE (or WINNT/...)
  std::string profileFolder;
  std::string userHive;     // the profile's NTUSER.DAT
  std::string classesHive;  // its UsrClass.dat, "" when it has none

  // What the system's own registry says, in the ANSI code page.
  std::string userName;     // the profile folder's name
  std::string versionName;  // "Windows XP" (ProductName without "Microsoft ")
  char drive = 'C';         // the volume's drive letter, from SystemRoot

  // The hives mounted as the system mounts them: SOFTWARE at HKLM\SOFTWARE,
  // NTUSER.DAT at HKCU, UsrClass.dat at HKCU\Software\Classes.
  std::vector<std::unique_ptr<HiveStore>> MakeStores() const;
};

// Finds the system on the volume mounted at folder and the profile to clean:
// the one named user (case-insensitive), or the only one when user is "".
// False with a message when it is no Windows system volume, when the profile
// is missing or not chosen (the message lists the profiles), or when hivex
// cannot open one of the hives.
bool FindWindowsVolume(const std::string& folder, const std::string& user, WindowsVolume* out,
                       std::string* error);

// The volume as an offline system, loaded: its hives as the registry, the
// volume as its drive, the user and the version name; the hives are written
// only while none of them refuses (RefuseWrite). Null with the reason when
// FindWindowsVolume or a load fails. executable: this program's host path.
// Letters the volume does not map are unknown unless drives maps them.
struct DriveMapping {
  char letter = 0;
  std::string folder;  // host folder of the drive's root
};
std::unique_ptr<OfflineSystem> OpenWindowsVolume(const std::string& folder, const std::string& user,
                                                 const std::string& executable, std::string* error,
                                                 const std::vector<DriveMapping>& drives = {});

}  // namespace corvanta
