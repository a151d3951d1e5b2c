// libFuzzer entry for the PE version-resource reader: any bytes give one text
// per name asked for, and never a fault.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/offline/pe_version_info.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace corvanta;
  static const std::vector<std::string> names{"CompanyName", "FileDescription", "FileVersion",
                                              "ProductName", "Comments"};
  const std::string file(reinterpret_cast<const char*>(data), size);
  for (std::uint16_t language : {0x409, 0x407, 0}) {
    if (PeVersionStrings(file, names, language).size() != names.size()) std::abort();
  }
  return 0;
}
