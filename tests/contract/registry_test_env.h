// A registry adapter plus fresh scratch keys for the registry contract suites:
// HKCU\Software\CorvantaTest\<unique> and HKLM\Software\CorvantaTest\<unique>,
// deleted again (with everything below) when the test ends.
#pragma once

#include <chrono>
#include <string>

#include "platform/registry.h"
#include "platform/registry_api.h"

namespace corvanta::testing {

template <class ApiT>
class RegistryTestEnv {
 public:
  using Api = ApiT;

  void SetUp() {
    static int counter = 0;
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    unique_ = std::to_string(++counter) + "-" + std::to_string(ticks % 1000000007);
    user_ = "Software\\CorvantaTest\\" + unique_;
    machine_ = user_;
    classes_ = "Software\\Classes\\CorvantaTest-" + unique_;
    for (std::uint32_t root : {kHKEY_CURRENT_USER, kHKEY_LOCAL_MACHINE}) {
      RegKey key = 0;
      if (api_.CreateKeyEx(root, user_, kKEY_ALL_ACCESS, &key, nullptr) == kERROR_SUCCESS) {
        api_.CloseKey(key);
      }
    }
  }

  void TearDown() {
    TRegistry reg(api_);
    for (std::uint32_t root : {kHKEY_CURRENT_USER, kHKEY_LOCAL_MACHINE}) {
      reg.SetRootKey(root);
      reg.DeleteKey("\\" + user_);
      api_.DeleteKey(root, "Software\\CorvantaTest");  // only when empty
    }
    reg.SetRootKey(kHKEY_LOCAL_MACHINE);
    reg.DeleteKey("\\" + classes_);
  }

  ApiT& api() { return api_; }
  // Scratch key paths below their root (no leading backslash).
  const std::string& user() const { return user_; }
  const std::string& machine() const { return machine_; }
  // A name below HKLM\Software\Classes that the test may create; deleted at
  // the end.
  const std::string& classes() const { return classes_; }
  const std::string& unique() const { return unique_; }

 private:
  ApiT api_;
  std::string unique_, user_, machine_, classes_;
};

}  // namespace corvanta::testing
