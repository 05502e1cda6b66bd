#pragma once
// The two zlib calls the PNG writer makes, for a build without zlib (the
// web's): compress2 writes stored blocks, which every inflater reads.
#include <cstddef>
#include <cstdint>

using Bytef = unsigned char;
using uLong = unsigned long;
using uLongf = unsigned long;
using uInt = unsigned int;
#define Z_NULL nullptr
#define Z_OK 0

inline uLong crc32(uLong crc, const Bytef* data, uInt size) {
  if (!data) return 0;
  crc = ~crc & 0xFFFFFFFFul;
  for (uInt i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320ul & (0ul - (crc & 1)));
  }
  return ~crc & 0xFFFFFFFFul;
}

// Header, a 5-byte heading per block of up to 65535 bytes, Adler-32.
inline uLong compressBound(uLong size) { return 2 + size + 5 * (size / 65535 + 1) + 4; }

inline int compress2(Bytef* out, uLongf* outSize, const Bytef* in, uLong size, int) {
  Bytef* p = out;
  *p++ = 0x78, *p++ = 0x01;
  uLong a = 1, b = 0;
  uLong at = 0;
  do {
    const uLong n = size - at < 65535 ? size - at : 65535;
    *p++ = at + n == size ? 1 : 0;
    *p++ = n & 0xFF, *p++ = n >> 8, *p++ = ~n & 0xFF, *p++ = (~n >> 8) & 0xFF;
    for (uLong i = 0; i < n; ++i, ++at) {
      *p++ = in[at];
      a = (a + in[at]) % 65521, b = (b + a) % 65521;
    }
  } while (at < size);
  const uLong adler = b << 16 | a;
  for (int shift = 24; shift >= 0; shift -= 8) *p++ = (adler >> shift) & 0xFF;
  *outSize = static_cast<uLongf>(p - out);
  return Z_OK;
}
