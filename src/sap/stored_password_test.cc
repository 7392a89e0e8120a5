#include "sap/stored_password.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "sap/profile_key.h"

namespace {

/// Builds a stored password by hand from header digits and body bytes, to
/// make values that the scrambler would never write.
std::string Build(int check, int offset, int length, const std::string& body) {
  const auto key = ProfileKey();
  const char header[4] = {static_cast<char>('0' + check), static_cast<char>('0' + offset),
                          static_cast<char>('0' + length / 10),
                          static_cast<char>('0' + length % 10)};
  std::string stored;
  for (int i = 0; i < 4; ++i) stored += static_cast<char>(header[i] ^ key[i]);
  for (int j = 0; j < 20; ++j) {
    unsigned char b = j < static_cast<int>(body.size()) ? body[j] : 0;
    stored += static_cast<char>(b ^ key[offset + j]);
  }
  return stored;
}

TEST(StoredPasswordTest, RoundTripOverManyPasswordsAndAllOffsets) {
  std::uint32_t state = 12345;
  for (int round = 0; round < 20; ++round) {
    for (size_t length = 0; length <= kMaxPasswordLength; ++length) {
      std::string password;
      for (size_t i = 0; i < length; ++i) {
        state = state * 1103515245u + 12345u;
        password += static_cast<char>(0x20 + (state >> 16) % 95);
      }
      for (int offset = 0; offset <= kMaxPasswordOffset; ++offset) {
        std::string stored, clear = "before";
        ASSERT_EQ(ScramblePassword(password, offset, &stored), ScrambleResult::kOk);
        ASSERT_EQ(stored.size(), kStoredPasswordLength);
        for (unsigned char c : stored) ASSERT_TRUE(IsCleanStoredByte(c)) << password;
        ASSERT_EQ(UnscramblePassword(stored, &clear), PasswordReading::kOk);
        EXPECT_EQ(clear, password) << "offset " << offset;
      }
    }
  }
}

TEST(StoredPasswordTest, Reading) {
  // Body "a c ... d b": the clear text takes byte 0, byte 19, byte 1, ...
  std::string body(20, '\0');
  body[0] = 'a', body[19] = 'b', body[1] = 'c', body[18] = 'd';
  const int sum = ('a' + 'b' + 'c' + 'd') % 10;
  // Only ASCII letters and digits count for the check digit.
  std::string mixed(20, '\0');
  mixed[0] = '!', mixed[19] = '7', mixed[1] = static_cast<char>(0xE4);
  std::string stored;
  ASSERT_EQ(ScramblePassword("Geheim99", 5, &stored), ScrambleResult::kOk);
  const auto key = ProfileKey();
  const int check = (static_cast<unsigned char>(stored[0]) ^ key[0]) - '0';
  std::string otherCheck = stored, otherBody = stored;
  otherCheck[0] = static_cast<char>(('0' + (check + 1) % 10) ^ key[0]);
  otherBody[4] = static_cast<char>(otherBody[4] ^ 0x01);  // changes the sum as well
  struct Case {
    std::string stored;
    PasswordReading reading;
    std::string clear;  // "kept" when the password stays as it was
  } cases[] = {
      {Build(sum, 4, 4, body), PasswordReading::kOk, "abcd"},
      {Build(sum, 4, 2, body), PasswordReading::kOk, "ab"},     // cut to the length
      {Build(sum, 4, 99, body), PasswordReading::kOk, "abcd"},  // beyond the text: all of it
      {Build(sum, 4, 0, body), PasswordReading::kOk, ""},  // 00: the profile reports it missing
      {Build('7' % 10, 0, 3, mixed), PasswordReading::kOk, "!7\xE4"},
      {"", PasswordReading::kOk, ""},
      {stored.substr(0, 23), PasswordReading::kInvalid, "kept"},
      {stored + "x", PasswordReading::kInvalid, "kept"},
      {stored + " ", PasswordReading::kInvalid, "kept"},
      {"Geheim99", PasswordReading::kInvalid, "kept"},
      {otherCheck, PasswordReading::kWrong, "kept"},
      {otherBody, PasswordReading::kWrong, "kept"},
  };
  for (int i = 0; i < 4; ++i) {  // a header byte that is no longer a digit
    std::string bad = stored;
    bad[i] = static_cast<char>(bad[i] ^ 0x40);
    std::string clear = "kept";
    EXPECT_EQ(UnscramblePassword(bad, &clear), PasswordReading::kInvalid) << i;
    EXPECT_EQ(clear, "kept");
  }
  for (const Case& c : cases) {
    SCOPED_TRACE("case " + std::to_string(&c - cases));
    std::string clear = "kept";
    EXPECT_EQ(UnscramblePassword(c.stored, &clear), c.reading);
    EXPECT_EQ(clear, c.clear);
  }
}

TEST(StoredPasswordTest, ScramblerRefusesWhatCannotBeStored) {
  std::string stored = "unchanged";
  EXPECT_EQ(ScramblePassword(std::string(21, 'a'), 0, &stored), ScrambleResult::kTooLong);
  EXPECT_EQ(ScramblePassword("secret", 10, &stored), ScrambleResult::kBadOffset);
  EXPECT_EQ(ScramblePassword("secret", -1, &stored), ScrambleResult::kBadOffset);
  EXPECT_EQ(ScramblePassword(std::string("a\0b", 3), 0, &stored), ScrambleResult::kZeroByte);
  EXPECT_EQ(stored, "unchanged");

  // A byte that would be scrambled into a line end, Ctrl-Z or blank moves
  // the password to another offset, or is refused when none is left.
  const auto key = ProfileKey();
  std::string password = std::string(1, static_cast<char>('\n' ^ key[3])) + "xy";
  EXPECT_EQ(ScramblePassword(password, 3, &stored), ScrambleResult::kForbiddenByte);
  int used = -1;
  ASSERT_EQ(ScramblePasswordAnyOffset(password, 3, &stored, &used), ScrambleResult::kOk);
  EXPECT_NE(used, 3);
  std::string clear;
  ASSERT_EQ(UnscramblePassword(stored, &clear), PasswordReading::kOk);
  EXPECT_EQ(clear, password);
  // Character 2o lies in body byte o: with key[2o] it blocks offset o.
  std::string blocked(20, 'a');
  const unsigned char forbidden[] = {'\r', '\n', 0x1A, ' ', '\r'};
  for (int o = 0; o <= kMaxPasswordOffset; ++o)
    blocked[2 * o] = static_cast<char>(forbidden[o % 5] ^ key[2 * o]);
  EXPECT_EQ(ScramblePasswordAnyOffset(blocked, 7, &stored), ScrambleResult::kForbiddenByte);
}

}  // namespace
