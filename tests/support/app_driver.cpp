#include "support.h"

#include <X11/Xlib.h>

#include <regex>
#include <thread>

namespace testsupport {

namespace {
std::vector<std::string> Command(const AppOptions& options) {
  std::vector<std::string> argv = options.wrapper;
  argv.push_back(TREVALIN_EXE);
  return argv;
}
std::vector<std::string> Environment(const AppOptions& options, const XServer& x) {
  std::vector<std::string> env = {"DISPLAY=" + x.display, "SDL_VIDEODRIVER=x11"};
  env.insert(env.end(), options.env.begin(), options.env.end());
  return env;
}
}  // namespace

AppRun::AppRun(const AppOptions& options)
    : x(options.glx), app(Command(options), Environment(options, x), options.cwd) {}

bool AppRun::WaitForWindow(std::chrono::milliseconds timeout) {
  const auto until = std::chrono::steady_clock::now() + timeout;
  // SDL may replace its first window when it sets the OpenGL mode: only a
  // visible one with the caption counts.
  while (window.empty() && app.Running() && std::chrono::steady_clock::now() < until) {
    window = X("search --onlyvisible --name '^Trevalin v0\\.2$' 2>/dev/null");
    window = window.substr(0, window.find('\n'));
    std::this_thread::sleep_for(100ms);
  }
  return !window.empty();
}

std::string AppRun::X(const std::string& args) {
  return Shell("DISPLAY=" + x.display + " xdotool " + std::regex_replace(args, std::regex("@"), window));
}

void AppRun::RequestClose() {
  Display* d = XOpenDisplay(x.display.c_str());
  XEvent ev{};
  ev.xclient.type = ClientMessage;
  ev.xclient.window = std::stoul(window);
  ev.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
  ev.xclient.format = 32;
  ev.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
  XSendEvent(d, ev.xclient.window, False, NoEventMask, &ev);
  XCloseDisplay(d);
}

}  // namespace testsupport
