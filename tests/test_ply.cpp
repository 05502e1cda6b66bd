#include <algorithm>
#include <cfloat>
#include <cmath>
#include <iomanip>
#include <memory>
#include <random>
#include <regex>
#include <sstream>
#include <stdexcept>

#include "LineReader.h"
#include "Mesh.h"
#include "support.h"

// Standard output of f in short (counts "V3 P3 T1 ", times without figure), then what it throws.
template <typename E = std::domain_error, typename F>
std::string Capture(F f) {
  std::string error;
  testing::internal::CaptureStdout();
  try { f(); } catch (const E& e) { error = e.what() + std::string("; "); }
  const std::regex count("([VPT])(?:ertices|roperties|riangles): (\\d+)\n"), time(": \\d+ms\n");
  const std::string out = testing::internal::GetCapturedStdout();
  return std::regex_replace(std::regex_replace(out, count, "$1$2 "), time, ": ms\n") + error;
}

template <typename T>  // " [a b c]" with floats to 9 digits, or " -" for no array
std::string List(const T* a, uint64_t n, int digits = 9) {
  std::ostringstream s;
  s << std::setprecision(digits) << (a ? " [" : " -");
  for (uint64_t i = 0; a && i < n; ++i) s << (i ? " " : "") << a[i];
  return s.str() + (a ? "]" : "");
}

// Reads text from a file (chunk 0) or memory in chunks: what Capture gives, counts, arrays.
std::string Load(const std::string& text, size_t chunk = 0, size_t maxLine = 40) {
  testsupport::TempDir dir;
  Mesh m;
  const std::string out = Capture([&] { chunk ? m.ReadPLY(TextSource::Memory(text, chunk, maxLine))
                                                : m.LoadPLY(dir.Write("m.ply", text).c_str()); });
  const uint64_t v = m.NumVertices(), t = m.NumTriangles();
  std::string tangents[2];  // with faces: ClassTangents', then CalcTangents' if they differ
  for (int k = 0; k < 2 && t && m.NewTangents(); ++k) {  // 7s stay where no triangle writes
    std::fill(m.NewTangents(), m.NewTangents() + 3 * v, 7.0f);
    (m.*(k ? &Mesh::CalcTangents : &Mesh::ClassTangents))();  // 6 digits: they round apart
    tangents[k] = List(m.NewTangents(), 3 * v, 6);
  }
  return out + std::to_string(v) + "/" + std::to_string(t) + List(m.Vertices(), 3 * v) +
         List(m.Normals(), 3 * v) + List(m.TexCoords(), 2 * v) + List(m.Indices(), 3 * t) +
         tangents[0] + (tangents[1] == tangents[0] ? "" : "Calc" + tangents[1]);
}

// Property names ("#" is a comment in the run); no face element if faces < 0.
std::string Header(int vertices, const std::string& names, int faces) {
  std::string h = "ply\nformat ascii 1.0\nelement vertex " + std::to_string(vertices) + "\n", n;
  for (std::istringstream in(names); in >> n;)
    h += n == "#" ? "comment in the run\n" : "property float " + n + "\n";
  if (faces >= 0) h += "element face " + std::to_string(faces) + "\nproperty list uchar int i\n";
  return h + "end_header\n";
}

