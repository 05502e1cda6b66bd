#pragma once
#include <cmath>
#include <iosfwd>

// Three single-precision floats, a value type. The arithmetic is inline in
// the header: the per-vertex tangent loop runs on it.
class Vector {
 public:
  Vector() { SetNull(); }
  Vector(const float* v) { Load(v); }
  Vector(float x, float y, float z) { Load(x, y, z); }

  void SetNull() { components[0] = components[1] = components[2] = 0.0f; }
  void Load(const float* v) { Load(v[0], v[1], v[2]); }
  void Load(float x, float y, float z) {
    components[0] = x;
    components[1] = y;
    components[2] = z;
  }

  float X() const { return components[0]; }
  float Y() const { return components[1]; }
  float Z() const { return components[2]; }

  Vector operator+(const Vector& b) const { return Vector(X() + b.X(), Y() + b.Y(), Z() + b.Z()); }
  Vector& operator+=(const Vector& b) {
    components[0] += b.X();
    components[1] += b.Y();
    components[2] += b.Z();
    return *this;
  }
  Vector operator-(const Vector& b) const { return Vector(X() - b.X(), Y() - b.Y(), Z() - b.Z()); }
  Vector& operator-=(const Vector& b) {
    components[0] -= b.X();
    components[1] -= b.Y();
    components[2] -= b.Z();
    return *this;
  }
  Vector operator-() const { return Vector(-X(), -Y(), -Z()); }
  Vector operator*(float s) const { return Vector(X() * s, Y() * s, Z() * s); }
  // Cross product.
  Vector operator*(const Vector& b) const {
    return Vector(Y() * b.Z() - Z() * b.Y(), Z() * b.X() - X() * b.Z(), X() * b.Y() - Y() * b.X());
  }

  float Dot(const Vector& b) const {
    float sum = 0.0f;
    sum += X() * b.X();
    sum += Y() * b.Y();
    sum += Z() * b.Z();
    return sum;
  }
  float Length() const {
    const float q = (X() * X() + Y() * Y()) + Z() * Z();
    return static_cast<float>(std::sqrt(static_cast<double>(q)));
  }
  // A zero vector becomes three NaNs.
  Vector& Normalize() {
    const float len = Length();
    components[0] /= len;
    components[1] /= len;
    components[2] /= len;
    return *this;
  }

  // Exact comparison: +0 equals -0, NaN equals nothing.
  bool operator==(const Vector& b) const { return X() == b.X() && Y() == b.Y() && Z() == b.Z(); }

 private:
  float components[3];
};

// x, y and z, each followed by two blanks, without a line end.
void print(std::ostream& os, const Vector& v);
void print(Vector& v);
