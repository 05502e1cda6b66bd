#include "Timer.h"

#include <SDL.h>

Timer::Timer() { Reset(); }

void Timer::Reset() {
  interval = 0;
  stop = SDL_GetTicks();
  start = stop;
}

void Timer::Stop() {
  stop = SDL_GetTicks();
  interval = stop - start;
}
