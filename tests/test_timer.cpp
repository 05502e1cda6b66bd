#include <SDL.h>
#include <gtest/gtest.h>

#include <regex>

#include "FrameTimer.h"
#include "Timer.h"

using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

TEST(Timer, MeasuresFromResetToEachStop) {
  SDL_Init(SDL_INIT_TIMER);
  Timer t;
  t.Reset();
  EXPECT_EQ(t.GetInterval(), 0u);
  SDL_Delay(250);
  t.Stop();
  EXPECT_GE(t.GetInterval(), 250u);
  EXPECT_LT(t.GetInterval(), 1000u);  // loose: the machine may be busy
  SDL_Delay(50);
  t.Stop();
  EXPECT_GE(t.GetInterval(), 300u);
}

TEST(FrameTimer, TimesFramesAndReportsOncePerPeriodAtTheNominalRate) {
  SDL_Init(SDL_INIT_TIMER);
  FrameTimer silent(0);  // a zero period never reports
  SDL_Delay(30);
  CaptureStdout();
  EXPECT_GE(silent.AddFrame(), 30u);  // since the reset in the constructor
  for (int k = 0; k < 50; ++k) silent.AddFrame();
  EXPECT_LT(silent.AddFrame(), 1000u);
  // The first period counts from SDL's start: after a second the first frame reports.
  while (SDL_GetTicks() <= 1000) SDL_Delay(10);
  FrameTimer frames(1);
  frames.AddFrame();
  EXPECT_EQ(GetCapturedStdout(), "Frametimer: 1 frames in 1 seconds = 1.0 FPS\n");
  CaptureStdout();
  int added = 0;
  for (const Uint32 begin = SDL_GetTicks(); SDL_GetTicks() - begin < 1300; ++added, SDL_Delay(10)) frames.AddFrame();
  const std::string out = GetCapturedStdout();
  std::smatch m;
  ASSERT_TRUE(std::regex_match(out, m, std::regex("Frametimer: (\\d+) frames in 1 seconds = (\\d+)\\.0 FPS\n"))) << out;
  EXPECT_GT(std::stoi(m[1]), 20);
  EXPECT_LT(std::stoi(m[1]), added);
  EXPECT_EQ(m[2], m[1]);  // frames over the nominal second
}
