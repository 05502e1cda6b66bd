// What the tests share: temporary files, child processes, private X servers,
// the real program under X input, a GL context, and a heap allocation count.
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
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string File(std::string_view name) const { return path_ + "/" + std::string(name); }
  std::string Write(std::string_view name, std::string_view contents) const;  // returns the path

 private:
  std::string path_;
};
std::string ReadFile(const std::string& path);

// A child process whose output goes to files, so that a chatty child never
// blocks on a full pipe. It dies with the test, also when the test is killed.
class Process {
 public:
  // env: "NAME=value" entries set in the child; an empty value removes the name.
  Process(const std::vector<std::string>& argv, const std::vector<std::string>& env = {},
          const std::string& cwd = "");
  ~Process();
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;
  bool Running();
  bool Wait(std::chrono::milliseconds timeout = 20s);  // true once the child has ended
  int ExitStatus() const { return status_; }           // -1 while running or after a signal
  bool WaitForOutput(const std::string& text, std::chrono::milliseconds timeout = 20s);
  std::string Stdout() const { return ReadFile(dir_.File("out")); }
  std::string Stderr() const { return ReadFile(dir_.File("err")); }

 private:
  TempDir dir_;
  pid_t pid_ = -1;
  int status_ = -1;
};

// Runs a shell command and returns its standard output; its exit status goes to *status.
std::string Shell(const std::string& command, int* status = nullptr);

// A private Xvfb server with a 24-bit screen, on a display number it picks itself.
struct XServer {
  explicit XServer(bool withGlx = true);
  Process server;
  std::string display;
};

struct AppOptions {
  bool glx = true;
  std::vector<std::string> env;          // extra "NAME=value" entries
  std::string cwd = TREVALIN_BUILD_DIR;  // where the bundle folder is staged
  std::vector<std::string> wrapper;      // e.g. {"valgrind", ...} before the program
};

// The real program on a private X server, driven with real X input events.
struct AppRun {
  explicit AppRun(const AppOptions& options = {});
  bool WaitForWindow(std::chrono::milliseconds timeout = 20s);  // found by its caption
  // Runs xdotool on the program's display ("key --window @ x": @ is the window).
  std::string X(const std::string& args);
  void RequestClose();  // WM_DELETE_WINDOW
  XServer x;
  Process app;
  std::string window;
};

// Opens, once per process, an 800 x 600 OpenGL window through SDL, starting a
// private X server when there is no display.
void RequireGLContext();
class GLTest : public ::testing::Test {
 protected:
  void SetUp() override { RequireGLContext(); }
};
struct Rgb { int r, g, b; };
Rgb ReadPixel(int x, int y);  // from the back buffer, origin bottom left

// Heap allocations made through operator new so far; a test that calls it
// links a counting operator new.
std::size_t AllocationCount();

}  // namespace testsupport
