#include <cmath>
#include <sstream>

#include "ProjMatrix.h"
#include "ViewMatrix.h"
#include "support.h"

using Els = std::vector<float>;
using testsupport::Elements;
static const Els kId = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}, kZero(16, 0.0f);
static const Els kSeq = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
template <class M = ViewMatrix, class Op> static Els Built(Op op) { M m(0); op(m); return Elements(m); }
static void LoadSeq(Matrix& m) { m.Load(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16); }
static float CosDeg(double deg) { return static_cast<float>(std::cos(deg * 3.141592653589793 / 180.0)); }

TEST(Matrix, ExactResults) {
  const float c90 = CosDeg(90), c30 = CosDeg(30);
  const Els frustum = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -2, -1, 0, 0, -3, 0};
  const Els rotTrans = {c90, 1, 0, 0, -1, c90, 0, 0, 0, 0, 1, 0, 1, 2, 3, 1};
  const struct { const char* name; Els got, want; } cases[] = {
      {"transpose", Built([](auto& m) { LoadSeq(m), m.Transpose(); }), {1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15, 4, 8, 12, 16}},
      {"invert translation, bottom row ignored", Built([](auto& m) { m.Load(1, 0, 0, 7, 0, 1, 0, 7, 0, 0, 1, 7, 1, 2, 3, 9), m.Invert(); }),
       {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, -1, -2, -3, 1}},
      {"invert singular", Built([](auto& m) { m.Load(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 1), m.Invert(); }),
       {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 1}},
      // tan(pi/4) is 0.9999999999999999 in double and rounds to 1.
      {"perspective 90", Built<ProjMatrix>([](auto& m) { m.Perspective(90, 1, 1, 3); }), frustum},
      {"asymmetric frustum", Built<ProjMatrix>([](auto& m) { m.Frustum(0, 2, 0, 4, 1, 3); }),
       {1, 0, 0, 0, 0, 0.5f, 0, 0, 1, 1, -2, -1, 0, 0, -3, 0}},
      {"ortho", Built<ProjMatrix>([](auto& m) { m.Ortho(0, 2, 0, 4, -1, 3); }),
       {1, 0, 0, 0, 0, 0.5f, 0, 0, 0, 0, -0.5f, 0, -1, -1, -0.5f, 1}},
      // Elements 0 and 5 are the double cosine of pi/2 in float, not 0; the translation stays unrotated.
      {"translate after rotate", Built([](auto& m) { m.Rotate(90, 0, 0, 1), m.Translate(1, 2, 3); }), rotTrans},
      {"rotate after translate", Built([](auto& m) { m.Translate(1, 2, 3), m.Rotate(90, 0, 0, 1); }), rotTrans},
      {"zero axis", Built([](auto& m) { m.Rotate(30, 0, 0, 0); }), {c30, 0, 0, 0, 0, c30, 0, 0, 0, 0, c30, 0, 0, 0, 0, 1}},
      {"scale", Built([](auto& m) { LoadSeq(m), m.Scale(2, 3, 4); }), {2, 4, 6, 4, 15, 18, 21, 8, 36, 40, 44, 12, 13, 14, 15, 16}},
  };
  for (const auto& c : cases) EXPECT_EQ(c.got, c.want) << c.name;
}

// A stack holds at most its capacity and goes with a move; none grows after construction.
TEST(Matrix, StackCapacitiesMoveAndNoAllocation) {
  Matrix m(2), none(-3);
  none.Push(), LoadSeq(none), none.Pop();  // no stack: both ignored
  const std::size_t before = testsupport::AllocationCount();
  m.Push(), LoadSeq(m), m.Push(), m.SetNull(), m.Push(), m.Pop();  // the third push is dropped
  Matrix moved(std::move(m)), product = moved * moved;  // a product owns no stack
  EXPECT_EQ(testsupport::AllocationCount(), before) << "allocated after construction";
  std::vector<Els> seen = {Elements(none), Elements(moved)};
  moved.Pop(), seen.push_back(Elements(moved)), moved.SetNull(), moved.Pop(), seen.push_back(Elements(moved));
  EXPECT_EQ(seen, (std::vector<Els>{kSeq, kSeq, kId, kZero}));  // the last Pop finds it empty
  std::ostringstream columns, rows;  // a line each
  print(columns, none), print_transposed(rows, none);
  EXPECT_EQ(columns.str() + rows.str(), "1  2  3  4  \n5  6  7  8  \n9  10  11  12  \n13  14  15  16  \n"
                                        "1  5  9  13  \n2  6  10  14  \n3  7  11  15  \n4  8  12  16  \n");
}

TEST(Matrix, ProductOrderInverseAndRepeatedProjection) {
  ViewMatrix x(0);  // rotation about a tilted axis, scaling and translation: nothing commutes
  x.Rotate(30, 0.6f, 0, 0.8f), x.Scale(2, 3, 0.5f), x.Translate(1, -2, 3);
  Matrix y(0), yx(0), inv(0);
  LoadSeq(y);
  yx.Load(y.c_array()), yx.RightMult(x.c_array());
  EXPECT_EQ(Elements(x * y), Elements(yx));  // x applies first
  inv.Load(x.c_array()), inv.Invert(), inv.RightMult(x.c_array());
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(Elements(inv)[i], kId[i], 1e-6) << i;
  ProjMatrix twice(0), f(0);  // the second projection multiplies, f by itself through a temporary
  twice.Perspective(60, 1.5f, 1, 10), twice.Perspective(60, 1.5f, 1, 10);
  f.Perspective(60, 1.5f, 1, 10), f.RightMult(f.c_array());
  EXPECT_EQ(Elements(twice), Elements(f));
  ViewMatrix r(0);  // a quarter turn about an axis off every plane keeps the axis and turns p to axis x p
  r.Rotate(90, 2 / 7.f, 3 / 7.f, 6 / 7.f);
  float axis[4] = {2 / 7.f, 3 / 7.f, 6 / 7.f, 0}, p[4] = {3 / 7.f, -2 / 7.f, 0, 1};
  r.VecMult(axis), r.VecMult(p);
  const float want[6] = {2 / 7.f, 3 / 7.f, 6 / 7.f, 12 / 49.f, 18 / 49.f, -13 / 49.f};
  for (int i = 0; i < 6; ++i) EXPECT_NEAR(i < 3 ? axis[i] : p[i - 3], want[i], 1e-6) << i;
}
