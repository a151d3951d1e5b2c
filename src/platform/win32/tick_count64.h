#pragma once

#include <cstdint>

namespace corvanta {

// Milliseconds since the system started, without the 49.7-day wrap:
// GetTickCount64 where the system has it (Vista and later), else
// GetTickCount with its wraps counted.
uint64_t TickCount64();

}  // namespace corvanta
