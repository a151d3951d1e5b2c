#include "platform/memory/memory_version_info.h"

#include <cctype>

namespace corvanta {

std::string MemoryVersionInfo::Key(const std::string& path) {
  std::string key = path;
  for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return key;
}

void MemoryVersionInfo::SetStrings(const std::string& path,
                                   const std::map<std::string, std::string>& strings) {
  files_[Key(path)] = strings;
}

std::vector<std::string> MemoryVersionInfo::QueryStrings(const std::string& path,
                                                         const std::vector<std::string>& names) {
  queried_.push_back(path);
  std::vector<std::string> values(names.size());
  auto file = files_.find(Key(path));
  if (file == files_.end()) return values;
  for (std::size_t i = 0; i < names.size(); ++i) {
    auto s = file->second.find(names[i]);
    if (s != file->second.end()) values[i] = s->second;
  }
  return values;
}

}  // namespace corvanta
