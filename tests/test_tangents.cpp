#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "Mesh.h"

using Floats = std::vector<float>;
using Indices = std::vector<uint32_t>;

struct MeshProbe {  // runs a variant over arrays as the reader leaves them
  static Floats Run(void (Mesh::*run)(), Floats p, Floats t, Indices i) {
    Floats out(p.size(), 7.0f);  // 7s stay where no triangle writes
    Mesh m;
    m.numVertices = p.size() / 3, m.numTriangles = i.size() / 3;
    m.vertices = p.data(), m.texCoords = t.data(), m.indices = i.data(), m.tangents = out.data();
    (m.*run)();
    m.vertices = m.texCoords = m.tangents = nullptr, m.indices = nullptr;  // the vectors own them
    return out;
  }
};

const Floats kTri = {0, 0, 0, 1, 0, 0, 0, 1, 0}, kQuad = {0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0};
const Floats kX = {1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0};  // +x; triangles compare the first 9

TEST(Tangents, FollowIncreasingUPerTriangleWithoutAveraging) {
  const struct { const char* name; Floats pos, uv; Indices idx; Floats want; } cases[] = {
      {"unit", kTri, {0, 0, 1, 0, 0, 1}, {0, 1, 2}, kX},
      {"scaled", kTri, {0, 0, 2, 0, 0, 2}, {0, 1, 2}, kX},
      {"mirrored", kTri, {0, 0, -1, 0, 0, 1}, {0, 1, 2}, {-1, 0, 0, -1, 0, 0, -1, 0, 0}},
      // Shared vertices 1 and 2 keep the later triangle's tangent; vertex 4 is in none.
      {"shared", {0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0, 5, 5, 5}, {0, 0, 1, 0, 0, 1, 0, 0, 0, 0},
       {0, 1, 2, 1, 3, 2}, {1, 0, 0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 7, 7, 7}},
      // A zero determinant first gives NaN, later repeats the last tangent.
      {"NaN", kQuad, {.5, .5, .5, .5, .5, .5, 0, 1}, {0, 1, 2, 1, 0, 2, 0, 1, 3}, Floats(12, NAN)},
      {"repeated", kQuad, {0, 0, 1, 0, 0, 1, 1, 0}, {0, 1, 2, 1, 3, 1}, kX},
  };
  for (auto run : {&Mesh::ClassTangents, &Mesh::CalcTangents})
    for (const auto& c : cases) {
      const Floats g = MeshProbe::Run(run, c.pos, c.uv, c.idx);
      for (size_t i = 0; i < g.size(); ++i)
        EXPECT_TRUE(std::isnan(c.want[i]) ? std::isnan(g[i]) : g[i] == c.want[i]) << c.name << i;
    }
}

TEST(Tangents, BothVariantsAgreeWithinTwoUlpOnAGeneratedMesh) {
  const uint32_t n = 60;  // a bumpy grid with jittered texture coordinates
  Floats pos, uv;
  Indices idx;
  auto rnd = [seed = 12345u]() mutable { return (seed = seed * 1664525u + 1013904223u) / 0x1p32f; };
  for (uint32_t i = 0; i < n * n; ++i) {
    pos.insert(pos.end(), {float(i % n), float(i / n), rnd()});
    uv.insert(uv.end(), {i % n / float(n) + 0.01f * rnd(), i / n / float(n) + 0.01f * rnd()});
    if (i % n + 1 < n && i / n + 1 < n) idx.insert(idx.end(), {i, i + 1, i + n});
  }
  const Floats a = MeshProbe::Run(&Mesh::ClassTangents, pos, uv, idx),
               b = MeshProbe::Run(&Mesh::CalcTangents, pos, uv, idx);
  for (size_t i = 0; i < a.size(); ++i) {  // two steps to either side
    ASSERT_GE(b[i], std::nextafter(std::nextafter(a[i], -INFINITY), -INFINITY)) << i;
    ASSERT_LE(b[i], std::nextafter(std::nextafter(a[i], INFINITY), INFINITY)) << i;
  }
}

