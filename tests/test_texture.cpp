#include "GLFunctions.h"

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "Texture.h"
#include "png_writer.h"
#include "support.h"

// The surfaces converted, where GL cannot take the pixels as they are.
static int conversions = 0;
extern "C" SDL_Surface* __real_SDL_ConvertSurface(SDL_Surface* s, SDL_PixelFormat* f, Uint32 flags);
extern "C" SDL_Surface* __wrap_SDL_ConvertSurface(SDL_Surface* s, SDL_PixelFormat* f,
                                                  Uint32 flags) {
  ++conversions;
  return __real_SDL_ConvertSurface(s, f, flags);
}

namespace {

constexpr int kW = 5, kH = 3;  // odd width, not square
enum Channel { kRed, kGreen, kBlue, kAlpha, kOpaque, kKeyedOpaque, kKeyedAlpha, kIndex };

// Distinct texels, multiples of 8 (exact in 5 and 6 bits); texel 0, top left, is black: the one a
// colour key takes out. What a key makes of alpha is the SDL build's to say (-1: any value).
int Value(int k, Channel c) {
  const int values[] = {16 * (k % kW), 32 * (k / kW),        8 * k, 255 - 8 * k, 255,
                        k ? 255 : 0,   k ? 255 - 8 * k : -1, k};
  return values[c];
}
// The channels in the given order, texel by texel, first row first.
std::string Bytes(const std::vector<Channel>& order) {
  std::string out;
  for (int k = 0; k < kW * kH; ++k)
    for (Channel c : order) out.push_back(static_cast<char>(Value(k, c)));
  return out;
}

using SurfacePtr = std::unique_ptr<SDL_Surface, void (*)(SDL_Surface*)>;
struct Layout {
  const char* what;
  int depth;
  Uint32 r, g, b, a;
  int pitch;
  bool converted, key = false;
  int within = 0;  // how far SDL builds' ways of widening bits may differ
  bool rle = false;
};

// A surface in the layout over one shared buffer, filled with the texels.
SurfacePtr Surface(const Layout& l) {
  static unsigned char bytes[32 * kH];
  SDL_Surface* s = SDL_CreateRGBSurfaceFrom(bytes, kW, kH, l.depth, l.pitch, l.r, l.g, l.b, l.a);
  for (int k = 0; k < kW * kH; ++k) {
    SDL_Rect texel = {Sint16(k % kW), Sint16(k / kW), 1, 1};
    SDL_FillRect(s, &texel,
                 SDL_MapRGBA(s->format, Value(k, kRed), Value(k, kGreen), Value(k, kBlue),
                             Value(k, kAlpha)));
  }
  if (l.key) SDL_SetColorKey(s, SDL_SRCCOLORKEY, SDL_MapRGB(s->format, 0, 0, 0));
  // A blit run-length encodes the surface, which must then be locked to be read.
  static SDL_Surface* const scratch = SDL_CreateRGBSurface(0, 1, 1, 32, 0, 0, 0, 0);
  if (l.rle && SDL_SetAlpha(s, SDL_SRCALPHA | SDL_RLEACCEL, 255) == 0)
    SDL_BlitSurface(s, nullptr, scratch, nullptr);
  return {s, SDL_FreeSurface};
}

class TextureTest : public testsupport::GLTest {
 protected:
  void SetUp() override {
    GLTest::SetUp();
#if defined(__EMSCRIPTEN__)
    GTEST_SKIP() << "WebGL 1 reads no texture back and has no sized formats or row length";
#endif
  }
  void TearDown() override { EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)); }
  // Level 0 of the bound texture: its internal format and its bytes.
  static void ExpectLevel0(GLint format, const std::vector<Channel>& order, int within = 0) {
    GLint internal = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &internal);
    ASSERT_EQ(internal, format);
    std::vector<unsigned char> got(4 * kW * kH);  // rows of 20 bytes: no padding
#if !defined(__EMSCRIPTEN__)
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, got.data());
#endif
    for (size_t i = 0; i < got.size(); ++i) {
      const int want = Value(static_cast<int>(i / 4), order[i % 4]);
      ASSERT_NEAR(got[i], want < 0 ? got[i] : want, within) << "byte " << i;
    }
  }
  testsupport::TempDir dir;
};

// Every layout and pitch uploads top row first; a case after one that changes GL's unpack state
// shows whether it was restored. A colour key makes its texels transparent, other alphas unchanged.
TEST_F(TextureTest, SurfacesOfEveryLayoutAndPitchUploadTopRowFirst) {
  const Layout cases[] = {
      {"RGB, packed rows", 24, 0x0000FF, 0x00FF00, 0xFF0000, 0, 15, false},
      {"RGB, rows of 4-byte words", 24, 0x0000FF, 0x00FF00, 0xFF0000, 0, 16, false},
      {"RGB, no alignment fits", 24, 0x0000FF, 0x00FF00, 0xFF0000, 0, 25, true},
      {"RGBA, wide rows", 32, 0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000, 24, false},
      {"RGBA, packed rows", 32, 0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000, 20, false},
      {"BGR", 24, 0xFF0000, 0x00FF00, 0x0000FF, 0, 15, true},
      {"BGRA", 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000, 20, true},
      {"RGB, colour-keyed", 24, 0x0000FF, 0x00FF00, 0xFF0000, 0, 15, true, true},
      {"RGBA, colour-keyed", 32, 0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000, 20, true, true},
      {"RGB565", 16, 0xF800, 0x07E0, 0x001F, 0, 10, true, false, 7},
      {"RGBA, run-length encoded", 32, 0xFF, 0xFF00, 0xFF0000, 0xFF000000, 20, false, false, 0,
       true},
  };
  for (const Layout& c : cases) {
    SCOPED_TRACE(c.what);
    const SurfacePtr surface = Surface(c);
    conversions = 0;
    glActiveTexture(GL_TEXTURE0);
    auto t = std::make_unique<Texture>(surface.get(), 2);
    const GLuint name = t->showID(0);
    EXPECT_EQ(testsupport::Get(GL_ACTIVE_TEXTURE), GL_TEXTURE2);
    EXPECT_EQ(conversions, int(c.converted));
    EXPECT_EQ(surface->locked, 0u) << "left locked";
    EXPECT_EQ(testsupport::Get(GL_UNPACK_ALIGNMENT), 4) << "left at GL's default";
    EXPECT_EQ(testsupport::Get(GL_UNPACK_ROW_LENGTH), 0) << "left at GL's default";
    const Channel alpha = c.key ? (c.a ? kKeyedAlpha : kKeyedOpaque) : c.a ? kAlpha : kOpaque;
    ExpectLevel0(c.a || c.key ? GL_RGBA8 : GL_RGB8, {kRed, kGreen, kBlue, alpha}, c.within);
    t.reset();
    EXPECT_FALSE(glIsTexture(name)) << "left in GL";
  }
}

