#include <SDL.h>
#include <GL/gl.h>
#include <GL/glext.h>
#include <gtest/gtest.h>

#include <cstring>
#include <regex>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "Paths.h"
#include "Texture.h"
#include "gl_context.h"
#include "png_writer.h"
#include "temp_dir.h"

// Every texture name generated and not yet deleted, seen through the linker's
// --wrap of the two GL entry points.
static std::set<GLuint> liveNames;
static int deleteCalls = 0;

extern "C" {
void __real_glGenTextures(GLsizei n, GLuint* names);
void __real_glDeleteTextures(GLsizei n, const GLuint* names);
void __wrap_glGenTextures(GLsizei n, GLuint* names) {
  __real_glGenTextures(n, names);
  liveNames.insert(names, names + n);
}
void __wrap_glDeleteTextures(GLsizei n, const GLuint* names) {
  ++deleteCalls;
  for (GLsizei i = 0; i < n; ++i) liveNames.erase(names[i]);
  __real_glDeleteTextures(n, names);
}
}

namespace {

constexpr int kW = 5, kH = 3;  // odd width, not square

struct Rgba {
  int r, g, b, a;
  bool operator==(const Rgba& o) const { return r == o.r && g == o.g && b == o.b && a == o.a; }
  bool operator!=(const Rgba& o) const { return !(*this == o); }
};
std::ostream& operator<<(std::ostream& os, const Rgba& c) {
  return os << "(" << c.r << "," << c.g << "," << c.b << "," << c.a << ")";
}

// Multiples of 8, so 5- and 6-bit channels hold them exactly; y = 0 is the top.
Rgba Pattern(int x, int y) { return {16 * x + 8, 32 * y + 16, 200 - 24 * x - 8 * y, 255 - 40 * y - 8 * x}; }

std::vector<unsigned char> PatternBytes(int channels) {
  std::vector<unsigned char> out;
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      const Rgba c = Pattern(x, y);
      const int all[4] = {c.r, c.g, c.b, c.a};
      for (int k = 0; k < channels; ++k) out.push_back(static_cast<unsigned char>(channels == 1 ? c.g : all[k]));
    }
  return out;
}

// A surface over caller-owned bytes with the given layout and pitch, filled with Pattern.
struct OwnedSurface {
  std::vector<unsigned char> bytes;
  SDL_Surface* surface = nullptr;
  OwnedSurface(int depth, Uint32 r, Uint32 g, Uint32 b, Uint32 a, int pitch) : bytes(pitch * kH) {
    surface = SDL_CreateRGBSurfaceFrom(bytes.data(), kW, kH, depth, pitch, r, g, b, a);
    const int bpp = surface->format->BytesPerPixel;
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) {
        const Rgba c = Pattern(x, y);
        const Uint32 v = SDL_MapRGBA(surface->format, c.r, c.g, c.b, c.a);
        std::memcpy(&bytes[y * pitch + x * bpp], &v, bpp);  // little-endian host
      }
  }
  ~OwnedSurface() { SDL_FreeSurface(surface); }
};

class TextureTest : public testsupport::GLTest {
 protected:
  void SetUp() override {
    GLTest::SetUp();
    liveNames.clear();
    deleteCalls = 0;
    glActiveTexture(GL_TEXTURE0);
  }
  void TearDown() override {
    EXPECT_TRUE(liveNames.empty()) << "texture names left in GL";
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  }

  static GLint Level0(GLenum what) {
    GLint v = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, what, &v);
    return v;
  }
  // Level 0 of the texture bound on the active unit, first row first.
  static std::vector<Rgba> ReadBack() {
    const int w = Level0(GL_TEXTURE_WIDTH), h = Level0(GL_TEXTURE_HEIGHT);
    std::vector<unsigned char> p(static_cast<size_t>(w) * h * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, p.data());
    std::vector<Rgba> out;
    for (size_t i = 0; i < p.size(); i += 4) out.push_back({p[i], p[i + 1], p[i + 2], p[i + 3]});
    return out;
  }
  static void ExpectPattern(bool alpha, bool grey = false) {
    ASSERT_EQ(Level0(GL_TEXTURE_WIDTH), kW);
    ASSERT_EQ(Level0(GL_TEXTURE_HEIGHT), kH);
    EXPECT_EQ(Level0(GL_TEXTURE_INTERNAL_FORMAT), alpha ? GL_RGBA8 : GL_RGB8);
    const std::vector<Rgba> got = ReadBack();
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) {
        Rgba want = Pattern(x, y);
        if (grey) want.r = want.b = want.g;
        if (!alpha) want.a = 255;
        EXPECT_EQ(got[y * kW + x], want) << "at " << x << "," << y;
      }
  }

  testsupport::TempDir dir;
};

