// Writes the program's icon: the six-coloured cube as the program's window
// shows it, seen through the same camera (the cube turned about z, moved one
// unit along x, a 175-degree perspective with near plane 0.1 on an 800 x 600
// screen), cut out square around the cube and laid on a rounded square of the
// window's clear colour. One PNG (RGBA) per size:
//   make_icon OUTPUT_FOLDER [SIZE...]
// writes OUTPUT_FOLDER/SIZExSIZE/apps/trevalin.png, the hicolor theme's
// layout; the sizes default to 48 64 128 256.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "png_writer.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// The camera of Scene::render, at the frame whose angle looks most like a cube.
constexpr double kAngle = 30.0;  // degrees about z
constexpr double kShiftX = 1.0;  // viewm.Translate(1, 0, 0)
constexpr double kFovY = 175.0;  // projm.Perspective(175, aspect, 0.1, 10)
constexpr double kNear = 0.1, kFar = 10.0;
constexpr double kWidth = 800.0, kHeight = 600.0;  // the window

struct Colour {
  double r, g, b;
};
constexpr Colour kClear{0.3, 0.9, 0.5};  // glClearColor

// Scene::drawCube's faces: the axis the face is perpendicular to, its side
// and its colour.
struct Face {
  int axis;
  double side;
  Colour colour;
};
constexpr std::array<Face, 6> kFaces{{
    {1, +1, {0.0, 1.0, 0.0}},  // top
    {1, -1, {1.0, 0.5, 0.0}},  // bottom
    {2, +1, {1.0, 0.0, 0.0}},  // front
    {2, -1, {1.0, 1.0, 0.0}},  // back
    {0, -1, {0.5, 0.5, 0.5}},  // left
    {0, +1, {1.0, 0.0, 1.0}},  // right
}};

struct Hit {
  bool found;
  Colour colour;
};

// What the window shows at a point given in window pixels (origin top left):
// a ray from the eye, taken back into the cube's own frame, against the six
// faces, the nearest between the near and the far plane.
Hit Trace(double px, double py) {
  const double tanY = std::tan(kFovY / 2.0 / 180.0 * kPi);
  const double xNdc = px / (kWidth / 2.0) - 1.0, yNdc = 1.0 - py / (kHeight / 2.0);
  const double eyeDir[3] = {xNdc * tanY * kWidth / kHeight, yNdc * tanY, -1.0};
  // The inverse of "turn by the angle about z, then shift along x".
  const double c = std::cos(kAngle / 180.0 * kPi), s = std::sin(kAngle / 180.0 * kPi);
  const auto unturn = [&](double x, double y, double z) {
    return std::array<double, 3>{c * x + s * y, -s * x + c * y, z};
  };
  const std::array<double, 3> origin = unturn(-kShiftX, 0.0, 0.0);
  const std::array<double, 3> dir = unturn(eyeDir[0], eyeDir[1], eyeDir[2]);

  Hit best{false, kClear};
  double nearest = kFar;
  for (const Face& f : kFaces) {
    if (dir[f.axis] == 0.0) continue;
    // The eye's depth equals t, since the direction's z is -1 and the turn keeps z.
    const double t = (f.side - origin[f.axis]) / dir[f.axis];
    if (t < kNear || t > nearest) continue;
    bool inside = true;
    for (int a = 0; a < 3; ++a)
      if (a != f.axis && std::abs(origin[a] + t * dir[a]) > 1.0) inside = false;
    if (!inside) continue;
    // A little shade per face, as the program's light gives, so that edges between faces show.
    const double facing =
        std::abs(dir[f.axis]) / std::sqrt(dir[0] * dir[0] + dir[1] * dir[1] + dir[2] * dir[2]);
    const double shade = 0.8 + 0.2 * facing;
    best = {true, {f.colour.r * shade, f.colour.g * shade, f.colour.b * shade}};
    nearest = t;
  }
  return best;
}

// The square of the window, in window pixels, that holds the cube with a margin.
struct Square {
  double x, y, side;
};
Square Frame() {
  double left = kWidth, right = 0, top = kHeight, bottom = 0;
  for (double y = 0; y < kHeight; y += 1.0)
    for (double x = 0; x < kWidth; x += 1.0)
      if (Trace(x + 0.5, y + 0.5).found)
        left = std::min(left, x), right = std::max(right, x + 1), top = std::min(top, y),
        bottom = std::max(bottom, y + 1);
  const double side = std::max(right - left, bottom - top) * 1.3;
  return {(left + right - side) / 2.0, (top + bottom - side) / 2.0, side};
}

// Coverage of the icon's rounded square at a point in 0..1 units.
bool InRoundedSquare(double u, double v) {
  constexpr double kInset = 0.04, kRadius = 0.18;
  const double lo = kInset + kRadius, hi = 1.0 - kInset - kRadius;
  const double dx = std::max({lo - u, 0.0, u - hi}), dy = std::max({lo - v, 0.0, v - hi});
  return u >= kInset && u <= 1.0 - kInset && v >= kInset && v <= 1.0 - kInset &&
         dx * dx + dy * dy <= kRadius * kRadius;
}

std::vector<unsigned char> Render(int size, const Square& frame) {
  constexpr int kSamples = 4;  // per side, per pixel: smooth edges
  std::vector<unsigned char> pixels;
  pixels.reserve(static_cast<size_t>(size) * size * 4);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      double r = 0, g = 0, b = 0, a = 0;
      for (int sy = 0; sy < kSamples; ++sy) {
        for (int sx = 0; sx < kSamples; ++sx) {
          const double u = (x + (sx + 0.5) / kSamples) / size,
                       v = (y + (sy + 0.5) / kSamples) / size;
          if (!InRoundedSquare(u, v)) continue;
          const Colour c = Trace(frame.x + u * frame.side, frame.y + v * frame.side).colour;
          r += c.r, g += c.g, b += c.b, a += 1.0;
        }
      }
      // Colours are averaged over the covered samples only, so that the
      // transparent outside does not darken the rim.
      const double n = kSamples * kSamples;
      const auto channel = [](double v) {
        return static_cast<unsigned char>(std::lround(std::clamp(v, 0.0, 1.0) * 255.0));
      };
      pixels.push_back(channel(a > 0 ? r / a : 0));
      pixels.push_back(channel(a > 0 ? g / a : 0));
      pixels.push_back(channel(a > 0 ? b / a : 0));
      pixels.push_back(channel(a / n));
    }
  }
  return pixels;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_FOLDER [SIZE...]\n", argv[0]);
    return 2;
  }
  std::vector<int> sizes;
  for (int i = 2; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
  if (sizes.empty()) sizes = {48, 64, 128, 256};

  const Square frame = Frame();
  for (int size : sizes) {
    if (size <= 0) {
      std::fprintf(stderr, "%s: not a size\n", argv[0]);
      return 2;
    }
    const std::string name = std::to_string(size) + "x" + std::to_string(size);
    const std::filesystem::path folder = std::filesystem::path(argv[1]) / name / "apps";
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    const std::string file = (folder / "trevalin.png").string();
    if (!tools::WritePng(file, size, size, 4, Render(size, frame).data())) {
      std::fprintf(stderr, "%s: cannot write %s\n", argv[0], file.c_str());
      return 1;
    }
  }
  return 0;
}
