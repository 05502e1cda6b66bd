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

// Linked with --wrap for these three, so the calls that Shaderprogram
// (compiled into this test) makes pass through here first.
namespace {
std::map<std::string, int> lookups;              // glGetUniformLocation calls per name
std::map<GLenum, GLuint> created;                // shader type -> GL name
std::vector<GLuint> compiled;                    // glCompileShader arguments
}  // namespace

extern "C" {
GLint __real_glGetUniformLocation(GLuint program, const GLchar* name);
GLuint __real_glCreateShader(GLenum type);
void __real_glCompileShader(GLuint shader);
GLint __wrap_glGetUniformLocation(GLuint program, const GLchar* name) {
  ++lookups[name];
  return __real_glGetUniformLocation(program, name);
}
GLuint __wrap_glCreateShader(GLenum type) { return created[type] = __real_glCreateShader(type); }
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
const char* const kContains = "Shaderprogram: Shader contains errors, please validate this shader!";
const char* const kInvalid = "Shaderprogram: Could not compile the shaders, they are invalid";

class ShaderprogramTest : public testsupport::GLTest {
 protected:
  void SetUp() override {
    GLTest::SetUp();
    lookups.clear();
    created.clear();
    compiled.clear();
  }
  // A missing text leaves its file absent.
  Shaderprogram Make(const std::optional<std::string>& vert, const std::optional<std::string>& frag) {
    paths["{v}"] = vert ? dir.Write("a.vert", *vert) : dir.File("none.vert");
    paths["{f}"] = frag ? dir.Write("a.frag", *frag) : dir.File("none.frag");
    return Shaderprogram(paths["{v}"], paths["{f}"]);
  }
  // Expected lines, with {v} {f} for the paths, {vs} {fs} for the GL names
  // and {log} for one or more lines of a non-empty info log.
  void ExpectLines(const std::string& actual, std::vector<std::string> expected) {
    paths["{vs}"] = std::to_string(created[GL_VERTEX_SHADER]);
    paths["{fs}"] = std::to_string(created[GL_FRAGMENT_SHADER]);
    std::vector<std::string> lines;
    std::istringstream in(actual);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    EXPECT_TRUE(actual.empty() || actual.back() == '\n') << actual;
    std::size_t at = 0;
    for (std::size_t k = 0; k < expected.size(); ++k) {
      for (const auto& [key, value] : paths)
        if (auto p = expected[k].find(key); p != std::string::npos) expected[k].replace(p, key.size(), value);
      if (expected[k] != "{log}") {
        EXPECT_EQ(at < lines.size() ? lines[at++] : "(none)", expected[k]);
        continue;
      }
      const std::size_t first = at;
      while (at < lines.size() && (k + 1 == expected.size() || lines[at] != expected[k + 1])) ++at;
      EXPECT_TRUE(at > first && !lines[first].empty()) << "no info log in\n" << actual;
    }
    EXPECT_EQ(at, lines.size()) << "extra lines in\n" << actual;
  }

  testsupport::TempDir dir;
  std::map<std::string, std::string> paths;
};

struct InitCase {
  const char* name;
  std::optional<std::string> vert, frag;
  bool ok;
  std::vector<std::string> out, err;
  std::size_t compiles;  // the vertex stage first, then the fragment stage
};

const InitCase kInitCases[] = {
    {"valid", kVert, kFrag, true, {}, {}, 2},
    {"both missing", std::nullopt, std::nullopt, false, {},
     {"Shaderprogram: Could not load shader: {v}", "Shaderprogram: Could not load shader: {f}"}, 0},
    {"fragment missing", kVert, std::nullopt, false, {}, {"Shaderprogram: Could not load shader: {f}"}, 0},
    {"empty vertex", ""s, kFrag, false, {}, {}, 0},
    {"empty fragment", kVert, ""s, false, {}, {}, 0},
    {"vertex syntax error", "#version 110\nvoid main() { gl_Position = vec4(1.0) }\n"s, kFrag, false,
     {"Shaderprogram: Could not compile shader: {vs}"}, {kContains, "{log}", kInvalid}, 1},
    {"fragment error", kVert, "#version 110\nvoid main() { gl_FragColor = nothing_here; }\n"s, false,
     {"Shaderprogram: Could not compile shader: {fs}"}, {kContains, "{log}", kInvalid}, 2},
    {"link error", "#version 110\nvoid helper() {}\n"s, kFrag, false, {},
     {"Shaderprogram: Could not link the shaders", "{log}"}, 2},
    {"text after a NUL byte unseen", kVert + "\0 not glsl ("s, kFrag, true, {}, {}, 2},
};

TEST_F(ShaderprogramTest, InitializeReportsEachFailureOnItsStream) {
  for (const auto& c : kInitCases) {
    SCOPED_TRACE(c.name);
    SetUp();
    Shaderprogram program = Make(c.vert, c.frag);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_EQ(program.initialize(), c.ok);
    const std::string out = testing::internal::GetCapturedStdout();
    ExpectLines(testing::internal::GetCapturedStderr(), c.err);
    ExpectLines(out, c.out);
    const std::vector<GLuint> stages = {created[GL_VERTEX_SHADER], created[GL_FRAGMENT_SHADER]};
    EXPECT_EQ(compiled, std::vector<GLuint>(stages.begin(), stages.begin() + c.compiles));
  }
}

TEST_F(ShaderprogramTest, EachNameReachesGLOnceCaseVariantsApart) {
  Shaderprogram program = Make(kVert, kFrag);
  ASSERT_TRUE(program.initialize());
  program.bindShader();
  GLint current = 0;
  glGetIntegerv(GL_CURRENT_PROGRAM, &current);
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
  const float m[16] = {};
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(program.getUniformLocation("modelview_matrix"), lower);
    EXPECT_EQ(program.getUniformLocation("Modelview_matrix"s), upper);
    EXPECT_EQ(program.getUniformLocation("nosuch"s), 0xFFFFFFFFu);
    program.sendUniform("modelview_matrix", m, false);
  }
  EXPECT_EQ(lookups, (std::map<std::string, int>{{"modelview_matrix", 1}, {"Modelview_matrix", 1}, {"nosuch", 1}}));
}

TEST_F(ShaderprogramTest, SendUniformPassesTheTransposeFlagAndIgnoresUnknownNames) {
  Shaderprogram program = Make(kVert, kFrag);
  ASSERT_TRUE(program.initialize());
  program.bindShader();
  GLint current = 0;
  glGetIntegerv(GL_CURRENT_PROGRAM, &current);
  float m[16];
  for (int k = 0; k < 16; ++k) m[k] = static_cast<float>(k + 1);
  for (bool transpose : {false, true}) {
    program.sendUniform("modelview_matrix"s, m, transpose);
    float back[16] = {};
    glGetUniformfv(current, program.getUniformLocation("modelview_matrix"), back);
    for (int r = 0; r < 4; ++r)
      for (int c = 0; c < 4; ++c) EXPECT_EQ(back[4 * c + r], transpose ? m[4 * r + c] : m[4 * c + r]);
  }
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
  EXPECT_TRUE(lookups.empty() && created.empty());
  // Nothing was cached on the way.
  ASSERT_TRUE(program.initialize());
  EXPECT_NE(program.getUniformLocation("modelview_matrix"), 0xFFFFFFFFu);
}

}  // namespace
