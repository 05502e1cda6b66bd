#pragma once
// What differs between the systems the program runs on, and nowhere else:
// Linux (and other POSIX systems), Windows and the browser.
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <filesystem>

struct SDL_Surface;

namespace os {

// The folder holding the running program; empty when the system cannot tell.
std::filesystem::path ProgramFolder();

// A file opened for reading raw bytes (no line-end translation, not passed
// on to child processes): its descriptor, or -1.
int OpenForReading(const char* path);
void Close(int fd);
// Up to size bytes into buffer: how many were read, 0 at the end or on an error.
std::size_t Read(int fd, void* buffer, std::size_t size);
// Back to the first byte; false on an error.
bool Rewind(int fd);
// The file's size in bytes; false when it cannot be told.
bool Size(int fd, uint64_t& size);

// Offers the whole huge pages in [begin, begin + bytes) to the system for
// backing by huge pages, where it has them; a hint only.
void AdviseHugePages(void* begin, std::size_t bytes);

// std::from_chars for a float (in the general format), where the C++ library
// has none.
std::from_chars_result FloatFromChars(const char* first, const char* last, float& value);

// The float a number's text denotes in the "C" locale, whatever locale the
// process has set: used where std::from_chars gives no value (the number lies
// outside the float range, so the result is 0 or infinite).
float ParseFloatC(const char* text);

// An image file as SDL_image's IMG_Load gives it, or as a surface from which
// Texture makes the same texture (Windows decodes greyscale to 24-bit RGB).
// Null on failure, with SDL's error set.
SDL_Surface* LoadImageFile(const char* path);

// Whether a surface's pixels are in memory only while it is locked
// (SDL_MUSTLOCK). The browser's SDL says so of every surface, yet keeps the
// pixels of those a program makes in memory, and a lock there would copy an
// empty image over them.
bool MustLock(const SDL_Surface* surface);

// Whether textures are uploaded as OpenGL on the desktop takes them: with
// sized internal formats (GL_RGB8, GL_RGBA8) and rows longer than the image
// (GL_UNPACK_ROW_LENGTH). WebGL 1, in the browser, has neither.
bool DesktopTextureUpload();

// After a frame is swapped: waits for the display's next frame where nothing
// else paces the loop (the browser, which shows nothing until the program
// yields to it); returns at once elsewhere.
void AwaitNextFrame();

}  // namespace os