std::string CreationLine(const Texture& t, int unit) {
  std::ostringstream s;
  s << "Texture: _ID:" << static_cast<const void*>(&t) << " - unit:" << unit << "\n";
  return s.str();
}

struct FileCase {
  const char* name;
  int channels;
  bool alpha, grey;
};

TEST_F(TextureTest, PngFilesUploadTopRowFirstInTheirLayout) {
  for (const FileCase& c : {FileCase{"rgb.png", 3, false, false}, FileCase{"rgba.png", 4, true, false},
                            FileCase{"grey.png", 1, false, true}}) {
    SCOPED_TRACE(c.name);
    const std::string path = dir.File(c.name);
    ASSERT_TRUE(tools::WritePng(path, kW, kH, c.channels, PatternBytes(c.channels).data()));
    testing::internal::CaptureStdout();
    Texture t(path, 12);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_TRUE(std::regex_match(out, std::regex("Texture: _ID:0x[0-9a-f]+ - unit:12\nTexture: Loading .*\n")));
    EXPECT_EQ(out, CreationLine(t, 12) + "Texture: Loading " + path + "\n");
    ExpectPattern(c.alpha, c.grey);
  }
}

TEST_F(TextureTest, BmpFilesInPaletteAndBgrOrderAreConverted) {
  OwnedSurface bgr(24, 0xFF0000, 0x00FF00, 0x0000FF, 0, 16);
  SDL_Surface* paletted = SDL_CreateRGBSurface(SDL_SWSURFACE, kW, kH, 8, 0, 0, 0, 0);
  std::vector<SDL_Color> colours;
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      const Rgba c = Pattern(x, y);
      colours.push_back({Uint8(c.r), Uint8(c.g), Uint8(c.b), 0});
      static_cast<Uint8*>(paletted->pixels)[y * paletted->pitch + x] = Uint8(y * kW + x);
    }
  SDL_SetColors(paletted, colours.data(), 0, static_cast<int>(colours.size()));
  for (SDL_Surface* s : {bgr.surface, paletted}) {
    const std::string path = dir.File("image.bmp");
    ASSERT_EQ(SDL_SaveBMP(s, path.c_str()), 0);
    testing::internal::CaptureStdout();
    Texture t(path, 1);
    testing::internal::GetCapturedStdout();
    ExpectPattern(false);
  }
  SDL_FreeSurface(paletted);
}

struct SurfaceCase {
  const char* what;
  int depth;
  Uint32 r, g, b, a;
  int pitch;
  bool alpha;
};

TEST_F(TextureTest, SurfacesOfEveryLayoutAndPitchComeOutRight) {
  const SurfaceCase cases[] = {
      {"RGB, SDL's pitch", 24, 0x0000FF, 0x00FF00, 0xFF0000, 0, 16, false},
      {"RGB, packed rows", 24, 0x0000FF, 0x00FF00, 0xFF0000, 0, 15, false},
      {"RGB, 2-aligned wide rows", 24, 0x0000FF, 0x00FF00, 0xFF0000, 0, 22, false},
      {"RGB, pitch no alignment fits", 24, 0x0000FF, 0x00FF00, 0xFF0000, 0, 17, false},
      {"RGBA, wide rows", 32, 0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000, 24, true},
      {"BGR", 24, 0xFF0000, 0x00FF00, 0x0000FF, 0, 16, false},
      {"BGRA", 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000, 20, true},
      {"RGBX", 32, 0x000000FF, 0x0000FF00, 0x00FF0000, 0, 20, false},
      {"RGB565", 16, 0xF800, 0x07E0, 0x001F, 0, 10, false},
  };
  for (const SurfaceCase& c : cases) {
    SCOPED_TRACE(c.what);
    OwnedSurface s(c.depth, c.r, c.g, c.b, c.a, c.pitch);
    const std::vector<unsigned char> before = s.bytes;
    {
      Texture t(s.surface, 2);
      ExpectPattern(c.alpha);
    }
    EXPECT_EQ(s.bytes, before) << "the caller's surface was changed";
    GLint alignment = 0, rowLength = -1;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glGetIntegerv(GL_UNPACK_ROW_LENGTH, &rowLength);
    EXPECT_EQ(alignment, 4);
    EXPECT_EQ(rowLength, 0);
  }
}

TEST_F(TextureTest, ColourKeyedPaletteBecomesTransparentWhereKeyed) {
  SDL_Surface* s = SDL_CreateRGBSurface(SDL_SWSURFACE, 2, 1, 8, 0, 0, 0, 0);
  SDL_Color colours[2] = {{10, 20, 30, 0}, {200, 100, 50, 0}};
  SDL_SetColors(s, colours, 0, 2);
  static_cast<Uint8*>(s->pixels)[0] = 0;
  static_cast<Uint8*>(s->pixels)[1] = 1;
  SDL_SetColorKey(s, SDL_SRCCOLORKEY, 0);
  {
    Texture t(s, 0);
    EXPECT_EQ(Level0(GL_TEXTURE_INTERNAL_FORMAT), GL_RGBA8);
    const std::vector<Rgba> got = ReadBack();
    EXPECT_EQ(got[0].a, 0);
    EXPECT_EQ(got[1], (Rgba{200, 100, 50, 255}));
  }
  SDL_FreeSurface(s);
}

