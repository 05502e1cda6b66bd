#include <stdexcept>
#include <tuple>
#include <utility>
#include <vector>

#include "VBO.h"
#include "support.h"

static int deleted = 0;

namespace {

std::vector<float> zeros(300);  // as indices: vertex 0 throughout

using testsupport::Get;
GLint Get(GLenum what, GLuint slot) {
  GLint v = -1;
  glGetVertexAttribiv(slot, what, &v);
  return v;
}

using VBOTest = testsupport::GLTest;

TEST_F(VBOTest, UploadsReplaceTheirBufferAndBindSetsUpEverySlotWithData) {
  const std::pair<void (VBO::*)(long, void*), int> arrays[] = {
      {&VBO::SetVertices, 3},
      {&VBO::SetNormals, 3},
      {&VBO::SetTexCoords, 2},
      {&VBO::SetTangents, 3},
      {&VBO::SetIndices, 1}};  // with their components
  testsupport::Spy(glDeleteBuffers, [](GLsizei n, const GLuint*) { deleted += n; });
  deleted = 0;
  {
    VBO vbo;
    GLint names[5] = {};
    for (const std::vector<int>& round : {std::vector<int>{0, 1, 3, 4}, {0, 1, 2, 3, 4}}) {
      for (int i : round) {
        (vbo.*arrays[i].first)(i, zeros.data());  // none at first
        EXPECT_THROW((vbo.*arrays[i].first)(-1, zeros.data()), std::invalid_argument);
        names[i] = Get(i == 4 ? GL_ELEMENT_ARRAY_BUFFER_BINDING : GL_ARRAY_BUFFER_BINDING);
      }
      for (GLuint slot = 0; slot < 4; ++slot) glDisableVertexAttribArray(slot);
      glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
      vbo.Bind();
      for (GLint s = 0; s < 4; ++s) {
        const bool set = s != 2 || round.size() == 5;  // slot 2 first keeps its defaults
        EXPECT_EQ((std::vector<GLint>{Get(GL_VERTEX_ATTRIB_ARRAY_ENABLED, s),
                                      Get(GL_VERTEX_ATTRIB_ARRAY_SIZE, s),
                                      Get(GL_VERTEX_ATTRIB_ARRAY_BUFFER_BINDING, s)}),
                  (std::vector<GLint>{set, set ? arrays[s].second : 4, set ? names[s] : 0}))
            << s;
      }
      EXPECT_EQ(Get(GL_ELEMENT_ARRAY_BUFFER_BINDING), names[4]);
    }
    EXPECT_EQ(deleted, 4) << "a second upload deletes the first buffer";
  }
  EXPECT_EQ(deleted, 9) << "the other five go with their owner";
  { VBO empty; }
  EXPECT_EQ(deleted, 9) << "an owner of nothing deletes nothing";
}

TEST_F(VBOTest, DrawsAreBoundedByTheUploadedCounts) {
#if defined(__EMSCRIPTEN__)
  GTEST_SKIP() << "WebGL 1 counts no primitives drawn (no GL_PRIMITIVES_GENERATED query)";
#endif
  VBO vbo;
  vbo.SetVertices(8, zeros.data());
  vbo.SetIndices(36, zeros.data());
  GLuint query = 0, triangles = 0;
  glGenQueries(1, &query);
  const std::tuple<bool, int, int> draws[] = {{true, 0, 12},  {true, 6, 2},   {true, 36, 12},
                                              {true, 37, -1}, {true, -1, -1}, {false, 0, 2},
                                              {false, 3, 1},  {false, 9, -1}, {false, -1, -1}};
  for (auto [elements, count, drawn] : draws) {  // drawn -1: refused
    glDisableVertexAttribArray(0);
    glBeginQuery(GL_PRIMITIVES_GENERATED, query);
    const bool refused = !testsupport::Thrown([&vbo, e = elements, n = count] {
                            e ? vbo.DrawElements(n) : vbo.DrawArray(n);
                          }).empty();
    glEndQuery(GL_PRIMITIVES_GENERATED);
    glGetQueryObjectuiv(query, GL_QUERY_RESULT, &triangles);
    EXPECT_EQ(refused ? -1 : GLint(triangles), drawn) << elements << " " << count;
    EXPECT_EQ(Get(GL_VERTEX_ATTRIB_ARRAY_ENABLED, 0), !refused) << "bound to draw, not to refuse";
  }
  EXPECT_THROW(VBO().DrawArray(1), std::out_of_range) << "an owner of nothing has nothing to draw";
  EXPECT_THROW(VBO().DrawElements(1), std::out_of_range);
}

}  // namespace
