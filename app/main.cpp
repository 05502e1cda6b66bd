#include "Main.h"

#include <cstdlib>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "Paths.h"
#include "Scene.h"
#include "System.h"

// On Windows SDL 1.2's header renames main to SDL_main, for a start-up glue
// library this program does without: main below is the process's own entry
// on every system, a console program whose output stays on its streams.
#undef main

namespace {

// A desktop launch starts the program in some folder of the desktop's
// choosing. Where the working directory does not hold the application bundle,
// the folder of the program does (the build stages the bundle beside it), or
// else, for an installing build, the data folder (where the installed bundle
// is); where none does, nothing changes and the texture's failure says why.
void EnterBundleFolder() {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::path texture = Scene::kTexturePath;  // the bundle's file the scene loads first
  if (fs::exists(texture, error)) return;
  const fs::path folder = os::ProgramFolder();
  if (!folder.empty() && fs::exists(folder / texture, error)) {
    fs::current_path(folder, error);
    return;
  }
  // A plain build's data folder is the source tree: it is left out, so that
  // such a build behaves as it did before installing existed.
  constexpr bool kInstalling =
      std::string_view(TREVALIN_DATA_DIR) != std::string_view(TREVALIN_SOURCE_DIR);
  const fs::path data = TREVALIN_DATA_DIR;
  if (kInstalling && fs::exists(data / texture, error)) fs::current_path(data, error);
}

}  // namespace

// The process's own entry does what start-up glue would do for a desktop
// launch, then hands over to SDL_main and ends with its result: through
// exit, which in the browser also ends a run that has waited for frames
// (where a return from main would be lost).
int main(int argc, char** argv) {
  EnterBundleFolder();
  std::exit(SDL_main(argc, argv));
}
