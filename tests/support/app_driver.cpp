#include "app_driver.h"

#include <X11/Xlib.h>
#include <thread>

namespace testsupport {

AppRun::AppRun() : AppRun(Options{}) {}

AppRun::AppRun(Options options) : server_(std::make_unique<XServer>(options.glx)) {
  std::vector<std::string> argv = options.wrapper;
  argv.push_back(TREVALIN_EXE);
  std::vector<std::string> env = {"DISPLAY=" + server_->display(), "SDL_VIDEODRIVER=x11"};
  env.insert(env.end(), options.env.begin(), options.env.end());
  process_ = std::make_unique<Process>(argv, env, options.cwd);
}

std::string AppRun::WaitForWindow(std::chrono::milliseconds timeout) {
  auto until = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < until && process_->Running()) {
    // SDL replaces its first window when it sets the OpenGL mode, so only a
    // visible window with the caption counts.
    std::string id = Shell("DISPLAY=" + display() +
                           " xdotool search --onlyvisible --name '^Trevalin v0\\.2$' 2>/dev/null");
    if (!id.empty()) {
      window_ = id.substr(0, id.find('\n'));
      return window_;
    }
    std::this_thread::sleep_for(100ms);
  }
  return {};
}

int AppRun::Xdotool(const std::string& args) {
  int status = 0;
  Shell("DISPLAY=" + display() + " xdotool " + args + " 2>&1", &status);
  return status;
}

void AppRun::Key(const std::string& keysym) { Xdotool("key --window " + window_ + " " + keysym); }

void AppRun::RequestClose() {
  Display* d = XOpenDisplay(display().c_str());
  if (!d) return;
  Window w = std::stoul(window_);
  XEvent ev{};
  ev.xclient.type = ClientMessage;
  ev.xclient.window = w;
  ev.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
  ev.xclient.format = 32;
  ev.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
  ev.xclient.data.l[1] = CurrentTime;
  XSendEvent(d, w, False, NoEventMask, &ev);
  XFlush(d);
  XCloseDisplay(d);
}

bool AppRun::Capture(const std::string& pngPath) {
  int status = 0;
  Shell("DISPLAY=" + display() + " xwd -silent -id " + window_ + " | convert xwd:- " + pngPath +
            " 2>&1",
        &status);
  return status == 0;
}

}  // namespace testsupport
