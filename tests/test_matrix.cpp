#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "ProjMatrix.h"
#include "ViewMatrix.h"
#include "alloc_counter.h"

namespace {
using Els = std::vector<float>;
Els El(const Matrix& m) { return Els(m.c_array(), m.c_array() + 16); }
const Els kId = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
const Els kZero(16, 0.0f);
template <class M = ViewMatrix, class Op> Els Built(Op op) { M m(0); op(m); return El(m); }
void LoadSeq(Matrix& m) { m.Load(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16); }
// Rotation about a tilted axis, scaling and translation: nothing commutes.
void LoadAffine(ViewMatrix& m) { m.Rotate(30, 0.6f, 0, 0.8f), m.Scale(2, 3, 0.5f), m.Translate(1, -2, 3); }
float CosDeg(double deg) { return static_cast<float>(std::cos(deg * 3.141592653589793 / 180.0)); }
}  // namespace

TEST(Matrix, ExactResults) {
  const float c90 = CosDeg(90), c30 = CosDeg(30);
  const Els frustum = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -2, -1, 0, 0, -3, 0};
  const Els rotTrans = {c90, 1, 0, 0, -1, c90, 0, 0, 0, 0, 1, 0, 1, 2, 3, 1};
  const struct { const char* name; Els got, want; } cases[] = {
      {"transpose", Built([](auto& m) { LoadSeq(m), m.Transpose(); }), {1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15, 4, 8, 12, 16}},
      {"vecmult", [] { Matrix m(0); m.Load(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 10, 20, 30, 1);
                       float v[4] = {1, 2, 3, 1}; return Els(m.VecMult(v), v + 4); }(), {11, 22, 33, 1}},
      {"invert identity", Built([](auto& m) { m.Invert(); }), kId},
      {"invert translation, bottom row ignored", Built([](auto& m) { m.Load(1, 0, 0, 7, 0, 1, 0, 7, 0, 0, 1, 7, 1, 2, 3, 9), m.Invert(); }),
       {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, -1, -2, -3, 1}},
      {"invert singular", Built([](auto& m) { m.Load(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 1), m.Invert(); }),
       {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 1}},
      {"frustum", Built<ProjMatrix>([](auto& m) { m.Frustum(-1, 1, -1, 1, 1, 3); }), frustum},
      // tan(pi/4) is 0.9999999999999999 in double and rounds to 1.
      {"perspective 90", Built<ProjMatrix>([](auto& m) { m.Perspective(90, 1, 1, 3); }), frustum},
      // Compares equal whatever the sign of the translation's zeros.
      {"ortho", Built<ProjMatrix>([](auto& m) { m.Ortho(-1, 1, -1, 1, -1, 1); }), {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -1, 0, 0, 0, 0, 1}},
      {"rotate 90", Built([](auto& m) { m.Rotate(90, 0, 0, 1); }), {c90, 1, 0, 0, -1, c90, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}},
      {"translate after rotate", Built([](auto& m) { m.Rotate(90, 0, 0, 1), m.Translate(1, 2, 3); }), rotTrans},
      {"rotate after translate", Built([](auto& m) { m.Translate(1, 2, 3), m.Rotate(90, 0, 0, 1); }), rotTrans},
      {"zero axis", Built([](auto& m) { m.Rotate(30, 0, 0, 0); }), {c30, 0, 0, 0, 0, c30, 0, 0, 0, 0, c30, 0, 0, 0, 0, 1}},
      {"scale", Built([](auto& m) { LoadSeq(m), m.Scale(2, 3, 4); }), {2, 4, 6, 4, 15, 18, 21, 8, 36, 40, 44, 12, 13, 14, 15, 16}},
  };
  for (const auto& c : cases) EXPECT_EQ(c.got, c.want) << c.name;
  EXPECT_NE(c90, 0.0f);
}

TEST(Matrix, StackCapacities) {
  for (int cap : {-3, 0}) {
    Matrix m(cap);
    EXPECT_EQ(El(m), kId);
    m.Push(), LoadSeq(m), m.Pop();
    EXPECT_EQ(El(m)[15], 16) << cap;
  }
  Matrix m(2), seq(0);
  LoadSeq(seq);
  m.Push(), LoadSeq(m), m.Push(), m.SetNull(), m.Push();  // the third is dropped
  m.Pop();
  EXPECT_EQ(El(m), El(seq));
  m.Pop();
  EXPECT_EQ(El(m), kId);
  m.SetNull(), m.Pop();
  EXPECT_EQ(El(m), kZero);

  Matrix a(1);
  a.Push(), LoadSeq(a);
  Matrix b(std::move(a));
  EXPECT_EQ(El(b), El(seq));
  b.Pop();
  EXPECT_EQ(El(b), kId);
}

TEST(Matrix, ProductRightMultAndInverse) {
  ViewMatrix x(0);
  LoadAffine(x);
  Matrix y(0), yx(0), xy(0);
  LoadSeq(y);
  yx.Load(y.c_array()), yx.RightMult(x.c_array());
  xy.Load(x.c_array()), xy.RightMult(y.c_array());
  Matrix p = x * y;
  EXPECT_EQ(El(p), El(yx));
  EXPECT_NE(El(p), El(xy));
  p.Push(), p.SetNull(), p.Pop();  // the product has no stack
  EXPECT_EQ(El(p), kZero);

  Matrix inv(0);
  inv.Load(x.c_array()), inv.Invert(), inv.RightMult(x.c_array());
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(El(inv)[i], kId[i], 1e-6) << i;

  ProjMatrix twice(0), f(0);  // f times itself goes through a temporary
  twice.Perspective(60, 1.5f, 1, 10), twice.Perspective(60, 1.5f, 1, 10);
  f.Perspective(60, 1.5f, 1, 10), f.RightMult(f.c_array());
  EXPECT_EQ(El(twice), El(f));
}

TEST(Matrix, NothingAllocatesAfterConstruction) {
  ViewMatrix v(4);
  ProjMatrix p(2);
  const std::size_t before = testsupport::AllocationCount();
  v.Push(), LoadAffine(v), p.Perspective(175, 1.333f, 1, 100);
  Matrix product = v * p;
  product.Invert(), v.Pop();
  EXPECT_EQ(testsupport::AllocationCount(), before);
}

TEST(Matrix, PrintFormats) {
  Matrix sym(0), seq(0);
  sym.Load(0.5f, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1e-7f);
  LoadSeq(seq);
  const std::string symText = "0.5  0  0  0  \n0  1  0  0  \n0  0  1  0  \n0  0  0  1e-07  \n";
  testing::internal::CaptureStdout();
  print(sym), print_transposed(sym), print(seq), print_transposed(seq);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), symText + symText +
            "1  2  3  4  \n5  6  7  8  \n9  10  11  12  \n13  14  15  16  \n"
            "1  5  9  13  \n2  6  10  14  \n3  7  11  15  \n4  8  12  16  \n");
}
