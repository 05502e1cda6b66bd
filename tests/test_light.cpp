#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "Light.h"

namespace {

std::vector<float> Floats(const float* p, int n) { return std::vector<float>(p, p + n); }

TEST(Light, DefaultsReadBackAsSixteenFloatsFromPosition) {
  Light light;
  const std::vector<float> expected = {0, 0, 0, 1, 0.2f, 0.2f, 0.2f, 0.2f, 1, 1, 1, 1, 1, 1, 1, 1};
  EXPECT_EQ(Floats(light.Position(), 16), expected);
  std::uint32_t bits;
  std::memcpy(&bits, light.Ambient() + 3, sizeof bits);
  EXPECT_EQ(bits, 0x3E4CCCCDu);
  EXPECT_EQ(light.CAttenuation(), 1.0f);
  EXPECT_EQ(light.LAttenuation(), 0.0f);
  EXPECT_EQ(light.QAttenuation(), 0.0f);
}

TEST(Light, PositionIsFollowedByTheColoursInOrder) {
  Light light;
  light.Ambient(5, 6, 7, 8);
  light.Diffuse(9, 10, 11, 12);
  light.Specular(13, 14, 15, 16);
  light.Position(1, 2, 3, 4);
  std::vector<float> expected;
  for (int k = 1; k <= 16; ++k) expected.push_back(static_cast<float>(k));
  EXPECT_EQ(Floats(light.Position(), 16), expected);
  EXPECT_EQ(light.Ambient(), light.Position() + 4);
  EXPECT_EQ(light.Specular(), light.Position() + 12);
}

TEST(Light, SettersStoreExtremeValuesUnchanged) {
  const float big = std::numeric_limits<float>::max();
  const float values[][4] = {{-1, -2.5f, -1e30f, -big}, {0, -0.0f, 0, 0}, {big, 1e30f, 3e-40f, 7}};
  for (const auto& v : values) {
    Light light;
    light.Position(v[0], v[1], v[2], v[3]);
    light.Ambient(v[1], v[2], v[3], v[0]);
    light.Diffuse(v[2], v[3], v[0], v[1]);
    light.Specular(v[3], v[0], v[1], v[2]);
    light.CAttenuation(v[0]);
    light.LAttenuation(v[1]);
    light.QAttenuation(v[3]);
    const std::vector<float> expected = {v[0], v[1], v[2], v[3], v[1], v[2], v[3], v[0],
                                         v[2], v[3], v[0], v[1], v[3], v[0], v[1], v[2]};
    // Bitwise, so that -0 and denormals must survive too.
    EXPECT_EQ(std::memcmp(light.Position(), expected.data(), 16 * sizeof(float)), 0);
    EXPECT_EQ(light.CAttenuation(), v[0]);
    EXPECT_EQ(light.LAttenuation(), v[1]);
    EXPECT_EQ(light.QAttenuation(), v[3]);
  }
}

}  // namespace
