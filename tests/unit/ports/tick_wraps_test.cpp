#include "platform/tick_wraps.h"

#include <gtest/gtest.h>

namespace corvanta {
namespace {

TEST(TickWraps, CountsEachWrapOnceAndNeverGoesBack) {
  struct Step {
    uint32_t reading;
    uint64_t expected;
  };
  const Step steps[] = {
      {1000, 1000},
      {0xFFFFFF00u, 0xFFFFFF00u},
      {0xFFFFFF00u, 0xFFFFFF00u},    // the same reading again
      {5, (uint64_t{1} << 32) + 5},  // first wrap
      {0x7FFFFFFFu, (uint64_t{1} << 32) + 0x7FFFFFFFu},
      {3, (uint64_t{2} << 32) + 3},  // second wrap
      {4, (uint64_t{2} << 32) + 4},
  };
  TickWraps wraps;
  uint64_t last = 0;
  for (const Step& s : steps) {
    const uint64_t now = wraps.Extend(s.reading);
    EXPECT_EQ(now, s.expected) << "reading " << s.reading;
    EXPECT_GE(now, last);
    last = now;
  }
}

}  // namespace
}  // namespace corvanta
