#include <SDL.h>
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "FrameTimer.h"
#include "Timer.h"

namespace {

class TimerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { SDL_Init(SDL_INIT_TIMER); }
  static void TearDownTestSuite() { SDL_Quit(); }
};

TEST_F(TimerTest, MeasuresTheIntervalBetweenResetAndStop) {
  Timer t;
  t.Reset();
  EXPECT_EQ(t.GetInterval(), 0u);
  SDL_Delay(250);
  t.Stop();
  EXPECT_GE(t.GetInterval(), 250u);
  EXPECT_LT(t.GetInterval(), 1000u);  // loose: the machine may be busy
  // A second Stop measures from the same start.
  SDL_Delay(50);
  t.Stop();
  EXPECT_GE(t.GetInterval(), 300u);
}

TEST_F(TimerTest, ZeroPeriodNeverReportsButStillTimesFrames) {
  FrameTimer frames(0);
  testing::internal::CaptureStdout();
  SDL_Delay(30);
  const uint32_t first = frames.AddFrame();
  for (int i = 0; i < 50; ++i) frames.AddFrame();
  SDL_Delay(20);
  const uint32_t last = frames.AddFrame();
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_GE(first, 30u);  // since the reset in the constructor
  EXPECT_GE(last, 20u);
  EXPECT_LT(last, 1000u);
}

TEST_F(TimerTest, ReportsFramesAndNominalRateOncePerPeriod) {
  // The first period counts from SDL's start, so after more than a second
  // the very first frame already reports.
  while (SDL_GetTicks() <= 1000) SDL_Delay(10);
  FrameTimer frames(1);
  testing::internal::CaptureStdout();
  frames.AddFrame();
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Frametimer: 1 frames in 1 seconds = 1.0 FPS\n");

  testing::internal::CaptureStdout();
  const uint32_t begin = SDL_GetTicks();
  int added = 0;
  while (SDL_GetTicks() - begin < 1300) {
    frames.AddFrame();
    ++added;
    SDL_Delay(10);
  }
  const std::string out = testing::internal::GetCapturedStdout();
  std::smatch m;
  const std::regex line("^Frametimer: (\\d+) frames in 1 seconds = (\\d+)\\.(\\d) FPS\n$");
  ASSERT_TRUE(std::regex_match(out, m, line)) << out;
  const int reported = std::stoi(m[1]);
  EXPECT_GT(reported, 20);
  EXPECT_LT(reported, added);
  EXPECT_EQ(std::stoi(m[2]), reported);  // frames / 1 second
  EXPECT_EQ(m[3], "0");
}

}  // namespace
