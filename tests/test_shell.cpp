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

std::vector<bool> Flags(const Controls& c) {
  return {c.done, c.toggle_space, c.toggle_1, c.toggle_2, c.toggle_3, c.toggle_4, c.toggle_r, c.toggle_x, c.toggle_y, c.toggle_z};
}

// What each key prints is the program test's to check; here, what it flips.
TEST(Input, EachKeyFlipsItsOwnToggleOnceEscapeAndQEnd) {
  const SDLKey keys[] = {SDLK_ESCAPE, SDLK_SPACE, SDLK_1, SDLK_2, SDLK_3, SDLK_4, SDLK_r, SDLK_x, SDLK_y, SDLK_z, SDLK_q};
  for (const SDLKey& key : keys) {
    Controls c;
    std::vector<bool> want(10, false);
    want[(&key - keys) % 10] = true;  // in the order of Flags; q sets done like Escape
    handleKey(key, c);
    EXPECT_EQ(Flags(c), want) << key;
    handleKey(key, c);  // a second press flips back; done stays
    if ((&key - keys) % 10) want.assign(10, false);
    EXPECT_EQ(Flags(c), want) << key;
  }
  Controls c;
  for (SDLKey key : {SDLK_a, SDLK_5, SDLK_RETURN, SDLK_LSHIFT, SDLK_F1, SDLK_UP}) handleKey(key, c);
  EXPECT_EQ(Flags(c), std::vector<bool>(10, false));
}

TEST(Input, MotionStepMovesEnabledValuesBySinglePrecisionTenths) {
  Controls c;
  for (SDLKey key : {SDLK_x, SDLK_3, SDLK_r}) handleKey(key, c);
  float expected = 0.0f;
  for (int k = 0; k < 10; ++k, expected -= 0.1f) stepMotion(c);
  EXPECT_EQ((std::vector<float>{c.value_x, c.value_y, c.value_z, c.value_1, c.value_2, c.value_3, c.value_4}),
            (std::vector<float>{expected, 0, 0, 0, 0, expected, 0}));
  EXPECT_NEAR(c.value_x, -1.0f, 1e-5f);
  handleKey(SDLK_SPACE, c);
  for (int k = 0; k < 10; ++k, expected += 0.1f) stepMotion(c);
  EXPECT_EQ(c.value_x, expected);
}

// Joystick events routed as the main loop routes them (no joystick is open), and the mouse.
TEST(Input, StickButtonsAndMouseReportAndStoreTheirValues) {
  const auto send = [](Uint8 type, Uint8 which, Sint16 value = 0) {
    SDL_Event event{};
    event.type = type;
    event.jaxis.axis = which;  // the same offset as jbutton.button
    event.jaxis.value = value;
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

TEST(Timer, MeasuresFromResetToEachStop) {
  SDL_Init(SDL_INIT_TIMER);
  Timer t;
  SDL_Delay(250);
  t.Stop();
  SDL_Delay(50);
  const uint32_t first = t.GetInterval();
  t.Stop();  // a second Stop measures from the same start
  EXPECT_GE(first, 250u);
  EXPECT_LT(first, 1000u);  // loose: the machine may be busy
  EXPECT_GE(t.GetInterval(), 300u);
  t.Reset();
  EXPECT_EQ(t.GetInterval(), 0u);
}

TEST(FrameTimer, TimesFramesAndReportsOncePerPeriodAtTheNominalRate) {
  SDL_Init(SDL_INIT_TIMER);
  FrameTimer silent(0), frames(1);  // a zero period never reports
  SDL_Delay(30);
  CaptureStdout();
  EXPECT_GE(silent.AddFrame(), 30u);  // since the reset in the constructor
  EXPECT_LT(silent.AddFrame(), 30u);
  // The first period counts from SDL's start: after a second the first frame reports.
  while (SDL_GetTicks() <= 1000) SDL_Delay(10);
  frames.AddFrame();
  int added = 0;
  for (const Uint32 begin = SDL_GetTicks(); SDL_GetTicks() - begin < 1300; ++added, SDL_Delay(10)) frames.AddFrame();
  const std::string out = GetCapturedStdout();
  std::smatch m;
  const std::regex lines("Frametimer: 1 frames in 1 seconds = 1\\.0 FPS\nFrametimer: (\\d+) frames in 1 seconds = (\\d+)\\.0 FPS\n");
  ASSERT_TRUE(std::regex_match(out, m, lines)) << out;
  EXPECT_GT(std::stoi(m[1]), 20);
  EXPECT_LT(std::stoi(m[1]), added);
  EXPECT_EQ(m[2], m[1]);  // frames over the nominal second
}

}  // namespace
