#include <map>
#include <regex>

#include "Shaderprogram.h"
#include "support.h"

// A seam in glGetUniformLocation: Shaderprogram's lookups, per name.
static std::map<std::string, int> lookups;
static PFNGLGETUNIFORMLOCATIONPROC real_glGetUniformLocation;
static GLint APIENTRY CountingGetUniformLocation(GLuint program, const GLchar* name) {
  return ++lookups[name], real_glGetUniformLocation(program, name);
}
static const testsupport::GLSeam seam(glGetUniformLocation, real_glGetUniformLocation, CountingGetUniformLocation);

namespace {

// Each failure on its stream (patterns; a missing text leaves its file absent); before initialize
// nothing reaches GL, after it each uniform name reaches GL once, case variants apart.
using ShaderprogramTest = testsupport::GLTest;
TEST_F(ShaderprogramTest, ReportsEachFailureOnItsStreamAndLooksUpEachUniformOnce) {
  const std::string vert = "#version 110\nuniform mat4 m;\nuniform mat4 M;\nvoid main() { gl_Position = M * m * vec4(1.0); }\n",
                    frag = "#version 110\nvoid main() { gl_FragColor = vec4(1.0); }\n", log = "([^\n]+\n)+",
                    load = "Shaderprogram: Could not load shader: .*/none\\.",
                    compile = "Shaderprogram: Could not compile shader: [0-9]+\n",
                    invalid = "Shaderprogram: Shader contains errors, please validate this shader!\n" + log +
                              "Shaderprogram: Could not compile the shaders, they are invalid\n";
  const struct { const char *vert, *frag; bool ok; std::string out, err; } cases[] = {
      {vert.c_str(), frag.c_str(), true, "", ""},
      {nullptr, nullptr, false, "", load + "vert\n" + load + "frag\n"},
      {"", frag.c_str(), false, "", ""},
      {"#version 110\nvoid main() { oops }\n", frag.c_str(), false, compile, invalid},
      {vert.c_str(), "#version 110\nvoid main() { gl_FragColor = nothing; }\n", false, compile, invalid},
      {"#version 110\nvoid helper() {}\n", frag.c_str(), false, "", "Shaderprogram: Could not link the shaders\n" + log}};
  for (const auto& c : cases) {
    testsupport::TempDir dir;
    Shaderprogram program(c.vert ? dir.Write("a.vert", c.vert) : dir.File("none.vert"),
                          c.frag ? dir.Write("a.frag", c.frag) : dir.File("none.frag"));
    const float m[16] = {};
    lookups.clear(), program.bindAttrib(0, "a"), program.linkProgram(), program.bindShader(), program.sendUniform("m", m, false);
    EXPECT_TRUE(lookups.empty() && program.getUniformLocation("m") == 0xFFFFFFFFu);
    testing::internal::CaptureStdout(), testing::internal::CaptureStderr();
    EXPECT_EQ(program.initialize(), c.ok) << c.vert << c.frag;
    const std::string out = testing::internal::GetCapturedStdout(), err = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(std::regex_match(out, std::regex(c.out)) && std::regex_match(err, std::regex(c.err))) << out << err;
    if (!c.ok) continue;
    program.bindShader();
    for (const char* name : {"m", "M", "m"}) program.sendUniform(std::string(name), m, true);
    EXPECT_EQ(lookups, (std::map<std::string, int>{{"M", 1}, {"m", 1}}));
  }
}

}  // namespace
