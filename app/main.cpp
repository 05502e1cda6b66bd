#include "Main.h"

// SDL 1.2 brings no start-up glue on this platform: the process's own entry
// hands over to SDL_main and ends with its result.
int main(int argc, char** argv) { return SDL_main(argc, argv); }
