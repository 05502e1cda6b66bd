#include "Mesh.h"

#include <fcntl.h>
#include <locale.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "Vector.h"

Timer t;

// ---------------------------------------------------------------------------
// Line reading

// Reads text in large chunks and hands out one line at a time, mirroring the
// states of std::getline on an ifstream: a last line without a newline sets
// end-of-file, a read with nothing left also fails, and Rewind behaves like
// seekg(0) (clears end-of-file, does nothing once the stream has failed).
// At most maxLine + chunk bytes are held, however long a line is.
class Mesh::LineReader {
 public:
  static constexpr std::size_t kSlack = 32;

  explicit LineReader(const PlySource& source)
      : src(source),
        chunk(std::max<std::size_t>(source.chunk, 1)),
        maxLine(std::max<std::size_t>(source.maxLine, 16)) {}

  bool good() const { return !eof && !fail; }

  uint64_t FileSize() const {
    if (src.fd < 0) return src.size;
    struct stat st;
    if (fstat(src.fd, &st) != 0 || st.st_size < 0) return 0;
    return static_cast<uint64_t>(st.st_size);
  }

  // Returns false when no line could be read. The view holds at most maxLine
  // bytes and stays valid until the next call; *found tells whether the
  // needle occurs anywhere in the whole line, however long.
  bool GetLine(std::string_view& line, std::string_view needle = {}, bool* found = nullptr) {
    line = {};
    if (found) *found = false;
    if (!good()) {
      fail = true;
      return false;
    }
    std::size_t scanned = 0;
    for (;;) {
      const std::size_t avail = end - pos;
      const std::size_t window = std::min(avail, maxLine + 1);
      const char* start = buf.get() + pos;
      if (window > scanned) {
        const void* nl = std::memchr(start + scanned, '\n', window - scanned);
        if (nl) {
          line = std::string_view(start, static_cast<const char*>(nl) - start);
          pos += line.size() + 1;
          if (found) *found = Contains(line, needle);
          return true;
        }
        scanned = window;
      }
      if (avail > maxLine) return LongLine(line, needle, found);
      if (!Fill()) {
        if (avail == 0) {
          eof = fail = true;
          return false;
        }
        eof = true;
        line = std::string_view(buf.get() + pos, avail);
        pos = end;
        if (found) *found = Contains(line, needle);
        return true;
      }
    }
  }

  // The whole lines now in the buffer: from the read position to just past
  // its last newline, reading more when there is none yet. False when no
  // whole line can be had this way (a line longer than the limit, the last
  // line without a newline, the end): GetLine then takes the next line.
  // Consume tells how far the lines were read.
  bool Lines(const char*& begin, const char*& stop) {
    std::size_t clean = 0;  // bytes after pos known to hold no newline
    for (;;) {
      if (!good()) return false;
      const char* start = buf.get() + pos;
      const char* last = buf.get() + end;
      while (last > start + clean && last[-1] != '\n') --last;
      if (last > start + clean) {
        begin = start;
        stop = last;
        return true;
      }
      clean = end - pos;
      if (clean > maxLine || !Fill()) return false;
    }
  }

  void Consume(const char* upTo) { pos = static_cast<std::size_t>(upTo - buf.get()); }

  std::size_t MaxLine() const { return maxLine; }

  void Rewind() {
    eof = false;
    if (fail) return;
    if (src.fd >= 0) {
      if (lseek(src.fd, 0, SEEK_SET) != 0) {
        fail = true;
        return;
      }
    } else {
      offset = 0;
    }
    pos = end = 0;
    drained = false;
  }

 private:
  static bool Contains(std::string_view line, std::string_view needle) {
    return !needle.empty() && line.find(needle) != std::string_view::npos;
  }

  void Grow(std::size_t capacity) {
    // Zeroed, with kSlack bytes past the end for the number reader.
    std::unique_ptr<char[]> bigger(new char[capacity + kSlack]());
    if (end > pos) std::memcpy(bigger.get(), buf.get() + pos, end - pos);
    end -= pos;
    pos = 0;
    buf = std::move(bigger);
    cap = capacity;
  }

