// Loads large ASCII PLY files three ways and prints the figures side by
// side: the project's reader, a plain getline + istringstream reader with the
// same header rules, and assimp's PLY importer. Then times the two tangent
// routines on the first mesh.
//
//   bench_ply [file.ply] [runs]
//
// The file (1,000,000 vertices with x y z nx ny nz s t, 2,000,000 triangles)
// is generated when it does not exist yet, and so are four more of the same
// mesh, scaled to positions within 12, whose floats are printed the ways real
// exporters print them: %f, %g, %.7f and %.9g (next to the file, not kept in
// the source tree).

#include <assimp/scene.h>
#include <malloc.h>

#include <algorithm>
#include <assimp/Importer.hpp>
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

bool Same(const Mesh& m, const std::vector<float>& v, const std::vector<float>& n,
          const std::vector<float>& uv, const std::vector<uint32_t>& idx) {
  return m.Normals() && m.TexCoords() && v.size() == 3 * m.NumVertices() &&
         idx.size() == 3 * m.NumTriangles() && !std::memcmp(m.Vertices(), v.data(), v.size() * 4) &&
         !std::memcmp(m.Normals(), n.data(), n.size() * 4) &&
         !std::memcmp(m.TexCoords(), uv.data(), uv.size() * 4) &&
         !std::memcmp(m.Indices(), idx.data(), idx.size() * 4);
}

uint64_t ArrayBytes(const Mesh& m) {
  return m.NumVertices() * (3 + (m.Normals() ? 3 : 0) + (m.TexCoords() ? 2 : 0)) * 4 +
         m.NumTriangles() * 12;
}

