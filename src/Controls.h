#pragma once
#include <SDL.h>

// The run's own input state: toggles flipped by keys and the motion values
// they enable. The shell keeps one for the whole run; nothing else reads it.
class Controls {
 public:
  // Escape and q end the run; the bound keys print their line, then flip
  // their toggle; other keys do nothing.
  void Press(SDLKey key);
  // One frame: each enabled value moves by 0.1, up while space's toggle is
  // on, down while it is off.
  void Step();

  bool done = false;
  bool toggle_x = false, toggle_y = false, toggle_z = false, toggle_r = false;
  bool toggle_1 = false, toggle_2 = false, toggle_3 = false, toggle_4 = false;
  bool toggle_space = false;
  float value_x = 0.0f, value_y = 0.0f, value_z = 0.0f;
  float value_1 = 0.0f, value_2 = 0.0f, value_3 = 0.0f, value_4 = 0.0f;
};
