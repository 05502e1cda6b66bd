#include <algorithm>
#include <cfloat>
#include <cmath>
#include <memory>
#include <optional>
#include <random>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <tuple>

#include "LineReader.h"
#include "Mesh.h"
#include "support.h"

namespace {

using testsupport::Stdout;
using Floats = std::vector<float>;
using Indices = std::vector<uint32_t>;
constexpr std::nullopt_t none = std::nullopt;

// What a load leaves: the count lines it printed, the counts, the arrays (none: no array), what it threw.
struct Loaded {
  std::string printed;
  uint64_t vertices = 0, triangles = 0;
  std::optional<Floats> positions, normals, texCoords;
  std::optional<Indices> indices;
  std::string error{};
  auto Tied() const { return std::tie(printed, vertices, triangles, positions, normals, texCoords, indices, error); }
  bool operator==(const Loaded& o) const { return Tied() == o.Tied(); }
};
void PrintTo(const Loaded& l, std::ostream* out) { *out << testing::PrintToString(l.Tied()); }
Loaded Failed(const std::string& out, const std::string& why) { return {out, 0, 0, none, none, none, none, "Mesh::LoadPly - " + why}; }

template <typename T> auto Array(const T* a, uint64_t n) { return a ? std::optional(std::vector<T>(a, a + n)) : none; }
// Reads text from a file (chunk 0) or from memory in chunks, lines cut at 40; in chunks of 7, every
// data line by the exact rules alone, as the fast path must read it.
Loaded Load(const std::string& text, size_t chunk, size_t maxLine = 40) {
  testsupport::TempDir dir;
  Mesh m;
  std::string error;
  const std::string printed = Stdout([&] {
    try { chunk ? m.ReadPLY(TextSource::Memory(text, chunk, maxLine), chunk == 7) : m.LoadPLY(dir.Write("m.ply", text).c_str()); }
    catch (const std::domain_error& e) { error = e.what(); }
  });
  m.ClassTangents(), m.CalcTangents();  // without a tangent array both do nothing
  const uint64_t nv = m.NumVertices(), nt = m.NumTriangles();
  return {printed, nv, nt, Array(m.Vertices(), 3 * nv), Array(m.Normals(), 3 * nv), Array(m.TexCoords(), 2 * nv),
          Array(m.Indices(), 3 * nt), error};
}

// Property names ("#" is a comment in the run); no face element if faces < 0.
std::string Header(int vertices, const std::string& names, int faces) {
  std::string h = "ply\nformat ascii 1.0\nelement vertex " + std::to_string(vertices) + "\n", n;
  for (std::istringstream in(names); in >> n;) h += n == "#" ? "comment in the run\n" : "property float " + n + "\n";
  if (faces >= 0) h += "element face " + std::to_string(faces) + "\nproperty list uchar int i\n";
  return h + "end_header\n";
}

const std::string kTri = "0 0 0\n1 0 0\n0 1 0\n";
const Floats kTri3 = {0, 0, 0, 1, 0, 0, 0, 1, 0};

TEST(PlyRead, FilesLoadOrFailAsTheirHeaderAndDataSay) {
  const std::string tri = Header(3, "x y z", 1) + kTri, c331 = "Vertices: 3\nProperties: 3\nTriangles: 1\n",
                    c10 = "Triangles: 0\n", noTriangle = "Not a triangular face", outOfRange = "Vertex index out of range",
                    exceeds = "Element count exceeds the file", noPly = "Not a PLY file", noAscii = "Not an ASCII PLY file";
  const auto vertex = [](int n, int p) { return "Vertices: " + std::to_string(n) + "\nProperties: " + std::to_string(p) + "\n"; };
  const std::pair<std::string, Loaded> cases[] = {
      {Header(3, "x y z", 1).insert(21, "comment\n") + kTri + "3 0 1 2 9\n", {c331, 3, 1, kTri3, none, none, Indices{0, 1, 2}}},
      {Header(1, "x y z r g b", 0) + "1 2 3 255 128 0\n",
       {vertex(1, 6) + c10, 1, 0, Floats{1, 2, 3}, Floats{255, 128, 0}, none, Indices{}}},
      {Header(1, "x y z a b c d", 0) + "1 2 3 4 5 6 7\n", {vertex(1, 7) + c10, 1, 0, Floats{1, 2, 3}, Floats{4, 5, 6}, none, Indices{}}},
      {Header(2, "x y z a b c u v", 0) + "1 2 3 4 5 6 7 8 9\n0 0 0 0 0 1 .5\n",
       {vertex(2, 8) + c10, 2, 0, Floats{1, 2, 3, 0, 0, 0}, Floats{4, 5, 6, 0, 0, 1}, Floats{7, 8, 0.5f, 0}, Indices{}}},
      {Header(1, "x y z a b c # u", 0) + "1 2 3 4 5 6 7\n", {vertex(1, 6) + c10, 1, 0, Floats{1, 2, 3}, Floats{4, 5, 6}, none, Indices{}}},
      {Header(3, "x y z", -1).insert(21, "element face 1\n") + kTri + "3 0 1 2\n", {c331, 3, 1, kTri3, none, none, Indices{0, 1, 2}}},
      // The first face element, across the limit of a long line: its count is read past the line's first 13 characters.
      {Header(1, "x y z", 1).insert(21, std::string(30, 'a') + "element face 5" + std::string(300, 'b') + "\n") + "1 2 3\n",
       {vertex(1, 3) + c10, 1, 0, Floats{1, 2, 3}, none, none, Indices{}}},
      {Header(5, "x y z", 0) + "+1.5 -2e1 .5\n\t 4 5 6\r\n1 x 3\n1e50 2 3\n1.5.25 7\n",
       {vertex(5, 3) + c10, 5, 0, Floats{1.5f, -20, 0.5f, 4, 5, 6, 1, 0, 0, FLT_MAX, 0, 0, 1.5f, 0.25f, 7}, none, none, Indices{}}},
      // Tokens a stream refuses, though from_chars takes them or a part of them.
      {Header(6, "x y z", 0) + "+-1 2 3\ninf 2 3\n1 nan 3\n0x1p3 2 3\n1e 2 3\n2 1e5e 3\n",
       {vertex(6, 3) + c10, 6, 0, Floats{0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 2, 1e5, 0}, none, none, Indices{}}},
      {Header(3, "x y z", 1) + "1 2 3\n4 5 6", {c331, 3, 1, Floats{1, 2, 3, 4, 5, 6, 0, 0, 0}, none, none, Indices{0, 0, 0}}},
      {tri + "+3 2 x 1\n", {c331, 3, 1, kTri3, none, none, Indices{2, 0, 0}}},
      // Without a face element, the search for one reads through the data.
      {Header(1, "x y z", -1) + "1 2 3\n", {vertex(1, 3), 1, 0, Floats{0, 0, 0}, none, none, Indices{}}},
      {"ply\nformat ascii 1.0\nelement vertex 1\nproperty float x", {"Vertices: 1\n", 1, 0, Floats{0, 0, 0}, none, none, Indices{}}},
      {"ply\nformat ascii 1.0\nelement vertex 1\nproperty float x\n", {vertex(1, 1), 1, 0, Floats{0, 0, 0}, none, none, Indices{}}},
      {Header(0, "x", 1), Failed(vertex(0, 1) + "Triangles: 1\n", outOfRange)},  // a missing face holds vertex 0
      {Header(1000, "x", 0), Failed(vertex(1000, 1) + c10, exceeds)},
      {Header(1, "x", 1000) + "1\n3 0 0 0\n", Failed(vertex(1, 1) + "Triangles: 1000\n", exceeds)},
  };
  std::vector<std::pair<std::string, Loaded>> all(std::begin(cases), std::end(cases));
  // Refused: the first two lines unless exactly as they should be, a face not of 3 vertices or with an
  // index not below the vertex count.
  for (const char* text : {"", "ply\r\nformat ascii 1.0\r\n", "ply \nformat ascii 1.0\n"}) all.push_back({text, Failed("", noPly)});
  for (const char* text : {"ply", "ply\ncomment first\nformat ascii 1.0\n", "ply\nformat binary_little_endian 1.0\n"})
    all.push_back({text, Failed("", noAscii)});
  for (const char* face : {"4 0 1 2 0", "x 0 1 2", "-3 0 1 2", "", "4294967299 0 1 2"})
    all.push_back({tri + face + "\n", Failed(c331, noTriangle)});
  for (const char* face : {"3 3 1 2", "3 0 3 2", "3 0 1 3", "3 0 -1 2", "3 0 1 4294967296"})
    all.push_back({tri + face + "\n", Failed(c331, outOfRange)});
  for (const auto& [text, loaded] : all)  // from a file; from memory in small chunks
    for (size_t chunk : {0, 1, 7}) EXPECT_EQ(Load(text, chunk), loaded) << text;
  // A line longer than the limit keeps that many bytes for its numbers: a count or an index cut short.
  EXPECT_EQ(Load("ply\nformat ascii 1.0\nelement vertex  5\n", 64, 16), (Loaded{vertex(0, 0), 0, 0, Floats{}, none, none, Indices{}}));
  for (size_t chunk : {1, 7, 400})
    EXPECT_EQ(Load(tri + "3 0 1" + std::string(34, ' ') + "23" + std::string(300, ' ') + "\n", chunk),
              (Loaded{c331, 3, 1, kTri3, none, none, Indices{0, 1, 2}}));
  Mesh m;  // a file that cannot be opened leaves the mesh empty
  EXPECT_THROW(m.LoadPLY("/none/m.ply"), std::domain_error);
  EXPECT_EQ(m.NumVertices() + m.NumTriangles(), 0u);
}

// One tangent per triangle, written to its three vertices (7: a vertex no triangle has); a zero
// determinant repeats the previous one (NaN at first). Both routines give the same.
TEST(PlyRead, BothTangentRoutinesWriteEachTrianglesTangentToItsVertices) {
  const float nan = std::nanf(""), x = -0.324443f, y = -0.486664f, z = -0.811107f, s = -0.447214f, d = 0.894427f;
  const struct { int faces; std::string data; Floats tangents; } cases[] = {
      {3, "0 0 0 0 0 1 .5 .5\n1 0 0 0 0 1 .5 .5\n9 9 9 0 0 1 0 0\n2 3 6 0 0 1 -2.5 1.5\n0 0 1 0 0 1 -.5 1.5\n3 0 1 0\n3 0 3 4\n3 3 3 4\n",
       {x, y, z, nan, nan, nan, 7, 7, 7, x, y, z, x, y, z}},
      {2, "9 9 9 0 0 1 0 0\n0 0 0 0 0 1 0 0\n1 0 0 0 0 1 1 0\n0 1 0 0 0 1 0 1\n0 0 2 0 0 1 1 1\n3 1 2 3\n3 4 3 2\n",  // none at vertex 0
       {7, 7, 7, 1, 0, 0, 0, s, d, 0, s, d, 0, s, d}}};
  for (const auto& c : cases) {
    Mesh m;
    Stdout([&] { m.ReadPLY(TextSource::Memory(Header(5, "x y z a b c u v", c.faces) + c.data)); });
    for (auto routine : {&Mesh::ClassTangents, &Mesh::CalcTangents}) {
      std::fill(m.NewTangents(), m.NewTangents() + 15, 7.0f), (m.*routine)();
      for (int i = 0; i < 15; ++i)
        EXPECT_TRUE(std::isnan(c.tangents[i]) ? std::isnan(m.NewTangents()[i]) : std::abs(m.NewTangents()[i] - c.tangents[i]) < 1e-6)
            << i << ": " << m.NewTangents()[i];
    }
  }
}

// Numbers as files print them, half of them halfway between two floats, read over several chunks as strtof reads them.
TEST(PlyRead, NumbersReadAsStrtofReadsThem) {
  std::mt19937 rnd(7);
  const char* formats[] = {"%.9g", "%.7f", "%g", "%.16g", "%+.3e", "% .17g", "%.12f", "%.0f"};
  std::string text = Header(20000, "x y z a b c u v", 0);
  Floats want[3];
  for (int i = 0; i < 8 * 20000; ++i) {
    char b[64];
    const float f = std::ldexp(float(int32_t(rnd())), int(rnd() % 60) - 50);
    snprintf(b, 64, formats[rnd() % 8], rnd() % 2 ? f : (f + double(std::nextafter(f, 0.f))) / 2);
    want[i % 8 / 3].push_back(std::strtof(b, nullptr));
    text += b + std::string(i % 8 == 7 ? "\n" : " ");
  }
  EXPECT_EQ(Load(text, 0), (Loaded{"Vertices: 20000\nProperties: 8\nTriangles: 0\n", 20000, 0, want[0], want[1], want[2], Indices{}}));
}

}  // namespace

