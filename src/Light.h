#pragma once

// One light source as plain values. The four colour-and-position groups lie
// back to back, so Position() is also the start of the 16 floats that the
// scene sends as one 4x4 matrix.
class Light {
 public:
  Light();

  float* Position() { return position; }
  void Position(float x, float y, float z, float w);
  float* Ambient() { return ambient; }
  void Ambient(float r, float g, float b, float a);
  float* Diffuse() { return diffuse; }
  void Diffuse(float r, float g, float b, float a);
  float* Specular() { return specular; }
  void Specular(float r, float g, float b, float a);

  float CAttenuation() const { return constantAttenuation; }
  void CAttenuation(float value) { constantAttenuation = value; }
  float LAttenuation() const { return linearAttenuation; }
  void LAttenuation(float value) { linearAttenuation = value; }
  float QAttenuation() const { return quadraticAttenuation; }
  void QAttenuation(float value) { quadraticAttenuation = value; }

 private:
  static void store(float* to, float a, float b, float c, float d);
  static constexpr bool packed();

  float position[4];
  float ambient[4];
  float diffuse[4];
  float specular[4];
  float constantAttenuation;
  float linearAttenuation;
  float quadraticAttenuation;
};
