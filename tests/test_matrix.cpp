#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <vector>

#include "Matrix.h"
#include "ProjMatrix.h"
#include "ViewMatrix.h"
#include "alloc_counter.h"

namespace {
using Els = std::vector<float>;
Els El(const Matrix& m) { return Els(m.c_array(), m.c_array() + 16); }
const Els kIdentity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
void LoadSeq(Matrix& m) { m.Load(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16); }
// A matrix that rotates 30 degrees about a tilted axis, scales and translates.
void LoadAffine(ViewMatrix& m) {
  m.Rotate(30, 0.6f, 0.0f, 0.8f);
  m.Scale(2, 3, 0.5f);
  m.Translate(1, -2, 3);
}
}  // namespace

TEST(Matrix, StacklessCapacitiesIgnorePushAndPop) {
  for (int cap : {-3, 0}) {
    Matrix m(cap);
    EXPECT_EQ(El(m), kIdentity);
    m.Push();
    LoadSeq(m);
    m.Pop();
    EXPECT_EQ(El(m)[15], 16) << cap;
  }
}

TEST(Matrix, StackOfTwoKeepsTheFirstTwoPushes) {
  Matrix m(2), seq(0);
  LoadSeq(seq);
  m.Push();  // identity
  LoadSeq(m);
  m.Push();
  m.SetNull();
  m.Push();  // full: dropped
  m.Pop();
  EXPECT_EQ(El(m), El(seq));
  m.Pop();
  EXPECT_EQ(El(m), kIdentity);
  m.SetNull();
  m.Pop();
  EXPECT_EQ(El(m), Els(16, 0.0f));
}

TEST(Matrix, MoveHandsTheStackOver) {
  Matrix a(1);
  a.Push();
  a.SetNull();
  Matrix b(std::move(a));
  b.Pop();
  EXPECT_EQ(El(b), kIdentity);
}

TEST(Matrix, TransposeAndVecMult) {
  Matrix m(0);
  LoadSeq(m);
  m.Transpose();
  EXPECT_EQ(El(m), (Els{1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15, 4, 8, 12, 16}));
  float v[4] = {1, 2, 3, 1};
  m.Load(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 10, 20, 30, 1);
  EXPECT_EQ(Els(m.VecMult(v), v + 4), (Els{11, 22, 33, 1}));
}

TEST(Matrix, InvertAffineAndSingular) {
  Matrix m(0);
  m.Invert();
  EXPECT_EQ(El(m), kIdentity);
  // Elements 3, 7, 11 are ignored and come back as 0, 15 as 1.
  m.Load(1, 0, 0, 7, 0, 1, 0, 7, 0, 0, 1, 7, 1, 2, 3, 9);
  m.Invert();
  EXPECT_EQ(El(m), (Els{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, -1, -2, -3, 1}));
  m.Load(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 1);
  const Els singular = El(m);
  m.Invert();
  EXPECT_EQ(El(m), singular);

  ViewMatrix a(0), inv(0);
  LoadAffine(a);
  inv.Load(a.c_array());
  inv.Invert();
  inv.RightMult(a.c_array());
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(El(inv)[i], kIdentity[i], 1e-6) << i;
}

TEST(Matrix, ProductIsRightMultInReverseOrder) {
  ViewMatrix x(0);
  LoadAffine(x);
  Matrix y(0), yx(0), xy(0);
  LoadSeq(y);
  const Els xBefore = El(x), yBefore = El(y);
  yx.Load(y.c_array());
  yx.RightMult(x.c_array());
  xy.Load(x.c_array());
  xy.RightMult(y.c_array());

  Matrix p = x * y;
  EXPECT_EQ(El(p), El(yx));
  EXPECT_NE(El(p), El(xy));
  EXPECT_EQ(El(x), xBefore);
  EXPECT_EQ(El(y), yBefore);

  p.Push();  // the product has no stack
  p.SetNull();
  p.Pop();
  EXPECT_EQ(El(p), Els(16, 0.0f));

  // Multiplying by itself goes through a temporary.
  Matrix sq = x * x;
  x.RightMult(x.c_array());
  EXPECT_EQ(El(x), El(sq));
}

TEST(Matrix, NothingAllocatesAfterConstruction) {
  ViewMatrix v(4);
  ProjMatrix p(2);
  const std::size_t before = testsupport::AllocationCount();
  v.Push();
  LoadAffine(v);
  p.Perspective(175, 1.333f, 1, 100);
  Matrix product = v * p;
  product.Invert();
  v.Pop();
  EXPECT_EQ(testsupport::AllocationCount(), before);
}

TEST(Matrix, PrintFormats) {
  Matrix sym(0), seq(0);
  sym.Load(0.5f, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1e-7f);
  LoadSeq(seq);
  const char* symText = "0.5  0  0  0  \n0  1  0  0  \n0  0  1  0  \n0  0  0  1e-07  \n";
  testing::internal::CaptureStdout();
  print(sym);
  print_transposed(sym);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), std::string(symText) + symText);

  std::ostringstream cols, rows;
  print(cols, seq);
  print_transposed(rows, seq);
  EXPECT_EQ(cols.str(), "1  2  3  4  \n5  6  7  8  \n9  10  11  12  \n13  14  15  16  \n");
  EXPECT_EQ(rows.str(), "1  5  9  13  \n2  6  10  14  \n3  7  11  15  \n4  8  12  16  \n");
}

TEST(ProjMatrix, FrustumPerspectiveOrtho) {
  ProjMatrix f(0), p(0), o(0);
  f.Frustum(-1, 1, -1, 1, 1, 3);
  EXPECT_EQ(El(f), (Els{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -2, -1, 0, 0, -3, 0}));
  p.Perspective(90, 1, 1, 3);  // tan(pi/4) = 0.9999999999999999 rounds to 1
  EXPECT_EQ(El(p), El(f));
  // Compares equal to +0 whatever the sign of the translation's zeros.
  o.Ortho(-1, 1, -1, 1, -1, 1);
  EXPECT_EQ(El(o), (Els{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -1, 0, 0, 0, 0, 1}));

  f.RightMult(f.c_array());
  p.Perspective(90, 1, 1, 3);
  EXPECT_EQ(El(p), El(f));
}

TEST(ViewMatrix, RotateTranslateScale) {
  const float c90 = static_cast<float>(std::cos(90.0 * 3.141592653589793 / 180.0));
  ViewMatrix r(0), t(0), zero(0), s(0);
  r.Rotate(90, 0, 0, 1);
  EXPECT_EQ(El(r), (Els{c90, 1, 0, 0, -1, c90, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}));
  EXPECT_NE(c90, 0.0f);
  r.Translate(1, 2, 3);  // in the parent frame, unrotated
  EXPECT_EQ(El(r), (Els{c90, 1, 0, 0, -1, c90, 0, 0, 0, 0, 1, 0, 1, 2, 3, 1}));
  t.Translate(1, 2, 3);
  t.Rotate(90, 0, 0, 1);
  EXPECT_EQ(El(t), El(r));

  const float c30 = static_cast<float>(std::cos(30.0 * 3.141592653589793 / 180.0));
  zero.Rotate(30, 0, 0, 0);
  EXPECT_EQ(El(zero), (Els{c30, 0, 0, 0, 0, c30, 0, 0, 0, 0, c30, 0, 0, 0, 0, 1}));
  s.Scale(2, 2, 2);
  EXPECT_EQ(El(s), (Els{2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 1}));
}
