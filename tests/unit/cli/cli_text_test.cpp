// The console program's texts are UTF-8: names in any script go out as they
// are, in JSON and in text. What JSON cannot carry (an unpaired surrogate,
// kept inside as WTF-8, or a stray byte) becomes U+FFFD, and nothing throws.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli/json_text.h"
#include "support/cli_fixture.h"

namespace corvanta {
namespace {

const char kUninstall[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const char kReplacement[] = "\xEF\xBF\xBD";

TEST(CliText, JsonAndTextCarryEveryCharacter) {
  const struct {
    const char* what;
    std::string name;
    bool valid;  // UTF-8 that JSON carries as it is
  } cases[] = {
      {"ASCII", "Plain", true},
      {"Latin-1", "Caf\xC3\xA9", true},
      {"Cyrillic", "\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD", true},
      {"CJK", "\xE5\xBC\xA0\xE4\xB8\x89 Editor", true},
      {"astral", "\xF0\x9F\x98\x80 Smile", true},
      {"quote and controls", "a\"b\tc\x01", true},
      {"unpaired surrogate", "a\xED\xA0\x80z", false},
      {"stray byte", "a\xFFz", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    testing::CliFixture cli;
    const std::string key = std::string(kUninstall) + "\\" + c.name;
    cli.mem.registry.SetString(kHKEY_LOCAL_MACHINE, key, "DisplayName", c.name);
    cli.mem.registry.SetString(kHKEY_LOCAL_MACHINE, key, "UninstallString", "C:\\gone\\u.exe");
    // The text as JSON carries it: exact, or with U+FFFD for what UTF-8 lacks.
    const auto carried = [&](const std::string& got) {
      if (c.valid) return got == c.name;
      return got.front() == 'a' && got.back() == 'z' &&
             got.find(kReplacement) != std::string::npos && got.find('\xED') == std::string::npos &&
             got.find('\xFF') == std::string::npos;
    };

    ASSERT_EQ(cli({"scan", "--sections", "6", "--json"}), 0) << cli.err;
    nlohmann::ordered_json doc;
    ASSERT_NO_THROW(doc = nlohmann::ordered_json::parse(cli.out));
    ASSERT_EQ(doc["problems"].size(), 1u);
    const std::string keyPath = doc["problems"][0]["keyPath"];
    const std::string prefix = std::string(kUninstall) + "\\";
    ASSERT_EQ(keyPath.rfind(prefix, 0), 0u) << keyPath;
    EXPECT_TRUE(carried(keyPath.substr(prefix.size()))) << keyPath;
    // Written piece by piece, yet the bytes of the whole document dumped.
    EXPECT_EQ(DumpJson(doc) + "\n", cli.out);

    ASSERT_EQ(cli({"scan", "--sections", "6"}), 0) << cli.err;
    EXPECT_NE(cli.out.find("\\Uninstall\\" + c.name + "\n"), std::string::npos) << cli.out;

    ASSERT_EQ(cli({"uninstall", "list", "--json"}), 0) << cli.err;
    ASSERT_NO_THROW(doc = nlohmann::ordered_json::parse(cli.out));
    ASSERT_EQ(doc["entries"].size(), 1u);
    EXPECT_TRUE(carried(doc["entries"][0]["name"])) << cli.out;
    EXPECT_TRUE(carried(doc["entries"][0]["key"])) << cli.out;
    ASSERT_EQ(cli({"uninstall", "list"}), 0) << cli.err;
    EXPECT_EQ(cli.out.rfind("[0] " + c.name + "\t", 0), 0u) << cli.out;
  }
}

}  // namespace
}  // namespace corvanta
