#include <gtest/gtest.h>

#include <cmath>
#include <type_traits>

#include "Vector.h"

static_assert(std::is_trivially_copyable<Vector>::value && sizeof(Vector) == 12,
              "the tangent loop copies vectors as three plain floats");

TEST(Vector, ConstructionAndExactEquality) {
  const float xyz[3] = {1, 2, 3};
  EXPECT_TRUE(Vector() == Vector(0, 0, 0));
  EXPECT_TRUE(Vector(xyz) == Vector(1, 2, 3));
  EXPECT_FALSE(Vector(1, 2, 3) == Vector(1, std::nextafter(2.0f, 3.0f), 3));
  const Vector nan(NAN, 0, 0);
  EXPECT_FALSE(nan == nan);
  const Vector flipped = -Vector(0, 1, 0);
  EXPECT_TRUE(std::signbit(flipped.X()) && std::signbit(flipped.Z()));
  EXPECT_TRUE(flipped == Vector(0, -1, 0));
}

TEST(Vector, CrossProducts) {
  const Vector x(1, 0, 0), y(0, 1, 0), z(0, 0, 1), a(1, 2, 3);
  const Vector cases[][3] = {{x, y, z}, {y, z, x}, {z, x, y}, {a, a, Vector()}};
  for (const auto& c : cases) EXPECT_TRUE(c[0] * c[1] == c[2]) << &c - cases;
}

TEST(Vector, Arithmetic) {
  const Vector a(1, 2, 3), b(4, 5, 6);
  EXPECT_EQ(a.Dot(b), 32.0f);
  EXPECT_TRUE(a + b == Vector(5, 7, 9));
  EXPECT_TRUE(b - a == Vector(3, 3, 3));
  EXPECT_TRUE(a * 2.0f == Vector(2, 4, 6));
  Vector c = a;
  EXPECT_TRUE((c += b) == Vector(5, 7, 9));
  EXPECT_TRUE((c -= b) == a);
  EXPECT_EQ(Vector(3, 4, 0).Length(), 5.0f);
  EXPECT_TRUE(Vector(0, 0, 5).Normalize() == Vector(0, 0, 1));
  Vector zero;
  zero.Normalize();
  EXPECT_TRUE(std::isnan(zero.X()) && std::isnan(zero.Y()) && std::isnan(zero.Z()));
}

TEST(Vector, PrintWritesNoLineEnd) {
  Vector v(1, 2.5f, 3);
  testing::internal::CaptureStdout();
  print(v);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "1  2.5  3  ");
}
