#pragma once
// Bit and parameter packing of the standard library. Values are 64-bit so that a full 32-bit
// window parameter and its sign survive.

#include <cstdint>

namespace tabrix {

// The bit field of count bits whose highest bit is top (bit 0 the lowest): value shifted
// right by top - count + 1, masked to count bits. 0 for a count below 1 or a field reaching
// below bit 0 or above bit 63.
constexpr int64_t GETBITS(int64_t value, int top, int count) {
  const int shift = top - count + 1;
  if (count < 1 || shift < 0 || top > 63) return 0;
  const uint64_t bits = static_cast<uint64_t>(value) >> shift;
  const uint64_t mask = count >= 64 ? ~uint64_t{0} : (uint64_t{1} << count) - 1;
  return static_cast<int64_t>(bits & mask);
}
constexpr int64_t GETBIT(int64_t value, int top, int count) {
  return GETBITS(value, top, count);
}

// high * 65536 + (low masked to 16 bits).
constexpr int64_t MAKE_LPARAM(int64_t low, int64_t high) {
  return high * 65536 + (low & 0xFFFF);
}

// (high masked to 8 bits) * 256 + (low masked to 8 bits).
constexpr int64_t C2W_MAKEWPARAM(int64_t low, int64_t high) {
  return (high & 0xFF) * 256 + (low & 0xFF);
}

// Bits 8 to 15.
constexpr int64_t C2W_HIBYTE(int64_t value) {
  return (value >> 8) & 0xFF;
}

// The inverse RGB colour: the complement masked to 24 bits.
constexpr int64_t MYNOT(int64_t colour) {
  return ~colour & 0xFFFFFF;
}

}  // namespace tabrix
