// Finding the prefixes of a user over a made-up home folder with every
// launcher's layout, and the reader of Steam's key-value files.
#include "cli/native/prefix_discovery.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "cli/native/offline_cli.h"
#include "cli/native/vdf.h"

namespace corvanta {
namespace {

TEST(Vdf, ReadsBlocksLeavesAndErrors) {
  VdfNode doc;
  std::string error;
  ASSERT_TRUE(
      ParseVdf("// a comment\n\"libraryfolders\"\n{\n  \"0\" { \"path\" \"/a \\\"b\\\"\" "
               "\"apps\" { \"220\" \"1\" } }\n  1 \"/old\" [$LINUX]\n}\n",
               &doc, &error))
      << error;
  const VdfNode* folders = doc.Find("LibraryFolders");  // keys compare without case
  ASSERT_NE(folders, nullptr);
  ASSERT_EQ(folders->children.size(), 2u);
  EXPECT_EQ(folders->children[0].second.Text("PATH"), "/a \"b\"");
  EXPECT_TRUE(folders->children[0].second.Find("apps")->block);
  EXPECT_EQ(folders->children[1].first, "1");
  EXPECT_EQ(folders->children[1].second.value, "/old");
  EXPECT_EQ(folders->Text("missing"), "");

  const struct {
    const char* text;
    const char* error;
  } bad[] = {
      {"\"a\" {\n\"b\" \"c\"\n", "line 3: a { block is not closed"},
      {"\"a\" \"b\"\n}", "line 2: a } closes no block"},
      {"\"a\" { \"b\" }", "line 1: the key \"b\" has no value"},
      {"\"a\" \"unclosed", "line 1: a quoted string is not closed"},
      {"{ \"a\" \"b\" }", "line 1: a { block has no key"},
  };
  for (const auto& c : bad) {
    EXPECT_FALSE(ParseVdf(c.text, &doc, &error)) << c.text;
    EXPECT_EQ(error, c.error) << c.text;
  }
}

class Discovery : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/corvanta-discovery-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    root_ = tmpl;
    home_ = root_ + "/home";
  }
  void TearDown() override { std::system(("rm -rf '" + root_ + "'").c_str()); }

  // Writes the file, making its folders.
  void Write(const std::string& path, const std::string& text) {
    std::system(("mkdir -p '" + path.substr(0, path.rfind('/')) + "'").c_str());
    std::ofstream(path, std::ios::binary) << text;
  }
  // A prefix the native program can open: its Windows version and folder.
  void Prefix(const std::string& dir, const char* arch = "win32") {
    Write(dir + "/system.reg",
          std::string("WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=") +
              arch +
              "\n\n[Software\\\\Microsoft\\\\Windows NT\\\\CurrentVersion] 1700000000\n"
              "\"CurrentVersion\"=\"5.1\"\n\"SystemRoot\"=\"C:\\\\windows\"\n\n");
    mkdir((dir + "/drive_c").c_str(), 0755);
  }
  std::string root_, home_;
};

