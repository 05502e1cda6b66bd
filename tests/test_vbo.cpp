#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "VBO.h"
#include "support.h"

// Linked with --wrap=glDeleteBuffers: every delete the VBO makes is counted.
static int deleted = 0;
extern "C" void __real_glDeleteBuffers(GLsizei n, const GLuint* names);
extern "C" void __wrap_glDeleteBuffers(GLsizei n, const GLuint* names) {
  deleted += n;
  __real_glDeleteBuffers(n, names);
}

const struct { void (VBO::*set)(long, void*); GLenum target; int bytes; } kUploads[] = {
    {&VBO::SetVertices, GL_ARRAY_BUFFER, 12}, {&VBO::SetNormals, GL_ARRAY_BUFFER, 12},
    {&VBO::SetTexCoords, GL_ARRAY_BUFFER, 8}, {&VBO::SetTangents, GL_ARRAY_BUFFER, 12},
    {&VBO::SetIndices, GL_ELEMENT_ARRAY_BUFFER, 4}};
std::vector<float> zeros(300);  // as indices: vertex 0 throughout

GLint Get(GLenum what, int slot = -1) {  // with a slot: that vertex attribute's state
  GLint v = -1;
  slot < 0 ? glGetIntegerv(what, &v) : glGetVertexAttribiv(GLuint(slot), what, &v);
  return v;
}

using VBOTest = testsupport::GLTest;

TEST_F(VBOTest, UploadsReplaceTheirBufferAndBindSetsUpEverySlotWithData) {
  // Texture coordinates first get a buffer but no elements; then every array is replaced.
  const long counts[2][5] = {{10, 10, 0, 10, 36}, {7, 7, 7, 7, 6}};
  deleted = 0;
  {
    VBO vbo;
    for (int round = 0; round < 2; ++round) {
      GLint names[5];
      for (int i = 0; i < 5; ++i) {
        (vbo.*kUploads[i].set)(counts[round][i], zeros.data());
        GLint size = -1;
        glGetBufferParameteriv(kUploads[i].target, GL_BUFFER_SIZE, &size);
        EXPECT_EQ(size, counts[round][i] * kUploads[i].bytes) << i;
        names[i] = Get(i < 4 ? GL_ARRAY_BUFFER_BINDING : GL_ELEMENT_ARRAY_BUFFER_BINDING);
      }
      EXPECT_EQ(deleted, 5 * round) << "a second upload deletes the first buffer";
      for (GLuint i = 0; i < 4; ++i) glDisableVertexAttribArray(i);
      glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
      vbo.Bind();
      for (int s = 0; s < 4; ++s) {
        const bool set = s != 2 || round;  // slot 2 first keeps its defaults
        EXPECT_EQ(Get(GL_VERTEX_ATTRIB_ARRAY_ENABLED, s), GLint(set)) << s;
        EXPECT_EQ(Get(GL_VERTEX_ATTRIB_ARRAY_SIZE, s), set ? 3 - (s == 2) : 4) << s;
        EXPECT_EQ(Get(GL_VERTEX_ATTRIB_ARRAY_TYPE, s), GL_FLOAT) << s;
        EXPECT_EQ(Get(GL_VERTEX_ATTRIB_ARRAY_STRIDE, s), 0) << s;
        EXPECT_EQ(Get(GL_VERTEX_ATTRIB_ARRAY_BUFFER_BINDING, s), set ? names[s] : 0) << s;
      }
      EXPECT_EQ(Get(GL_ELEMENT_ARRAY_BUFFER_BINDING), names[4]);
    }
  }
  EXPECT_EQ(deleted, 10) << "the other five go with their owner";
  { VBO empty; }
  EXPECT_EQ(deleted, 10) << "an owner of nothing deletes nothing";
}

TEST_F(VBOTest, DrawsAreBoundedByTheUploadedCounts) {
  VBO full, empty;
  full.SetVertices(8, zeros.data());
  full.SetIndices(36, zeros.data());
  const struct { VBO* vbo; bool elements; int count, triangles; } cases[] = {  // -1: refused
      {&full, true, 0, 12},   {&full, true, 36, 12}, {&full, true, 6, 2},   {&full, true, 37, -1},
      {&full, true, -1, -1},  {&full, false, 0, 2},  {&full, false, 3, 1},  {&full, false, 9, -1},
      {&full, false, -1, -1}, {&empty, true, 0, 0},  {&empty, false, 0, 0}, {&empty, true, 1, -1}};
  GLuint query = 0, n = 0;
  glGenQueries(1, &query);
  for (const auto& c : cases) {
    SCOPED_TRACE((c.elements ? "DrawElements " : "DrawArray ") + std::to_string(c.count));
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    glBeginQuery(GL_PRIMITIVES_GENERATED, query);
    std::string message;
    try {
      c.elements ? c.vbo->DrawElements(c.count) : c.vbo->DrawArray(c.count);
    } catch (const std::out_of_range& e) {
      message = e.what();
    }
    glEndQuery(GL_PRIMITIVES_GENERATED);
    glGetQueryObjectuiv(query, GL_QUERY_RESULT, &n);
    EXPECT_EQ(GLint(n), c.triangles < 0 ? 0 : c.triangles);
    EXPECT_EQ(message, c.triangles >= 0 ? ""
                       : c.elements     ? "VertexBuffer::DrawElements - number of indices exceded"
                                        : "VertexBuffer::DrawArrays - number of vertices exceded");
    if (c.triangles < 0) {
      EXPECT_EQ(Get(GL_ELEMENT_ARRAY_BUFFER_BINDING), 0) << "a refused draw binds nothing";
    }
  }
  glDeleteQueries(1, &query);
}
