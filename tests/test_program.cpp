// The program as a user meets it: on a private X server, driven with X input.
#include "support.h"  // before X11, whose macros clash with GoogleTest

#include <X11/Xlib.h>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <regex>
#include <sstream>
#include <thread>

#include "Paths.h"

namespace {

using namespace std::chrono_literals;
using Args = std::vector<std::string>;

template <typename Done>
bool Until(std::chrono::seconds timeout, Done done) {
  const auto end = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(20ms);
  }
  return true;
}

// A child whose output goes to files, never to a pipe that could fill.
class Process {
 public:
  explicit Process(const Args& argv) : pid_(fork()) {
    if (pid_ != 0) return;
    prctl(PR_SET_PDEATHSIG, SIGKILL);  // a killed test runs no destructors
    dup2(open(dir_.File("out").c_str(), O_WRONLY | O_CREAT, 0644), 1);
    dup2(open(dir_.File("err").c_str(), O_WRONLY | O_CREAT, 0644), 2);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  ~Process() {
    if (Running()) kill(pid_, SIGKILL);
    Wait();
  }
  bool Running() {
    int st = 0;
    if (pid_ > 0 && waitpid(pid_, &st, WNOHANG) == pid_) {
      pid_ = -1;
      status_ = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    }
    return pid_ > 0;
  }
  bool Wait(std::chrono::seconds timeout = 30s) {
    return Until(timeout, [&] { return !Running(); });
  }
  int status_ = -1;  // -1 while running or after a signal
  std::string Stdout() const { return testsupport::ReadFile(dir_.File("out")); }
  std::string Stderr() const { return testsupport::ReadFile(dir_.File("err")); }

 private:
  testsupport::TempDir dir_;
  pid_t pid_;
};

std::string Shell(const std::string& command) {  // its standard output
  std::string out;
  FILE* p = popen(command.c_str(), "r");
  for (int c; p && (c = fgetc(p)) != EOF;) out += static_cast<char>(c);
  if (p) pclose(p);
  return out;
}

int Count(const std::string& text, const std::string& word) {
  int n = 0;
  for (auto at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) ++n;
  return n;
}

// Which face a pixel shows: the sides above the back face's centre a quarter
// turn apart (0 top, 1 right, 2 bottom, 3 left), 4 the back, 5 the clear colour.
int Face(testsupport::Rgb c) {
  const float colours[6][3] = {{0, 1, 0},          {1, 0, 1}, {1, 0.5f, 0},
                               {0.5f, 0.5f, 0.5f}, {1, 1, 0}, {0.3f, 0.9f, 0.5f}};
  for (int f = 0; f < 6; ++f)
    if (testsupport::Shows(c, colours[f][0], colours[f][1], colours[f][2])) return f;
  return -1;
}

// Xvfb and the program on it, started in the build folder after `before`:
// env(1)'s "NAME=value" entries, or a command that runs the program.
struct AppRun {
  explicit AppRun(Args before = {}, bool glx = true)
      : server({"Xvfb", "-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
                "-noreset", glx ? "+extension" : "-extension", "GLX"}),
        display(DisplayOf(server)),
        app(Command(before)) {}
  static std::string DisplayOf(Process& server) {  // once it takes clients
    if (!Until(20s, [&] { return server.Stdout().find('\n') != std::string::npos; }))
      throw std::runtime_error("Xvfb did not start: " + server.Stderr());
    return ":" + server.Stdout().substr(0, server.Stdout().find('\n'));
  }
  Args Command(Args before) {
    before.insert(before.begin(),
                  {"env", "-C", TREVALIN_BUILD_DIR, "DISPLAY=" + display, "SDL_VIDEODRIVER=x11"});
    before.push_back(TREVALIN_EXE);
    return before;
  }
  // Runs xdotool on the program's display; @ stands for the window.
  std::string X(const std::string& args) {
    return Shell("DISPLAY=" + display + " timeout 20 xdotool " +
                 std::regex_replace(args, std::regex("@"), window) + " 2>/dev/null");
  }
  // The visible top-level window (SDL may replace its first one), once named.
  bool WaitForWindow() {
    window = X("search --sync --onlyvisible --maxdepth 1 --class .");
    window = window.substr(0, window.find('\n'));
    return !window.empty() && Until(5s, [&] { return X("getwindowname @") != "\n"; });
  }
  // The faces the window shows at the points, as the X server has them.
  std::vector<int> Faces(const std::vector<std::pair<int, int>>& points) {
    std::string format;
    for (auto [x, y] : points)
      format += "%[pixel:p{" + std::to_string(x) + "," + std::to_string(y) + "}] ";
    const std::string shown = Shell("xwd -silent -display " + display + " -id " + window +
                                    " | convert xwd:- -format '" + format + "' info:");
    std::istringstream in(std::regex_replace(shown, std::regex("[^0-9]+"), " "));
    std::vector<int> faces;
    for (testsupport::Rgb p; faces.size() < points.size() && in >> p.r >> p.g >> p.b;)
      faces.push_back(Face(p));
    faces.resize(points.size(), -1);
    return faces;
  }
  void RequestClose() {  // as a window manager asks: WM_DELETE_WINDOW
    Display* d = XOpenDisplay(display.c_str());
    XEvent ev{};
    ev.xclient = {ClientMessage,
                  0,
                  True,
                  d,
                  std::stoul(window),
                  XInternAtom(d, "WM_PROTOCOLS", False),
                  32,
                  {}};
    ev.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
    XSendEvent(d, ev.xclient.window, False, NoEventMask, &ev);
    XCloseDisplay(d);
  }
  Process server;
  std::string display, window;
  Process app;
};

std::string Literal(const std::string& text) {
  return std::regex_replace(text, std::regex(R"([.^$|()\[\]{}*+?\\])"), R"(\$&)");
}
const std::string kTexture = "Quenlith.app/Contents/Resources/texture1.png";
const std::string kStartUp =
    "____ Scene: Load vertex shader: " + Literal(TREVALIN_VERTEX_SHADER) +
    "\n____ Scene: Load fragment shader: " + Literal(TREVALIN_FRAGMENT_SHADER) +
    "\n____ Scene: Scene prepare\n____ Scene: Scene init\nScene: load textures\nTexture: "
    "_ID:0x[0-9a-f]+ - unit:0\nTexture: Loading " +
    Literal(kTexture) + "\nScene: load models\nMesh: Loading " + Literal(TREVALIN_MODEL) +
    "\nVertices: [1-9][0-9]*\nProperties: 8\nTriangles: [1-9][0-9]*\nMesh: PLY loading: [0-9]+ms\n"
    "Mesh: Tangents calculations \\(with classes\\): [0-9]+ms\n____ Main: Init OK\n"
    "____ Main: Init OK!\n";

// From the build folder, ended with q; from a folder without the bundle, as a
// desktop may start it, with Escape.
class Runs : public testing::TestWithParam<bool> {};
INSTANTIATE_TEST_SUITE_P(Program, Runs, testing::Values(false, true),
                         [](const auto& c) { return c.param ? "Elsewhere" : "FromTheBuild"; });

TEST_P(Runs, DrawTheTurningCubeReportInputAndQuit) {
  testsupport::TempDir elsewhere;
  AppRun run(GetParam() ? Args{"env", "-C", elsewhere.path} : Args{});
  ASSERT_TRUE(run.WaitForWindow()) << run.app.Stdout() << run.app.Stderr();
  EXPECT_EQ(run.X("getwindowname @"), "Trevalin v0.2\n");
  EXPECT_NE(run.X("getwindowgeometry @").find("Geometry: 800x600"), std::string::npos);
  // A corner, the back face's centre, which turns in place, and a side face above it.
  std::vector<int> first, now;
  const auto faces = [&] { return now = run.Faces({{5, 5}, {413, 299}, {413, 239}}); };
  EXPECT_TRUE(Until(30s, [&] { return faces()[0] == 5 && now[1] == 4 && now[2] >= 0; }));
  first = now;
  EXPECT_TRUE(Until(30s, [&] { return faces()[2] != first[2] && now[2] >= 0; }));
  EXPECT_EQ(now[0] * 10 + now[1], 54) << "only the side faces change";
  for (const char* key : {"x", "space", "1", "2", "3", "4", "r", "shift+y", "Z", "a", "Return"})
    run.X("key --window @ " + std::string(key));
  // The left button reports while held, whichever button the press is of.
  run.X("mousemove --window @ 400 300 mousedown 1");
  EXPECT_TRUE(Until(20s, [&] { return Count(run.app.Stdout(), "MOUSE") == 1; }));
  run.X("mousedown 3");
  EXPECT_TRUE(Until(20s, [&] { return Count(run.app.Stdout(), "MOUSE") == 2; }));
  run.X("mouseup 3 mouseup 1 mousedown 3 mouseup 3 key --window @ " +
        std::string(GetParam() ? "Escape" : "q"));
  ASSERT_TRUE(run.app.Wait());
  EXPECT_EQ(run.app.status_, 0);
  EXPECT_TRUE(std::regex_match(
      run.app.Stdout(),
      std::regex(kStartUp + "Main: x pressed:\nMain: space pressed:\nMain: 1 pressed:\n"
                            "Main: 2 pressed:\nMain: 3 pressed:\nMain: 4 pressed:\n"
                            "Main: r pressed:\nMain: y pressed:\nMain: z pressed:\n"
                            "(Main: Left MOUSE button pressed:\n){2}")))
      << run.app.Stdout();
  EXPECT_EQ(run.app.Stderr(), "");
}

// In the GL calls: set-up links again once the attribute names are bound, and
// releases the texture and buffers it made; a resize reaches the viewport; the
// window manager's close request ends the run.
TEST(Program, ReleasesItsSetUpObjectsAndFollowsAResizeUntilClosed) {
  testsupport::TempDir dir;
  AppRun run({"apitrace", "trace", "--output", dir.File("run.trace")});
  ASSERT_TRUE(run.WaitForWindow()) << run.app.Stderr();
  // A frame before the resize, and one after it, whose viewport moves the back face.
  ASSERT_TRUE(Until(60s, [&] { return run.Faces({{413, 299}})[0] == 4; }));
  run.X("windowsize --sync @ 1000 500");
  ASSERT_TRUE(Until(60s, [&] { return run.Faces({{413, 299}})[0] % 4 != 0; }));
  run.RequestClose();
  ASSERT_TRUE(run.app.Wait(60s));
  EXPECT_EQ(run.app.status_, 0);
  EXPECT_TRUE(std::regex_match(run.app.Stdout(), std::regex(kStartUp))) << run.app.Stdout();

  // apitrace marks the calls it makes itself as fake.
  const std::string calls = Shell("apitrace dump --color=never " + dir.File("run.trace") +
                                  " 2>/dev/null | grep -v '// fake'");
  const std::string setUp = calls.substr(0, calls.find("glClear("));
  std::string linking;
  const std::regex call("gl(LinkProgram|BindAttribLocation|UseProgram)\\(program = \\d+(, )?(.*)");
  for (std::sregex_iterator m(setUp.begin(), setUp.end(), call), end; m != end; ++m)
    linking += (*m)[1].str() + " " + (*m)[3].str() + "\n";
  EXPECT_EQ(linking,
            "LinkProgram )\nBindAttribLocation index = 0, name = \"a_Vertex\")\n"
            "BindAttribLocation index = 1, name = \"a_Color\")\nLinkProgram )\nUseProgram )\n");
  EXPECT_EQ(Count(setUp, "glTexImage2D") + Count(setUp, "glBufferData"), 6);
  EXPECT_EQ(Count(setUp, "glGenTextures") + Count(setUp, "glGenBuffers"), 6);
  EXPECT_EQ(Count(setUp, "glDeleteTextures") + Count(setUp, "glDeleteBuffers"), 6);
  EXPECT_EQ(Count(calls, "glViewport(x = 0, y = 0, width = 1000, height = 500)"), 1);
}

// A failed start says why, without "Init OK", with status 1. @dir: a fresh folder.
void ExpectFailedStart(Args before, bool glx, const std::string& out, const std::string& err) {
  testsupport::TempDir dir;
  for (auto& arg : before) arg = std::regex_replace(arg, std::regex("@dir"), dir.path);
  AppRun run(before, glx);
  ASSERT_TRUE(run.app.Wait());
  EXPECT_EQ(run.app.status_, 1);
  EXPECT_NE(run.app.Stdout().find(out), std::string::npos) << run.app.Stdout();
  EXPECT_EQ(run.app.Stdout().find("Init OK"), std::string::npos);
  EXPECT_EQ(run.app.Stderr().rfind(err, 0), 0u) << run.app.Stderr();
}

TEST(Program, FailedStartsSayWhyAndEndWithStatusOne) {
  const std::string noTexture = "Texture::Load - loading error\n";
  const std::string folder = kTexture.substr(0, kTexture.rfind('/'));
  const struct {
    const char* what;
    Args before;
    bool glx;
    std::string out, err;
  } cases[] = {
      {"no display", {"DISPLAY="}, true, "", "Main: Could not initialize SDL\n"},
      {"no GLX", {}, false, "", "Main: Could not create the window\n"},
      // A copy of the program started elsewhere: no folder it looks in holds the bundle.
      {"no texture",
       {"sh", "-c", "cp \"$0\" @dir && cd / && exec @dir/trevalin"},
       true,
       "Texture: Loading " + kTexture + "\n",
       noTexture + "Main: Error: Init failed!\n"},
      // The bundle where it starts comes first, even a broken one.
      {"broken bundle here",
       {"sh", "-c",
        "mkdir -p @dir/" + folder + " && touch @dir/" + kTexture + " && cd @dir && exec \"$0\""},
       true,
       "",
       noTexture}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ExpectFailedStart(c.before, c.glx, c.out, c.err);
  }
}

// The shader paths are fixed in the program: an empty file is mounted over one.
TEST(Program, AnEmptyShaderFailsTheStart) {
  if (const std::string cannot = Shell("unshare -m true 2>&1"); !cannot.empty())
    GTEST_SKIP() << "an empty shader needs a private mount namespace: " << cannot;
  ExpectFailedStart(
      {"unshare", "-m", "sh", "-c",
       ": >@dir/f && mount --bind @dir/f " TREVALIN_FRAGMENT_SHADER " && exec \"$0\""},
      true, "Scene: Could not initialize the shaders\n", "Main: Error: Init failed!\n");
}

}  // namespace
