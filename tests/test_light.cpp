#include <gtest/gtest.h>

#include <vector>

#include "Light.h"

TEST(Light, KeepsItsSixteenFloatsInTheOrderTheShaderReads) {
  Light light;
  EXPECT_EQ(std::vector<float>(light.Position(), light.Position() + 16),
            (std::vector<float>{0, 0, 0, 1, 0.2f, 0.2f, 0.2f, 0.2f, 1, 1, 1, 1, 1, 1, 1, 1}));
  light.Position(1, 2, 3, 4), light.Ambient(5, 6, 7, 8), light.Diffuse(9, 10, 11, 12), light.Specular(13, 14, 15, 16);
  light.CAttenuation(17), light.LAttenuation(18), light.QAttenuation(19);
  std::vector<float> all(light.Position(), light.Position() + 16);
  all.insert(all.end(), {light.CAttenuation(), light.LAttenuation(), light.QAttenuation()});
  EXPECT_EQ(all, (std::vector<float>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19}));
}
