#include "Main.h"

#include <filesystem>
#include <system_error>

#include "Scene.h"
#include "System.h"

// On Windows SDL 1.2's header renames main to SDL_main, for a start-up glue
// library this program does without: main below is the process's own entry
// on every system, a console program whose output stays on its streams.
#undef main

namespace {

// A desktop launch starts the program in some folder of the desktop's
// choosing. Where the working directory does not hold the application bundle,
// the folder of the program does (the build stages the bundle beside it);
// where neither does, nothing changes and the texture's failure says why.
void EnterBundleFolder() {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::path texture = Scene::kTexturePath;  // the bundle's file the scene loads first
  if (fs::exists(texture, error)) return;
  const fs::path folder = os::ProgramFolder();
  if (!folder.empty() && fs::exists(folder / texture, error)) fs::current_path(folder, error);
}

}  // namespace

// The process's own entry does what start-up glue would do for a desktop
// launch, then hands over to SDL_main and ends with its result.
int main(int argc, char** argv) {
  EnterBundleFolder();
  return SDL_main(argc, argv);
}
