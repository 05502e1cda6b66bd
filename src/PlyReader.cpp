#include "PlyReader.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <iostream>
#include <limits>
#include <stdexcept>
#include <string_view>

#include "LineReader.h"
#include "NumberReader.h"
#include "VertexLayout.h"

namespace ply {

namespace {

using namespace numbers;

constexpr std::string_view kVertexElement = "element vertex ";
constexpr std::string_view kProperty = "property ";
constexpr std::string_view kFaceElement = "element face ";
constexpr std::string_view kEndHeader = "end_header";

// Reads lines until one contains the word anywhere; false if the text ends first.
bool FindLine(LineReader& in, std::string_view word, std::string_view& line) {
  bool found = false;
  while (in.good() && !found) in.GetLine(line, word, &found);
  return found;
}

// The count that follows the element's word, which is cut off the line's start
// whatever comes before the word.
uint64_t CountAfter(std::string_view line, std::string_view word) {
  const char* p = line.data() + word.size();
  const char* e = line.data() + line.size();
  uint64_t count = 0;
  SkipSpace(p, e);
  ExactUnsigned(p, e, count);
  return count;
}

// Whether a signed 32-bit integer read from [p, e) is 3; any other value,
// overflowing or not, is simply not 3.
[[gnu::noinline]] bool ExactIsThree(const char*& p, const char* e) {
  int32_t count = 0;
  return ExactInt(p, e, count) && count == layout::kIndicesPerTriangle;
}
inline bool ReadThree(const char*& p, const char* e) {
  const char* s = p + (*p == ' ');
  if (s < e && *s == '3' && (s + 1 == e || !IsDigit(s[1]))) {
    p = s + 1;
    return true;
  }
  SkipSpace(p, e);
  return ExactIsThree(p, e);
}

// A vertex line: x y z, then nx ny nz where there are normals, then u v where
// there are texture coordinates; further values are ignored.
struct VertexLine {
  using Value = std::array<float, layout::kMaxValues>;
  float* vertices;
  float* normals;
  float* texCoords;
  int values;  // taken from each line

  // Straight off the buffer: each value one plain decimal, nothing else.
  [[gnu::always_inline]] bool Fast(const char*& p, Value& value) const {
    bool fast = true;
    for (int k = 0; k < values; ++k) {
      if (*p == '\n') return false;
      const char* t = NextSeparator(p + 1);
      fast &= TokenFloat(p, t, value[k]);
      p = t;
    }
    return fast;
  }
  // As a stream reads them: values until one cannot be read.
  [[gnu::noinline]] void Exact(const char* p, const char* e, Value& value, bool fast) const {
    for (int k = 0; k < values && ReadFloat(p, e, value[k], fast); ++k) {
    }
  }
  void Store(uint64_t i, const Value& value) const {
    using namespace layout;
    std::memcpy(vertices + kPosition.components * i, &value[0], Bytes(kPosition));
    if (normals)
      std::memcpy(normals + kNormal.components * i, &value[kPosition.components], Bytes(kNormal));
    if (texCoords)
      std::memcpy(texCoords + kTexCoord.components * i, &value[kValuesWithNormals],
                  Bytes(kTexCoord));
  }
};

// A face line: the count, which must be 3, then three vertex numbers, each
// below the vertex count; further values are ignored.
struct FaceLine {
  using Value = std::array<layout::Index, layout::kIndicesPerTriangle>;
  uint32_t* indices;
  uint64_t numVertices;

