#include <SDL.h>
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "Main.h"

namespace {

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

auto fields(const Controls& c) {
  return std::make_tuple(c.done, c.toggle_x, c.toggle_y, c.toggle_z, c.toggle_r, c.toggle_1,
                         c.toggle_2, c.toggle_3, c.toggle_4, c.toggle_space, c.value_x, c.value_y,
                         c.value_z, c.value_1, c.value_2, c.value_3, c.value_4);
}

class InputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    x_move = y_move = 0;
    fx_move = fy_move = 0.0f;
    z_move = 6.0f;
  }
  Controls controls;
};

struct KeyCase {
  SDLKey key;
  const char* line;
  bool Controls::*toggle;
};

TEST_F(InputTest, EachBoundKeyPrintsItsLineAndFlipsItsToggle) {
  const KeyCase cases[] = {
      {SDLK_SPACE, "Main: space pressed:\n", &Controls::toggle_space},
      {SDLK_1, "Main: 1 pressed:\n", &Controls::toggle_1},
      {SDLK_2, "Main: 2 pressed:\n", &Controls::toggle_2},
      {SDLK_3, "Main: 3 pressed:\n", &Controls::toggle_3},
      {SDLK_4, "Main: 4 pressed:\n", &Controls::toggle_4},
      {SDLK_r, "Main: r pressed:\n", &Controls::toggle_r},
      {SDLK_x, "Main: x pressed:\n", &Controls::toggle_x},
      {SDLK_y, "Main: y pressed:\n", &Controls::toggle_y},
      {SDLK_z, "Main: z pressed:\n", &Controls::toggle_z},
  };
  for (const KeyCase& c : cases) {
    Controls fresh;
    CaptureStdout();
    handleKey(c.key, fresh);
    EXPECT_EQ(GetCapturedStdout(), c.line);
    EXPECT_TRUE(fresh.*c.toggle) << c.line;
    handleKey(c.key, fresh);
    EXPECT_FALSE(fresh.*c.toggle) << c.line;
    EXPECT_FALSE(fresh.done);
  }
}

TEST_F(InputTest, EscapeAndQEndTheRunSilently) {
  for (SDLKey key : {SDLK_ESCAPE, SDLK_q}) {
    Controls fresh;
    CaptureStdout();
    handleKey(key, fresh);
    EXPECT_EQ(GetCapturedStdout(), "");
    EXPECT_TRUE(fresh.done);
  }
}

TEST_F(InputTest, KeysOutsideTheTableDoNothing) {
  CaptureStdout();
  for (SDLKey key : {SDLK_a, SDLK_5, SDLK_RETURN, SDLK_LSHIFT, SDLK_F1, SDLK_UP}) handleKey(key, controls);
  EXPECT_EQ(GetCapturedStdout(), "");
  EXPECT_EQ(fields(controls), fields(Controls{}));
}

TEST_F(InputTest, MouseReportsAnyPressWhileTheLeftButtonIsHeld) {
  const struct {
    Uint8 state;
    bool reports;
  } cases[] = {
      {SDL_BUTTON(1), true},
      {SDL_BUTTON(1) | SDL_BUTTON(3), true},
      {SDL_BUTTON(3), false},
      {SDL_BUTTON(2), false},
      {0, false},
  };
  for (const auto& c : cases) {
    CaptureStdout();
    handleMouseButton(c.state);
    EXPECT_EQ(GetCapturedStdout(), c.reports ? "Main: Left MOUSE button pressed:\n" : "")
        << int(c.state);
  }
}

TEST_F(InputTest, StickAtRestChangesNothing) {
  x_move = 7;
  CaptureStdout();
  handleStick(0, 0);
  EXPECT_EQ(GetCapturedStdout(), "");
  EXPECT_EQ(x_move, 7);
  EXPECT_EQ(y_move, 0);
  EXPECT_EQ(z_move, 6.0f);
}

TEST_F(InputTest, StickOffCentreStoresAndPrintsThePosition) {
  const struct {
    Sint16 x, y;
    const char* printed;
  } cases[] = {
      {16384, -32768, "Main: Joystick AXIS1 movement:\n0.5\n-1\n"},
      {0, 8192, "Main: Joystick AXIS1 movement:\n0\n0.25\n"},
      {-1, 0, "Main: Joystick AXIS1 movement:\n-3.05176e-05\n0\n"},
  };
  for (const auto& c : cases) {
    CaptureStdout();
    handleStick(c.x, c.y);
    EXPECT_EQ(GetCapturedStdout(), c.printed);
    EXPECT_EQ(x_move, c.x);
    EXPECT_EQ(y_move, c.y);
  }
  // Back at the centre the last position stays.
  handleStick(0, 0);
  EXPECT_EQ(x_move, -1);
}

