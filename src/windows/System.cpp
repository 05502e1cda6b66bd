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

#include <system_error>
#include <vector>

#include "windows/ImageStb.h"

// Windows; Linux and the other POSIX systems have ../System.cpp.
namespace os {

std::filesystem::path ProgramFolder() {
  std::vector<wchar_t> name(MAX_PATH);
  for (;;) {
    const DWORD n = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
    if (n == 0) return {};
    if (n < name.size()) return std::filesystem::path(std::wstring(name.data(), n)).parent_path();
    name.resize(name.size() * 2);  // the name was cut short
  }
}

int OpenForReading(const char* path) { return _open(path, _O_RDONLY | _O_BINARY | _O_NOINHERIT); }

void Close(int fd) { _close(fd); }

std::size_t Read(int fd, void* buffer, std::size_t size) {
  // _read takes an unsigned int count.
  const unsigned int want = size > 0x40000000u ? 0x40000000u : static_cast<unsigned int>(size);
  const int n = _read(fd, buffer, want);
  return n > 0 ? static_cast<std::size_t>(n) : 0;
}

bool Rewind(int fd) { return _lseeki64(fd, 0, SEEK_SET) == 0; }

bool Size(int fd, uint64_t& size) {
  struct _stat64 st;
  if (_fstat64(fd, &st) != 0 || st.st_size < 0) return false;
  size = static_cast<uint64_t>(st.st_size);
  return true;
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
