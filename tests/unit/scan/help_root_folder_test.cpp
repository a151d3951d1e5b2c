// Help list values whose folder is the root "\" or a network folder: the
// path probed must be the one the folder names.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/scan_fixture.h"
#include "support/scan_probe_files.h"

namespace corvanta {
namespace {

TEST(HelpFiles, RootFolderIsNotTakenForANetworkFolder) {
  MemoryScan s;
  ProbeFileSystem probe(s.mem.files);
  Platform platform{s.mem.registry,    probe,         s.mem.system, s.mem.shell, s.mem.links,
                    s.mem.versionInfo, s.mem.process, s.mem.http};
  ScanEngine engine(s.reg, s.regex, platform, s.page, s.report, s.globals);
  const std::string help = "SOFTWARE\\Microsoft\\Windows\\Help";
  s.mem.files.AddFile("\\app.hlp");
  probe.AddExact("\\\\server\\help\\net.hlp");
  s.mem.registry.SetString(kHKEY_LOCAL_MACHINE, help, "app.hlp", "\\");
  s.mem.registry.SetString(kHKEY_LOCAL_MACHINE, help, "net.hlp", "\\\\server\\help");
  s.mem.registry.SetString(kHKEY_LOCAL_MACHINE, help, "gone.hlp", "\\");
  s.mem.registry.SetString(kHKEY_LOCAL_MACHINE, help, "gnet.hlp", "\\\\server\\\\gone\\");
  engine.RunSection(9);
  EXPECT_EQ((std::vector<std::string>{"\\app.hlp", "\\\\server\\help\\net.hlp", "\\gone.hlp",
                                      "\\\\server\\gone\\gnet.hlp"}),
            probe.fileProbes);
  ASSERT_EQ(2u, s.problems.size());
  EXPECT_EQ("gone.hlp", s.problems[0].ValueName);
  EXPECT_EQ("\\", s.problems[0].ValueData);
  EXPECT_EQ("gnet.hlp", s.problems[1].ValueName);
}

}  // namespace
}  // namespace corvanta
