// Writes the program's model: a standing cat made of swept
// tubes (body, neck, head, muzzle, ears, legs, paws, tail) as an ASCII PLY
// with positions, normals and texture coordinates. The cat faces +x, stands
// on y = 0 with y up; it is about 3.6 units long including the tail.
//
// Every part is a closed surface around a spine curve. Its cross-section is
// an ellipse in a frame that follows the spine; the ends close in rounded
// caps or in a point. Texture coordinates wrap once around each part (s) and
// run along it (t). Normals are the area-weighted face normals of the part,
// welded across its seam and poles so that the shading is smooth.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <tuple>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Vec3 {
  double x, y, z;
};
Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 operator*(double s, Vec3 a) { return {s * a.x, s * a.y, s * a.z}; }
double Dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3 Cross(Vec3 a, Vec3 b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
Vec3 Normalize(Vec3 a) {
  const double l = std::sqrt(Dot(a, a));
  return l > 0 ? (1.0 / l) * a : Vec3{0, 0, 0};
}

// Cubic Bezier through four control points.
std::function<Vec3(double)> Bezier(Vec3 p0, Vec3 p1, Vec3 p2, Vec3 p3) {
  return [=](double t) {
    const double u = 1 - t;
    return (u * u * u) * p0 + (3 * u * u * t) * p1 + (3 * u * t * t) * p2 + (t * t * t) * p3;
  };
}
std::function<Vec3(double)> Line(Vec3 a, Vec3 b) {
  return [=](double t) { return a + t * (b - a); };
}
std::function<double(double)> Taper(double from, double to) {
  return [=](double t) { return from + (to - from) * t; };
}
std::function<double(double)> Const(double r) {
  return [=](double) { return r; };
}

struct Part {
  std::function<Vec3(double)> spine;  // t in [0, 1]
  std::function<double(double)> ra;   // semi-axis along the frame's first axis
  std::function<double(double)> rb;   // semi-axis along its second axis
  Vec3 ref;                           // never parallel to the spine; sets the first axis
  double cap0, cap1;                  // share of t taken by the rounded ends; 0 ends in a point
  int segments, rings;
};

struct Vertex {
  Vec3 p, n;
  double s, t;
};

struct Model {
  std::vector<Vertex> vertices;
  std::vector<uint32_t> indices;
};

// Ring positions along the spine: even in the middle, closer together in the
// caps so that their round shape survives.
std::vector<double> Stations(const Part& part) {
  const int capRings0 =
      part.cap0 > 0 ? std::max(3, static_cast<int>(part.rings * part.cap0 * 1.6)) : 0;
  const int capRings1 =
      part.cap1 > 0 ? std::max(3, static_cast<int>(part.rings * part.cap1 * 1.6)) : 0;
  const int middle = std::max(1, part.rings - capRings0 - capRings1);
  const double mid0 = part.cap0, mid1 = 1 - part.cap1;
  std::vector<double> t;
  for (int k = 0; k < capRings0; ++k)
    t.push_back(part.cap0 * (1 - std::cos(0.5 * kPi * k / capRings0)));
  if (mid1 > mid0) {
    for (int k = 0; k < middle; ++k) t.push_back(mid0 + (mid1 - mid0) * k / middle);
  }
  for (int k = 0; k < capRings1; ++k)
    t.push_back(1 - part.cap1 * std::sin(0.5 * kPi * (capRings1 - k) / capRings1));
  t.push_back(1.0);
  return t;
}

double Envelope(const Part& part, double t) {
  auto round = [](double u) { return std::sqrt(std::max(0.0, 1 - (1 - u) * (1 - u))); };
  if (part.cap0 > 0 && t < part.cap0) return round(t / part.cap0);
  if (part.cap1 > 0 && t > 1 - part.cap1) return round((1 - t) / part.cap1);
  return 1;
}

// Six decimals is what the file stores, so positions are welded at that grain.
double Quantize(double v) {
  const double q = std::round(v * 1e6) / 1e6;
  return q == 0 ? 0.0 : q;  // no "-0.000000"
}

// Rings of vertices along the spine, each with its seam column repeated.
void AddRings(Model& model, const Part& part, const std::vector<double>& stations) {
  const int columns = part.segments + 1;  // the seam column repeats the first with s = 1
  for (double t : stations) {
    const double h = 1e-4;
    const Vec3 tangent =
        Normalize(part.spine(std::min(1.0, t + h)) - part.spine(std::max(0.0, t - h)));
    const Vec3 n = Normalize(part.ref - Dot(part.ref, tangent) * tangent);
    const Vec3 b = Cross(tangent, n);
    const Vec3 centre = part.spine(t);
    const double e = Envelope(part, t);
    for (int i = 0; i < columns; ++i) {
      const double angle = 2 * kPi * (i % part.segments) / part.segments;
      const Vec3 p =
          centre + (e * part.ra(t) * std::cos(angle)) * n + (e * part.rb(t) * std::sin(angle)) * b;
      model.vertices.push_back({{Quantize(p.x), Quantize(p.y), Quantize(p.z)},
                                {0, 0, 0},
                                static_cast<double>(i) / part.segments,
                                t});
    }
  }
}

// Going round the ring is going round the spine's tangent, so (around,
// along) spans the outward side: these triangles turn counter-clockwise
// seen from outside. Triangles collapsed at a pole are left out.
void AddTriangles(Model& model, const Part& part, uint32_t base, int rings) {
  const int columns = part.segments + 1;
  auto same = [&](uint32_t a, uint32_t b) {
    const Vec3 p = model.vertices[a].p, q = model.vertices[b].p;
    return p.x == q.x && p.y == q.y && p.z == q.z;
  };
  auto add = [&](uint32_t a, uint32_t b, uint32_t c) {
    if (same(a, b) || same(b, c) || same(a, c)) return;
    model.indices.insert(model.indices.end(), {a, b, c});
  };
  for (int j = 0; j + 1 < rings; ++j) {
    for (int i = 0; i < part.segments; ++i) {
      const uint32_t a = base + j * columns + i, b = a + 1, c = b + columns, d = a + columns;
      add(a, b, c);
      add(a, c, d);
    }
  }
}

// Smooth normals: the face normals of every copy of a position summed, over
// the triangles from firstIndex on and the vertices from base on.
void SmoothNormals(Model& model, uint32_t base, size_t firstIndex) {
  std::map<std::tuple<double, double, double>, Vec3> sums;
  auto key = [&](uint32_t v) {
    const Vec3 p = model.vertices[v].p;
    return std::make_tuple(p.x, p.y, p.z);
  };
  for (size_t k = firstIndex; k < model.indices.size(); k += 3) {
    const uint32_t a = model.indices[k], b = model.indices[k + 1], c = model.indices[k + 2];
    const Vec3 pa = model.vertices[a].p;
    const Vec3 face = Cross(model.vertices[b].p - pa, model.vertices[c].p - pa);
    for (uint32_t v : {a, b, c}) sums[key(v)] = sums[key(v)] + face;
  }
  for (uint32_t v = base; v < model.vertices.size(); ++v) {
    const Vec3 n = Normalize(sums[key(v)]);
    model.vertices[v].n = {Quantize(n.x), Quantize(n.y), Quantize(n.z)};
  }
}

void AddPart(Model& model, const Part& part) {
  const std::vector<double> stations = Stations(part);
  const uint32_t base = static_cast<uint32_t>(model.vertices.size());
  const size_t firstIndex = model.indices.size();
  AddRings(model, part, stations);
  AddTriangles(model, part, base, static_cast<int>(stations.size()));
  SmoothNormals(model, base, firstIndex);
}

// Drops the vertices that no triangle uses (pole copies of the seam column).
void Compact(Model& model) {
  std::vector<int64_t> remap(model.vertices.size(), -1);
  std::vector<Vertex> kept;
  for (uint32_t& i : model.indices) {
    if (remap[i] < 0) {
      remap[i] = static_cast<int64_t>(kept.size());
      kept.push_back(model.vertices[i]);
    }
    i = static_cast<uint32_t>(remap[i]);
  }
  model.vertices.swap(kept);
}

// Each part's first cross-section axis is set from one of these.
const Vec3 kUp{0, 1, 0}, kForward{1, 0, 0}, kSide{0, 0, 1};

void AddHead(Model& cat) {
  // Neck: short and thick, from inside the chest into the back of the head.
  AddPart(cat, {Line({0.55, 1.08, 0}, {1.15, 1.52, 0}), Taper(0.34, 0.22), Taper(0.27, 0.21), kUp,
                0.3, 0.3, 18, 10});
  // Head: broad and round.
  AddPart(cat, {Line({1.02, 1.60, 0}, {1.60, 1.58, 0}), Const(0.27), Const(0.31), kUp, 0.5, 0.5, 24,
                18});
  // Muzzle, with a small nose on its tip.
  AddPart(cat, {Line({1.47, 1.48, 0}, {1.73, 1.49, 0}), Const(0.11), Const(0.16), kUp, 0.5, 0.5, 16,
                10});
  AddPart(cat, {Line({1.70, 1.54, 0}, {1.77, 1.55, 0}), Const(0.035), Const(0.05), kUp, 0.5, 0.5,
                10, 6});

  // Eyes: small domes on the face.
  for (double z : {-1.0, 1.0}) {
    AddPart(cat, {Line({1.51, 1.68, 0.13 * z}, {1.59, 1.68, 0.13 * z}), Const(0.045), Const(0.045),
                  kUp, 0.5, 0.5, 10, 6});
  }

  // Ears: thin pointed cones on the top of the head, leaning out.
  for (double z : {-1.0, 1.0}) {
    AddPart(cat, {Bezier({1.32, 1.70, 0.14 * z}, {1.32, 1.84, 0.17 * z}, {1.30, 1.98, 0.22 * z},
                         {1.26, 2.14, 0.25 * z}),
                  Taper(0.07, 0.0), Taper(0.19, 0.0), kForward, 0.15, 0.0, 12, 10});
  }
}

void AddLegs(Model& cat) {
  // Front legs: straight, slim columns down to the paws.
  for (double z : {-1.0, 1.0}) {
    AddPart(cat, {Line({0.72, 1.05, 0.16 * z}, {0.74, 0.07, 0.16 * z}), Taper(0.12, 0.075),
                  Taper(0.11, 0.075), kForward, 0.12, 0.08, 12, 12});
  }
  // Hind legs: a thick thigh that bends back to the hock.
  for (double z : {-1.0, 1.0}) {
    AddPart(cat, {Bezier({-0.72, 1.05, 0.17 * z}, {-0.45, 0.55, 0.18 * z}, {-0.95, 0.35, 0.17 * z},
                         {-0.80, 0.07, 0.17 * z}),
                  [](double t) { return 0.085 + 0.11 * (1 - t) * (1 - t); },
                  [](double t) { return 0.08 + 0.07 * (1 - t) * (1 - t); }, kForward, 0.15, 0.08,
                  12, 14});
  }
  // Paws: flat ovals pointing forward.
  for (const Vec3 at : {Vec3{0.78, 0.055, -0.16}, Vec3{0.78, 0.055, 0.16},
                        Vec3{-0.76, 0.055, -0.17}, Vec3{-0.76, 0.055, 0.17}}) {
    AddPart(cat, {Line(at - Vec3{0.12, 0, 0}, at + Vec3{0.12, 0, 0}), Const(0.055), Const(0.09),
                  kUp, 0.5, 0.5, 10, 6});
  }
}

Model BuildCat() {
  Model cat;
  // Body: a long, slightly arched barrel, deepest at the chest.
  AddPart(cat, {Bezier({-1.05, 1.00, 0}, {-0.35, 1.10, 0}, {0.35, 1.08, 0}, {1.00, 1.06, 0}),
                [](double t) { return 0.33 + 0.05 * std::sin(kPi * t) + 0.03 * t; },
                [](double t) { return 0.27 + 0.04 * std::sin(kPi * t); }, kUp, 0.17, 0.17, 32, 26});
  AddHead(cat);
  AddLegs(cat);
  // Tail: out from the rump, down a little, then up in a curl.
  AddPart(cat,
          {Bezier({-0.95, 1.12, 0}, {-1.75, 0.95, 0.05}, {-1.90, 1.85, 0.15}, {-1.50, 2.05, 0.22}),
           Taper(0.08, 0.055), Taper(0.08, 0.055), kSide, 0.05, 0.04, 12, 28});

  Compact(cat);
  return cat;
}

void WritePly(std::FILE* out, const Model& model) {
  std::fprintf(out, "ply\nformat ascii 1.0\n");
  std::fprintf(out, "comment cat, made by tools/make_cat_model\n");
  std::fprintf(out, "element vertex %zu\n", model.vertices.size());
  for (const char* name : {"x", "y", "z", "nx", "ny", "nz", "s", "t"}) {
    std::fprintf(out, "property float %s\n", name);
  }
  std::fprintf(out, "element face %zu\n", model.indices.size() / 3);
  std::fprintf(out, "property list uchar int vertex_indices\nend_header\n");
  for (const Vertex& v : model.vertices) {
    std::fprintf(out, "%.6f %.6f %.6f %.6f %.6f %.6f %.6f %.6f\n", v.p.x, v.p.y, v.p.z, v.n.x,
                 v.n.y, v.n.z, Quantize(v.s), Quantize(v.t));
  }
  for (size_t k = 0; k < model.indices.size(); k += 3) {
    std::fprintf(out, "3 %u %u %u\n", model.indices[k], model.indices[k + 1], model.indices[k + 2]);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT.ply\n", argv[0]);
    return 2;
  }
  const Model cat = BuildCat();
  std::FILE* out = std::fopen(argv[1], "w");
  if (!out) {
    std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
    return 1;
  }
  WritePly(out, cat);
  const bool ok = std::fflush(out) == 0 && !std::ferror(out);
  std::fclose(out);
  if (!ok) {
    std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
    return 1;
  }
  std::printf("%zu vertices, %zu triangles\n", cat.vertices.size(), cat.indices.size() / 3);
  return 0;
}
