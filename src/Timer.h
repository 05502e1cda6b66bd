#pragma once
#include <cstdint>

// Whole-millisecond interval over SDL's tick counter. Differences are taken
// modulo 2^32, so an interval across the counter's wrap still comes out right.
class Timer {
 public:
  Timer();
  void Reset();
  void Stop();
  uint32_t GetInterval() const { return interval; }

 protected:
  uint32_t start;
  uint32_t stop;
  uint32_t interval;
};
