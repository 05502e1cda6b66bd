#include "Light.h"

#include <cstddef>
#include <type_traits>

// Four groups of four floats of one standard-layout class lie back to back
// when the last starts twelve floats after the first.
constexpr bool Light::packed() {
  return offsetof(Light, specular) == offsetof(Light, position) + 12 * sizeof(float);
}

// The shader reads position, ambient, diffuse and specular as one matrix.
static_assert(std::is_standard_layout_v<Light>, "Light must keep a plain layout");

Light::Light()
    : position{0.0f, 0.0f, 0.0f, 1.0f},
      ambient{0.2f, 0.2f, 0.2f, 0.2f},
      diffuse{1.0f, 1.0f, 1.0f, 1.0f},
      specular{1.0f, 1.0f, 1.0f, 1.0f},
      constantAttenuation(1.0f),
      linearAttenuation(0.0f),
      quadraticAttenuation(0.0f) {
  static_assert(packed(), "Light's four groups must be 16 consecutive floats");
}

void Light::store(float* to, float a, float b, float c, float d) {
  to[0] = a;
  to[1] = b;
  to[2] = c;
  to[3] = d;
}

void Light::Position(float x, float y, float z, float w) { store(position, x, y, z, w); }
void Light::Ambient(float r, float g, float b, float a) { store(ambient, r, g, b, a); }
void Light::Diffuse(float r, float g, float b, float a) { store(diffuse, r, g, b, a); }
void Light::Specular(float r, float g, float b, float a) { store(specular, r, g, b, a); }
