#include <GL/gl.h>
#include <GL/glext.h>
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "VBO.h"
#include "gl_context.h"

// Linked with --wrap=glDeleteBuffers: every delete the VBO makes is counted.
static int deleted = 0;
extern "C" void __real_glDeleteBuffers(GLsizei n, const GLuint* names);
extern "C" void __wrap_glDeleteBuffers(GLsizei n, const GLuint* names) {
  deleted += n;
  __real_glDeleteBuffers(n, names);
}

namespace {

const struct {
  void (VBO::*set)(long, void*);
  GLenum binding, target;
  int bytes;
} kUploads[] = {
    {&VBO::SetVertices, GL_ARRAY_BUFFER_BINDING, GL_ARRAY_BUFFER, 12},
    {&VBO::SetNormals, GL_ARRAY_BUFFER_BINDING, GL_ARRAY_BUFFER, 12},
    {&VBO::SetTexCoords, GL_ARRAY_BUFFER_BINDING, GL_ARRAY_BUFFER, 8},
    {&VBO::SetTangents, GL_ARRAY_BUFFER_BINDING, GL_ARRAY_BUFFER, 12},
    {&VBO::SetIndices, GL_ELEMENT_ARRAY_BUFFER_BINDING, GL_ELEMENT_ARRAY_BUFFER, 4},
};

GLint Get(GLenum e) {
  GLint v = 0;
  glGetIntegerv(e, &v);
  return v;
}

class VBOTest : public testsupport::GLTest {
 protected:
  std::vector<float> data = std::vector<float>(300, 0.25f);
};

TEST_F(VBOTest, UploadsMakeOneBufferOfCountTimesElementSizeAndReplaceTheLast) {
  for (const auto& u : kUploads) {
    VBO vbo;
    deleted = 0;
    for (long count : {10, 7}) {
      (vbo.*u.set)(count, data.data());
      GLint size = -1;
      glGetBufferParameteriv(u.target, GL_BUFFER_SIZE, &size);
      EXPECT_EQ(size, count * u.bytes) << u.bytes;
    }
    EXPECT_EQ(deleted, 1) << "the first buffer is replaced, not leaked";
  }
  deleted = 0;
  { VBO empty; }
  EXPECT_EQ(deleted, 0) << "an owner of nothing deletes nothing";
}

TEST_F(VBOTest, BindSetsUpEverySlotWithDataAndNamesTheAttributes) {
  const GLuint program = glCreateProgram();
  for (auto [type, src] :
       {std::pair{GL_VERTEX_SHADER, "attribute vec3 Tangent, Normal, Vertex; attribute vec2 "
                                    "TexCoord; void main() { gl_Position = vec4(Vertex + Normal"
                                    " + Tangent + vec3(TexCoord, 0.0), 1.0); }"},
        {GL_FRAGMENT_SHADER, "void main() { gl_FragColor = vec4(1.0); }"}}) {
    const GLuint shader = glCreateShader(type);
    glShaderSource(shader, 1, &src, nullptr);
    glCompileShader(shader);
    glAttachShader(program, shader);
  }
  glLinkProgram(program);
  glUseProgram(program);

  VBO vbo;
  GLint names[5];
  const long counts[5] = {8, 8, 0, 8, 36};  // texture coordinates: a buffer, but no elements
  for (int i = 0; i < 5; ++i) {
    (vbo.*kUploads[i].set)(counts[i], data.data());
    names[i] = Get(kUploads[i].binding);
  }
  for (GLuint i = 0; i < 4; ++i) glDisableVertexAttribArray(i);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
  vbo.Bind();
  const GLenum what[5] = {GL_VERTEX_ATTRIB_ARRAY_ENABLED, GL_VERTEX_ATTRIB_ARRAY_SIZE,
                          GL_VERTEX_ATTRIB_ARRAY_TYPE, GL_VERTEX_ATTRIB_ARRAY_STRIDE,
                          GL_VERTEX_ATTRIB_ARRAY_BUFFER_BINDING};
  const GLint want[4][5] = {{GL_TRUE, 3, GL_FLOAT, 0, names[0]},
                            {GL_TRUE, 3, GL_FLOAT, 0, names[1]},
                            {GL_FALSE, 4, GL_FLOAT, 0, 0},  // untouched: the defaults
                            {GL_TRUE, 3, GL_FLOAT, 0, names[3]}};
  for (GLuint slot = 0; slot < 4; ++slot)
    for (int k = 0; k < 5; ++k) {
      GLint got = -1;
      glGetVertexAttribiv(slot, what[k], &got);
      EXPECT_EQ(got, want[slot][k]) << "slot " << slot << " query " << k;
    }
  EXPECT_EQ(Get(GL_ELEMENT_ARRAY_BUFFER_BINDING), names[4]);

  glLinkProgram(program);  // the names take effect at the next link
  const char* attributes[] = {"Vertex", "Normal", "TexCoord", "Tangent"};
  for (GLint slot = 0; slot < 4; ++slot)
    EXPECT_EQ(glGetAttribLocation(program, attributes[slot]), slot);
  glUseProgram(0);
  glDeleteProgram(program);
}

TEST_F(VBOTest, DrawsAreBoundedByTheUploadedCounts) {
  VBO full, empty;
  std::vector<GLuint> index(36);
  for (GLuint i = 0; i < 36; ++i) index[i] = i % 8;
  full.SetVertices(8, data.data());
  full.SetIndices(36, index.data());
  const struct {
    VBO* vbo;
    bool elements;
    int count, triangles;  // -1: refused
  } cases[] = {{&full, true, 0, 12},  {&full, true, 36, 12},  {&full, true, 6, 2},
               {&full, true, 37, -1}, {&full, true, -1, -1},  {&full, false, 0, 2},
               {&full, false, 3, 1},  {&full, false, 9, -1},  {&full, false, -1, -1},
               {&empty, true, 0, 0},  {&empty, false, 0, 0},  {&empty, true, 1, -1}};
  for (const auto& c : cases) {
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    GLuint query = 0, n = 0;
    glGenQueries(1, &query);
    glBeginQuery(GL_PRIMITIVES_GENERATED, query);
    std::string message;
    try {
      c.elements ? c.vbo->DrawElements(c.count) : c.vbo->DrawArray(c.count);
    } catch (const std::out_of_range& e) {
      message = e.what();
    }
    glEndQuery(GL_PRIMITIVES_GENERATED);
    glGetQueryObjectuiv(query, GL_QUERY_RESULT, &n);
    glDeleteQueries(1, &query);
    const std::string call =
        (c.elements ? "DrawElements(" : "DrawArray(") + std::to_string(c.count) + ")";
    if (c.triangles >= 0) {
      EXPECT_EQ(message, "") << call;
      EXPECT_EQ(n, GLuint(c.triangles)) << call;
      continue;
    }
    EXPECT_EQ(message, c.elements ? "VertexBuffer::DrawElements - number of indices exceded"
                                  : "VertexBuffer::DrawArrays - number of vertices exceded");
    EXPECT_EQ(Get(GL_ELEMENT_ARRAY_BUFFER_BINDING), 0) << call << ": a refused draw binds nothing";
  }
}

}  // namespace
