#include <GL/gl.h>
#include <GL/glext.h>
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "Mesh.h"
#include "gl_context.h"
#include "temp_dir.h"

// Linked with --wrap=glBufferData: every upload is noted as "A<bytes>" or
// "E<bytes>" (array or element buffer); the first upload's bytes are kept.
static std::string uploads;
static std::vector<char> firstUpload;
extern "C" void __real_glBufferData(GLenum, GLsizeiptr, const void*, GLenum);
extern "C" void __wrap_glBufferData(GLenum target, GLsizeiptr size, const void* data, GLenum use) {
  if (uploads.empty()) firstUpload.assign((const char*)data, (const char*)data + (data ? size : 0));
  uploads += (target == GL_ARRAY_BUFFER ? " A" : " E") + std::to_string(size);
  __real_glBufferData(target, size, data, use);
}

// What a mesh holds, as text: the counts, then each array or "-" for none.
struct MeshProbe {
  static std::string Take(const Mesh& m) {
    std::string s = std::to_string(m.numVertices) + "/" + std::to_string(m.numTriangles);
    auto add = [&](const auto* a, uint64_t n) {
      s += a ? " [" : " -";
      for (uint64_t i = 0; a && i < n; ++i) s += (i ? " " : "") + Number(a[i]);
      s += a ? "]" : "";
    };
    add(m.vertices, 3 * m.numVertices);
    add(m.normals, 3 * m.numVertices);
    add(m.texCoords, 2 * m.numVertices);
    add(m.indices, 3 * m.numTriangles);
    return s + (m.tangents ? " tangents" : "");
  }
  static std::string Number(float f) {
    char b[32];
    snprintf(b, sizeof b, "%.9g", f);
    return b;
  }
  static std::string Number(uint32_t i) { return std::to_string(i); }
  // Reads from memory in chunks of the given size; prints nothing.
  static std::string Read(const std::string& text, size_t chunk, size_t maxLine, bool byLine) {
    Mesh m;
    testing::internal::CaptureStdout();
    m.ReadPLY(Mesh::PlySource{-1, text.data(), text.size(), chunk, maxLine, byLine});
    testing::internal::GetCapturedStdout();
    return Take(m);
  }
};

