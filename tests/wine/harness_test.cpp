#include <gtest/gtest.h>
#include <windows.h>

// The guard let us in: this is Wine, and C: is the throwaway prefix's drive.
TEST(WineHarness, RunsInsideTheTestPrefix) {
  char windir[MAX_PATH] = {};
  ASSERT_GT(GetWindowsDirectoryA(windir, MAX_PATH), 0u);
  EXPECT_EQ(GetFileAttributesA("C:\\corvanta-test-prefix.token") & FILE_ATTRIBUTE_DIRECTORY, 0u);
}
