#include "NumberReader.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

#include "System.h"

namespace numbers {

namespace {

// Digits after an optional sign; overflow saturates at limit and fails. A
// minus sign is kept in negative for the caller to apply.
bool ExactDigits(const char*& p, const char* e, uint64_t limit, uint64_t& out, bool& negative) {
  negative = p < e && *p == '-';
  if (p < e && (*p == '+' || negative)) ++p;
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
bool Unsigned(const char*& p, const char* e, U& out) {
  uint64_t v = 0;
  bool negative = false;
  const bool ok = ExactDigits(p, e, std::numeric_limits<U>::max(), v, negative);
  out = static_cast<U>(ok && negative ? U(0) - static_cast<U>(v) : static_cast<U>(v));
  return ok;
}

// Whether an exponent mark follows a number that has none: a stream takes it
// into the number even when no digits follow ("1e", "1e+") and then fails.
bool DanglingExponent(const char* s, const char* end, const char* e) {
  const auto isMark = [](char c) { return c == 'e' || c == 'E'; };
  return end < e && isMark(*end) && std::none_of(s, end, isMark);
}

}  // namespace

// from_chars (os::FloatFromChars), with what it accepts but a stream does not (inf, nan, "+-")
// kept out, what it takes in part but a stream refuses ("1e") refused, and
// out-of-range values through strtof so that they come out as a stream gives
// them: overflow as the largest float and a failure, underflow as the
// rounded value.
[[gnu::noinline]] bool ExactFloat(const char*& p, const char* e, float& out) {
  const char* s = p;
  bool plus = false;
  if (s < e && *s == '+') {
    ++s;
    plus = true;
  }
  const char* d = s;
  if (!plus && d < e && *d == '-') ++d;
  if (d == e || !(IsDigit(*d) || *d == '.')) return false;
  const auto r = os::FloatFromChars(s, e, out);
  if (r.ec != std::errc() && r.ec != std::errc::result_out_of_range) return false;
  p = r.ptr;
  if (DanglingExponent(s, r.ptr, e)) {
    out = 0.0f;
    return false;
  }
  if (r.ec == std::errc()) return true;
  const std::string token(s, r.ptr);
  const float v = os::ParseFloatC(token.c_str());
  if (std::isinf(v)) {
    out = std::copysign(std::numeric_limits<float>::max(), v);
    return false;
  }
  out = v;
  return true;
}

[[gnu::noinline]] bool ExactUnsigned(const char*& p, const char* e, uint32_t& out) {
  return Unsigned(p, e, out);
}

bool ExactUnsigned(const char*& p, const char* e, uint64_t& out) { return Unsigned(p, e, out); }

bool ExactInt(const char*& p, const char* e, int32_t& out) {
  constexpr uint64_t kLowest = uint64_t(1) << 31;  // the magnitude of the lowest value
  uint64_t v = 0;
  bool negative = false;
  const bool ok = ExactDigits(p, e, kLowest, v, negative) && (negative || v < kLowest);
  out = static_cast<int32_t>(negative ? -static_cast<int64_t>(v) : static_cast<int64_t>(v));
  return ok;
}

}  // namespace numbers
