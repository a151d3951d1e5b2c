#include "update/update.h"

#include "platform/file_system.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/system.h"
#include "platform/text_convert.h"

namespace corvanta {

const char kOwnVersion[] = "1.3.0";
const char kVersionPath[] = "/update/version.php?prodid=CORVIX";
const char kWhatsNewPath[] = "/update/whatsnew.php?prodid=CORVIX";
const char kInstallerPath[] = "/Corvanta_setup.exe";
const char kInstallerFileName[] = "Corvanta_setup.exe";
const char kUpdateServerValue[] = "UpdateServer";
const char kNoUpdateText[] =
    "There is no update available at this time. You have the latest version of Corvanta!";
const char kUpdateStartsText[] = "Corvanta will now close and start installing the update!";
const char kUpdateFailedText[] =
    "Unable to download available program update! Will try to update again the next time you "
    "start the program.";

namespace {

const char kSettingsKeyPath[] = "\\Software\\Corvanta\\Corvix";

bool IsHostChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '.';
}

}  // namespace

std::string DefaultUpdateServer() {
  return std::string("http://") + CORVANTA_VENDOR_HOST;
}

bool IsUpdateServerBase(const std::string& text) {
  std::size_t at;
  if (text.compare(0, 7, "http://") == 0)
    at = 7;
  else if (text.compare(0, 8, "https://") == 0)
    at = 8;
  else
    return false;
  const std::size_t hostStart = at;
  while (at < text.size() && IsHostChar(text[at])) ++at;
  if (at == hostStart || text[hostStart] == '.' || text[hostStart] == '-') return false;
  if (at == text.size()) return true;
  if (text[at] != ':' || at + 1 == text.size() || text.size() - at - 1 > 5) return false;
  long port = 0;
  for (std::size_t i = at + 1; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    port = port * 10 + (text[i] - '0');
  }
  return port >= 1 && port <= 65535;
}

std::string UpdateServer(RegistryApi& api) {
  TRegistry reg(api, kKEY_READ);
  reg.SetRootKey(kHKEY_LOCAL_MACHINE);
  try {
    if (reg.OpenKey(kSettingsKeyPath, false)) {
      const std::string text = reg.ReadString(kUpdateServerValue);
      if (IsUpdateServerBase(text)) return text;
    }
  } catch (const ERegistryException&) {
    // A value of another type means the default, as any other bad text.
  }
  return DefaultUpdateServer();
}

std::string TrimBlanksAndControls(const std::string& text) {
  auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  std::size_t begin = 0, end = text.size();
  while (begin < end && blank(text[begin])) ++begin;
  while (end > begin && blank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

ServerVersion AskServerVersion(HttpClient& http, const std::string& server, const HttpPump& pump) {
  ServerVersion v;
  v.version = kOwnVersion;
  HttpReply reply;
  try {
    reply = http.Get(server + kVersionPath, kTextReplyCap, pump);
  } catch (const HttpError& e) {
    v.why = e.what();
    return v;
  }
  const std::string trimmed = TrimBlanksAndControls(reply.body);
  if (reply.aborted) {
    v.why = "The check was cancelled.";
  } else if (reply.status != 200) {
    v.why = "The server answered with status " + std::to_string(reply.status) + ".";
  } else if (trimmed.empty() || reply.body.size() >= 10) {
    v.why = "The server's reply names no version.";
  } else {
    v.answered = true;
    v.version = trimmed;
    v.update = trimmed != kOwnVersion;
  }
  return v;
}

std::string AskWhatsNew(HttpClient& http, const std::string& server, const HttpPump& pump) {
  try {
    const HttpReply reply = http.Get(server + kWhatsNewPath, kTextReplyCap, pump);
    // The server's text is UTF-8 when it reads as UTF-8; an older server
    // sends the Windows code page.
    if (reply.status == 200 && !reply.aborted && !reply.tooLarge)
      return TrimBlanksAndControls(IsUtf8(reply.body) ? reply.body : AnsiToUtf8(reply.body));
  } catch (const HttpError&) {
  }
  return std::string();
}

InstallerDownload DownloadInstaller(HttpClient& http, const std::string& server,
                                    const HttpPump& progress) {
  InstallerDownload d;
  HttpReply reply;
  try {
    reply = http.Get(server + kInstallerPath, kInstallerCap, progress);
  } catch (const HttpError& e) {
    d.why = e.what();
    return d;
  }
  if (reply.aborted) {
    d.cancelled = true;
    d.why = "The download was cancelled.";
  } else if (reply.status != 200) {
    d.why = "The server answered with status " + std::to_string(reply.status) + ".";
  } else if (reply.tooLarge) {
    d.why = "The download is larger than any installer of this program.";
  } else if (reply.body.empty()) {
    d.why = "The download is empty.";
  } else if (reply.announced >= 0 && static_cast<uint64_t>(reply.announced) != reply.body.size()) {
    d.why = "The download ended after " + std::to_string(reply.body.size()) + " of " +
            std::to_string(reply.announced) + " bytes.";
  } else if (reply.body.compare(0, 2, "MZ") != 0) {
    d.why = "The download is not a Windows program.";
  } else {
    d.ok = true;
    d.bytes = std::move(reply.body);
  }
  return d;
}

bool PlaceInstaller(System& system, FileSystem& files, const std::string& bytes, std::string* path,
                    std::string* why) {
  const std::string target = system.ExecutableFolder() + kInstallerFileName;
  const std::string partial = target + ".download";
  *path = target;
  files.RemoveFile(partial);
  std::string check;
  if (!files.WriteWholeFile(partial, bytes) || !files.ReadWholeFile(partial, &check) ||
      check.size() != bytes.size()) {
    files.RemoveFile(partial);
    *why = "\"" + partial + "\" could not be written.";
    return false;
  }
  if (files.GetAttributes(target) != kInvalidAttributes && !files.RemoveFile(target)) {
    files.RemoveFile(partial);
    *why = "The old installer \"" + target + "\" could not be deleted.";
    return false;
  }
  const bool placed = files.CopyOneFile(partial, target);
  files.RemoveFile(partial);
  if (!placed) {
    *why = "\"" + target + "\" could not be written.";
    return false;
  }
  return true;
}

bool StartInstaller(System& system, Shell& shell, const std::string& path) {
  std::string self = system.ExecutablePath();
  const std::size_t cut = self.find_last_of("\\/");
  if (cut != std::string::npos) self = self.substr(cut + 1);
  return shell.Execute(0, "open", path, "\"" + self + "\"", "", SW_SHOWNORMAL) > 32;
}

}  // namespace corvanta
