#pragma once
#include <cstdint>
#include <cstring>

// Reading numbers from text with the rules of formatted extraction in the
// "C" locale (what `stream >> value` does): leading white space skipped, a
// sign accepted, reading stops at the first character that cannot continue
// the number. Values come out bit for bit as the stream gives them. False
// means the extraction failed; a caller reading a line then reads nothing
// more from it, as a failed stream would.
//
// Each reader has an inlined fast path for the plain numbers that fill real
// files (decimals of up to 16 digits with one point, indices of up to 7
// digits) and an exact out-of-line path that handles everything else.
//
// The fast paths read whole 8-byte words and may look up to 32 bytes past
// the first character they are given: text handed to them must be followed
// by that many readable bytes (LineReader's buffer is). Whatever lies past
// the end of the text only ever decides that the fast path does not apply.
namespace numbers {

#define NUMBERS_HOT inline __attribute__((always_inline))

// The exact paths.
bool ExactFloat(const char*& p, const char* e, float& out);
bool ExactUnsigned(const char*& p, const char* e, uint32_t& out);
bool ExactUnsigned(const char*& p, const char* e, uint64_t& out);
// A signed integer; out of range, the extraction fails.
bool ExactInt(const char*& p, const char* e, int32_t& out);

NUMBERS_HOT bool IsSpace(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');  // the white space of the "C" locale
}
NUMBERS_HOT bool IsDigit(char c) { return c >= '0' && c <= '9'; }

NUMBERS_HOT void SkipSpace(const char*& p, const char* e) {
  while (p < e && IsSpace(*p)) ++p;
}

// Eight bytes at s with digits turned into their values 0..9.
NUMBERS_HOT uint64_t Load8(const char* s) {
  uint64_t x;
  std::memcpy(&x, s, sizeof x);
  return x ^ 0x3030303030303030ull;
}

// The high bit of every byte of a Load8 word that is not a digit. Carries
// only run towards later bytes, so the lowest mark is the first non-digit.
NUMBERS_HOT uint64_t NonDigits(uint64_t x) {
  return ((x + 0x7676767676767676ull) | x) & 0x8080808080808080ull;
}

// How many of the leading bytes of a Load8 word are digits.
NUMBERS_HOT int DigitCount(uint64_t x) {
  const uint64_t marks = NonDigits(x);
  return marks ? __builtin_ctzll(marks) >> 3 : 8;
}

// The value of the first n (1 to 8) digits of a Load8 word.
NUMBERS_HOT uint32_t DigitValue(uint64_t x, int n) {
  x <<= 8 * (8 - n);  // leading zeros in place of the bytes after the run
  x = x * 10 + (x >> 8);
  x = (((x & 0x000000FF000000FFull) * (100 + (1000000ull << 32))) +
       (((x >> 16) & 0x000000FF000000FFull) * (1 + (10000ull << 32)))) >>
      32;
  return static_cast<uint32_t>(x);
}

// The first byte at or after s whose low seven bits are below '!': a blank,
// a line end or another control character. Up to 32 bytes are looked at;
// none found gives s + 32.
NUMBERS_HOT const char* NextSeparator(const char* s) {
  auto marks = [](const char* q) {
    uint64_t a;
    std::memcpy(&a, q, sizeof a);
    return ~((a | 0x8080808080808080ull) - 0x2121212121212121ull) & 0x8080808080808080ull;
  };
  const uint64_t ma = marks(s), mb = marks(s + 8);
  if (ma | mb) return s + (ma ? __builtin_ctzll(ma) >> 3 : 8 + (__builtin_ctzll(mb) >> 3));
  const uint64_t mc = marks(s + 16), md = marks(s + 24);
  return s + (mc ? 16 + (__builtin_ctzll(mc) >> 3) : md ? 24 + (__builtin_ctzll(md) >> 3) : 32);
}

// Turns digits (below 2^53) and a power of ten (up to 10^16) into the float
// nearest to digits / 10^scale. Digits and the double nearest to 10^-scale
// multiply to within two units in the last place of the double from the
// exact quotient, so narrowing to float rounds as the exact quotient would
// unless the product lies that close to a point halfway between two floats;
// then false, and the exact path decides.
NUMBERS_HOT bool Quotient(uint64_t digits, int scale, bool negative, float& out) {
  static constexpr double kInverse[] = {1e0,  1e-1,  1e-2,  1e-3,  1e-4,  1e-5,  1e-6,  1e-7, 1e-8,
                                        1e-9, 1e-10, 1e-11, 1e-12, 1e-13, 1e-14, 1e-15, 1e-16};
  const double wide = static_cast<double>(digits) * kInverse[scale];
  uint64_t bits;
  std::memcpy(&bits, &wide, sizeof bits);
  if ((bits & 0x1fffffffu) - 0x0ffffffcu <= 8u) return false;  // within 4 of halfway
  const float value = static_cast<float>(wide);
  uint32_t word;
  std::memcpy(&word, &value, sizeof word);
  word ^= static_cast<uint32_t>(negative) << 31;
  std::memcpy(&out, &word, sizeof out);
  return true;
}

// Numbers whose point comes after eight digits or more: rare in meshes, so
// they take a slower shape of the same method. s is past the sign.
NUMBERS_HOT bool WideFloat(const char* s, long length, bool negative, float& out) {
  using U128 = unsigned __int128;
  const uint64_t w0 = Load8(s), w1 = Load8(s + 8);
  const int n1 = 8 + DigitCount(w1);  // digits before the point
  const bool point = n1 < length;
  if (point && s[n1] != '.') return false;
  const int n = static_cast<int>(length) - point;  // all digits, 8 to 16
  // The point squeezed out and the digits moved to the end of 16 bytes,
  // zeros before them, so that two conversions read them all.
  const U128 w = w0 | static_cast<U128>(w1) << 64;
  const U128 after = w >> 8 | static_cast<U128>(static_cast<uint8_t>(s[16] ^ 0x30)) << 120;
  const U128 keep = n1 < 16 ? (U128(1) << (8 * n1)) - 1 : ~U128(0);
  const U128 digits = ((w & keep) | (after & ~keep)) << (8 * (16 - n) & 127);
  const uint64_t high = static_cast<uint64_t>(digits), low = static_cast<uint64_t>(digits >> 64);
  const uint64_t value = DigitValue(high, 8) * 100000000ull + DigitValue(low, 8);
  return !(NonDigits(high) | NonDigits(low)) && value < (uint64_t(1) << 53) &&
         Quotient(value, point ? n - n1 : 0, negative, out);
}

// The float in [p, t): one blank, a sign, then 1 to 16 digits with at most
// one point among them, nothing else, the digits' value below 2^53. False
// if it is anything else. Up to eight digits, one conversion reads them;
// more take a second one.
NUMBERS_HOT bool TokenFloat(const char* p, const char* t, float& out) {
  static constexpr uint64_t kLow[] = {0,          0xff,         0xffff,         0xffffff,
                                      0xffffffff, 0xffffffffff, 0xffffffffffff, 0xffffffffffffff};
  static constexpr uint32_t kPow10[] = {1,      10,      100,      1000,     10000,
                                        100000, 1000000, 10000000, 100000000};
  const char* s = p + (*p == ' ');
  const char c = *s;
  const bool negative = c == '-';
  s += negative | (c == '+');
  const long length = t - s;
  if (static_cast<unsigned long>(length - 1) > 16u) return false;
  const uint64_t w = Load8(s);
  const int n1 = DigitCount(w);  // digits before the point
  if (n1 >= length) return Quotient(DigitValue(w, static_cast<int>(length)), 0, negative, out);
  if (n1 == 8) return WideFloat(s, length, negative, out);
  if (s[n1] != '.') return false;
  // The point squeezed out, the ninth byte moved in behind.
  const uint64_t next = Load8(s + 8), low = kLow[n1];
  const uint64_t head = (w & low) | ((w >> 8) & ~low) | next << 56;
  const int n = static_cast<int>(length) - 1;  // all digits
  if (n <= 8)
    return n > 0 && DigitCount(head) >= n && Quotient(DigitValue(head, n), n - n1, negative, out);
  const uint64_t tail = next >> 8 | static_cast<uint64_t>(static_cast<uint8_t>(s[16] ^ 0x30)) << 56;
  const uint64_t value = uint64_t(DigitValue(head, 8)) * kPow10[n - 8] + DigitValue(tail, n - 8);
  return !NonDigits(head) && DigitCount(tail) >= n - 8 && value < (uint64_t(1) << 53) &&
         Quotient(value, n - n1, negative, out);
}

// The index in [p, t): one blank, then up to 7 digits.
NUMBERS_HOT bool TokenIndex(const char* p, const char* t, uint32_t& out) {
  const char* s = p + (*p == ' ');
  const long n = t - s;
  if (static_cast<unsigned long>(n - 1) > 6u) return false;
  const uint64_t x = Load8(s);
  if (DigitCount(x) < n) return false;
  out = DigitValue(x, static_cast<int>(n));
  return true;
}

// One number from [p, e), moving p past it. With fast false only the exact
// path reads: what the fast path must agree with.
NUMBERS_HOT bool ReadFloat(const char*& p, const char* e, float& out, bool fast) {
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

NUMBERS_HOT bool ReadUnsigned(const char*& p, const char* e, uint32_t& out, bool fast) {
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

#undef NUMBERS_HOT

}  // namespace numbers
