#pragma once
// High-resolution counter for the timing log: a monotonic clock read in
// nanoseconds, with its frequency in counts per second.

#include <chrono>
#include <cstdint>

inline std::int64_t performanceCounter()
{
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

inline std::int64_t performanceFrequency() { return 1000000000; }
