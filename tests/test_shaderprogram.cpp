#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "Shaderprogram.h"
#include "gl_context.h"
#include "temp_dir.h"

using namespace std::string_literals;

// Linked with --wrap for these three, so every call that Shaderprogram
// (compiled into this test) makes passes through here first.
namespace {
std::map<std::string, int> lookups;           // glGetUniformLocation calls per name
std::vector<std::pair<GLenum, GLuint>> created;  // glCreateShader results
std::vector<GLuint> compiled;                  // glCompileShader arguments
}  // namespace

extern "C" {
GLint __real_glGetUniformLocation(GLuint program, const GLchar* name);
GLuint __real_glCreateShader(GLenum type);
void __real_glCompileShader(GLuint shader);

GLint __wrap_glGetUniformLocation(GLuint program, const GLchar* name) {
  ++lookups[name];
  return __real_glGetUniformLocation(program, name);
}
GLuint __wrap_glCreateShader(GLenum type) {
  const GLuint id = __real_glCreateShader(type);
  created.emplace_back(type, id);
  return id;
}
void __wrap_glCompileShader(GLuint shader) {
  compiled.push_back(shader);
  __real_glCompileShader(shader);
}
}

namespace {

const char* const kVert =
    "#version 110\n"
    "attribute vec4 a_Vertex;\n"
    "uniform mat4 modelview_matrix;\n"
    "uniform mat4 Modelview_matrix;\n"
    "void main() { gl_Position = Modelview_matrix * modelview_matrix * a_Vertex; }\n";
const char* const kFrag = "#version 110\nvoid main() { gl_FragColor = vec4(1.0); }\n";

class ShaderprogramTest : public testsupport::GLTest {
 protected:
  void SetUp() override {
    GLTest::SetUp();
    lookups.clear();
    created.clear();
    compiled.clear();
  }

  // A program over files written here; a missing text leaves its file absent.
  Shaderprogram Make(const std::optional<std::string>& vert, const std::optional<std::string>& frag) {
    vertPath = vert ? dir.Write("a.vert", *vert) : dir.File("none.vert");
    fragPath = frag ? dir.Write("a.frag", *frag) : dir.File("none.frag");
    return Shaderprogram(vertPath, fragPath);
  }

  GLuint Created(GLenum type) const {
    for (const auto& [t, id] : created)
      if (t == type) return id;
    return 0;
  }

