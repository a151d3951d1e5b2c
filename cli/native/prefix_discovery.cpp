#include "cli/native/prefix_discovery.h"

#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <yaml-cpp/yaml.h>

#include <algorithm>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <set>
#include <utility>

#include "cli/native/vdf.h"
#include "offline/wine_prefix.h"
#include "platform/offline/wine_registry_store.h"  // ReadHostFile

namespace corvanta {

namespace {

bool IsFile(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string Leaf(const std::string& path) {
  return path.substr(path.find_last_of('/') + 1);
}

// The names in a folder (sub-folders, or files ending in suffix), sorted.
std::vector<std::string> Entries(const std::string& dir, bool folders,
                                 const std::string& suffix = std::string()) {
  std::vector<std::string> names;
  if (DIR* d = opendir(dir.c_str())) {
    while (const dirent* e = readdir(d)) {
      const std::string name = e->d_name;
      if (name == "." || name == "..") continue;
      const std::string path = dir + "/" + name;
      if (folders ? !IsHostDirectory(path)
                  : !IsFile(path) || name.size() < suffix.size() ||
                        name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
        continue;
      names.push_back(name);
    }
    closedir(d);
  }
  std::sort(names.begin(), names.end());
  return names;
}

// "#arch=win64" near the top of system.reg.
std::string PrefixArch(const std::string& systemReg) {
  std::string text, error;
  if (!ReadHostFile(systemReg, &text, &error)) return std::string();
  const std::size_t at = text.find("\n#arch=");
  if (at == std::string::npos || at > 4096) return std::string();
  std::string arch = text.substr(at + 7, text.find('\n', at + 1) - at - 7);
  while (!arch.empty() && (arch.back() == '\r' || arch.back() == ' ')) arch.pop_back();
  return arch;
}

// A scalar of a YAML map, "" when the map has no such scalar.
std::string YamlText(const YAML::Node& map, const char* key) {
  if (!map.IsMap()) return std::string();
  const YAML::Node value = map[key];
  return value.IsScalar() ? value.as<std::string>() : std::string();
}

class Finder {
 public:
  Finder(const DiscoveryPlaces& places, std::ostream& notes) : places_(places), notes_(notes) {}

  std::vector<FoundPrefix> Run() {
    if (!places_.winePrefix.empty()) Add(Expand(places_.winePrefix), "env", std::string());
    Add(places_.home + "/.wine", "wine", std::string());
    EachFolder(places_.dataHome + "/wineprefixes", "wine");
    Steam();
    Lutris();
    Bottles();
    Heroic();
    EachFolder(places_.home + "/.PlayOnLinux/wineprefix", "playonlinux");
    return std::move(found_);
  }

 private:
  // "~/x" as the launchers write it, relative to the home folder.
  std::string Expand(const std::string& path) const {
    if (path == "~") return places_.home;
    if (path.compare(0, 2, "~/") == 0) return places_.home + path.substr(1);
    return path;
  }

  // Lists dir when it is a prefix not listed yet; true when it is a prefix.
  bool Add(std::string dir, const std::string& source, const std::string& name) {
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    if (dir.empty() || !IsFile(dir + "/system.reg") || !IsHostDirectory(dir + "/drive_c"))
      return false;
    struct stat st;
    if (stat(dir.c_str(), &st) != 0) return false;
    if (!seen_.insert({st.st_dev, st.st_ino}).second) return true;
    FoundPrefix p;
    p.path = dir;
    p.source = source;
    p.name = name.empty() ? Leaf(dir) : name;
    p.arch = PrefixArch(dir + "/system.reg");
    p.running = !WineServerRunning(dir).empty();
    found_.push_back(std::move(p));
    return true;
  }

  // A folder the launcher hands Proton holds the prefix in pfx/.
  bool AddEither(const std::string& dir, const std::string& source, const std::string& name) {
    const std::string shown = name.empty() ? Leaf(dir) : name;
    return Add(dir, source, shown) || Add(dir + "/pfx", source, shown);
  }

  void EachFolder(const std::string& dir, const std::string& source) {
    for (const std::string& name : Entries(dir, true)) Add(dir + "/" + name, source, name);
  }

  bool Read(const std::string& file, std::string* text) {
    std::string error;
    if (ReadHostFile(file, text, &error)) return true;
    Note(file, error);
    return false;
  }

  void Note(const std::string& file, const std::string& why) {
    notes_ << "corvanta-cli: note: skipped \"" << file << "\": " << why << "\n";
  }

  // The file's YAML document, null (with a note) when it cannot be read.
  bool LoadYaml(const std::string& file, YAML::Node* doc) {
    std::string text;
    if (!Read(file, &text)) return false;
    try {
      *doc = YAML::Load(text);
      return true;
    } catch (const YAML::Exception& e) {
      Note(file, e.what());
      return false;
    }
  }

  bool LoadVdf(const std::string& file, VdfNode* doc) {
    std::string text, error;
    if (!Read(file, &text)) return false;
    if (ParseVdf(text, doc, &error)) return true;
    Note(file, error);
    return false;
  }

  // Each Steam root, each library it lists, each game's compatdata/<appid>/pfx.
  void Steam() {
    std::vector<std::string> libraries;
    std::set<std::pair<dev_t, ino_t>> seenLibraries;
    auto library = [&](const std::string& dir) {
      struct stat st;
      if (stat((dir + "/steamapps").c_str(), &st) == 0 &&
          seenLibraries.insert({st.st_dev, st.st_ino}).second)
        libraries.push_back(dir);
    };
    for (const std::string& root :
         {places_.dataHome + "/Steam", places_.home + "/.local/share/Steam",
          places_.home + "/.steam/steam",
          places_.home + "/.var/app/com.valvesoftware.Steam/.local/share/Steam"}) {
      if (!IsHostDirectory(root + "/steamapps")) continue;
      library(root);
      const std::string list = root + "/steamapps/libraryfolders.vdf";
      VdfNode doc;
      if (!IsFile(list) || !LoadVdf(list, &doc)) continue;
      const VdfNode* folders = doc.Find("libraryfolders");
      if (!folders) continue;
      for (const auto& [key, entry] : folders->children) {
        // Newer files give each library a block with its "path"; older ones
        // map a number to the path.
        const std::string path = entry.block ? entry.Text("path")
                                 : key.find_first_not_of("0123456789") == std::string::npos
                                     ? entry.value
                                     : std::string();
        if (!path.empty()) library(Expand(path));
      }
    }
    for (const std::string& lib : libraries) {
      const std::string compat = lib + "/steamapps/compatdata";
      std::vector<std::string> apps = Entries(compat, true);
      std::sort(apps.begin(), apps.end(), [](const std::string& a, const std::string& b) {
        return a.size() != b.size() ? a.size() < b.size() : a < b;
      });
      for (const std::string& app : apps) {
        const std::string pfx = compat + "/" + app + "/pfx";
        if (IsFile(pfx + "/system.reg")) Add(pfx, "steam", SteamGameName(libraries, app));
      }
    }
  }

  // The name in the game's appmanifest in any library, else its app id.
  std::string SteamGameName(const std::vector<std::string>& libraries, const std::string& app) {
    for (const std::string& lib : libraries) {
      const std::string manifest = lib + "/steamapps/appmanifest_" + app + ".acf";
      VdfNode doc;
      if (!IsFile(manifest) || !LoadVdf(manifest, &doc)) continue;
      const VdfNode* state = doc.Find("AppState");
      const std::string name = state ? state->Text("name") : std::string();
      if (!name.empty()) return name;
    }
    return app;
  }

  void Lutris() {
    for (const std::string& dir :
         {places_.configHome + "/lutris/games", places_.dataHome + "/lutris/games"}) {
      for (const std::string& file : Entries(dir, false, ".yml")) {
        YAML::Node doc;
        if (!LoadYaml(dir + "/" + file, &doc) || !doc.IsMap()) continue;
        const std::string prefix = YamlText(doc["game"], "prefix");
        if (!prefix.empty()) Add(Expand(prefix), "lutris", YamlText(doc, "name"));
      }
    }
    EachFolder(places_.home + "/Games", "lutris");
  }

  void Bottles() {
    for (const std::string& base :
         {places_.dataHome + "/bottles",
          places_.home + "/.var/app/com.usebottles.bottles/data/bottles"}) {
      std::vector<std::string> folders = {base + "/bottles"};
      YAML::Node data;
      if (IsFile(base + "/data.yml") && LoadYaml(base + "/data.yml", &data)) {
        const std::string custom = YamlText(data, "custom_bottles_path");
        if (!custom.empty()) folders.push_back(Expand(custom));
      }
      for (const std::string& folder : folders) {
        for (const std::string& leaf : Entries(folder, true)) {
          const std::string bottle = folder + "/" + leaf;
          if (!IsFile(bottle + "/system.reg")) continue;
          YAML::Node config;
          std::string name;
          if (IsFile(bottle + "/bottle.yml") && LoadYaml(bottle + "/bottle.yml", &config))
            name = YamlText(config, "Name");
          Add(bottle, "bottles", name);
        }
      }
    }
  }

  void Heroic() {
    for (const std::string& config :
         {places_.configHome + "/heroic",
          places_.home + "/.var/app/com.heroicgameslauncher.hgl/config/heroic"}) {
      const std::string dir = config + "/GamesConfig";
      for (const std::string& file : Entries(dir, false, ".json")) {
        std::string text;
        if (!Read(dir + "/" + file, &text)) continue;
        const nlohmann::json doc = nlohmann::json::parse(text, nullptr, false);
        if (doc.is_discarded() || !doc.is_object()) {
          Note(dir + "/" + file, "not a JSON object");
          continue;
        }
        for (const auto& [game, settings] : doc.items()) {
          if (settings.is_object() && settings.contains("winePrefix") &&
              settings["winePrefix"].is_string())
            AddEither(Expand(settings["winePrefix"].get<std::string>()), "heroic", std::string());
        }
      }
    }
    // Heroic's own prefixes folder: one per game, directly or below a
    // folder of the Wine build that made it.
    const std::string prefixes = places_.home + "/Games/Heroic/Prefixes";
    for (const std::string& leaf : Entries(prefixes, true)) {
      const std::string dir = prefixes + "/" + leaf;
      if (AddEither(dir, "heroic", std::string())) continue;
      for (const std::string& inner : Entries(dir, true))
        AddEither(dir + "/" + inner, "heroic", std::string());
    }
  }

  const DiscoveryPlaces& places_;
  std::ostream& notes_;
  std::vector<FoundPrefix> found_;
  std::set<std::pair<dev_t, ino_t>> seen_;
};

}  // namespace

DiscoveryPlaces DiscoveryPlaces::FromEnvironment() {
  auto env = [](const char* name) {
    const char* v = std::getenv(name);
    return std::string(v ? v : "");
  };
  DiscoveryPlaces p;
  p.home = env("HOME");
  if (p.home.empty())
    if (const passwd* pw = getpwuid(getuid())) p.home = pw->pw_dir ? pw->pw_dir : "";
  p.dataHome = env("XDG_DATA_HOME");
  if (p.dataHome.empty()) p.dataHome = p.home + "/.local/share";
  p.configHome = env("XDG_CONFIG_HOME");
  if (p.configHome.empty()) p.configHome = p.home + "/.config";
  p.winePrefix = env("WINEPREFIX");
  return p;
}

std::vector<FoundPrefix> DiscoverPrefixes(const DiscoveryPlaces& places, std::ostream& notes) {
  return Finder(places, notes).Run();
}

}  // namespace corvanta
