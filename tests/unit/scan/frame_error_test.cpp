// A section whose walk raises still ends its frame before the error leaves
// the engine.
#include <gtest/gtest.h>

#include <string>

#include "scan/sections.h"
#include "support/scan_fixture.h"

namespace corvanta {
namespace {

TEST(FrameError, LinkObjectFailureEndsTheRowProgressAndKeyThenPropagates) {
  MemoryScan s;
  s.mem.links.AddShortcut("C:\\a\\x.lnk", "C:\\Old\\x.exe");
  s.mem.links.SetCreationFails(true);
  s.reg.SetRootKey(kHKEY_LOCAL_MACHINE);
  ASSERT_TRUE(s.reg.OpenKey("\\SOFTWARE", true));  // left open by an earlier caller
  EXPECT_THROW(s.Run(12), ShellLinkError);
  ASSERT_EQ(1u, s.page.rows.size());
  EXPECT_EQ("Invalid Shortcuts", s.page.rows[0].caption);
  EXPECT_EQ("Done.", s.page.rows[0].status);
  EXPECT_EQ("0", s.page.rows[0].errorsFound);
  EXPECT_EQ(kLampGreen, s.page.rows[0].stateImage);
  EXPECT_EQ(12, s.page.progress);
  EXPECT_EQ(0u, s.reg.CurrentKey());
  EXPECT_EQ(0u, s.mem.registry.OpenHandleCount());

  // A finding before the failure turns the lamp red.
  MemoryScan m;
  m.mem.shell.SetSpecialFolder(CSIDL_STARTMENU, "C:\\Me");
  m.mem.shell.SetSpecialFolder(CSIDL_COMMON_STARTMENU, "C:\\All");
  m.mem.links.AddShortcut("C:\\Me\\gone.lnk", "C:\\Old\\gone.exe");
  m.mem.links.AddShortcut("C:\\All\\all.lnk", "C:\\Old\\all.exe");
  m.page.onPump = [&m](int) {
    if (!m.problems.empty()) m.mem.links.SetCreationFails(true);
  };
  EXPECT_THROW(m.Run(8), ShellLinkError);
  ASSERT_EQ(1u, m.problems.size());
  ASSERT_EQ(1u, m.page.rows.size());
  EXPECT_EQ("Done.", m.page.rows[0].status);
  EXPECT_EQ("1", m.page.rows[0].errorsFound);
  EXPECT_EQ(kLampRed, m.page.rows[0].stateImage);
  EXPECT_EQ(8, m.page.progress);
}

}  // namespace
}  // namespace corvanta
