#include <gtest/gtest.h>

#include <GL/gl.h>
#include <GL/glext.h>

#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <cstdio>
#include <memory>
#include <regex>
#include <stdexcept>
#include <string>
#include <vector>

#include "Mesh.h"
#include "gl_context.h"
#include "temp_dir.h"

// Linked with --wrap=glBufferData: every upload is recorded with its bytes.
struct Upload {
  GLenum target;
  std::vector<char> bytes;
};
static std::vector<Upload> uploads;
extern "C" void __real_glBufferData(GLenum, GLsizeiptr, const void*, GLenum);
extern "C" void __wrap_glBufferData(GLenum target, GLsizeiptr size, const void* data, GLenum usage) {
  const char* p = static_cast<const char*>(data);
  uploads.push_back({target, p ? std::vector<char>(p, p + size) : std::vector<char>()});
  __real_glBufferData(target, size, data, usage);
}

// What a mesh holds; absent arrays are marked, present ones copied.
struct Arrays {
  uint64_t numVertices = 0, numTriangles = 0;
  bool hasVertices = false, hasNormals = false, hasTexCoords = false, hasIndices = false;
  std::vector<float> vertices, normals, texCoords;
  std::vector<uint32_t> indices;
  bool operator==(const Arrays& o) const {
    return numVertices == o.numVertices && numTriangles == o.numTriangles &&
           hasVertices == o.hasVertices && hasNormals == o.hasNormals &&
           hasTexCoords == o.hasTexCoords && hasIndices == o.hasIndices && vertices == o.vertices &&
           normals == o.normals && texCoords == o.texCoords && indices == o.indices;
  }
};

struct MeshProbe {
  static Arrays Take(const Mesh& m) {
    Arrays a;
    a.numVertices = m.numVertices;
    a.numTriangles = m.numTriangles;
    Copy(m.vertices, 3 * m.numVertices, a.hasVertices, a.vertices);
    Copy(m.normals, 3 * m.numVertices, a.hasNormals, a.normals);
    Copy(m.texCoords, 2 * m.numVertices, a.hasTexCoords, a.texCoords);
    Copy(m.indices, 3 * m.numTriangles, a.hasIndices, a.indices);
    return a;
  }
  static bool Empty(const Mesh& m) {
    return !m.numVertices && !m.numTriangles && !m.vertices && !m.normals && !m.texCoords &&
           !m.indices && !m.tangents;
  }
  static void ReadMemory(Mesh& m, const std::string& text, size_t chunk, size_t maxLine,
                         bool lineByLine = false) {
    m.ReadPLY(Mesh::PlySource{-1, text.data(), text.size(), chunk, maxLine, lineByLine});
  }
  template <typename T>
  static void Copy(const T* p, uint64_t n, bool& has, std::vector<T>& out) {
    has = p != nullptr;
    if (p) out.assign(p, p + n);
  }
};

