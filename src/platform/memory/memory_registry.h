// An in-memory registry with Windows semantics, for tests: the seven
// predefined roots, names in UTF-8 that compare by NameUpper and keep their
// spelling, subkeys enumerated in that sorted order, values in insertion
// order, data stored as the port's bytes (texts in UTF-8), access rights checked per handle,
// HKEY_CLASSES_ROOT as a view of HKEY_LOCAL_MACHINE\Software\Classes.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/registry_api.h"

namespace corvanta {

class MemoryRegistry : public RegistryApi {
 public:
  MemoryRegistry();
  ~MemoryRegistry() override;

  std::int32_t OpenKeyEx(RegKey parent, const std::string& subKey, std::uint32_t access,
                         RegKey* out) override;
  std::int32_t CreateKeyEx(RegKey parent, const std::string& subKey, std::uint32_t access,
                           RegKey* out, std::uint32_t* disposition) override;
  std::int32_t CloseKey(RegKey key) override;
  std::int32_t FlushKey(RegKey key) override;
  std::int32_t QueryInfoKey(RegKey key, RegKeyInfo* info) override;
  std::int32_t EnumKeyEx(RegKey key, std::uint32_t index, char* name,
                         std::uint32_t* nameLen) override;
  std::int32_t EnumValue(RegKey key, std::uint32_t index, char* name, std::uint32_t* nameLen,
                         std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataLen) override;
  std::int32_t QueryValueEx(RegKey key, const std::string& name, std::uint32_t* type,
                            std::uint8_t* data, std::uint32_t* dataLen) override;
  std::int32_t SetValueEx(RegKey key, const std::string& name, std::uint32_t type,
                          const std::uint8_t* data, std::uint32_t size) override;
  std::int32_t DeleteKey(RegKey key, const std::string& subKey) override;
  std::int32_t DeleteValue(RegKey key, const std::string& name) override;

  // Seeding helpers: create missing keys along path (relative to root, no
  // leading "\") and set a value. They ignore access rights and test hooks.
  void CreateKey(std::uint32_t root, const std::string& path);
  void SetString(std::uint32_t root, const std::string& path, const std::string& name,
                 const std::string& text);  // REG_SZ with its NUL
  void SetExpandString(std::uint32_t root, const std::string& path, const std::string& name,
                       const std::string& text);  // REG_EXPAND_SZ with its NUL
  void SetDword(std::uint32_t root, const std::string& path, const std::string& name,
                std::uint32_t value);
  void SetRaw(std::uint32_t root, const std::string& path, const std::string& name,
              std::uint32_t type, const std::vector<std::uint8_t>& bytes);
  // Inspection helpers for tests (no access checks).
  bool HasKey(std::uint32_t root, const std::string& path) const;
  bool HasValue(std::uint32_t root, const std::string& path, const std::string& name) const;
  // Raw bytes of a value ({} if absent).
  std::vector<std::uint8_t> GetRaw(std::uint32_t root, const std::string& path,
                                   const std::string& name) const;
  // Number of handles open right now (to find leaks in tests).
  std::size_t OpenHandleCount() const;

  // Test hooks. DenyOpen: opening or creating the key at path with any of the
  // access bits in mask answers kERROR_ACCESS_DENIED. FailEnumeration: the
  // key answers every EnumKeyEx/EnumValue index with error (the key's counts
  // stay truthful).
  void DenyOpen(std::uint32_t root, const std::string& path, std::uint32_t accessMask);
  // DenyDelete: the key opens as usual, but deleting it or any of its values
  // answers kERROR_ACCESS_DENIED (key security that Wine does not enforce).
  void DenyDelete(std::uint32_t root, const std::string& path);
  void FailEnumeration(std::uint32_t root, const std::string& path,
                       std::int32_t error = kERROR_INVALID_HANDLE);

  struct Node;

 private:
  struct Handle;
  Node* RootNode(std::uint32_t root) const;
  Node* Resolve(RegKey key, std::int32_t* error) const;
  // Resolve, and check that the handle carries the rights in need.
  Node* ResolveFor(RegKey key, std::uint32_t need, std::int32_t* error) const;
  Handle* FindHandle(RegKey key) const;
  // The existing key at subKey below parent, or the error the real API gives.
  std::int32_t FindExisting(RegKey parent, const std::string& subKey, Node** out) const;
  Node* SeedPath(std::uint32_t root, const std::string& path);
  Node* FindPath(std::uint32_t root, const std::string& path) const;
  RegKey NewHandle(Node* node, std::uint32_t access);

  std::unique_ptr<Node> roots_[7];
  std::map<RegKey, std::unique_ptr<Handle>> handles_;
  RegKey nextHandle_ = 0x1000;
};

}  // namespace corvanta
