// Loads one large ASCII PLY three ways and prints the figures side by side:
// the project's reader, a plain getline + istringstream reader with the same
// header rules, and assimp's PLY importer. Then times the two tangent
// routines on the loaded mesh.
//
//   bench_ply [file.ply] [runs]
//
// The file (1,000,000 vertices with x y z nx ny nz s t, 2,000,000 triangles)
// is generated when it does not exist yet.

#include <assimp/Importer.hpp>
#include <assimp/scene.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <functional>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "Mesh.h"

struct MeshProbe {
  static uint64_t Vertices(const Mesh& m) { return m.numVertices; }
  static uint64_t Triangles(const Mesh& m) { return m.numTriangles; }
  static bool Same(const Mesh& m, const std::vector<float>& v, const std::vector<float>& n,
                   const std::vector<float>& uv, const std::vector<uint32_t>& idx) {
    return m.normals && m.texCoords && v.size() == 3 * m.numVertices &&
           idx.size() == 3 * m.numTriangles &&
           !std::memcmp(m.vertices, v.data(), v.size() * 4) &&
           !std::memcmp(m.normals, n.data(), n.size() * 4) &&
           !std::memcmp(m.texCoords, uv.data(), uv.size() * 4) &&
           !std::memcmp(m.indices, idx.data(), idx.size() * 4);
  }
  static void AddTangents(Mesh& m) { m.tangents = new float[3 * m.numVertices](); }
  static uint64_t ArrayBytes(const Mesh& m) {
    return m.numVertices * (3 + (m.normals ? 3 : 0) + (m.texCoords ? 2 : 0)) * 4 + m.numTriangles * 12;
  }
};

namespace {

constexpr int kSide = 1000;  // torus of kSide x kSide vertices, 2 triangles per vertex

void Generate(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "w");
  if (!f) throw std::runtime_error("cannot write " + path);
  std::fprintf(f,
               "ply\nformat ascii 1.0\ncomment trevalin benchmark torus\nelement vertex %d\n"
               "property float x\nproperty float y\nproperty float z\nproperty float nx\n"
               "property float ny\nproperty float nz\nproperty float s\nproperty float t\n"
               "element face %d\nproperty list uchar int vertex_indices\nend_header\n",
               kSide * kSide, 2 * kSide * kSide);
  const double pi2 = 2 * M_PI;
  for (int i = 0; i < kSide; ++i)
    for (int j = 0; j < kSide; ++j) {
      const double u = pi2 * i / kSide, v = pi2 * j / kSide, ring = 1.0 + 0.3 * std::cos(v);
      std::fprintf(f, "%.6f %.6f %.6f %.6f %.6f %.6f %.6f %.6f\n", ring * std::cos(u),
                   ring * std::sin(u), 0.3 * std::sin(v), std::cos(v) * std::cos(u),
                   std::cos(v) * std::sin(u), std::sin(v), double(i) / kSide, double(j) / kSide);
    }
  for (int i = 0; i < kSide; ++i)
    for (int j = 0; j < kSide; ++j) {
      const int a = i * kSide + j, b = (i + 1) % kSide * kSide + j;
      const int c = i * kSide + (j + 1) % kSide, d = (i + 1) % kSide * kSide + (j + 1) % kSide;
      std::fprintf(f, "3 %d %d %d\n3 %d %d %d\n", a, b, c, b, d, c);
    }
  if (std::fclose(f) != 0) throw std::runtime_error("cannot write " + path);
}

// The plain way: one getline and one reused istringstream per line.
struct Reference {
  uint64_t numVertices = 0, numTriangles = 0;
  std::vector<float> vertices, normals, texCoords;
  std::vector<uint32_t> indices;