namespace {

using testsupport::TempDir;

const char* kXyzHeader =
    "ply\nformat ascii 1.0\ncomment made by hand\nelement vertex 3\nproperty float x\n"
    "property float y\nproperty float z\nelement face 1\n"
    "property list uchar int vertex_indices\nend_header\n";

std::string Header(int vertices, const std::vector<const char*>& properties, int faces) {
  std::string h = "ply\nformat ascii 1.0\nelement vertex " + std::to_string(vertices) + "\n";
  for (const char* p : properties) h += std::string("property float ") + p + "\n";
  return h + "element face " + std::to_string(faces) +
         "\nproperty list uchar int vertex_indices\nend_header\n";
}

struct Load {
  std::unique_ptr<Mesh> mesh = std::make_unique<Mesh>();
  std::string out;
  std::string error;  // what() of a domain_error, empty on success
};

Load LoadFile(const std::string& path) {
  Load l;
  testing::internal::CaptureStdout();
  try {
    l.mesh->LoadPLY(path.c_str());
  } catch (const std::domain_error& e) {
    l.error = e.what();
  }
  l.out = testing::internal::GetCapturedStdout();
  return l;
}

Load LoadText(const std::string& text) {
  TempDir dir;
  return LoadFile(dir.Write("m.ply", text));
}

struct Good {
  const char* name;
  std::string text;
  std::string out;
  Arrays want;
};

Arrays Want(std::vector<float> v, std::vector<float> n, std::vector<float> uv,
            std::vector<uint32_t> idx, bool hasN, bool hasUV) {
  Arrays a;
  a.numVertices = v.size() / 3;
  a.numTriangles = idx.size() / 3;
  a.hasVertices = a.hasIndices = true;
  a.hasNormals = hasN;
  a.hasTexCoords = hasUV;
  a.vertices = v;
  a.normals = n;
  a.texCoords = uv;
  a.indices = idx;
  return a;
}

const std::vector<float> kTri = {0, 0, 0, 1, 0, 0, 0, 1, 0};

std::vector<Good> GoodCases() {
  const std::string tri = "0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n";
  return {
      {"positions only", kXyzHeader + tri, "Vertices: 3\nProperties: 3\nTriangles: 1\n",
       Want(kTri, {}, {}, {0, 1, 2}, false, false)},
      {"six properties give normals",
       Header(3, {"x", "y", "z", "nx", "ny", "nz"}, 1) + "0 0 0 0 0 1\n1 0 0 0 0 1\n0 1 0 0 0 1\n3 2 1 0\n",
       "Vertices: 3\nProperties: 6\nTriangles: 1\n",
       Want(kTri, {0, 0, 1, 0, 0, 1, 0, 0, 1}, {}, {2, 1, 0}, true, false)},
      {"seventh value ignored",
       Header(3, {"x", "y", "z", "nx", "ny", "nz", "w"}, 1) + "0 0 0 0 0 1 9\n1 0 0 0 0 1 9\n0 1 0 0 0 1 9\n3 0 1 2\n",
       "Vertices: 3\nProperties: 7\nTriangles: 1\n",
       Want(kTri, {0, 0, 1, 0, 0, 1, 0, 0, 1}, {}, {0, 1, 2}, true, false)},
      {"eight properties give texture coordinates",
       Header(3, {"x", "y", "z", "nx", "ny", "nz", "u", "v"}, 1) +
           "0 0 0 0 0 1 0 0\n1 0 0 0 0 1 1 0\n0 1 0 0 0 1 0 1\n3 0 1 2\n",
       "Vertices: 3\nProperties: 8\nTriangles: 1\n",
       Want(kTri, {0, 0, 1, 0, 0, 1, 0, 0, 1}, {0, 0, 1, 0, 0, 1}, {0, 1, 2}, true, true)},
      {"colours are stored as normals",
       "ply\nformat ascii 1.0\nelement vertex 1\nproperty float x\nproperty float y\nproperty float z\n"
       "property uchar red\nproperty uchar green\nproperty uchar blue\nelement face 0\nend_header\n"
       "1 2 3 255 128 0\n",
       "Vertices: 1\nProperties: 6\nTriangles: 0\n", Want({1, 2, 3}, {255, 128, 0}, {}, {}, true, false)},
      {"a comment ends the property run",
       "ply\nformat ascii 1.0\nelement vertex 1\nproperty float x\nproperty float y\nproperty float z\n"
       "property float nx\nproperty float ny\nproperty float nz\ncomment texture next\n"
       "property float u\nproperty float v\nelement face 0\nend_header\n1 2 3 4 5 6 7 8\n",
       "Vertices: 1\nProperties: 6\nTriangles: 0\n", Want({1, 2, 3}, {4, 5, 6}, {}, {}, true, false)},
      {"zero vertices and faces", Header(0, {"x", "y", "z"}, 0),
       "Vertices: 0\nProperties: 3\nTriangles: 0\n", Want({}, {}, {}, {}, false, false)},
      {"extra face values ignored", kXyzHeader + std::string("0 0 0\n1 0 0\n0 1 0\n3 0 1 2 9\n"),
       "Vertices: 3\nProperties: 3\nTriangles: 1\n", Want(kTri, {}, {}, {0, 1, 2}, false, false)},
      {"face element before the vertex element is found by the rewind",
       "ply\nformat ascii 1.0\nelement face 1\nproperty list uchar int vertex_indices\n"
       "element vertex 3\nproperty float x\nproperty float y\nproperty float z\nend_header\n" + tri,
       "Vertices: 3\nProperties: 3\nTriangles: 1\n", Want(kTri, {}, {}, {0, 1, 2}, false, false)},
      {"numbers read as a stream reads them",
       Header(5, {"x", "y", "z"}, 0) + "+1.5 -2e1 .5\n\t 4 5 6\r\n1 x 3\n1e50 2 3\n1.5.25 7\n",
       "Vertices: 5\nProperties: 3\nTriangles: 0\n",
       Want({1.5f, -20, 0.5f, 4, 5, 6, 1, 0, 0, FLT_MAX, 0, 0, 1.5f, 0.25f, 7}, {}, {}, {}, false, false)},
      {"short file leaves zeros", Header(3, {"x", "y", "z"}, 2) + "1 2 3\n4 5 6",
       "Vertices: 3\nProperties: 3\nTriangles: 2\n",
       Want({1, 2, 3, 4, 5, 6, 0, 0, 0}, {}, {}, {0, 0, 0, 0, 0, 0}, false, false)},
      {"unreadable index is 0", kXyzHeader + std::string("0 0 0\n1 0 0\n0 1 0\n3 2 x 1\n"),
       "Vertices: 3\nProperties: 3\nTriangles: 1\n", Want(kTri, {}, {}, {2, 0, 0}, false, false)},
      {"Windows line ends after line 2",
       "ply\nformat ascii 1.0\nelement vertex 1\r\nproperty float x\r\nproperty float y\r\n"
       "property float z\r\nelement face 0\r\nend_header\r\n1 2 3\r\n",
       "Vertices: 1\nProperties: 3\nTriangles: 0\n", Want({1, 2, 3}, {}, {}, {}, false, false)},
      {"without a face element the search eats the data",
       "ply\nformat ascii 1.0\nelement vertex 1\nproperty float x\nproperty float y\nproperty float z\n"
       "end_header\n1 2 3\n",
       "Vertices: 1\nProperties: 3\n", Want({0, 0, 0}, {}, {}, {}, false, false)},
      {"no vertex element", "ply\nformat ascii 1.0\ncomment nothing here\n", "",
       Want({}, {}, {}, {}, false, false)},
      {"file ends inside the property run", "ply\nformat ascii 1.0\nelement vertex 1\nproperty float x",
       "Vertices: 1\n", Want({0, 0, 0}, {}, {}, {}, false, false)},
      {"file ends after the property run", "ply\nformat ascii 1.0\nelement vertex 1\nproperty float x\n",
       "Vertices: 1\nProperties: 1\n", Want({0, 0, 0}, {}, {}, {}, false, false)},
  };
}

TEST(PlyRead, GoodFiles) {
  for (const Good& c : GoodCases()) {
    SCOPED_TRACE(c.name);
    const Load l = LoadText(c.text);
    EXPECT_EQ(l.error, "");
    EXPECT_EQ(l.out, c.out);
    EXPECT_TRUE(MeshProbe::Take(*l.mesh) == c.want);
  }
}

// Chunk and line limits far below the real ones reach every buffer seam;
// reading line by line bypasses the fast token path.
TEST(PlyRead, ChunkBoundariesAndTheFastPathDoNotChangeTheResult) {
  for (const Good& c : GoodCases()) {
    SCOPED_TRACE(c.name);
    for (size_t chunk : {1, 2, 3, 7, 64}) {
      for (bool lineByLine : {false, true}) {
        Mesh m;
        testing::internal::CaptureStdout();
        MeshProbe::ReadMemory(m, c.text, chunk, 80, lineByLine);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.out) << chunk;
        EXPECT_TRUE(MeshProbe::Take(m) == c.want) << chunk << (lineByLine ? " line by line" : "");
      }
    }
  }
}

