// The PLY reader alone, built natively and for the browser alike: the best
// time of loading one generated file again and again, as
//   ply: best of N loads of FILE (V vertices): T ms
// The file is written first where missing (the same bytes everywhere), so
// that the two builds can be compared on the same input.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>

#include "Mesh.h"

namespace {

// A sphere of rings × segments vertices with normals, "%.6f" as exporters write.
void Generate(const std::string& path, int rings, int segments) {
  std::ofstream out(path);
  out << "ply\nformat ascii 1.0\nelement vertex " << rings * segments
      << "\nproperty float x\nproperty float y\nproperty float z\nproperty float nx\n"
         "property float ny\nproperty float nz\nelement face "
      << 2 * (rings - 1) * segments << "\nproperty list uchar int vertex_indices\nend_header\n";
  char line[160];
  for (int r = 0; r < rings; ++r)
    for (int s = 0; s < segments; ++s) {
      const double a = 3.14159265358979 * r / (rings - 1), b = 6.28318530717959 * s / segments;
      const double x = std::sin(a) * std::cos(b), y = std::cos(a), z = std::sin(a) * std::sin(b);
      std::snprintf(line, sizeof line, "%.6f %.6f %.6f %.6f %.6f %.6f\n", 1.3 * x, 1.3 * y, 1.3 * z,
                    x, y, z);
      out << line;
    }
  for (int r = 0; r + 1 < rings; ++r)
    for (int s = 0; s < segments; ++s) {
      const int i = r * segments + s, j = r * segments + (s + 1) % segments;
      out << "3 " << i << ' ' << j << ' ' << i + segments << "\n3 " << j << ' ' << j + segments
          << ' ' << i + segments << '\n';
    }
}

}  // namespace

int main(int argc, char** argv) {
  const std::string path = argc > 1 ? argv[1] : "/tmp/trevalin_bench_load.ply";
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 20;
  if (!std::ifstream(path)) Generate(path, 400, 500);
  double best = 1e30;
  unsigned vertices = 0;
  std::streambuf* out = std::cout.rdbuf(nullptr);  // the reader's own lines
  for (int r = 0; r < runs; ++r) {
    Mesh mesh;
    const auto start = std::chrono::steady_clock::now();
    mesh.LoadPLY(path.c_str());
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    best = std::min(best, took.count());
    vertices = static_cast<unsigned>(mesh.NumVertices());
  }
  std::cout.rdbuf(out);
  std::printf("ply: best of %d loads of %s (%u vertices): %.2f ms\n", runs, path.c_str(), vertices,
              best);
  return 0;
}
