#include "GLFunctions.h"

#include <memory>
#include <set>
#include <stdexcept>
#include <utility>

#include "Texture.h"
#include "support.h"
#include "png_writer.h"

// Texture names generated and not yet deleted, seen through the linker's --wrap.
static std::set<GLuint> liveNames;
extern "C" void __real_glGenTextures(GLsizei n, GLuint* names);
extern "C" void __real_glDeleteTextures(GLsizei n, const GLuint* names);
extern "C" void __wrap_glGenTextures(GLsizei n, GLuint* names) { __real_glGenTextures(n, names), liveNames.insert(names, names + n); }
extern "C" void __wrap_glDeleteTextures(GLsizei n, const GLuint* names) {
  for (GLsizei i = 0; i < n; ++i) EXPECT_EQ(liveNames.erase(names[i]), 1u) << "deleting name " << names[i];
  __real_glDeleteTextures(n, names);
}

namespace {
constexpr int kW = 5, kH = 3;  // odd width, not square

// Distinct texels in multiples of 8 (exact in 5 and 6 bits), then opaque alpha, then keyed alpha.
std::vector<int> Pattern(int k) { return {16 * (k % kW), 32 * (k / kW), 8 * k, 255 - 8 * k, 255, k ? 255 : 0}; }
// The pattern's channels in the given order, texel by texel, first row first.
std::vector<unsigned char> Bytes(const std::vector<int>& order) {
  std::vector<unsigned char> out;
  for (int k = 0; k < kW * kH; ++k) for (int c : order) out.push_back(Pattern(k)[c]);
  return out;
}
// A surface in the given layout and pitch over one shared buffer, filled with the pattern.
using SurfacePtr = std::unique_ptr<SDL_Surface, void (*)(SDL_Surface*)>;
SurfacePtr Surface(int depth, Uint32 r, Uint32 g, Uint32 b, Uint32 a, int pitch, bool key, bool rle) {
  static unsigned char bytes[32 * kH];
  SDL_Surface* s = rle ? SDL_CreateRGBSurface(0, kW, kH, depth, r, g, b, a)  // its own pixels: encoding frees them
                      : SDL_CreateRGBSurfaceFrom(bytes, kW, kH, depth, pitch, r, g, b, a);
  for (int k = 0; k < kW * kH; ++k) {
    SDL_Rect texel = {Sint16(k % kW), Sint16(k / kW), 1, 1};
    SDL_FillRect(s, &texel, SDL_MapRGBA(s->format, Pattern(k)[0], Pattern(k)[1], Pattern(k)[2], Pattern(k)[3]));
  }
  if (key) SDL_SetColorKey(s, SDL_SRCCOLORKEY, SDL_MapRGB(s->format, 0, 0, 0));  // texel 0, top left, is black
  static SDL_Surface* const scratch = SDL_CreateRGBSurface(0, 1, 1, 32, 0, 0, 0, 0);  // outlives what blits to it
  if (rle && SDL_SetAlpha(s, SDL_SRCALPHA | SDL_RLEACCEL, 255) == 0) SDL_BlitSurface(s, nullptr, scratch, nullptr);  // encodes it
  return {s, SDL_FreeSurface};
}

class TextureTest : public testsupport::GLTest {
 protected:
  void TearDown() override {
    EXPECT_TRUE(std::exchange(liveNames, {}).empty()) << "texture names left in GL";
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
  }
  // Linear filters, level 0's size, format and RGBA bytes; within: how far SDL builds' ways of widening bits may differ.
  static void ExpectLevel0(GLint format, const std::vector<int>& order, int within = 0) {
    const auto get = [](GLenum what) { GLint v = 0; glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, what, &v); return v; };
    const auto filter = [](GLenum which) { GLint v = 0; glGetTexParameteriv(GL_TEXTURE_2D, which, &v); return v; };
    ASSERT_EQ(std::vector<GLint>({filter(GL_TEXTURE_MIN_FILTER), filter(GL_TEXTURE_MAG_FILTER), get(GL_TEXTURE_WIDTH),
                                  get(GL_TEXTURE_HEIGHT), get(GL_TEXTURE_INTERNAL_FORMAT)}),
              std::vector<GLint>({GL_LINEAR, GL_LINEAR, kW, kH, format}));
    std::vector<unsigned char> got(4 * kW * kH);  // rows of 20 bytes: no padding
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, got.data());
    const std::vector<unsigned char> want = Bytes(order);
    for (size_t i = 0; i < got.size(); ++i) ASSERT_NEAR(got[i], want[i], within) << "byte " << i;
  }
  testsupport::TempDir dir;
};