const std::string kTri = "0 0 0\n1 0 0\n0 1 0\n";
const std::string kTriMesh = "V3 P3 T1 3/1 [0 0 0 1 0 0 0 1 0] - - [0 1 2]";
TEST(PlyRead, FilesLoadOrFailAsTheirHeaderAndDataSay) {
  auto fail = [](std::string m) { return "Mesh::LoadPly - " + m + "; 0/0 - - - -"; };  // freed
  const std::string tri = Header(3, "x y z", 1) + kTri, t = "V3 P3 T1 ",
      ply = fail("Not a PLY file"), ascii = fail("Not an ASCII PLY file"),
      face = t + fail("Not a triangular face"), range = fail("Vertex index out of range"),
      exceeds = fail("Element count exceeds the file"), x = " -0.324443 -0.486664 -0.811107";
  const struct { std::string text, want; } cases[] = {
      {Header(3, "x y z", 1).insert(21, "comment\n") + kTri + "3 0 1 2 9\n", kTriMesh},
      {Header(1, "x y z r g b", 0) + "1 2 3 255 128 0\n", "V1 P6 T0 1/0 [1 2 3] [255 128 0] - []"},
      {Header(1, "x y z a b c d", 0) + "1 2 3 4 5 6 7\n", "V1 P7 T0 1/0 [1 2 3] [4 5 6] - []"},
      // Tangents along u: NaN from a zero determinant first, repeated after; the later one wins.
      {Header(5, "x y z a b c u v", 3) + "0 0 0 0 0 1 .5 .5\n1 0 0 0 0 1 .5 .5\n9 9 9 0 0 1 0 0\n"
       "2 3 6 0 0 1 -2.5 1.5\n0 0 1 0 0 1 -.5 1.5\n3 0 1 0\n3 0 3 4\n3 3 3 4\n", "V5 P8 T3 5/3 "
       "[0 0 0 1 0 0 9 9 9 2 3 6 0 0 1] [0 0 1 0 0 1 0 0 1 0 0 1 0 0 1] [0.5 0.5 0.5 0.5 0 0 -2.5 "
       "1.5 -0.5 1.5] [0 1 0 0 3 4 3 3 4] [" + x.substr(1) + " -nan -nan -nan 7 7 7" + x + x + "]"},
      {Header(1, "x y z a b c # u", 0) + "1 2 3 4 5 6 7\n", "V1 P6 T0 1/0 [1 2 3] [4 5 6] - []"},
      {Header(3, "x y z", -1).insert(21, "element face 1\n") + kTri + "3 0 1 2\n", kTriMesh},
      {Header(1, "x y z", 1).insert(21, std::string(300, 'a') + " element face 5\n") + "1 2 3\n",
       "V1 P3 T0 1/0 [1 2 3] - - []"},  // the first face element, at the end of a long line
      {Header(5, "x y z", 0) + "+1.5 -2e1 .5\n\t 4 5 6\r\n1 x 3\n1e50 2 3\n1.5.25 7\n",
       "V5 P3 T0 5/0 [1.5 -20 0.5 4 5 6 1 0 0 3.40282347e+38 0 0 1.5 0.25 7] - - []"},
      {Header(3, "x y z", 1) + "1 2 3\n4 5 6", "V3 P3 T1 3/1 [1 2 3 4 5 6 0 0 0] - - [0 0 0]"},
      {tri + "3 2 x 1\n", t + "3/1 [0 0 0 1 0 0 0 1 0] - - [2 0 0]"},
      {Header(1, "x y z", -1) + "1 2 3\n", "V1 P3 1/0 [0 0 0] - - []"},  // face search eats data
      {"ply\nformat ascii 1.0\nelement vertex 1\nproperty float x", "V1 1/0 [0 0 0] - - []"},
      {"ply\nformat ascii 1.0\nelement vertex 1\nproperty float x\n", "V1 P1 1/0 [0 0 0] - - []"},
      {"", ply}, {"ply\r\nformat ascii 1.0\r\n", ply}, {"ply \nformat ascii 1.0\n", ply},
      {"ply", ascii}, {"ply\ncomment first\nformat ascii 1.0\n", ascii},
      {"ply\nformat binary_little_endian 1.0\n", ascii}, {"ply\nformat ascii 1.0 \n", ascii},
      {tri + "4 0 1 2 0\n", face}, {tri + "x 0 1 2\n", face}, {tri + "\n", face},
      {tri + "4294967299 0 1 2\n", face}, {tri + "3 3 1 2\n", t + range}, {tri + "3 0 3 2\n", t + range},
      {tri + "3 0 1 3\n", t + range}, {tri + "3 0 -1 2\n", t + range}, {tri + "3 0 1 4294967296\n", t + range},
      {Header(0, "x", 1), "V0 P1 T1 " + range}, {Header(1000, "x", 0), "V1000 P1 T0 " + exceeds},
      {Header(1, "x", 1000) + "1\n3 0 0 0\n", "V1 P1 T1000 " + exceeds},
  };
  for (const auto& c : cases)  // from a file; from memory in small chunks, lines cut at 40
    for (size_t chunk : {0, 1, 7}) EXPECT_EQ(Load(c.text, chunk), c.want) << c.text;
  EXPECT_EQ(Load("ply\nformat ascii 1.0\nelement vertex  5\n", 64, 16), "V0 P0 0/0 [] - - []");
  EXPECT_EQ(Capture([] { Mesh().LoadPLY("/none/m.ply"); }), "Mesh::LoadPly - No such file!; ");
}

