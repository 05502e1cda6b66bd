// Feeds arbitrary bytes to the PLY reader, straight from memory (no file, no
// GL). Each input is read three times under the same line limit: in tiny
// chunks, in one piece, and in one piece line by line without the fast token
// path. Neither the buffer seams nor the fast path may change the outcome. A
// loaded mesh must hold arrays of the declared sizes with every index below
// the vertex count, and both tangent routines must run over it. Then the
// number reader's fast path must agree with its exact path from every byte.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "LineReader.h"
#include "Mesh.h"
#include "NumberReader.h"

namespace {

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
           Same(vertices, o.vertices) && Same(normals, o.normals) && Same(texCoords, o.texCoords) &&
           indices == o.indices;
  }
  static bool Same(const std::vector<float>& a, const std::vector<float>& b) {
    return a.size() == b.size() && (a.empty() || !std::memcmp(a.data(), b.data(), a.size() * 4));
  }
};

Outcome Read(const char* data, size_t size, size_t chunk, size_t maxLine, bool exactOnly) {
  Outcome o;
  Mesh m;
  try {
    m.ReadPLY(TextSource::Memory(std::string_view(data, size), chunk, maxLine), exactOnly);
  } catch (const std::domain_error& e) {
    o.error = e.what();
    if (m.Vertices() || m.Normals() || m.TexCoords() || m.Indices() || m.NumVertices() ||
        m.NumTriangles())
      std::abort();  // a failed load must leave nothing behind
    return o;
  }
  const uint64_t nv = o.numVertices = m.NumVertices(), nt = o.numTriangles = m.NumTriangles();
  if (!m.Vertices() || !m.Indices() || (m.TexCoords() && !m.Normals())) std::abort();
  o.vertices.assign(m.Vertices(), m.Vertices() + 3 * nv);
  o.hasNormals = m.Normals() != nullptr;
  if (m.Normals()) o.normals.assign(m.Normals(), m.Normals() + 3 * nv);
  o.hasTexCoords = m.TexCoords() != nullptr;
  if (m.TexCoords()) o.texCoords.assign(m.TexCoords(), m.TexCoords() + 2 * nv);
  o.indices.assign(m.Indices(), m.Indices() + 3 * nt);
  for (uint32_t i : o.indices)
    if (i >= nv) std::abort();
  if (m.NewTangents()) {
    m.ClassTangents();
    m.CalcTangents();
  }
  return o;
}

// The fast number reader against the exact one on every token the input
// holds, cut at every length: each seam of the fast path's limits is met.
void CheckNumbers(const char* data, size_t size) {
  std::vector<char> text(data, data + size);
  text.resize(size + LineReader::kSlack);
  const char* e = text.data() + size;
  for (const char* p = text.data(); p < e; ++p) {
    const char* fast = p;
    const char* exact = p;
    float a = 0, b = 0;
    const bool okA = numbers::ReadFloat(fast, e, a, true);
    const bool okB = numbers::ReadFloat(exact, e, b, false);
    if (okA != okB || fast != exact || std::memcmp(&a, &b, sizeof a)) std::abort();
  }
}

}  // namespace

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

  const Outcome small = Read(data, size, chunk, maxLine, false);
  const Outcome whole = Read(data, size, size + 1, maxLine, false);
  const Outcome plain = Read(data, size, size + 1, maxLine, true);
  if (!(small == whole) || !(whole == plain)) std::abort();
  CheckNumbers(data, size);
  return 0;
}
