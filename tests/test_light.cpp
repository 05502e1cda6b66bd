#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <vector>

#include "Light.h"

namespace {

std::vector<float> Sixteen(Light& light) { return std::vector<float>(light.Position(), light.Position() + 16); }

TEST(Light, DefaultsReadBackAsSixteenFloatsFromPosition) {
  Light light;
  EXPECT_EQ(Sixteen(light), (std::vector<float>{0, 0, 0, 1, 0.2f, 0.2f, 0.2f, 0.2f, 1, 1, 1, 1, 1, 1, 1, 1}));
  EXPECT_EQ(light.Ambient(), light.Position() + 4);
  EXPECT_EQ(light.Specular(), light.Position() + 12);
  EXPECT_EQ((std::vector<float>{light.CAttenuation(), light.LAttenuation(), light.QAttenuation()}),
            (std::vector<float>{1, 0, 0}));
}

TEST(Light, SettersStoreEveryValueUnchangedAndInOrder) {
  const float big = std::numeric_limits<float>::max();
  const std::vector<float> v = {1, -2.5f, -0.0f, 3e-40f, big, -big, 0, 4, 5, 6, 7, 8, 9, 10, 11, 1e30f};
  Light light;
  light.Ambient(v[4], v[5], v[6], v[7]);
  light.Diffuse(v[8], v[9], v[10], v[11]);
  light.Specular(v[12], v[13], v[14], v[15]);
  light.Position(v[0], v[1], v[2], v[3]);
  light.CAttenuation(-big);
  light.LAttenuation(-0.0f);
  light.QAttenuation(3e-40f);
  // Bitwise, so that -0 and the denormal must survive too.
  EXPECT_EQ(std::memcmp(light.Position(), v.data(), sizeof(float) * 16), 0);
  const float attenuation[] = {light.CAttenuation(), light.LAttenuation(), light.QAttenuation()};
  const float expected[] = {-big, -0.0f, 3e-40f};
  EXPECT_EQ(std::memcmp(attenuation, expected, sizeof expected), 0);
}

}  // namespace
