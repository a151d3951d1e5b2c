// The GUI's embedded manifest must load on every system it targets.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace corvanta {
namespace {

// The source tree: from the test environment, else from this file's place.
std::string SourceDir() {
  if (const char* env = std::getenv("CORVANTA_SOURCE_DIR")) return env;
  const std::string here = __FILE__;
  const std::string tail = "tests/unit/app/manifest_test.cpp";
  return here.size() > tail.size() ? here.substr(0, here.size() - tail.size()) : ".";
}

TEST(Manifest, TrustInfoInTheNamespaceOlderLoadersAcceptAndCommonControls6) {
  std::ifstream in(SourceDir() + "/src/main/corvanta.manifest");
  ASSERT_TRUE(in) << SourceDir();
  std::ostringstream text;
  text << in.rdbuf();
  const std::string m = text.str();
  // The asm.v3 namespace makes the loader of Windows XP before SP3 refuse the
  // program ("application configuration is incorrect"); asm.v2 is read by
  // XP and by later systems alike.
  EXPECT_EQ(m.find("asm.v3"), std::string::npos);
  EXPECT_NE(m.find("<trustInfo xmlns=\"urn:schemas-microsoft-com:asm.v2\">"), std::string::npos);
  EXPECT_NE(m.find("<requestedExecutionLevel level=\"requireAdministrator\" uiAccess=\"false\"/>"),
            std::string::npos);
  EXPECT_NE(m.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""),
            std::string::npos);
}

}  // namespace
}  // namespace corvanta
