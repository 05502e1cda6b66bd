#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "Timer.h"
#include "VBO.h"

struct TextSource;

// An indexed triangle model. The arrays live in main memory only from
// loading until upload; afterwards the mesh keeps its counts and its VBO.
// It owns GPU buffers and arrays, so it cannot be copied.
class Mesh {
 public:
  Mesh() = default;
  // Loads a PLY file, prints the timing and uploads the arrays; needs a
  // current GL context.
  explicit Mesh(const std::string& fileName);
  virtual ~Mesh();
  Mesh(const Mesh&) = delete;
  Mesh& operator=(const Mesh&) = delete;

  // Reads the file into the counts and arrays (no GL needed). Any arrays held
  // before are released first; a failed load leaves the mesh empty.
  void LoadPLY(const char* fileName);
  // The same from any text. With exactOnly the data lines are read one at a
  // time by the exact number reader alone: what the fast paths must match.
  void ReadPLY(const TextSource& source, bool exactOnly = false);

  // What loading left, until upload releases it (null arrays: none).
  uint64_t NumVertices() const { return numVertices; }
  uint64_t NumTriangles() const { return numTriangles; }
  const float* Vertices() const { return vertices; }
  const float* Normals() const { return normals; }
  const float* TexCoords() const { return texCoords; }
  const uint32_t* Indices() const { return indices; }

  // Both fill tangents from vertices, texCoords and indices; they need all
  // four arrays and do nothing without them.
  void ClassTangents();
  void CalcTangents();
  // The tangent array, cleared, made when there are texture coordinates and
  // none yet; null without texture coordinates.
  float* NewTangents();
  // Hands every array to the VBO and releases it; tangents are made first.
  void SetupVBO();
  void Draw();

 private:
  // Releases every array and empties the counts.
  void Clear();

  uint64_t numVertices = 0;
  uint64_t numTriangles = 0;
  float* vertices = nullptr;
  float* normals = nullptr;
  float* texCoords = nullptr;
  uint32_t* indices = nullptr;
  float* tangents = nullptr;
  VBO vbo;
};

// Times mesh loading and tangent generation.
extern Timer t;
