// Projections and rotations built on the identity against GLM in double.
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

TEST(GlmCrossCheck, RandomArguments) {
  std::mt19937 rng(20240611);
  auto uni = [&](float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng); };
  double worst = 0;
  for (int c = 0; c < 500; ++c) {
    const float l = uni(-10, 5), r = l + uni(0.1f, 10), b = uni(-10, 5), t = b + uni(0.1f, 10);
    const float n = uni(0.01f, 10), f = n + uni(0.1f, 1000), fov = uni(10, 120), aspect = uni(0.25f, 4);
    const float angle = uni(-360, 360), x = uni(-1, 1), y = uni(-1, 1), z = uni(-1, 1);
    const float len = std::sqrt(x * x + y * y + z * z), ax = x / len, ay = y / len, az = z / len;
    std::ostringstream args;
    args.precision(9);
    args << " in case " << c << ": l r b t n f " << l << " " << r << " " << b << " " << t << " " << n << " " << f
         << "; fovY aspect " << fov << " " << aspect << "; angle axis " << angle << " " << ax << " " << ay << " " << az;
    ProjMatrix fr(0), orth(0), persp(0);
    ViewMatrix rot(0);
    fr.Frustum(l, r, b, t, n, f), orth.Ortho(l, r, b, t, -n, f);
    persp.Perspective(fov, aspect, n, f), rot.Rotate(angle, ax, ay, az);
    // Units in the last place of a float of the wanted size; near-zero rotation entries are judged against 1.
    const struct { const char* name; const Matrix& got; glm::dmat4 want; double floor; } kinds[] = {
        {"Frustum", fr, glm::frustum<double>(l, r, b, t, n, f), 0},
        {"Ortho", orth, glm::ortho<double>(l, r, b, t, -n, f), 0},
        {"Perspective", persp, glm::perspective<double>(glm::radians(double(fov)), aspect, n, f), 0},
        {"Rotate", rot, glm::rotate(glm::dmat4(1.0), glm::radians(double(angle)), glm::dvec3(ax, ay, az)), 1}};
    for (const auto& k : kinds)
      for (int i = 0; i < 16; ++i) {
        const double want = glm::value_ptr(k.want)[i], scale = std::max(std::abs(want), k.floor);
        const double ulps = scale == 0 ? (k.got.c_array()[i] == 0 ? 0 : INFINITY)
                                       : std::abs(k.got.c_array()[i] - want) / std::ldexp(1.0, std::ilogb(scale) - 23);
        worst = std::max(worst, ulps);
        EXPECT_LE(ulps, 4) << k.name << " element " << i << args.str();
      }
  }
  std::cout << "worst difference from GLM: " << worst << " ulp" << std::endl;
}
