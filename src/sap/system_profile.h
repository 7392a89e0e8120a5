#ifndef BRINDLEMARK_SAP_SYSTEM_PROFILE_H_
#define BRINDLEMARK_SAP_SYSTEM_PROFILE_H_

#include <string>
#include <vector>

struct Run;

/// The logon data of the current SAP system, read from its profile's key
/// lines. Every field holds at most 60 characters; empty when absent.
struct SystemProfile {
  std::string extcompany;
  std::string destination;
  std::string client;
  std::string user;      // upper-cased
  std::string password;  // clear text, at most 20 characters
  std::string language;
  std::string mode;      // "R/2" selects an R/2 logon
  std::string hostname;
  std::string sysnr;
  std::string gwhost;
  std::string gwservice;
  std::string hostLabel;  // shown in progress lines; replaced by RFCHOST
};

/// The lines of the profile of a single-system run, whole and in file
/// order, without line ends; kept for the rewrite of the history.
using ProfileLineTable = std::vector<std::string>;

#endif  // BRINDLEMARK_SAP_SYSTEM_PROFILE_H_