  void Compact() {
    if (pos == 0) return;
    std::memmove(buf.get(), buf.get() + pos, end - pos);
    end -= pos;
    pos = 0;
  }

  // Appends the next chunk after the unread bytes; false once the source is
  // exhausted (a read error counts as the end, as it does for a stream).
  bool Fill() {
    if (drained) return false;
    Compact();
    if (end == cap) Grow(cap == 0 ? chunk : std::min(cap * 2, maxLine + chunk));
    const std::size_t want = std::min(chunk, cap - end);
    std::size_t got = 0;
    if (src.fd >= 0) {
      ssize_t n;
      do n = read(src.fd, buf.get() + end, want);
      while (n < 0 && errno == EINTR);
      got = n > 0 ? static_cast<std::size_t>(n) : 0;
    } else {
      got = std::min(want, src.size - offset);
      if (got) std::memcpy(buf.get() + end, src.data + offset, got);
      offset += got;
    }
    if (got == 0) {
      drained = true;
      return false;
    }
    end += got;
    return true;
  }

  // A line longer than maxLine: its first maxLine bytes stay at the front of
  // the buffer as the line; the rest is read through and dropped, still
  // searched for the needle across the seams.
  bool LongLine(std::string_view& line, std::string_view needle, bool* found) {
    Compact();
    if (cap < maxLine + chunk) Grow(maxLine + chunk);
    line = std::string_view(buf.get(), maxLine);
    bool hit = Contains(line, needle);
    const std::size_t keep = needle.empty() ? 0 : needle.size() - 1;
    char carry[64];
    std::size_t carried = std::min(keep, maxLine);
    std::memcpy(carry, buf.get() + maxLine - carried, carried);

    const std::size_t rest = maxLine;
    for (;;) {
      const char* seg = buf.get() + rest;
      const std::size_t len = end - rest;
      const char* nl = len ? static_cast<const char*>(std::memchr(seg, '\n', len)) : nullptr;
      const std::size_t segLen = nl ? static_cast<std::size_t>(nl - seg) : len;
      if (!hit && keep > 0) hit = SearchSeam(carry, carried, seg, segLen, needle);
      if (nl) {
        pos = rest + segLen + 1;
        break;
      }
      end = rest;
      if (!Fill()) {
        eof = true;
        pos = end;
        break;
      }
    }
    if (found) *found = hit;
    return true;
  }

  // Looks for the needle in carry + seg, then keeps the last needle-1 bytes
  // of everything seen as the next carry.
  static bool SearchSeam(char* carry, std::size_t& carried, const char* seg, std::size_t segLen,
                         std::string_view needle) {
    const std::size_t keep = needle.size() - 1;
    char joined[128];
    const std::size_t head = std::min(segLen, keep);
    std::memcpy(joined, carry, carried);
    std::memcpy(joined + carried, seg, head);
    const std::size_t joinedLen = carried + head;
    const bool hit = Contains(std::string_view(joined, joinedLen), needle) ||
                     Contains(std::string_view(seg, segLen), needle);
    if (segLen >= keep) {
      std::memcpy(carry, seg + segLen - keep, keep);
      carried = keep;
    } else {
      carried = std::min(keep, joinedLen);
      std::memcpy(carry, joined + joinedLen - carried, carried);
    }
    return hit;
  }

  const PlySource src;
  const std::size_t chunk;
  const std::size_t maxLine;
  std::unique_ptr<char[]> buf;
  std::size_t cap = 0;
  std::size_t pos = 0;  // first unread byte
  std::size_t end = 0;  // end of the bytes read
  std::size_t offset = 0;  // read position in a memory source
  bool eof = false;
  bool fail = false;
  bool drained = false;
};

// ---------------------------------------------------------------------------
// Number reading with the rules of formatted extraction: leading white space
// skipped, a leading sign accepted, reading stops at the first character that
// cannot continue the number. False means the extraction failed; the caller
// then reads nothing more from that line, as a failed stream would.
//
// Each reader has an inlined fast path for the plain numbers that fill real
// files and an exact out-of-line path that handles everything else.

