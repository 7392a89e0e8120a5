#ifndef BRINDLEMARK_SAP_STORED_PASSWORD_H_
#define BRINDLEMARK_SAP_STORED_PASSWORD_H_

#include <cstddef>
#include <string>
#include <string_view>

/// The Password line of a system profile holds the password scrambled with
/// the profile key: a header of four characters (check digit, key offset
/// 0-9, password length as two digits) and a body of 20 characters, each
/// character exclusive-or'ed with a key byte. The body holds the password
/// interleaved from both ends: clear-text character 2i lies in body byte i,
/// character 2i+1 in body byte 19-i. Body bytes that unscramble to zero
/// carry nothing.

/// Characters of a stored password.
inline constexpr size_t kStoredPasswordLength = 24;
/// The longest password a stored password can hold.
inline constexpr size_t kMaxPasswordLength = 20;
/// The highest key offset of the body.
inline constexpr int kMaxPasswordOffset = 9;

/// What unscrambling a stored password found.
enum class PasswordReading {
  kOk,       // |password| holds the clear text (empty for an empty value)
  kInvalid,  // not 24 characters, or the header is not four digits
  kWrong,    // the check digit does not match the clear text
};

/// Unscrambles the value of a Password line. On kOk sets |password|; on
/// any other result leaves it unchanged. An empty value gives an empty
/// password.
PasswordReading UnscramblePassword(std::string_view stored, std::string* password);

/// Why a password could not be scrambled.
enum class ScrambleResult {
  kOk,
  kTooLong,        // more than 20 characters
  kBadOffset,      // offset outside 0-9
  kZeroByte,       // the password holds a NUL byte, which cannot be stored
  kForbiddenByte,  // the stored form would hold NUL, CR, LF, Ctrl-Z or blank
};

/// Scrambles |password| with the body's key bytes beginning at |offset|
/// and sets |stored| to the 24 characters of the Password line. Unused body
/// bytes carry nothing (they scramble to bare key bytes). On any result but
/// kOk |stored| is left unchanged.
ScrambleResult ScramblePassword(std::string_view password, int offset, std::string* stored);

/// Like ScramblePassword, but tries the offsets from |firstOffset| on (and
/// around, up to ten of them) until one gives a clean stored form; sets
/// |usedOffset| to it when not null.
ScrambleResult ScramblePasswordAnyOffset(std::string_view password, int firstOffset,
                                         std::string* stored, int* usedOffset = nullptr);

/// Whether a byte may stand in a stored password: it must not end the line
/// or the file in text mode, nor be a blank that looks like padding.
bool IsCleanStoredByte(unsigned char byte);

#endif  // BRINDLEMARK_SAP_STORED_PASSWORD_H_
