#include <SDL.h>
#include <gtest/gtest.h>

#include <regex>

#include "FrameTimer.h"
#include "Timer.h"

TEST(Timer, MeasuresFromResetToEachStop) {
  SDL_Init(SDL_INIT_TIMER);
  Timer t;
  SDL_Delay(250);
  t.Stop();
  SDL_Delay(50);
  const uint32_t first = t.GetInterval();
  t.Stop();  // a second Stop measures from the same start
  EXPECT_GE(first, 250u);
  EXPECT_LT(first, 1000u);  // loose: the machine may be busy
  EXPECT_GE(t.GetInterval(), 300u);
  t.Reset();
  EXPECT_EQ(t.GetInterval(), 0u);
}

TEST(FrameTimer, TimesFramesAndReportsOncePerPeriodAtTheNominalRate) {
  SDL_Init(SDL_INIT_TIMER);
  FrameTimer silent(0), frames(1);  // a zero period never reports
  SDL_Delay(30);
  testing::internal::CaptureStdout();
  EXPECT_GE(silent.AddFrame(), 30u);  // since the reset in the constructor
  EXPECT_LT(silent.AddFrame(), 30u);
  // The first period counts from SDL's start: after a second the first frame reports.
  while (SDL_GetTicks() <= 1000) SDL_Delay(10);
  frames.AddFrame();
  int added = 0;
  for (const Uint32 begin = SDL_GetTicks(); SDL_GetTicks() - begin < 1300; ++added, SDL_Delay(10)) frames.AddFrame();
  const std::string out = testing::internal::GetCapturedStdout();
  std::smatch m;
  const std::regex lines("Frametimer: 1 frames in 1 seconds = 1\\.0 FPS\nFrametimer: (\\d+) frames in 1 seconds = (\\d+)\\.0 FPS\n");
  ASSERT_TRUE(std::regex_match(out, m, lines)) << out;
  EXPECT_GT(std::stoi(m[1]), 20);
  EXPECT_LT(std::stoi(m[1]), added);
  EXPECT_EQ(m[2], m[1]);  // frames over the nominal second
}
