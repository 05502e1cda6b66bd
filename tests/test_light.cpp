#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <vector>

#include "Light.h"

TEST(Light, DefaultsAreSixteenFloatsFromPosition) {
  Light light;
  EXPECT_EQ(std::vector<float>(light.Position(), light.Position() + 16),
            (std::vector<float>{0, 0, 0, 1, 0.2f, 0.2f, 0.2f, 0.2f, 1, 1, 1, 1, 1, 1, 1, 1}));
  EXPECT_EQ((std::vector<float>{light.CAttenuation(), light.LAttenuation(), light.QAttenuation()}),
            (std::vector<float>{1, 0, 0}));
}

TEST(Light, SettersStoreEveryValueBitForBitInItsPlace) {
  const float big = std::numeric_limits<float>::max();
  const float v[19] = {1, -2.5f, -0.0f, 3e-40f, big, -big, 0, 4, 5, 6, 7, 8, 9, 10, 11, 1e30f, -big, -0.0f, 3e-40f};
  Light light;
  light.Ambient(v[4], v[5], v[6], v[7]), light.Diffuse(v[8], v[9], v[10], v[11]);
  light.Specular(v[12], v[13], v[14], v[15]), light.Position(v[0], v[1], v[2], v[3]);
  light.CAttenuation(v[16]), light.LAttenuation(v[17]), light.QAttenuation(v[18]);
  const float got[3] = {light.CAttenuation(), light.LAttenuation(), light.QAttenuation()};
  EXPECT_EQ(std::memcmp(light.Position(), v, 16 * sizeof(float)), 0);  // bitwise: -0 and the denormal too
  EXPECT_EQ(std::memcmp(got, v + 16, sizeof got), 0);
  EXPECT_EQ(std::vector<float*>({light.Ambient(), light.Diffuse(), light.Specular()}),
            std::vector<float*>({light.Position() + 4, light.Position() + 8, light.Position() + 12}));
}