  explicit Reference(const std::string& path) {
    std::ifstream file(path);
    if (!file) throw std::domain_error("no such file");
    std::string line;
    std::istringstream ss;
    std::getline(file, line);
    if (line != "ply") throw std::domain_error("not a PLY file");
    std::getline(file, line);
    if (line != "format ascii 1.0") throw std::domain_error("not an ASCII PLY file");
    while (file.good()) {
      std::getline(file, line);
      if (line.find("element vertex ") != std::string::npos) {
        ss.str(line.substr(15));
        ss >> numVertices;
        ss.clear();
        break;
      }
    }
    int properties = 0;
    while (file.good()) {
      std::getline(file, line);
      if (line.find("property ") != std::string::npos) {
        ++properties;
      } else {
        file.seekg(0);
        break;
      }
    }
    while (file.good()) {
      std::getline(file, line);
      if (line.find("element face ") != std::string::npos) {
        ss.str(line.substr(13));
        ss >> numTriangles;
        ss.clear();
        break;
      }
    }
    while (file.good()) {
      std::getline(file, line);
      if (line.find("end_header") != std::string::npos) break;
    }
    vertices.assign(3 * numVertices, 0.0f);
    if (properties > 5) normals.assign(3 * numVertices, 0.0f);
    if (properties > 7) texCoords.assign(2 * numVertices, 0.0f);
    for (uint64_t i = 0; i < numVertices; ++i) {
      std::getline(file, line);
      ss.str(line);
      ss >> vertices[3 * i] >> vertices[3 * i + 1] >> vertices[3 * i + 2];
      if (properties > 5) ss >> normals[3 * i] >> normals[3 * i + 1] >> normals[3 * i + 2];
      if (properties > 7) ss >> texCoords[2 * i] >> texCoords[2 * i + 1];
      ss.clear();
    }
    indices.assign(3 * numTriangles, 0);
    for (uint64_t i = 0; i < numTriangles; ++i) {
      std::getline(file, line);
      ss.str(line);
      int count = 0;
      ss >> count;
      if (count != 3) throw std::domain_error("not a triangular face");
      ss >> indices[3 * i] >> indices[3 * i + 1] >> indices[3 * i + 2];
      ss.clear();
    }
  }
};

double Seconds(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Processor time of this (single-threaded) process: on a shared machine it
// hides the time spent waiting for a core, which wall time does not.
double CpuSeconds() {
  timespec ts;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return ts.tv_sec + ts.tv_nsec * 1e-9;
}

// Resident set figures of this process in kB, from /proc/self/status.
long StatusKb(const char* key) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(key, 0) == 0) return std::atol(line.c_str() + std::strlen(key));
  return -1;
}

// Lets the next VmHWM reading show the peak of the next step alone.
bool ResetPeak() {
  std::ofstream clear("/proc/self/clear_refs");
  clear << "5";
  clear.flush();
  return bool(clear);
}

struct Figures {
  double best = 1e30;     // wall time
  double bestCpu = 1e30;  // processor time
  long peakKb = 0;  // peak resident memory during the first run, above what was resident before
};

