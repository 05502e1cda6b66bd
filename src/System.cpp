#include "System.h"

#include <SDL.h>
#include <SDL_image.h>
#include <locale.h>
#include <sys/mman.h>

#include <cstdlib>
#include <system_error>

// Linux and the other POSIX systems (their file reading is PosixFiles.cpp);
// Windows has windows/System.cpp, the browser web/System.cpp.
namespace os {

std::filesystem::path ProgramFolder() {
  std::error_code error;
  const std::filesystem::path program = std::filesystem::canonical("/proc/self/exe", error);
  return error ? std::filesystem::path() : program.parent_path();
}

void AdviseHugePages(void* begin, std::size_t bytes) {
#if defined(MADV_HUGEPAGE)
  madvise(begin, bytes, MADV_HUGEPAGE);
#else
  (void)begin, (void)bytes;
#endif
}

std::from_chars_result FloatFromChars(const char* first, const char* last, float& value) {
  return std::from_chars(first, last, value);
}

float ParseFloatC(const char* text) {
  static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(0));
  return c ? strtof_l(text, nullptr, c) : std::strtof(text, nullptr);
}

SDL_Surface* LoadImageFile(const char* path) { return IMG_Load(path); }

bool DesktopTextureUpload() { return true; }

bool MustLock(const SDL_Surface* surface) { return SDL_MUSTLOCK(surface); }

// Swapping the buffers waits for the display where it paces the loop.
void AwaitNextFrame() {}

}  // namespace os