// GCC and clang only, as are the __builtin_ctzll calls below.
#define HOT inline __attribute__((always_inline))
#define COLD __attribute__((noinline))

namespace {

// The white space of the "C" locale.
struct SpaceTable {
  bool is[256] = {};
  constexpr SpaceTable() {
    for (const char c : {' ', '\t', '\n', '\v', '\f', '\r'}) is[static_cast<unsigned char>(c)] = true;
  }
};
constexpr SpaceTable kSpace;

inline bool IsSpace(char c) { return kSpace.is[static_cast<unsigned char>(c)]; }
inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }

HOT void SkipSpace(const char*& p, const char* e) {
  while (p < e && IsSpace(*p)) ++p;
}

// Eight characters at a time. Reads may run past the end of a line: line
// views always point into the reader's buffer, which keeps kSlack readable
// bytes beyond its data. Whatever lies past the line only ever decides that
// the fast path does not apply.

// Eight bytes at s with digits turned into their values 0..9.
HOT uint64_t Load8(const char* s) {
  uint64_t x;
  std::memcpy(&x, s, sizeof x);
  return x ^ 0x3030303030303030ull;
}

// How many of the leading bytes of a Load8 word are digits. The high bit
// marks every byte above 9; carries only run towards later bytes, so the
// lowest mark is the first non-digit.
HOT int DigitCount(uint64_t x) {
  const uint64_t marks = ((x + 0x7676767676767676ull) | x) & 0x8080808080808080ull;
  return marks ? __builtin_ctzll(marks) >> 3 : 8;
}

// The value of the first n (1 to 8) digits of a Load8 word.
HOT uint32_t DigitValue(uint64_t x, int n) {
  x <<= 8 * (8 - n);  // leading zeros in place of the bytes after the run
  x = x * 10 + (x >> 8);
  x = (((x & 0x000000FF000000FFull) * (100 + (1000000ull << 32))) +
       (((x >> 16) & 0x000000FF000000FFull) * (1 + (10000ull << 32)))) >>
      32;
  return static_cast<uint32_t>(x);
}

// The exact path: from_chars, with what it accepts but a stream does not
// (inf, nan, "+-") kept out, and out-of-range values through strtof so that
// they come out as a stream gives them: overflow as the largest float and a
// failure, underflow as the rounded value.
COLD bool ExactFloat(const char*& p, const char* e, float& out) {
  const char* s = p;
  bool plus = false;
  if (s < e && *s == '+') {
    ++s;
    plus = true;
  }
  const char* d = s;
  if (!plus && d < e && *d == '-') ++d;
  if (d == e || !(IsDigit(*d) || *d == '.')) return false;
  const auto r = std::from_chars(s, e, out);
  if (r.ec == std::errc()) {
    p = r.ptr;
    return true;
  }
  if (r.ec != std::errc::result_out_of_range) return false;
  p = r.ptr;
  static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(0));
  const std::string token(s, r.ptr);
  const float v = c ? strtof_l(token.c_str(), nullptr, c) : std::strtof(token.c_str(), nullptr);
  if (std::isinf(v)) {
    out = std::copysign(std::numeric_limits<float>::max(), v);
    return false;
  }
  out = v;
  return true;
}

// Turns digits (below 2^53) and a power of ten (up to 10^7) into the float
// nearest to digits / 10^scale. A multiplication by the double nearest to
// 10^-scale lands within two units in the last place of the double from the
// exact quotient, so narrowing it to float rounds as the exact quotient would
// unless it lies that close to a point halfway between two floats; then false,
// and the exact path decides. A multiplication, not a division: this sits on
// the chain of every number read.
HOT bool Quotient(uint64_t digits, int scale, bool negative, float& out) {
  static const double kInverse[] = {1e0, 1e-1, 1e-2, 1e-3, 1e-4, 1e-5, 1e-6, 1e-7};
  const double wide = static_cast<double>(digits) * kInverse[scale];
  uint64_t bits;
  std::memcpy(&bits, &wide, sizeof bits);
  if ((bits & 0x1fffffffu) - 0x0ffffffcu <= 8u) return false;  // within 4 of halfway
  const float value = static_cast<float>(wide);
  // The sign goes in as a bit: a branch on it would mispredict half the time.
  uint32_t word;
  std::memcpy(&word, &value, sizeof word);
  word ^= static_cast<uint32_t>(negative) << 31;
  std::memcpy(&out, &word, sizeof out);
  return true;
}

