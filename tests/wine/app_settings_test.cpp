// Settings and the Run value in the real registry, with headless windows.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <sstream>
#include <string>

#include "app/main.h"
#include "cli/cli.h"
#include "platform/win32/win32_platform.h"
#include "scan/sections.h"
#include "ui/headless/headless_ui.h"

namespace corvanta {
namespace {

const char kKey[] = "Software\\Corvanta\\Corvix";
const char kRun[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

void DeleteSettings() {
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, kKey);
  HKEY run;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRun, 0, KEY_SET_VALUE, &run) == ERROR_SUCCESS) {
    RegDeleteValueA(run, "Corvanta");
    RegCloseKey(run);
  }
}

bool ReadValue(const char* path, const char* name, DWORD* type, std::string* data) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
    return false;
  char buf[1024];
  DWORD size = sizeof buf;
  LONG rc = RegQueryValueExA(key, name, nullptr, type, reinterpret_cast<BYTE*>(buf), &size);
  RegCloseKey(key);
  if (rc != ERROR_SUCCESS) return false;
  data->assign(buf, size);
  return true;
}

TEST(WineAppSettings, RoundTripRunValueAndNonIntegerValues) {
  DeleteSettings();
  Win32Platform win32;
  {
    HeadlessUi ui;
    TForm1 form(win32.platform(), ui.View());
    form.LoadSettings();  // first start: key created, defaults
    EXPECT_FALSE(ui.View().main.cbSection10->Checked());
    EXPECT_TRUE(ui.View().main.cbRunStartUp->Checked());
    ui.View().main.cbSection10->SetChecked(true);
  }  // shut-down save
  DWORD type = 0;
  std::string data;
  ASSERT_TRUE(ReadValue(kKey, "Section10", &type, &data));
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(data, std::string("\1\0\0\0", 4));
  ASSERT_TRUE(ReadValue(kRun, "Corvanta", &type, &data));
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  const std::string want = RunValueFor(win32.system.ExecutablePath());
  EXPECT_EQ(data, want + std::string(1, '\0'));
  EXPECT_EQ(want.front(), '"');

  // A text where an integer belongs counts as absent and is overwritten.
  HKEY key;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
  RegSetValueExA(key, "Section1", 0, REG_SZ, reinterpret_cast<const BYTE*>("0"), 2);
  RegCloseKey(key);
  {
    HeadlessUi ui;
    TForm1 form(win32.platform(), ui.View());
    form.LoadSettings();
    EXPECT_TRUE(ui.View().main.cbsection1->Checked());
    EXPECT_TRUE(ui.View().main.cbSection10->Checked());  // stored 1 read back
    ui.View().main.cbRunStartUp->SetChecked(false);
    form.SaveSettings();
  }
  ASSERT_TRUE(ReadValue(kKey, "Section1", &type, &data));
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_FALSE(ReadValue(kRun, "Corvanta", &type, &data));
  DeleteSettings();
}

TEST(WineAppSettings, CliScanOfThreeSectionsAndASettingsSet) {
  DeleteSettings();
  Win32Platform win32;
  std::ostringstream out, err;
  ASSERT_EQ(RunCli(win32.platform(), {"scan", "--sections", "1,2,10", "--json"}, out, err), 0)
      << err.str();
  EXPECT_NE(out.str().find("\"sections\":[{\"number\":1,\"caption\":\"Application Paths\""),
            std::string::npos);
  std::ostringstream out2, err2;
  ASSERT_EQ(RunCli(win32.platform(), {"settings", "set", "Section12=1"}, out2, err2), 0)
      << err2.str();
  EXPECT_NE(out2.str().find("Section12=1"), std::string::npos);
  // The console program's save registers the GUI beside it for log-on.
  DWORD type = 0;
  std::string data;
  ASSERT_TRUE(ReadValue(kRun, "Corvanta", &type, &data));
  EXPECT_EQ(data,
            "\"" + win32.system.ExecutableFolder() + "corvanta.exe\" /scan" + std::string(1, '\0'));
  DeleteSettings();
}

// The number after "key": in text, from pos on; -1 when absent.
long long NumberAfter(const std::string& text, const std::string& key, size_t pos = 0) {
  const size_t at = text.find(key, pos);
  if (at == std::string::npos) return -1;
  return std::atoll(text.c_str() + at + key.size());
}

TEST(WineAppSettings, CliScanAllJsonListsThirteenSectionsInOrder) {
  ComScope com;  // the shortcut sections make shell link objects, as main() allows
  DeleteSettings();
  Win32Platform win32;
  std::ostringstream out, err;
  ASSERT_EQ(RunCli(win32.platform(), {"scan", "--all", "--json"}, out, err), 0) << err.str();
  const std::string doc = out.str();
  const size_t problemsAt = doc.find("\"problems\":[");
  ASSERT_NE(problemsAt, std::string::npos) << doc;

  // Every section once, in scan order, with the captions of the section table.
  size_t pos = 0;
  long long found = 0;
  for (const SectionInfo& info : kSections) {
    const std::string head = "{\"number\":" + std::to_string(info.number) + ",\"caption\":\"" +
                             info.rowCaption + "\",\"name\":\"" + info.sectionName +
                             "\",\"found\":";
    const size_t at = doc.find(head, pos);
    ASSERT_NE(at, std::string::npos) << head;
    EXPECT_LT(at, problemsAt) << head;
    found += NumberAfter(doc, head, at);
    pos = at + head.size();
  }
  EXPECT_EQ(doc.find("{\"number\":", pos), std::string::npos);  // no fourteenth
  EXPECT_NE(doc.find("{\"number\":3,\"caption\":\"Program ID Section\""), std::string::npos);
  EXPECT_NE(doc.find("{\"number\":11,\"caption\":\"Event Sounds\",\"name\":\"Sounds\""),
            std::string::npos);

  // total is the number of problems listed, and what the sections found.
  long long listed = 0;
  for (size_t at = doc.find("{\"index\":", problemsAt); at != std::string::npos;
       at = doc.find("{\"index\":", at + 1)) {
    EXPECT_EQ(NumberAfter(doc, "{\"index\":", at), listed);
    ++listed;
  }
  EXPECT_EQ(NumberAfter(doc, "{\"total\":"), listed);
  EXPECT_EQ(found, listed);
  DeleteSettings();
}

}  // namespace
}  // namespace corvanta
