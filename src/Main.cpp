#include "Main.h"

#include <cstdio>
#include <exception>
#include <iostream>

#include "GLFunctions.h"

Scene scene;

int16_t x_move = 0;
int16_t y_move = 0;
float fx_move = 0.0f;
float fy_move = 0.0f;
float z_move = 6.0f;

namespace {

const char* const kCaption = "Trevalin v0.2";
constexpr int kWidth = 800;
constexpr int kHeight = 600;
constexpr float kButtonStep = 0.05f;
constexpr float kMotionStep = 0.1f;

void flip(bool& toggle, const char* line) {
  std::cout << line << std::endl;
  toggle = !toggle;
}

void step(bool enabled, float& value, float delta) {
  if (enabled) value += delta;
}

// The texture and model loaders report by exception; set-up still has to end
// through SDL_Quit with its own message and status.
bool initializeGuarded(Trevalin& app) {
  try {
    return app.initialize();
  } catch (const std::exception& e) {
    std::cerr << e.what() << std::endl;
    std::cerr << "Main: Error: Init failed!" << std::endl;
    return false;
  }
}

}  // namespace

bool Trevalin::initialize() {
  scene.prepare();
  if (scene.init()) {
    scene.setScreen(kWidth, kHeight);
    std::cout << "____ Main: Init OK" << std::endl;
    return true;
  }
  std::cerr << "Main: Error: Init failed!" << std::endl;
  return false;
}

void Trevalin::render() { scene.render(); }

void Trevalin::resize(int width, int height) { scene.onResize(width, height); }

void handleKey(SDLKey key, Controls& c) {
  switch (key) {
    case SDLK_ESCAPE:
    case SDLK_q: c.done = true; break;
    case SDLK_SPACE: flip(c.toggle_space, "Main: space pressed:"); break;
    case SDLK_1: flip(c.toggle_1, "Main: 1 pressed:"); break;
    case SDLK_2: flip(c.toggle_2, "Main: 2 pressed:"); break;
    case SDLK_3: flip(c.toggle_3, "Main: 3 pressed:"); break;
    case SDLK_4: flip(c.toggle_4, "Main: 4 pressed:"); break;
    case SDLK_r: flip(c.toggle_r, "Main: r pressed:"); break;
    case SDLK_x: flip(c.toggle_x, "Main: x pressed:"); break;
    case SDLK_y: flip(c.toggle_y, "Main: y pressed:"); break;
    case SDLK_z: flip(c.toggle_z, "Main: z pressed:"); break;
    default: break;
  }
}

void handleMouseButton(Uint8 mouseButtons) {
  // The button named by the event is not what counts: any press reports
  // while the left button is held.
  if (mouseButtons & SDL_BUTTON(1))
    std::cout << "Main: Left MOUSE button pressed:" << std::endl;
}

void handleStick(Sint16 axis0, Sint16 axis1) {
  if (axis0 == 0 && axis1 == 0) return;
  std::cout << "Main: Joystick AXIS1 movement:" << std::endl;
  x_move = axis0;
  y_move = axis1;
  fx_move = static_cast<float>(x_move) / 32768.0f;
  fy_move = static_cast<float>(y_move) / 32768.0f;
  std::cout << fx_move << std::endl;
  std::cout << fy_move << std::endl;
}

void handleJoystickButton(Uint8 button) {
  if (button == 4) {
    std::cout << "Main: BUTTON4 was pressed:" << std::endl;
    z_move += kButtonStep;
    std::cout << z_move << std::endl;
  } else if (button == 5) {
    std::cout << "Main: BUTTON5 was pressed:" << std::endl;
    const float lowered = z_move - kButtonStep;
    if (!(lowered < 0.0f)) z_move = lowered;
    std::cout << z_move << std::endl;
  }
}

void stepMotion(Controls& c) {
  const float delta = c.toggle_space ? kMotionStep : -kMotionStep;
  step(c.toggle_x, c.value_x, delta);
  step(c.toggle_y, c.value_y, delta);
  step(c.toggle_z, c.value_z, delta);
  step(c.toggle_1, c.value_1, delta);
  step(c.toggle_2, c.value_2, delta);
  step(c.toggle_3, c.value_3, delta);
  step(c.toggle_4, c.value_4, delta);
}

void dispatch(const SDL_Event& event, Controls& controls, Trevalin& app, SDL_Joystick* joystick) {
  switch (event.type) {
    case SDL_QUIT: controls.done = true; break;
    case SDL_VIDEORESIZE: app.resize(event.resize.w, event.resize.h); break;
    case SDL_KEYDOWN: handleKey(event.key.keysym.sym, controls); break;
    case SDL_MOUSEBUTTONDOWN: handleMouseButton(SDL_GetMouseState(nullptr, nullptr)); break;
    case SDL_JOYAXISMOTION:
      // The stick is read through the handle, so any axis's motion stores axes 0 and 1.
      handleStick(SDL_JoystickGetAxis(joystick, 0), SDL_JoystickGetAxis(joystick, 1));
      break;
    case SDL_JOYBUTTONDOWN:
    case SDL_JOYBUTTONUP: handleJoystickButton(event.jbutton.button); break;
    default: break;
  }
}

SDL_Joystick* initJoystick() {
  SDL_InitSubSystem(SDL_INIT_JOYSTICK);
  if (SDL_NumJoysticks() < 1) return nullptr;
  SDL_Joystick* joystick = SDL_JoystickOpen(0);
  if (!joystick) {
    std::puts("Main: Couldn't open Joystick 0");
    std::fflush(stdout);
    return nullptr;
  }
  std::puts("Main: Opened Joystick 0");
  std::printf("Main: Name: %s\n", SDL_JoystickName(0));
  std::printf("Main: Number of Axes: %d\n", SDL_JoystickNumAxes(joystick));
  std::printf("Main: Number of Buttons: %d\n", SDL_JoystickNumButtons(joystick));
  std::printf("Main: Number of Balls: %d\n", SDL_JoystickNumBalls(joystick));
  std::fflush(stdout);
  return joystick;
}

void error(const std::string& message) { std::cerr << message << std::endl; }

int SDL_main(int, char**) {
  Trevalin app;
  Controls controls;
  SDL_Event event;

  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    std::cerr << "Main: Could not initialize SDL" << std::endl;
    std::cerr << SDL_GetError() << std::endl;
    return 1;
  }
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 5);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 5);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 5);
  SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 5);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_WM_SetCaption(kCaption, kCaption);
  if (!SDL_SetVideoMode(kWidth, kHeight, 0, SDL_OPENGL | SDL_RESIZABLE)) {
    std::cerr << "Main: Could not create the window" << std::endl;
    std::cerr << SDL_GetError() << std::endl;
    SDL_Quit();
    return 1;
  }
  // Functions newer than OpenGL 1.1 exist only once a context does.
  if (const char* missing = glfunctions::Load()) {
    std::cerr << "Main: OpenGL 2.0 function missing: " << missing << std::endl;
    SDL_Quit();
    return 1;
  }

  if (!initializeGuarded(app)) {
    SDL_Quit();
    return 1;
  }
  std::cout << "____ Main: Init OK!" << std::endl;
  SDL_Joystick* joystick = initJoystick();

  while (!controls.done) {
    // Every pending event is handled, even those after a quit.
    while (SDL_PollEvent(&event)) {
      SDL_JoystickUpdate();
      dispatch(event, controls, app, joystick);
    }
    app.render();
    stepMotion(controls);
    SDL_GL_SwapBuffers();
  }

  if (SDL_JoystickOpened(0)) SDL_JoystickClose(joystick);
  SDL_Quit();
  return 0;
}
