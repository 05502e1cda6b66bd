#pragma once
#include <gtest/gtest.h>
#include <sys/types.h>

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace testsupport {

using namespace std::chrono_literals;

// A fresh directory under /tmp, removed with its contents.
struct TempDir {
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  std::string File(std::string_view name) const { return path + "/" + std::string(name); }
  std::string Write(std::string_view name, std::string_view contents) const;  // returns the path
  std::string path;
};
std::string ReadFile(const std::string& path);

// A child process whose output goes to files, so that a chatty child never
// blocks on a full pipe. It dies with the test, also when the test is killed.
class Process {
 public:
  explicit Process(const std::vector<std::string>& argv);
  ~Process();
  Process(const Process&) = delete;
  bool Running();
  bool Wait(std::chrono::milliseconds timeout = 20s);  // true once the child has ended
  bool WaitForOutput(const std::string& text, std::chrono::milliseconds timeout = 20s);
  int ExitStatus() const { return status_; }  // -1 while running or after a signal
  std::string Stdout() const { return ReadFile(dir_.File("out")); }
  std::string Stderr() const { return ReadFile(dir_.File("err")); }

 private:
  TempDir dir_;
  pid_t pid_ = -1;
  int status_ = -1;
};

std::string Shell(const std::string& command);  // returns its standard output

struct AppOptions {
  bool glx = true;
  std::vector<std::string> env;          // "NAME=value" entries that override the run's
  std::string cwd = TREVALIN_BUILD_DIR;  // where the bundle folder is staged
  std::vector<std::string> wrapper;      // e.g. {"valgrind", ...} before the program
};

// The real program on a private Xvfb server, driven with real X input events.
struct AppRun {
  explicit AppRun(const AppOptions& options = {});
  bool WaitForWindow(std::chrono::seconds timeout = 20s);  // found by its caption
  // Runs xdotool on the program's display; @ stands for the window.
  std::string X(const std::string& args, std::chrono::seconds timeout = 20s);
  void RequestClose();                     // as a window manager asks: WM_DELETE_WINDOW
  Process server;
  std::string display;
  Process app;
  std::string window;
};

// Opens, once per process, an 800 x 600 OpenGL window through SDL.
class GLTest : public ::testing::Test {
 protected:
  void SetUp() override;
};
struct Rgb { int r, g, b; };
Rgb ReadPixel(int x, int y);  // from the back buffer, origin bottom left

// Heap allocations through operator new so far; calling it links a counting one.
std::size_t AllocationCount();

}  // namespace testsupport
