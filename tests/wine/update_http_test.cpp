// The update over WinINet against the local servers scripts/wine-tests.sh
// starts on 127.0.0.1: texts, the installer's download and start, cancel,
// broken downloads and the start-up check.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>

#include "app/main.h"
#include "platform/registry.h"
#include "platform/win32/win32_platform.h"
#include "ui/headless/headless_ui.h"
#include "update/update.h"
#include "wine/ports_scratch.h"
#include "wine/wine_version_child.h"

namespace corvanta {
namespace {

// "http://127.0.0.1:PORT" of the server with that behaviour.
std::string Server(const std::string& mode) {
  const std::string all = testing::Env("CORVANTA_TEST_HTTP");
  const std::size_t at = all.find(mode + "=");
  if (at == std::string::npos) return std::string();
  const std::size_t end = all.find(',', at);
  return "http://127.0.0.1:" + all.substr(at + mode.size() + 1, end - at - mode.size() - 1);
}

std::string Recorder() {
  Win32FileSystem files;
  std::string bytes;
  files.ReadWholeFile(testing::Env("CORVANTA_TEST_RECORDER"), &bytes);
  return bytes;
}

void SetSetting(const char* name, const std::string* text, int number) {
  Win32Registry api;
  TRegistry reg(api);
  reg.SetRootKey(kHKEY_LOCAL_MACHINE);
  ASSERT_TRUE(reg.OpenKey("\\Software\\Corvanta\\Corvix", true));
  if (text)
    reg.WriteString(name, *text);
  else
    reg.WriteInteger(name, number);
}

struct ProgramSystem : wine::FolderSystem {
  using FolderSystem::FolderSystem;
  std::string ExecutablePath() override { return ExecutableFolder() + "corvanta.exe"; }
};

struct UpdateApp {
  Win32Platform win;
  ProgramSystem system;
  Platform platform = win.WithSystem(system);
  HeadlessUi ui;
  std::unique_ptr<TForm1> form;
  explicit UpdateApp(const std::string& folder, const std::string& server) : system(folder + "\\") {
    SetSetting("UpdateServer", &server, 0);
    form = std::make_unique<TForm1>(platform, ui.View());
    form->SetSaveOnDestroy(false);
  }
  // Later tests start from no settings at all.
  ~UpdateApp() {
    form.reset();
    TRegistry reg(win.registry);
    reg.SetRootKey(kHKEY_LOCAL_MACHINE);
    reg.DeleteKey("\\Software\\Corvanta");
  }
  std::string LastBox() { return ui.App().Boxes().empty() ? "" : ui.App().Boxes().back().text; }
};

TEST(UpdateHttpWine, WinInetTextsDownloadCancelAndRefusal) {
  const std::string normal = Server("normal");
  ASSERT_FALSE(normal.empty()) << "scripts/wine-tests.sh starts the local update servers";
  Win32Http http;
  HttpReply r = http.Get(normal + kVersionPath, kTextReplyCap, {});
  EXPECT_EQ(r.status, 200);
  EXPECT_EQ(r.body, "1.4.0\r\n");
  EXPECT_EQ(http.Get(normal + "/missing", kTextReplyCap, {}).status, 404);

  // The installer, with progress on this thread.
  const DWORD self = GetCurrentThreadId();
  int calls = 0;
  bool sameThread = true;
  r = http.Get(normal + kInstallerPath, kInstallerCap, [&](const HttpProgress&) {
    ++calls;
    sameThread = sameThread && GetCurrentThreadId() == self;
    return true;
  });
  EXPECT_EQ(r.body, Recorder());
  EXPECT_EQ(r.announced, static_cast<int64_t>(r.body.size()));
  EXPECT_GT(calls, 0);
  EXPECT_TRUE(sameThread);

  // A slow server: the callback's abort ends the transfer at once.
  r = http.Get(Server("slow") + kInstallerPath, kInstallerCap,
               [](const HttpProgress& p) { return p.received == 0; });
  EXPECT_TRUE(r.aborted);
  EXPECT_LT(r.body.size(), Recorder().size());

  // Nothing listens there: an error, never a reply.
  EXPECT_THROW(http.Get("http://127.0.0.1:1" + std::string(kVersionPath), kTextReplyCap, {}),
               HttpError);
}

TEST(UpdateHttpWine, DownloadsAndStartsTheInstallerOnlyWhenWhole) {
  wine::ScratchFolder scratch;
  {
    UpdateApp a(scratch.path(), Server("normal"));
    a.form->DoUpdate();  // the alert's default answer: "Download Update"
    EXPECT_EQ(a.ui.View().updateAlert.WhatsNew->Text(), "Faster scans.\r\nFewer false alarms.");
    EXPECT_EQ(a.LastBox(), kUpdateStartsText);
    EXPECT_TRUE(a.ui.App().Terminated());
  }
  std::string installed, args;
  Win32FileSystem files;
  EXPECT_TRUE(files.ReadWholeFile(scratch.path() + "\\Corvanta_setup.exe", &installed));
  EXPECT_EQ(installed, Recorder());
  for (int i = 0; i < 200 && !files.ReadWholeFile(scratch.path() + "\\args.txt", &args); ++i)
    Sleep(100);
  // Exactly one parameter: the program's own file name in double quotes.
  const std::size_t end = args.find('"', 1);
  ASSERT_NE(end, std::string::npos) << args;
  EXPECT_EQ(args.substr(end + 1), " \"corvanta.exe\"") << args;

  for (const char* mode : {"truncated", "oversize", "html"}) {
    files.RemoveFile(scratch.path() + "\\args.txt");
    files.WriteWholeFile(scratch.path() + "\\Corvanta_setup.exe", "MZ old");
    UpdateApp b(scratch.path(), Server(mode));
    b.form->DoUpdate();
    EXPECT_EQ(b.LastBox(), kUpdateFailedText) << mode;
    EXPECT_FALSE(b.ui.App().Terminated()) << mode;
    std::string kept;
    files.ReadWholeFile(scratch.path() + "\\Corvanta_setup.exe", &kept);
    EXPECT_EQ(kept, "MZ old") << mode;
  }
  Sleep(500);
  EXPECT_FALSE(files.FileExists(scratch.path() + "\\args.txt"));
}

TEST(UpdateHttpWine, StartUpChecksOnlyWhenTheSettingIsOn) {
  wine::ScratchFolder scratch;
  for (int on : {1, 0}) {
    SetSetting("AutoUpdate", nullptr, on);
    UpdateApp a(scratch.path(), Server("normal"));
    HeadlessUi::H(a.ui.View().updateAlert.window).QueueModalResult(ModalResult::Cancel);
    a.form->StartUp();
    EXPECT_EQ(HeadlessUi::H(a.ui.View().updateAlert.window).ModalCount(), on) << on;
    EXPECT_TRUE(a.ui.App().Boxes().empty());
  }
  // Our own version: the manual check says so.
  UpdateApp c(scratch.path(), Server("current"));
  c.form->DoUpdate();
  EXPECT_EQ(c.LastBox(), kNoUpdateText);
}

}  // namespace
}  // namespace corvanta
