#include <cmath>
#include <sstream>
#include <vector>

#include "ProjMatrix.h"
#include "Vector.h"
#include "ViewMatrix.h"
#include "support.h"

namespace {

using Els = std::vector<float>;
const Els kId = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
const Els kSeq = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
volatile double kHalfPi = 3.141592653589793 / 2;  // cos at run time: MinGW's differs from GCC's
const float kCos90 = static_cast<float>(std::cos(kHalfPi));

Els Elements(const Matrix& m) { return Els(m.c_array(), m.c_array() + 16); }

// Elements 0 and 5 of a quarter turn are the double cosine of pi/2 in float, not 0.
TEST(Matrix, TransformsGiveTheirExactElements) {
  ProjMatrix p(0);
  p.Frustum(-1, 3, -2, 6, 1, 3);
  EXPECT_EQ(Elements(p), (Els{0.5f, 0, 0, 0, 0, 0.25f, 0, 0, 0.5f, 0.5f, -2, -1, 0, 0, -3, 0}));
  p.LoadIdentity();
  p.Ortho(-1, 3, -2, 6, -1, 3);
  EXPECT_EQ(Elements(p),
            (Els{0.5f, 0, 0, 0, 0, 0.25f, 0, 0, 0, 0, -0.5f, 0, -0.5f, -0.5f, -0.5f, 1}));
  ViewMatrix m(0);
  m.Rotate(90, 0, 0, 1);
  m.Translate(1, 2, 3);
  EXPECT_EQ(Elements(m), (Els{kCos90, 1, 0, 0, -1, kCos90, 0, 0, 0, 0, 1, 0, 1, 2, 3, 1}));
  m.Load(kSeq.data());
  m.Scale(2, 3, 4);
  m.Transpose();
  EXPECT_EQ(Elements(m), (Els{2, 15, 36, 13, 4, 18, 40, 14, 6, 21, 44, 15, 4, 8, 12, 16}));
}

TEST(Matrix, InversesUndoWhatTheyInvert) {
  Matrix m(0);
  m.Load(1, 0, 0, 7, 0, 1, 0, 7, 0, 0, 1, 7, 1, 2, 3, 9);
  m.Invert();
  EXPECT_EQ(Elements(m), (Els{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, -1, -2, -3, 1}));
  m.Load(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 1);
  m.Invert();
  EXPECT_EQ(Elements(m), (Els{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 1}));
  ViewMatrix x(0);  // a turn about a tilted axis, a scaling and a translation
  x.Rotate(30, 0.6f, 0, 0.8f);
  x.Scale(2, 3, 0.5f);
  x.Translate(1, -2, 3);
  m.Load(x.c_array());
  m.Invert();
  m.RightMult(x.c_array());
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(Elements(m)[i], kId[i], 1e-6) << i;
}

TEST(Matrix, ProductsAndVectorsComposeInOrder) {
  ViewMatrix x(0);
  x.Rotate(90, 2 / 7.f, 3 / 7.f, 6 / 7.f);
  x.Translate(1, 2, 3);
  Matrix y(0);
  y.Load(kSeq.data());
  std::ostringstream printed;  // elements 0 to 3 as a line, then as a column
  print(printed, y);
  print_transposed(printed, y);
  EXPECT_EQ(printed.str(),
            "1  2  3  4  \n5  6  7  8  \n9  10  11  12  \n13  14  15  16  \n"
            "1  5  9  13  \n2  6  10  14  \n3  7  11  15  \n4  8  12  16  \n");
  const Els product = Elements(x * y);
  y.RightMult(x.c_array());
  EXPECT_EQ(product, Elements(y));
  float v[8] = {2 / 7.f, 3 / 7.f, 6 / 7.f, 0, 3 / 7.f, -2 / 7.f, 0, 1};  // an axis, a point
  x.VecMult(v);
  x.VecMult(v + 4);
  const Els want = {2 / 7.f, 3 / 7.f, 6 / 7.f, 0, 1 + 12 / 49.f, 2 + 18 / 49.f, 3 - 13 / 49.f, 1};
  for (int i = 0; i < 8; ++i) EXPECT_NEAR(v[i], want[i], 1e-6) << i;
}

TEST(Matrix, StacksHoldTheirCapacityAndMoveWithTheMatrix) {
  Matrix m(2);
  const std::size_t before = testsupport::AllocationCount();
  m.Push();
  m.Load(kSeq.data());
  m.Push();
  m.SetNull();
  m.Push();  // dropped: the stack is full
  m.Pop();
  Matrix moved(std::move(m));
  EXPECT_EQ(testsupport::AllocationCount(), before);
  m.Pop();  // the source is left without a stack
  EXPECT_EQ(Elements(m), kSeq);
  EXPECT_EQ(Elements(moved), kSeq);
  moved.Pop();
  EXPECT_EQ(Elements(moved), kId);
  moved.SetNull();
  moved.Pop();
  EXPECT_EQ(Elements(moved), Els(16, 0.0f)) << "an empty stack keeps the matrix";
}

TEST(Vector, ArithmeticAsGeometryHasIt) {
  const Vector x(1, 0, 0), y(0, 1, 0), z(0, 0, 1), a(1, 2, 3), b(4, 5, 6);
  Vector c(a);
  c += b;
  c -= a;
  std::ostringstream got;
  for (const Vector& v :
       {x * y, y * z, z * x, a * a, a + b, b - a, a * 2.0f, -y, c, Vector(0, 0, 5).Normalize()})
    print(got, v);
  EXPECT_EQ(got.str(),
            "0  0  1  1  0  0  0  1  0  0  0  0  5  7  9  3  3  3  2  4  6  -0  -1  -0  "
            "4  5  6  0  0  1  ");
  const auto up = [](float v) { return std::nextafter(v, 9.0f); };  // its last bit
  EXPECT_FALSE(a == Vector(up(1), 2, 3) || a == Vector(1, up(2), 3) || a == Vector(1, 2, up(3)));
  EXPECT_TRUE(a.Dot(b) == 32 && -y == Vector(0, -1, 0));
}

}  // namespace
