// The least a deep scan must do: open every key below HKLM\SOFTWARE and
// HKCU\Software relative to its open parent, list its values with their type
// and data in one call each, and close it. The benchmark's yardstick.
//   corvanta_reg_walk.exe       prints "keys N values N bytes N"
#include <windows.h>

#include <cstdio>
#include <vector>

namespace {

struct Counts {
  unsigned long long keys = 0, values = 0, bytes = 0;
};

void Walk(HKEY key, Counts& c, std::vector<char>& name, std::vector<BYTE>& data) {
  ++c.keys;
  DWORD subKeys = 0, maxSubKey = 0, values = 0, maxValueName = 0, maxValue = 0;
  if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subKeys, &maxSubKey, nullptr, &values,
                       &maxValueName, &maxValue, nullptr, nullptr) != ERROR_SUCCESS)
    return;
  if (name.size() < maxValueName + 1u) name.resize(maxValueName + 1u);
  if (data.size() < maxValue + 1u) data.resize(maxValue + 1u);
  for (DWORD i = 0; i < values; ++i) {
    DWORD nameLen = static_cast<DWORD>(name.size()), type = 0;
    DWORD dataLen = static_cast<DWORD>(data.size());
    const LONG rc =
        RegEnumValueA(key, i, name.data(), &nameLen, nullptr, &type, data.data(), &dataLen);
    if (rc == ERROR_MORE_DATA && dataLen > data.size()) {  // grew since the count
      data.resize(dataLen);
      --i;
      continue;
    }
    if (rc != ERROR_SUCCESS) break;
    ++c.values;
    c.bytes += dataLen;
  }
  std::vector<char> sub(maxSubKey + 1u);
  for (DWORD i = 0; i < subKeys; ++i) {
    DWORD len = static_cast<DWORD>(sub.size());
    if (RegEnumKeyExA(key, i, sub.data(), &len, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    HKEY child = nullptr;
    if (RegOpenKeyExA(key, sub.data(), 0, KEY_READ, &child) != ERROR_SUCCESS) continue;
    Walk(child, c, name, data);
    RegCloseKey(child);
  }
}

}  // namespace

int main() {
  Counts c;
  std::vector<char> name(256);
  std::vector<BYTE> data(4096);
  const struct {
    HKEY root;
    const char* path;
  } branches[] = {{HKEY_LOCAL_MACHINE, "SOFTWARE"}, {HKEY_CURRENT_USER, "Software"}};
  for (const auto& b : branches) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(b.root, b.path, 0, KEY_READ, &key) != ERROR_SUCCESS) return 1;
    Walk(key, c, name, data);
    RegCloseKey(key);
  }
  std::printf("keys %llu values %llu bytes %llu\n", c.keys, c.values, c.bytes);
  return 0;
}
