// The Password line of a profile: reading any value is safe, and every
// password that can be stored reads back as itself.

#include <string>

#include "fuzz_check.h"
#include "sap/stored_password.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput input(data, size);
  int offset = input.Byte() % 12 - 1;  // a few outside 0-9
  std::string_view text = input.Rest();

  std::string password = "unchanged";
  PasswordReading reading = UnscramblePassword(text, &password);
  if (reading == PasswordReading::kOk)
    FUZZ_CHECK(password.size() <= kMaxPasswordLength);
  else
    FUZZ_CHECK(password == "unchanged");

  std::string stored = "unchanged";
  int used = -1;
  std::string_view clear = text.substr(0, 24);
  ScrambleResult result = ScramblePasswordAnyOffset(clear, offset < 0 ? 0 : offset, &stored, &used);
  if (result != ScrambleResult::kOk) {
    FUZZ_CHECK(stored == "unchanged");
    return 0;
  }
  FUZZ_CHECK(stored.size() == kStoredPasswordLength);
  FUZZ_CHECK(used >= 0 && used <= kMaxPasswordOffset);
  for (char c : stored) FUZZ_CHECK(IsCleanStoredByte(static_cast<unsigned char>(c)));
  std::string back;
  FUZZ_CHECK(UnscramblePassword(stored, &back) == PasswordReading::kOk);
  FUZZ_CHECK(back == clear);

  std::string fixed;
  if (ScramblePassword(clear, offset, &fixed) == ScrambleResult::kOk) {
    FUZZ_CHECK(offset >= 0 && offset <= kMaxPasswordOffset);
    FUZZ_CHECK(UnscramblePassword(fixed, &back) == PasswordReading::kOk && back == clear);
  }
  return 0;
}
