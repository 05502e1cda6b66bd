// Prints the version of the SDL 1.2 library this program loads, as the
// library itself reports it: SDL 1.2 itself says 1.2.15, sdl12-compat 1.2.50
// and later. The test command uses it to tell which of the two it runs on.
#include <SDL.h>

#include <cstdio>

#undef main  // SDL renames it on Windows; this main is the entry everywhere

int main() {
  const SDL_version* v = SDL_Linked_Version();
  std::printf("%d.%d.%d\n", v->major, v->minor, v->patch);
  return 0;
}
