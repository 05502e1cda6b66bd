// The shell, with SDL's GL attributes and lookup, clock and joystick the test's (--wrap).
#include <SDL.h>

#include <array>
#include <cmath>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "Controls.h"
#include "FrameTimer.h"
#include "Main.h"
#include "support.h"

using testsupport::Stdout;

namespace fake {
std::vector<std::pair<SDL_GLattr, int>> attributes;
std::string hidden;  // the one GL function name SDL is made to know nothing of
Uint32 ticks = 0;
int joysticks = 0;
bool opens = true;
std::array<Sint16, 2> axes;
SDL_Joystick* const pad = reinterpret_cast<SDL_Joystick*>(&axes);  // never reaches SDL
}  // namespace fake

extern "C" {
int __real_SDL_GL_SetAttribute(SDL_GLattr attribute, int value);
int __wrap_SDL_GL_SetAttribute(SDL_GLattr attribute, int value) {
  fake::attributes.emplace_back(attribute, value);
  return __real_SDL_GL_SetAttribute(attribute, value);
}
void* __real_SDL_GL_GetProcAddress(const char* name);
void* __wrap_SDL_GL_GetProcAddress(const char* name) {
  return fake::hidden == name ? nullptr : __real_SDL_GL_GetProcAddress(name);
}
Uint32 __wrap_SDL_GetTicks() { return fake::ticks; }
int __wrap_SDL_NumJoysticks() { return fake::joysticks; }
SDL_Joystick* __wrap_SDL_JoystickOpen(int i) { return i == 0 && fake::opens ? fake::pad : nullptr; }
const char* __wrap_SDL_JoystickName(int i) { return i == 0 ? "Pad" : "?"; }
int __wrap_SDL_JoystickNumAxes(SDL_Joystick* j) { return j == fake::pad ? 2 : -1; }
int __wrap_SDL_JoystickNumButtons(SDL_Joystick* j) { return j == fake::pad ? 6 : -1; }
int __wrap_SDL_JoystickNumBalls(SDL_Joystick* j) { return j == fake::pad ? 1 : -1; }
Sint16 __wrap_SDL_JoystickGetAxis(SDL_Joystick* j, int axis) {
  return j == fake::pad && axis < 2 ? fake::axes[axis] : 99;
}
}