TEST_F(Discovery, FindsEachLaunchersPrefixesOnce) {
  const std::string steam = home_ + "/.local/share/Steam";
  const std::string library = root_ + "/games/SteamLibrary";
  Write(steam + "/steamapps/libraryfolders.vdf",
        "\"libraryfolders\"\n{\n\t\"0\"\n\t{\n\t\t\"path\"\t\t\"" + steam +
            "\"\n\t}\n\t\"1\"\n\t{\n\t\t\"path\"\t\t\"" + library + "\"\n\t}\n}\n");
  Prefix(steam + "/steamapps/compatdata/220/pfx", "win64");
  Write(steam + "/steamapps/appmanifest_220.acf",
        "\"AppState\"\n{\n\t\"appid\"\t\t\"220\"\n\t\"name\"\t\t\"Half-Life 2\"\n}\n");
  Prefix(steam + "/steamapps/compatdata/1000/pfx");  // no manifest: named by its id
  Prefix(library + "/steamapps/compatdata/440/pfx");
  Write(library + "/steamapps/appmanifest_440.acf",
        "\"AppState\" { \"name\" \"Team Fortress 2\" }");
  const std::string steam2 = home_ + "/.steam/steam";
  Prefix(steam2 + "/steamapps/compatdata/730/pfx");
  const std::string flatpak = home_ + "/.var/app/com.valvesoftware.Steam/.local/share/Steam";
  Prefix(flatpak + "/steamapps/compatdata/570/pfx");

  Write(home_ + "/.config/lutris/games/foo-1700000000.yml",
        "name: Foo Game\ngame:\n  exe: foo.exe\n  prefix: ~/Games/foo\n");
  Prefix(home_ + "/Games/foo");
  Write(home_ + "/.config/lutris/games/broken.yml", "game: [unclosed\n");

  const std::string custom = root_ + "/bottles-elsewhere";
  Write(home_ + "/.local/share/bottles/data.yml", "custom_bottles_path: " + custom + "\n");
  Prefix(custom + "/office");
  Write(custom + "/office/bottle.yml", "Name: Office 2010\nArch: win32\n");

  Write(home_ + "/.config/heroic/GamesConfig/Hades.json",
        "{\"Hades\": {\"winePrefix\": \"" + home_ + "/Games/Heroic/Prefixes/default/Hades\"}}");
  Prefix(home_ + "/Games/Heroic/Prefixes/default/Hades");

  Prefix(home_ + "/.wine", "win64");
  // Found again as $WINEPREFIX, and through a link in PlayOnLinux's folder.
  Write(home_ + "/.PlayOnLinux/wineprefix/.keep", "");
  ASSERT_EQ(symlink((steam + "/steamapps/compatdata/220/pfx").c_str(),
                    (home_ + "/.PlayOnLinux/wineprefix/HL2").c_str()),
            0);
  Write(home_ + "/.local/share/wineprefixes/unmade/drive_c/.keep", "");  // no system.reg

  DiscoveryPlaces places{home_, home_ + "/.local/share", home_ + "/.config", home_ + "/.wine/"};
  std::ostringstream notes;
  const std::vector<FoundPrefix> found = DiscoverPrefixes(places, notes);
  const std::vector<std::vector<std::string>> expected = {
      {home_ + "/.wine", "env", ".wine", "win64"},
      {steam + "/steamapps/compatdata/220/pfx", "steam", "Half-Life 2", "win64"},
      {steam + "/steamapps/compatdata/1000/pfx", "steam", "1000", "win32"},
      {library + "/steamapps/compatdata/440/pfx", "steam", "Team Fortress 2", "win32"},
      {steam2 + "/steamapps/compatdata/730/pfx", "steam", "730", "win32"},
      {flatpak + "/steamapps/compatdata/570/pfx", "steam", "570", "win32"},
      {home_ + "/Games/foo", "lutris", "Foo Game", "win32"},
      {custom + "/office", "bottles", "Office 2010", "win32"},
      {home_ + "/Games/Heroic/Prefixes/default/Hades", "heroic", "Hades", "win32"},
  };
  std::vector<std::vector<std::string>> got;
  for (const FoundPrefix& p : found) {
    got.push_back({p.path, p.source, p.name, p.arch});
    EXPECT_FALSE(p.running) << p.path;
  }
  EXPECT_EQ(got, expected);
  EXPECT_NE(notes.str().find("broken.yml\": yaml-cpp: error at line"), std::string::npos)
      << notes.str();
  EXPECT_EQ(notes.str().find("skipped", notes.str().find("skipped") + 1), std::string::npos)
      << "only the broken file has a note: " << notes.str();
}

TEST_F(Discovery, CommandsRunOverTheFoundPrefixes) {
  Prefix(home_ + "/.wine");
  const std::string broken = home_ + "/.local/share/wineprefixes/broken";
  Prefix(broken);
  Write(broken + "/user.reg", "not a registry file\n");
  setenv("HOME", home_.c_str(), 1);
  unsetenv("WINEPREFIX");
  unsetenv("XDG_DATA_HOME");
  unsetenv("XDG_CONFIG_HOME");
  auto run = [&](std::vector<std::string> args, std::string* out, std::string* err) {
    std::ostringstream o, e;
    const int rc = RunOfflineCli(args, root_ + "/corvanta-cli", o, e);
    *out = o.str();
    *err = e.str();
    return rc;
  };
  std::string out, err;
  ASSERT_EQ(run({"prefixes"}, &out, &err), 0) << err;
  EXPECT_NE(out.find("1   wine         win32  stopped  .wine  " + home_ + "/.wine\n"),
            std::string::npos)
      << out;
  // The worst status of the two, each section named, the progress on stderr.
  EXPECT_EQ(run({"--prefix", "all", "scan"}, &out, &err), 1);
  EXPECT_EQ(out.rfind("== .wine (wine): " + home_ + "/.wine\nOffline: ", 0), 0u) << out;
  EXPECT_NE(out.find("\n== broken (wine): " + broken + "\n"), std::string::npos) << out;
  EXPECT_NE(err.find("corvanta-cli: 2/2 " + broken + "\n"), std::string::npos) << err;
  EXPECT_NE(err.find("user.reg\" cannot be read"), std::string::npos) << err;
  // A number stands for the folder, for any command.
  EXPECT_EQ(run({"settings", "--prefix", "1"}, &out, &err), 0) << err;
  EXPECT_EQ(out.rfind("Offline: " + home_ + "/.wine (", 0), 0u) << out;
  EXPECT_EQ(run({"--prefix", "3", "scan"}, &out, &err), 2);
  EXPECT_NE(err.find("there is no prefix 3"), std::string::npos) << err;
  EXPECT_EQ(run({"--prefix", "all", "settings", "set", "AutoUpdate=1"}, &out, &err), 2);
  EXPECT_NE(err.find("--prefix all runs scan, repair or backups list"), std::string::npos) << err;
}

}  // namespace
}  // namespace corvanta
