#include "ProjMatrix.h"

#include <cmath>

void ProjMatrix::Ortho(float l, float r, float b, float t, float n, float f) {
  Elements o = {};
  o[0] = 2.0f / (r - l);
  o[5] = 2.0f / (t - b);
  o[10] = -2.0f / (f - n);
  o[12] = -(r + l) / (r - l);
  o[13] = -(t + b) / (t - b);
  o[14] = -(f + n) / (f - n);
  o[15] = 1.0f;
  RightMult(o);
}

void ProjMatrix::Frustum(float l, float r, float b, float t, float n, float f) {
  Elements p = {};
  p[0] = (n + n) / (r - l);
  p[5] = (n + n) / (t - b);
  p[8] = (r + l) / (r - l);
  p[9] = (t + b) / (t - b);
  p[10] = -(f + n) / (f - n);
  p[11] = -1.0f;
  p[14] = ((-2.0f * f) * n) / (f - n);
  RightMult(p);
}

void ProjMatrix::Perspective(float fovY, float aspect, float zNear, float zFar) {
  float h = fovY / 2.0f;
  h = h / 180.0f;
  // The tangent in double keeps 90 degrees at exactly 1 after rounding.
  const double tangent = std::tan(static_cast<double>(h) * kPi);
  const float ymax = static_cast<float>(tangent * static_cast<double>(zNear));
  const float xmax = ymax * aspect;
  Frustum(-xmax, xmax, -ymax, ymax, zNear, zFar);
}
