#include "System.h"

#include <SDL.h>

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <fcntl.h>
#include <io.h>
#include <locale.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "windows/ImageStb.h"

// Windows; Linux and the other POSIX systems have ../System.cpp.
namespace os {

// No name is longer than UNICODE_STRING_MAX_CHARS; none (0 characters) when
// the system cannot tell.
std::filesystem::path ProgramFolder() {
  std::vector<wchar_t> name(UNICODE_STRING_MAX_CHARS);
  const DWORD n = GetModuleFileNameW(nullptr, name.data(), UNICODE_STRING_MAX_CHARS);
  return std::filesystem::path(std::wstring(name.data(), n)).parent_path();
}

int OpenForReading(const char* path) { return _open(path, _O_RDONLY | _O_BINARY | _O_NOINHERIT); }

void Close(int fd) { _close(fd); }

std::size_t Read(int fd, void* buffer, std::size_t size) {
  // _read takes an unsigned int count.
  const int n =
      _read(fd, buffer, static_cast<unsigned int>(std::min<std::size_t>(size, 0x40000000u)));
  return static_cast<std::size_t>(std::max(n, 0));
}

bool Rewind(int fd) { return _lseeki64(fd, 0, SEEK_SET) == 0; }

bool Size(int fd, uint64_t& size) {
  struct _stat64 st;
  const bool known = _fstat64(fd, &st) == 0;
  if (known) size = static_cast<uint64_t>(st.st_size);
  return known;
}

// Windows gives huge pages only to allocations made for them with a
// privilege programs rarely hold.
void AdviseHugePages(void*, std::size_t) {}

std::from_chars_result FloatFromChars(const char* first, const char* last, float& value) {
  return std::from_chars(first, last, value);
}

// MinGW's runtime has no strtof_l; the double of the same text narrows to
// the same float here, where that float is 0 or infinite.
float ParseFloatC(const char* text) {
  static const _locale_t c = _create_locale(LC_ALL, "C");
  return static_cast<float>(c ? _strtod_l(text, nullptr, c) : std::strtod(text, nullptr));
}

// SDL_image 1.2 cannot be built for Windows here; stb_image decodes instead.
SDL_Surface* LoadImageFile(const char* path) { return LoadImageStb(path); }

bool DesktopTextureUpload() { return true; }

bool MustLock(const SDL_Surface* surface) { return SDL_MUSTLOCK(surface); }

// Swapping the buffers waits for the display where it paces the loop.
void AwaitNextFrame() {}

}  // namespace os
