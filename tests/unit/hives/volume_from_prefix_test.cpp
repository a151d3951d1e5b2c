// The offline tier's Windows volume: a stopped prefix's registry written as
// hives into its own C: drive (SOFTWARE under windows\system32\config, the
// user's NTUSER.DAT in the profile), so that --offline over drive_c can be
// compared with the online scan of the same prefix. Runs only when the tier
// names the prefix.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <sstream>
#include <string>

#include "hive_fixture.h"
#include "offline/wine_prefix.h"
#include "platform/text_convert.h"

namespace corvanta {
namespace {

TEST(VolumeFromPrefix, WritesThePrefixRegistryAsHives) {
  const char* prefix = std::getenv("CORVANTA_VOLUME_FROM_PREFIX");
  if (!prefix) GTEST_SKIP() << "no prefix named";
  std::string error;
  std::unique_ptr<OfflineSystem> system = OpenWinePrefix(prefix, "/corvanta-cli", &error);
  ASSERT_TRUE(system) << error;
  const std::string c = std::string(prefix) + "/drive_c";
  const std::string config = c + "/windows/system32/config";
  std::system(("mkdir -p '" + config + "'").c_str());
  const std::string profile = c + "/users/" + system->info().user;
  HiveStore software{config + "/SOFTWARE", kHKEY_LOCAL_MACHINE, "SOFTWARE"};
  HiveStore ntuser{profile + "/NTUSER.DAT", kHKEY_CURRENT_USER, ""};
  // Room for hives about sixteen times the registry files' text.
  struct stat st;
  std::size_t text = 0;
  for (const char* f : {"/system.reg", "/user.reg"})
    if (stat((std::string(prefix) + f).c_str(), &st) == 0)
      text += static_cast<std::size_t>(st.st_size);
  testing::WriteEmptyHive(software.FilePath(), 16 * text);
  testing::WriteEmptyHive(ntuser.FilePath(), 16 * text);
  RegistryApi& reg = system->memory();
  RegistryChanges all = testing::ChangesOf(reg, kHKEY_LOCAL_MACHINE, "Software");
  for (RegistryChange& ch : all) ch.path.replace(0, 8, "SOFTWARE");
  ASSERT_TRUE(software.Write(all, &error)) << error;
  RegistryChanges user;
  for (RegistryChange& ch : testing::ChangesOf(reg, kHKEY_CURRENT_USER, ""))
    if (!ch.path.empty() || ch.op != RegistryChange::Op::kCreateKey) user.push_back(std::move(ch));
  ASSERT_TRUE(ntuser.Write(user, &error)) << error;
  // The keys Wine keeps as links (a 64-bit prefix's shared and redirected
  // ones) are links in the hives too, as Windows keeps them.
  for (const auto& store : system->stores()) {
    for (const RegistryLink& link : store->Links()) {
      std::vector<std::string> path;
      std::istringstream parts(link.path);
      for (std::string part; std::getline(parts, part, '\\');) path.push_back(part);
      const bool machine = link.root == kHKEY_LOCAL_MACHINE;
      // Below HKLM only SOFTWARE is written, its hive's root the first name.
      if (machine && (path.empty() || Utf8Upper(path[0]) != "SOFTWARE")) continue;
      if (machine) path.erase(path.begin());
      EXPECT_TRUE(testing::MarkAsLink((machine ? software : ntuser).FilePath(), path)) << link.path;
    }
  }
  EXPECT_TRUE(testing::TrimHive(software.FilePath()));
  EXPECT_TRUE(testing::TrimHive(ntuser.FilePath()));
}

}  // namespace
}  // namespace corvanta
