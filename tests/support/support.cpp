// The tests' shared support: temporary files, child processes, the real
// program on a private X server, and a GL window for the unit tests.
#include "support.h"

#include <GL/gl.h>
#include <SDL.h>
#include <X11/Xlib.h>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace testsupport {

TempDir::TempDir() : path("/tmp/trevalin-test-XXXXXX") {
  if (!mkdtemp(path.data())) throw std::runtime_error("mkdtemp failed");
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path, ignored);
}

std::string TempDir::Write(std::string_view name, std::string_view contents) const {
  std::ofstream(File(name), std::ios::binary) << contents;
  return File(name);
}

std::string ReadFile(const std::string& path) {
  std::ostringstream s;
  s << std::ifstream(path, std::ios::binary).rdbuf();
  return s.str();
}

Process::Process(const std::vector<std::string>& argv) {
  const std::string out = dir_.File("out"), err = dir_.File("err");
  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ > 0) return;
  // A test killed by its time-out runs no destructors; this takes the child along.
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  dup2(open("/dev/null", O_RDONLY), 0);
  dup2(open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
  dup2(open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  execvp(args[0], args.data());
  _exit(127);
}

Process::~Process() {
  if (!Running()) return;
  kill(pid_, SIGTERM);
  if (!Wait(3s)) kill(pid_, SIGKILL), waitpid(pid_, nullptr, 0);
}

bool Process::Running() {
  int st = 0;
  if (pid_ > 0 && waitpid(pid_, &st, WNOHANG) == pid_) {
    pid_ = -1;
    status_ = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  }
  return pid_ > 0;
}

bool Process::Wait(std::chrono::milliseconds timeout) {
  for (const auto until = std::chrono::steady_clock::now() + timeout; Running(); std::this_thread::sleep_for(20ms))
    if (std::chrono::steady_clock::now() > until) return false;
  return true;
}

bool Process::WaitForOutput(const std::string& text, std::chrono::milliseconds timeout) {
  for (const auto until = std::chrono::steady_clock::now() + timeout; Stdout().find(text) == std::string::npos;
       std::this_thread::sleep_for(20ms))
    if (std::chrono::steady_clock::now() > until) return false;
  return true;
}

std::string Shell(const std::string& command) {
  std::string result;
  FILE* p = popen(command.c_str(), "r");
  if (!p) throw std::runtime_error("popen failed");
  char buf[4096];
  for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) result.append(buf, n);
  pclose(p);
  return result;
}

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
      app(With(With({"env", "-C", options.cwd, "DISPLAY=" + display, "SDL_VIDEODRIVER=x11"}, options.env),
               With(options.wrapper, {TREVALIN_EXE}))) {}

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

void GLTest::SetUp() {
  static const bool open = SDL_Init(SDL_INIT_VIDEO) == 0 && SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16) == 0 &&
                           SDL_SetVideoMode(800, 600, 0, SDL_OPENGL | SDL_RESIZABLE) && std::atexit(SDL_Quit) == 0;
  ASSERT_TRUE(open) << "no OpenGL window: " << SDL_GetError();
}

Rgb ReadPixel(int x, int y) {
  unsigned char p[3] = {};
  glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, p);
  return {p[0], p[1], p[2]};
}

}  // namespace testsupport
