#include <stdexcept>
#include <tuple>
#include <utility>

#include "VBO.h"
#include "support.h"

// Linked with --wrap=glDeleteBuffers: every delete the VBO makes is counted.
static int deleted = 0;
extern "C" void __real_glDeleteBuffers(GLsizei n, const GLuint* names);
extern "C" void __wrap_glDeleteBuffers(GLsizei n, const GLuint* names) {
  deleted += n;
  __real_glDeleteBuffers(n, names);
}

namespace {

std::vector<float> zeros(300);  // as indices: vertex 0 throughout

GLint Get(GLenum what, GLint slot = -1) {  // with a slot: that vertex attribute's
  GLint v = -1;
  if (slot < 0) glGetIntegerv(what, &v);
  if (slot >= 0) glGetVertexAttribiv(GLuint(slot), what, &v);
  return v;
}

using VBOTest = testsupport::GLTest;

// Each upload makes a buffer of its element size times the count, replacing
// the array's earlier one; a negative count is refused and keeps it. Bind
// sets up every slot that has data, and positions always.
TEST_F(VBOTest, UploadsReplaceTheirBufferAndBindSetsUpEverySlotWithData) {
  const struct {
    void (VBO::*upload)(long, void*);
    int bytes, components;
  } arrays[] = {{&VBO::SetVertices, 12, 3},
                {&VBO::SetNormals, 12, 3},
                {&VBO::SetTexCoords, 8, 2},
                {&VBO::SetTangents, 12, 3},
                {&VBO::SetIndices, 4, 1}};
  // Texture coordinates are first never uploaded; then every array is replaced.
  const long counts[2][5] = {{10, 10, 0, 10, 36}, {7, 7, 7, 7, 6}};
  deleted = 0;
  {
    VBO vbo;
    GLint names[5] = {};
    for (int round = 0; round < 2; ++round) {
      for (int i = 0; i < 5; ++i) {
        const GLenum target = i < 4 ? GL_ARRAY_BUFFER : GL_ELEMENT_ARRAY_BUFFER;
        if (!counts[round][i]) continue;
        (vbo.*arrays[i].upload)(counts[round][i], zeros.data());
        names[i] = Get(i < 4 ? GL_ARRAY_BUFFER_BINDING : GL_ELEMENT_ARRAY_BUFFER_BINDING);
        EXPECT_THROW((vbo.*arrays[i].upload)(-1, zeros.data()), std::invalid_argument);
        GLint size = -1;
        glBindBuffer(target, names[i]);
        glGetBufferParameteriv(target, GL_BUFFER_SIZE, &size);
        EXPECT_EQ(size, counts[round][i] * arrays[i].bytes) << i;
      }
      EXPECT_EQ(deleted, 4 * round) << "a second upload deletes the first buffer";
      for (GLuint slot = 0; slot < 4; ++slot) glDisableVertexAttribArray(slot);
      glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
      vbo.Bind();
      for (GLint s = 0; s < 4; ++s) {
        const bool set = s != 2 || round;  // slot 2 first keeps its defaults
        std::vector<GLint> state;
        for (GLenum what : {GL_VERTEX_ATTRIB_ARRAY_ENABLED, GL_VERTEX_ATTRIB_ARRAY_SIZE,
                            GL_VERTEX_ATTRIB_ARRAY_TYPE, GL_VERTEX_ATTRIB_ARRAY_STRIDE,
                            GL_VERTEX_ATTRIB_ARRAY_BUFFER_BINDING})
          state.push_back(Get(what, s));
        EXPECT_EQ(state, (std::vector<GLint>{set, set ? arrays[s].components : 4, GL_FLOAT, 0,
                                             set ? names[s] : 0}))
            << "slot " << s;
      }
      EXPECT_EQ(Get(GL_ELEMENT_ARRAY_BUFFER_BINDING), names[4]);
    }
  }
  EXPECT_EQ(deleted, 9) << "the other five go with their owner";
  { VBO empty; }
  EXPECT_EQ(deleted, 9) << "an owner of nothing deletes nothing";
}

// A count of 0 draws everything; a larger or negative one is refused before
// anything is bound.
TEST_F(VBOTest, DrawsAreBoundedByTheUploadedCounts) {
  VBO vbo;
  vbo.SetVertices(8, zeros.data());
  vbo.SetIndices(36, zeros.data());
  GLuint query = 0, n = 0;
  glGenQueries(1, &query);
  const int kRefused = -1;
  const std::tuple<bool, int, int> draws[] = {
      // elements or arrays, count, triangles drawn
      {true, 0, 12},        {true, 6, 2},         {true, 36, 12},
      {true, 37, kRefused}, {true, -1, kRefused}, {false, 0, 2},
      {false, 3, 1},        {false, 9, kRefused}, {false, -1, kRefused}};
  for (auto [elements, count, triangles] : draws) {
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    glBeginQuery(GL_PRIMITIVES_GENERATED, query);
    bool refused = false;
    try {
      elements ? vbo.DrawElements(count) : vbo.DrawArray(count);
    } catch (const std::out_of_range&) {
      refused = true;
      EXPECT_EQ(Get(GL_ELEMENT_ARRAY_BUFFER_BINDING), 0) << "a refused draw binds nothing";
    }
    glEndQuery(GL_PRIMITIVES_GENERATED);
    glGetQueryObjectuiv(query, GL_QUERY_RESULT, &n);
    EXPECT_EQ(refused ? kRefused : GLint(n), triangles) << elements << " " << count;
  }
  glDeleteQueries(1, &query);
  EXPECT_THROW(VBO().DrawElements(1), std::out_of_range);  // an empty owner has nothing to draw
}

}  // namespace
