#include "output/error_lines.h"

std::string ProfileMissingMessage(std::string_view profileName) {
  return "Error 1002: Profile " + std::string(profileName) + " is missing...";
}

std::string LogonFailedMessage(std::string_view destination) {
  return "Error 1011: RFC-Open for " + std::string(destination) + " failed !";
}

std::string NoAnswerMessage(std::string_view destination, unsigned seconds) {
  return "Error 1017: No answer from " + std::string(destination) + " within " +
         std::to_string(seconds) + " s !";
}
