// A hostile branch from corvanta_hostile_seed.exe with a fixed seed: the scans
// end, the results page opens, and a repair of everything it found, undone by
// importing its backup, gives back the branch byte for byte.
#include <gtest/gtest.h>
#include <windows.h>
// after windows.h
#include <psapi.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/main.h"
#include "backup/reg_export.h"
#include "cli/cli.h"
#include "platform/registry.h"
#include "platform/win32/win32_platform.h"
#include "ui/headless/headless_ui.h"
#include "wine/child_process.h"
#include "wine/ports_scratch.h"
#include "wine/regedit_import.h"

namespace corvanta {
namespace {

const char kBranch[] = "\\Software\\CorvantaHostile";

// A program of this build, by its DOS path (Wine shows / as Z:).
std::string BuildProgram(const std::string& relative) {
  std::string dos = "\"Z:" + std::string(CORVANTA_BUILD_DIR) + "/" + relative + "\"";
  for (char& c : dos)
    if (c == '/') c = '\\';
  return dos;
}

std::string Seeder(const std::string& args) {
  return BuildProgram("tests/corvanta_hostile_seed.exe") + " " + args;
}

// Runs the console program of this build on args, its output thrown away;
// its exit code and peak working set in bytes.
DWORD RunConsoleProgram(const std::string& args, SIZE_T* peak) {
  *peak = 0;
  HANDLE process =
      testing::StartChild(BuildProgram("cli/corvanta-cli.exe") + " " + args, nullptr, true);
  // Asked while it runs: an ended process answers nothing.
  using MemoryInfoFn = BOOL(WINAPI*)(HANDLE, PROCESS_MEMORY_COUNTERS*, DWORD);
  auto info = reinterpret_cast<MemoryInfoFn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "K32GetProcessMemoryInfo")));
  for (int i = 0; process && i < 6000 && WaitForSingleObject(process, 50) == WAIT_TIMEOUT; ++i) {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (info && info(process, &counters, sizeof counters) && counters.PeakWorkingSetSize > *peak)
      *peak = counters.PeakWorkingSetSize;
  }
  return testing::WaitChild(process, 10000);
}

// Gives the seeder's denied key an open access list again so it can go.
void UnlockDenied() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\CorvantaHostile\\Denied", 0, WRITE_DAC, &key) !=
      ERROR_SUCCESS)
    return;
  SECURITY_DESCRIPTOR sd;
  InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
  SetSecurityDescriptorDacl(&sd, TRUE, nullptr, FALSE);
  RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &sd);
  RegCloseKey(key);
}

std::vector<std::string> ExportBranch(RegistryApi& api, bool* complete) {
  std::vector<std::string> lines{kRegEditHeader};
  *complete = ExportRegKey(api, kHKEY_CURRENT_USER, kBranch, "", lines);
  return lines;
}

TEST(HostileRegistry, ScansEndAndARepairIsUndoneByteForByte) {
  ComScope com;
  Win32Platform win;
  TRegistry reg(win.registry);
  reg.SetRootKey(kHKEY_CURRENT_USER);
  UnlockDenied();
  reg.DeleteKey(kBranch);
  ASSERT_EQ(testing::RunChild(Seeder("20261208 300"), 300000), 0u);
  bool complete = true;
  const std::vector<std::string> before = ExportBranch(win.registry, &complete);
  EXPECT_FALSE(complete);  // the denied key's contents cannot be read

  // Meanwhile one value outside the branch keeps changing its size.
  HANDLE churn = testing::StartChild(Seeder("--churn 60"));
  ASSERT_NE(churn, nullptr);
  // Every section through the console program, in bounded memory.
  SIZE_T peak = 0;
  EXPECT_EQ(RunConsoleProgram("scan --sections 1,2,3,4,5,6,7,8,9,10,11,12,13 --json", &peak), 0u);
  EXPECT_GT(peak, 0u);
  EXPECT_LT(peak, static_cast<SIZE_T>(200) << 20) << peak;
  std::printf("console scan of every section: peak working set %lu KB\n",
              static_cast<unsigned long>(peak >> 10));

  // The deep scan through the window's controller, the results page, then a
  // repair of everything found in the hostile branch.
  wine::ScratchFolder scratch;
  wine::FolderSystem system(scratch.path() + "\\");
  Platform platform = win.WithSystem(system);
  HeadlessUi ui;
  TForm1 form(platform, ui.View());
  form.SetSaveOnDestroy(false);
  MainWindowView& m = ui.View().main;
  for (CheckBox* box : m.SectionBoxes()) box->SetChecked(false);
  m.cbSection13->SetChecked(true);
  m.cbSysRestore->SetChecked(false);
  m.cbBackup->SetChecked(true);
  form.DoScan();
  int inBranch = 0;
  for (TRegRecord& r : form.ProblemList()) {
    const bool hostile =
        r.RootKey == kHKEY_CURRENT_USER && r.KeyPath.find("\\CorvantaHostile") != std::string::npos;
    if (!hostile) r.Action = kActionIgnore;
    inBranch += hostile;
  }
  EXPECT_GT(inBranch, 50);
  // The denied key is said, not hidden.
  bool deniedNamed = false;
  for (const std::string& p : form.Globals().UnreadablePaths)
    deniedNamed = deniedNamed || p.find("CorvantaHostile\\Denied") != std::string::npos;
  EXPECT_TRUE(deniedNamed);
  EXPECT_NE(m.StatusBar->Caption().find("could not be read"), std::string::npos);
  HeadlessUi::H(m.ResultGroup).ClickItem(12);
  EXPECT_GT(m.ParamListBox->Count(), 1);
  HeadlessUi::H(m.btRepair).Press();
  TerminateProcess(churn, 0);
  testing::WaitChild(churn, 10000);
  EXPECT_GT(std::atoi(m.lbRepaired->Caption().c_str()), 50);
  std::vector<std::string> afterRepair = ExportBranch(win.registry, &complete);
  EXPECT_NE(afterRepair, before);

  std::string backup;
  Win32FileSystem files;
  for (const FindEntry& e : files.FindFiles(scratch.path() + "\\Backup\\*.reg", faAnyFile))
    backup = scratch.path() + "\\Backup\\" + e.name;
  ASSERT_FALSE(backup.empty());
  ASSERT_EQ(testing::ImportWithRegedit(backup), 0u);
  const std::vector<std::string> after = ExportBranch(win.registry, &complete);
  ASSERT_EQ(after.size(), before.size());
  for (std::size_t i = 0; i < before.size(); ++i)
    if (after[i] != before[i]) {
      ADD_FAILURE() << "line " << i << ":\n  before: " << before[i].substr(0, 200)
                    << "\n  after:  " << after[i].substr(0, 200);
      break;
    }
  UnlockDenied();
  reg.DeleteKey(kBranch);
  reg.DeleteKey("\\Software\\CorvantaChurn");
}

}  // namespace
}  // namespace corvanta