// Integers: digits after an optional sign; overflow saturates at limit and
// fails. A minus sign is kept in *negative for the caller to apply.
COLD bool ExactDigits(const char*& p, const char* e, uint64_t limit, uint64_t& out,
                      bool& negative) {
  negative = false;
  if (p < e && (*p == '+' || *p == '-')) negative = *p++ == '-';
  if (p == e || !IsDigit(*p)) return false;
  uint64_t v = 0;
  bool overflow = false;
  for (; p < e && IsDigit(*p); ++p) {
    const unsigned digit = static_cast<unsigned>(*p - '0');
    if (v > (limit - digit) / 10)
      overflow = true;
    else
      v = v * 10 + digit;
  }
  out = overflow ? limit : v;
  return !overflow;
}

// Unsigned extraction takes a minus sign and negates modulo 2^bits.
template <typename U>
COLD bool ExactUnsigned(const char*& p, const char* e, U& out) {
  uint64_t v = 0;
  bool negative = false;
  const bool ok = ExactDigits(p, e, std::numeric_limits<U>::max(), v, negative);
  out = static_cast<U>(ok && negative ? U(0) - static_cast<U>(v) : static_cast<U>(v));
  return ok;
}

// Only tells whether the line starts with the count 3; any other value,
// overflowing or not, is simply not 3.
HOT bool ReadTriangleCount(const char*& p, const char* e) {
  const char* s = p + (*p == ' ');
  if (s < e && *s == '3' && (s + 1 == e || !IsDigit(s[1]))) {
    p = s + 1;
    return true;
  }
  SkipSpace(p, e);
  uint64_t v = 0;
  bool negative = false;
  return ExactDigits(p, e, std::numeric_limits<int32_t>::max(), v, negative) && !negative &&
         v == 3;
}

// Whole lines in the buffer are read token by token. The end of each token
// is found on its own, so that finding the next token never waits for the
// value of this one: the values of several tokens are worked out at once.

// The first byte at or after s whose low seven bits are below '!': a blank,
// a line end or another control character. Sixteen bytes are looked at;
// none found gives s + 16.
HOT const char* NextSeparator(const char* s) {
  uint64_t a, b;
  std::memcpy(&a, s, sizeof a);
  std::memcpy(&b, s + 8, sizeof b);
  const uint64_t high = 0x8080808080808080ull;
  const uint64_t ma = ~((a | high) - 0x2121212121212121ull) & high;
  const uint64_t mb = ~((b | high) - 0x2121212121212121ull) & high;
  return s + (ma ? __builtin_ctzll(ma) >> 3 : mb ? 8 + (__builtin_ctzll(mb) >> 3) : 16);
}

// The float in [p, t): one blank, a sign, then up to 8 digits with at most
// one point among them, nothing else. False if it is anything else.
HOT bool TokenFloat(const char* p, const char* t, float& out) {
  static const uint64_t kLow[8] = {0,
                                   0xffull,
                                   0xffffull,
                                   0xffffffull,
                                   0xffffffffull,
                                   0xffffffffffull,
                                   0xffffffffffffull,
                                   0xffffffffffffffull};
  const char* s = p + (*p == ' ');
  const char c = *s;
  const bool negative = c == '-';
  s += negative | (c == '+');  // signs are random in real data: no branch
  const long length = t - s;
  if (static_cast<unsigned long>(length - 1) > 7u) return false;
  const uint64_t w = Load8(s);
  const int n1 = DigitCount(w);
  if (n1 == length) return Quotient(DigitValue(w, n1), 0, negative, out);
  if (s[n1] != '.' || length == 1) return false;
  // The point squeezed out, so that one conversion reads all the digits.
  const uint64_t low = kLow[n1];
  const uint64_t digits = (w & low) | ((w >> 8) & ~low);
  const int n = static_cast<int>(length) - 1;
  return DigitCount(digits) >= n && Quotient(DigitValue(digits, n), n - n1, negative, out);
}

