#include "support/wine_guard.h"

#include <gtest/gtest.h>

namespace corvanta::testing {
namespace {

GuardFacts Good() {
  GuardFacts f;
  f.underWine = true;
  f.buildDir = "/src/corvanta/build/win32";
  f.winePrefix = "/src/corvanta/build/win32/wineprefix";
  f.expectedToken = "corvanta-1-2";
  f.tokenFileFound = true;
  f.tokenFileText = "corvanta-1-2";
  return f;
}

TEST(WineGuard, RunsOnlyInTheScriptsOwnPrefixInsideTheBuildTree) {
  EXPECT_EQ(GuardRefusal(Good()), "");

  GuardFacts f = Good();
  f.underWine = false;  // a real Windows machine
  EXPECT_NE(GuardRefusal(f).find("not running under Wine"), std::string::npos);

  f = Good();
  f.winePrefix = "";  // the user's default ~/.wine
  EXPECT_NE(GuardRefusal(f), "");

  f = Good();
  f.winePrefix = "/home/user/.wine";
  EXPECT_NE(GuardRefusal(f).find("not inside the build tree"), std::string::npos);

  f = Good();
  f.winePrefix = "/src/corvanta/build/win32-other/pfx";  // shares a prefix, not the tree
  EXPECT_NE(GuardRefusal(f), "");

  f = Good();
  f.winePrefix = "/src/corvanta/build/win32/../../elsewhere";
  EXPECT_NE(GuardRefusal(f), "");

  for (const char* sneaky : {"/src/corvanta/build/win32/..", "/src/corvanta/build/win32/./../x",
                             "/src/corvanta/build/win32//wineprefix"}) {
    f = Good();
    f.winePrefix = sneaky;
    EXPECT_NE(GuardRefusal(f), "") << sneaky;
  }

  f = Good();
  f.tokenFileFound = false;  // a prefix the scripts did not make
  EXPECT_NE(GuardRefusal(f).find("not made by the test scripts"), std::string::npos);

  f = Good();
  f.tokenFileText = "stale";
  EXPECT_NE(GuardRefusal(f), "");

  f = Good();
  f.expectedToken = "";
  f.tokenFileText = "";
  EXPECT_NE(GuardRefusal(f), "");
}

}  // namespace
}  // namespace corvanta::testing