namespace {

constexpr int kSide = 1000;  // torus of kSide x kSide vertices, 2 triangles per vertex

// The torus; with a format, scaled by 8.5 and its floats printed with it.
void Generate(const std::string& path, const char* format = nullptr) {
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
      const double value[8] = {ring * std::cos(u),        ring * std::sin(u),
                               0.3 * std::sin(v),         std::cos(v) * std::cos(u),
                               std::cos(v) * std::sin(u), std::sin(v),
                               double(i) / kSide,         double(j) / kSide};
      for (int k = 0; k < 8; ++k) {
        if (!format) {
          std::fprintf(f, "%.6f%c", value[k], k == 7 ? '\n' : ' ');
        } else {
          std::fprintf(f, format, double(float(value[k] * (k < 3 ? 8.5 : 1.0))));
          std::fputc(k == 7 ? '\n' : ' ', f);
        }
      }
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
class Reference {
 public:
  uint64_t numVertices = 0, numTriangles = 0;
  std::vector<float> vertices, normals, texCoords;
  std::vector<uint32_t> indices;

  explicit Reference(const std::string& path) {
    std::ifstream file(path);
    if (!file) throw std::domain_error("no such file");
    const int properties = ReadHeader(file);
    ReadVertices(file, properties);
    ReadFaces(file);
  }

 private:
  std::string line;
  std::istringstream ss;

  // Reads the count after the key on the first line that holds it.
  void ReadCount(std::istream& file, const std::string& key, uint64_t& count) {
    while (file.good()) {
      std::getline(file, line);
      if (line.find(key) != std::string::npos) {
        ss.str(line.substr(key.size()));
        ss >> count;
        ss.clear();
        return;
      }
    }
  }

  // Returns the vertex property count; leaves the file at the first data line.
  int ReadHeader(std::istream& file) {
    std::getline(file, line);
    if (line != "ply") throw std::domain_error("not a PLY file");
    std::getline(file, line);
    if (line != "format ascii 1.0") throw std::domain_error("not an ASCII PLY file");
    ReadCount(file, "element vertex ", numVertices);
    int properties = 0;
    while (file.good()) {
      std::getline(file, line);
      if (line.find("property ") == std::string::npos) {
        file.seekg(0);
        break;
      }
      ++properties;
    }
    ReadCount(file, "element face ", numTriangles);
    while (file.good()) {
      std::getline(file, line);
      if (line.find("end_header") != std::string::npos) break;
    }
    return properties;
  }

  void ReadVertices(std::istream& file, int properties) {
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
  }

  void ReadFaces(std::istream& file) {
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
    if (r == 0 && !reset)
      std::printf("(VmHWM could not be reset: peak figures are upper bounds)\n");
  }
  return f;
}

struct Row {
  std::string format, path;
  double megabytes = 0;
  Figures mine, ref, imp;
  bool same = false;
  double arraysMb = 0;
};

// Reads the file through the page cache once, so that every reader sees it
// in the same state; returns its size in MB.
double Warm(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> chunk(1 << 20);
  double bytes = 0;
  while (in.read(chunk.data(), chunk.size()) || in.gcount()) bytes += in.gcount();
  return bytes / 1e6;
}

// LoadPLY on one file, once, in a mesh of its own, so that what an earlier
// file left is not counted; the first round's peak memory is kept.
void LoadRound(Row& row, bool first) {
  Mesh loaded;
  const Figures f = Measure(1, [&] {
    std::streambuf* out = std::cout.rdbuf(nullptr);  // its progress lines are not measured
    loaded.LoadPLY(row.path.c_str());
    std::cout.rdbuf(out);
  });
  row.mine.best = std::min(row.mine.best, f.best);
  row.mine.bestCpu = std::min(row.mine.bestCpu, f.bestCpu);
  if (first) row.mine.peakKb = f.peakKb;
  row.arraysMb = ArrayBytes(loaded) / 1048576.0;
}

// The getline reader and assimp on one file, checked against LoadPLY's arrays.
void Others(Row& row, int runs) {
  Mesh loaded;
  std::streambuf* out = std::cout.rdbuf(nullptr);
  loaded.LoadPLY(row.path.c_str());
  std::cout.rdbuf(out);
  row.ref = Measure(runs, [&] {
    Reference r(row.path);
    row.same = Same(loaded, r.vertices, r.normals, r.texCoords, r.indices);
  });
  row.imp = Measure(runs, [&] {
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(row.path, 0);
    if (!scene || scene->mNumMeshes == 0) throw std::runtime_error(importer.GetErrorString());
    if (scene->mMeshes[0]->mNumVertices != loaded.NumVertices() ||
        scene->mMeshes[0]->mNumFaces != loaded.NumTriangles())
      throw std::runtime_error("assimp read another mesh");
  });
}

// One line a file: LoadPLY's time and throughput beside the other readers'.
void PrintTable(const std::vector<Row>& rows, int runs, bool allSame) {
  double fastest = 1e30;
  for (const Row& r : rows) fastest = std::min(fastest, r.mine.bestCpu / r.megabytes);
  std::printf("%-17s %6s %9s %7s %9s %7s %9s %7s %8s %9s %5s\n", "floats printed as", "MB",
              "LoadPLY", "MB/s", "getline", "ratio", "assimp", "ratio", "ms/MB", "vs best", "+MiB");
  for (const Row& r : rows) {
    const double perMb = r.mine.bestCpu / r.megabytes;
    std::printf("%-17s %6.1f %7.0fms %7.0f %7.0fms %6.1fx %7.0fms %6.1fx %8.3f %8.2fx %5.1f%s\n",
                r.format.c_str(), r.megabytes, r.mine.bestCpu * 1e3, r.megabytes / r.mine.bestCpu,
                r.ref.bestCpu * 1e3, r.ref.bestCpu / r.mine.bestCpu, r.imp.bestCpu * 1e3,
                r.imp.bestCpu / r.mine.bestCpu, perMb * 1e3, perMb / fastest,
                r.mine.peakKb / 1024.0 - r.arraysMb, r.same ? "" : "  DIFFERS");
  }
  std::printf(
      "(processor time, best of %d runs for LoadPLY, %d for the others; targets: getline"
      " ratio >= 10x, assimp ratio >= 5x, ms/MB within 1.2x of the best, +MiB (peak"
      " memory beyond the arrays) <= 32)\n",
      runs, std::max(1, runs - 2));
  std::printf("every file: the getline reader gives LoadPLY's arrays bit for bit: %s\n",
              allSame ? "yes" : "NO");
}

// Both tangent routines over the first file's mesh, best of ten each.
void MeasureTangents(const std::string& path) {
  Mesh loaded;
  std::streambuf* out = std::cout.rdbuf(nullptr);
  loaded.LoadPLY(path.c_str());  // tangents on the first file
  std::cout.rdbuf(out);
  loaded.NewTangents();
  double byClass = 1e30, byArrays = 1e30;
  for (int r = 0; r < 10; ++r) {
    double cpu = CpuSeconds();
    loaded.ClassTangents();
    byClass = std::min(byClass, CpuSeconds() - cpu);
    cpu = CpuSeconds();
    loaded.CalcTangents();
    byArrays = std::min(byArrays, CpuSeconds() - cpu);
  }
  std::printf(
      "\ntangents (best of 10, cpu): ClassTangents %.2f ms, CalcTangents %.2f ms, ratio %.3f"
      " (target within 10%%)\n",
      byClass * 1e3, byArrays * 1e3, byClass / byArrays);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string path = argc > 1 ? argv[1] : "/tmp/trevalin_bench.ply";
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  const std::string stem = path.substr(0, path.rfind(".ply"));
  const struct {
    const char* name;
    const char* format;
    const char* tag;
  } formats[] = {{"%.6f, radius 1.3", nullptr, ""},
                 {"%f", "%f", "_f"},
                 {"%g", "%g", "_g"},
                 {"%.7f", "%.7f", "_7f"},
                 {"%.9g", "%.9g", "_9g"}};

  // A fixed threshold: every large array is mapped and returned when freed,
  // so that each load's peak memory shows, whatever ran before.
  mallopt(M_MMAP_THRESHOLD, 1 << 20);
  std::vector<Row> rows;
  for (const auto& f : formats) {
    Row row;
    row.format = f.name;
    row.path = f.format ? stem + f.tag + ".ply" : path;
    if (!std::ifstream(row.path)) {
      std::printf("generating %s ...\n", row.path.c_str());
      std::fflush(stdout);
      Generate(row.path, f.format);
    }
    row.megabytes = Warm(row.path);
    rows.push_back(row);
  }
  // Round by round over the files, so that a busy spell of the machine
  // slows them all alike.
  for (int r = 0; r < runs; ++r)
    for (Row& row : rows) LoadRound(row, r == 0);
  bool allSame = true;
  for (Row& row : rows) {
    Others(row, std::max(1, runs - 2));
    allSame &= row.same;
  }

  PrintTable(rows, runs, allSame);
  MeasureTangents(path);
  return allSame ? 0 : 1;
}
