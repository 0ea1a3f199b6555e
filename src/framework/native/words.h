#pragma once
// Word operations used with message parameters throughout the framework. Parameters travel as
// 32-bit numbers; the results are those numbers' bit patterns read as signed 32-bit values.

#include <cstdint>

namespace tabrix {

// Low 16 bits as a signed number.
constexpr int32_t WB_LOWORD(int64_t n) {
  return static_cast<int16_t>(n & 0xFFFF);
}
// The 32-bit value shifted right by 16 with its sign kept.
constexpr int32_t WB_HIWORD(int64_t n) {
  return static_cast<int32_t>(static_cast<uint32_t>(n)) >> 16;
}
// MAKELPARAM / MAKELONG: hi shifted left by 16, or-ed with the low 16 bits of lo. (Prefixed
// because <windows.h> defines the plain names as macros.)
constexpr int32_t WB_MAKELPARAM(int64_t lo, int64_t hi) {
  return static_cast<int32_t>((static_cast<uint32_t>(hi) << 16) |
                              (static_cast<uint32_t>(lo) & 0xFFFFu));
}
constexpr int32_t WB_MAKELONG(int64_t lo, int64_t hi) {
  return WB_MAKELPARAM(lo, hi);
}

}  // namespace tabrix
