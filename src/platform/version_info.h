// A file's version strings, from the string table of its version resource.
#pragma once

#include <string>
#include <vector>

namespace corvanta {

class VersionInfo {
 public:
  virtual ~VersionInfo() = default;

  // Looks each name ("InternalName", "FileVersion", ...) up in the string
  // table of the first language and code page of the file's translation
  // table and returns one text per name, "" for a string the table lacks.
  // All texts are "" when the file has no version information or no
  // translation table.
  virtual std::vector<std::string> QueryStrings(const std::string& path,
                                                const std::vector<std::string>& names) = 0;
};

}  // namespace corvanta