// A seam in glBufferData: each upload noted as its target, size and first float.
static std::string uploads;
static PFNGLBUFFERDATAPROC real_glBufferData;
static void APIENTRY NotingBufferData(GLenum target, GLsizeiptr size, const void* data, GLenum use) {
  uploads += (target == GL_ARRAY_BUFFER ? "array " : "indices ") + std::to_string(size) + " bytes" +
             (target == GL_ARRAY_BUFFER && size ? " from " + testing::PrintToString(*static_cast<const float*>(data)) : "") + "; ";
  real_glBufferData(target, size, data, use);
}
static const testsupport::GLSeam seam(glBufferData, real_glBufferData, NotingBufferData);
namespace {

using MeshFile = testsupport::GLTest;
TEST_F(MeshFile, ConstructionChecksTheNameLoadsAndUploadsEachArrayOnceTangentsFirst) {
  testsupport::TempDir dir;
  EXPECT_EQ(Stdout([&] { EXPECT_THROW(Mesh(dir.Write("MODEL.PLY", "")), std::invalid_argument); }), "");
  const struct { std::string text, printed, uploads; } cases[] = {
      {Header(3, "x y z a b c", 1) + kTri + "3 0 1 2\n", "Vertices: 3\nProperties: 6\nTriangles: 1\nMesh: PLY loading: 0ms\n",
       "array 36 bytes from 0; array 36 bytes from 0; indices 12 bytes; "},
      {Header(3, "x y z a b c u v", 2) + "0 0 0 0 0 1 0 0\n1 0 0 0 0 1 1 0\n0 1 0 0 0 1 0 1\n3 0 1 2\n3 2 1 0\n",
       "Vertices: 3\nProperties: 8\nTriangles: 2\nMesh: PLY loading: 0ms\nMesh: Tangents calculations (with classes): 0ms\n",
       "array 36 bytes from 1; array 36 bytes from 0; array 36 bytes from 0; array 24 bytes from 0; indices 24 bytes; "},
      {Header(1, "x", 1) + "0\n4 0 0 0 0\n", "Vertices: 1\nProperties: 1\nTriangles: 1\n", ""}};  // refused
  for (const auto& c : cases) {
    const std::string path = dir.Write("x.ply.txt", c.text);  // ".ply" anywhere will do
    std::unique_ptr<Mesh> m;
    uploads.clear();
    const std::string out = Stdout([&] { try { m = std::make_unique<Mesh>(path); } catch (const std::domain_error&) {} });
    if (m) m->SetupVBO();  // a second upload has nothing left to send
    EXPECT_EQ(std::regex_replace(out, std::regex("\\d+ms"), "0ms"), "Mesh: Loading " + path + "\n" + c.printed);
    EXPECT_EQ(uploads, c.uploads);
  }
}

}  // namespace
