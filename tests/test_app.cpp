// The real program on a private X server, driven with real X input events.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app_driver.h"

namespace {

using testsupport::AppRun;
using testsupport::Process;
using testsupport::Shell;
using testsupport::TempDir;
using namespace std::chrono_literals;

// The lines printed after start-up, that is after "____ Main: Init OK!".
std::string AfterStartUp(const std::string& out) {
  const std::string mark = "____ Main: Init OK!\n";
  const auto at = out.find(mark);
  return at == std::string::npos ? "<no start-up>\n" + out : out.substr(at + mark.size());
}

TEST(App, ReportsAKeySequenceInOrder) {
  AppRun app;
  ASSERT_FALSE(app.WaitForWindow().empty()) << app.Stdout() << app.Stderr();
  for (const char* key : {"x", "space", "1", "2", "3", "4", "r", "shift+y", "Z", "a", "Return", "q"})
    app.Key(key);
  ASSERT_TRUE(app.Wait());
  EXPECT_EQ(app.ExitStatus(), 0);
  EXPECT_EQ(AfterStartUp(app.Stdout()),
            "Main: x pressed:\nMain: space pressed:\nMain: 1 pressed:\nMain: 2 pressed:\n"
            "Main: 3 pressed:\nMain: 4 pressed:\nMain: r pressed:\nMain: y pressed:\n"
            "Main: z pressed:\n");
  EXPECT_EQ(app.Stderr(), "");
}

TEST(App, LeftButtonReportsWhileHeld) {
  AppRun app;
  ASSERT_FALSE(app.WaitForWindow().empty());
  app.Xdotool("mousemove --window " + app.window() + " 100 100");
  app.Xdotool("click 3");  // left not held: nothing
  app.Xdotool("mousedown 1");
  ASSERT_TRUE(app.WaitForOutput("Main: Left MOUSE button pressed:"));
  app.Key("x");  // a key while the left button is held prints only its own line
  app.Xdotool("click 3");
  app.Xdotool("mouseup 1");
  app.Key("Escape");
  ASSERT_TRUE(app.Wait());
  EXPECT_EQ(AfterStartUp(app.Stdout()),
            "Main: Left MOUSE button pressed:\nMain: x pressed:\n"
            "Main: Left MOUSE button pressed:\n");
}

class Quitting : public ::testing::TestWithParam<std::string> {};

TEST_P(Quitting, EndsTheRunWithStatusZero) {
  AppRun app;
  ASSERT_FALSE(app.WaitForWindow().empty());
  if (GetParam() == "close")
    app.RequestClose();
  else
    app.Key(GetParam());
  ASSERT_TRUE(app.Wait());
  EXPECT_EQ(app.ExitStatus(), 0);
  EXPECT_EQ(AfterStartUp(app.Stdout()), "");
  EXPECT_EQ(app.Stderr(), "");
}

INSTANTIATE_TEST_SUITE_P(App, Quitting, ::testing::Values("Escape", "q", "close"));

TEST(App, WindowHasItsCaptionAndSize) {
  AppRun app;
  const std::string window = app.WaitForWindow();
  ASSERT_FALSE(window.empty());
  const std::string d = "DISPLAY=" + app.display() + " ";
  EXPECT_EQ(Shell(d + "xdotool getwindowname " + window), "Trevalin v0.2\n");
  EXPECT_NE(Shell(d + "xprop -id " + window + " WM_ICON_NAME").find("\"Trevalin v0.2\""),
            std::string::npos);
  EXPECT_NE(Shell(d + "xdotool getwindowgeometry " + window).find("Geometry: 800x600"),
            std::string::npos);
  app.Key("Escape");
  ASSERT_TRUE(app.Wait());
}

TEST(App, ResizeReachesTheScene) {
  // The scene's resize handler sets the viewport; the GL call stream shows it.
  TempDir dir;
  const std::string trace = dir.File("run.trace");
  AppRun::Options options;
  options.wrapper = {"apitrace", "trace", "--output", trace};
  AppRun app(options);
  ASSERT_FALSE(app.WaitForWindow(60s).empty()) << app.Stderr();
  app.Xdotool("windowsize " + app.window() + " 1024 768");
  ASSERT_EQ(Shell("DISPLAY=" + app.display() + " xdotool sleep 1 getwindowgeometry " + app.window())
                .find("Geometry: 1024x768") != std::string::npos,
            true);
  app.Key("Escape");
  ASSERT_TRUE(app.Wait(60s));
  EXPECT_EQ(app.ExitStatus(), 0);
  const std::string calls = Shell("apitrace dump " + trace + " 2>/dev/null | grep -c 'glViewport(x = 0, y = 0, width = 1024, height = 768)'");
  EXPECT_EQ(calls, "1\n");
  // The video mode is not set again: only the start-up's one context exists.
  EXPECT_EQ(Shell("apitrace dump " + trace + " 2>/dev/null | grep -c 'glXCreate.*Context'"), "1\n");
}

TEST(App, WithoutADisplaySdlCannotStart) {
  Process run({TREVALIN_EXE}, {"DISPLAY=:4711", "SDL_VIDEODRIVER=x11"});
  ASSERT_TRUE(run.Wait(20s));
  EXPECT_EQ(run.ExitStatus(), 1);
  EXPECT_NE(run.Stderr().find("Main: Could not initialize SDL\n"), std::string::npos);
}

TEST(App, WithoutGlxTheWindowCannotBeCreated) {
  AppRun::Options options;
  options.glx = false;
  AppRun app(options);
  ASSERT_TRUE(app.Wait());
  EXPECT_EQ(app.ExitStatus(), 1);
  EXPECT_NE(app.Stderr().find("Main: Could not create the window\n"), std::string::npos) << app.Stderr() << app.Stdout();
  EXPECT_EQ(app.Stdout().find("Init OK"), std::string::npos);
}

}  // namespace
