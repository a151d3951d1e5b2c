// Test hives: empty hives written by the test itself, filled through
// HiveStore::Write from a registry fixture that the memory platform also
// holds, so a scan over the loaded hives can be compared with one over it.
#pragma once

#include <ftw.h>
#include <gtest/gtest.h>
#include <hivex.h>
#include <stdlib.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/memory/memory_platform.h"
#include "platform/offline/hive/hive_store.h"
#include "support/empty_hive.h"

namespace corvanta::testing {

// The scratch folders of this run, removed when the test binary ends.
struct ScratchFolders {
  std::vector<std::string> paths;
  ~ScratchFolders() {
    for (const std::string& p : paths) {
      nftw(
          p.c_str(),
          [](const char* path, const struct stat*, int, struct FTW*) { return ::remove(path); }, 16,
          FTW_DEPTH | FTW_PHYS);
    }
  }
};

// A file's bytes, "" when it cannot be read.
inline std::string FileBytes(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// A fresh folder under the test's temporary folder.
inline std::string MakeScratchFolder() {
  static ScratchFolders folders;
  std::string tmpl = ::testing::TempDir() + "/corvanta-hives-XXXXXX";
  if (!mkdtemp(tmpl.data())) ADD_FAILURE() << "mkdtemp failed";
  folders.paths.push_back(tmpl);
  return tmpl;
}

// Every key and value below root\path as the changes that create them, in
// pre-order, skipping the subtree at skip (below root) when given.
inline RegistryChanges ChangesOf(RegistryApi& reg, std::uint32_t root, const std::string& path,
                                 const std::string& skip = "") {
  RegistryChanges out;
  std::vector<std::string> todo{path};
  while (!todo.empty()) {
    const std::string p = todo.back();
    todo.pop_back();
    if (!skip.empty() && IsAtOrBelow(p, skip)) continue;
    RegKey key = 0;
    if (reg.OpenKeyEx(root, p, kKEY_READ, &key) != kERROR_SUCCESS) continue;
    out.push_back({RegistryChange::Op::kCreateKey, root, p, "", 0, {}});
    RegKeyInfo info;
    reg.QueryInfoKey(key, &info);
    for (std::uint32_t i = 0; i < info.values; ++i) {
      std::vector<char> name(info.maxValueNameLen + 1);
      std::vector<std::uint8_t> data(info.maxValueLen + 1);
      std::uint32_t nameLen = static_cast<std::uint32_t>(name.size()), type = 0;
      std::uint32_t dataLen = static_cast<std::uint32_t>(data.size());
      if (reg.EnumValue(key, i, name.data(), &nameLen, &type, data.data(), &dataLen)) break;
      data.resize(dataLen);
      out.push_back(
          {RegistryChange::Op::kSetValue, root, p, std::string(name.data(), nameLen), type, data});
    }
    std::vector<std::string> children;
    for (std::uint32_t i = 0; i < info.subKeys; ++i) {
      std::vector<char> name(info.maxSubKeyLen + 1);
      std::uint32_t len = static_cast<std::uint32_t>(name.size());
      if (reg.EnumKeyEx(key, i, name.data(), &len)) break;
      children.push_back((p.empty() ? "" : p + "\\") + std::string(name.data(), len));
    }
    todo.insert(todo.end(), children.rbegin(), children.rend());
    reg.CloseKey(key);
  }
  return out;
}

// A system's three hives in a scratch folder, mounted as the offline
// registry mounts them.
struct TestHives {
  std::string folder = MakeScratchFolder();
  HiveStore software{folder + "/SOFTWARE", kHKEY_LOCAL_MACHINE, "SOFTWARE"};
  HiveStore ntuser{folder + "/NTUSER.DAT", kHKEY_CURRENT_USER, ""};
  HiveStore classes{folder + "/UsrClass.dat", kHKEY_CURRENT_USER, "Software\\Classes"};

  TestHives() {
    ntuser.Exclude("Software\\Classes");
    for (HiveStore* s : Stores()) WriteEmptyHive(s->FilePath());
  }
  std::vector<HiveStore*> Stores() { return {&software, &ntuser, &classes}; }

  // Writes what reg holds below HKLM\SOFTWARE and HKCU into the hives.
  void FillFrom(RegistryApi& reg) {
    RegistryChanges all = ChangesOf(reg, kHKEY_LOCAL_MACHINE, "SOFTWARE");
    for (RegistryChange& c : ChangesOf(reg, kHKEY_CURRENT_USER, "")) {
      if (!c.path.empty() || c.op != RegistryChange::Op::kCreateKey) all.push_back(std::move(c));
    }
    for (HiveStore* s : Stores()) {
      std::string error;
      ASSERT_TRUE(s->Write(all, &error)) << error;
    }
  }
  void LoadInto(MemoryRegistry& reg) {
    for (HiveStore* s : Stores()) {
      std::string error;
      ASSERT_TRUE(s->Load(reg, &error)) << error;
    }
  }
};

// An open hive for reading it back.
struct OpenHive {
  hive_h* h;
  explicit OpenHive(const std::string& file) : h(hivex_open(file.c_str(), 0)) {}
  ~OpenHive() {
    if (h) hivex_close(h);
  }
  // The node at a path of UTF-8 names, or 0.
  hive_node_h Node(const std::vector<std::string>& path) const {
    hive_node_h node = hivex_root(h);
    for (const std::string& name : path) {
      if (!node) return 0;
      node = hivex_node_get_child(h, node, name.c_str());
    }
    return node;
  }
  hive_value_h Value(const std::vector<std::string>& path, const std::string& name) const {
    const hive_node_h node = Node(path);
    return node ? hivex_node_get_value(h, node, name.c_str()) : 0;
  }
};

// Flags the key at path (UTF-8 names below the hive's root) as a link
// (KEY_SYM_LINK), which hivex cannot do: in its cell, found through hivex's
// node handle, which is the cell's offset in the file.
inline bool MarkAsLink(const std::string& file, const std::vector<std::string>& path) {
  hive_node_h node = 0;
  {
    OpenHive h(file);
    if (!h.h || !(node = h.Node(path))) return false;
  }
  std::fstream f(file, std::ios::binary | std::ios::in | std::ios::out);
  char flags = 0;
  f.seekg(static_cast<std::streamoff>(node + 6));
  f.read(&flags, 1);
  flags = static_cast<char>(flags | 0x10);
  f.seekp(static_cast<std::streamoff>(node + 6));
  f.write(&flags, 1);
  return static_cast<bool>(f);
}

}  // namespace corvanta::testing
