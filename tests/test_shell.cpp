// The shell's main loop, input handlers and timers; SDL's clock, event queue and joystick are the test's (--wrap).
#include <SDL.h>

#include <array>
#include <deque>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "FrameTimer.h"
#include "Main.h"
#include "Timer.h"
#include "support.h"

using testsupport::Stdout;

namespace fake {
Uint32 ticks = 0, step = 0;  // the clock, and how far each reading moves it
// What SDL_PollEvent hands out, then nothing; each with the stick's position at the next update.
using Scripted = std::pair<SDL_Event, std::array<Sint16, 2>>;
std::deque<Scripted> events;
int joysticks = 0;
bool opens = true;
std::array<Sint16, 2> axes, next;
std::string calls;  // the joystick calls made
SDL_Joystick* const pad = reinterpret_cast<SDL_Joystick*>(&axes);  // never reaches SDL
}  // namespace fake

extern "C" {
Uint32 __wrap_SDL_GetTicks() { return fake::ticks += fake::step; }
int __wrap_SDL_PollEvent(SDL_Event* event) {
  return fake::events.empty() ? 0 : (std::tie(*event, fake::next) = fake::events.front(), fake::events.pop_front(), 1);
}
void __wrap_SDL_JoystickUpdate() { fake::axes = fake::next, fake::calls += "update "; }
int __wrap_SDL_NumJoysticks() { return fake::joysticks; }
SDL_Joystick* __wrap_SDL_JoystickOpen(int index) {
  return fake::calls += "open " + std::to_string(index) + " ", fake::opens ? fake::pad : nullptr;
}
int __wrap_SDL_JoystickOpened(int index) { return index == 0 && fake::opens && fake::calls.find("open 0") == 0; }
void __wrap_SDL_JoystickClose(SDL_Joystick* j) { fake::calls += j == fake::pad ? "close pad" : "close ?"; }
const char* __wrap_SDL_JoystickName(int index) { return index == 0 ? "Pad" : "?"; }
int __wrap_SDL_JoystickNumAxes(SDL_Joystick* j) { return j == fake::pad ? 2 : -1; }
int __wrap_SDL_JoystickNumButtons(SDL_Joystick* j) { return j == fake::pad ? 6 : -1; }
int __wrap_SDL_JoystickNumBalls(SDL_Joystick* j) { return j == fake::pad ? 1 : -1; }
Sint16 __wrap_SDL_JoystickGetAxis(SDL_Joystick* j, int axis) { return j == fake::pad && axis < 2 ? fake::axes[axis] : 99; }
}

namespace {

fake::Scripted Joy(Uint8 type, Uint8 which, Sint16 stickX = 0, Sint16 stickY = 0) {
  SDL_Event event{};
  event.type = type;
  (type == SDL_JOYAXISMOTION ? event.jaxis.axis : event.jbutton.button) = which;
  return {event, {stickX, stickY}};
}

// Whole runs, window and scene included: every pending event is handled after a SDL_JoystickUpdate,
// those after a quit too, and a joystick that opened is closed at the end. Motion of any axis reads
// the stick, scaled to -1..1, through the handle; a centred stick changes nothing. Buttons 4 and 5
// step a value on press and release, never below 0 (in single precision).
TEST(Shell, RunsDrainEveryEventAndCloseTheJoystickTheyOpened) {
  EXPECT_EQ(std::vector<float>({float(x_move), float(y_move), fx_move, fy_move, z_move}), std::vector<float>({0, 0, 0, 0, 6}));
  const auto quit = Joy(SDL_QUIT, 0);
  const struct { int joysticks; bool opens; std::deque<fake::Scripted> events; std::string out, calls; } runs[] = {
      {0, true, {quit}, "", "update "},
      {1, false, {quit}, "Main: Couldn't open Joystick 0\n", "open 0 update "},
      {1, true, {Joy(SDL_JOYAXISMOTION, 2, 16384, -32768), Joy(SDL_JOYAXISMOTION, 0, 0, 8192), Joy(SDL_JOYBUTTONUP, 5),
                 Joy(SDL_JOYBUTTONDOWN, 5), Joy(SDL_JOYAXISMOTION, 1, -1, 0), Joy(SDL_JOYAXISMOTION, 0), Joy(SDL_JOYBUTTONDOWN, 3),
                 Joy(SDL_JOYBUTTONDOWN, 4), quit, Joy(SDL_JOYBUTTONUP, 4)},
       "Main: Opened Joystick 0\nMain: Name: Pad\nMain: Number of Axes: 2\nMain: Number of Buttons: 6\nMain: Number of Balls: 1\n"
       "Main: Joystick AXIS1 movement:\n0.5\n-1\nMain: Joystick AXIS1 movement:\n0\n0.25\nMain: BUTTON5 was pressed:\n0\n"
       "Main: BUTTON5 was pressed:\n0\nMain: Joystick AXIS1 movement:\n-3.05176e-05\n0\nMain: BUTTON4 was pressed:\n0.05\n"
       "Main: BUTTON4 was pressed:\n0.1\n", "open 0 update update update update update update update update update update close pad"}};
  for (const auto& r : runs) {
    fake::joysticks = r.joysticks, fake::opens = r.opens, fake::events = r.events, fake::calls.clear(), z_move = 0.05f, fake::step = 1;
    int status = -1;
    const std::string out = Stdout([&] { status = SDL_main(0, nullptr); });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(out.substr(out.find("____ Main: Init OK!\n") + 20), r.out);
    EXPECT_NE(out.find("Mesh: PLY loading: 1ms\nMesh: Tangents calculations (with classes): 1ms\n"), std::string::npos) << out;
    EXPECT_EQ(fake::calls, r.calls);
  }
  EXPECT_EQ(std::vector<float>({float(x_move), float(y_move), z_move}), std::vector<float>({-1, 0, 0.05f + 0.05f}));
}

// A Timer measures to each Stop, across the tick counter's wrap; a FrameTimer gives the time since
// the last frame and reports the frames over the nominal period once the period has passed.
TEST(Timer, MeasuresIntervalsAndFramesAndReportsOncePerPeriod) {
  fake::ticks = 0xFFFFFF00u, fake::step = 0;
  Timer timer;
  fake::ticks += 250, timer.Stop();
  const Uint32 first = timer.GetInterval();
  fake::ticks += 750, timer.Stop();  // from the same start
  EXPECT_EQ(std::vector<Uint32>({first, timer.GetInterval(), (timer.Reset(), timer.GetInterval())}),
            std::vector<Uint32>({250, 1000, 0}));
  fake::ticks = 0;
  FrameTimer silent(0), frames(2);  // the first period counts from SDL's start
  std::vector<Uint32> gaps;
  const std::string out = Stdout([&] {
    for (Uint32 now : {500, 1000, 1500, 2000, 2001, 3000, 4001, 4002}) gaps.push_back((fake::ticks = now, frames.AddFrame()));
    gaps.push_back(silent.AddFrame()), gaps.push_back(silent.AddFrame());
  });
  EXPECT_EQ(out, "Frametimer: 5 frames in 2 seconds = 2.5 FPS\nFrametimer: 3 frames in 2 seconds = 1.5 FPS\n");
  EXPECT_EQ(gaps, std::vector<Uint32>({500, 500, 500, 500, 1, 999, 1001, 1, 4002, 0}));
}

}  // namespace
