#pragma once
#include <iosfwd>

// The double that degrees are turned into radians with.
inline constexpr double kPi = 3.141592653589793;

// 4x4 single-precision matrix in OpenGL's column-major layout (row r, column
// c at index 4*c + r; translation in 12..14), with a bounded stack of saved
// matrices that is allocated once, at construction.
class Matrix {
 public:
  // Sixteen floats, column-major.
  using Elements = float[16];

  explicit Matrix(int stackCapacity);
  ~Matrix();

  // A matrix owns its stack, so it is never copied; moving hands the stack
  // over and leaves the source without one.
  Matrix(const Matrix&) = delete;
  Matrix& operator=(const Matrix&) = delete;
  Matrix(Matrix&& other) noexcept;
  Matrix& operator=(Matrix&&) = delete;

  void SetNull();
  void LoadIdentity();
  void Load(const float* m);
  void Load(float a0, float a1, float a2, float a3, float a4, float a5, float a6, float a7,
            float a8, float a9, float a10, float a11, float a12, float a13, float a14, float a15);
  const float* c_array() const { return elements; }

  // Inverts the affine part; a singular 3x3 block leaves the matrix as it is.
  void Invert();
  void Transpose();
  // v := M*v on four floats.
  float* VecMult(float* v) const;
  // M := M*B. B may alias the elements: the product goes through a temporary.
  Matrix& RightMult(const float* b);

  // A full stack ignores Push, an empty one ignores Pop.
  void Push();
  void Pop();

  // x * y is Y*X in column-major terms (x applies first), the reverse of
  // x.RightMult(y). The result has no stack.
  Matrix operator*(const Matrix& y) const;

 protected:
  Elements elements;
  float* stack;
  int stackSize;
  int stackDepth;
};

// One line per column, each number followed by two blanks.
void print(std::ostream& os, const Matrix& m);
void print(Matrix& m);
// One line per row.
void print_transposed(std::ostream& os, const Matrix& m);
void print_transposed(Matrix& m);