// The index in [p, t): one blank, then up to 7 digits.
HOT bool TokenIndex(const char* p, const char* t, uint32_t& out) {
  const char* s = p + (*p == ' ');
  const long n = t - s;
  if (static_cast<unsigned long>(n - 1) > 6u) return false;
  const uint64_t x = Load8(s);
  if (DigitCount(x) < n) return false;
  out = DigitValue(x, static_cast<int>(n));
  return true;
}

// A token the fast readers cannot take, or a line that must be read by the
// rules alone (fast false), goes to the exact path from the same place.
HOT bool ReadFloat(const char*& p, const char* e, float& out, bool fast) {
  if (fast && p < e) {
    const char* t = NextSeparator(p + 1);
    if (t <= e && TokenFloat(p, t, out)) {
      p = t;
      return true;
    }
  }
  SkipSpace(p, e);
  return ExactFloat(p, e, out);
}

HOT bool ReadUnsigned(const char*& p, const char* e, uint32_t& out, bool fast) {
  if (fast && p < e) {
    const char* t = NextSeparator(p + 1);
    if (t <= e && TokenIndex(p, t, out)) {
      p = t;
      return true;
    }
  }
  SkipSpace(p, e);
  return ExactUnsigned(p, e, out);
}

// One vertex line: up to n values, read until one cannot be; the rest of
// value is left as it is.
COLD void VertexLine(const char* p, const char* e, float* value, int n, bool fast) {
  for (int k = 0; k < n && ReadFloat(p, e, value[k], fast); ++k) {
  }
}

// One face line: the count, which must be 3, then up to three indices.
COLD void FaceLine(const char* p, const char* e, uint32_t* tri, bool fast) {
  if (!ReadTriangleCount(p, e)) throw std::domain_error("Mesh::LoadPly - Not a triangular face");
  if (ReadUnsigned(p, e, tri[0], fast) && ReadUnsigned(p, e, tri[1], fast))
    ReadUnsigned(p, e, tri[2], fast);
}

// A reader's array. Large arrays are offered transparent huge pages before
// they are first touched: filling them then costs a few dozen page faults
// instead of tens of thousands. The reader writes every entry.
template <typename T>
T* NewArray(uint64_t count) {
  T* array = new T[count];
  const std::size_t bytes = count * sizeof(T);
  if (bytes >= (std::size_t(4) << 20)) {
    const uintptr_t huge = std::size_t(2) << 20;
    const uintptr_t first = (reinterpret_cast<uintptr_t>(array) + huge - 1) & ~(huge - 1);
    const uintptr_t last = (reinterpret_cast<uintptr_t>(array) + bytes) & ~(huge - 1);
    if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
  }
  return array;
}

uint64_t ReadCount(std::string_view text) {
  const char* p = text.data();
  const char* e = p + text.size();
  uint64_t v = 0;
  SkipSpace(p, e);
  ExactUnsigned(p, e, v);
  return v;
}

}  // namespace

// ---------------------------------------------------------------------------
// Mesh

Mesh::Mesh()
    : numVertices(0),
      numTriangles(0),
      vertices(nullptr),
      normals(nullptr),
      texCoords(nullptr),
      indices(nullptr),
      tangents(nullptr) {}

// Delegating to Mesh() makes the destructor run if anything below throws, so
// a failed construction releases its arrays and buffers.
Mesh::Mesh(const std::string& fileName) : Mesh() {
  if (fileName.find(".ply") == std::string::npos)
    throw std::invalid_argument("Mesh::Mesh - unrecognized file extension");
  std::cout << "Mesh: Loading " << fileName << std::endl;
  t.Reset();
  LoadPLY(fileName.c_str());
  t.Stop();
  std::cout << "Mesh: PLY loading: " << t.GetInterval() << "ms" << std::endl;
  SetupVBO();
}

Mesh::~Mesh() { ReleaseArrays(); }

void Mesh::ReleaseArrays() {
  delete[] vertices;
  delete[] normals;
  delete[] texCoords;
  delete[] indices;
  delete[] tangents;
  vertices = normals = texCoords = tangents = nullptr;
  indices = nullptr;
}

