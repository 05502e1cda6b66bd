#include <gtest/gtest.h>

#include <cmath>
#include <type_traits>

#include "Vector.h"

static_assert(std::is_trivially_copyable<Vector>::value && sizeof(Vector) == 12,
              "the tangent loop copies vectors as three plain floats");

TEST(Vector, Operations) {
  const float xyz[3] = {1, 2, 3};
  const Vector x(1, 0, 0), y(0, 1, 0), z(0, 0, 1), a(xyz), b(4, 5, 6), o;
  Vector c = a, zero, minusY = -y;
  const struct { Vector got, want; } cases[] = {
      {x * y, z}, {y * z, x}, {z * x, y}, {a * a, o}, {a + b, {5, 7, 9}}, {b - a, {3, 3, 3}},
      {a * 2.0f, {2, 4, 6}}, {c += b, {5, 7, 9}}, {c -= b, a}, {Vector(0, 0, 5).Normalize(), z},
      {minusY, {0, -1, 0}}, {o, {0, 0, 0}}};
  for (const auto& t : cases) EXPECT_TRUE(t.got == t.want) << &t - cases;
  EXPECT_FALSE(a == Vector(1, std::nextafter(2.0f, 3.0f), 3));
  EXPECT_FALSE(Vector(NAN, 0, 0) == Vector(NAN, 0, 0));
  EXPECT_TRUE(std::signbit(minusY.X()) && std::signbit(minusY.Z()));
  EXPECT_EQ(a.Dot(b), 32.0f);
  EXPECT_EQ(Vector(3, 4, 0).Length(), 5.0f);
  zero.Normalize();
  EXPECT_TRUE(std::isnan(zero.X()) && std::isnan(zero.Y()) && std::isnan(zero.Z()));

  testing::internal::CaptureStdout();
  print(c = Vector(1, 2.5f, 3));
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "1  2.5  3  ");
}
