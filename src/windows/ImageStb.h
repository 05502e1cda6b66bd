#pragma once
// Image files decoded by stb_image into the surfaces SDL_image 1.2 makes of
// them (see os::LoadImageFile); the build where SDL_image is missing uses it.
struct SDL_Surface;

// rgbaOnly: every file as 32-bit RGBA, for an SDL whose surfaces are all such.
SDL_Surface* LoadImageStb(const char* path, bool rgbaOnly = false);