void Mesh::LoadPLY(const char* fileName) {
  ReleaseArrays();
  numVertices = numTriangles = 0;
  const int fd = fileName ? open(fileName, O_RDONLY | O_CLOEXEC) : -1;
  if (fd < 0) throw std::domain_error("Mesh::LoadPly - No such file!");
  struct Closer {
    int fd;
    ~Closer() { close(fd); }
  } closer{fd};
  ReadPLY(PlySource{fd, nullptr, 0, kChunk, kMaxLine, false});
}

void Mesh::ReadPLY(const PlySource& source) {
  try {
    LineReader in(source);
    std::string_view line;
    bool found = false;

    in.GetLine(line);
    if (line != "ply") throw std::domain_error("Mesh::LoadPly - Not a PLY file");
    in.GetLine(line);
    if (line != "format ascii 1.0") throw std::domain_error("Mesh::LoadPly - Not an ASCII PLY file");

    while (in.good()) {
      in.GetLine(line, "element vertex ", &found);
      if (found) {
        numVertices = ReadCount(line.substr(15));
        std::cout << "Vertices: " << numVertices << std::endl;
        break;
      }
    }

    int properties = 0;
    while (in.good()) {
      in.GetLine(line, "property ", &found);
      if (found) {
        if (properties < std::numeric_limits<int>::max()) ++properties;
      } else {
        // Back to the very start: the face element is searched from line 1.
        in.Rewind();
        std::cout << "Properties: " << properties << std::endl;
        break;
      }
    }

    while (in.good()) {
      in.GetLine(line, "element face ", &found);
      if (found) {
        numTriangles = ReadCount(line.substr(13));
        std::cout << "Triangles: " << numTriangles << std::endl;
        break;
      }
    }

    while (in.good()) {
      in.GetLine(line, "end_header", &found);
      if (found) break;
    }

    // Every data line takes at least one byte, so larger counts are lies that
    // would otherwise allocate gigabytes for a tiny file.
    const uint64_t limit =
        std::min<uint64_t>(std::numeric_limits<int32_t>::max(), in.FileSize());
    if (numVertices > limit || numTriangles > limit)
      throw std::domain_error("Mesh::LoadPly - Element count exceeds the file");

    vertices = NewArray<float>(3 * numVertices);
    if (properties > 5) normals = NewArray<float>(3 * numVertices);
    if (properties > 7) texCoords = NewArray<float>(2 * numVertices);

    // Every entry is written once: what a line does not supply, and every
    // line the file does not have, holds 0.
    //
    // Reads up to count data lines into Value arrays and returns how many it
    // read. Whole lines in the buffer are read straight off it by fastLine,
    // which never passes a newline; a line it does not fully account for
    // (other white space, missing values, a number of another shape, a line
    // longer than the limit) is read again by the rules from its start.
    const std::size_t maxLine = in.MaxLine();
    auto readLines = [&](uint64_t count, auto valueType, auto fastLine, auto slowLine, auto store) {
      using Value = decltype(valueType);
      uint64_t i = 0;
      while (i < count) {
        const char* begin;
        const char* stop;
        if (source.lineByLine || !in.Lines(begin, stop)) {
          if (!in.GetLine(line)) break;
          Value value{};
          slowLine(line.data(), line.data() + line.size(), value, !source.lineByLine);
          store(i++, value);
          continue;
        }
        const char* p = begin;
        for (; i < count && p < stop; ++i) {
          const char* start = p;
          Value value{};
          const bool fast = fastLine(p, value);
          const char* nl = fast && *p == '\n'
                               ? p
                               : static_cast<const char*>(std::memchr(p, '\n', stop - p));
          if (!fast || static_cast<std::size_t>(p - start) > maxLine) {
            value = Value{};
            slowLine(start, std::min(nl, start + maxLine), value, true);
          }
          store(i, value);
          p = nl + 1;
        }
        in.Consume(p);
      }
      return i;
    };

    using Vertex = std::array<float, 8>;
    const int perLine = texCoords ? 8 : normals ? 6 : 3;
    const uint64_t vertexLines = readLines(
        numVertices, Vertex{},
        [&](const char*& p, Vertex& value) {
          bool fast = true;
          for (int k = 0; k < perLine; ++k) {
            if (*p == '\n') return false;
            const char* t = NextSeparator(p + 1);
            fast &= TokenFloat(p, t, value[k]);  // no branch: tokens overlap in flight
            p = t;
          }
          return fast;
        },
        [&](const char* p, const char* e, Vertex& value, bool fast) {
          VertexLine(p, e, value.data(), perLine, fast);
        },
        [&](uint64_t i, const Vertex& value) {
          std::memcpy(vertices + 3 * i, &value[0], 3 * sizeof(float));
          if (normals) std::memcpy(normals + 3 * i, &value[3], 3 * sizeof(float));
          if (texCoords) std::memcpy(texCoords + 2 * i, &value[6], 2 * sizeof(float));
        });
    std::fill(vertices + 3 * vertexLines, vertices + 3 * numVertices, 0.0f);
    if (normals) std::fill(normals + 3 * vertexLines, normals + 3 * numVertices, 0.0f);
    if (texCoords) std::fill(texCoords + 2 * vertexLines, texCoords + 2 * numVertices, 0.0f);

    using Face = std::array<uint32_t, 3>;
    indices = NewArray<uint32_t>(3 * numTriangles);
    const uint64_t faceLines = readLines(
        numTriangles, Face{},
        [&](const char*& p, Face& tri) {
          if (p[0] != '3' || p[1] != ' ') return false;
          ++p;
          bool fast = true;
          for (int k = 0; k < 3; ++k) {
            if (*p == '\n') return false;
            const char* t = NextSeparator(p + 1);
            fast &= TokenIndex(p, t, tri[k]);
            p = t;
          }
          return fast;
        },
        [&](const char* p, const char* e, Face& tri, bool fast) {
          FaceLine(p, e, tri.data(), fast);
        },
        [&](uint64_t i, const Face& tri) {
          // Tangent generation and drawing index the vertex arrays with these.
          if (tri[0] >= numVertices || tri[1] >= numVertices || tri[2] >= numVertices)
            throw std::domain_error("Mesh::LoadPly - Vertex index out of range");
          std::memcpy(indices + 3 * i, tri.data(), 3 * sizeof(uint32_t));
        });
    // Faces the file never gave hold vertex 0, which must exist.
    std::fill(indices + 3 * faceLines, indices + 3 * numTriangles, 0u);
    if (faceLines < numTriangles && numVertices == 0)
      throw std::domain_error("Mesh::LoadPly - Vertex index out of range");
  } catch (...) {
    ReleaseArrays();
    numVertices = numTriangles = 0;
    throw;
  }
}