  [[gnu::always_inline]] bool Fast(const char*& p, Value& tri) const {
    if (p[0] != '3' || p[1] != ' ') return false;
    ++p;
    bool fast = true;
    for (std::size_t k = 0; k < tri.size(); ++k) {
      if (*p == '\n') return false;
      const char* t = NextSeparator(p + 1);
      fast &= TokenIndex(p, t, tri[k]);
      p = t;
    }
    return fast;
  }
  [[gnu::noinline]] void Exact(const char* p, const char* e, Value& tri, bool fast) const {
    if (!ReadThree(p, e)) throw std::domain_error("Mesh::LoadPly - Not a triangular face");
    if (ReadUnsigned(p, e, tri[0], fast) && ReadUnsigned(p, e, tri[1], fast))
      ReadUnsigned(p, e, tri[2], fast);
  }
  // Tangent generation and drawing index the vertex arrays with these; a face
  // the file does not give holds vertex 0, which must exist too.
  void Store(uint64_t i, const Value& tri) const {
    if (tri[0] >= numVertices || tri[1] >= numVertices || tri[2] >= numVertices)
      throw std::domain_error("Mesh::LoadPly - Vertex index out of range");
    std::memcpy(indices + tri.size() * i, tri.data(), sizeof tri);
  }
};

// Reads up to count data lines of one element and returns how many it read.
// Whole lines in the buffer are read straight off it by the fast rules,
// which never pass a newline; a line they do not fully account for (other
// white space, missing values, a number of another shape, a line longer than
// the limit) is read again by the exact rules from its start.
template <typename Line>
uint64_t ReadLines(LineReader& in, uint64_t count, const Line rules, bool exactOnly) {
  const std::size_t maxLine = in.MaxLine();
  uint64_t i = 0;
  while (i < count) {
    const char* p;
    const char* stop;
    if (exactOnly || !in.Lines(p, stop)) {
      std::string_view line;
      if (!in.GetLine(line)) break;
      typename Line::Value value{};
      rules.Exact(line.data(), line.data() + line.size(), value, !exactOnly);
      rules.Store(i++, value);
      continue;
    }
    for (; i < count && p < stop; ++i) {
      const char* start = p;
      typename Line::Value value{};
      const bool fast = rules.Fast(p, value);
      const char* nl =
          fast && *p == '\n' ? p : static_cast<const char*>(std::memchr(p, '\n', stop - p));
      if (!fast || static_cast<std::size_t>(p - start) > maxLine) {
        value = {};
        rules.Exact(start, std::min(nl, start + maxLine), value, true);
      }
      rules.Store(i, value);
      p = nl + 1;
    }
    in.Consume(p);
  }
  return i;
}

// Every entry is written once: lines the file does not have hold 0.
template <typename Line>
void ReadElement(LineReader& in, uint64_t count, const Line& rules, bool exactOnly) {
  const typename Line::Value none{};
  for (uint64_t i = ReadLines(in, count, rules, exactOnly); i < count; ++i) rules.Store(i, none);
}

}  // namespace

// "ply", "format ascii 1.0", then the first "element vertex " line, the run of
// "property " lines after it, the first "element face " line of the whole
// file (the property run sends the reader back to the start) and
// "end_header". A file that ends early ends the header there.
Header ReadHeader(LineReader& in) {
  std::string_view line;
  in.GetLine(line);
  if (line != "ply") throw std::domain_error("Mesh::LoadPly - Not a PLY file");
  in.GetLine(line);
  if (line != "format ascii 1.0") throw std::domain_error("Mesh::LoadPly - Not an ASCII PLY file");

  Header header;
  if (FindLine(in, kVertexElement, line)) {
    header.vertices = CountAfter(line, kVertexElement);
    std::cout << "Vertices: " << header.vertices << std::endl;
  }
  for (bool found = true; in.good();) {
    in.GetLine(line, kProperty, &found);
    if (!found) {
      in.Rewind();
      std::cout << "Properties: " << header.properties << std::endl;
      break;
    }
    if (header.properties < std::numeric_limits<int>::max()) ++header.properties;
  }
  if (FindLine(in, kFaceElement, line)) {
    header.faces = CountAfter(line, kFaceElement);
    std::cout << "Triangles: " << header.faces << std::endl;
  }
  FindLine(in, kEndHeader, line);
  return header;
}

void ReadVertices(LineReader& in, uint64_t count, float* vertices, float* normals, float* texCoords,
                  bool exactOnly) {
  const int values = texCoords ? layout::kValuesWithTexCoords
                     : normals ? layout::kValuesWithNormals
                               : layout::kPosition.components;
  ReadElement(in, count, VertexLine{vertices, normals, texCoords, values}, exactOnly);
}

void ReadFaces(LineReader& in, uint64_t count, uint64_t numVertices, uint32_t* indices,
               bool exactOnly) {
  ReadElement(in, count, FaceLine{indices, numVertices}, exactOnly);
}

}  // namespace ply
