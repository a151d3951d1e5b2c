// Entry point of the Windows test binary. These tests change HKLM and HKCU, so
// the binary first proves it runs under Wine in a prefix the test scripts made.
#include <windows.h>

#include <cstdio>
#include <string>

#include "gtest/gtest.h"
#include "support/wine_guard.h"

namespace {

std::string Env(const char* name) {
  char buf[4096];
  DWORD n = GetEnvironmentVariableA(name, buf, sizeof buf);
  return (n > 0 && n < sizeof buf) ? std::string(buf, n) : std::string();
}

corvanta::testing::GuardFacts CollectFacts() {
  corvanta::testing::GuardFacts f;
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  f.underWine = ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
  f.winePrefix = Env("WINEPREFIX");
  f.buildDir = CORVANTA_BUILD_DIR;
  f.expectedToken = Env("CORVANTA_TEST_TOKEN");
  if (f.underWine) {
    HANDLE h = CreateFileA("C:\\corvanta-test-prefix.token", GENERIC_READ, FILE_SHARE_READ, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      char buf[256];
      DWORD got = 0;
      if (ReadFile(h, buf, sizeof buf, &got, nullptr)) {
        f.tokenFileFound = true;
        f.tokenFileText.assign(buf, got);
      }
      CloseHandle(h);
    }
  }
  return f;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string refusal = corvanta::testing::GuardRefusal(CollectFacts());
  if (!refusal.empty()) {
    std::fprintf(stderr, "%s\n", refusal.c_str());
    return 3;
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
