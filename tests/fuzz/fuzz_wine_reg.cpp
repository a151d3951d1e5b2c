// libFuzzer entry for the Wine registry text format: any bytes read without a
// fault; a file that reads is written back unchanged by a write without
// changes, and its keys and values encoded anew read as the same tree.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/offline/wine_reg_format.h"
#include "platform/offline/wine_registry_store.h"

namespace {

using namespace corvanta;

struct Key {
  std::string path;
  std::vector<WineRegValue> values;
};

bool Read(const std::string& bytes, std::vector<Key>* tree) {
  std::string error;
  return ReadWineRegFile(
      bytes,
      [&](std::string&& path, bool) {
        tree->push_back({std::move(path), {}});
      },
      [&](WineRegValue&& v) {
        if (tree->empty()) std::abort();  // a value before any key
        tree->back().values.push_back(std::move(v));
      },
      &error);
}

bool Same(const std::vector<Key>& a, const std::vector<Key>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i].path != b[i].path || a[i].values.size() != b[i].values.size()) return false;
    for (std::size_t k = 0; k < a[i].values.size(); ++k) {
      const WineRegValue &x = a[i].values[k], &y = b[i].values[k];
      if (x.name != y.name || x.type != y.type || x.data != y.data) return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  std::vector<Key> tree;
  if (!Read(bytes, &tree)) return 0;

  std::string unchanged, error;
  if (!WineRegistryStore::ApplyChanges(bytes, {}, "", 0, &unchanged, &error)) std::abort();
  std::vector<Key> again;
  if (!Read(unchanged, &again) || !Same(tree, again)) std::abort();

  std::string encoded = "WINE REGISTRY Version 2\n\n";
  for (const Key& k : tree) {
    encoded += EncodeWineKeyHeader(k.path, 0);
    for (const WineRegValue& v : k.values) encoded += EncodeWineValue(v);
    encoded += "\n";
  }
  std::vector<Key> decoded;
  if (!Read(encoded, &decoded) || !Same(tree, decoded)) std::abort();
  return 0;
}
