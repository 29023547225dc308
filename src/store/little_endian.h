// The memo data file's integers: little-endian, moved byte by byte, so that
// neither the host's byte order nor its structure layout reaches the file.
#pragma once

#include <cstdint>

namespace tavrin {

inline void PutU16(std::uint8_t* out, std::uint16_t value) {
    out[0] = static_cast<std::uint8_t>(value & 0xFF);
    out[1] = static_cast<std::uint8_t>(value >> 8);
}

inline void PutU32(std::uint8_t* out, std::uint32_t value) {
    PutU16(out, static_cast<std::uint16_t>(value & 0xFFFF));
    PutU16(out + 2, static_cast<std::uint16_t>(value >> 16));
}

inline std::uint16_t GetU16(const std::uint8_t* in) {
    return static_cast<std::uint16_t>(in[0] | (in[1] << 8));
}

inline std::uint32_t GetU32(const std::uint8_t* in) {
    return static_cast<std::uint32_t>(GetU16(in)) |
           (static_cast<std::uint32_t>(GetU16(in + 2)) << 16);
}

}  // namespace tavrin
