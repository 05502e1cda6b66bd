#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glext.h>

#include <functional>
#include <stdexcept>
#include <vector>

#include "VBO.h"
#include "gl_context.h"

// Linked with --wrap=glDeleteBuffers: every delete the VBO makes is counted.
static int deleteCalls = 0;
extern "C" void __real_glDeleteBuffers(GLsizei n, const GLuint* names);
extern "C" void __wrap_glDeleteBuffers(GLsizei n, const GLuint* names) {
  deleteCalls += n;
  __real_glDeleteBuffers(n, names);
}

namespace {

using Setter = void (VBO::*)(long, void*);

struct Upload {
  const char* name;
  Setter set;
  GLenum binding;
  GLenum target;
  int elementBytes;
};

const Upload kUploads[] = {
    {"vertices", &VBO::SetVertices, GL_ARRAY_BUFFER_BINDING, GL_ARRAY_BUFFER, 12},
    {"normals", &VBO::SetNormals, GL_ARRAY_BUFFER_BINDING, GL_ARRAY_BUFFER, 12},
    {"texcoords", &VBO::SetTexCoords, GL_ARRAY_BUFFER_BINDING, GL_ARRAY_BUFFER, 8},
    {"tangents", &VBO::SetTangents, GL_ARRAY_BUFFER_BINDING, GL_ARRAY_BUFFER, 12},
    {"indices", &VBO::SetIndices, GL_ELEMENT_ARRAY_BUFFER_BINDING, GL_ELEMENT_ARRAY_BUFFER, 4},
};

GLint Get(GLenum e) {
  GLint v = 0;
  glGetIntegerv(e, &v);
  return v;
}

GLint BufferSize(GLenum target) {
  GLint size = -1;
  glGetBufferParameteriv(target, GL_BUFFER_SIZE, &size);
  return size;
}

// Triangles that one call really sends down the pipeline.
GLuint Primitives(const std::function<void()>& draw) {
  GLuint query = 0, n = 0;
  glGenQueries(1, &query);
  glBeginQuery(GL_PRIMITIVES_GENERATED, query);
  draw();
  glEndQuery(GL_PRIMITIVES_GENERATED);
  glGetQueryObjectuiv(query, GL_QUERY_RESULT, &n);
  glDeleteQueries(1, &query);
  return n;
}

class VBOTest : public testsupport::GLTest {
 protected:
  void SetUp() override {
    GLTest::SetUp();
    glUseProgram(0);
    for (GLuint i = 0; i < 4; ++i) glDisableVertexAttribArray(i);
    deleteCalls = 0;
  }
  std::vector<float> data = std::vector<float>(300, 0.25f);
};

TEST_F(VBOTest, EachUploadMakesOneBufferOfCountTimesElementSize) {
  for (const Upload& u : kUploads) {
    SCOPED_TRACE(u.name);
    VBO vbo;
    deleteCalls = 0;
    (vbo.*u.set)(10, data.data());
    const GLint first = Get(u.binding);
    ASSERT_NE(first, 0);
    EXPECT_EQ(BufferSize(u.target), 10 * u.elementBytes);

    (vbo.*u.set)(7, data.data());
    const GLint second = Get(u.binding);
    EXPECT_EQ(deleteCalls, 1) << "the first buffer is replaced, not leaked";
    if (second != first) {
      EXPECT_FALSE(glIsBuffer(first));
    }
    EXPECT_EQ(BufferSize(u.target), 7 * u.elementBytes);
  }
}

TEST_F(VBOTest, DestructionDeletesOwnedBuffersOnly) {
  { VBO empty; }
  EXPECT_EQ(deleteCalls, 0);
  {
    VBO full;
    for (const Upload& u : kUploads) (full.*u.set)(3, data.data());
  }
  EXPECT_EQ(deleteCalls, 5);
}

TEST_F(VBOTest, BindSetsUpEverySlotWithDataAndSkipsEmptyOnes) {
  VBO vbo;
  GLint names[5];
  const long counts[5] = {8, 8, 0, 8, 36};  // texture coordinates: a buffer, but no elements
  for (int i = 0; i < 5; ++i) {
    (vbo.*kUploads[i].set)(counts[i], data.data());
    names[i] = Get(kUploads[i].binding);
  }
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
  vbo.Bind();

  const GLint components[4] = {3, 3, 2, 3};
  for (GLuint slot = 0; slot < 4; ++slot) {
    SCOPED_TRACE(slot);
    GLint enabled = -1, size = -1, type = -1, normalized = -1, stride = -1, buffer = -1;
    glGetVertexAttribiv(slot, GL_VERTEX_ATTRIB_ARRAY_ENABLED, &enabled);
    glGetVertexAttribiv(slot, GL_VERTEX_ATTRIB_ARRAY_SIZE, &size);
    glGetVertexAttribiv(slot, GL_VERTEX_ATTRIB_ARRAY_TYPE, &type);
    glGetVertexAttribiv(slot, GL_VERTEX_ATTRIB_ARRAY_NORMALIZED, &normalized);
    glGetVertexAttribiv(slot, GL_VERTEX_ATTRIB_ARRAY_STRIDE, &stride);
    glGetVertexAttribiv(slot, GL_VERTEX_ATTRIB_ARRAY_BUFFER_BINDING, &buffer);
    if (slot == 2) {
      EXPECT_EQ(enabled, GL_FALSE);
      EXPECT_NE(buffer, names[2]);
      continue;
    }
    EXPECT_EQ(enabled, GL_TRUE);
    EXPECT_EQ(size, components[slot]);
    EXPECT_EQ(type, GL_FLOAT);
    EXPECT_EQ(normalized, GL_FALSE);
    EXPECT_EQ(stride, 0);
    EXPECT_EQ(buffer, names[slot]);
  }
  EXPECT_EQ(Get(GL_ELEMENT_ARRAY_BUFFER_BINDING), names[4]);
  EXPECT_EQ(Get(GL_ARRAY_BUFFER_BINDING), names[3]) << "left on the last attribute set up";
}

GLuint Compile(GLenum type, const char* source) {
  const GLuint shader = glCreateShader(type);
  glShaderSource(shader, 1, &source, nullptr);
  glCompileShader(shader);
  return shader;
}

TEST_F(VBOTest, BindNamesTheAttributesOfTheProgramInUseForItsNextLink) {
  const GLuint program = glCreateProgram();
  glAttachShader(program, Compile(GL_VERTEX_SHADER,
                                  "attribute vec3 Tangent, Normal, Vertex; attribute vec2 TexCoord;"
                                  "void main() { gl_Position = vec4(Vertex + Normal + Tangent"
                                  " + vec3(TexCoord, 0.0), 1.0); }"));
  glAttachShader(program, Compile(GL_FRAGMENT_SHADER, "void main() { gl_FragColor = vec4(1.0); }"));
  glLinkProgram(program);
  glUseProgram(program);

  VBO vbo;
  for (const Upload& u : kUploads) (vbo.*u.set)(3, data.data());
  vbo.Bind();
  glLinkProgram(program);

  const char* names[] = {"Vertex", "Normal", "TexCoord", "Tangent"};
  for (GLint slot = 0; slot < 4; ++slot) EXPECT_EQ(glGetAttribLocation(program, names[slot]), slot);
  glUseProgram(0);
  glDeleteProgram(program);
}

TEST_F(VBOTest, DrawsAreBoundedByTheUploadedCounts) {
  VBO vbo;
  std::vector<GLuint> index(36);
  for (GLuint i = 0; i < 36; ++i) index[i] = i % 8;
  vbo.SetVertices(8, data.data());
  vbo.SetIndices(36, index.data());

  struct Case {
    bool elements;
    int count;
    GLuint triangles;  // -1u: throws
  };
  const Case cases[] = {
      {true, 0, 12},  {true, 36, 12},  {true, 6, 2},    {true, 37, ~0u}, {true, -1, ~0u},
      {false, 0, 2},  {false, 8, 2},   {false, 3, 1},   {false, 9, ~0u}, {false, -1, ~0u},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.elements ? "DrawElements(" : "DrawArray(") << c.count << ")");
    auto draw = [&] { c.elements ? vbo.DrawElements(c.count) : vbo.DrawArray(c.count); };
    if (c.triangles != ~0u) {
      EXPECT_EQ(Primitives(draw), c.triangles);
      continue;
    }
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    try {
      draw();
      ADD_FAILURE() << "no exception";
    } catch (const std::out_of_range& e) {
      EXPECT_STREQ(e.what(), c.elements ? "VertexBuffer::DrawElements - number of indices exceded"
                                        : "VertexBuffer::DrawArrays - number of vertices exceded");
    }
    EXPECT_EQ(Get(GL_ELEMENT_ARRAY_BUFFER_BINDING), 0) << "nothing is bound by a refused draw";
  }
}

TEST_F(VBOTest, NewBufferDrawsNothing) {
  VBO vbo;
  EXPECT_EQ(Primitives([&] { vbo.DrawElements(0); }), 0u);
  EXPECT_EQ(Primitives([&] { vbo.DrawArray(0); }), 0u);
  EXPECT_THROW(vbo.DrawElements(1), std::out_of_range);
}

}  // namespace