  testsupport::TempDir dir;
  std::string vertPath, fragPath;
};

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Compares output with expected lines, where "{log}" stands for one or more
// lines of a non-empty GL info log.
void ExpectLines(const std::string& actual, const std::vector<std::string>& expected) {
  SCOPED_TRACE(actual);
  ASSERT_TRUE(actual.empty() || actual.back() == '\n') << "unterminated line";
  const auto lines = Lines(actual);
  std::size_t at = 0;
  for (std::size_t k = 0; k < expected.size(); ++k) {
    if (expected[k] != "{log}") {
      ASSERT_LT(at, lines.size());
      EXPECT_EQ(lines[at++], expected[k]);
      continue;
    }
    const std::string next = k + 1 < expected.size() ? expected[k + 1] : "";
    std::string log;
    while (at < lines.size() && (next.empty() || lines[at] != next)) log += lines[at++];
    EXPECT_FALSE(log.empty()) << "empty info log";
  }
  EXPECT_EQ(at, lines.size()) << "extra lines";
}

struct InitCase {
  const char* name;
  std::optional<std::string> vert, frag;
  bool ok;
  std::vector<std::string> out, err;  // {v} {f}: paths; {vs} {fs}: GL names
  int compiles;                       // glCompileShader calls
};

std::string Expand(std::string line, const std::map<std::string, std::string>& values) {
  for (const auto& [key, value] : values)
    for (auto p = line.find(key); p != std::string::npos; p = line.find(key)) line.replace(p, key.size(), value);
  return line;
}

const char* const kCompileFailed = "Shaderprogram: Could not compile the shaders, they are invalid";
const char* const kContains = "Shaderprogram: Shader contains errors, please validate this shader!";

const InitCase kInitCases[] = {
    {"valid", kVert, kFrag, true, {}, {}, 2},
    {"both missing", std::nullopt, std::nullopt, false, {},
     {"Shaderprogram: Could not load shader: {v}", "Shaderprogram: Could not load shader: {f}"}, 0},
    {"fragment missing", kVert, std::nullopt, false, {}, {"Shaderprogram: Could not load shader: {f}"}, 0},
    {"empty vertex", ""s, kFrag, false, {}, {}, 0},
    {"empty fragment", kVert, ""s, false, {}, {}, 0},
    {"vertex syntax error", "#version 110\nvoid main() { gl_Position = vec4(1.0) }\n"s, kFrag, false,
     {"Shaderprogram: Could not compile shader: {vs}"}, {kContains, "{log}", kCompileFailed}, 1},
    {"fragment error", kVert, "#version 110\nvoid main() { gl_FragColor = nothing_here; }\n"s, false,
     {"Shaderprogram: Could not compile shader: {fs}"}, {kContains, "{log}", kCompileFailed}, 2},
    {"link error", "#version 110\nvoid helper() {}\n"s, kFrag, false, {},
     {"Shaderprogram: Could not link the shaders", "{log}"}, 2},
    {"text after a NUL byte is not seen", kVert + "\0 not glsl ("s, kFrag, true, {}, {}, 2},
};

TEST_F(ShaderprogramTest, InitializeReportsEachFailureOnItsStream) {
  for (const auto& c : kInitCases) {
    SCOPED_TRACE(c.name);
    SetUp();
    Shaderprogram program = Make(c.vert, c.frag);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const bool ok = program.initialize();
    const std::string out = testing::internal::GetCapturedStdout();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(ok, c.ok);

    const std::map<std::string, std::string> values = {
        {"{v}", vertPath},
        {"{f}", fragPath},
        {"{vs}", std::to_string(Created(GL_VERTEX_SHADER))},
        {"{fs}", std::to_string(Created(GL_FRAGMENT_SHADER))}};
    std::vector<std::string> expectOut, expectErr;
    for (const auto& line : c.out) expectOut.push_back(Expand(line, values));
    for (const auto& line : c.err) expectErr.push_back(Expand(line, values));
    ExpectLines(out, expectOut);
    ExpectLines(err, expectErr);

    // Vertex first; the fragment stage only after the vertex stage compiled.
    ASSERT_EQ(compiled.size(), static_cast<std::size_t>(c.compiles));
    if (c.compiles > 0) {
      EXPECT_EQ(compiled[0], Created(GL_VERTEX_SHADER));
    }
    if (c.compiles > 1) {
      EXPECT_EQ(compiled[1], Created(GL_FRAGMENT_SHADER));
    }
  }
}

TEST_F(ShaderprogramTest, EachNameReachesGLOnceCaseVariantsApart) {
  Shaderprogram program = Make(kVert, kFrag);
  ASSERT_TRUE(program.initialize());
  program.bindShader();
  GLint current = 0;
  glGetIntegerv(GL_CURRENT_PROGRAM, &current);
  ASSERT_NE(current, 0);

  const unsigned lower = program.getUniformLocation("modelview_matrix");
  const unsigned upper = program.getUniformLocation("Modelview_matrix");
  EXPECT_EQ(lower, static_cast<unsigned>(__real_glGetUniformLocation(current, "modelview_matrix")));
  EXPECT_EQ(upper, static_cast<unsigned>(__real_glGetUniformLocation(current, "Modelview_matrix")));
  EXPECT_NE(lower, upper);
  EXPECT_EQ(program.getUniformLocation("nosuch"), 0xFFFFFFFFu);

  // Later lookups, through either overload and across a relink, come from
  // the cache and keep the first answer.
  program.bindAttrib(3, "a_Vertex");
  program.linkProgram();
  program.bindShader();
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(program.getUniformLocation("modelview_matrix"), lower);
    EXPECT_EQ(program.getUniformLocation(std::string("Modelview_matrix")), upper);
    EXPECT_EQ(program.getUniformLocation(std::string("nosuch")), 0xFFFFFFFFu);
    const float m[16] = {};
    program.sendUniform("modelview_matrix", m, false);
  }
  EXPECT_EQ(lookups, (std::map<std::string, int>{{"modelview_matrix", 1}, {"Modelview_matrix", 1}, {"nosuch", 1}}));
}

TEST_F(ShaderprogramTest, SendUniformPassesTheTransposeFlag) {
  Shaderprogram program = Make(kVert, kFrag);
  ASSERT_TRUE(program.initialize());
  program.bindShader();
  GLint current = 0;
  glGetIntegerv(GL_CURRENT_PROGRAM, &current);
  float m[16];
  for (int k = 0; k < 16; ++k) m[k] = static_cast<float>(k + 1);
  for (bool transpose : {false, true}) {
    program.sendUniform(std::string("modelview_matrix"), m, transpose);
    float back[16] = {};
    glGetUniformfv(current, program.getUniformLocation("modelview_matrix"), back);
    for (int r = 0; r < 4; ++r)
      for (int c = 0; c < 4; ++c) EXPECT_EQ(back[4 * c + r], transpose ? m[4 * r + c] : m[4 * c + r]);
  }
  // An unknown name lands on location -1, which GL ignores without error.
  while (glGetError() != GL_NO_ERROR) {
  }
  program.sendUniform("nosuch", m, false);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(ShaderprogramTest, NothingReachesGLBeforeInitialize) {
  glUseProgram(0);
  Shaderprogram program = Make(kVert, kFrag);
  const float m[16] = {};
  program.bindAttrib(0, "a_Vertex");
  program.linkProgram();
  program.bindShader();
  program.sendUniform("modelview_matrix", m, false);
  EXPECT_EQ(program.getUniformLocation("modelview_matrix"), 0xFFFFFFFFu);
  GLint current = -1;
  glGetIntegerv(GL_CURRENT_PROGRAM, &current);
  EXPECT_EQ(current, 0);
  EXPECT_TRUE(lookups.empty());
  EXPECT_TRUE(created.empty());

  // Nothing was cached on the way, so the real location is found afterwards.
  ASSERT_TRUE(program.initialize());
  EXPECT_NE(program.getUniformLocation("modelview_matrix"), 0xFFFFFFFFu);
}

}  // namespace
