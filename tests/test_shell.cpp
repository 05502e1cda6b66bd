// The shell, with SDL's clock, event queue and joystick the test's (--wrap).
#include <SDL.h>

#include <array>
#include <deque>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "Controls.h"
#include "FrameTimer.h"
#include "Main.h"
#include "Paths.h"
#include "Timer.h"
#include "support.h"

using testsupport::Stdout;

namespace fake {
Uint32 ticks = 0, step = 0;  // the clock, and how far each reading moves it
// What SDL_PollEvent hands out, each with the stick's position at the next update.
std::deque<std::pair<SDL_Event, std::array<Sint16, 2>>> events;
int joysticks = 0;
bool opens = true;
std::array<Sint16, 2> axes, next;
std::string calls;  // the joystick calls made, "u" an update
std::vector<std::pair<SDL_GLattr, int>> attributes;
SDL_Joystick* const pad = reinterpret_cast<SDL_Joystick*>(&axes);  // never reaches SDL
}  // namespace fake

extern "C" {
int __real_SDL_GL_SetAttribute(SDL_GLattr attribute, int value);
int __wrap_SDL_GL_SetAttribute(SDL_GLattr attribute, int value) {
  fake::attributes.emplace_back(attribute, value);
  return __real_SDL_GL_SetAttribute(attribute, value);
}
Uint32 __wrap_SDL_GetTicks() { return fake::ticks += fake::step; }
int __wrap_SDL_PollEvent(SDL_Event* event) {
  if (fake::events.empty()) return 0;
  std::tie(*event, fake::next) = fake::events.front();
  fake::events.pop_front();
  return 1;
}
void __wrap_SDL_JoystickUpdate() {
  fake::axes = fake::next;
  fake::calls += "u";
}
int __wrap_SDL_NumJoysticks() { return fake::joysticks; }
SDL_Joystick* __wrap_SDL_JoystickOpen(int index) {
  fake::calls += "open " + std::to_string(index) + " ";
  return fake::opens ? fake::pad : nullptr;
}
int __wrap_SDL_JoystickOpened(int index) {
  return index == 0 && fake::opens && fake::calls.rfind("open 0", 0) == 0;
}
void __wrap_SDL_JoystickClose(SDL_Joystick* j) { fake::calls += j == fake::pad ? " close" : "?"; }
const char* __wrap_SDL_JoystickName(int index) { return index == 0 ? "Pad" : "?"; }
int __wrap_SDL_JoystickNumAxes(SDL_Joystick* j) { return j == fake::pad ? 2 : -1; }
int __wrap_SDL_JoystickNumButtons(SDL_Joystick* j) { return j == fake::pad ? 6 : -1; }
int __wrap_SDL_JoystickNumBalls(SDL_Joystick* j) { return j == fake::pad ? 1 : -1; }
Sint16 __wrap_SDL_JoystickGetAxis(SDL_Joystick* j, int axis) {
  return j == fake::pad && axis < 2 ? fake::axes[axis] : 99;
}
}

