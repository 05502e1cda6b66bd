// Cost of one scene frame on a real GL context, without the buffer swap, and
// the heap allocations a frame makes. Needs a display: run under xvfb-run.
#include <benchmark/benchmark.h>

#include <SDL.h>

#include "GLFunctions.h"

#include <atomic>
#include <cstdlib>
#include <new>

#include "Scene.h"

namespace {
std::atomic<std::size_t> allocations{0};
}

// Kept out of line: inlined into this file's own new/delete pairs, GCC would
// take malloc and free for a mismatched pair.
[[gnu::noinline]] void* operator new(std::size_t size) {
  ++allocations;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
[[gnu::noinline]] void* operator new[](std::size_t size) { return operator new(size); }
[[gnu::noinline]] void operator delete(void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete[](void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

// The program's own window and set-up, once for the whole run.
Scene* SceneOnAWindow() {
  static Scene* scene = [] {
    if (SDL_Init(SDL_INIT_VIDEO) != 0) return static_cast<Scene*>(nullptr);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    if (!SDL_SetVideoMode(800, 600, 0, SDL_OPENGL) || glfunctions::Load()) return static_cast<Scene*>(nullptr);
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
  const std::size_t before = allocations.load();
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
  Report(state, allocations.load() - before);
  glFinish();
}
BENCHMARK(BM_SceneRender);

// The same frame waited for until the GL has drawn it.
void BM_SceneRenderFinished(benchmark::State& state) {
  Scene* scene = SceneOnAWindow();
  if (!scene) return state.SkipWithError("no GL window");
  const std::size_t before = allocations.load();
  for (auto _ : state) {
    scene->render();
    glFinish();
  }
  Report(state, allocations.load() - before);
}
BENCHMARK(BM_SceneRenderFinished)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
