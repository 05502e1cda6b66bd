#pragma once
#include "Matrix.h"

// Projections composed onto the current matrix (M := M*P); call
// LoadIdentity first for a fresh one.
class ProjMatrix : public Matrix {
 public:
  explicit ProjMatrix(int stackCapacity) : Matrix(stackCapacity) {}

  void Ortho(float l, float r, float b, float t, float n, float f);
  void Frustum(float l, float r, float b, float t, float n, float f);
  // fovY is the full vertical field of view in degrees.
  void Perspective(float fovY, float aspect, float zNear, float zFar);
};
