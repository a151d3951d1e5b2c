// The update check and download over the HTTP double: what counts as a
// version, what the user is shown, and that only a whole installer runs.
#include "update/update.h"

#include <gtest/gtest.h>

#include "support/app_fixture.h"
#include "support/cli_fixture.h"

namespace corvanta {
namespace {

using testing::AppFixture;

const std::string kServer = "http://www.corvanta.example";
const std::string kInstaller = "C:\\Program Files\\Corvanta\\Corvanta_setup.exe";
const std::string kProgram = std::string("MZ") + std::string(300, 'p');

TEST(UpdateCheck, WhatCountsAsAVersion) {
  struct Case {
    int status;
    const char* body;
    const char* error;
    bool update;
  } cases[] = {
      {200, "1.3.0\r\n", "", false},   // trimmed: ours
      {200, " 1.4.0 ", "", true},      // a newer one
      {200, "1.2.9", "", true},        // an older one differs too
      {200, "123456789", "", true},    // 9 characters
      {200, "1234567890", "", false},  // 10: an error page, not a version
      {200, "  \r\n\t", "", false},    // nothing once trimmed
      {404, "1.4.0", "", false},       // not a 200 reply
      {404, "Not Found", "", false},   // the 9-character page of a missing script
      {200, "", "The server name could not be resolved", false},
  };
  for (const Case& c : cases) {
    MemoryHttp http;
    MemoryHttp::Reply r;
    r.status = c.status;
    r.body = c.body;
    r.error = c.error;
    http.SetReply(kServer + kVersionPath, r);
    const ServerVersion v = AskServerVersion(http, kServer, {});
    EXPECT_EQ(v.update, c.update) << "[" << c.body << "] " << c.status;
    EXPECT_EQ(v.answered, c.update || std::string(c.body) == "1.3.0\r\n") << c.body;
  }

  const struct {
    const char* text;
    bool ok;
  } servers[] = {{"http://127.0.0.1:8080", true},
                 {"https://updates.example.org", true},
                 {"http://host", true},
                 {"ftp://host", false},
                 {"http://", false},
                 {"http://host/path", false},
                 {"http://host:0", false},
                 {"http://host:65536", false},
                 {"http://ho st", false},
                 {"HTTP://host", false}};
  for (const auto& s : servers) EXPECT_EQ(IsUpdateServerBase(s.text), s.ok) << s.text;
}

struct UpdateApp : AppFixture {
  UpdateApp() {
    mem.files.AddFolder("C:\\Program Files\\Corvanta");
    Reply(kVersionPath, 200, "1.4.0");
    Reply(kWhatsNewPath, 200, "  Faster scans.\r\n");
    Reply(kInstallerPath, 200, kProgram);
    Create();
  }
  void Reply(const char* path, int status, const std::string& body, int64_t announced = -2,
             std::size_t chunk = 0) {
    MemoryHttp::Reply r;
    r.status = status;
    r.body = body;
    r.announced = announced;
    r.chunk = chunk;
    mem.http.SetReply(kServer + path, r);
  }
  std::vector<std::string> Texts() {
    std::vector<std::string> t;
    for (const auto& b : app().Boxes()) t.push_back(b.text);
    return t;
  }
};

TEST(UpdateCheck, ManualAndStartUpChecksTellWhatTheyFound) {
  UpdateApp none;
  none.Reply(kVersionPath, 200, "1.3.0");
  none.form->DoUpdate();
  EXPECT_EQ(none.Texts(), std::vector<std::string>{kNoUpdateText});
  EXPECT_FALSE(none.ui.View().updateChecking.window->Visible());
  none.app().ClearBoxes();
  none.form->StartUp();  // the start-up check says nothing
  EXPECT_TRUE(none.app().Boxes().empty());

  // An update: what's new trimmed in the alert; Cancel there ends it.
  UpdateApp f;
  HeadlessUi::H(f.ui.View().updateAlert.window).QueueModalResult(ModalResult::Cancel);
  f.form->DoUpdate();
  EXPECT_EQ(f.ui.View().updateAlert.WhatsNew->Text(), "Faster scans.");
  EXPECT_TRUE(f.app().Boxes().empty());
  EXPECT_EQ(f.mem.http.requests().size(), 2u);

  // A failing what's-new request leaves the memo empty.
  f.Reply(kWhatsNewPath, 500, "oops");
  HeadlessUi::H(f.ui.View().updateAlert.window).QueueModalResult(ModalResult::Cancel);
  f.form->DoUpdate();
  EXPECT_EQ(f.ui.View().updateAlert.WhatsNew->Text(), "");
}

TEST(UpdateCheck, OnlyAWholeInstallerIsPlacedAndStarted) {
  UpdateApp f;
  f.mem.files.AddFile(kInstaller, "MZ old installer");
  f.mem.shell.SetExecuteResult(42);
  f.form->DoUpdate();
  EXPECT_EQ(f.Texts(), std::vector<std::string>{kUpdateStartsText});
  std::string bytes;
  ASSERT_TRUE(f.mem.files.ReadWholeFile(kInstaller, &bytes));
  EXPECT_EQ(bytes, kProgram);
  ASSERT_EQ(f.mem.shell.executeCalls().size(), 1u);
  const auto& call = f.mem.shell.executeCalls()[0];
  EXPECT_EQ(call.file, kInstaller);
  EXPECT_EQ(call.params, "\"Corvanta.exe\"");
  EXPECT_EQ(call.verb, "open");
  EXPECT_TRUE(f.app().Terminated());
  EXPECT_TRUE(f.form->UpdateStarted());
  // The quit request stops a "/scan" start from scanning.
  f.mem.system.SetFirstArgument("/scan");
  f.form->StartUp();
  EXPECT_EQ(f.Page(), kPageMain);

  struct Broken {
    const char* what;
    int status;
    std::string body;
    int64_t announced;
  } broken[] = {
      {"404", 404, kProgram, -2},
      {"empty", 200, "", -2},
      {"truncated", 200, kProgram, 1000},
      {"not a program", 200, "<html>", -2},
      {"oversize", 200, "MZ" + std::string(kInstallerCap, 'x'), -1},
  };
  for (const Broken& b : broken) {
    UpdateApp g;
    g.mem.files.AddFile(kInstaller, "MZ old installer");
    g.Reply(kInstallerPath, b.status, b.body, b.announced);
    g.form->DoUpdate();
    EXPECT_EQ(g.Texts(), std::vector<std::string>{kUpdateFailedText}) << b.what;
    ASSERT_TRUE(g.mem.files.ReadWholeFile(kInstaller, &bytes));
    EXPECT_EQ(bytes, "MZ old installer") << b.what;
    EXPECT_TRUE(g.mem.shell.executeCalls().empty()) << b.what;
    EXPECT_FALSE(g.app().Terminated()) << b.what;
  }

  // Cancel on the progress window, mid-download; then an installer that
  // cannot be started: the warning, and the program keeps running.
  UpdateApp c;
  c.Reply(kInstallerPath, 200, kProgram, -2, 100);
  int calls = 0;
  c.app().EveryPump([&] {
    if (c.ui.View().progressForm.window->Visible() && ++calls == 2)
      HeadlessUi::H(c.ui.View().progressForm.RzButton1).Press();
  });
  c.form->DoUpdate();
  c.app().EveryPump(nullptr);
  EXPECT_EQ(c.Texts(), std::vector<std::string>{kUpdateFailedText});
  EXPECT_EQ(c.ui.View().progressForm.ProgressBar->TotalParts(),
            static_cast<int64_t>(kProgram.size()));
  EXPECT_FALSE(c.mem.files.FileExists(kInstaller));
  c.app().ClearBoxes();
  c.Reply(kInstallerPath, 200, kProgram);
  c.mem.shell.SetExecuteResult(2);
  c.form->DoUpdate();
  EXPECT_EQ(c.Texts(), (std::vector<std::string>{kUpdateStartsText, kUpdateFailedText}));
  EXPECT_FALSE(c.app().Terminated());

  // Closing the window during the download cancels it, says nothing, and the
  // window closes once the check has returned.
  UpdateApp d;
  d.Reply(kInstallerPath, 200, kProgram, -2, 100);
  bool closing = false;
  d.app().EveryPump([&] {
    if (!closing && d.ui.View().progressForm.window->Visible()) {
      closing = true;
      d.w().window->Close();
    }
  });
  d.form->DoUpdate();
  d.app().EveryPump(nullptr);
  EXPECT_TRUE(d.app().Boxes().empty());
  EXPECT_TRUE(HeadlessUi::H(d.w().window).Closed());
  EXPECT_TRUE(d.mem.shell.executeCalls().empty());
}

TEST(UpdateCheck, ServerSettingAndConsoleCommand) {
  testing::CliFixture cli;
  const std::string local = "http://127.0.0.1:8123";
  cli.mem.registry.SetString(kHKEY_LOCAL_MACHINE, "Software\\Corvanta\\Corvix", "UpdateServer",
                             local);
  MemoryHttp::Reply v;
  v.body = "1.4.0\n";
  cli.mem.http.SetReply(local + kVersionPath, v);
  // What's new in the code page of an older server, or in UTF-8.
  for (const char* body : {"New \xE9", "New \xC3\xA9"}) {
    MemoryHttp::Reply w;
    w.body = body;
    cli.mem.http.SetReply(local + kWhatsNewPath, w);
    EXPECT_EQ(cli({"update-check", "--json"}), kExitDone) << cli.err;
    EXPECT_EQ(cli.out,
              "{\"server\":\"http://127.0.0.1:8123\",\"serverVersion\":\"1.4.0\",\"update\":true,"
              "\"whatsNew\":\"New \xC3\xA9\"}\n");
  }
  EXPECT_EQ(cli.mem.http.requests().size(), 4u);                 // no download
  ASSERT_EQ(cli({"settings", "set", "Section1=0"}), kExitDone);  // saving leaves it alone
  EXPECT_TRUE(
      cli.mem.registry.HasValue(kHKEY_LOCAL_MACHINE, "Software\\Corvanta\\Corvix", "UpdateServer"));

  // A bad setting means the built-in server; no answer is a failed check.
  cli.mem.registry.SetString(kHKEY_LOCAL_MACHINE, "Software\\Corvanta\\Corvix", "UpdateServer",
                             "file://C:/x");
  EXPECT_EQ(cli({"update-check"}), kExitFailed);
  EXPECT_EQ(cli.mem.http.requests().back(), kServer + kVersionPath);
}

}  // namespace
}  // namespace corvanta