namespace {

TEST(Shell, AMissingGLFunctionEndsTheStartWithStatusOne) {
  fake::hidden = "glVertexAttribPointer";
  int status = 0;
  const testsupport::Output output = testsupport::Capture([&] { status = SDL_main(0, nullptr); });
  EXPECT_EQ(status, 1);
  EXPECT_EQ(output.err, "Main: OpenGL 2.0 function missing: glVertexAttribPointer\n");
  const decltype(fake::attributes) requested = {{SDL_GL_RED_SIZE, 5},    {SDL_GL_GREEN_SIZE, 5},
                                                {SDL_GL_BLUE_SIZE, 5},   {SDL_GL_ALPHA_SIZE, 5},
                                                {SDL_GL_DEPTH_SIZE, 16}, {SDL_GL_DOUBLEBUFFER, 1}};
  EXPECT_EQ(fake::attributes, requested);
}

// A key enables its value from the next step on, so that the later the key, the fewer its steps.
TEST(Controls, KeysEnableTheirValueWhichStepsInSpacesDirection) {
  Controls c;
  Stdout([&] {
    for (SDLKey key : {SDLK_x, SDLK_y, SDLK_z, SDLK_1, SDLK_2, SDLK_3, SDLK_4, SDLK_r, SDLK_a,
                       SDLK_SPACE, SDLK_x, SDLK_SPACE}) {
      c.Press(key);
      c.Step();
    }
  });
  std::vector<long> tenths;
  for (float v : {c.value_x, c.value_y, c.value_z, c.value_1, c.value_2, c.value_3, c.value_4})
    tenths.push_back(std::lround(v * 10));
  EXPECT_EQ(tenths, (std::vector<long>{-8, -7, -6, -5, -4, -3, -2}));
  EXPECT_FALSE(c.done) << "q and Escape alone end the run";
}

// The stick is read through the handle, whichever axis moved.
TEST(Shell, TheJoystickOpensStoresTheStickAndStepsZ) {
  const std::string report =
      "Main: Opened Joystick 0\nMain: Name: Pad\nMain: Number of Axes: 2\n"
      "Main: Number of Buttons: 6\nMain: Number of Balls: 1\n";
  SDL_Joystick* joystick = nullptr;
  for (auto [joysticks, opens, out] : {std::tuple{0, true, std::string()},
                                       {1, false, "Main: Couldn't open Joystick 0\n"},
                                       {1, true, report}}) {
    fake::joysticks = joysticks;
    fake::opens = opens;
    EXPECT_EQ(Stdout([&] { joystick = initJoystick(); }), out);
  }
  const std::string stick = "Main: Joystick AXIS1 movement:\n", b4 = "Main: BUTTON4 was pressed:\n",
                    b5 = "Main: BUTTON5 was pressed:\n";
  const std::tuple<decltype(SDL_Event::type), Uint8, std::array<Sint16, 2>, std::string> events[] =
      {
          {SDL_JOYAXISMOTION, 2, {16384, -32768}, stick + "0.5\n-1\n"},
          {SDL_JOYAXISMOTION, 0, {0, 8192}, stick + "0\n0.25\n"},
          {SDL_JOYAXISMOTION, 3, {0, 0}, ""},
          {SDL_JOYBUTTONUP, 5, {0, 0}, b5 + "0\n"},
          {SDL_JOYBUTTONDOWN, 5, {0, 0}, b5 + "0\n"},
          {SDL_JOYBUTTONDOWN, 3, {0, 0}, ""},
          {SDL_JOYBUTTONDOWN, 4, {0, 0}, b4 + "0.05\n"},
          {SDL_JOYBUTTONUP, 4, {0, 0}, b4 + "0.1\n"},
          {SDL_JOYAXISMOTION, 1, {-1, 0}, stick + "-3.05176e-05\n0\n"},
          {SDL_QUIT, 0, {0, 0}, ""},  // a window closed
      };
  z_move = 0.05f;
  Controls controls;
  Trevalin app;
  for (const auto& [type, which, axes, out] : events) {
    SDL_Event event{};
    event.type = type;
    event.jaxis.axis = event.jbutton.button = which;
    fake::axes = axes;
    EXPECT_EQ(Stdout([&] { dispatch(event, controls, app, joystick); }), out);
  }
  EXPECT_EQ((std::vector<float>{float(x_move), float(y_move), z_move, float(controls.done)}),
            (std::vector<float>{-1, 0, 0.1f, 1}));
}

// The first report period counts from SDL's start, not from the timer's; the clock wraps at 2^32.
TEST(Timer, MeasuresIntervalsAndFramesAndReportsOncePerPeriod) {
  const Uint32 wrap = 0xFFFFF000u;  // 4096 ms before the counter wraps, within the third period
  fake::ticks = 0;
  FrameTimer silent(0), frames(2);
  std::vector<Uint32> gaps;
  const std::string out = Stdout([&] {
    for (Uint32 later : {0, 500, 1000, 1500, 2000, 2001, 3000, 4001, 4500, 4505}) {
      fake::ticks = wrap + later;
      gaps.push_back(frames.AddFrame());
    }
    gaps.push_back(silent.AddFrame());
    for (Uint32 later : {4507, 4510}) {  // each Stop from the last frame
      fake::ticks = wrap + later;
      frames.Stop();
      gaps.push_back(frames.GetInterval());
    }
    frames.Reset();
    fake::ticks = 5000;
    gaps.push_back(frames.AddFrame());
  });
  EXPECT_EQ(out,
            "Frametimer: 1 frames in 2 seconds = 0.5 FPS\n"
            "Frametimer: 5 frames in 2 seconds = 2.5 FPS\n"
            "Frametimer: 3 frames in 2 seconds = 1.5 FPS\n"
            "Frametimer: 1 frames in 2 seconds = 0.5 FPS\n");
  EXPECT_EQ(gaps,
            (std::vector<Uint32>{wrap, 500, 500, 500, 500, 1, 999, 1001, 499, 5, 409, 2, 5, 4586}));
}

}  // namespace
