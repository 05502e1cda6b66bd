#include "VBO.h"

#include <stdexcept>

namespace {

// Name 0 is never a buffer: skipping it keeps an owner of nothing off the GL
// entirely, which matters for meshes destroyed after the context is gone.
void DeleteBuffer(GLuint name) {
  if (name != 0 && glIsBuffer(name)) glDeleteBuffers(1, &name);
}

// Counts are compared as unsigned, so a negative request is rejected too.
bool Exceeds(int count, int64_t stored) {
  return static_cast<uint64_t>(static_cast<int64_t>(count)) > static_cast<uint64_t>(stored);
}

}  // namespace

VBO::VBO()
    : vertexBuffer(0),
      vertexCount(0),
      normalBuffer(0),
      normalCount(0),
      texCoordBuffer(0),
      texCoordCount(0),
      tangentBuffer(0),
      tangentCount(0),
      indexBuffer(0),
      indexCount(0) {}

VBO::~VBO() {
  DeleteBuffer(vertexBuffer);
  DeleteBuffer(normalBuffer);
  DeleteBuffer(texCoordBuffer);
  DeleteBuffer(tangentBuffer);
  DeleteBuffer(indexBuffer);
}

void VBO::Upload(GLuint& buffer, int64_t& stored, GLenum target, long elementBytes, long count,
                 const void* data) {
  DeleteBuffer(buffer);
  glGenBuffers(1, &buffer);
  glBindBuffer(target, buffer);
  glBufferData(target, static_cast<GLsizeiptr>(count) * elementBytes, data, GL_STATIC_DRAW);
  stored = count;
}

void VBO::SetVertices(long count, void* data) {
  Upload(vertexBuffer, vertexCount, GL_ARRAY_BUFFER, 12, count, data);
}

void VBO::SetNormals(long count, void* data) {
  Upload(normalBuffer, normalCount, GL_ARRAY_BUFFER, 12, count, data);
}

void VBO::SetTexCoords(long count, void* data) {
  Upload(texCoordBuffer, texCoordCount, GL_ARRAY_BUFFER, 8, count, data);
}

void VBO::SetTangents(long count, void* data) {
  Upload(tangentBuffer, tangentCount, GL_ARRAY_BUFFER, 12, count, data);
}

void VBO::SetIndices(long count, void* data) {
  Upload(indexBuffer, indexCount, GL_ELEMENT_ARRAY_BUFFER, 4, count, data);
}

void VBO::Bind() {
  struct Slot {
    GLuint VBO::*buffer;
    int64_t VBO::*count;
    const char* name;
    GLint components;
  };
  static const Slot slots[] = {
      {&VBO::vertexBuffer, &VBO::vertexCount, "Vertex", 3},
      {&VBO::normalBuffer, &VBO::normalCount, "Normal", 3},
      {&VBO::texCoordBuffer, &VBO::texCoordCount, "TexCoord", 2},
      {&VBO::tangentBuffer, &VBO::tangentCount, "Tangent", 3},
  };

  GLint program = 0;
  glGetIntegerv(GL_CURRENT_PROGRAM, &program);
  for (GLuint i = 0; i < 4; ++i) {
    const Slot& s = slots[i];
    // Positions are always set up, even when none were uploaded.
    if (i != 0 && this->*s.count == 0) continue;
    glBindBuffer(GL_ARRAY_BUFFER, this->*s.buffer);
    glBindAttribLocation(static_cast<GLuint>(program), i, s.name);
    glVertexAttribPointer(i, s.components, GL_FLOAT, GL_FALSE, 0, nullptr);
    glEnableVertexAttribArray(i);
  }
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indexBuffer);
}

void VBO::DrawElements(int count) {
  if (count == 0)
    count = static_cast<int>(indexCount);
  else if (Exceeds(count, indexCount))
    throw std::out_of_range("VertexBuffer::DrawElements - number of indices exceded");
  Bind();
  glDrawElements(GL_TRIANGLES, count, GL_UNSIGNED_INT, nullptr);
}

void VBO::DrawArray(int count) {
  if (count == 0)
    count = static_cast<int>(vertexCount);
  else if (Exceeds(count, vertexCount))
    throw std::out_of_range("VertexBuffer::DrawArrays - number of vertices exceded");
  Bind();
  glDrawArrays(GL_TRIANGLES, 0, count);
}
