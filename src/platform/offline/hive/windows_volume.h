// A mounted Windows system volume seen from Linux: where its hives are, which
// user profile is cleaned, and what the system says about itself (its name,
// its Windows folder, the user's special folders).
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

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
  std::string systemRoot;   // "C:\WINDOWS"
  std::string profilePath;  // "C:\Documents and Settings\NAME"
  // The user's special folders by their registry names ("Desktop",
  // "Programs", "Start Menu", ...): "User Shell Folders" expanded, and
  // "Shell Folders" for those it lacks.
  std::map<std::string, std::string> shellFolders;

  // "Windows XP, user NAME"
  std::string Description() const;
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

}  // namespace corvanta
