// The real program as a user meets it: started on a private X server, driven
// with real X input events, its output, exit status and window checked.
#include "support.h"  // before X11, whose macros clash with GoogleTest

#include <X11/Xlib.h>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <regex>
#include <thread>

#include "Paths.h"

namespace {

using testsupport::TempDir;
using namespace std::chrono_literals;

template <typename Done>
bool Until(std::chrono::seconds timeout, Done done) {
  for (const auto until = std::chrono::steady_clock::now() + timeout; !done(); std::this_thread::sleep_for(20ms))
    if (std::chrono::steady_clock::now() > until) return false;
  return true;
}

// A child process whose output goes to files, so that a chatty child never blocks on a full pipe.
class Process {
 public:
  explicit Process(const std::vector<std::string>& argv) {
    pid_ = fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ > 0) return;
    prctl(PR_SET_PDEATHSIG, SIGKILL);  // a killed test runs no destructors
    dup2(open("/dev/null", O_RDONLY), 0);
    dup2(open(dir_.File("out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
    dup2(open(dir_.File("err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  ~Process() {
    if (!Running()) return;
    kill(pid_, SIGTERM);
    if (!Wait(3s)) kill(pid_, SIGKILL), waitpid(pid_, nullptr, 0);
  }
  bool Running() {
    int st = 0;
    if (pid_ > 0 && waitpid(pid_, &st, WNOHANG) == pid_) pid_ = -1, status_ = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return pid_ > 0;
  }
  bool Wait(std::chrono::seconds timeout = 20s) { return Until(timeout, [&] { return !Running(); }); }
  int ExitStatus() const { return status_; }  // -1 while running or after a signal
  std::string Stdout() const { return testsupport::ReadFile(dir_.File("out")); }
  std::string Stderr() const { return testsupport::ReadFile(dir_.File("err")); }

 private:
  TempDir dir_;
  pid_t pid_ = -1;
  int status_ = -1;
};

std::string Shell(const std::string& command) {  // its standard output
  std::string result;
  FILE* p = popen(command.c_str(), "r");
  if (!p) throw std::runtime_error("popen failed");
  char buf[4096];
  for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) result.append(buf, n);
  pclose(p);
  return result;
}

using Args = std::vector<std::string>;
Args operator+(Args a, const Args& b) { return a.insert(a.end(), b.begin(), b.end()), a; }

// Xvfb picks a free display number and prints it once it takes clients.
std::string DisplayOf(Process& server) {
  if (!Until(20s, [&] { return server.Stdout().find('\n') != std::string::npos; }))
    throw std::runtime_error("Xvfb did not start: " + server.Stderr());
  return ":" + server.Stdout().substr(0, server.Stdout().find('\n'));
}

struct AppRun {
  // before: more of env(1)'s "NAME=value" entries, or a command that runs the program; it
  // runs where the bundle folder is staged.
  explicit AppRun(const Args& before = {}, bool glx = true)
      : server(Args{"Xvfb", "-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-noreset"} +
               (glx ? Args{} : Args{"-extension", "GLX"})),
        display(DisplayOf(server)),
        app(Args{"env", "-C", TREVALIN_BUILD_DIR, "DISPLAY=" + display, "SDL_VIDEODRIVER=x11"} + before + Args{TREVALIN_EXE}) {}
  // Runs xdotool on the program's display; @ stands for the window.
  std::string X(const std::string& args, std::chrono::seconds timeout = 20s) {
    return Shell("DISPLAY=" + display + " timeout " + std::to_string(timeout.count()) + " xdotool " +
                 std::regex_replace(args, std::regex("@"), window));
  }
  // SDL may replace its first window when it sets the OpenGL mode: only a visible one with the caption counts.
  bool WaitForWindow(std::chrono::seconds timeout = 20s) {
    window = X("search --sync --onlyvisible --name '^Trevalin v0\\.2$' 2>/dev/null", timeout);
    window = window.substr(0, window.find('\n'));
    return !window.empty();
  }
  void RequestClose() {  // as a window manager asks: WM_DELETE_WINDOW
    Display* d = XOpenDisplay(display.c_str());
    XEvent ev{};
    ev.xclient = {ClientMessage, 0, True, d, std::stoul(window), XInternAtom(d, "WM_PROTOCOLS", False), 32, {}};
    ev.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
    XSendEvent(d, ev.xclient.window, False, NoEventMask, &ev);
    XCloseDisplay(d);
  }
  Process server;
  std::string display;
  Process app;
  std::string window;
};

std::string Literal(const std::string& text) {
  return std::regex_replace(text, std::regex(R"([.^$|()\[\]{}*+?\\])"), R"(\$&)");
}
const std::string kStartUp =
    "____ Scene: Load vertex shader: " + Literal(TREVALIN_VERTEX_SHADER) + "\n" +
    "____ Scene: Load fragment shader: " + Literal(TREVALIN_FRAGMENT_SHADER) + "\n" +
    "____ Scene: Scene prepare\n____ Scene: Scene init\nScene: load textures\n"
    "Texture: _ID:0x[0-9a-f]+ - unit:0\nTexture: Loading Quenlith\\.app/Contents/Resources/texture1\\.png\n"
    "Scene: load models\nMesh: Loading " + Literal(TREVALIN_MODEL) + "\n" +
    "Vertices: [1-9][0-9]*\nProperties: 8\nTriangles: [1-9][0-9]*\nMesh: PLY loading: [0-9]+ms\n"
    "Mesh: Tangents calculations \\(with classes\\): [0-9]+ms\n____ Main: Init OK\n____ Main: Init OK!\n";

std::string AfterStartUp(const std::string& out) {
  const auto at = out.find("____ Main: Init OK!\n");
  return at == std::string::npos ? "<no start-up>\n" + out : out.substr(at + 20);  // past the line
}

TEST(Program, StartsDrawsTheCubeReportsKeysAndQuitsOnQ) {
  AppRun run;
  ASSERT_TRUE(run.WaitForWindow()) << run.app.Stdout() << run.app.Stderr();
  EXPECT_EQ(run.X("getwindowname @"), "Trevalin v0.2\n");
  EXPECT_NE(run.X("getwindowgeometry @").find("Geometry: 800x600"), std::string::npos);
  std::this_thread::sleep_for(500ms);
  // The clear colour at a corner; the back face, which only turns in place, at the middle.
  EXPECT_EQ(Shell("xwd -silent -display " + run.display + " -id " + run.window +
                  " | convert xwd:- -format '%[pixel:p{5,5}] %[pixel:p{412,300}]' info:"),
            "srgb(76,230,128) srgb(255,255,0)");
  for (const char* key : {"x", "space", "1", "2", "3", "4", "r", "shift+y", "Z", "a", "Return", "q"})
    run.X("key --window @ " + std::string(key));
  ASSERT_TRUE(run.app.Wait());
  EXPECT_EQ(run.app.ExitStatus(), 0);
  EXPECT_TRUE(std::regex_match(run.app.Stdout(), std::regex(kStartUp +
      "Main: x pressed:\nMain: space pressed:\nMain: 1 pressed:\nMain: 2 pressed:\nMain: 3 pressed:\n"
      "Main: 4 pressed:\nMain: r pressed:\nMain: y pressed:\nMain: z pressed:\n"))) << run.app.Stdout();
  EXPECT_EQ(run.app.Stderr(), "");
}

// In the GL call stream: set-up releases what it made; a resize reaches the scene in the same context.
TEST(Program, ReleasesItsSetUpObjectsAndFollowsAResizeUntilEscape) {
  TempDir dir;
  const std::string trace = dir.File("run.trace");
  AppRun run({"apitrace", "trace", "--output", trace});
  ASSERT_TRUE(run.WaitForWindow(60s)) << run.app.Stderr();
  run.X("windowsize @ 1024 768");
  ASSERT_NE(run.X("sleep 1 getwindowgeometry @").find("Geometry: 1024x768"), std::string::npos);
  run.X("key --window @ Escape");
  ASSERT_TRUE(run.app.Wait(60s));
  EXPECT_EQ(run.app.ExitStatus(), 0);
  EXPECT_EQ(AfterStartUp(run.app.Stdout()), "");

  // Set-up runs from the program's first GL object to the first frame's clear.
  const std::string dump = "apitrace dump --color=never " + trace + " 2>/dev/null | ";
  const auto count = [&](const std::string& lines, const std::string& calls) {  // lines: a sed range
    return std::stoi(Shell(dump + "sed -n '" + lines + "p' | grep -cE '" + calls + "'"));
  };
  const auto names = [&](const char* made) {  // "Buffers 4" lines, sorted
    return Shell(dump + "sed -n '/glCreateProgram(/,/glClear(/p' | sed -nE 's/.*gl" + made +
                 "(\\w+)\\(n = 1, \\w+ = &([0-9]+)\\).*/\\1 \\2/p' | sort");
  };
  EXPECT_EQ(count("/glCreateProgram(/,/glClear(/", "glTexImage2D|glBufferData"), 6);  // texture, five arrays
  EXPECT_EQ(names("Gen"), "Buffers 1\nBuffers 2\nBuffers 3\nBuffers 4\nBuffers 5\nTextures 1\n");
  EXPECT_EQ(names("Delete"), names("Gen"));
  // The resize reaches the scene; the program's context and objects serve the frames after it.
  EXPECT_EQ(count("/glCreateProgram(/,$", "glCreateProgram|glXCreate\\w*Context|glXMakeCurrent.*ctx = 0x"), 1);
  EXPECT_EQ(count("/width = 1024, height = 768/,$", "glViewport"), 1);
  EXPECT_GT(count("/width = 1024, height = 768/,$", "glUniformMatrix4fv"), 0);
}

// Every failed start says why and ends with status 1, without "Init OK".
struct FailedStart {
  const char* what;
  const char* brokenFile;  // mounted over this fixed data path, in a private mount namespace
  const char* brokenText;
  Args before;
  bool glx;
  std::string out, err;
};
class FailedStarts : public testing::TestWithParam<FailedStart> {};

TEST_P(FailedStarts, ExitWithStatusOne) {
  const FailedStart& c = GetParam();
  TempDir dir;
  Args before = c.before;
  if (c.brokenFile) {
    const std::string cannot = Shell("unshare -m true 2>&1");
    if (!cannot.empty()) GTEST_SKIP() << c.what << ": needs a private mount namespace: " << cannot;
    before = {"unshare", "-m", "sh", "-c", "mount --bind '" + dir.Write("file", c.brokenText) + "' '" +
              c.brokenFile + "' && exec \"$0\""};
  }
  AppRun run(before, c.glx);
  ASSERT_TRUE(run.app.Wait(30s));
  EXPECT_EQ(run.app.ExitStatus(), 1);
  EXPECT_NE(run.app.Stdout().find(c.out), std::string::npos) << run.app.Stdout();
  EXPECT_EQ(run.app.Stdout().find("Init OK"), std::string::npos);
  EXPECT_EQ(run.app.Stderr().rfind(c.err, 0), 0u) << run.app.Stderr();
}

INSTANTIATE_TEST_SUITE_P(Program, FailedStarts, testing::Values(
    FailedStart{"no display", nullptr, nullptr, {"DISPLAY="}, true, "", "Main: Could not initialize SDL\n"},
    FailedStart{"no GLX", nullptr, nullptr, {}, false, "", "Main: Could not create the window\n"},
    FailedStart{"no texture", nullptr, nullptr, {"env", "-C", "/"}, true, "Texture: Loading Quenlith.app/Contents/Resources/texture1.png\n",
                "Texture::Load - loading error\nMain: Error: Init failed!\n"},
    FailedStart{"bad shader", TREVALIN_FRAGMENT_SHADER, "", {}, true, "Scene: Could not initialize the shaders\n",
                "Main: Error: Init failed!\n"},
    FailedStart{"bad model", TREVALIN_MODEL, "ply\nformat ascii 1.0\nelement vertex 1\nproperty float x\nelement face 1\n"
                "end_header\n0\n4 0 0 0\n", {}, true, "Mesh: Loading " TREVALIN_MODEL "\n",
                "Mesh::LoadPly - Not a triangular face\nMain: Error: Init failed!\n"}),
    [](const testing::TestParamInfo<FailedStart>& info) {
      return std::regex_replace(info.param.what, std::regex(" "), "_");
    });

// Memory faults of whole runs are the sanitizer build's to find, whose program runs every case here.
TEST(Program, EndsWhenTheWindowIsClosed) {
  AppRun run;
  ASSERT_TRUE(run.WaitForWindow());
  run.RequestClose();
  ASSERT_TRUE(run.app.Wait());
  EXPECT_EQ(run.app.ExitStatus(), 0);
  EXPECT_EQ(AfterStartUp(run.app.Stdout()), "");
  EXPECT_EQ(run.app.Stderr(), "");
}

}  // namespace
