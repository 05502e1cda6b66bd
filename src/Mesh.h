#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "Timer.h"
#include "VBO.h"

// An indexed triangle model. The arrays live in main memory only from
// loading until upload; afterwards the mesh keeps its counts and its VBO.
// It owns GPU buffers and arrays, so it cannot be copied.
class Mesh {
 public:
  Mesh();
  // Loads a PLY file, prints the timing and uploads the arrays; needs a
  // current GL context.
  explicit Mesh(const std::string& fileName);
  virtual ~Mesh();
  Mesh(const Mesh&) = delete;
  Mesh& operator=(const Mesh&) = delete;

  // Reads the file into the counts and arrays (no GL needed). Any arrays held
  // before are released first; a failed load leaves the mesh empty.
  void LoadPLY(const char* fileName);
  // Both fill tangents from vertices, texCoords and indices; they need all
  // four arrays and do nothing without them.
  void ClassTangents();
  void CalcTangents();
  // Hands every array to the VBO and releases it; tangents are made first.
  void SetupVBO();
  void Draw();

 private:
  friend struct MeshProbe;  // tests, benchmarks and the fuzzer look inside

  // Where the reader takes its text from: an open file, or memory (fd < 0).
  // Small chunks and line limits let tests and the fuzzer reach every
  // buffer boundary with short inputs.
  struct PlySource {
    int fd;
    const char* data;
    std::size_t size;
    std::size_t chunk;    // bytes per read
    std::size_t maxLine;  // longer lines keep this many bytes for their numbers
    bool lineByLine;      // data lines one at a time through the exact reader
                          // only: what the fast paths must agree with
  };
  static constexpr std::size_t kChunk = std::size_t(1) << 20;
  static constexpr std::size_t kMaxLine = std::size_t(16) << 20;

  class LineReader;
  void ReadPLY(const PlySource& source);
  void ReleaseArrays();

  uint64_t numVertices;
  uint64_t numTriangles;
  float* vertices;
  float* normals;
  float* texCoords;
  uint32_t* indices;
  float* tangents;
  VBO vbo;
};

// Times mesh loading and tangent generation.
extern Timer t;