namespace {

// A joystick event (axis motion or a button) with the stick's position then.
std::pair<SDL_Event, std::array<Sint16, 2>> Joy(Uint8 type, Uint8 which, Sint16 x = 0,
                                                Sint16 y = 0) {
  SDL_Event event{};
  event.type = type;
  event.jbutton.button = event.jaxis.axis = which;
  return {event, {x, y}};
}

// Whole runs, window and scene included: the start-up lines, each event
// handled after a SDL_JoystickUpdate, and a joystick that opened closed at
// the end. Any axis's motion reads the stick through the handle, scaled to
// -1..1; a centred stick changes nothing. Buttons 4 and 5 step on press and
// release, never below 0. Events after the quit are handled too.
TEST(Shell, RunsHandleEveryEventAndCloseTheJoystickTheyOpened) {
  // The scene's shader lines come with static initialisation, before the run.
  const std::string startUp =
      "____ Scene: Scene prepare\n____ Scene: Scene init\nScene: load textures\nTexture: _ID:@ - "
      "unit:0\nTexture: Loading Quenlith.app/Contents/Resources/texture1.png\nScene: load models\n"
      "Mesh: Loading " TREVALIN_MODEL
      "\nVertices: 4162\nProperties: 8\nTriangles: 6912\n"
      "Mesh: PLY loading: 1ms\nMesh: Tangents calculations (with classes): 1ms\n"
      "____ Main: Init OK\n____ Main: Init OK!\n";
  const std::string stick =
      "Main: Opened Joystick 0\nMain: Name: Pad\nMain: Number of Axes: 2\nMain: Number of "
      "Buttons: 6\nMain: Number of Balls: 1\nMain: Joystick AXIS1 movement:\n0.5\n-1\n"
      "Main: Joystick AXIS1 movement:\n0\n0.25\nMain: BUTTON5 was pressed:\n0\n"
      "Main: BUTTON5 was pressed:\n0\nMain: Joystick AXIS1 movement:\n-3.05176e-05\n0\n"
      "Main: BUTTON4 was pressed:\n0.05\nMain: BUTTON4 was pressed:\n0.1\n";
  const struct {
    int joysticks;
    bool opens;
    std::string out, calls;
  } runs[] = {{0, true, "", "u"},
              {1, false, "Main: Couldn't open Joystick 0\n", "open 0 u"},
              {1, true, stick, "open 0 uuuuuuuuuu close"}};
  for (const auto& r : runs) {
    fake::joysticks = r.joysticks;
    fake::opens = r.opens;
    fake::events = {Joy(SDL_QUIT, 0)};
    if (r.opens && r.joysticks)
      fake::events = {Joy(SDL_JOYAXISMOTION, 2, 16384, -32768),
                      Joy(SDL_JOYAXISMOTION, 0, 0, 8192),
                      Joy(SDL_JOYBUTTONUP, 5),
                      Joy(SDL_JOYBUTTONDOWN, 5),
                      Joy(SDL_JOYAXISMOTION, 1, -1, 0),
                      Joy(SDL_JOYAXISMOTION, 0),
                      Joy(SDL_JOYBUTTONDOWN, 3),
                      Joy(SDL_JOYBUTTONDOWN, 4),
                      Joy(SDL_QUIT, 0),
                      Joy(SDL_JOYBUTTONUP, 4)};
    fake::calls.clear();
    fake::attributes.clear();
    fake::step = 1;
    z_move = 0.05f;
    int status = -1;
    const std::string out = Stdout([&] { status = SDL_main(0, nullptr); });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(std::regex_replace(out, std::regex("_ID:0x[0-9a-f]+"), "_ID:@"), startUp + r.out);
    EXPECT_EQ(fake::calls, r.calls);
  }
  EXPECT_EQ((std::vector<float>{float(x_move), float(y_move), z_move}),
            (std::vector<float>{-1, 0, 0.1f}));
  const decltype(fake::attributes) requested = {{SDL_GL_RED_SIZE, 5},    {SDL_GL_GREEN_SIZE, 5},
                                                {SDL_GL_BLUE_SIZE, 5},   {SDL_GL_ALPHA_SIZE, 5},
                                                {SDL_GL_DEPTH_SIZE, 16}, {SDL_GL_DOUBLEBUFFER, 1}};
  EXPECT_EQ(fake::attributes, requested);
}

// Each bound key flips its toggle, which enables the value of its name: it
// falls by 0.1 a frame, and rises once space flips the direction. q quits.
TEST(Controls, KeysEnableTheirValueWhichStepsInSpacesDirection) {
  float Controls::*const values[] = {&Controls::value_x, &Controls::value_y, &Controls::value_z,
                                     &Controls::value_1, &Controls::value_2, &Controls::value_3,
                                     &Controls::value_4};
  const SDLKey keys[] = {SDLK_x, SDLK_y, SDLK_z, SDLK_1, SDLK_2, SDLK_3, SDLK_4, SDLK_r, SDLK_q};
  for (std::size_t k = 0; k < std::size(keys); ++k) {
    Controls c;
    Stdout([&] { c.Press(keys[k]); });
    for (float direction : {-1.0f, 0.0f}) {
      for (int frame = 0; frame < 10; ++frame) c.Step();
      for (std::size_t v = 0; v < std::size(values); ++v)
        EXPECT_NEAR(c.*values[v], v == k ? direction : 0.0f, 1e-5) << k << ", " << v;
      Stdout([&] { c.Press(SDLK_SPACE); });
    }
    EXPECT_EQ(c.done, keys[k] == SDLK_q);
  }
}

// A Timer measures to each Stop, across the counter's wrap; a FrameTimer gives
// the time since the last frame and reports the frames over its nominal period.
TEST(Timer, MeasuresIntervalsAndFramesAndReportsOncePerPeriod) {
  fake::ticks = 0xFFFFFF00u;
  fake::step = 0;
  Timer timer;
  std::vector<Uint32> gaps;
  for (Uint32 later : {250, 750}) {
    fake::ticks += later;
    timer.Stop();  // from the same start
    gaps.push_back(timer.GetInterval());
  }
  fake::ticks = 0;
  FrameTimer silent(0), frames(2);  // the first period counts from SDL's start
  const std::string out = Stdout([&] {
    for (Uint32 now : {500, 1000, 1500, 2000, 2001, 3000, 4001, 4002, 4500}) {
      fake::ticks = now;
      gaps.push_back(frames.AddFrame());
    }
    gaps.push_back(silent.AddFrame());
    frames.Reset();  // counts afresh, its period from SDL's start again
    fake::ticks = 5000;
    gaps.push_back(frames.AddFrame());
  });
  EXPECT_EQ(out,
            "Frametimer: 5 frames in 2 seconds = 2.5 FPS\n"
            "Frametimer: 3 frames in 2 seconds = 1.5 FPS\n"
            "Frametimer: 1 frames in 2 seconds = 0.5 FPS\n");
  EXPECT_EQ(gaps,
            (std::vector<Uint32>{250, 1000, 500, 500, 500, 500, 1, 999, 1001, 1, 498, 4500, 500}));
}

}  // namespace