TEST_F(InputTest, DispatchedAxisMotionReadsTheStickNotTheEvent) {
  // No joystick is open: the handle reads both axes as 0, whatever the
  // event's own axis and value say.
  SDL_Event event{};
  event.type = SDL_JOYAXISMOTION;
  event.jaxis.axis = 3;
  event.jaxis.value = 20000;
  Trevalin app;
  CaptureStdout();
  dispatch(event, controls, app, nullptr);
  EXPECT_EQ(GetCapturedStdout(), "");
  EXPECT_EQ(x_move, 0);
  EXPECT_EQ(y_move, 0);
}

TEST_F(InputTest, ButtonsFourAndFiveStepZInSinglePrecision) {
  CaptureStdout();
  handleJoystickButton(4);
  EXPECT_EQ(GetCapturedStdout(), "Main: BUTTON4 was pressed:\n6.05\n");
  EXPECT_EQ(z_move, 6.0f + 0.05f);

  CaptureStdout();
  handleJoystickButton(5);
  EXPECT_EQ(GetCapturedStdout(), "Main: BUTTON5 was pressed:\n6\n");
  EXPECT_EQ(z_move, (6.0f + 0.05f) - 0.05f);

  CaptureStdout();
  for (Uint8 other : {0, 1, 3, 6, 255}) handleJoystickButton(other);
  EXPECT_EQ(GetCapturedStdout(), "");
}

TEST_F(InputTest, PressAndReleaseBothCountThroughDispatch) {
  Trevalin app;
  SDL_Event event{};
  event.jbutton.button = 4;
  CaptureStdout();
  for (Uint8 type : {SDL_JOYBUTTONDOWN, SDL_JOYBUTTONUP}) {
    event.type = type;
    dispatch(event, controls, app, nullptr);
  }
  EXPECT_EQ(GetCapturedStdout(), "Main: BUTTON4 was pressed:\n6.05\nMain: BUTTON4 was pressed:\n6.1\n");
}

TEST_F(InputTest, ZNeverFallsBelowZero) {
  CaptureStdout();
  for (int i = 0; i < 2 * 99; ++i) {
    handleJoystickButton(5);
    ASSERT_GE(z_move, 0.0f);
  }
  const std::string out = GetCapturedStdout();
  const std::string last = out.substr(out.rfind('\n', out.size() - 2) + 1);
  EXPECT_GE(std::stof(last), 0.0f);

  // The floor tests the difference itself: from exactly 0.05 the result 0 is
  // taken, from 0 nothing changes.
  z_move = 0.05f;
  handleJoystickButton(5);
  EXPECT_EQ(z_move, 0.0f);
  handleJoystickButton(5);
  EXPECT_EQ(z_move, 0.0f);
}

TEST_F(InputTest, MotionStepMovesEnabledValuesBySinglePrecisionTenths) {
  handleKey(SDLK_x, controls);
  handleKey(SDLK_3, controls);
  handleKey(SDLK_r, controls);
  float expected = 0.0f;
  for (int i = 0; i < 10; ++i) {
    stepMotion(controls);
    expected -= 0.1f;
  }
  EXPECT_EQ(controls.value_x, expected);
  EXPECT_EQ(controls.value_3, expected);
  EXPECT_NEAR(controls.value_x, -1.0f, 1e-5f);
  for (float v : {controls.value_y, controls.value_z, controls.value_1, controls.value_2,
                  controls.value_4})
    EXPECT_EQ(v, 0.0f);

  handleKey(SDLK_SPACE, controls);
  for (int i = 0; i < 10; ++i) {
    stepMotion(controls);
    expected += 0.1f;
  }
  EXPECT_EQ(controls.value_x, expected);
  EXPECT_NEAR(controls.value_x, 0.0f, 1e-5f);
}

TEST_F(InputTest, QuitEventEndsTheRun) {
  SDL_Event event{};
  event.type = SDL_QUIT;
  Trevalin app;
  dispatch(event, controls, app, nullptr);
  EXPECT_TRUE(controls.done);
}

}  // namespace
