// The shell's input handlers and timers, without a window.
#include <SDL.h>
#include <gtest/gtest.h>

#include <regex>
#include <vector>

#include "FrameTimer.h"
#include "Main.h"
#include "Timer.h"

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

// What each key prints is the program test's to check; here, the values its toggle enables.
TEST(Input, KeysEnableMotionValuesThatStepBySinglePrecisionTenths) {
  Controls c;
  for (SDLKey key : {SDLK_x, SDLK_3, SDLK_1, SDLK_r, SDLK_y, SDLK_a, SDLK_y, SDLK_5}) handleKey(key, c);  // y twice: off
  float expected = 0.0f;
  for (int k = 0; k < 10; ++k, expected -= 0.1f) stepMotion(c);
  EXPECT_EQ((std::vector<float>{c.value_x, c.value_y, c.value_z, c.value_1, c.value_2, c.value_3, c.value_4}),
            (std::vector<float>{expected, 0, 0, expected, 0, expected, 0}));
  handleKey(SDLK_SPACE, c);
  for (int k = 0; k < 10; ++k, expected += 0.1f) stepMotion(c);
  EXPECT_EQ(c.value_x, expected);
}

// Joystick events routed as the main loop routes them (no joystick is open), and the mouse.
TEST(Input, StickButtonsAndMouseReportAndStoreTheirValues) {
  const auto send = [](Uint8 type, Uint8 which, Sint16 value = 0) {
    SDL_Event event{};
    event.type = type, event.jaxis.axis = which, event.jaxis.value = value;  // jbutton.button is at axis' offset
    Controls controls;
    Trevalin app;
    CaptureStdout();
    dispatch(event, controls, app, nullptr);
    return GetCapturedStdout();
  };
  const struct { Sint16 x, y; const char* printed; Sint16 storedX, storedY; } sticks[] = {
      {16384, -32768, "0.5\n-1\n", 16384, -32768}, {0, 8192, "0\n0.25\n", 0, 8192},
      {-1, 0, "-3.05176e-05\n0\n", -1, 0}, {0, 0, nullptr, -1, 0}};  // centred: nothing, the last position stays
  for (const auto& s : sticks) {
    CaptureStdout();
    handleStick(s.x, s.y);
    EXPECT_EQ(GetCapturedStdout(), s.printed ? "Main: Joystick AXIS1 movement:\n" + std::string(s.printed) : "");
    EXPECT_EQ(std::vector<int>({x_move, y_move}), std::vector<int>({s.storedX, s.storedY}));
  }
  // Motion of any axis reads the stick through the handle, not the event: nothing moves here.
  EXPECT_EQ(send(SDL_JOYAXISMOTION, 3, 20000), "");
  z_move = 6.0f;
  std::string out = send(SDL_JOYBUTTONDOWN, 4);
  out += send(SDL_JOYBUTTONUP, 4), out += send(SDL_JOYBUTTONDOWN, 5);
  EXPECT_EQ(out, "Main: BUTTON4 was pressed:\n6.05\nMain: BUTTON4 was pressed:\n6.1\nMain: BUTTON5 was pressed:\n6.05\n");
  EXPECT_EQ(z_move, 6.0f + 0.05f + 0.05f - 0.05f);  // single precision throughout
  for (Uint8 other : {0, 3, 6, 255}) EXPECT_EQ(send(SDL_JOYBUTTONDOWN, other), "");
  // The floor tests the difference itself: from 0.05 the result 0 is taken, from 0 nothing changes.
  z_move = 0.05f;
  EXPECT_EQ(send(SDL_JOYBUTTONUP, 5), "Main: BUTTON5 was pressed:\n0\n");
  EXPECT_EQ(send(SDL_JOYBUTTONUP, 5), "Main: BUTTON5 was pressed:\n0\n");
  CaptureStdout();
  for (Uint8 state : {SDL_BUTTON(1), SDL_BUTTON(1) | SDL_BUTTON(3), SDL_BUTTON(3), 0}) handleMouseButton(state);
  EXPECT_EQ(GetCapturedStdout(), "Main: Left MOUSE button pressed:\nMain: Left MOUSE button pressed:\n");
}

// A Timer measures to each Stop; a FrameTimer times frames and reports once per non-zero period.
TEST(Timer, MeasuresIntervalsAndFramesAndReportsOncePerPeriod) {
  SDL_Init(SDL_INIT_TIMER);
  Timer t;
  FrameTimer silent(0), frames(1);
  SDL_Delay(250);
  t.Stop();
  EXPECT_GE(t.GetInterval(), 250u);
  EXPECT_LT(t.GetInterval(), 1000u);  // loose: the machine may be busy
  CaptureStdout();
  EXPECT_GE(silent.AddFrame(), 250u);  // since the reset in the constructor
  EXPECT_LT(silent.AddFrame(), 250u);
  // The first period counts from SDL's start: after a second the first frame reports.
  while (SDL_GetTicks() <= 1000) SDL_Delay(10);
  int added = 0;
  for (const Uint32 begin = SDL_GetTicks(); SDL_GetTicks() - begin < 1300; ++added, SDL_Delay(10)) frames.AddFrame();
  t.Stop();  // a second Stop measures from the same start
  EXPECT_GE(t.GetInterval(), 1550u);
  std::smatch m;
  const std::string out = GetCapturedStdout();
  ASSERT_TRUE(std::regex_match(out, m, std::regex("Frametimer: 1 frames in 1 seconds = 1\\.0 FPS\n"
                                                  "Frametimer: (\\d+) frames in 1 seconds = (\\d+)\\.0 FPS\n"))) << out;
  EXPECT_GT(std::stoi(m[1]), 20);
  EXPECT_LT(std::stoi(m[1]), added);
  EXPECT_EQ(m[2], m[1]);  // frames over the nominal second
}

}  // namespace
