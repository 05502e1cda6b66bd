#include "VBO.h"

#include <cstddef>
#include <iterator>
#include <stdexcept>
#include <utility>

#include "VertexLayout.h"

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

void VBO::Upload(GLuint& buffer, int64_t& stored, GLenum target, std::size_t elementBytes,
                 long count, const void* data) {
  // A negative count would pass every later bound check as a huge one.
  if (count < 0) throw std::invalid_argument("VertexBuffer::Upload - negative count");
  DeleteBuffer(buffer);
  glGenBuffers(1, &buffer);
  glBindBuffer(target, buffer);
  glBufferData(target, static_cast<GLsizeiptr>(count * elementBytes), data, GL_STATIC_DRAW);
  stored = count;
}

void VBO::SetVertices(long count, void* data) {
  Upload(vertexBuffer, vertexCount, GL_ARRAY_BUFFER, layout::Bytes(layout::kPosition), count, data);
}

void VBO::SetNormals(long count, void* data) {
  Upload(normalBuffer, normalCount, GL_ARRAY_BUFFER, layout::Bytes(layout::kNormal), count, data);
}

void VBO::SetTexCoords(long count, void* data) {
  Upload(texCoordBuffer, texCoordCount, GL_ARRAY_BUFFER, layout::Bytes(layout::kTexCoord), count,
         data);
}

void VBO::SetTangents(long count, void* data) {
  Upload(tangentBuffer, tangentCount, GL_ARRAY_BUFFER, layout::Bytes(layout::kTangent), count,
         data);
}

void VBO::SetIndices(long count, void* data) {
  Upload(indexBuffer, indexCount, GL_ELEMENT_ARRAY_BUFFER, sizeof(layout::Index), count, data);
}

void VBO::Bind() {
  const std::pair<GLuint VBO::*, int64_t VBO::*> arrays[] = {
      {&VBO::vertexBuffer, &VBO::vertexCount},
      {&VBO::normalBuffer, &VBO::normalCount},
      {&VBO::texCoordBuffer, &VBO::texCoordCount},
      {&VBO::tangentBuffer, &VBO::tangentCount},
  };
  static_assert(std::size(arrays) == std::size(layout::kMeshAttributes));

  GLint program = 0;
  glGetIntegerv(GL_CURRENT_PROGRAM, &program);
  for (std::size_t i = 0; i < std::size(arrays); ++i) {
    const layout::Attribute& a = layout::kMeshAttributes[i];
    // Positions are always set up, even when none were uploaded.
    if (i != 0 && this->*arrays[i].second == 0) continue;
    glBindBuffer(GL_ARRAY_BUFFER, this->*arrays[i].first);
    glBindAttribLocation(static_cast<GLuint>(program), a.slot, a.name);
    glVertexAttribPointer(a.slot, a.components, GL_FLOAT, GL_FALSE, 0, nullptr);
    glEnableVertexAttribArray(a.slot);
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