// ---------------------------------------------------------------------------
// Tangents: one per triangle, written to its three vertices, no averaging. A
// triangle whose texture coordinates have a zero determinant repeats the
// previous tangent.

void Mesh::ClassTangents() {
  if (!vertices || !texCoords || !indices || !tangents) return;
  Vector tangent;
  Vector pa, pb, pc, ta, tb, tc;
  for (uint64_t k = 0; k < numTriangles; ++k) {
    const uint32_t* tri = indices + 3 * k;
    const uint32_t ia = tri[0], ib = tri[1], ic = tri[2];
    pa.Load(vertices + 3 * ia);
    pb.Load(vertices + 3 * ib);
    pc.Load(vertices + 3 * ic);
    ta.Load(texCoords[2 * ia], texCoords[2 * ia + 1], 1.0f);
    tb.Load(texCoords[2 * ib], texCoords[2 * ib + 1], 1.0f);
    tc.Load(texCoords[2 * ic], texCoords[2 * ic + 1], 1.0f);

    const Vector e1 = pb - pa;
    const Vector e2 = pc - pa;
    const Vector d1 = tb - ta;
    const Vector d2 = tc - ta;
    const float det = d1.Y() * d2.X() - d1.X() * d2.Y();
    if (det != 0.0f) {
      const float r = 1.0f / det;
      tangent = (e2 * d1.Y() + e1 * -d2.Y()) * r;
    }
    tangent.Normalize();

    // Spelled out: a loop over the three vertex numbers goes through memory.
    float* a = tangents + 3 * ia;
    a[0] = tangent.X();
    a[1] = tangent.Y();
    a[2] = tangent.Z();
    float* b = tangents + 3 * ib;
    b[0] = tangent.X();
    b[1] = tangent.Y();
    b[2] = tangent.Z();
    float* c = tangents + 3 * ic;
    c[0] = tangent.X();
    c[1] = tangent.Y();
    c[2] = tangent.Z();
  }
}

