#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "Mesh.h"

struct MeshProbe {
  // Fills the arrays as the reader would; tangents start as 7s.
  static void Set(Mesh& m, const std::vector<float>& pos, const std::vector<float>& uv,
                  const std::vector<uint32_t>& idx) {
    m.numVertices = pos.size() / 3;
    m.numTriangles = idx.size() / 3;
    m.vertices = Copy(pos);
    m.texCoords = Copy(uv);
    m.indices = Copy(idx);
    m.tangents = Copy(std::vector<float>(pos.size(), 7.0f));
  }
  static std::vector<float> Tangents(const Mesh& m) {
    return std::vector<float>(m.tangents, m.tangents + 3 * m.numVertices);
  }
  template <typename T>
  static T* Copy(const std::vector<T>& v) {
    return std::copy(v.begin(), v.end(), new T[v.size()]) - v.size();
  }
};

namespace {

const float N = NAN;

TEST(Tangents, FollowIncreasingUPerTriangleWithoutAveraging) {
  const std::vector<float> tri = {0, 0, 0, 1, 0, 0, 0, 1, 0};
  const struct {
    const char* name;
    std::vector<float> pos, uv;
    std::vector<uint32_t> idx;
    std::vector<float> want;
  } cases[] = {
      {"unit", tri, {0, 0, 1, 0, 0, 1}, {0, 1, 2}, {1, 0, 0, 1, 0, 0, 1, 0, 0}},
      {"scaled", tri, {0, 0, 2, 0, 0, 2}, {0, 1, 2}, {1, 0, 0, 1, 0, 0, 1, 0, 0}},
      {"mirrored", tri, {0, 0, -1, 0, 0, 1}, {0, 1, 2}, {-1, 0, 0, -1, 0, 0, -1, 0, 0}},
      // Vertices 1 and 2 are shared and keep the second triangle's tangent;
      // vertex 4 is in no triangle and keeps what it held.
      {"shared",
       {0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0, 5, 5, 5},
       {0, 0, 1, 0, 0, 1, 0, 0, 0, 0},
       {0, 1, 2, 1, 3, 2},
       {1, 0, 0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 7, 7, 7}},
      // A zero determinant first gives NaN, later repeats the last tangent.
      {"degenerate",
       {0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0},
       {.5, .5, .5, .5, .5, .5, 0, 1},
       {0, 1, 2, 1, 0, 2, 0, 1, 3},
       {N, N, N, N, N, N, N, N, N, N, N, N}},
      {"degenerate after a good one",
       {0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0},
       {0, 0, 1, 0, 0, 1, 1, 0},
       {0, 1, 2, 1, 3, 1},
       {1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0}},
  };
  for (auto run : {&Mesh::ClassTangents, &Mesh::CalcTangents}) {
    for (const auto& c : cases) {
      Mesh m;
      MeshProbe::Set(m, c.pos, c.uv, c.idx);
      (m.*run)();
      const std::vector<float> got = MeshProbe::Tangents(m);
      for (size_t i = 0; i < got.size(); ++i) {
        if (std::isnan(c.want[i]))
          EXPECT_TRUE(std::isnan(got[i])) << c.name << " " << i;
        else
          EXPECT_EQ(got[i], c.want[i]) << c.name << " " << i;
      }
    }
  }
}

int64_t Ordered(float f) {
  int32_t i;
  std::memcpy(&i, &f, sizeof i);
  return i < 0 ? int64_t(INT32_MIN) - i : i;
}

TEST(Tangents, BothVariantsAgreeWithinTwoUlpOnAGeneratedMesh) {
  const uint32_t n = 60;  // a wavy grid with jittered texture coordinates
  std::vector<float> pos, uv;
  std::vector<uint32_t> idx;
  uint32_t seed = 12345;
  auto rnd = [&] { return (seed = seed * 1664525u + 1013904223u) / 4294967296.0f; };
  for (uint32_t y = 0; y < n; ++y)
    for (uint32_t x = 0; x < n; ++x) {
      pos.insert(pos.end(), {float(x), float(y), std::sin(x * 0.3f) * std::cos(y * 0.2f) + rnd()});
      uv.insert(uv.end(), {x / float(n) + 0.01f * rnd(), y / float(n) + 0.01f * rnd()});
      if (x + 1 < n && y + 1 < n) idx.insert(idx.end(), {y * n + x, y * n + x + 1, y * n + x + n});
    }
  Mesh byClass, byArrays;
  MeshProbe::Set(byClass, pos, uv, idx);
  MeshProbe::Set(byArrays, pos, uv, idx);
  byClass.ClassTangents();
  byArrays.CalcTangents();
  const std::vector<float> a = MeshProbe::Tangents(byClass), b = MeshProbe::Tangents(byArrays);
  for (size_t i = 0; i < a.size(); ++i)
    ASSERT_LE(std::llabs(Ordered(a[i]) - Ordered(b[i])), 2) << i << ": " << a[i] << " vs " << b[i];
}

}  // namespace
