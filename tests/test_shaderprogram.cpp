#include <map>
#include <optional>
#include <regex>

#include "Shaderprogram.h"
#include "support.h"

// Linked with --wrap for these two: Shaderprogram's calls (compiled in here) pass through here first.
static std::map<std::string, int> lookups;  // glGetUniformLocation calls per name
static std::vector<GLint> compiled;         // the type of each shader compiled, in order
static GLuint lastCompiled = 0;
extern "C" GLint __real_glGetUniformLocation(GLuint program, const GLchar* name);
extern "C" void __real_glCompileShader(GLuint shader);
extern "C" GLint __wrap_glGetUniformLocation(GLuint program, const GLchar* name) {
  ++lookups[name];
  return __real_glGetUniformLocation(program, name);
}
extern "C" void __wrap_glCompileShader(GLuint shader) {
  compiled.push_back(0), glGetShaderiv(lastCompiled = shader, GL_SHADER_TYPE, &compiled.back());
  __real_glCompileShader(shader);
}

namespace {

const char* const kVert =
    "#version 110\nattribute vec4 a_Vertex;\nuniform mat4 modelview_matrix;\nuniform mat4 Modelview_matrix;\n"
    "void main() { gl_Position = Modelview_matrix * modelview_matrix * a_Vertex; }\n";
const char* const kFrag = "#version 110\nvoid main() { gl_FragColor = vec4(1.0); }\n";

class ShaderprogramTest : public testsupport::GLTest {
 protected:
  // A missing text leaves its file absent.
  Shaderprogram Make(const std::optional<std::string>& vert, const std::optional<std::string>& frag) {
    lookups.clear(), compiled.clear();
    return Shaderprogram(vert ? dir.Write("a.vert", *vert) : dir.File("none.vert"),
                         frag ? dir.Write("a.frag", *frag) : dir.File("none.frag"));
  }
  testsupport::TempDir dir;
};

TEST_F(ShaderprogramTest, InitializeReportsEachFailureOnItsStream) {
  // Expected output as patterns; @s stands for the GL name of the shader compiled last.
  const std::string load = "Shaderprogram: Could not load shader: /.*/none\\.", log = "([^\n]+\n)+";
  const std::string compile = "Shaderprogram: Could not compile shader: @s\n";
  const std::string invalid = "Shaderprogram: Shader contains errors, please validate this shader!\n" + log +
                              "Shaderprogram: Could not compile the shaders, they are invalid\n";
  const struct { const char* name; std::optional<std::string> vert, frag; bool ok; std::string out, err; size_t compiles; }
      cases[] = {
          {"valid", kVert, kFrag, true, "", "", 2},
          {"both missing", std::nullopt, std::nullopt, false, "", load + "vert\n" + load + "frag\n", 0},
          {"empty vertex", "", kFrag, false, "", "", 0},
          {"vertex error", "#version 110\nvoid main() { oops }\n", kFrag, false, compile, invalid, 1},
          {"fragment error", kVert, "#version 110\nvoid main() { gl_FragColor = nothing; }\n", false, compile, invalid, 2},
          {"link error", "#version 110\nvoid helper() {}\n", kFrag, false, "", "Shaderprogram: Could not link the shaders\n" + log, 2},
      };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Shaderprogram program = Make(c.vert, c.frag);
    const float m[16] = {};  // before initialize nothing reaches GL
    program.bindAttrib(0, "a_Vertex"), program.linkProgram(), program.bindShader(), program.sendUniform("m", m, false);
    EXPECT_EQ(program.getUniformLocation("m"), 0xFFFFFFFFu);
    EXPECT_TRUE(lookups.empty() && compiled.empty());
    testing::internal::CaptureStdout(), testing::internal::CaptureStderr();
    EXPECT_EQ(program.initialize(), c.ok);
    const std::string out = testing::internal::GetCapturedStdout(), err = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(std::regex_match(out, std::regex(std::regex_replace(c.out, std::regex("@s"), std::to_string(lastCompiled))))) << out;
    EXPECT_TRUE(std::regex_match(err, std::regex(c.err))) << err;
    const std::vector<GLint> stages = {GL_VERTEX_SHADER, GL_FRAGMENT_SHADER};
    EXPECT_EQ(compiled, std::vector<GLint>(stages.begin(), stages.begin() + c.compiles));
    if (!c.ok) continue;
    program.bindShader();  // then each name reaches GL once, case variants apart
    for (const char* name : {"modelview_matrix", "Modelview_matrix", "m", "modelview_matrix", "m"})
      program.sendUniform(std::string(name), m, true);
    EXPECT_EQ(lookups, (std::map<std::string, int>{{"Modelview_matrix", 1}, {"m", 1}, {"modelview_matrix", 1}}));
  }
}

}  // namespace
