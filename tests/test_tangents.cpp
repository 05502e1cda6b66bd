#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "Mesh.h"

// Fills a mesh's arrays directly, as the reader would.
struct MeshProbe {
  static void Set(Mesh& m, const std::vector<float>& pos, const std::vector<float>& uv,
                  const std::vector<uint32_t>& idx, float fill = 7.0f) {
    m.numVertices = pos.size() / 3;
    m.numTriangles = idx.size() / 3;
    m.vertices = Copy(pos);
    m.texCoords = Copy(uv);
    m.indices = Copy(idx);
    m.tangents = Copy(std::vector<float>(pos.size(), fill));
  }
  static std::vector<float> Tangents(const Mesh& m) {
    return std::vector<float>(m.tangents, m.tangents + 3 * m.numVertices);
  }
  template <typename T>
  static T* Copy(const std::vector<T>& v) {
    T* p = new T[v.size()];
    std::copy(v.begin(), v.end(), p);
    return p;
  }
};

namespace {

using Variant = void (Mesh::*)();
const struct {
  const char* name;
  Variant run;
} kVariants[] = {{"ClassTangents", &Mesh::ClassTangents}, {"CalcTangents", &Mesh::CalcTangents}};

const std::vector<float> kTriangle = {0, 0, 0, 1, 0, 0, 0, 1, 0};

TEST(Tangents, OneTriangleFollowsIncreasingU) {
  const struct {
    std::vector<float> uv;
    float x;
  } cases[] = {{{0, 0, 1, 0, 0, 1}, 1.0f}, {{0, 0, 2, 0, 0, 2}, 1.0f}, {{0, 0, -1, 0, 0, 1}, -1.0f}};
  for (const auto& v : kVariants) {
    for (const auto& c : cases) {
      SCOPED_TRACE(testing::Message() << v.name << " u of b = " << c.uv[2]);
      Mesh m;
      MeshProbe::Set(m, kTriangle, c.uv, {0, 1, 2});
      (m.*v.run)();
      const std::vector<float> want = {c.x, 0, 0, c.x, 0, 0, c.x, 0, 0};
      EXPECT_EQ(MeshProbe::Tangents(m), want);
    }
  }
}

TEST(Tangents, SharedVertexKeepsTheLastTriangleAndUnusedVerticesAreLeftAlone) {
  // Vertices 1 and 2 are shared; the second triangle's u falls along +y. Vertex 4 is unused.
  const std::vector<float> pos = {0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0, 5, 5, 5};
  const std::vector<float> uv = {0, 0, 1, 0, 0, 1, 0, 0, 0, 0};
  for (const auto& v : kVariants) {
    SCOPED_TRACE(v.name);
    Mesh m;
    MeshProbe::Set(m, pos, uv, {0, 1, 2, 1, 3, 2});
    (m.*v.run)();
    const std::vector<float> t = MeshProbe::Tangents(m);
    EXPECT_EQ(t[0], 1.0f);
    for (int vtx = 1; vtx < 4; ++vtx) {
      EXPECT_EQ(t[3 * vtx], 0.0f) << vtx;
      EXPECT_EQ(t[3 * vtx + 1], -1.0f) << vtx;
    }
    EXPECT_EQ(std::vector<float>(t.begin() + 12, t.end()), std::vector<float>(3, 7.0f));
  }
}

TEST(Tangents, ZeroDeterminantRepeatsThePreviousTangentOrGivesNaNFirst) {
  // Triangles: degenerate uv, good, degenerate again.
  std::vector<float> pos, uv;
  for (int k = 0; k < 3; ++k) pos.insert(pos.end(), kTriangle.begin(), kTriangle.end());
  uv = {0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0, 0, 1, 0, 0, 1, 2, 2, 2, 2, 2, 2};
  for (const auto& v : kVariants) {
    SCOPED_TRACE(v.name);
    Mesh m;
    MeshProbe::Set(m, pos, uv, {0, 1, 2, 3, 4, 5, 6, 7, 8});
    (m.*v.run)();
    const std::vector<float> t = MeshProbe::Tangents(m);
    for (int i = 0; i < 9; ++i) EXPECT_TRUE(std::isnan(t[i])) << i;
    for (int vtx = 3; vtx < 9; ++vtx) {
      EXPECT_EQ(t[3 * vtx], 1.0f);
      EXPECT_EQ(t[3 * vtx + 1], 0.0f);
      EXPECT_EQ(t[3 * vtx + 2], 0.0f);
    }
  }
}

int64_t Ordered(float f) {
  int32_t i;
  std::memcpy(&i, &f, sizeof i);
  return i < 0 ? int64_t(INT32_MIN) - i : i;
}

TEST(Tangents, BothVariantsAgreeWithinTwoUlpOnAGeneratedMesh) {
  // A wavy 60 x 60 grid with jittered texture coordinates.
  const int n = 60;
  std::vector<float> pos, uv;
  std::vector<uint32_t> idx;
  uint32_t seed = 12345;
  auto rnd = [&] { return (seed = seed * 1664525u + 1013904223u) / 4294967296.0f; };
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      pos.insert(pos.end(), {float(x), float(y), std::sin(x * 0.3f) * std::cos(y * 0.2f) + rnd()});
      uv.insert(uv.end(), {x / float(n) + 0.01f * rnd(), y / float(n) + 0.01f * rnd()});
    }
  for (int y = 0; y + 1 < n; ++y)
    for (int x = 0; x + 1 < n; ++x) {
      const uint32_t a = y * n + x, b = a + 1, c = a + n, d = c + 1;
      idx.insert(idx.end(), {a, b, c, b, d, c});
    }
  Mesh byClass, byArrays;
  MeshProbe::Set(byClass, pos, uv, idx);
  MeshProbe::Set(byArrays, pos, uv, idx);
  byClass.ClassTangents();
  byArrays.CalcTangents();
  const std::vector<float> a = MeshProbe::Tangents(byClass), b = MeshProbe::Tangents(byArrays);
  for (size_t i = 0; i < a.size(); ++i) {
    ASSERT_FALSE(std::isnan(a[i])) << i;
    ASSERT_LE(std::llabs(Ordered(a[i]) - Ordered(b[i])), 2) << i << ": " << a[i] << " vs " << b[i];
  }
}

TEST(Tangents, WithoutArraysNothingHappens) {
  Mesh m;
  m.ClassTangents();
  m.CalcTangents();
}

}  // namespace
