#pragma once
#include <cstdint>

class LineReader;

// The program's subset of ASCII PLY, read from a LineReader. Each step
// prints its progress lines and reports a file it refuses by throwing
// std::domain_error.
namespace ply {

// What the header declares; the property count selects the vertex arrays.
struct Header {
  uint64_t vertices = 0;
  uint64_t faces = 0;
  int properties = 0;
};

// Reads the header up to and with its "end_header" line.
Header ReadHeader(LineReader& in);

// The data lines of each element, count of them, into arrays of that many
// entries; what the file does not supply holds 0. With exactOnly every line
// is read by the exact number reader alone: what the fast path must match.
void ReadVertices(LineReader& in, uint64_t count, float* vertices, float* normals, float* texCoords,
                  bool exactOnly);
void ReadFaces(LineReader& in, uint64_t count, uint64_t numVertices, uint32_t* indices,
               bool exactOnly);

}  // namespace ply
