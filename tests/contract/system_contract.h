// What the program relies on of the process and OS port, checked on the
// memory double and on the real system alike.
//
// An environment type E provides: System& system(); std::string
// libraryWithoutEntry() (a library that loads but has no restore point entry).
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/system.h"

namespace corvanta::contract {

template <typename E>
class SystemContract : public ::testing::Test {
 protected:
  E env;
  System& sys() { return env.system(); }
};

TYPED_TEST_SUITE_P(SystemContract);

TYPED_TEST_P(SystemContract, ExecutablePathAndFolder) {
  const std::string path = this->sys().ExecutablePath();
  const std::string folder = this->sys().ExecutableFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '\\');
  EXPECT_EQ(path.compare(0, folder.size(), folder), 0) << path << " / " << folder;
  EXPECT_GT(path.size(), folder.size());
  EXPECT_EQ(path.find('\\', folder.size()), std::string::npos);
}

TYPED_TEST_P(SystemContract, ClockMovesWithSleep) {
  const LocalDateTime now = this->sys().Now();
  EXPECT_GE(now.year, 2000);
  EXPECT_TRUE(now.month >= 1 && now.month <= 12);
  EXPECT_TRUE(now.day >= 1 && now.day <= 31);
  EXPECT_TRUE(now.hour >= 0 && now.hour <= 23);
  EXPECT_TRUE(now.minute >= 0 && now.minute <= 59);
  EXPECT_TRUE(now.second >= 0 && now.second <= 60);
  EXPECT_TRUE(now.ms >= 0 && now.ms <= 999);
  const uint64_t before = this->sys().TickCount();
  this->sys().Sleep(30);
  // Tick resolution can be coarse (10-16 ms) on the real system.
  EXPECT_GE(this->sys().TickCount() - before, 14u);
}

TYPED_TEST_P(SystemContract, VersionAndPrivileges) {
  const OsVersion v = this->sys().GetVersion();
  EXPECT_TRUE(v.platformId == 1 || v.platformId == 2) << v.platformId;
  EXPECT_GE(v.major, 4u);
  this->sys().EnableAllPrivileges();  // must not fail, whatever the token holds
  this->sys().EnableAllPrivileges();
}

TYPED_TEST_P(SystemContract, RestorePointLibraryAndEntryLookup) {
  RestorePointRequest req;
  req.eventType = 100;
  req.description = "Corvanta Restore Point";
  EXPECT_EQ(this->sys().CallRestorePoint("corvanta-no-such-library.dll", "SRSetRestorePointA", req),
            RestorePointResult::LibraryMissing);
  EXPECT_EQ(
      this->sys().CallRestorePoint(this->env.libraryWithoutEntry(), "SRSetRestorePointA", req),
      RestorePointResult::EntryMissing);
}

REGISTER_TYPED_TEST_SUITE_P(SystemContract, ExecutablePathAndFolder, ClockMovesWithSleep,
                            VersionAndPrivileges, RestorePointLibraryAndEntryLookup);

}  // namespace corvanta::contract
