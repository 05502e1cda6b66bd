#pragma once
#include "Matrix.h"

// Model-view transforms composed onto the current matrix; angles in degrees.
class ViewMatrix : public Matrix {
 public:
  explicit ViewMatrix(int stackCapacity) : Matrix(stackCapacity) {}

  // Adds to the translation in the parent frame: not M*T, the offset is not
  // rotated or scaled by the current 3x3 block.
  void Translate(float x, float y, float z);
  // Scales the first three columns' upper 3 rows (M*S for an affine M).
  void Scale(float x, float y, float z);
  // M := M*R about the axis as given; pass a unit axis, it is not normalised.
  void Rotate(float angle, float x, float y, float z);
};
