#include "results/os_name.h"

namespace corvanta {

std::string OsNameFor(const OsVersion& v) {
  constexpr uint32_t kAny = 0xFFFFFFFFu;
  struct Row {
    uint32_t platformId, major, minor;
    const char* name;
  };
  // Tested in order, a later match overriding an earlier one (they never overlap).
  static const Row kRows[] = {
      {1, 4, 0, "Windows 95"},     {kAny, 4, 10, "Windows 98"},
      {kAny, 4, 90, "Windows ME"}, {kAny, 3, 51, "Windows NT 3.51"},
      {2, 4, 0, "Windows NT4.0"},  {kAny, 5, 0, "Windows 2000"},
      {kAny, 5, 1, "Windows XP"},  {kAny, 5, 2, "Windows .NET server"},
  };
  std::string name;
  for (const Row& r : kRows) {
    if ((r.platformId == kAny || r.platformId == v.platformId) && r.major == v.major &&
        r.minor == v.minor)
      name = r.name;
  }
  return name;
}

std::string GetOSName(System& system) {
  return OsNameFor(system.GetVersion());
}

}  // namespace corvanta
