// Cost of one scene frame on a real GL context, without the buffer swap, and
// the heap allocations a frame makes. Needs a display: run under xvfb-run.
#include <SDL.h>
#include <benchmark/benchmark.h>

#include "GLFunctions.h"
#include "Scene.h"
#include "alloc_counter.h"

namespace {

// The program's own window and set-up, once for the whole run.
Scene* SceneOnAWindow() {
  static Scene* scene = [] {
    if (SDL_Init(SDL_INIT_VIDEO) != 0) return static_cast<Scene*>(nullptr);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    if (!SDL_SetVideoMode(800, 600, 0, SDL_OPENGL) || glfunctions::Load())
      return static_cast<Scene*>(nullptr);
    auto* s = new Scene;
    s->prepare();
    if (!s->init()) return static_cast<Scene*>(nullptr);
    s->setScreen(800, 600);
    s->onResize(800, 600);
    s->render();  // fills the uniform name cache
    glFinish();
    return s;
  }();
  return scene;
}

void Report(benchmark::State& state, std::size_t allocated) {
  state.counters["allocs_per_frame"] =
      benchmark::Counter(static_cast<double>(allocated), benchmark::Counter::kAvgIterations);
}

// CPU time of the calling thread for one render(); llvmpipe rasterises on
// its own threads, so this is the cost the main loop pays per frame.
void BM_SceneRender(benchmark::State& state) {
  Scene* scene = SceneOnAWindow();
  if (!scene) return state.SkipWithError("no GL window");
  const std::size_t before = testsupport::AllocationCount();
  int frames = 0;
  for (auto _ : state) {
    scene->render();
    // Keep the driver's queue from growing without bound, as the swap would.
    if (++frames % 64 == 0) {
      state.PauseTiming();
      glFinish();
      state.ResumeTiming();
    }
  }
  Report(state, testsupport::AllocationCount() - before);
  glFinish();
}
BENCHMARK(BM_SceneRender);

// The same frame waited for until the GL has drawn it.
void BM_SceneRenderFinished(benchmark::State& state) {
  Scene* scene = SceneOnAWindow();
  if (!scene) return state.SkipWithError("no GL window");
  const std::size_t before = testsupport::AllocationCount();
  for (auto _ : state) {
    scene->render();
    glFinish();
  }
  Report(state, testsupport::AllocationCount() - before);
}
BENCHMARK(BM_SceneRenderFinished)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