// Numbers of every shape, fast path limits and halfway points, read from a file as strtof does.
TEST(PlyRead, NumbersReadAsStrtofReadsThem) {
  std::vector<std::string> tokens = {"16777217", "1e-45", "7e-46", "1e-50", ".5", "+.25", "5.",
      "-1e39", "000000000000000000001.5", "2.5E+3", "123456789012345678901234567890", "-0",
      "16777219", "8388609.5", "-4194304.25", "3.5e38", "16777216.99999999", "0.123456789012345",
      "0.1234567890123456", "9007199254740993", "1234567890123456.", "-.1234567890123456",
      "53.66188621520996", "4.55405068397522", "-0.935073584318161"};  // overflows end a line
  std::mt19937 rnd(7);
  for (char b[64]; tokens.size() < 8 * 20000; tokens.push_back(b)) {  // half of them halfway
    const float f = std::ldexp(float(int32_t(rnd())), int(rnd() % 60) - 50);
    const char* format[] = {"%.9g", "%.7f", "%g", "%.16g", "%+.3e", "% .17g", "%.12f", "%.0f"};
    snprintf(b, 64, format[rnd() % 8], rnd() % 2 ? f : (f + double(std::nextafter(f, 0.f))) / 2);
  }
  std::string text = Header(20000, "x y z a b c u v", 0);
  std::vector<float> want[3];
  for (size_t i = 0; i < tokens.size(); ++i) {
    const float f = std::strtof(tokens[i].c_str(), nullptr);  // overflow: the largest float
    want[i % 8 / 3].push_back(std::isinf(f) ? std::copysign(FLT_MAX, f) : f);
    text += tokens[i] + (i % 8 == 7 ? "\n" : " ");
  }
  ASSERT_GT(text.size(), TextSource::kChunk);  // read through the file in more than one piece
  EXPECT_EQ(Load(text), "V20000 P8 T0 20000/0" + List(want[0].data(), 60000) +
                            List(want[1].data(), 60000) + List(want[2].data(), 40000) + " []");
}

// Linked with --wrap=glBufferData: uploads noted as " A<bytes> [<first float>]" or " E<bytes>".
static std::string uploads;
extern "C" void __real_glBufferData(GLenum, GLsizeiptr, const void*, GLenum);
extern "C" void __wrap_glBufferData(GLenum target, GLsizeiptr size, const void* data, GLenum use) {
  uploads += (target == GL_ARRAY_BUFFER ? " A" : " E") + std::to_string(size);
  if (target == GL_ARRAY_BUFFER && size) uploads += List(static_cast<const float*>(data), 1);
  __real_glBufferData(target, size, data, use);
}

using MeshFile = testsupport::GLTest;
TEST_F(MeshFile, ConstructionChecksTheNameLoadsAndUploadsEachArrayOnceTangentsFirst) {
  testsupport::TempDir dir;
  EXPECT_EQ(Capture<std::invalid_argument>([&] { Mesh m(dir.Write("MODEL.PLY", "")); }),
            "Mesh::Mesh - unrecognized file extension; ");  // refused, nothing printed
  const std::string ms = "Mesh: PLY loading: ms\n";
  const struct { std::string text, want; } cases[] = {
      {Header(3, "x y z a b c", 1) + kTri + "3 0 1 2\n", "V3 P6 T1 " + ms + " A36 [0] A36 [0] E12"},
      {Header(3, "x y z a b c u v", 2) + "0 0 0 0 0 1 0 0\n1 0 0 0 0 1 1 0\n0 1 0 0 0 1 0 1\n"
       "3 0 1 2\n3 2 1 0\n", "V3 P8 T2 " + ms + "Mesh: Tangents calculations (with classes): ms\n"
       " A36 [1] A36 [0] A36 [0] A24 [0] E24"},  // tangents first: +x
      {Header(1, "x", 1) + "0\n4 0 0 0 0\n", "V1 P1 T1 Mesh::LoadPly - Not a triangular face; "}};
  for (const auto& c : cases) {
    const std::string path = dir.Write("x.ply.txt", c.text);  // ".ply" anywhere will do
    std::unique_ptr<Mesh> m;
    uploads.clear();
    const std::string out = Capture([&] { m = std::make_unique<Mesh>(path); });
    if (m) m->SetupVBO();  // a second upload has nothing left to send
    EXPECT_EQ(out + uploads, "Mesh: Loading " + path + "\n" + c.want);
  }
}