// PNG files of every layout load as SDL_image gives them: texel k is palette entry k (one spare),
// texel 0 (black) is keyed, at 16 bits by low bytes; two transparent entries give alpha. Failures
// (a file cut short, a chunk longer than the file) leave no name and tell SDL why.
TEST_F(TextureTest, FilesOfEveryLayoutLoadAndFailuresLeaveNoName) {
  const std::string pal = Bytes({kRed, kGreen, kBlue}) + "\x7f\x7f\x7f", key(1, '\0');
  const std::string two = key + std::string(14, '\xff') + key, key16("\x12\0\x34\0\x56\0", 6);
  const std::string end("\0\0\0\0tRNS", 8);  // a chunk after the last, to be ignored
  const struct {
    tools::PngLayout png;
    std::vector<Channel> stored, seen;
  } files[] = {
      {{0, 16}, {kGreen}, {kGreen, kGreen, kGreen, kOpaque}},
      {{4, 8}, {kGreen, kAlpha}, {kGreen, kGreen, kGreen, kAlpha}},
      {{2, 16, "", key16, end}, {kRed, kGreen, kBlue}, {kRed, kGreen, kBlue, kKeyedOpaque}},
      {{2, 8}, {kRed, kGreen, kBlue}, {kRed, kGreen, kBlue, kOpaque}},
      {{3, 8, pal}, {kIndex}, {kRed, kGreen, kBlue, kOpaque}},
      {{3, 4, pal, "\xff\xff"}, {kIndex}, {kRed, kGreen, kBlue, kOpaque}},
      {{3, 8, pal, key}, {kIndex}, {kRed, kGreen, kBlue, kKeyedOpaque}},
      {{3, 8, pal, two}, {kIndex}, {kRed, kGreen, kBlue, kKeyedOpaque}},
      {{3, 8, pal, Bytes({kAlpha})}, {kIndex}, {kRed, kGreen, kBlue, kAlpha}},
  };
  Texture t;
  for (const auto& f : files) {
    SCOPED_TRACE(&f - files);
    t.Create(dir.Write("layout.png", tools::EncodePng(kW, kH, f.png, Bytes(f.stored))), 12);
    ExpectLevel0(f.seen[3] == kOpaque ? GL_RGB8 : GL_RGBA8, f.seen);
  }
  t.Bind(3);
  EXPECT_EQ(testsupport::Get(GL_ACTIVE_TEXTURE), GL_TEXTURE3);
  EXPECT_EQ(testsupport::Get(GL_TEXTURE_BINDING_2D), GLint(t.showID(0)));
  glActiveTexture(GL_TEXTURE0);
  t.Unbind(3);
  EXPECT_EQ(testsupport::Get(GL_ACTIVE_TEXTURE), GL_TEXTURE3);
  EXPECT_EQ(testsupport::Get(GL_TEXTURE_BINDING_2D), 0);
  const GLuint name = t.showID(0);
  const std::string png = tools::EncodePng(kW, kH, files[4].png, Bytes({kIndex}));
  const std::string missing = dir.File("none.png");  // png[33]: PLTE's length
  for (const std::string& bad :
       {dir.Write("bad.png", "?"), dir.Write("cut.png", png.substr(0, 50)),
        dir.Write("long.png", png.substr(0, 33) + '\x7f' + png.substr(34)), missing}) {
    SDL_ClearError();
    EXPECT_THROW(t.Create(bad, 1), std::invalid_argument);
    EXPECT_STRNE(SDL_GetError(), "") << bad;
  }
  EXPECT_PRED_FORMAT2(testing::IsSubstring, "Couldn't open " + missing, SDL_GetError());
  EXPECT_EQ(t.showID(0), 0u);
  EXPECT_FALSE(glIsTexture(name)) << "deleted";
  // Rows shorter than the width describe no pixels to read: 3 texels of 4 bits take 2 bytes.
  const SurfacePtr good(SDL_CreateRGBSurface(0, 3, 2, 4, 0, 0, 0, 0), SDL_FreeSurface);
  SDL_Surface bad = *good, none = *good;
  bad.pitch = 1;
  none.pixels = nullptr;  // and no lock to bring them
  for (SDL_Surface* s : {&bad, &none}) EXPECT_THROW(Texture(s, 0), std::invalid_argument);
  SDL_Surface narrow = none, flat = none;  // but an empty one has none to read
  narrow.w = flat.h = 0;
  for (SDL_Surface* s : {&narrow, &flat}) EXPECT_NO_THROW(Texture(s, 0));
}

}  // namespace
