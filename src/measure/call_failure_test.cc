#include "measure/call_failure.h"

#include <gtest/gtest.h>

TEST(CallFailureTest, MessagesAndExceptionNames) {
  EXPECT_EQ(CallFailureMessage(1, "X"), "Error 1014: RFC-Failure raised !");
  EXPECT_EQ(CallFailureMessage(2, "NOT_FOUND"), "Error 1012: Exception.: NOT_FOUND");
  EXPECT_EQ(CallFailureMessage(3, "X"), "Error 1013: Sys-Exception raised !");
  EXPECT_EQ(CallFailureMessage(-1, "X"), "Error 1015: Other Failure raised !");
  EXPECT_EQ(ExceptionName(nullptr), "");
  EXPECT_EQ(ExceptionName(std::string(300, 'E').c_str()), std::string(255, 'E'));
}
