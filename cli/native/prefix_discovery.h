// Finds the Wine prefixes of the current user: the ones Wine itself and the
// game launchers (Steam's compatibility tool, Lutris, Bottles, Heroic,
// PlayOnLinux) keep, each listed once.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace corvanta {

struct FoundPrefix {
  std::string path;      // the folder as it was found
  std::string source;    // "env", "wine", "steam", "lutris", "bottles", "heroic", "playonlinux"
  std::string name;      // the game's or bottle's name, else the folder's
  std::string arch;      // "#arch=" of system.reg ("win32", "win64"), "" when it has none
  bool running = false;  // its wineserver runs
};

// Where the user's files are: the home folder and the variables that move
// parts of it.
struct DiscoveryPlaces {
  std::string home;
  std::string dataHome;    // $XDG_DATA_HOME, else home/.local/share
  std::string configHome;  // $XDG_CONFIG_HOME, else home/.config
  std::string winePrefix;  // $WINEPREFIX, may be ""

  // The places of this process's user.
  static DiscoveryPlaces FromEnvironment();
};

// Every prefix found, in the order of the sources above. A folder counts when
// it holds system.reg and drive_c; one reached twice (a link, two launchers)
// is listed the first time. A launcher's file that cannot be read is skipped
// with a line on notes.
std::vector<FoundPrefix> DiscoverPrefixes(const DiscoveryPlaces& places, std::ostream& notes);

}  // namespace corvanta
