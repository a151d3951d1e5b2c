// What the console program says about the stopped system it works on.
#pragma once

#include <string>

namespace corvanta {

struct OfflineSystemInfo {
  std::string kind;              // "wine-prefix" or "windows-volume"
  std::string folder;            // the folder as given on the command line
  std::string windowsVersion;    // e.g. "Windows XP"
  std::string user;              // the profile whose registry is HKCU
  std::string windowsDirectory;  // e.g. "C:\windows"

  // "Offline: DIR (Windows XP, user NAME)".
  std::string Describe() const {
    std::string text = "Offline: " + folder + " (" + windowsVersion;
    if (!user.empty()) text += ", user " + user;
    return text + ")";
  }
};

}  // namespace corvanta
