// The registry file reader: the inverse of the export writer. It reads the
// key headers, values and deletions of a registry file (REGEDIT4 in the code
// page, or version 5 as UTF-16LE) into UTF-8, and imports them into a
// registry, as the system's registry editor does, where none can run.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace corvanta {

class RegistryApi;

struct RegFileRecord {
  enum class Kind { Key, DeleteKey, Value, DeleteValue };
  Kind kind = Kind::Key;
  std::uint32_t root = 0;
  std::string keyPath;             // with its leading backslash; "" for the root itself
  std::string valueName;           // Value, DeleteValue: "" for the default value
  std::uint32_t type = 0;          // Value
  std::vector<std::uint8_t> data;  // texts (types 1, 2, 7) in UTF-8
};

// Every record of the file in file order, the lines of a hex list joined.
// Lines that are neither a header nor a value of a known root, and version 5
// text that is half a UTF-16 unit, are skipped; *skipped counts them when
// given. Nothing for a file of neither format.
std::vector<RegFileRecord> ParseRegFile(const std::string& bytes, int* skipped = nullptr);

// Whether two values of the type hold the same: texts compared without the
// NULs that end them (a file may spell the end with or without one).
bool SameValueData(std::uint32_t type, const std::vector<std::uint8_t>& a,
                   const std::vector<std::uint8_t>& b);

// Imports the file: creates the keys, sets the values, deletes what it
// deletes (a key with everything below it). A file with a line it cannot
// read exactly is refused before anything changes. False, with the first
// failure in error, when the file is refused or a record could not be
// applied; the records before and after it are applied still.
bool ImportRegFile(RegistryApi& api, const std::string& bytes, std::string* error);

}  // namespace corvanta
