// The whole start-up of the real program: its transcript, the GL objects it
// leaves behind, its failure paths and its memory use under valgrind.
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "Paths.h"
#include "app_driver.h"

namespace {

using testsupport::AppRun;
using testsupport::Shell;
using testsupport::TempDir;
using namespace std::chrono_literals;

const std::string kSource = TREVALIN_SOURCE_DIR;

// Escapes a literal for use inside a regular expression.
std::string Literal(const std::string& text) {
  return std::regex_replace(text, std::regex(R"([.^$|()\[\]{}*+?\\])"), R"(\$&)");
}

// Starts the program, lets it draw a few frames and ends it with Escape.
void RunBriefly(AppRun& app, std::chrono::milliseconds timeout = 30s) {
  ASSERT_FALSE(app.WaitForWindow(timeout).empty()) << app.Stdout() << app.Stderr();
  std::this_thread::sleep_for(500ms);
  app.Key("Escape");
  ASSERT_TRUE(app.Wait(timeout));
}

TEST(StartUp, PrintsTheWholeTranscriptInOrderAndShowsTheCube) {
  AppRun app;
  ASSERT_FALSE(app.WaitForWindow().empty()) << app.Stdout() << app.Stderr();
  std::this_thread::sleep_for(500ms);
  TempDir dir;
  const std::string shot = dir.File("window.png");
  ASSERT_TRUE(app.Capture(shot));
  app.Key("Escape");
  ASSERT_TRUE(app.Wait());
  EXPECT_EQ(app.ExitStatus(), 0);
  // The clear colour at a corner; the back face, which only turns in place,
  // in yellow at the middle.
  auto pixel = [&](const char* at) {
    return Shell("convert " + shot + " -format '%[pixel:p{" + at + "}]' info:");
  };
  EXPECT_EQ(pixel("5,5"), "srgb(76,230,128)");
  EXPECT_EQ(pixel("412,300"), "srgb(255,255,0)");

  const std::string expected =
      "____ Scene: Load vertex shader: " + Literal(kSource + "/shader/basic.vert") + "\n" +
      "____ Scene: Load fragment shader: " + Literal(kSource + "/shader/basic.frag") + "\n" +
      "____ Scene: Scene prepare\n"
      "____ Scene: Scene init\n"
      "Scene: load textures\n"
      "Texture: _ID:0x[0-9a-f]+ - unit:0\n"
      "Texture: Loading Quenlith\\.app/Contents/Resources/texture1\\.png\n"
      "Scene: load models\n"
      "Mesh: Loading " + Literal(kSource + "/models/cat.ply") + "\n" +
      "Vertices: [1-9][0-9]*\n"
      "Properties: 8\n"
      "Triangles: [1-9][0-9]*\n"
      "Mesh: PLY loading: [0-9]+ms\n"
      "Mesh: Tangents calculations \\(with classes\\): [0-9]+ms\n"
      "____ Main: Init OK\n"
      "____ Main: Init OK!\n";
  EXPECT_TRUE(std::regex_match(app.Stdout(), std::regex(expected))) << app.Stdout();
  EXPECT_EQ(app.Stderr(), "");
}

// Names generated and deleted in a GL call dump, per kind of object.
struct Names {
  std::multiset<std::string> made, deleted;
};

TEST(StartUp, LeavesNoTextureAndNoBufferBehindAfterInit) {
  TempDir dir;
  const std::string trace = dir.File("run.trace");
  AppRun::Options options;
  options.wrapper = {"apitrace", "trace", "--output", trace};
  AppRun app(options);
  RunBriefly(app, 60s);
  ASSERT_EQ(app.ExitStatus(), 0);

  std::istringstream dump(Shell("apitrace dump --color=never " + trace + " 2>/dev/null"));
  const std::regex call(R"(gl(Gen|Delete)(Textures|Buffers)\(n = 1, \w+ = &(\d+)\))");
  std::map<std::string, Names> names;
  bool drawn = false;
  int uploads = 0;
  for (std::string line; std::getline(dump, line);) {
    if (line.find("glClear(") != std::string::npos) {
      drawn = true;  // the first frame: set-up is over
      break;
    }
    if (line.find("glTexImage2D(") != std::string::npos || line.find("glBufferData(") != std::string::npos)
      ++uploads;
    std::smatch m;
    if (std::regex_search(line, m, call)) {
      Names& kind = names[m[2]];
      (m[1] == "Gen" ? kind.made : kind.deleted).insert(m[3]);
    }
  }
  ASSERT_TRUE(drawn);
  EXPECT_EQ(uploads, 6);  // one texture, five model arrays
  EXPECT_EQ(names["Textures"].made.size(), 1u);
  EXPECT_EQ(names["Buffers"].made.size(), 5u);
  for (const auto& [kind, n] : names) EXPECT_EQ(n.made, n.deleted) << kind;
}

TEST(StartUp, MissingTextureEndsStartUpCleanly) {
  TempDir elsewhere;  // no bundle folder here
  AppRun::Options options;
  options.cwd = elsewhere.path();
  AppRun app(options);
  ASSERT_TRUE(app.Wait(30s));
  EXPECT_EQ(app.ExitStatus(), 1);
  const std::string out = app.Stdout();
  EXPECT_NE(out.find("Scene: load textures\n"), std::string::npos);
  EXPECT_NE(out.find("Texture: Loading Quenlith.app/Contents/Resources/texture1.png\n"), std::string::npos);
  EXPECT_EQ(out.find("Scene: load models"), std::string::npos);
  EXPECT_EQ(out.find("Init OK"), std::string::npos);
  EXPECT_EQ(app.Stderr(), "Texture::Load - loading error\nMain: Error: Init failed!\n");
}

class BrokenModel : public ::testing::TestWithParam<std::pair<const char*, const char*>> {};

TEST_P(BrokenModel, EndsStartUpCleanly) {
  // The model's path is fixed in the program, so the broken file is mounted
  // over it in a private mount namespace.
  if (Shell("unshare -m true 2>&1; echo $?") != "0\n") GTEST_SKIP() << "no mount namespaces here";
  TempDir dir;
  const std::string broken = dir.Write("broken.ply", GetParam().first);
  AppRun::Options options;
  options.wrapper = {"unshare", "-m", "sh", "-c",
                     "mount --bind '" + broken + "' '" TREVALIN_MODEL "' && exec \"$0\""};
  AppRun app(options);
  ASSERT_TRUE(app.Wait(30s));
  EXPECT_EQ(app.ExitStatus(), 1);
  EXPECT_NE(app.Stdout().find("Mesh: Loading " TREVALIN_MODEL "\n"), std::string::npos);
  EXPECT_EQ(app.Stderr(), std::string(GetParam().second) + "\nMain: Error: Init failed!\n");
}

INSTANTIATE_TEST_SUITE_P(
    StartUp, BrokenModel,
    ::testing::Values(
        std::make_pair("solid cat\n", "Mesh::LoadPly - Not a PLY file"),
        std::make_pair("ply\nformat binary_little_endian 1.0\n", "Mesh::LoadPly - Not an ASCII PLY file"),
        std::make_pair("ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\n"
                       "property float z\nelement face 1\nproperty list uchar int vertex_indices\n"
                       "end_header\n0 0 0\n1 0 0\n0 1 0\n4 0 1 2 0\n",
                       "Mesh::LoadPly - Not a triangular face"),
        std::make_pair("ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\nproperty float y\n"
                       "property float z\nelement face 1\nproperty list uchar int vertex_indices\n"
                       "end_header\n0 0 0\n1 0 0\n0 1 0\n3 0 1 3\n",
                       "Mesh::LoadPly - Vertex index out of range")));

// True when the frame nearest to the allocation, past the allocator itself,
// lies in the project's own sources.
bool AllocatedByUs(const std::string& record) {
  const std::regex frame(R"(==\d+==\s+(at|by) 0x[0-9A-F]+: (.*))");
  const std::regex allocator(R"(^(malloc|calloc|realloc|memalign|strdup|operator new))");
  std::istringstream lines(record);
  for (std::string line; std::getline(lines, line);) {
    std::smatch m;
    if (!std::regex_search(line, m, frame)) continue;
    const std::string where = m[2];
    if (std::regex_search(where, allocator)) continue;
    return where.find(kSource) != std::string::npos;
  }
  return false;
}

TEST(StartUp, RunsCleanUnderMemcheck) {
#ifdef TREVALIN_SANITIZE
  GTEST_SKIP() << "valgrind cannot run a program built with AddressSanitizer";
#endif
  TempDir dir;
  const std::string log = dir.File("memcheck.log");
  AppRun::Options options;
  options.wrapper = {"valgrind", "--leak-check=full", "--show-leak-kinds=definite",
                     "--num-callers=40", "--fullpath-after=", "--suppressions=" + kSource + "/tests/memcheck.supp",
                     "--log-file=" + log};
  AppRun app(options);
  RunBriefly(app, 300s);
  EXPECT_EQ(app.ExitStatus(), 0);
  const std::string report = testsupport::ReadFile(log);
  ASSERT_NE(report.find("ERROR SUMMARY"), std::string::npos) << report;
  EXPECT_EQ(report.find("Invalid read"), std::string::npos) << report;
  EXPECT_EQ(report.find("Invalid write"), std::string::npos) << report;

  // Libraries leave their own leaks; only blocks that the project's code
  // allocated count. Records are separated by bare "==pid==" lines.
  std::vector<std::string> ours;
  std::string record;
  std::istringstream in(report);
  for (std::string line; std::getline(in, line);) {
    if (!std::regex_match(line, std::regex(R"(==\d+== ?)"))) {
      record += line + "\n";
      continue;
    }
    if (record.find("definitely lost in") != std::string::npos && AllocatedByUs(record))
      ours.push_back(record);
    record.clear();
  }
  EXPECT_TRUE(ours.empty()) << ours.front();
  std::cout << report.substr(report.find("LEAK SUMMARY")) << std::endl;
}

}  // namespace
