#ifndef BRINDLEMARK_SAP_PROFILE_KEY_H_
#define BRINDLEMARK_SAP_PROFILE_KEY_H_

#include <array>
#include <cstddef>

/// The number of bytes of the profile key.
inline constexpr size_t kProfileKeySize = 32;

/// The key with which the passwords of the system profiles are scrambled:
/// 32 bytes, each with its high bit set, so none is zero and a printable
/// character (0x20 to 0x7E) scrambled with any of them never becomes a
/// NUL, carriage return, line feed, Ctrl-Z or blank. The bytes are computed
/// afresh on each call and lie in no table of the program.
std::array<unsigned char, kProfileKeySize> ProfileKey();

#endif  // BRINDLEMARK_SAP_PROFILE_KEY_H_
