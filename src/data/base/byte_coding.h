#pragma once
// Byte order helpers: the one place where multi-byte integers of the table files are encoded
// and decoded.
//
// DBF headers, field descriptors, binary field values (I, Y, B, T), DBT headers and dBASE IV
// memo block headers are little-endian. FPT headers and FPT memo block headers are big-endian.
// Every function works on raw bytes through unsigned arithmetic, so the result never depends on
// the host's byte order or alignment, and no packed struct is ever laid over file bytes.
//
// REQUIRES: the pointer passed in addresses at least as many bytes as the width named in the
// function's name. Callers check bounds against their span before calling.

#include <cstdint>
#include <cstring>

namespace tabrix {

inline uint16_t DecodeLE16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

inline uint32_t DecodeLE32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

inline uint64_t DecodeLE64(const uint8_t* p) {
  return static_cast<uint64_t>(DecodeLE32(p)) | (static_cast<uint64_t>(DecodeLE32(p + 4)) << 32);
}

inline uint16_t DecodeBE16(const uint8_t* p) {
  return static_cast<uint16_t>((p[0] << 8) | p[1]);
}

inline uint32_t DecodeBE32(const uint8_t* p) {
  return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
         (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
}

inline void EncodeLE16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

inline void EncodeLE32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

inline void EncodeLE64(uint8_t* p, uint64_t v) {
  for (int i = 0; i < 8; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

inline void EncodeBE16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v >> 8);
  p[1] = static_cast<uint8_t>(v);
}

inline void EncodeBE32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}

// IEEE 754 double stored little-endian (Visual FoxPro B fields).
inline double DecodeLEDouble(const uint8_t* p) {
  uint64_t bits = DecodeLE64(p);
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}

inline void EncodeLEDouble(uint8_t* p, double d) {
  uint64_t bits;
  std::memcpy(&bits, &d, sizeof bits);
  EncodeLE64(p, bits);
}

}  // namespace tabrix
