#include "tool/failure_hints.h"

#include <gtest/gtest.h>

namespace {

LibraryTexts Record(const char* key, const char* message) {
  LibraryTexts error;
  error.key = key;
  error.message = message;
  return error;
}

TEST(FailureHintsTest, LogonHintsNameTheUsualCause) {
  const struct {
    const char* key;
    const char* message;
    const char* cause;
  } cases[] = {
      {"RFC_ERROR_LOGON_FAILURE", "Name or password is incorrect (repeat logon)", "password"},
      {"RFC_LOGON_FAILURE", "User is locked. Please notify the person responsible", "locked"},
      {"RFC_LOGON_FAILURE", "Password logon no longer possible - too many failed attempts",
       "locked"},
      {"RFC_ERROR_LOGON_FAILURE", "client 999 is not available in this system", "client"},
      {"RFC_ERROR_COMMUNICATION", "partner 'sapprd:3300' not reached", "not reached"},
      {"RFC_COMMUNICATION_FAILURE", "Group PUBLIC not found", "logon group"},
      {"RFC_ERROR_PROGRAM", "Entry for destination PRD in SapRfc.ini not found", "DEST="},
      {"", "", "trace file"},
  };
  for (const auto& c : cases)
    EXPECT_NE(LogonHint(Record(c.key, c.message)).find(c.cause), std::string::npos) << c.message;
}

TEST(FailureHintsTest, AuthorisationFailures) {
  LibraryTexts none;
  EXPECT_TRUE(IsAuthorisationFailure("Error 1013: Sys-Exception raised ! RFC_NO_AUTHORITY", none));
  EXPECT_TRUE(IsAuthorisationFailure("", Record("RFC_ABAP_RUNTIME_FAILURE",
                                                "User MONITOR has no RFC authorization for "
                                                "function group SYST.")));
  EXPECT_FALSE(IsAuthorisationFailure("Error 1012: Exception.: NO_DATA_FOUND", none));
  std::string hint = AuthorisationHint("RFC_SYSTEM_INFO", true);
  for (const char* part : {"S_RFC", "activity 16", "RFC_SYSTEM_INFO", "SU53", "RFC_METADATA"})
    EXPECT_NE(hint.find(part), std::string::npos) << part;
  EXPECT_EQ(AuthorisationHint("GET_CPU_ALL", false).find("RFC_METADATA"), std::string::npos);
  EXPECT_EQ(ErrorRecordText(Record("K", "")), "key K");
  EXPECT_EQ(ErrorRecordText(none), "");
}

}  // namespace
