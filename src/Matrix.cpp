#include "Matrix.h"

#include <array>
#include <cstddef>
#include <cstring>
#include <iostream>
#include <utility>

Matrix::Matrix(int stackCapacity) : stack(nullptr), stackSize(stackCapacity), stackDepth(0) {
  LoadIdentity();
  if (stackCapacity > 0) stack = new float[static_cast<std::size_t>(stackCapacity) * 16];
}

Matrix::~Matrix() { delete[] stack; }

Matrix::Matrix(Matrix&& other) noexcept
    : stack(other.stack), stackSize(other.stackSize), stackDepth(other.stackDepth) {
  std::memcpy(elements, other.elements, sizeof elements);
  other.stack = nullptr;
  other.stackSize = 0;
  other.stackDepth = 0;
}

void Matrix::SetNull() {
  for (float& e : elements) e = 0.0f;
}

void Matrix::LoadIdentity() {
  SetNull();
  elements[0] = elements[5] = elements[10] = elements[15] = 1.0f;
}

void Matrix::Load(const float* m) {
  // memmove: m may point into this matrix.
  std::memmove(elements, m, sizeof elements);
}

void Matrix::Load(float a0, float a1, float a2, float a3, float a4, float a5, float a6, float a7,
                  float a8, float a9, float a10, float a11, float a12, float a13, float a14,
                  float a15) {
  const Elements m = {a0, a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11, a12, a13, a14, a15};
  Load(m);
}

void Matrix::Invert() {
  const float* a = elements;
  const float d = a[0] * (a[5] * a[10] - a[6] * a[9]) - (a[4] * a[10] - a[6] * a[8]) * a[1] +
                  (a[4] * a[9] - a[5] * a[8]) * a[2];
  if (d == 0.0f) return;
  const float s = 1.0f / d;

  Elements r;
  r[0] = (a[5] * a[10] - a[6] * a[9]) * s;
  r[1] = (a[1] * a[10] - a[2] * a[9]) * (-s);
  r[2] = (a[1] * a[6] - a[2] * a[5]) * s;
  r[3] = 0.0f;
  r[4] = (a[4] * a[10] - a[6] * a[8]) * (-s);
  r[5] = (a[0] * a[10] - a[2] * a[8]) * s;
  r[6] = (a[0] * a[6] - a[2] * a[4]) * (-s);
  r[7] = 0.0f;
  r[8] = (a[4] * a[9] - a[5] * a[8]) * s;
  r[9] = (a[0] * a[9] - a[1] * a[8]) * (-s);
  r[10] = (a[0] * a[5] - a[1] * a[4]) * s;
  r[11] = 0.0f;
  r[12] = -(a[12] * r[0] + a[13] * r[4] + a[14] * r[8]);
  r[13] = -(a[12] * r[1] + a[13] * r[5] + a[14] * r[9]);
  r[14] = -(a[12] * r[2] + a[13] * r[6] + a[14] * r[10]);
  r[15] = 1.0f;
  Load(r);
}

void Matrix::Transpose() {
  static const std::pair<int, int> pairs[] = {{1, 4}, {2, 8}, {3, 12}, {6, 9}, {7, 13}, {11, 14}};
  for (const auto& [a, b] : pairs) std::swap(elements[a], elements[b]);
}

float* Matrix::VecMult(float* v) const {
  const std::array u{v[0], v[1], v[2], v[3]};
  for (int i = 0; i < 4; ++i) {
    v[i] = 0.0f;
    for (int j = 0; j < 4; ++j) v[i] += u[j] * elements[4 * j + i];
  }
  return v;
}

Matrix& Matrix::RightMult(const float* b) {
  Elements t = {};
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      for (int k = 0; k < 4; ++k) t[4 * i + j] += elements[4 * k + j] * b[4 * i + k];
  Load(t);
  return *this;
}

void Matrix::Push() {
  if (stackDepth >= stackSize) return;
  std::memcpy(stack + 16 * static_cast<std::size_t>(stackDepth), elements, sizeof elements);
  ++stackDepth;
}

void Matrix::Pop() {
  if (stackDepth <= 0) return;
  --stackDepth;
  Load(stack + 16 * static_cast<std::size_t>(stackDepth));
}

Matrix Matrix::operator*(const Matrix& y) const {
  Matrix p(0);
  p.SetNull();
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      for (int k = 0; k < 4; ++k)
        p.elements[4 * i + j] += elements[4 * i + k] * y.elements[4 * k + j];
  return p;
}

namespace {
void PrintLines(std::ostream& os, const Matrix& m, int lineStep, int itemStep) {
  const float* e = m.c_array();
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) os << e[lineStep * i + itemStep * j] << "  ";
    os << std::endl;
  }
}
}  // namespace

void print(std::ostream& os, const Matrix& m) { PrintLines(os, m, 4, 1); }
void print(Matrix& m) { print(std::cout, m); }
void print_transposed(std::ostream& os, const Matrix& m) { PrintLines(os, m, 1, 4); }
void print_transposed(Matrix& m) { print_transposed(std::cout, m); }