Figures Measure(int runs, const std::function<void()>& work) {
  Figures f;
  for (int r = 0; r < runs; ++r) {
    const long before = StatusKb("VmRSS:");
    const bool reset = ResetPeak();
    const double cpu = CpuSeconds();
    f.best = std::min(f.best, Seconds(work));
    f.bestCpu = std::min(f.bestCpu, CpuSeconds() - cpu);
    // Without a reset the peak may predate the run; then it is only a bound.
    if (r == 0) f.peakKb = StatusKb("VmHWM:") - before;
    if (r == 0 && !reset) std::printf("(VmHWM could not be reset: peak figures are upper bounds)\n");
  }
  return f;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string path = argc > 1 ? argv[1] : "/tmp/trevalin_bench.ply";
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;

  if (!std::ifstream(path)) {
    std::printf("generating %s ...\n", path.c_str());
    Generate(path);
  }
  double megabytes = 0;
  {  // warm the page cache so that every reader sees the same file state
    std::ifstream in(path, std::ios::binary);
    std::vector<char> chunk(1 << 20);
    while (in.read(chunk.data(), chunk.size()) || in.gcount()) megabytes += in.gcount();
    megabytes /= 1e6;
  }
  std::printf("file: %s, %.1f MB\n\n", path.c_str(), megabytes);
  std::fflush(stdout);

  // The project's reader goes first, in a process that has held nothing big yet.
  Mesh loaded;
  const Figures mine = Measure(runs, [&] {
    std::streambuf* out = std::cout.rdbuf(nullptr);  // its progress lines are not measured
    loaded.LoadPLY(path.c_str());
    std::cout.rdbuf(out);
  });
  const double arraysMb = MeshProbe::ArrayBytes(loaded) / 1048576.0;

  bool same = false;
  const Figures ref = Measure(std::max(1, runs - 1), [&] {
    Reference r(path);
    same = MeshProbe::Same(loaded, r.vertices, r.normals, r.texCoords, r.indices);
  });

  unsigned assimpVertices = 0, assimpFaces = 0;
  const Figures imp = Measure(std::max(1, runs - 1), [&] {
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(path, 0);
    if (!scene || scene->mNumMeshes == 0) throw std::runtime_error(importer.GetErrorString());
    assimpVertices = scene->mMeshes[0]->mNumVertices;
    assimpFaces = scene->mMeshes[0]->mNumFaces;
  });

  std::printf("%-34s %8s %8s %8s %8s %9s %9s\n", "reader", "wall s", "cpu s", "MB/s", "MB/s cpu",
              "ratio", "peak MiB");
  auto row = [&](const char* name, const Figures& f) {
    std::printf("%-34s %8.3f %8.3f %8.1f %8.1f %8.2fx %9.1f\n", name, f.best, f.bestCpu,
                megabytes / f.best, megabytes / f.bestCpu, f.bestCpu / mine.bestCpu, f.peakKb / 1024.0);
  };
  row("Mesh::LoadPLY", mine);
  row("getline + istringstream reference", ref);
  row("assimp PLY importer", imp);
  std::printf("(best of %d runs for LoadPLY, %d for the others; ratio of processor times)\n", runs,
              std::max(1, runs - 1));
  std::printf("\nLoadPLY: %llu vertices, %llu triangles, arrays %.1f MiB, held beyond them %.1f MiB\n",
              (unsigned long long)MeshProbe::Vertices(loaded),
              (unsigned long long)MeshProbe::Triangles(loaded), arraysMb,
              mine.peakKb / 1024.0 - arraysMb);
  std::printf("reference gives the same arrays bit for bit: %s\n", same ? "yes" : "NO");
  std::printf("assimp: %u vertices, %u faces\n", assimpVertices, assimpFaces);
  std::printf("speed-up over the reference: %.2fx cpu, %.2fx wall (target 8x)\n",
              ref.bestCpu / mine.bestCpu, ref.best / mine.best);
  std::printf("speed-up over assimp:        %.2fx cpu, %.2fx wall (target 4x)\n",
              imp.bestCpu / mine.bestCpu, imp.best / mine.best);

  MeshProbe::AddTangents(loaded);
  double byClass = 1e30, byArrays = 1e30;
  for (int r = 0; r < 10; ++r) {
    double cpu = CpuSeconds();
    loaded.ClassTangents();
    byClass = std::min(byClass, CpuSeconds() - cpu);
    cpu = CpuSeconds();
    loaded.CalcTangents();
    byArrays = std::min(byArrays, CpuSeconds() - cpu);
  }
  std::printf("\ntangents (best of 10, cpu): ClassTangents %.2f ms, CalcTangents %.2f ms, ratio %.3f"
              " (target within 10%%)\n",
              byClass * 1e3, byArrays * 1e3, byClass / byArrays);
  std::printf("process VmHWM since the last reset: %.1f MiB\n", StatusKb("VmHWM:") / 1024.0);
  return same ? 0 : 1;
}
