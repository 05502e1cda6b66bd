#include "System.h"

#include <SDL.h>
#include <SDL_image.h>
#include <fcntl.h>
#include <locale.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <system_error>

// Linux and the other POSIX systems; Windows has windows/System.cpp.
namespace os {

std::filesystem::path ProgramFolder() {
  std::error_code error;
  const std::filesystem::path program = std::filesystem::canonical("/proc/self/exe", error);
  return error ? std::filesystem::path() : program.parent_path();
}

int OpenForReading(const char* path) { return open(path, O_RDONLY | O_CLOEXEC); }

void Close(int fd) { close(fd); }

std::size_t Read(int fd, void* buffer, std::size_t size) {
  ssize_t n;
  do n = read(fd, buffer, size);
  while (n < 0 && errno == EINTR);
  return static_cast<std::size_t>(std::max<ssize_t>(n, 0));
}

bool Rewind(int fd) { return lseek(fd, 0, SEEK_SET) == 0; }

bool Size(int fd, uint64_t& size) {
  struct stat st;
  if (fstat(fd, &st) != 0 || st.st_size < 0) return false;
  size = static_cast<uint64_t>(st.st_size);
  return true;
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

bool MustLock(const SDL_Surface* surface) { return SDL_MUSTLOCK(surface); }

// Swapping the buffers waits for the display where it paces the loop.
void AwaitNextFrame() {}

}  // namespace os
