#pragma once
#include <SDL.h>

#include <cstdint>
#include <string>

// Owns one OpenGL 2D texture object, filled from an SDL surface or an image
// file. A default-constructed texture owns nothing and makes no GL call, so
// it may outlive the GL context.
class Texture {
 public:
  Texture() = default;
  Texture(SDL_Surface* surface, int unit);
  Texture(std::string fileName, int unit);
  ~Texture();

  Texture(const Texture&) = delete;
  Texture& operator=(const Texture&) = delete;

  void Create(std::string fileName, int unit);
  void Load(SDL_Surface* surface);
  void Load(std::string fileName);
  void Bind(int unit);
  static void Unbind(int unit);
  unsigned int showID(int);

 private:
  void PrintCreationLine(int unit) const;
  void Release();

  uint32_t _ID = 0;  // 0: no texture
};
