#include "ViewMatrix.h"

#include <cmath>

void ViewMatrix::Translate(float x, float y, float z) {
  elements[12] += x;
  elements[13] += y;
  elements[14] += z;
}

void ViewMatrix::Scale(float x, float y, float z) {
  for (int i = 0; i < 3; ++i) {
    elements[i] *= x;
    elements[4 + i] *= y;
    elements[8 + i] *= z;
  }
}

void ViewMatrix::Rotate(float angle, float x, float y, float z) {
  const double rad = static_cast<double>(angle) * kPi / 180.0;
  const double c = std::cos(rad);
  const double s = std::sin(rad);
  const double k = 1.0 - c;
  // Axis products are rounded to float before entering the double sums.
  const double xx = x * x, yy = y * y, zz = z * z;
  const double xy = x * y, yx = y * x, xz = x * z, yz = y * z;
  const double dx = x, dy = y, dz = z;

  Elements r = {};
  r[0] = static_cast<float>(c + xx * k);
  r[1] = static_cast<float>(s * dz + yx * k);
  r[2] = static_cast<float>(xz * k - s * dy);
  r[4] = static_cast<float>(xy * k - s * dz);
  r[5] = static_cast<float>(c + yy * k);
  r[6] = static_cast<float>(s * dx + yz * k);
  r[8] = static_cast<float>(s * dy + xz * k);
  r[9] = static_cast<float>(yz * k - s * dx);
  r[10] = static_cast<float>(c + zz * k);
  r[15] = 1.0f;
  RightMult(r);
}