namespace {

using testsupport::TempDir;

// Property names ("#" is a comment in the run); no face element if faces < 0.
std::string Header(int vertices, const std::string& names, int faces) {
  std::string h = "ply\nformat ascii 1.0\nelement vertex " + std::to_string(vertices) + "\n", n;
  for (std::istringstream in(names); in >> n;)
    h += n == "#" ? "comment in the run\n" : "property float " + n + "\n";
  if (faces >= 0) h += "element face " + std::to_string(faces) + "\nproperty list uchar int i\n";
  return h + "end_header\n";
}

// "V P T" as the progress lines; fewer numbers, fewer lines.
std::string Printed(const std::string& counts) {
  const char* labels[] = {"Vertices: ", "Properties: ", "Triangles: "};
  std::string out, n;
  int k = 0;
  for (std::istringstream in(counts); in >> n;) out += labels[k++] + n + "\n";
  return out;
}

struct Load {
  std::string out, mesh, error;
};
Load LoadText(const std::string& text, bool missing = false) {
  TempDir dir;
  Load l;
  Mesh m;
  testing::internal::CaptureStdout();
  try {
    m.LoadPLY(missing ? "/nonexistent/m.ply" : dir.Write("m.ply", text).c_str());
  } catch (const std::domain_error& e) {
    l.error = e.what();
  }
  l.out = testing::internal::GetCapturedStdout();
  l.mesh = MeshProbe::Take(m);
  return l;
}

const std::string kTri = "0 0 0\n1 0 0\n0 1 0\n";
const char* kTriMesh = "3/1 [0 0 0 1 0 0 0 1 0] - - [0 1 2]";

TEST(PlyRead, GoodFilesInEveryChunkingAndWithoutTheFastPath) {
  const struct {
    std::string text, counts, mesh;
  } cases[] = {
      {Header(3, "x y z", 1).insert(21, "comment\n") + kTri + "3 0 1 2 9\n", "3 3 1", kTriMesh},
      {Header(2, "x y z a b c", 0) + "1 2 3 4 5 6\n7 8 9 1 2 3\n", "2 6 0",
       "2/0 [1 2 3 7 8 9] [4 5 6 1 2 3] - []"},
      {Header(1, "x y z a b c d", 0) + "1 2 3 4 5 6 7\n", "1 7 0", "1/0 [1 2 3] [4 5 6] - []"},
      {Header(1, "x y z a b c u v", 0) + "1 2 3 4 5 6 .25 -0.5\n", "1 8 0",
       "1/0 [1 2 3] [4 5 6] [0.25 -0.5] []"},
      {Header(1, "x y z red green blue", 0) + "1 2 3 255 128 0\n", "1 6 0",
       "1/0 [1 2 3] [255 128 0] - []"},
      {Header(1, "x y z a b c # u v", 0) + "1 2 3 4 5 6 7 8\n", "1 6 0",
       "1/0 [1 2 3] [4 5 6] - []"},
      {Header(0, "x y z", 0), "0 3 0", "0/0 [] - - []"},
      // The face element comes first: only the rewind finds it.
      {"ply\nformat ascii 1.0\nelement face 1\nproperty list uchar int i\nelement vertex 3\n"
       "property float x\nproperty float y\nproperty float z\nend_header\n" + kTri + "3 0 1 2\n",
       "3 3 1", kTriMesh},
      {Header(5, "x y z", 0) + "+1.5 -2e1 .5\n\t 4 5 6\r\n1 x 3\n1e50 2 3\n1.5.25 7\n", "5 3 0",
       "5/0 [1.5 -20 0.5 4 5 6 1 0 0 3.40282347e+38 0 0 1.5 0.25 7] - - []"},
      {Header(3, "x y z", 2) + "1 2 3\n4 5 6", "3 3 2",
       "3/2 [1 2 3 4 5 6 0 0 0] - - [0 0 0 0 0 0]"},
      {Header(3, "x y z", 1) + kTri + "3 2 x 1\n", "3 3 1", "3/1 [0 0 0 1 0 0 0 1 0] - - [2 0 0]"},
      {"ply\nformat ascii 1.0\nelement vertex 1\r\nproperty float x\r\nelement face 0\r\n"
       "end_header\r\n7\r\n", "1 1 0", "1/0 [7 0 0] - - []"},
      // No face element: its search from the start eats the data.
      {Header(1, "x y z", -1) + "1 2 3\n", "1 3", "1/0 [0 0 0] - - []"},
      {"ply\nformat ascii 1.0\ncomment nothing\n", "", "0/0 [] - - []"},
      {"ply\nformat ascii 1.0\nelement vertex 1\nproperty float x", "1", "1/0 [0 0 0] - - []"},
      {"ply\nformat ascii 1.0\nelement vertex 1\nproperty float x\n", "1 1", "1/0 [0 0 0] - - []"},
  };
  for (const auto& c : cases) {
    const Load l = LoadText(c.text);
    EXPECT_EQ(l.error, "") << c.text;
    EXPECT_EQ(l.out, Printed(c.counts)) << c.text;
    EXPECT_EQ(l.mesh, c.mesh) << c.text;
    for (size_t chunk : {1, 2, 7, 64})
      for (bool byLine : {false, true})
        EXPECT_EQ(MeshProbe::Read(c.text, chunk, 80, byLine), c.mesh) << chunk << "\n" << c.text;
  }
}

TEST(PlyRead, OverlongLinesAreSearchedWholeButReadOnlyAsFarAsTheLimit) {
  // The face element hides at the end of a long comment: it is found, so the
  // real one is not. A limit of 16 cuts the count off "element vertex  5".
  const std::string text = Header(1, "x y z", 1).insert(21, std::string(300, 'a') +
                                                            " element face 5\n") + "1 2 3\n";
  EXPECT_EQ(LoadText(text).out, Printed("1 3 0"));
  for (size_t limit : {16, 17, 40})
    for (size_t chunk : {1, 5, 1000})
      EXPECT_EQ(MeshProbe::Read(text, chunk, limit, false), "1/0 [1 2 3] - - []") << limit;
  EXPECT_EQ(MeshProbe::Read("ply\nformat ascii 1.0\nelement vertex  5\n", 4, 16, false),
            "0/0 [] - - []");
}

TEST(PlyRead, FailuresThrowAndLeaveTheMeshEmpty) {
  const std::string tri = Header(3, "x y z", 1) + kTri;
  const std::string notPly = "Not a PLY file", notAscii = "Not an ASCII PLY file",
                    notTriangle = "Not a triangular face", range = "Vertex index out of range",
                    exceeds = "Element count exceeds the file";
  const struct {
    std::string text, message;
  } cases[] = {
      {"", notPly}, {"ply\r\nformat ascii 1.0\r\n", notPly}, {"ply \nformat ascii 1.0\n", notPly},
      {"ply", notAscii}, {"ply\ncomment first\nformat ascii 1.0\n", notAscii},
      {"ply\nformat binary_little_endian 1.0\n", notAscii}, {"ply\nformat ascii 1.0 \n", notAscii},
      {tri + "4 0 1 2 0\n", notTriangle}, {tri + "x 0 1 2\n", notTriangle},
      {tri + "\n", notTriangle},
      {tri + "99999999999 0 1 2\n", notTriangle}, {tri + "3 0 1 3\n", range},
      {tri + "3 0 -1 2\n", range}, {tri + "3 0 1 4294967296\n", range}, {Header(0, "x", 1), range},
      {Header(2147483647, "x", 0), exceeds}, {Header(1000, "x", 0), exceeds},
      {Header(1, "x", 1000) + "1\n3 0 0 0\n", exceeds},
      {"ply\nformat ascii 1.0\nelement vertex 2147483648\n", exceeds},
      {"ply\nformat ascii 1.0\nelement vertex -1\n", exceeds}, {"", "No such file!"},
  };
  for (const auto& c : cases) {
    const Load l = LoadText(c.text, c.message == "No such file!");
    EXPECT_EQ(l.error, "Mesh::LoadPly - " + c.message) << c.text;
    EXPECT_EQ(l.mesh, "0/0 - - - -") << c.text;
  }
}

// Every well-formed number reads as strtof reads it (overflow: the largest
// float), whichever path the reader takes for it.
TEST(PlyRead, NumbersReadAsStrtofReadsThem) {
  std::vector<std::string> tokens;
  std::istringstream fixed("16777217 33554431.5 0.1 -0.000000 3.5e38 -1e39 1e-45 7e-46 1e-50 .5 5."
                           " +.25 000000000000000000001.5 123456789012345678901234567890 2.5E+3");
  for (std::string t; fixed >> t;) tokens.push_back(t);
  uint32_t seed = 7;
  auto rnd = [&](uint32_t n) { return (seed = seed * 1103515245u + 12345u) / 65536 % n; };
  for (int i = 0; i < 20000; ++i) {
    std::string t = rnd(3) == 0 ? "-" : rnd(5) == 0 ? "+" : "";
    const uint32_t whole = rnd(11), frac = whole ? rnd(11) : 1 + rnd(10);
    for (uint32_t d = 0; d < whole; ++d) t += char('0' + rnd(10));
    if (frac || rnd(2)) t += '.';
    for (uint32_t d = 0; d < frac; ++d) t += char('0' + rnd(10));
    tokens.push_back(rnd(6) ? t : t + "e" + std::to_string(int(rnd(61)) - 30));
  }
  std::string text = Header(tokens.size(), "x", 0), want = std::to_string(tokens.size()) + "/0 [";
  for (size_t i = 0; i < tokens.size(); ++i) {
    text += tokens[i] + " 2 3\n";
    const float f = std::strtof(tokens[i].c_str(), nullptr);
    want += (i ? " " : "") + (std::isinf(f) ? MeshProbe::Number(std::copysign(FLT_MAX, f)) + " 0 0"
                                            : MeshProbe::Number(f) + " 2 3");
  }
  EXPECT_EQ(LoadText(text).mesh, want + "] - - []");
}

// A generated grid written with round-trip precision reads back bit for bit.
TEST(PlyRead, RoundTripOfAGeneratedMesh) {
  const uint32_t n = 40, faces = 2 * (n - 1) * (n - 1);
  std::string text = Header(n * n, "x y z a b c u v", faces), face, want[4];
  char line[256];
  for (uint32_t i = 0; i < n * n; ++i) {
    const float v[8] = {i % n * 0.1f, i / n * -0.37f, 1e-7f * i, .6f, -.8f, 0, i % n / 39.f, .1f};
    snprintf(line, sizeof line, "%.9g %.9g %.9g %.9g %.9g %.9g %.9g %.9g\n", v[0], v[1], v[2],
             v[3], v[4], v[5], v[6], v[7]);
    text += line;
    for (int k = 0; k < 8; ++k) want[k / 3] += " " + MeshProbe::Number(v[k]);
    if (i % n + 1 == n || i / n + 1 == n) continue;
    for (uint32_t k : {i, i + 1, i + n, i + 1, i + n + 1, i + n})
      want[3] += " " + std::to_string(k);
    snprintf(line, sizeof line, "3 %u %u %u\n3 %u %u %u\n", i, i + 1, i + n, i + 1, i + n + 1,
             i + n);
    face += line;
  }
  std::string expected = std::to_string(n * n) + "/" + std::to_string(faces);
  for (auto& w : want) expected += " [" + w.substr(1) + "]";
  EXPECT_EQ(LoadText(text + face).mesh, expected);
}

// Construction: the name check, progress lines, upload and drawing.
class MeshFile : public testsupport::GLTest {
 protected:
  TempDir dir;
};

TEST_F(MeshFile, RefusedNamesPrintNothingAndFailedLoadsNoTiming) {
  for (const char* name : {"model.obj", "MODEL.PLY", "model.Ply"}) {
    testing::internal::CaptureStdout();
    try {
      Mesh m(dir.Write(name, Header(0, "x", 0)));
      ADD_FAILURE() << name;
    } catch (const std::invalid_argument& e) {
      EXPECT_STREQ(e.what(), "Mesh::Mesh - unrecognized file extension");
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << name;
  }
  const std::string path = dir.Write("bad.ply", Header(1, "x", 1) + "0\n4 0 0 0 0\n");
  uploads.clear();
  testing::internal::CaptureStdout();
  EXPECT_THROW(Mesh m(path), std::domain_error);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Mesh: Loading " + path + "\n" + Printed("1 1 1"));
  EXPECT_EQ(uploads, "");
}

TEST_F(MeshFile, UploadsEachArrayOnceTangentsFirstThenDraws) {
  const std::string uv = "0 0 0 0 0 1 0 0\n1 0 0 0 0 1 1 0\n0 1 0 0 0 1 0 1\n3 0 1 2\n3 2 1 0\n";
  const struct {
    std::string text, uploads;
    GLuint triangles;
  } cases[] = {
      {Header(3, "x y z", 1) + kTri + "3 0 1 2\n", " A36 E12", 1},
      {Header(3, "x y z a b c d", 1) + kTri + "3 0 1 2\n", " A36 A36 E12", 1},
      {Header(3, "x y z a b c u v", 2) + uv, " A36 A36 A36 A24 E24", 2},  // tangents first
      {Header(0, "x y z", 0), " A0 E0", 0},
  };
  for (const auto& c : cases) {
    const std::string path = dir.Write("x.ply.txt", c.text);  // ".ply" anywhere will do
    uploads.clear();
    testing::internal::CaptureStdout();
    Mesh m(path);
    const std::string out = testing::internal::GetCapturedStdout();
    const bool tangents = c.uploads.size() > 15;
    const std::string timing = "Mesh: PLY loading: \\d+ms\n";
    const std::string tangentLine = "Mesh: Tangents calculations \\(with classes\\): \\d+ms\n";
    EXPECT_TRUE(std::regex_match(out, std::regex("Mesh: Loading " + path + "\n(\\w+: \\d+\n){3}" +
                                                 timing + (tangents ? tangentLine : ""))))
        << out;
    EXPECT_EQ(uploads, c.uploads);
    const float plusX[9] = {1, 0, 0, 1, 0, 0, 1, 0, 0};  // both triangles: u along +x
    if (tangents) {
      EXPECT_EQ(0, memcmp(firstUpload.data(), plusX, sizeof plusX));
    }
    uploads.clear();
    m.SetupVBO();
    EXPECT_EQ(uploads, "") << "a second upload has nothing left to send";

    GLuint query = 0, n = 99;
    glGenQueries(1, &query);
    glBeginQuery(GL_PRIMITIVES_GENERATED, query);
    m.Draw();
    glEndQuery(GL_PRIMITIVES_GENERATED);
    glGetQueryObjectuiv(query, GL_QUERY_RESULT, &n);
    glDeleteQueries(1, &query);
    EXPECT_EQ(n, c.triangles);
  }
}

}  // namespace
