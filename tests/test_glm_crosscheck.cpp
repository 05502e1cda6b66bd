// Projections and rotations against GLM computed in double, on the identity
// and composed onto a general matrix (which also checks M := M*X order).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iostream>
#include <random>
#include <sstream>

#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

#include "ProjMatrix.h"
#include "ViewMatrix.h"

namespace {
const int kMaxUlps = 4;

// Distance in units of the last place of the larger of |want| and floor.
double worstUlps = 0;
double UlpsOff(float got, double want, double floor) {
  const double scale = std::max(std::abs(want), floor);
  const double ulps = scale == 0 ? (got == 0 ? 0 : INFINITY)
                                 : std::abs(got - want) / std::ldexp(1.0, std::ilogb(scale) - 23);
  worstUlps = std::max(worstUlps, ulps);
  return ulps;
}

double MaxAbs(const glm::dmat4& m) {
  double a = 0;
  for (int i = 0; i < 16; ++i) a = std::max(a, std::abs(glm::value_ptr(m)[i]));
  return a;
}

// Each case is built twice: on the identity and on `base`.
void Check(const glm::dmat4& factor, const Matrix& onIdentity, const Matrix& onBase,
           const glm::dmat4& base, double floor, const std::string& what) {
  const glm::dmat4 composed = base * factor;
  const double baseFloor = MaxAbs(base) * MaxAbs(factor);
  for (int i = 0; i < 16; ++i) {
    EXPECT_LE(UlpsOff(onIdentity.c_array()[i], glm::value_ptr(factor)[i], floor), kMaxUlps)
        << what << " element " << i;
    EXPECT_LE(UlpsOff(onBase.c_array()[i], glm::value_ptr(composed)[i], baseFloor), kMaxUlps)
        << what << " on base, element " << i;
  }
}
}  // namespace

TEST(GlmCrossCheck, RandomProjectionsAndRotations) {
  std::mt19937 rng(20240611);
  auto uni = [&](float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng); };
  const float baseEl[16] = {0.8f, -0.3f, 0.5f, 0.1f, 0.2f, 1.1f, -0.4f, 0.0f,
                            -0.6f, 0.7f, 0.9f, 0.2f, 3.0f, -1.5f, 2.0f, 1.0f};
  const glm::dmat4 base = glm::dmat4(glm::make_mat4(baseEl));

  for (int c = 0; c < 300; ++c) {
    const float l = uni(-10, 5), r = l + uni(0.1f, 10), b = uni(-10, 5), t = b + uni(0.1f, 10);
    const float n = uni(0.01f, 10), f = n + uni(0.1f, 1000);
    const float fov = uni(10, 120), aspect = uni(0.25f, 4), angle = uni(-360, 360);
    float ax = uni(-1, 1), ay = uni(-1, 1), az = uni(-1, 1);
    const float len = std::sqrt(ax * ax + ay * ay + az * az);
    ax /= len, ay /= len, az /= len;
    std::ostringstream args;
    args.precision(9);
    args << "case " << c << ": l r b t n f = " << l << " " << r << " " << b << " " << t << " "
         << n << " " << f << "; fovY aspect = " << fov << " " << aspect << "; angle axis = "
         << angle << " " << ax << " " << ay << " " << az;

    ProjMatrix p0(0), p1(0);
    ViewMatrix v0(0), v1(0);
    p1.Load(baseEl);
    v1.Load(baseEl);
    p0.Frustum(l, r, b, t, n, f), p1.Frustum(l, r, b, t, n, f);
    Check(glm::frustum<double>(l, r, b, t, n, f), p0, p1, base, 0, "Frustum " + args.str());
    p0.LoadIdentity(), p1.Load(baseEl);
    p0.Ortho(l, r, b, t, -n, f), p1.Ortho(l, r, b, t, -n, f);
    Check(glm::ortho<double>(l, r, b, t, -n, f), p0, p1, base, 0, "Ortho " + args.str());
    p0.LoadIdentity(), p1.Load(baseEl);
    p0.Perspective(fov, aspect, n, f), p1.Perspective(fov, aspect, n, f);
    Check(glm::perspective(glm::radians(double(fov)), double(aspect), double(n), double(f)),
          p0, p1, base, 0, "Perspective " + args.str());
    v0.Rotate(angle, ax, ay, az), v1.Rotate(angle, ax, ay, az);
    // Rotation entries lie in [-1, 1]: near-zero ones are judged against 1.
    Check(glm::rotate(glm::dmat4(1.0), glm::radians(double(angle)), glm::dvec3(ax, ay, az)),
          v0, v1, base, 1, "Rotate " + args.str());
  }
  std::cout << "worst difference: " << worstUlps << " ulp\n";
}