TEST_F(TextureTest, ShippedTextureIsRgbWithItsMarkersTopLeftAndTopRight) {
  testing::internal::CaptureStdout();
  Texture t(std::string(TREVALIN_SOURCE_DIR "/Quenlith.app/Contents/Resources/texture1.png"), 0);
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(Level0(GL_TEXTURE_INTERNAL_FORMAT), GL_RGB8);
  ASSERT_EQ(Level0(GL_TEXTURE_WIDTH), 256);
  ASSERT_EQ(Level0(GL_TEXTURE_HEIGHT), 256);
  const std::vector<Rgba> got = ReadBack();
  EXPECT_EQ(got[0], (Rgba{220, 40, 40, 255}));
  EXPECT_EQ(got[255], (Rgba{40, 180, 60, 255}));
  EXPECT_EQ(got[128 + 50 * 256], (Rgba{30, 50, 160, 255}));  // arrow head, upper half
  EXPECT_NE(got[128 + 20 * 256], (Rgba{30, 50, 160, 255}));  // above the apex
}

TEST_F(TextureTest, BindAndUnbindActOnTheNamedUnit) {
  OwnedSurface s(24, 0x0000FF, 0x00FF00, 0xFF0000, 0, 16);
  Texture t(s.surface, 0);
  GLint active = 0, bound = -1;
  t.Bind(3);
  glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_EQ(active, GL_TEXTURE3);
  EXPECT_EQ(static_cast<GLuint>(bound), t.showID(0));
  EXPECT_EQ(t.showID(0), t.showID(7));

  glActiveTexture(GL_TEXTURE0);
  Texture::Unbind(3);
  glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_EQ(active, GL_TEXTURE3);
  EXPECT_EQ(bound, 0);
  glActiveTexture(GL_TEXTURE0);
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_EQ(static_cast<GLuint>(bound), t.showID(0)) << "unit 0 keeps its binding";
}

TEST_F(TextureTest, UnloadableFilesThrowAndLeaveNoName) {
  const std::string cases[] = {dir.File("missing.png"), dir.Write("garbage.png", "not an image at all"),
                               dir.Write("empty.png", "")};
  for (const std::string& path : cases) {
    SCOPED_TRACE(path);
    testing::internal::CaptureStdout();
    try {
      Texture t(path, 0);
      ADD_FAILURE() << "no exception";
    } catch (const std::invalid_argument& e) {
      EXPECT_STREQ(e.what(), "Texture::Load - loading error");
    }
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_TRUE(std::regex_match(out, std::regex("Texture: _ID:0x[0-9a-f]+ - unit:0\nTexture: Loading .*\n")));
    EXPECT_EQ(out.substr(out.find('\n') + 1), "Texture: Loading " + path + "\n");
    EXPECT_TRUE(liveNames.empty());
  }
  EXPECT_THROW(Texture(static_cast<SDL_Surface*>(nullptr), 0), std::invalid_argument);
}

TEST_F(TextureTest, CreateReplacesTheNameItHeld) {
  const std::string small = dir.File("small.png"), big = dir.File("big.png");
  ASSERT_TRUE(tools::WritePng(small, kW, kH, 3, PatternBytes(3).data()));
  const std::vector<unsigned char> grey(16 * 8, 77);
  ASSERT_TRUE(tools::WritePng(big, 16, 8, 1, grey.data()));
  testing::internal::CaptureStdout();
  Texture t(small, 0);
  const GLuint first = t.showID(0);
  t.Create(big, 1);
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out, CreationLine(t, 0) + "Texture: Loading " + small + "\n" + CreationLine(t, 1) +
                     "Texture: Loading " + big + "\n");
  EXPECT_EQ(liveNames, std::set<GLuint>{t.showID(0)}) << "the name " << first << " was not deleted";
  EXPECT_EQ(Level0(GL_TEXTURE_WIDTH), 16);

  testing::internal::CaptureStdout();
  EXPECT_THROW(t.Create(dir.File("missing.png"), 1), std::invalid_argument);
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(t.showID(0), 0u);
}

TEST_F(TextureTest, DefaultTextureOwnsNothingAndMakesNoGLCall) {
  { Texture t; EXPECT_EQ(t.showID(0), 0u); }
  EXPECT_EQ(deleteCalls, 0);
}

}  // namespace
