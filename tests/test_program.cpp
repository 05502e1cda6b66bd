// The real program as a user meets it: started on a private X server, driven
// with real X input events, its output, exit status and window checked.

#include <regex>
#include <thread>

#include "Paths.h"
#include "support.h"

namespace {

using testsupport::AppOptions;
using testsupport::AppRun;
using testsupport::Shell;
using testsupport::TempDir;
using namespace std::chrono_literals;

const std::string kSource = TREVALIN_SOURCE_DIR;

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
  const std::string mark = "____ Main: Init OK!\n";
  const auto at = out.find(mark);
  return at == std::string::npos ? "<no start-up>\n" + out : out.substr(at + mark.size());
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

// From the GL call stream: set-up makes and releases its texture and buffers
// before the first frame; a resize reaches the scene in the same context.
TEST(Program, ReleasesItsSetUpObjectsAndFollowsAResizeUntilEscape) {
  TempDir dir;
  const std::string trace = dir.File("run.trace");
  AppOptions options;
  options.wrapper = {"apitrace", "trace", "--output", trace};
  AppRun run(options);
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
TEST(Program, FailedStartsExitWithStatusOne) {
  if (Shell("unshare -m true 2>&1; echo $?") != "0\n") GTEST_SKIP() << "no mount namespaces here";
  TempDir dir;
  // The data paths are fixed in the program, so a broken file is mounted over one.
  const auto over = [&](const char* path, const char* text) {
    const std::string file = dir.Write(std::to_string(std::hash<std::string>()(path)), text);
    return std::vector<std::string>{"unshare", "-m", "sh", "-c",
                                    "mount --bind '" + file + "' '" + path + "' && exec \"$0\""};
  };
  const struct { const char* what; AppOptions options; const char *out, *err; } cases[] = {
      {"no display", {true, {"DISPLAY="}, TREVALIN_BUILD_DIR, {}}, "", "Main: Could not initialize SDL\n"},
      {"no GLX", {false, {}, TREVALIN_BUILD_DIR, {}}, "", "Main: Could not create the window\n"},
      {"no texture", {true, {}, dir.path, {}}, "Texture: Loading Quenlith.app/Contents/Resources/texture1.png\n",
       "Texture::Load - loading error\nMain: Error: Init failed!\n"},
      {"bad shader", {true, {}, TREVALIN_BUILD_DIR, over(TREVALIN_FRAGMENT_SHADER, "")},
       "Scene: Could not initialize the shaders\n", "Main: Error: Init failed!\n"},
      {"bad model", {true, {}, TREVALIN_BUILD_DIR, over(TREVALIN_MODEL, "ply\nformat ascii 1.0\nelement vertex 1\n"
           "property float x\nelement face 1\nend_header\n0\n4 0 0 0\n")},
       "Mesh: Loading " TREVALIN_MODEL "\n", "Mesh::LoadPly - Not a triangular face\nMain: Error: Init failed!\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    AppRun run(c.options);
    ASSERT_TRUE(run.app.Wait(30s));
    EXPECT_EQ(run.app.ExitStatus(), 1);
    EXPECT_NE(run.app.Stdout().find(c.out), std::string::npos) << run.app.Stdout();
    EXPECT_EQ(run.app.Stdout().find("Init OK"), std::string::npos);
    EXPECT_EQ(run.app.Stderr().rfind(c.err, 0), 0u) << run.app.Stderr();
  }
}

TEST(Program, RunsCleanUnderMemcheckUntilClosed) {
#ifdef TREVALIN_SANITIZE
  GTEST_SKIP() << "valgrind cannot run a program built with AddressSanitizer";
#endif
  AppOptions options;  // the libraries' own leaks are suppressed by library name
  options.wrapper = {"valgrind", "-q", "--leak-check=full", "--show-leak-kinds=definite",
                     "--errors-for-leak-kinds=definite", "--error-exitcode=99", "--keep-debuginfo=yes",
                     "--suppressions=" + kSource + "/tests/memcheck.supp"};
  AppRun run(options);
  ASSERT_TRUE(run.WaitForWindow(300s)) << run.app.Stderr();
  std::this_thread::sleep_for(500ms);
  run.RequestClose();  // as a window manager asks
  ASSERT_TRUE(run.app.Wait(300s));
  EXPECT_EQ(run.app.ExitStatus(), 0);
  EXPECT_EQ(AfterStartUp(run.app.Stdout()), "");
  EXPECT_EQ(run.app.Stderr(), "");  // where valgrind reports
}

}  // namespace