void Mesh::CalcTangents() {
  if (!vertices || !texCoords || !indices || !tangents) return;
  // Components are spelled out rather than looped so that the small arrays
  // stay in registers, as the Vector values of ClassTangents do.
  float tangent[3] = {0.0f, 0.0f, 0.0f};
  for (uint64_t k = 0; k < numTriangles; ++k) {
    const uint32_t* tri = indices + 3 * k;
    const uint32_t ia = tri[0], ib = tri[1], ic = tri[2];
    const float* pa = vertices + 3 * ia;
    const float* pb = vertices + 3 * ib;
    const float* pc = vertices + 3 * ic;
    const float* ta = texCoords + 2 * ia;
    const float* tb = texCoords + 2 * ib;
    const float* tc = texCoords + 2 * ic;

    const float e1[3] = {pb[0] - pa[0], pb[1] - pa[1], pb[2] - pa[2]};
    const float e2[3] = {pc[0] - pa[0], pc[1] - pa[1], pc[2] - pa[2]};
    const float du1 = tb[0] - ta[0], dv1 = tb[1] - ta[1];
    const float du2 = tc[0] - ta[0], dv2 = tc[1] - ta[1];
    const float det = dv1 * du2 - du1 * dv2;
    if (det != 0.0f) {
      const float r = 1.0f / det;
      tangent[0] = (e2[0] * dv1 + e1[0] * -dv2) * r;
      tangent[1] = (e2[1] * dv1 + e1[1] * -dv2) * r;
      tangent[2] = (e2[2] * dv1 + e1[2] * -dv2) * r;
    }
    const float q = (tangent[0] * tangent[0] + tangent[1] * tangent[1]) + tangent[2] * tangent[2];
    const float inv = 1.0f / static_cast<float>(std::sqrt(static_cast<double>(q)));
    tangent[0] *= inv;
    tangent[1] *= inv;
    tangent[2] *= inv;
    tangents[3 * ia] = tangents[3 * ib] = tangents[3 * ic] = tangent[0];
    tangents[3 * ia + 1] = tangents[3 * ib + 1] = tangents[3 * ic + 1] = tangent[1];
    tangents[3 * ia + 2] = tangents[3 * ib + 2] = tangents[3 * ic + 2] = tangent[2];
  }
}

// ---------------------------------------------------------------------------
// Upload and drawing

void Mesh::SetupVBO() {
  // Tangents first: they are made from arrays released further down.
  if (texCoords) {
    tangents = new float[3 * numVertices]();
    t.Reset();
    ClassTangents();
    t.Stop();
    std::cout << "Mesh: Tangents calculations (with classes): " << t.GetInterval() << "ms"
              << std::endl;
    vbo.SetTangents(static_cast<long>(numVertices), tangents);
    delete[] tangents;
    tangents = nullptr;
  }
  if (vertices) {
    vbo.SetVertices(static_cast<long>(numVertices), vertices);
    delete[] vertices;
    vertices = nullptr;
  }
  if (normals) {
    vbo.SetNormals(static_cast<long>(numVertices), normals);
    delete[] normals;
    normals = nullptr;
  }
  if (texCoords) {
    vbo.SetTexCoords(static_cast<long>(numVertices), texCoords);
    delete[] texCoords;
    texCoords = nullptr;
  }
  if (indices) {
    vbo.SetIndices(static_cast<long>(3 * numTriangles), indices);
    delete[] indices;
    indices = nullptr;
  }
}

void Mesh::Draw() { vbo.DrawElements(0); }
