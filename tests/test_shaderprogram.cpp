#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include "Shaderprogram.h"
#include "support.h"

// Linked with --wrap for these three, so the calls that Shaderprogram
// (compiled into this test) makes pass through here first.
static std::map<std::string, int> lookups;  // glGetUniformLocation calls per name
static std::map<GLenum, GLuint> created;    // shader type -> GL name
static std::vector<GLuint> compiled;        // glCompileShader arguments
extern "C" GLint __real_glGetUniformLocation(GLuint program, const GLchar* name);
extern "C" GLuint __real_glCreateShader(GLenum type);
extern "C" void __real_glCompileShader(GLuint shader);
extern "C" GLint __wrap_glGetUniformLocation(GLuint program, const GLchar* name) {
  ++lookups[name];
  return __real_glGetUniformLocation(program, name);
}
extern "C" GLuint __wrap_glCreateShader(GLenum type) { return created[type] = __real_glCreateShader(type); }
extern "C" void __wrap_glCompileShader(GLuint shader) { compiled.push_back(shader), __real_glCompileShader(shader); }

namespace {

const char* const kVert =
    "#version 110\nattribute vec4 a_Vertex;\nuniform mat4 modelview_matrix;\nuniform mat4 Modelview_matrix;\n"
    "void main() { gl_Position = Modelview_matrix * modelview_matrix * a_Vertex; }\n";
const char* const kFrag = "#version 110\nvoid main() { gl_FragColor = vec4(1.0); }\n";

class ShaderprogramTest : public testsupport::GLTest {
 protected:
  void SetUp() override {
    GLTest::SetUp();
    lookups.clear(), created.clear(), compiled.clear();
  }
  // A missing text leaves its file absent.
  Shaderprogram Make(const std::optional<std::string>& vert, const std::optional<std::string>& frag) {
    return Shaderprogram(vert ? dir.Write("a.vert", *vert) : dir.File("none.vert"),
                         frag ? dir.Write("a.frag", *frag) : dir.File("none.frag"));
  }
  testsupport::TempDir dir;
};

// Expected output as patterns; @s stands for the GL name of the shader compiled last.
const std::string kLoad = "Shaderprogram: Could not load shader: /.*/none\\.";
const std::string kCompile = "Shaderprogram: Could not compile shader: @s\n";
const std::string kLog = "([^\n]+\n)+";  // a non-empty info log
const std::string kLink = "Shaderprogram: Could not link the shaders\n" + kLog;
const std::string kInvalid = "Shaderprogram: Shader contains errors, please validate this shader!\n" + kLog +
                             "Shaderprogram: Could not compile the shaders, they are invalid\n";
// compiles: how many stages were compiled, the vertex stage first.
const struct { const char* name; std::optional<std::string> vert, frag; bool ok; std::string out, err; size_t compiles; }
    kInitCases[] = {
    {"valid", kVert, kFrag, true, "", "", 2},
    {"both missing", std::nullopt, std::nullopt, false, "", kLoad + "vert\n" + kLoad + "frag\n", 0},
    {"empty vertex", "", kFrag, false, "", "", 0},
    {"empty fragment", kVert, "", false, "", "", 0},
    {"vertex syntax error", "#version 110\nvoid main() { oops }\n", kFrag, false, kCompile, kInvalid, 1},
    {"fragment error", kVert, "#version 110\nvoid main() { gl_FragColor = nothing; }\n", false, kCompile, kInvalid, 2},
    {"link error", "#version 110\nvoid helper() {}\n", kFrag, false, "", kLink, 2},
};

TEST_F(ShaderprogramTest, InitializeReportsEachFailureOnItsStream) {
  for (const auto& c : kInitCases) {
    SCOPED_TRACE(c.name);
    SetUp();
    Shaderprogram program = Make(c.vert, c.frag);
    testing::internal::CaptureStdout(), testing::internal::CaptureStderr();
    EXPECT_EQ(program.initialize(), c.ok);
    const std::string out = testing::internal::GetCapturedStdout(), err = testing::internal::GetCapturedStderr();
    const std::string shader = compiled.empty() ? "none" : std::to_string(compiled.back());
    EXPECT_TRUE(std::regex_match(out, std::regex(std::regex_replace(c.out, std::regex("@s"), shader)))) << out;
    EXPECT_TRUE(std::regex_match(err, std::regex(c.err))) << err;
    const std::vector<GLuint> stages = {created[GL_VERTEX_SHADER], created[GL_FRAGMENT_SHADER]};
    EXPECT_EQ(compiled, std::vector<GLuint>(stages.begin(), stages.begin() + c.compiles));
  }
}

TEST_F(ShaderprogramTest, EachNameReachesGLOnceAfterInitializeCaseVariantsApart) {
  Shaderprogram program = Make(kVert, kFrag);
  const float m[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  // Before initialize nothing reaches GL and nothing is cached.
  program.bindAttrib(0, "a_Vertex"), program.linkProgram(), program.bindShader();
  program.sendUniform("modelview_matrix", m, false);
  EXPECT_EQ(program.getUniformLocation("modelview_matrix"), 0xFFFFFFFFu);
  EXPECT_TRUE(lookups.empty() && created.empty());

  ASSERT_TRUE(program.initialize());
  program.bindShader();
  GLint current = 0;
  glGetIntegerv(GL_CURRENT_PROGRAM, &current);
  const unsigned lower = program.getUniformLocation("modelview_matrix");
  const unsigned upper = program.getUniformLocation(std::string("Modelview_matrix"));
  // Later lookups, through either overload and across a relink, come from the
  // cache; the matrix arrives as given or transposed.
  program.bindAttrib(3, "a_Vertex"), program.linkProgram(), program.bindShader();
  for (bool transpose : {false, true}) {
    EXPECT_EQ(program.getUniformLocation(std::string("modelview_matrix")), lower);
    EXPECT_EQ(program.getUniformLocation("Modelview_matrix"), upper);
    EXPECT_EQ(program.getUniformLocation("nosuch"), 0xFFFFFFFFu);
    program.sendUniform(std::string("nosuch"), m, transpose);  // ignored by GL
    program.sendUniform(std::string("modelview_matrix"), m, transpose);
    float back[16] = {};
    glGetUniformfv(current, lower, back);
    EXPECT_EQ(std::pair(back[1], back[4]), transpose ? std::pair(m[4], m[1]) : std::pair(m[1], m[4]));
  }
  EXPECT_EQ(lookups, (std::map<std::string, int>{{"modelview_matrix", 1}, {"Modelview_matrix", 1}, {"nosuch", 1}}));
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

}  // namespace
