#include "Controls.h"

#include <iostream>

namespace {

constexpr float kMotionStep = 0.1f;

void Flip(bool& toggle, const char* line) {
  std::cout << line << std::endl;
  toggle = !toggle;
}

void Move(bool enabled, float& value, float delta) {
  if (enabled) value += delta;
}

}  // namespace

void Controls::Press(SDLKey key) {
  switch (key) {
    case SDLK_ESCAPE:
    case SDLK_q:
      done = true;
      break;
    case SDLK_SPACE:
      Flip(toggle_space, "Main: space pressed:");
      break;
    case SDLK_1:
      Flip(toggle_1, "Main: 1 pressed:");
      break;
    case SDLK_2:
      Flip(toggle_2, "Main: 2 pressed:");
      break;
    case SDLK_3:
      Flip(toggle_3, "Main: 3 pressed:");
      break;
    case SDLK_4:
      Flip(toggle_4, "Main: 4 pressed:");
      break;
    case SDLK_r:
      Flip(toggle_r, "Main: r pressed:");
      break;
    case SDLK_x:
      Flip(toggle_x, "Main: x pressed:");
      break;
    case SDLK_y:
      Flip(toggle_y, "Main: y pressed:");
      break;
    case SDLK_z:
      Flip(toggle_z, "Main: z pressed:");
      break;
    default:
      break;
  }
}

void Controls::Step() {
  const float delta = toggle_space ? kMotionStep : -kMotionStep;
  Move(toggle_x, value_x, delta);
  Move(toggle_y, value_y, delta);
  Move(toggle_z, value_z, delta);
  Move(toggle_1, value_1, delta);
  Move(toggle_2, value_2, delta);
  Move(toggle_3, value_3, delta);
  Move(toggle_4, value_4, delta);
}
