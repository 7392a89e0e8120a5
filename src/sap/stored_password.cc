#include "sap/stored_password.h"

#include <array>

#include "sap/profile_key.h"

namespace {

constexpr size_t kHeaderLength = 4;
constexpr size_t kBodyLength = 20;

bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

bool IsLetterOrDigit(unsigned char c) {
  return IsDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

/// The check digit of a clear text: the sum of its ASCII letters and
/// digits, modulo 10.
unsigned CheckDigit(std::string_view clear) {
  unsigned sum = 0;
  for (unsigned char c : clear)
    if (IsLetterOrDigit(c)) sum += c;
  return sum % 10;
}

/// The body position that holds clear-text character |i| (0..19).
size_t BodyIndex(size_t i) { return i % 2 == 0 ? i / 2 : kBodyLength - 1 - i / 2; }

}  // namespace

bool IsCleanStoredByte(unsigned char byte) {
  return byte != 0 && byte != '\r' && byte != '\n' && byte != 0x1A && byte != ' ';
}

PasswordReading UnscramblePassword(std::string_view stored, std::string* password) {
  if (stored.empty()) {
    password->clear();
    return PasswordReading::kOk;
  }
  if (stored.size() != kStoredPasswordLength) return PasswordReading::kInvalid;
  const auto key = ProfileKey();
  unsigned char header[kHeaderLength];
  for (size_t i = 0; i < kHeaderLength; ++i) {
    header[i] = static_cast<unsigned char>(stored[i]) ^ key[i];
    if (!IsDigit(header[i])) return PasswordReading::kInvalid;
  }
  const size_t offset = header[1] - '0';
  const size_t length = (header[2] - '0') * 10u + (header[3] - '0');

  unsigned char body[kBodyLength];
  for (size_t j = 0; j < kBodyLength; ++j)
    body[j] = static_cast<unsigned char>(stored[kHeaderLength + j]) ^ key[offset + j];

  std::string clear;
  for (size_t i = 0; i < kBodyLength / 2; ++i) {
    if (body[i] != 0) clear += static_cast<char>(body[i]);
    if (body[kBodyLength - 1 - i] != 0) clear += static_cast<char>(body[kBodyLength - 1 - i]);
  }
  if (CheckDigit(clear) != static_cast<unsigned>(header[0] - '0')) return PasswordReading::kWrong;
  if (length < clear.size()) clear.resize(length);
  *password = std::move(clear);
  return PasswordReading::kOk;
}

ScrambleResult ScramblePassword(std::string_view password, int offset, std::string* stored) {
  if (password.size() > kMaxPasswordLength) return ScrambleResult::kTooLong;
  if (offset < 0 || offset > kMaxPasswordOffset) return ScrambleResult::kBadOffset;
  if (password.find('\0') != std::string_view::npos) return ScrambleResult::kZeroByte;

  std::array<unsigned char, kBodyLength> body{};
  for (size_t i = 0; i < password.size(); ++i)
    body[BodyIndex(i)] = static_cast<unsigned char>(password[i]);

  const unsigned char header[kHeaderLength] = {
      static_cast<unsigned char>('0' + CheckDigit(password)),
      static_cast<unsigned char>('0' + offset),
      static_cast<unsigned char>('0' + password.size() / 10),
      static_cast<unsigned char>('0' + password.size() % 10)};

  const auto key = ProfileKey();
  std::string result(kStoredPasswordLength, '\0');
  for (size_t i = 0; i < kHeaderLength; ++i) result[i] = static_cast<char>(header[i] ^ key[i]);
  for (size_t j = 0; j < kBodyLength; ++j)
    result[kHeaderLength + j] = static_cast<char>(body[j] ^ key[offset + j]);
  for (unsigned char c : result)
    if (!IsCleanStoredByte(c)) return ScrambleResult::kForbiddenByte;
  *stored = std::move(result);
  return ScrambleResult::kOk;
}

ScrambleResult ScramblePasswordAnyOffset(std::string_view password, int firstOffset,
                                         std::string* stored, int* usedOffset) {
  const int count = kMaxPasswordOffset + 1;
  int start = firstOffset % count;
  if (start < 0) start += count;
  ScrambleResult result = ScrambleResult::kForbiddenByte;
  for (int k = 0; k < count; ++k) {
    const int offset = (start + k) % count;
    result = ScramblePassword(password, offset, stored);
    if (result == ScrambleResult::kOk) {
      if (usedOffset != nullptr) *usedOffset = offset;
      return result;
    }
    if (result != ScrambleResult::kForbiddenByte) return result;
  }
  return result;
}
