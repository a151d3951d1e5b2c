#pragma once

#include <cstdint>

namespace corvanta {

// Extends a 32-bit millisecond count that wraps every 49.7 days (GetTickCount)
// to 64 bits by counting the wraps it sees. Each wrap must be seen: call it at
// least once per wrap. Not thread-safe; callers that share one guard it.
class TickWraps {
 public:
  uint64_t Extend(uint32_t now) {
    if (now < last_) high_ += uint64_t{1} << 32;
    last_ = now;
    return high_ | now;
  }

 private:
  uint32_t last_ = 0;
  uint64_t high_ = 0;
};

}  // namespace corvanta
