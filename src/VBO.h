#pragma once
#include <cstddef>
#include <cstdint>

#include "GLFunctions.h"

// Owns the GL buffers of one triangle mesh: four per-vertex attribute arrays
// and the triangle indices. Counts are elements (vertices or indices), never
// bytes. A new VBO owns nothing; two VBOs never share a buffer name, so
// copying is forbidden.
class VBO {
 public:
  VBO();
  ~VBO();
  VBO(const VBO&) = delete;
  VBO& operator=(const VBO&) = delete;

  // Each upload replaces an earlier buffer of the same array; OpenGL copies
  // the data before the call returns. A negative count throws
  // std::invalid_argument and keeps the earlier buffer.
  void SetVertices(long count, void* data);
  void SetNormals(long count, void* data);
  void SetTexCoords(long count, void* data);
  void SetTangents(long count, void* data);
  void SetIndices(long count, void* data);

  void Bind();
  // A count of 0 draws everything; a larger count than uploaded throws
  // std::out_of_range before anything is bound.
  void DrawElements(int count);
  void DrawArray(int count);

 private:
  void Upload(GLuint& buffer, int64_t& stored, GLenum target, std::size_t elementBytes, long count,
              const void* data);

  GLuint vertexBuffer;
  int64_t vertexCount;
  GLuint normalBuffer;
  int64_t normalCount;
  GLuint texCoordBuffer;
  int64_t texCoordCount;
  GLuint tangentBuffer;
  int64_t tangentCount;
  GLuint indexBuffer;
  int64_t indexCount;
};
