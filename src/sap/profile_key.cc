#include "sap/profile_key.h"

#include <cstdint>

std::array<unsigned char, kProfileKeySize> ProfileKey() {
  // A small linear congruential sequence; the high bit of each byte is
  // forced so that scrambled printable text stays clear of control bytes.
  std::array<unsigned char, kProfileKeySize> key{};
  std::uint32_t state = 0x5EB1u * 0x3A7Du + 0x2C49u;
  for (unsigned char& byte : key) {
    state = state * 1664525u + 1013904223u;
    byte = static_cast<unsigned char>(0x80u | ((state >> 21) & 0x7Fu));
  }
  return key;
}
