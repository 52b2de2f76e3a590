// Little-endian loads and stores for the game's save files: byte by byte,
// so neither the host's byte order nor alignment matters.
#pragma once

#include <cstdint>
#include <cstring>

namespace Kivo {

inline std::uint16_t LoadU16(const std::uint8_t* in) { return static_cast<std::uint16_t>(in[0] | (in[1] << 8)); }
inline std::uint32_t LoadU32(const std::uint8_t* in) {
  return static_cast<std::uint32_t>(in[0]) | (static_cast<std::uint32_t>(in[1]) << 8) |
         (static_cast<std::uint32_t>(in[2]) << 16) | (static_cast<std::uint32_t>(in[3]) << 24);
}
inline std::int32_t LoadI32(const std::uint8_t* in) { return static_cast<std::int32_t>(LoadU32(in)); }
inline float LoadF32(const std::uint8_t* in) {
  std::uint32_t bits = LoadU32(in);
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

inline void StoreU16(std::uint8_t* out, std::uint16_t value) {
  out[0] = static_cast<std::uint8_t>(value);
  out[1] = static_cast<std::uint8_t>(value >> 8);
}
inline void StoreU32(std::uint8_t* out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(value >> (8 * i));
}
inline void StoreI32(std::uint8_t* out, std::int32_t value) { StoreU32(out, static_cast<std::uint32_t>(value)); }
inline void StoreF32(std::uint8_t* out, float value) {
  std::uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  StoreU32(out, bits);
}

}  // namespace Kivo
