#pragma once
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "process.h"
#include "xserver.h"

namespace testsupport {

using namespace std::chrono_literals;

// The real trevalin program on a private X server, driven with real X input
// events through xdotool.
class AppRun {
 public:
  struct Options {
    bool glx = true;
    std::vector<std::string> env;            // extra "NAME=value" entries
    std::string cwd = TREVALIN_BUILD_DIR;    // where the bundle folder is staged
    std::vector<std::string> wrapper;        // e.g. {"valgrind", "..."} before the program
  };
  AppRun();
  explicit AppRun(Options options);

  // Finds the program's visible window by its caption; empty on time-out.
  std::string WaitForWindow(std::chrono::milliseconds timeout = 20s);
  // Runs an xdotool command against the program's display, e.g. "key x".
  int Xdotool(const std::string& args);
  void Key(const std::string& keysym);
  // Asks the window to close the way a window manager does (WM_DELETE_WINDOW).
  void RequestClose();
  // Saves the window's picture as a PNG file.
  bool Capture(const std::string& pngPath);

  bool Wait(std::chrono::milliseconds timeout = 20s) { return process_->Wait(timeout); }
  int ExitStatus() const { return process_->ExitStatus(); }
  std::string Stdout() const { return process_->Stdout(); }
  std::string Stderr() const { return process_->Stderr(); }
  bool WaitForOutput(const std::string& text, std::chrono::milliseconds timeout = 20s) {
    return process_->WaitForOutput(text, timeout);
  }
  const std::string& display() const { return server_->display(); }
  const std::string& window() const { return window_; }

 private:
  std::unique_ptr<XServer> server_;
  std::unique_ptr<Process> process_;
  std::string window_;
};

}  // namespace testsupport
