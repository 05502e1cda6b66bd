#pragma once
// Before SDL_main is declared here: on some systems SDL's header declares it too.
#include <SDL.h>

#include <cstdint>

// Input globals: the last off-centre stick position, and the value that
// joystick buttons 4 and 5 step.
extern int16_t x_move, y_move;
extern float z_move;

// The seam through which the shell drives the scene.
class Trevalin {
 public:
  bool initialize();
  void render();
  void resize(int width, int height);
};

class Controls;
// One event as the loop handles it; joystick: the handle initJoystick gave, or null.
void dispatch(const SDL_Event& event, Controls& controls, Trevalin& app, SDL_Joystick* joystick);
// Opens joystick 0 and reports it: its handle, or null when none opens.
SDL_Joystick* initJoystick();

// The whole run; the result is the process's exit status.
int SDL_main(int argc, char** argv);
