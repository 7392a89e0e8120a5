#ifndef BRINDLEMARK_OUTPUT_ERROR_LINES_H_
#define BRINDLEMARK_OUTPUT_ERROR_LINES_H_

#include <string>
#include <string_view>

/// The sensor's error lines that the run reports and the set-up test
/// shows, in one place so that both say the same.

/// "Error 1002: Profile NAME is missing...".
std::string ProfileMissingMessage(std::string_view profileName);
/// "Error 1011: RFC-Open for DESTINATION failed !".
std::string LogonFailedMessage(std::string_view destination);
/// "Error 1017: No answer from DESTINATION within SECONDS s !".
std::string NoAnswerMessage(std::string_view destination, unsigned seconds);

#endif  // BRINDLEMARK_OUTPUT_ERROR_LINES_H_
