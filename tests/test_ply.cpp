#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "LineReader.h"
#include "Mesh.h"
#include "support.h"

static std::string uploads;

extern "C" uint32_t __wrap_SDL_GetTicks() {  // a millisecond a reading
  static uint32_t ticks = 0;
  return ++ticks;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

using testsupport::Stdout;

template <typename T>
std::string Values(const char* name, const T* a, uint64_t n) {
  std::ostringstream out;
  for (uint64_t k = 0; a && k < n; ++k) out << " " << a[k];
  return a ? std::string(" | ") + name + out.str() : "";
}

// From a file (chunk 0) or from memory; in chunks of 7 every data line by the exact rules alone,
// as the fast path must read it.
std::string Load(const std::string& text, size_t chunk, size_t maxLine = 40) {
  testsupport::TempDir dir;
  Mesh m;
  std::string error;
  const std::string out = Stdout([&] {
    error = testsupport::Thrown([&] {
      if (chunk == 0) m.LoadPLY(dir.Write("m.ply", text).c_str());
      if (chunk != 0) m.ReadPLY(TextSource::Memory(text, chunk, maxLine), chunk == 7);
    });
  });
  const uint64_t nv = m.NumVertices(), nt = m.NumTriangles();
  return std::regex_replace(out, std::regex("[A-Za-z]+: (\\d+)\n"), "$1;") +
         Values("v", m.Vertices(), 3 * nv) + Values("n", m.Normals(), 3 * nv) +
         Values("t", m.TexCoords(), 2 * nv) + Values("i", m.Indices(), 3 * nt) +
         (error.empty() ? "" : " | " + error);
}

// Names: the properties, "#" a comment among them; faces < 0: no face element.
std::string Header(int vertices, const std::string& names, int faces, std::string h = "") {
  h = "ply\nformat ascii 1.0\n" + h + "element vertex " + std::to_string(vertices) + "\n";
  std::istringstream in(names);
  for (std::string n; in >> n;) h += n == "#" ? "comment\n" : "property float " + n + "\n";
  if (faces >= 0) h += "element face " + std::to_string(faces) + "\nproperty list uchar int i\n";
  return h + "end_header\n";
}

const std::string kTri = Header(3, "x y z", 1) + "0 0 0\n1 0 0\n0 1 0\n";
const std::string k331 = "3;3;1;", kTriLoaded = k331 + " | v 0 0 0 1 0 0 0 1 0 | i";

const std::vector<std::pair<std::string, std::string>> kLoads = {
    {Header(3, "x y z", 1, "comment\n") + "0 0 0\n1 0 0\n0 1 0\n3 0 1 2 9\n",
     kTriLoaded + " 0 1 2"},
    {Header(1, "x y z r g b", 0) + "1 2 3 255 128 0\n",  // taken by position
     "1;6;0; | v 1 2 3 | n 255 128 0 | i"},
    {Header(1, "x y z a b c d", 0) + "1 2 3 4 5 6 7\n", "1;7;0; | v 1 2 3 | n 4 5 6 | i"},
    {Header(2, "x y z a b c u v", 0) + "1 2 3 4 5 6 7 8 9\n0 0 0 0 0 1 .5\n",
     "2;8;0; | v 1 2 3 0 0 0 | n 4 5 6 0 0 1 | t 7 8 0.5 0 | i"},
    {Header(1, "x y z a b c # u", 0) + "1 2 3 4 5 6 7\n",  // a comment ends the run
     "1;6;0; | v 1 2 3 | n 4 5 6 | i"},
    // The first face element: before the vertices, its count after blanks, late in a long line.
    {Header(3, "x y z", -1, "element face \t 1\n") + "0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n",
     kTriLoaded + " 0 1 2"},
    {Header(1, "x y z", 1, std::string(28, 'a') + "element face 5" + std::string(300, 'b') + "\n") +
         "1 2 3\n",
     "1;3;0; | v 1 2 3 | i"},
    {Header(1, "x y z", 1, std::string(55, 'a') + "element face 5" + std::string(300, 'b') + "\n") +
         "1 2 3\n",
     "1;3;0; | v 1 2 3 | i"},  // across the seam of two later reads
    {"ply\nformat ascii 1.0\nelement vertex x\nproperty float x\nend_header\n1\n",
     "0;1; | v | i"},                                     // a count that cannot be read
    {"ply\nformat ascii 1.0\nend_header\n", " | v | i"},  // no element at all
    {Header(5, "x y z", 0) + "+1.5 -2e1 .5\n\t 4 5e-50 6\r\n1 x 3\n1e50 2 3\n1.5.25 7\n",
     "5;3;0; | v 1.5 -20 0.5 4 0 6 1 0 0 3.40282e+38 0 0 1.5 0.25 7 | i"},
    // Tokens a stream refuses, though from_chars takes them or a part of them.
    {Header(6, "x y z", 0) + "+-1 2 3\ninf 2 3\n1 nan 3\n0x1p3 2 3\n1e 2 3\n2 1e5e 3\n",
     "6;3;0; | v 0 0 0 0 0 0 1 0 0 0 0 0 0 0 0 2 100000 0 | i"},
    {Header(3, "x y z", 1) + "1 2 3\n4 5 6",  // lines the file lacks hold 0
     k331 + " | v 1 2 3 4 5 6 0 0 0 | i 0 0 0"},
    {kTri + " \t+3 2 x 1\n", kTriLoaded + " 2 0 0"},
    {kTri + "3 1 + 2\n", kTriLoaded + " 1 0 0"},         // a sign alone is no number
    {kTri + "3 0 1\n3 0 1 2\n", kTriLoaded + " 0 1 0"},  // its line alone
    // Without a face element, the search for one reads through the data.
    {Header(1, "x y z", -1) + "1 2 3\n", "1;3; | v 0 0 0 | i"},
    {"ply\nformat ascii 1.0\nelement vertex 1\nproperty float x", "1; | v 0 0 0 | i"},
    {"ply\nformat ascii 1.0\nelement vertex 1\nproperty float x\nelement face 0",
     "1;1;0; | v 0 0 0 | i"},  // found again after a rewind
    {"ply\nformat ascii 1.0\nelement vertex 1\nproperty float " + std::string(50, 'x'),
     "1; | v 0 0 0 | i"},
    {Header(0, "x y z", 0), "0;3;0; | v | i"},
    {Header(0, "x", 1), "0;1;1; | Mesh::LoadPly - Vertex index out of range"},
    {"ply\nformat ascii 1.0\nelement vertex 99999999999999999999\nproperty float x\n"  // saturated
     "element face 18446744073709551610\nend_header\n",  // the largest but five
     "18446744073709551615;1;18446744073709551610; | "
     "Mesh::LoadPly - Element count exceeds the file"},
};

TEST(PlyRead, FilesLoadOrAreRefusedAsTheirHeaderAndDataSay) {
  std::vector<std::pair<std::string, std::string>> cases = kLoads;
  for (const char* text : {"", "ply\r\nformat ascii 1.0\r\n", "ply \nformat ascii 1.0\n"})
    cases.push_back({text, " | Mesh::LoadPly - Not a PLY file"});
  for (const char* text : {"ply", "ply\ncomment\nformat ascii 1.0\n", "ply\nformat binary 1.0\n"})
    cases.push_back({text, " | Mesh::LoadPly - Not an ASCII PLY file"});
  for (const char* face :
       {"4 0 1 2 0", "-4294967293 0 1 2", "30 1 2", "x 0 1 2", "-3 0 1 2", "", "4294967299 0 1 2"})
    cases.push_back({kTri + face + "\n", k331 + " | Mesh::LoadPly - Not a triangular face"});
  for (const char* face : {"3 3 1 2", "3 0 3 2", "3 0 1 3", "3 0 -1 2", "3 0 1 4294967296"})
    cases.push_back({kTri + face + "\n", k331 + " | Mesh::LoadPly - Vertex index out of range"});
  for (const auto& [text, loaded] : cases)
    for (size_t n : {0, 1, 7, 20}) EXPECT_EQ(Load(text, n), loaded) << n << ": " << text;
  // Long lines keep the limit's bytes for their numbers: a count or an index cut short.
  EXPECT_EQ(Load("ply\nformat ascii 1.0\nelement vertex  5\n", 64, 16), "0;0; | v | i");
  for (size_t chunk : {1, 7, 400})
    EXPECT_EQ(
        Load(kTri + "3 0 1" + std::string(34, ' ') + "23" + std::string(300, ' ') + "\n", chunk),
        kTriLoaded + " 0 1 2");
}

// Every test build, GCC's too, runs the fuzzer's checks over its seed files; a failed check aborts.
TEST(PlyRead, TheFuzzersSeedFilesPassItsChecks) {
  int replayed = 0;
  Stdout([&replayed] {  // the reader's progress lines
    for (const auto& file : std::filesystem::directory_iterator(TREVALIN_FUZZ_CORPUS)) {
      // Exactly the input's size, as libFuzzer passes it, so that a read past the end shows.
      std::ifstream in(file.path(), std::ios::binary);
      const std::vector<uint8_t> bytes(std::istreambuf_iterator<char>(in), {});
      replayed += LLVMFuzzerTestOneInput(bytes.data(), bytes.size()) == 0;
    }
  });
  EXPECT_GT(replayed, 0);
}

TEST(PlyRead, NumbersReadTheSameUnderADecimalComma) {
  const std::string text = Header(1, "x y z", 0) + "1.5e50 -2.25e-50 0.5\n", before = Load(text, 7);
  // LOCPATH: where the test's own locales go.
  if (!std::getenv("LOCPATH") ||
      std::system("localedef -i de_DE -f UTF-8 \"$LOCPATH/comma\" >/dev/null 2>&1") != 0 ||
      !std::setlocale(LC_ALL, "comma"))
    GTEST_SKIP() << "no locale with a decimal comma: localedef and Debian's locales make one";
  const std::string after = Load(text, 7);
  std::setlocale(LC_ALL, "C");
  EXPECT_EQ(after, before);
}

// Reads past the end stay failed, as a stream's do. The search across a long line's seams keeps
// needle-sized pieces: a longer needle is refused.
TEST(PlyRead, LineReadersKeepTheirLimits) {
  std::string_view line;
  LineReader reader(TextSource::Memory("first\nlast"));
  reader.GetLine(line);
  reader.Rewind();  // the first line again, not what followed it
  EXPECT_TRUE(reader.GetLine(line) && line == "first" && reader.GetLine(line) && line == "last");
  EXPECT_TRUE(!reader.GetLine(line) && line.empty());
  reader.Rewind();
  EXPECT_FALSE(reader.GetLine(line));
  EXPECT_TRUE(LineReader(TextSource::Memory("text")).GetLine(line, std::string(16, 'n')));
  EXPECT_THROW(LineReader(TextSource::Memory("text")).GetLine(line, std::string(17, 'n')),
               std::invalid_argument);
}

// 7: a vertex no triangle has; a zero determinant repeats the previous tangent (NaN at first); in
// the last case any slip in a coordinate difference turns the determinant's sign.
TEST(PlyRead, BothTangentRoutinesWriteEachTrianglesTangentToItsVertices) {
  const float nan = std::nanf(""), x = -0.324443f, y = -0.486664f, z = -0.811107f, s = -0.447214f,
              d = 0.894427f, a = 0.674926f, b = 0.571092f, c = 0.467257f, e = 0.441836f,
              f = -0.694314f, g = -0.568075f;
  const std::string uv = "x y z a b c u v";
  const std::pair<std::string, std::vector<float>> cases[] = {
      {Header(5, uv, 3) + "0 0 0 0 0 1 .5 .5\n1 0 0 0 0 1 .5 .5\n9 9 9 0 0 1 0 0\n" +
           "2 3 6 0 0 1 -2.5 1.5\n0 0 1 0 0 1 -.5 1.5\n3 0 1 0\n3 0 3 4\n3 3 3 4\n",
       {x, y, z, nan, nan, nan, 7, 7, 7, x, y, z, x, y, z}},
      {Header(5, uv, 2) + "9 9 9 0 0 1 0 0\n0 0 0 0 0 1 0 0\n1 0 0 0 0 1 1 0\n" +
           "0 1 0 0 0 1 0 1\n0 0 2 0 0 1 1 1\n3 1 2 3\n3 4 3 2\n",
       {7, 7, 7, 1, 0, 0, 0, s, d, 0, s, d, 0, s, d}},
      {Header(6, uv, 2) + "0 0 0 0 0 1 .1 .2\n1 2 3 0 0 1 .7 .5\n-2 1 4 0 0 1 .3 .9\n" +
           "0 0 0 0 0 1 1e-18 2e-18\n1 2 3 0 0 1 7e-18 5e-18\n-2 1 4 0 0 1 3e-18 9e-18\n" +
           "3 0 1 2\n3 3 4 5\n",
       {a, b, c, a, b, c, a, b, c, a, b, c, a, b, c, a, b, c}},
      {Header(6, uv, 2) + "0 0 0 0 0 1 -.5 -2\n1 0 0 0 0 1 0 2\n0 1 0 0 0 1 0 0\n" +
           "2 -1 1 0 0 1 1 .5\n1 2 3 0 0 1 1 0\n-2 1 4 0 0 1 .5 2\n3 0 1 2\n3 3 4 5\n",
       {s, d, 0, s, d, 0, s, d, 0, e, f, g, e, f, g, e, f, g}},
      {kTri + "3 0 1 2\n", {}},  // without texture coordinates there is nothing to work out
  };
  for (const auto& [text, tangents] : cases) {
    Mesh m;
    Stdout([&m, source = TextSource::Memory(text)] { m.ReadPLY(source); });
    for (auto routine : {&Mesh::ClassTangents, &Mesh::CalcTangents}) {
      float* const got = m.NewTangents();
      std::fill(got, got + tangents.size(), 7.0f);
      (m.*routine)();
      for (size_t i = 0; i < tangents.size(); ++i)
        EXPECT_TRUE(std::isnan(tangents[i]) ? std::isnan(got[i])
                                            : std::abs(got[i] - tangents[i]) < 2e-6)
            << i << ": " << got[i];
    }
  }
}

using MeshFile = testsupport::GLTest;
TEST_F(MeshFile, ConstructionChecksTheNameLoadsAndUploadsEachArrayOnceTangentsFirst) {
  testsupport::TempDir dir;
  EXPECT_EQ(Stdout([&] { EXPECT_THROW(Mesh(dir.Write("M.PLY", "")), std::invalid_argument); }), "");
  EXPECT_EQ(Mesh().NumVertices() + Mesh().NumTriangles(), 0u) << "an empty mesh";
  EXPECT_EQ(testsupport::Thrown([&] { Mesh none(dir.File("none.ply")); }),
            "Mesh::LoadPly - No such file!");
  std::filesystem::create_directory(dir.File("d.ply"));  // opens where POSIX is, but reads fail
  EXPECT_THROW(Mesh(dir.File("d.ply")), std::domain_error);
  const std::string path =
      dir.Write("x.ply.txt", Header(3, "x y z a b c u v", 2) +  // ".ply" will do
                                 "0 0 0 0 0 1 0 0\n1 0 0 0 0 1 1 0\n0 1 0 0 0 1 0 1\n"
                                 "3 0 1 2\n3 2 1 0\n");
  testsupport::Spy(glBufferData, [](GLenum target, GLsizeiptr size, const void* data, GLenum) {
    uploads += (target == GL_ARRAY_BUFFER ? "array " : "indices ") + std::to_string(size);
    if (target == GL_ARRAY_BUFFER) uploads += " from " + std::to_string(*(const float*)data);
    uploads += "; ";
  });
  __wrap_SDL_GetTicks();  // a reading that the load's own start drops
  std::unique_ptr<Mesh> m;
  const std::string out = Stdout([&] { m = std::make_unique<Mesh>(path); });
  m->SetupVBO();  // nothing left to send
  EXPECT_EQ(out, "Mesh: Loading " + path +
                     "\nVertices: 3\nProperties: 8\nTriangles: 2\nMesh: PLY loading: 1ms\n"
                     "Mesh: Tangents calculations (with classes): 1ms\n");
  EXPECT_EQ(uploads,
            "array 36 from 1.000000; array 36 from 0.000000; array 36 from 0.000000; "
            "array 24 from 0.000000; indices 24; ");
}

}  // namespace
