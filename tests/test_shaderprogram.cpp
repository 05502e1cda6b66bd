#include <map>
#include <regex>
#include <string>
#include <tuple>
#include <vector>

#include "Shaderprogram.h"
#include "support.h"

static int shadersMade = 0;
static std::map<std::string, int> lookups;

namespace {

const char* const kVert = "uniform mat4 m, M;\nvoid main() { gl_Position = M * m * vec4(1.0); }\n";
const char* const kFrag = "void main() { gl_FragColor = vec4(1.0); }\n";
const std::string kLongFrag = "//" + std::string(5000, '.') + "\n" + kFrag;  // over a read block
using ShaderprogramTest = testsupport::GLTest;

// The good program's uniform names are looked up once per program; its matrices go up transposed.
TEST_F(ShaderprogramTest, ReportsEachFailureOnItsStreamAndLooksUpEachUniformOncePerProgram) {
  const std::string log = "([^\n]+\n)+", load = "Shaderprogram: Could not load shader: .*/none\\.",
                    compile = "Shaderprogram: Could not compile shader: [0-9]+\n",
                    invalid =
                        "Shaderprogram: Shader contains errors, please validate this shader!\n" +
                        log + "Shaderprogram: Could not compile the shaders, they are invalid\n";
  // Texts (null: no file), shader objects made (-1: a good program), output patterns.
  const std::tuple<const char*, const char*, int, std::string, std::string> cases[] = {
      {kVert, kLongFrag.c_str(), -1, "", ""},
      {nullptr, nullptr, 0, "", load + "vert\n" + load + "frag\n"},
      {"", kFrag, 0, "", ""},
      {"void main() { oops }\n", kFrag, 2, compile, invalid},
      {kVert, "void main() { gl_FragColor = no; }\n", 2, compile, invalid},
      {kVert, "varying vec4 v;\nvoid main() { gl_FragColor = v; }\n", 2, "",
       "Shaderprogram: Could not link the shaders\n" + log}};  // v: written by no vertex shader
  testsupport::Spy(glCreateShader, [](GLenum) { ++shadersMade; });
  testsupport::Spy(glGetUniformLocation, [](GLuint, const GLchar* name) { ++lookups[name]; });
  const float seq[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  for (const auto& [vert, frag, made, out, err] : cases) {
    testsupport::TempDir dir;
    Shaderprogram program(vert ? dir.Write("a.vert", vert) : dir.File("none.vert"),
                          frag ? dir.Write("a.frag", frag) : dir.File("none.frag"));
    lookups.clear();
    shadersMade = 0;
    program.bindAttrib(0, "a");
    program.linkProgram();
    program.bindShader();
    program.sendUniform("m", seq, false);
    EXPECT_EQ(program.getUniformLocation("m"), 0xFFFFFFFFu);
    EXPECT_TRUE(lookups.empty());
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)) << "no upload without a program in use";
    bool ok = false;
    const testsupport::Output output = testsupport::Capture([&] { ok = program.initialize(); });
    EXPECT_EQ(ok ? -1 : shadersMade, made) << vert;
    EXPECT_TRUE(std::regex_match(output.out, std::regex(out))) << output.out;
    EXPECT_TRUE(std::regex_match(output.err, std::regex(err))) << output.err;
    for (int round = 1; ok && round <= 2; ++round) {
      ASSERT_TRUE(round == 1 || program.initialize());  // a new program
      program.bindShader();
      for (const char* name : {"m", "M", "m", "none"})
        program.sendUniform(std::string(name), seq, true);
      EXPECT_EQ(lookups, (std::map<std::string, int>{{"M", round}, {"m", round}, {"none", round}}));
      float m[16] = {};
      glGetUniformfv(testsupport::Get(GL_CURRENT_PROGRAM), program.getUniformLocation("m"), m);
      EXPECT_EQ(std::vector<float>(m, m + 16),
                (std::vector<float>{1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15, 4, 8, 12, 16}));
    }
  }
}

}  // namespace
