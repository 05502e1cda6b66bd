#pragma once
#include <SDL.h>
#include <cstdint>
#include <string>

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

// The run's own state: toggles flipped by keys and the motion values they
// enable. One instance lives in SDL_main for the whole run.
struct Controls {
  bool done = false;
  bool toggle_x = false, toggle_y = false, toggle_z = false, toggle_r = false;
  bool toggle_1 = false, toggle_2 = false, toggle_3 = false, toggle_4 = false;
  bool toggle_space = false;
  float value_x = 0.0f, value_y = 0.0f, value_z = 0.0f;
  float value_1 = 0.0f, value_2 = 0.0f, value_3 = 0.0f, value_4 = 0.0f;
};

// Input handlers, called once per event after SDL_JoystickUpdate().
void handleKey(SDLKey key, Controls& controls);
// mouseButtons: the state SDL_GetMouseState reports when the event is handled.
void handleMouseButton(Uint8 mouseButtons);
// axis0, axis1: the stick as the joystick reads now, whichever axis moved.
void handleStick(Sint16 axis0, Sint16 axis1);
void handleJoystickButton(Uint8 button);
// Advances the enabled motion values by one frame.
void stepMotion(Controls& controls);
// Routes one event to the shell or to the input handlers.
void dispatch(const SDL_Event& event, Controls& controls, Trevalin& app, SDL_Joystick* joystick);

SDL_Joystick* initJoystick();
void error(const std::string& message);

int SDL_main(int argc, char** argv);
