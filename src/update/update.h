// The update check against the vendor's web server and the installer
// download, free of widgets: TForm1 and the console program say what happened.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/http.h"

namespace corvanta {

class RegistryApi;
class FileSystem;
class System;
class Shell;

extern const char kOwnVersion[];         // "1.3.0"
extern const char kVersionPath[];        // "/update/version.php?prodid=CORVIX"
extern const char kWhatsNewPath[];       // "/update/whatsnew.php?prodid=CORVIX"
extern const char kInstallerPath[];      // "/Corvanta_setup.exe"
extern const char kInstallerFileName[];  // "Corvanta_setup.exe"
extern const char kUpdateServerValue[];  // "UpdateServer", under the settings key
extern const char kNoUpdateText[];
extern const char kUpdateStartsText[];
extern const char kUpdateFailedText[];

// Nothing this size is an installer of this program; a reply that grows past
// it is refused instead of filling memory.
constexpr uint64_t kInstallerCap = 64ull << 20;
constexpr uint64_t kTextReplyCap = 1ull << 20;

// The built-in server, "http://" + the vendor host.
std::string DefaultUpdateServer();
// "http://" or "https://", a host name and an optional ":port", nothing else.
bool IsUpdateServerBase(const std::string& text);
// The settings' "UpdateServer" text when it is such a base, else the default.
std::string UpdateServer(RegistryApi& api);

// Blanks and control characters off both ends.
std::string TrimBlanksAndControls(const std::string& text);

using HttpPump = std::function<bool(const HttpProgress&)>;

struct ServerVersion {
  bool answered = false;  // a 200 reply named a version
  std::string version;    // the server's version, kOwnVersion when it named none
  bool update = false;    // it differs from ours
  std::string why;        // why no version was named ("" when one was)
};
// Only a 200 reply whose trimmed body is not empty and whose body is shorter
// than 10 characters names a version; errors and other replies mean none.
ServerVersion AskServerVersion(HttpClient& http, const std::string& server, const HttpPump& pump);

// The trimmed what's-new text of a 200 reply, "" for anything else.
std::string AskWhatsNew(HttpClient& http, const std::string& server, const HttpPump& pump);

struct InstallerDownload {
  bool ok = false;
  bool cancelled = false;
  std::string bytes;
  std::string why;  // what was wrong with it
};
// GETs the installer. It is whole only with status 200, not cancelled, not
// empty, as long as announced, within kInstallerCap and a Windows program.
InstallerDownload DownloadInstaller(HttpClient& http, const std::string& server,
                                    const HttpPump& progress);

// Writes the installer under a temporary name beside the program and puts it
// in place of the old one only when written whole; then starts it with the
// program's own file name in double quotes. False (with the reason) when any
// step failed; the old installer file stays unless the new one replaced it.
bool PlaceInstaller(System& system, FileSystem& files, const std::string& bytes, std::string* path,
                    std::string* why);
// Starts the placed installer. False when the shell could not start it.
bool StartInstaller(System& system, Shell& shell, const std::string& path);

}  // namespace corvanta