TEST(PlyRead, OverlongLinesAreSearchedWholeAndBounded) {
  // The face element hides at the end of a long comment; data lines carry
  // long tails. A limit of 16 bytes keeps only their heads.
  const std::string text = "ply\nformat ascii 1.0\nelement vertex 2\nproperty float x\n"
                           "property float y\nproperty float z\ncomment " +
                           std::string(300, 'a') + " element face 5\nelement face 1\nend_header\n" +
                           "1 2 3" + std::string(200, ' ') + "junk\n4 5 6\n";
  const Load whole = LoadText(text);
  EXPECT_EQ(whole.out, "Vertices: 2\nProperties: 3\nTriangles: 0\n");
  for (size_t limit : {16, 17, 40}) {
    for (size_t chunk : {1, 5, 1 << 20}) {
      Mesh m;
      testing::internal::CaptureStdout();
      MeshProbe::ReadMemory(m, text, chunk, limit);
      EXPECT_EQ(testing::internal::GetCapturedStdout(), whole.out) << limit << " " << chunk;
      EXPECT_TRUE(MeshProbe::Take(m) == MeshProbe::Take(*whole.mesh)) << limit << " " << chunk;
    }
  }
}

TEST(PlyRead, ACountIsReadFromTheKeptHeadOfAnOverlongLineOnly) {
  // 17 characters; a limit of 16 keeps "element vertex  ", which holds no count.
  Mesh m;
  testing::internal::CaptureStdout();
  MeshProbe::ReadMemory(m, "ply\nformat ascii 1.0\nelement vertex  5\n", 4, 16);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Vertices: 0\nProperties: 0\n");
}