// Surfaces of every layout and pitch; a case after one that changes GL's unpack state shows whether it was restored.
TEST_F(TextureTest, SurfacesOfEveryLayoutAndPitchUploadTopRowFirst) {
  const struct { const char* what; int depth; Uint32 r, g, b, a; int pitch; bool key = false; int within = 0; bool rle = false; }
      cases[] = {
      {"RGB, packed rows", 24, 0x0000FF, 0x00FF00, 0xFF0000, 0, 15},
      {"RGB, no alignment fits", 24, 0x0000FF, 0x00FF00, 0xFF0000, 0, 17},
      {"RGBA, wide rows", 32, 0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000, 24},
      {"RGBA, packed rows", 32, 0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000, 20},
      {"BGR", 24, 0xFF0000, 0x00FF00, 0x0000FF, 0, 15},
      {"BGRA", 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000, 20},
      {"RGB, colour-keyed", 24, 0x0000FF, 0x00FF00, 0xFF0000, 0, 15, true},
      {"RGBA, run-length encoded: locked to be read", 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000, 20, false, 0, true},
      {"RGBX", 32, 0x000000FF, 0x0000FF00, 0x00FF0000, 0, 20},
      {"RGB565", 16, 0xF800, 0x07E0, 0x001F, 0, 10, false, 7},  // 5 bits widen to 8 in more than one way
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const SurfacePtr surface = Surface(c.depth, c.r, c.g, c.b, c.a, c.pitch, c.key, c.rle);
    const auto t = std::make_unique<Texture>(surface.get(), 2);
    EXPECT_EQ(liveNames, std::set<GLuint>{t->showID(0)});
    const bool alpha = c.a || c.key;
    ExpectLevel0(alpha ? GL_RGBA8 : GL_RGB8, {0, 1, 2, c.key ? 5 : alpha ? 3 : 4}, c.within);
  }
}

// A grey PNG file (a paletted surface, back in all three colours); each Create replaces the name, Bind uses
// the unit, failures leave no name (what they print: the program test).
TEST_F(TextureTest, NamesAreReplacedAndFailuresLeaveNone) {
  const std::string png = dir.File("grey.png"), garbage = dir.Write("bad.png", "?");
  ASSERT_TRUE(tools::WritePng(png, kW, kH, 1, Bytes({1}).data()));
  EXPECT_THROW(Texture(dir.File("none.png"), 7), std::invalid_argument);
  EXPECT_EQ(Texture().showID(0), 0u);  // and its destructor deletes no name
  Texture t;
  t.Create(png, 12), t.Create(png, 12);
  ExpectLevel0(GL_RGB8, {1, 1, 1, 4});
  EXPECT_EQ(liveNames, std::set<GLuint>{t.showID(0)});
  GLint v[2] = {};
  glActiveTexture(GL_TEXTURE0), t.Bind(3), glGetIntegerv(GL_ACTIVE_TEXTURE, &v[0]), glGetIntegerv(GL_TEXTURE_BINDING_2D, &v[1]);
  EXPECT_EQ(std::vector<GLint>(v, v + 2), std::vector<GLint>({GL_TEXTURE3, GLint(t.showID(0))}));
  EXPECT_THROW(t.Create(garbage, 1), std::invalid_argument);
  EXPECT_TRUE(liveNames.empty());
  EXPECT_THROW(Texture(static_cast<SDL_Surface*>(nullptr), 0), std::invalid_argument);
  for (auto [w, h] : {std::pair{kW, 0}, {0, kH}})  // empty surfaces upload without complaint
    EXPECT_NO_THROW(Texture(SurfacePtr(SDL_CreateRGBSurface(0, w, h, 24, 0xFF, 0xFF00, 0xFF0000, 0), SDL_FreeSurface).get(), 0));
}

}  // namespace
