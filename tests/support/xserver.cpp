#include "xserver.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {

XServer::XServer(bool withGlx) {
  int fds[2];
  if (pipe(fds) != 0) throw std::runtime_error("pipe failed");
  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    close(fds[0]);
    std::string fd = std::to_string(fds[1]);
    freopen("/dev/null", "w", stderr);
    if (withGlx)
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24",
             "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
    else
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24",
             "-nolisten", "tcp", "-noreset", "-extension", "GLX", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  // Xvfb writes its display number once it accepts connections.
  char buf[32] = {};
  ssize_t n = read(fds[0], buf, sizeof buf - 1);
  close(fds[0]);
  if (n <= 0) throw std::runtime_error("Xvfb did not start");
  display_ = ":" + std::string(buf, buf + n);
  while (!display_.empty() && (display_.back() == '\n')) display_.pop_back();
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
