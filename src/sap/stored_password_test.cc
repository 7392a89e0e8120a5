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

/// Printable passwords of every length from 0 to 20, of varied characters.
std::vector<std::string> SamplePasswords() {
  std::vector<std::string> passwords;
  std::uint32_t state = 12345;
  for (int round = 0; round < 20; ++round) {
    for (size_t length = 0; length <= kMaxPasswordLength; ++length) {
      std::string password;
      for (size_t i = 0; i < length; ++i) {
        state = state * 1103515245u + 12345u;
        password += static_cast<char>(0x20 + (state >> 16) % 95);
      }
      passwords.push_back(password);
    }
  }
  return passwords;
}

TEST(StoredPasswordKeyTest, KeyBytesAreNonZeroAndKeepPrintableTextClean) {
  const auto key = ProfileKey();
  EXPECT_EQ(key, ProfileKey());  // the same on every call
  for (unsigned char k : key) {
    EXPECT_NE(k, 0);
    for (int c = 0x20; c <= 0x7E; ++c) EXPECT_TRUE(IsCleanStoredByte(c ^ k));
    for (char digit = '0'; digit <= '9'; ++digit) EXPECT_TRUE(IsCleanStoredByte(digit ^ k));
  }
}

TEST(StoredPasswordTest, RoundTripOverManyPasswordsAndAllOffsets) {
  for (const std::string& password : SamplePasswords()) {
    for (int offset = 0; offset <= kMaxPasswordOffset; ++offset) {
      std::string stored;
      ASSERT_EQ(ScramblePassword(password, offset, &stored), ScrambleResult::kOk);
      ASSERT_EQ(stored.size(), kStoredPasswordLength);
      for (unsigned char c : stored) ASSERT_TRUE(IsCleanStoredByte(c));
      std::string clear = "before";
      ASSERT_EQ(UnscramblePassword(stored, &clear), PasswordReading::kOk);
      EXPECT_EQ(clear, password) << "offset " << offset;
    }
  }
}

TEST(StoredPasswordTest, InterleavesFromBothEndsAndCutsToTheLength) {
  // Body "a c e ... d b": the clear text takes byte 0, byte 19, byte 1, ...
  std::string body(20, '\0');
  body[0] = 'a';
  body[19] = 'b';
  body[1] = 'c';
  body[18] = 'd';
  const int sum = 'a' + 'b' + 'c' + 'd';
  std::string clear;
  EXPECT_EQ(UnscramblePassword(Build(sum % 10, 4, 4, body), &clear), PasswordReading::kOk);
  EXPECT_EQ(clear, "abcd");
  EXPECT_EQ(UnscramblePassword(Build(sum % 10, 4, 2, body), &clear), PasswordReading::kOk);
  EXPECT_EQ(clear, "ab");
  EXPECT_EQ(UnscramblePassword(Build(sum % 10, 4, 99, body), &clear), PasswordReading::kOk);
  EXPECT_EQ(clear, "abcd");  // a length beyond the text takes all of it
  clear = "kept";
  EXPECT_EQ(UnscramblePassword(Build(sum % 10, 4, 0, body), &clear), PasswordReading::kOk);
  EXPECT_EQ(clear, "");  // length 00: empty, which the profile reports missing
  // Only ASCII letters and digits count for the check digit.
  std::string mixed(20, '\0');
  mixed[0] = '!';
  mixed[19] = '7';
  mixed[1] = static_cast<char>(0xE4);
  EXPECT_EQ(UnscramblePassword(Build('7' % 10, 0, 3, mixed), &clear), PasswordReading::kOk);
  EXPECT_EQ(clear, std::string("!7\xE4"));
}

TEST(StoredPasswordTest, MalformedValuesAreInvalidAndLeaveThePassword) {
  std::string stored;
  ASSERT_EQ(ScramblePassword("secret", 2, &stored), ScrambleResult::kOk);
  std::string clear = "kept";
  EXPECT_EQ(UnscramblePassword(stored.substr(0, 23), &clear), PasswordReading::kInvalid);
  EXPECT_EQ(UnscramblePassword(stored + "x", &clear), PasswordReading::kInvalid);
  EXPECT_EQ(UnscramblePassword(stored + " ", &clear), PasswordReading::kInvalid);
  EXPECT_EQ(UnscramblePassword("secret", &clear), PasswordReading::kInvalid);
  for (int i = 0; i < 4; ++i) {
    std::string bad = stored;
    bad[i] = static_cast<char>(bad[i] ^ 0x40);  // no longer a digit
    EXPECT_EQ(UnscramblePassword(bad, &clear), PasswordReading::kInvalid) << i;
  }
  EXPECT_EQ(clear, "kept");
  EXPECT_EQ(UnscramblePassword("", &clear), PasswordReading::kOk);
  EXPECT_EQ(clear, "");
}

TEST(StoredPasswordTest, WrongCheckDigitIsWrongPassword) {
  std::string stored;
  ASSERT_EQ(ScramblePassword("Geheim99", 5, &stored), ScrambleResult::kOk);
  const auto key = ProfileKey();
  const int check = (static_cast<unsigned char>(stored[0]) ^ key[0]) - '0';
  std::string bad = stored;
  bad[0] = static_cast<char>(('0' + (check + 1) % 10) ^ key[0]);
  std::string clear = "kept";
  EXPECT_EQ(UnscramblePassword(bad, &clear), PasswordReading::kWrong);
  EXPECT_EQ(clear, "kept");
  // A changed body character changes the sum as well.
  bad = stored;
  bad[4] = static_cast<char>(bad[4] ^ 0x01);
  EXPECT_EQ(UnscramblePassword(bad, &clear), PasswordReading::kWrong);
}

TEST(StoredPasswordTest, ScramblerRefusesWhatCannotBeStored) {
  std::string stored = "unchanged";
  EXPECT_EQ(ScramblePassword(std::string(21, 'a'), 0, &stored), ScrambleResult::kTooLong);
  EXPECT_EQ(ScramblePassword("secret", 10, &stored), ScrambleResult::kBadOffset);
  EXPECT_EQ(ScramblePassword("secret", -1, &stored), ScrambleResult::kBadOffset);
  EXPECT_EQ(ScramblePassword(std::string("a\0b", 3), 0, &stored), ScrambleResult::kZeroByte);
  EXPECT_EQ(stored, "unchanged");
}

TEST(StoredPasswordTest, ForbiddenBytesMoveToAnotherOffsetOrAreRefused) {
  const auto key = ProfileKey();
  // The first character lies in body byte 0, scrambled with key[offset].
  std::string password = std::string(1, static_cast<char>('\n' ^ key[3])) + "xy";
  std::string stored;
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
