#include <stdexcept>
#include <utility>
#include <tuple>

#include "VBO.h"
#include "support.h"

// A seam in glDeleteBuffers: every delete the VBO makes is counted.
static int deleted = 0;
static PFNGLDELETEBUFFERSPROC real_glDeleteBuffers;
static void APIENTRY CountingDeleteBuffers(GLsizei n, const GLuint* names) { deleted += n, real_glDeleteBuffers(n, names); }
static const testsupport::GLSeam seam(glDeleteBuffers, real_glDeleteBuffers, CountingDeleteBuffers);

namespace {

std::vector<float> zeros(300);  // as indices: vertex 0 throughout

GLint Get(GLenum what, int slot = -1) {  // with a slot: that vertex attribute's state
  GLint v = -1;
  return slot < 0 ? glGetIntegerv(what, &v) : glGetVertexAttribiv(GLuint(slot), what, &v), v;
}

using VBOTest = testsupport::GLTest;

TEST_F(VBOTest, UploadsReplaceTheirBufferAndBindSetsUpEverySlotWithData) {
  const std::pair<void (VBO::*)(long, void*), int> uploads[] = {  // and the bytes of each element; indices last
      {&VBO::SetVertices, 12}, {&VBO::SetNormals, 12}, {&VBO::SetTexCoords, 8}, {&VBO::SetTangents, 12}, {&VBO::SetIndices, 4}};
  // Texture coordinates are first never uploaded; then every array is replaced.
  const long counts[2][5] = {{10, 10, 0, 10, 36}, {7, 7, 7, 7, 6}};
  deleted = 0;
  {
    VBO vbo;
    for (int round = 0; round < 2; ++round) {
      GLint names[5], size = -1;
      for (int i = 0; i < 5; ++i) {
        if (!counts[round][i]) continue;
        (vbo.*uploads[i].first)(counts[round][i], zeros.data());
        names[i] = Get(i < 4 ? GL_ARRAY_BUFFER_BINDING : GL_ELEMENT_ARRAY_BUFFER_BINDING);
        glGetBufferParameteriv(i < 4 ? GL_ARRAY_BUFFER : GL_ELEMENT_ARRAY_BUFFER, GL_BUFFER_SIZE, &size);
        EXPECT_EQ(size, counts[round][i] * uploads[i].second) << i;
      }
      EXPECT_EQ(deleted, 4 * round) << "a second upload deletes the first buffer";
      for (GLuint i = 0; i < 4; ++i) glDisableVertexAttribArray(i);
      glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0), vbo.Bind();
      for (int s = 0; s < 4; ++s) {
        const bool set = s != 2 || round;  // slot 2 first keeps its defaults
        EXPECT_EQ((std::vector<GLint>{Get(GL_VERTEX_ATTRIB_ARRAY_ENABLED, s), Get(GL_VERTEX_ATTRIB_ARRAY_SIZE, s),
                                      Get(GL_VERTEX_ATTRIB_ARRAY_TYPE, s), Get(GL_VERTEX_ATTRIB_ARRAY_STRIDE, s),
                                      Get(GL_VERTEX_ATTRIB_ARRAY_BUFFER_BINDING, s)}),
                  (std::vector<GLint>{set, set ? 3 - (s == 2) : 4, GL_FLOAT, 0, set ? names[s] : 0})) << s;
      }
      EXPECT_EQ(Get(GL_ELEMENT_ARRAY_BUFFER_BINDING), names[4]);
    }
  }
  EXPECT_EQ(deleted, 9) << "the other five go with their owner";
  { VBO empty; }
  EXPECT_EQ(deleted, 9) << "an owner of nothing deletes nothing";
}

// A count of 0 draws everything; a larger or negative one is refused before anything is bound.
TEST_F(VBOTest, DrawsAreBoundedByTheUploadedCounts) {
  VBO vbo;
  vbo.SetVertices(8, zeros.data()), vbo.SetIndices(36, zeros.data());
  GLuint query = 0, n = 0;
  glGenQueries(1, &query);
  for (auto [elements, count, triangles] : {std::tuple{true, 0, 12}, {true, 6, 2}, {true, 36, 12}, {true, 37, -1}, {true, -1, -1},
                                            {false, 0, 2}, {false, 3, 1}, {false, 9, -1}, {false, -1, -1}}) {  // -1: refused
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0), glBeginQuery(GL_PRIMITIVES_GENERATED, query);
    bool refused = false;
    try {
      elements ? vbo.DrawElements(count) : vbo.DrawArray(count);
    } catch (const std::out_of_range&) {
      refused = true;
      EXPECT_EQ(Get(GL_ELEMENT_ARRAY_BUFFER_BINDING), 0) << "a refused draw binds nothing";
    }
    glEndQuery(GL_PRIMITIVES_GENERATED), glGetQueryObjectuiv(query, GL_QUERY_RESULT, &n);
    EXPECT_EQ(refused ? -1 : GLint(n), triangles) << elements << " " << count;
  }
  glDeleteQueries(1, &query);
  EXPECT_THROW(VBO().DrawElements(1), std::out_of_range);  // an empty owner has nothing to draw
}

}  // namespace
