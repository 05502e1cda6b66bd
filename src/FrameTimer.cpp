#include "FrameTimer.h"

#include <SDL.h>

#include <cstdio>

// The base's constructor has started the clock.
FrameTimer::FrameTimer(unsigned int seconds) : frames(0), reportStart(0), reportSeconds(seconds) {}

void FrameTimer::Reset() {
  Timer::Reset();
  frames = 0;
  // The first period counts from SDL's start, not from the reset.
  reportStart = 0;
}

uint32_t FrameTimer::AddFrame() {
  const uint32_t now = SDL_GetTicks();
  start = now;
  ++frames;
  if (reportSeconds != 0 && frames != 0 && now - reportStart > reportSeconds * 1000u) {
    // The nominal period is the divisor, not the time actually measured.
    const float fps = static_cast<float>(frames) / static_cast<float>(reportSeconds);
    std::printf("Frametimer: %u frames in %d seconds = %.1f FPS\n", static_cast<unsigned>(frames),
                static_cast<int>(reportSeconds), static_cast<double>(fps));
    std::fflush(stdout);
    frames = 0;
    reportStart = now;
  }
  interval = now - stop;
  stop = now;
  return interval;
}
