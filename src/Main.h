#pragma once
#include <cstdint>

#include "Scene.h"

extern Scene scene;

// Input globals: the last off-centre stick position, the same position scaled
// to -1..1, and the value that joystick buttons 4 and 5 step.
extern int16_t x_move, y_move;
extern float fx_move, fy_move;
extern float z_move;

// The seam through which the shell drives the scene.
class Trevalin {
 public:
  bool initialize();
  void render();
  void resize(int width, int height);
};

// The whole run; the result is the process's exit status.
int SDL_main(int argc, char** argv);
