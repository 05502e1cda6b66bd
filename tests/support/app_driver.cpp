#include "support.h"

#include <X11/Xlib.h>

#include <regex>

namespace testsupport {

namespace {
std::vector<std::string> Xvfb(bool withGlx) {
  std::vector<std::string> args = {"Xvfb", "-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-noreset"};
  if (!withGlx) args.insert(args.end(), {"-extension", "GLX"});
  return args;
}
// Xvfb picks a free display number and prints it once it takes clients.
std::string DisplayOf(Process& server) {
  if (!server.WaitForOutput("\n")) throw std::runtime_error("Xvfb did not start: " + server.Stderr());
  return ":" + server.Stdout().substr(0, server.Stdout().find('\n'));
}
std::vector<std::string> With(std::vector<std::string> list, const std::vector<std::string>& more) {
  list.insert(list.end(), more.begin(), more.end());
  return list;
}
}  // namespace

AppRun::AppRun(const AppOptions& options)
    : server(Xvfb(options.glx)),
      display(DisplayOf(server)),
      app(With(options.wrapper, {TREVALIN_EXE}), With({"DISPLAY=" + display, "SDL_VIDEODRIVER=x11"}, options.env),
          options.cwd) {}

bool AppRun::WaitForWindow(std::chrono::seconds timeout) {
  // SDL may replace its first window when it sets the OpenGL mode: only a
  // visible one with the caption counts.
  window = X("search --sync --onlyvisible --name '^Trevalin v0\\.2$' 2>/dev/null", timeout);
  window = window.substr(0, window.find('\n'));
  return !window.empty();
}

std::string AppRun::X(const std::string& args, std::chrono::seconds timeout) {
  return Shell("DISPLAY=" + display + " timeout " + std::to_string(timeout.count()) + " xdotool " +
               std::regex_replace(args, std::regex("@"), window));
}

void AppRun::RequestClose() {
  Display* d = XOpenDisplay(display.c_str());
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
