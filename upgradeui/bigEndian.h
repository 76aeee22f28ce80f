// Big-endian numbers in packets and font files.
#pragma once

#include <cstdint>

namespace upgradeui {

inline uint32_t BigEndian32(const unsigned char *bytes) {
  return (uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) | (uint32_t{bytes[2]} << 8) | bytes[3];
}

}  // namespace upgradeui
