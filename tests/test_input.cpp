#include <SDL.h>
#include <gtest/gtest.h>

#include <string>

#include "Main.h"

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

class InputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    x_move = y_move = 0;
    fx_move = fy_move = 0.0f;
    z_move = 6.0f;
  }
  // Routes a joystick event the way the main loop does; no joystick is open.
  std::string Dispatch(Uint8 type, Uint8 which, Sint16 value = 0) {
    SDL_Event event{};
    event.type = type;
    event.jaxis.axis = which;  // same offset as jbutton.button
    event.jaxis.value = value;
    Trevalin app;
    CaptureStdout();
    dispatch(event, controls, app, nullptr);
    return GetCapturedStdout();
  }
  Controls controls;
};

TEST_F(InputTest, KeyTable) {
  const struct {
    SDLKey key;
    const char* line;
    bool Controls::*flag;
  } cases[] = {
      {SDLK_ESCAPE, "", &Controls::done}, {SDLK_q, "", &Controls::done},
      {SDLK_SPACE, "Main: space pressed:\n", &Controls::toggle_space},
      {SDLK_1, "Main: 1 pressed:\n", &Controls::toggle_1}, {SDLK_2, "Main: 2 pressed:\n", &Controls::toggle_2},
      {SDLK_3, "Main: 3 pressed:\n", &Controls::toggle_3}, {SDLK_4, "Main: 4 pressed:\n", &Controls::toggle_4},
      {SDLK_r, "Main: r pressed:\n", &Controls::toggle_r}, {SDLK_x, "Main: x pressed:\n", &Controls::toggle_x},
      {SDLK_y, "Main: y pressed:\n", &Controls::toggle_y}, {SDLK_z, "Main: z pressed:\n", &Controls::toggle_z},
  };
  for (const auto& c : cases) {
    Controls fresh;
    CaptureStdout();
    handleKey(c.key, fresh);
    EXPECT_EQ(GetCapturedStdout(), c.line);
    EXPECT_TRUE(fresh.*c.flag) << c.key;
    EXPECT_EQ(fresh.done, c.flag == &Controls::done) << c.key;
    if (c.flag != &Controls::done) {
      handleKey(c.key, fresh);  // a second press flips back
      EXPECT_FALSE(fresh.*c.flag) << c.key;
    }
  }
  CaptureStdout();
  for (SDLKey key : {SDLK_a, SDLK_5, SDLK_RETURN, SDLK_LSHIFT, SDLK_F1, SDLK_UP}) handleKey(key, controls);
  EXPECT_EQ(GetCapturedStdout(), "");
  EXPECT_FALSE(controls.done);
}

TEST_F(InputTest, MouseReportsAnyPressWhileTheLeftButtonIsHeld) {
  for (Uint8 state : {SDL_BUTTON(1), SDL_BUTTON(1) | SDL_BUTTON(3), SDL_BUTTON(3), SDL_BUTTON(2), 0}) {
    CaptureStdout();
    handleMouseButton(state);
    EXPECT_EQ(GetCapturedStdout(), (state & 1) ? "Main: Left MOUSE button pressed:\n" : "") << int(state);
  }
}

TEST_F(InputTest, StickStoresAndPrintsAnOffCentrePosition) {
  const struct {
    Sint16 x, y;
    const char* printed;
    Sint16 storedX, storedY;
  } cases[] = {
      {16384, -32768, "Main: Joystick AXIS1 movement:\n0.5\n-1\n", 16384, -32768},
      {0, 8192, "Main: Joystick AXIS1 movement:\n0\n0.25\n", 0, 8192},
      {-1, 0, "Main: Joystick AXIS1 movement:\n-3.05176e-05\n0\n", -1, 0},
      {0, 0, "", -1, 0},  // back at the centre: nothing, the last position stays
  };
  for (const auto& c : cases) {
    CaptureStdout();
    handleStick(c.x, c.y);
    EXPECT_EQ(GetCapturedStdout(), c.printed);
    EXPECT_EQ(x_move, c.storedX);
    EXPECT_EQ(y_move, c.storedY);
  }
  // Motion of any axis reads the stick through the handle, not the event's
  // value: with both axes at 0 nothing happens.
  EXPECT_EQ(Dispatch(SDL_JOYAXISMOTION, 3, 20000), "");
  EXPECT_EQ(x_move, -1);
}

TEST_F(InputTest, ButtonsFourAndFiveStepZOnPressAndRelease) {
  EXPECT_EQ(Dispatch(SDL_JOYBUTTONDOWN, 4), "Main: BUTTON4 was pressed:\n6.05\n");
  EXPECT_EQ(Dispatch(SDL_JOYBUTTONUP, 4), "Main: BUTTON4 was pressed:\n6.1\n");
  EXPECT_EQ(z_move, 6.0f + 0.05f + 0.05f);  // single precision throughout
  EXPECT_EQ(Dispatch(SDL_JOYBUTTONDOWN, 5), "Main: BUTTON5 was pressed:\n6.05\n");
  for (Uint8 other : {0, 3, 6, 255}) EXPECT_EQ(Dispatch(SDL_JOYBUTTONDOWN, other), "");

  for (int i = 0; i < 2 * 99; ++i) {
    handleJoystickButton(5);
    ASSERT_GE(z_move, 0.0f);
  }
  // The floor tests the difference itself: from exactly 0.05 the result 0 is
  // taken, from 0 nothing changes.
  z_move = 0.05f;
  EXPECT_EQ(Dispatch(SDL_JOYBUTTONUP, 5), "Main: BUTTON5 was pressed:\n0\n");
  EXPECT_EQ(Dispatch(SDL_JOYBUTTONUP, 5), "Main: BUTTON5 was pressed:\n0\n");
}

TEST_F(InputTest, MotionStepMovesEnabledValuesBySinglePrecisionTenths) {
  for (SDLKey key : {SDLK_x, SDLK_3, SDLK_r}) handleKey(key, controls);
  float expected = 0.0f;
  for (int i = 0; i < 10; ++i, expected -= 0.1f) stepMotion(controls);
  EXPECT_EQ(controls.value_x, expected);
  EXPECT_EQ(controls.value_3, expected);
  EXPECT_NEAR(controls.value_x, -1.0f, 1e-5f);
  for (float v : {controls.value_y, controls.value_z, controls.value_1, controls.value_2, controls.value_4})
    EXPECT_EQ(v, 0.0f);

  handleKey(SDLK_SPACE, controls);
  for (int i = 0; i < 10; ++i, expected += 0.1f) stepMotion(controls);
  EXPECT_EQ(controls.value_x, expected);
  EXPECT_NEAR(controls.value_x, 0.0f, 1e-5f);
}

}  // namespace
