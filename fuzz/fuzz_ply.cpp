// Feeds arbitrary bytes to the PLY reader, straight from memory (no file, no
// GL). Each input is read three times under the same line limit: in tiny
// chunks, in one piece, and in one piece line by line without the fast token
// path. Neither the buffer seams nor the fast path may change the outcome. A
// loaded mesh must hold arrays of the declared sizes with every index below
// the vertex count, and both tangent routines must run over it.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "Mesh.h"

struct MeshProbe {
  struct Outcome {
    std::string error;
    uint64_t numVertices = 0, numTriangles = 0;
    std::vector<float> vertices, normals, texCoords;
    std::vector<uint32_t> indices;
    bool hasNormals = false, hasTexCoords = false;
    bool operator==(const Outcome& o) const {
      // Bitwise, so that NaN-free reads compare exactly.
      return error == o.error && numVertices == o.numVertices && numTriangles == o.numTriangles &&
             hasNormals == o.hasNormals && hasTexCoords == o.hasTexCoords &&
             Same(vertices, o.vertices) && Same(normals, o.normals) &&
             Same(texCoords, o.texCoords) && indices == o.indices;
    }
    static bool Same(const std::vector<float>& a, const std::vector<float>& b) {
      return a.size() == b.size() && (a.empty() || !std::memcmp(a.data(), b.data(), a.size() * 4));
    }
  };

  static Outcome Read(const char* data, size_t size, size_t chunk, size_t maxLine,
                      bool lineByLine) {
    Outcome o;
    Mesh m;
    try {
      m.ReadPLY(Mesh::PlySource{-1, data, size, chunk, maxLine, lineByLine});
    } catch (const std::domain_error& e) {
      o.error = e.what();
      if (m.vertices || m.normals || m.texCoords || m.indices || m.numVertices || m.numTriangles)
        std::abort();  // a failed load must leave nothing behind
      return o;
    }
    o.numVertices = m.numVertices;
    o.numTriangles = m.numTriangles;
    if (!m.vertices || !m.indices || (m.texCoords && !m.normals)) std::abort();
    o.vertices.assign(m.vertices, m.vertices + 3 * m.numVertices);
    o.hasNormals = m.normals != nullptr;
    if (m.normals) o.normals.assign(m.normals, m.normals + 3 * m.numVertices);
    o.hasTexCoords = m.texCoords != nullptr;
    if (m.texCoords) o.texCoords.assign(m.texCoords, m.texCoords + 2 * m.numVertices);
    o.indices.assign(m.indices, m.indices + 3 * m.numTriangles);
    for (uint32_t i : o.indices)
      if (i >= m.numVertices) std::abort();
    if (m.texCoords) {
      m.tangents = new float[3 * m.numVertices]();
      m.ClassTangents();
      m.CalcTangents();
    }
    return o;
  }
};

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::cout.rdbuf(nullptr);  // the reader's progress lines
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  const char* data = reinterpret_cast<const char*>(bytes);
  // Chunk size and line limit follow from the input itself, so that every
  // input reproduces and mutations wander over the seams.
  uint32_t hash = 2166136261u;
  for (size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 16777619u;
  const size_t chunk = 1 + hash % 23;
  const size_t maxLine = (hash >> 8) % 4 == 0 ? (16u << 20) : 16 + (hash >> 10) % 64;

  const MeshProbe::Outcome small = MeshProbe::Read(data, size, chunk, maxLine, false);
  const MeshProbe::Outcome whole = MeshProbe::Read(data, size, size + 1, maxLine, false);
  const MeshProbe::Outcome plain = MeshProbe::Read(data, size, size + 1, maxLine, true);
  if (!(small == whole) || !(whole == plain)) std::abort();
  return 0;
}
