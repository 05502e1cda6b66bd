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
#include <sstream>
#include <thread>

#include "Paths.h"

namespace {

using testsupport::TempDir;
using namespace std::chrono_literals;

template <typename Done> bool Until(std::chrono::seconds timeout, Done done) {
  for (const auto until = std::chrono::steady_clock::now() + timeout; !done(); std::this_thread::sleep_for(20ms))
    if (std::chrono::steady_clock::now() > until) return false;
  return true;
}

// A child process whose output goes to files, so that a chatty child never blocks on a full pipe.
class Process {
 public:
  explicit Process(const std::vector<std::string>& argv) : pid_(fork()) {
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ > 0) return;
    prctl(PR_SET_PDEATHSIG, SIGKILL);  // a killed test runs no destructors
    dup2(open("/dev/null", O_RDONLY), 0);
    dup2(open(dir_.File("out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
    dup2(open(dir_.File("err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    execvp(args[0], (args.push_back(nullptr), args.data()));
    _exit(127);
  }
  ~Process() { if (Running() && (kill(pid_, SIGTERM), !Wait(3s))) kill(pid_, SIGKILL), waitpid(pid_, nullptr, 0); }
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
  pid_t pid_;
  int status_ = -1;
};

std::string Shell(const std::string& command) {  // its standard output, up to 64 kB
  std::string out(1 << 16, '\0');
  FILE* p = popen(command.c_str(), "r");
  return out.resize(p ? fread(out.data(), 1, out.size(), p) : 0), p && pclose(p), out;
}

using Args = std::vector<std::string>;
Args operator+(Args a, const Args& b) { return a.insert(a.end(), b.begin(), b.end()), a; }

// Xvfb picks a free display number and prints it once it takes clients.
std::string DisplayOf(Process& server) {
  if (!Until(20s, [&] { return server.Stdout().find('\n') != std::string::npos; }))
    throw std::runtime_error("Xvfb did not start: " + server.Stderr());
  return ":" + server.Stdout().substr(0, server.Stdout().find('\n'));
}

int Count(const std::string& text, const std::string& word) {
  int n = 0;
  for (auto at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) ++n;
  return n;
}

// The face a pixel shows: 0 to 3 for the sides seen above the back face's centre a quarter turn
// apart (top, right, bottom, left), 4 the back face, 5 the clear colour, -1 none.
int Face(testsupport::Rgb c) {
  const float colours[6][3] = {{0, 1, 0}, {1, 0, 1}, {1, 0.5f, 0}, {0.5f, 0.5f, 0.5f}, {1, 1, 0}, {0.3f, 0.9f, 0.5f}};
  for (int f = 0; f < 6; ++f)
    if (testsupport::Shows(c, colours[f][0], colours[f][1], colours[f][2])) return f;
  return -1;
}

struct AppRun {
  // before: more of env(1)'s "NAME=value" entries, or a command that runs the program; by
  // default it starts in the folder the bundle is staged in.
  explicit AppRun(const Args& before = {}, bool glx = true)
      : server(Args{"Xvfb", "-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-noreset"} +
               (glx ? Args{} : Args{"-extension", "GLX"})), display(DisplayOf(server)),
        app(Args{"env", "-C", TREVALIN_BUILD_DIR, "DISPLAY=" + display, "SDL_VIDEODRIVER=x11"} + before + Args{TREVALIN_EXE}) {}
  // Runs xdotool on the program's display; @ stands for the window.
  std::string X(const std::string& args, std::chrono::seconds timeout = 20s) {
    return Shell("DISPLAY=" + display + " timeout " + std::to_string(timeout.count()) + " xdotool " +
                 std::regex_replace(args, std::regex("@"), window));
  }
  // The program's visible top-level window (SDL may replace its first one), once it has a name.
  bool WaitForWindow(std::chrono::seconds timeout = 20s) {
    window = X("search --sync --onlyvisible --maxdepth 1 --class . 2>/dev/null", timeout);
    window = window.substr(0, window.find('\n'));
    return !window.empty() && Until(5s, [&] { return X("getwindowname @") != "\n"; });
  }
  // The faces the window shows at the points, as the X server has them.
  std::vector<int> Faces(const std::vector<std::pair<int, int>>& points) {
    std::string format;
    for (auto [x, y] : points) format += "%[pixel:p{" + std::to_string(x) + "," + std::to_string(y) + "}] ";
    std::istringstream in(std::regex_replace(Shell("xwd -silent -display " + display + " -id " + window +
                                                   " | convert xwd:- -format '" + format + "' info:"),
                                             std::regex("[^0-9]+"), " "));
    std::vector<int> faces;
    for (testsupport::Rgb p; faces.size() < points.size() && in >> p.r >> p.g >> p.b;) faces.push_back(Face(p));
    return faces.resize(points.size(), -1), faces;
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
  std::string display, window;
  Process app;
};

std::string Literal(const std::string& text) { return std::regex_replace(text, std::regex(R"([.^$|()\[\]{}*+?\\])"), R"(\$&)"); }
const std::string kStartUp =
    "____ Scene: Load vertex shader: " + Literal(TREVALIN_VERTEX_SHADER) + "\n____ Scene: Load fragment shader: " +
    Literal(TREVALIN_FRAGMENT_SHADER) + "\n____ Scene: Scene prepare\n____ Scene: Scene init\nScene: load textures\n"
    "Texture: _ID:0x[0-9a-f]+ - unit:0\nTexture: Loading Quenlith\\.app/Contents/Resources/texture1\\.png\n"
    "Scene: load models\nMesh: Loading " + Literal(TREVALIN_MODEL) + "\nVertices: [1-9][0-9]*\nProperties: 8\n"
    "Triangles: [1-9][0-9]*\nMesh: PLY loading: [0-9]+ms\nMesh: Tangents calculations \\(with classes\\): [0-9]+ms\n"
    "____ Main: Init OK\n____ Main: Init OK!\n";


// From the bundle's folder, ended with q; from one without it, as a desktop launch may, with Escape.
class Runs : public testing::TestWithParam<bool> {};
INSTANTIATE_TEST_SUITE_P(Program, Runs, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& c) { return c.param ? "FromAnotherFolder" : "FromTheBuild"; });

TEST_P(Runs, DrawTheTurningCubeReportInputAndQuit) {
  TempDir elsewhere;
  AppRun run(GetParam() ? Args{"env", "-C", elsewhere.path} : Args{});
  ASSERT_TRUE(run.WaitForWindow()) << run.app.Stdout() << run.app.Stderr();
  EXPECT_EQ(run.X("getwindowname @"), "Trevalin v0.2\n");
  EXPECT_NE(run.X("getwindowgeometry @").find("Geometry: 800x600"), std::string::npos);
  // A corner, the back face's centre, which only turns in place, and a side face above it, which
  // changes as the cube turns about z: first once drawn, then once turned.
  std::vector<int> first, now;
  const auto faces = [&] { return now = run.Faces({{5, 5}, {413, 299}, {413, 239}}); };
  EXPECT_TRUE(Until(30s, [&] { return faces()[0] == 5 && now[1] == 4 && now[2] >= 0 && now[2] < 4; })) << now[2];
  first = now;
  EXPECT_TRUE(Until(30s, [&] { return faces() != first && now[2] >= 0; })) << "no turn from face " << first[2];
  EXPECT_EQ(now[0] * 10 + now[1], 54) << "only the side faces change";
  for (const char* key : {"x", "space", "1", "2", "3", "4", "r", "shift+y", "Z", "a", "Return"})
    run.X("key --window @ " + std::string(key));
  // The left button reports while held, whichever button the press is of.
  const auto reports = [&](int n) { return Until(20s, [&] { return Count(run.app.Stdout(), "MOUSE") == n; }); };
  EXPECT_TRUE((run.X("mousemove --window @ 400 300 mousedown 1"), reports(1))) << run.app.Stdout();
  EXPECT_TRUE((run.X("mousedown 3"), reports(2))) << run.app.Stdout();
  run.X(std::string("mouseup 3 mouseup 1 mousedown 3 mouseup 3 key --window @ ") + (GetParam() ? "Escape" : "q"));
  ASSERT_TRUE(run.app.Wait());
  EXPECT_EQ(run.app.ExitStatus(), 0);
  EXPECT_TRUE(std::regex_match(run.app.Stdout(), std::regex(kStartUp + "Main: x pressed:\nMain: space pressed:\nMain: 1 pressed:\n"
      "Main: 2 pressed:\nMain: 3 pressed:\nMain: 4 pressed:\nMain: r pressed:\nMain: y pressed:\nMain: z pressed:\n"
      "Main: Left MOUSE button pressed:\nMain: Left MOUSE button pressed:\n"))) << run.app.Stdout();
  EXPECT_EQ(run.app.Stderr(), "");
}

// In the GL call stream: set-up releases what it made; a resize to another shape reaches the
// scene's viewport in the same context, while the projection keeps the first screen's shape. The
// window manager's close request ends the run.
TEST(Program, ReleasesItsSetUpObjectsAndFollowsAResizeUntilClosed) {
  TempDir dir;
  AppRun run({"apitrace", "trace", "--output", dir.File("run.trace")});
  ASSERT_TRUE(run.WaitForWindow(60s)) << run.app.Stderr();
  // A frame drawn before the resize, and one after it, whose viewport moves the back face off its spot.
  ASSERT_TRUE(Until(60s, [&] { return run.Faces({{413, 299}})[0] == 4; }));
  run.X("windowsize --sync @ 1000 500");
  ASSERT_TRUE(Until(60s, [&] { const int f = run.Faces({{413, 299}})[0]; return f >= 0 && f != 4; }));
  run.RequestClose();
  ASSERT_TRUE(run.app.Wait(60s));
  EXPECT_EQ(run.app.ExitStatus(), 0);
  EXPECT_TRUE(std::regex_match(run.app.Stdout(), std::regex(kStartUp))) << run.app.Stdout();

  const std::string dump = "apitrace dump --color=never " + dir.File("run.trace") + " 2>/dev/null | ";
  const auto count = [&](const std::string& lines, const std::string& calls) {  // lines: a sed range
    return std::stoi(Shell(dump + "sed -n '" + lines + "p' | grep -cE '" + calls + "'"));
  };
  // Set-up (first GL object to first clear) makes a texture and five buffers, fills each once, deletes all.
  for (const char* calls : {"glTexImage2D|glBufferData", "glGen(Buffers|Textures)", "glDelete(Buffers|Textures)"})
    EXPECT_EQ(count("/glCreateProgram(/,/glClear(/", calls), 6) << calls;
  EXPECT_EQ(count("/glCreateProgram(/,$", "glCreateProgram|glXCreate\\w*Context|glXMakeCurrent.*ctx = 0x"), 1);
  // The scene's resize: the new viewport, then its projection matrix reset; frames after it.
  const std::string resized = "glViewport\\(x = 0, y = 0, width = 1000, height = 500\\)";
  EXPECT_GT(std::stoi(Shell(dump + "grep -A1 -E '" + resized + "' | grep -c 'glMatrixMode(mode = GL_PROJECTION)'")), 0);
  EXPECT_GT(count("/width = 1000, height = 500/,$", "glUniformMatrix4fv"), 0);
  // Each frame sends every uniform; only the modelview matrix takes more than one value.
  EXPECT_EQ(Shell(dump + "sed -nE 's/^[0-9]+ glUniformMatrix4fv\\((location = [0-9]+).*value = /\\1 /p' | sort -u | "
                  "cut -d' ' -f3 | uniq -c | awk '$1 > 1' | wc -l"), "1\n");
}

// A failed start says why and ends with status 1, without "Init OK". In `before`, @dir stands for a fresh folder.
void ExpectFailedStart(Args before, bool glx, const std::string& out, const std::string& err) {
  TempDir dir;
  for (auto& arg : before) arg = std::regex_replace(arg, std::regex("@dir"), dir.path);
  AppRun run(before, glx);
  ASSERT_TRUE(run.app.Wait(30s));
  EXPECT_EQ(run.app.ExitStatus(), 1);
  EXPECT_NE(run.app.Stdout().find(out), std::string::npos) << run.app.Stdout();
  EXPECT_EQ(run.app.Stdout().find("Init OK"), std::string::npos);
  EXPECT_EQ(run.app.Stderr().rfind(err, 0), 0u) << run.app.Stderr();
}

TEST(Program, FailedStartsSayWhyAndEndWithStatusOne) {
  const std::string texture = "Quenlith.app/Contents/Resources/texture1.png", noTexture = "Texture::Load - loading error\n";
  const struct { const char* what; Args before; bool glx; std::string out, err; } cases[] = {
      {"no display", {"DISPLAY="}, true, "", "Main: Could not initialize SDL\n"},
      {"no GLX", {}, false, "", "Main: Could not create the window\n"},
      // A copy of the program started elsewhere: no folder it looks in holds the bundle.
      {"no texture", {"sh", "-c", "cp \"$0\" @dir && cd / && exec @dir/trevalin"}, true, "Texture: Loading " + texture + "\n",
       noTexture + "Main: Error: Init failed!\n"},
      // The bundle where it starts comes first, even a broken one.
      {"broken bundle here", {"sh", "-c", "mkdir -p @dir/" + texture.substr(0, texture.rfind('/')) + " && touch @dir/" + texture +
                              " && cd @dir && exec \"$0\""}, true, "", noTexture}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ExpectFailedStart(c.before, c.glx, c.out, c.err);
  }
}

// The data paths are fixed in the program: an empty file is mounted over the shader's.
TEST(Program, AnEmptyShaderFailsTheStart) {
  if (const std::string cannot = Shell("unshare -m true 2>&1"); !cannot.empty())
    GTEST_SKIP() << "an empty shader needs a private mount namespace: " << cannot;
  ExpectFailedStart({"unshare", "-m", "sh", "-c", ": >@dir/f && mount --bind @dir/f " TREVALIN_FRAGMENT_SHADER " && exec \"$0\""},
                    true, "Scene: Could not initialize the shaders\n", "Main: Error: Init failed!\n");
}

}  // namespace
