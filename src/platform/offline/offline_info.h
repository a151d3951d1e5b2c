// What the console program says about the stopped system it works on.
#pragma once

#include <functional>
#include <string>

namespace corvanta {

struct OfflineSystemInfo {
  std::string kind;              // "wine-prefix" or "windows-volume"
  std::string folder;            // the folder as given on the command line
  std::string windowsVersion;    // e.g. "Windows XP"
  std::string user;              // the profile whose registry is HKCU
  std::string windowsDirectory;  // e.g. "C:\windows"
  // The host path of one of its Windows paths (what the user is shown).
  std::function<std::string(const std::string&)> hostPath;
  // Writes the changes made so far to the system's files; false with the
  // reason when nothing could be written. Unset when nothing may change.
  std::function<bool(std::string* error)> commit;

  // "Offline: DIR (Windows XP, user NAME)".
  std::string Describe() const {
    std::string text = "Offline: " + folder + " (" + windowsVersion;
    if (!user.empty()) text += ", user " + user;
    return text + ")";
  }
};

}  // namespace corvanta
