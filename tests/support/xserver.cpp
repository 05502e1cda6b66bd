#include "xserver.h"

#include <X11/Xlib.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {

namespace {

// Starts Xvfb on the display and waits until it takes clients. False when the
// server ended instead (the display was taken) or never answered.
bool StartOn(const std::string& display, bool withGlx, pid_t& pid) {
  pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    if (!freopen("/dev/null", "w", stderr)) _exit(127);
    const char* noGlx[] = {"-extension", "GLX"};
    execlp("Xvfb", "Xvfb", display.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
           "-noreset", withGlx ? nullptr : noGlx[0], noGlx[1], static_cast<char*>(nullptr));
    _exit(127);
  }
  for (int i = 0; i < 250; ++i) {
    if (waitpid(pid, nullptr, WNOHANG) == pid) return false;
    if (Display* d = XOpenDisplay(display.c_str())) {
      XCloseDisplay(d);
      return true;
    }
    usleep(20000);
  }
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  return false;
}

}  // namespace

XServer::XServer(bool withGlx) {
  // Numbers far from the usual ones, so that parallel test runs and other
  // servers on the machine do not meet.
  std::random_device seed;
  std::mt19937 pick(seed());
  std::uniform_int_distribution<int> number(200, 2999);
  for (int attempt = 0; attempt < 10; ++attempt) {
    display_ = ":" + std::to_string(number(pick));
    if (StartOn(display_, withGlx, pid_)) return;
  }
  pid_ = -1;
  throw std::runtime_error("Xvfb did not start");
}

XServer::~XServer() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
}

void EnsureDisplay() {
  const char* d = std::getenv("DISPLAY");
  if (d && *d) return;
  static XServer server;
  setenv("DISPLAY", server.display().c_str(), 1);
}

}  // namespace testsupport
