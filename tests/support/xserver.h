#pragma once
#include <string>
#include <sys/types.h>

namespace testsupport {

// A private Xvfb server with a 24-bit screen, stopped with the object.
class XServer {
 public:
  explicit XServer(bool withGlx = true);
  ~XServer();
  XServer(const XServer&) = delete;
  XServer& operator=(const XServer&) = delete;

  const std::string& display() const { return display_; }

 private:
  pid_t pid_ = -1;
  std::string display_;
};

// Makes DISPLAY name an X server, starting a private one (kept for the
// process's life) when none is set.
void EnsureDisplay();

}  // namespace testsupport