TEST(PlyRead, FailuresThrowAndLeaveTheMeshEmpty) {
  const std::string tri = "0 0 0\n1 0 0\n0 1 0\n";
  const struct {
    std::string text;
    const char* message;
  } cases[] = {
      {"", "Mesh::LoadPly - Not a PLY file"},
      {"ply\r\nformat ascii 1.0\r\n", "Mesh::LoadPly - Not a PLY file"},
      {"ply \nformat ascii 1.0\n", "Mesh::LoadPly - Not a PLY file"},
      {"PLY\nformat ascii 1.0\n", "Mesh::LoadPly - Not a PLY file"},
      {"ply", "Mesh::LoadPly - Not an ASCII PLY file"},
      {"ply\ncomment first\nformat ascii 1.0\n", "Mesh::LoadPly - Not an ASCII PLY file"},
      {"ply\nformat binary_little_endian 1.0\n", "Mesh::LoadPly - Not an ASCII PLY file"},
      {"ply\nformat ascii 1.0 \n", "Mesh::LoadPly - Not an ASCII PLY file"},
      {kXyzHeader + tri + "4 0 1 2 0\n", "Mesh::LoadPly - Not a triangular face"},
      {kXyzHeader + tri + "x 0 1 2\n", "Mesh::LoadPly - Not a triangular face"},
      {kXyzHeader + tri + "\n", "Mesh::LoadPly - Not a triangular face"},
      {kXyzHeader + tri + "99999999999 0 1 2\n", "Mesh::LoadPly - Not a triangular face"},
      {kXyzHeader + tri + "3 0 1 3\n", "Mesh::LoadPly - Vertex index out of range"},
      {kXyzHeader + tri + "3 0 -1 2\n", "Mesh::LoadPly - Vertex index out of range"},
      {kXyzHeader + tri + "3 0 1 4294967296\n", "Mesh::LoadPly - Vertex index out of range"},
      {Header(0, {"x", "y", "z"}, 1), "Mesh::LoadPly - Vertex index out of range"},
      {Header(2147483647, {"x"}, 0), "Mesh::LoadPly - Element count exceeds the file"},
      {Header(1000, {"x"}, 0), "Mesh::LoadPly - Element count exceeds the file"},
      {Header(1, {"x"}, 1000) + "1\n3 0 0 0\n", "Mesh::LoadPly - Element count exceeds the file"},
      {"ply\nformat ascii 1.0\nelement vertex 2147483648\n",
       "Mesh::LoadPly - Element count exceeds the file"},
      {"ply\nformat ascii 1.0\nelement vertex -1\n", "Mesh::LoadPly - Element count exceeds the file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 60));
    const Load l = LoadText(c.text);
    EXPECT_EQ(l.error, c.message);
    EXPECT_TRUE(MeshProbe::Empty(*l.mesh));
  }
  TempDir dir;
  EXPECT_EQ(LoadFile(dir.File("missing.ply")).error, "Mesh::LoadPly - No such file!");
  EXPECT_EQ(LoadFile(dir.path()).error, "Mesh::LoadPly - Not a PLY file");
}

TEST(PlyRead, ASecondLoadReplacesTheFirst) {
  TempDir dir;
  const std::string big = dir.Write("a.ply", kXyzHeader + std::string("0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n"));
  const std::string bad = dir.Write("b.ply", "ply\nformat binary 1.0\n");
  Mesh m;
  testing::internal::CaptureStdout();
  m.LoadPLY(big.c_str());
  EXPECT_THROW(m.LoadPLY(bad.c_str()), std::domain_error);
  testing::internal::GetCapturedStdout();
  EXPECT_TRUE(MeshProbe::Empty(m));
}

// Every well-formed number reads as strtof reads it (overflow: the largest
// float), whichever path the reader takes for it.
TEST(PlyRead, NumbersReadAsStrtofReadsThem) {
  std::vector<std::string> tokens = {"16777216", "16777217", "16777219", "33554431.5", "0.1",
                                     "-0.000000", "3.4028235e38", "3.5e38", "-1e39", "1.17549435e-38",
                                     "1e-45", "7e-46", "1e-50", "00000000000000000000001.5",
                                     "0.000000000000000000000000000000000000000000001", ".5", "5.",
                                     "+.25", "123456789012345678901234567890", "2.5E+3"};
  uint32_t seed = 7;
  auto rnd = [&](uint32_t n) { return (seed = seed * 1103515245u + 12345u) / 65536 % n; };
  for (int i = 0; i < 20000; ++i) {
    std::string t = rnd(3) == 0 ? "-" : rnd(5) == 0 ? "+" : "";
    const uint32_t whole = rnd(11), frac = whole ? rnd(11) : 1 + rnd(10);
    for (uint32_t d = 0; d < whole; ++d) t += char('0' + rnd(10));
    if (frac || rnd(2)) t += '.';
    for (uint32_t d = 0; d < frac; ++d) t += char('0' + rnd(10));
    if (rnd(6) == 0) t += "e" + std::to_string(int(rnd(61)) - 30);
    tokens.push_back(t);
  }
  std::string text = Header(tokens.size(), {"x", "y", "z"}, 0);
  for (const std::string& t : tokens) text += t + " 2 3\n";
  const Load l = LoadText(text);
  const Arrays a = MeshProbe::Take(*l.mesh);
  ASSERT_EQ(a.vertices.size(), 3 * tokens.size());
  for (size_t i = 0; i < tokens.size(); ++i) {
    float want = std::strtof(tokens[i].c_str(), nullptr);
    const bool overflow = std::isinf(want);
    if (overflow) want = std::copysign(FLT_MAX, want);
    ASSERT_EQ(std::memcmp(&a.vertices[3 * i], &want, 4), 0)
        << tokens[i] << " read as " << a.vertices[3 * i] << ", strtof gives " << want;
    EXPECT_EQ(a.vertices[3 * i + 1], overflow ? 0.0f : 2.0f) << tokens[i];
  }
}

// A generated grid written with round-trip precision reads back bit for bit.
TEST(PlyRead, RoundTripOfAGeneratedMesh) {
  const int n = 40;
  std::vector<float> v, nrm, uv;
  std::vector<uint32_t> idx;
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      v.insert(v.end(), {x * 0.1f, y * -0.37f, 1e-7f * x * y});
      nrm.insert(nrm.end(), {0.6f, -0.8f, 0.0f});
      uv.insert(uv.end(), {x / float(n - 1), y / float(n - 1)});
    }
  for (uint32_t y = 0; y + 1 < n; ++y)
    for (uint32_t x = 0; x + 1 < n; ++x) {
      const uint32_t a = y * n + x;
      idx.insert(idx.end(), {a, a + 1, a + n, a + 1, a + n + 1, a + n});
    }
  std::string text = Header(n * n, {"x", "y", "z", "nx", "ny", "nz", "s", "t"}, idx.size() / 3);
  char line[256];
  for (int i = 0; i < n * n; ++i) {
    snprintf(line, sizeof line, "%.9g %.9g %.9g %.9g %.9g %.9g %.9g %.9g\n", v[3 * i], v[3 * i + 1],
             v[3 * i + 2], nrm[3 * i], nrm[3 * i + 1], nrm[3 * i + 2], uv[2 * i], uv[2 * i + 1]);
    text += line;
  }
  for (size_t f = 0; f < idx.size(); f += 3)
    text += "3 " + std::to_string(idx[f]) + " " + std::to_string(idx[f + 1]) + " " +
            std::to_string(idx[f + 2]) + "\n";
  const Load l = LoadText(text);
  ASSERT_EQ(l.error, "");
  EXPECT_TRUE(MeshProbe::Take(*l.mesh) == Want(v, nrm, uv, idx, true, true));
}

