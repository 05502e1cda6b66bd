#pragma once
#include <cstdint>

#include "Timer.h"

// Counts frames and prints a frames-per-second report every reportSeconds
// seconds; a period of 0 never reports.
class FrameTimer : public Timer {
 public:
  explicit FrameTimer(unsigned int seconds);
  void Reset();
  // Returns the milliseconds since the previous frame.
  uint32_t AddFrame();

 private:
  uint64_t frames;
  uint32_t reportStart;
  uint32_t reportSeconds;
};
