#pragma once
#include <cstddef>
#include <cstdint>

// The one description of a vertex: which arrays a mesh has, how many floats
// each holds per vertex, and the generic attribute slot and shader name that
// feed each of them. The PLY reader, the buffer upload and the scene all take
// their numbers from here.
namespace layout {

struct Attribute {
  unsigned int slot;  // generic vertex attribute index
  const char* name;   // the name bound to that slot
  int components;     // floats per vertex
};

constexpr Attribute kPosition{0, "Vertex", 3};
constexpr Attribute kNormal{1, "Normal", 3};
constexpr Attribute kTexCoord{2, "TexCoord", 2};
constexpr Attribute kTangent{3, "Tangent", 3};
constexpr Attribute kMeshAttributes[] = {kPosition, kNormal, kTexCoord, kTangent};

// Each triangle is three unsigned 32-bit indices.
constexpr int kIndicesPerTriangle = 3;
using Index = uint32_t;

constexpr std::size_t Bytes(const Attribute& a) { return a.components * sizeof(float); }

// A PLY vertex line holds its values in this order: the position, then the
// normal, then the texture coordinates. A file declares the arrays it has by
// how many properties its vertex element lists: an array is read when every
// value up to its own last one is declared.
constexpr int kValuesWithNormals = kPosition.components + kNormal.components;
constexpr int kValuesWithTexCoords = kValuesWithNormals + kTexCoord.components;
constexpr int kMaxValues = kValuesWithTexCoords;

// The scene's cube shader: its corners come through the position slot, and
// its colour attribute takes the next slot.
constexpr Attribute kSceneVertex{kPosition.slot, "a_Vertex", 4};
constexpr Attribute kSceneColor{kNormal.slot, "a_Color", 4};

}  // namespace layout