// ---------------------------------------------------------------------------
// Construction: name check, progress lines, upload

class MeshFile : public testsupport::GLTest {
 protected:
  void SetUp() override {
    GLTest::SetUp();
    uploads.clear();
  }
  TempDir dir;
};

TEST_F(MeshFile, NamesWithoutPlyAreRefusedSilently) {
  for (const char* name : {"model.obj", "MODEL.PLY", "model.Ply", "ply"}) {
    testing::internal::CaptureStdout();
    try {
      Mesh m(dir.Write(name, kXyzHeader));
      ADD_FAILURE() << name;
    } catch (const std::invalid_argument& e) {
      EXPECT_STREQ(e.what(), "Mesh::Mesh - unrecognized file extension");
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << name;
  }
}

TEST_F(MeshFile, UploadsEachArrayOnceTangentsFirst) {
  const std::string tri = "0 0 0\n1 0 0\n0 1 0\n";
  const struct {
    std::string text;
    std::vector<std::pair<GLenum, size_t>> uploads;  // target, bytes
    bool tangentLine;
  } cases[] = {
      {kXyzHeader + tri + "3 0 1 2\n", {{GL_ARRAY_BUFFER, 36}, {GL_ELEMENT_ARRAY_BUFFER, 12}}, false},
      {Header(3, {"x", "y", "z", "a", "b", "c", "d"}, 1) + "0 0 0 1 1 1\n1 0 0\n0 1 0\n3 0 1 2\n",
       {{GL_ARRAY_BUFFER, 36}, {GL_ARRAY_BUFFER, 36}, {GL_ELEMENT_ARRAY_BUFFER, 12}},
       false},
      {Header(3, {"x", "y", "z", "nx", "ny", "nz", "u", "v"}, 2) +
           "0 0 0 0 0 1 0 0\n1 0 0 0 0 1 1 0\n0 1 0 0 0 1 0 1\n3 0 1 2\n3 2 1 0\n",
       {{GL_ARRAY_BUFFER, 36},
        {GL_ARRAY_BUFFER, 36},
        {GL_ARRAY_BUFFER, 36},
        {GL_ARRAY_BUFFER, 24},
        {GL_ELEMENT_ARRAY_BUFFER, 24}},
       true},
      {Header(0, {"x", "y", "z"}, 0), {{GL_ARRAY_BUFFER, 0}, {GL_ELEMENT_ARRAY_BUFFER, 0}}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    uploads.clear();
    const std::string path = dir.Write("x.ply.txt", c.text);  // ".ply" anywhere will do
    testing::internal::CaptureStdout();
    Mesh m(path);
    const std::string out = testing::internal::GetCapturedStdout();
    ASSERT_EQ(uploads.size(), c.uploads.size());
    for (size_t i = 0; i < uploads.size(); ++i) {
      EXPECT_EQ(uploads[i].target, c.uploads[i].first) << i;
      EXPECT_EQ(uploads[i].bytes.size(), c.uploads[i].second) << i;
    }
    const std::regex lines("Mesh: Loading " + path +
                           "\nVertices: \\d+\nProperties: \\d+\nTriangles: \\d+\nMesh: PLY loading: \\d+ms\n" +
                           (c.tangentLine ? "Mesh: Tangents calculations \\(with classes\\): \\d+ms\n" : ""));
    EXPECT_TRUE(std::regex_match(out, lines)) << out;
    if (c.tangentLine) {
      // The second triangle, in reverse order, has the same tangent: +x.
      const float want[9] = {1, 0, 0, 1, 0, 0, 1, 0, 0};
      EXPECT_EQ(std::vector<char>(reinterpret_cast<const char*>(want),
                                  reinterpret_cast<const char*>(want + 9)),
                uploads[0].bytes);
    }
    uploads.clear();
    m.SetupVBO();
    EXPECT_TRUE(uploads.empty()) << "a second upload has nothing left to send";
  }
}

TEST_F(MeshFile, FailedLoadPrintsOnlyTheLoadingLine) {
  const std::string path = dir.Write("bad.ply", Header(3, {"x"}, 1) + "0\n0\n0\n4 0 1 2 3\n");
  testing::internal::CaptureStdout();
  EXPECT_THROW(Mesh m(path), std::domain_error);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Mesh: Loading " + path + "\nVertices: 3\nProperties: 1\nTriangles: 1\n");
  EXPECT_TRUE(uploads.empty());
}

TEST_F(MeshFile, DrawSendsEveryTriangle) {
  const std::string path = dir.Write(
      "quad.ply", kXyzHeader + std::string("0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n"));
  testing::internal::CaptureStdout();
  Mesh loaded(path);
  Mesh empty;
  testing::internal::GetCapturedStdout();
  for (auto [mesh, triangles] : {std::pair<Mesh*, GLuint>{&loaded, 1}, {&empty, 0}}) {
    GLuint query = 0, n = 99;
    glGenQueries(1, &query);
    glBeginQuery(GL_PRIMITIVES_GENERATED, query);
    mesh->Draw();
    glEndQuery(GL_PRIMITIVES_GENERATED);
    glGetQueryObjectuiv(query, GL_QUERY_RESULT, &n);
    glDeleteQueries(1, &query);
    EXPECT_EQ(n, triangles);
  }
}

}  // namespace
