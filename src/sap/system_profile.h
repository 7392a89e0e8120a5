#ifndef BRINDLEMARK_SAP_SYSTEM_PROFILE_H_
#define BRINDLEMARK_SAP_SYSTEM_PROFILE_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

/// The logon data of the current SAP system, read from its profile's key
/// lines. Every field holds at most 60 characters; empty when absent.
struct SystemProfile {
  std::string extcompany;
  std::string destination;
  std::string client;
  std::string user;      // upper-cased
  std::string password;  // clear text, at most 20 characters
  std::string language;
  std::string mode;  // "R/2" selects an R/2 logon
  std::string hostname;
  std::string sysnr;
  std::string gwhost;
  std::string gwservice;
  std::string hostLabel;  // shown in progress lines; replaced by RFCHOST
};

/// The lines of the profile of a single-system run, whole and in file
/// order, without line ends; kept for the rewrite of the history.
using ProfileLineTable = std::vector<std::string>;

/// A key line: the key in columns 1-12, a separator in column 13 whose
/// content does not matter, the value from column 14 on.
inline constexpr size_t kProfileKeyLength = 12;
inline constexpr size_t kProfileValueColumn = 13;  // counted from 0
/// The longest value taken from a key line; the rest of the line is cut.
inline constexpr size_t kMaxProfileValue = 60;

/// One key of the profile, in the order in which the keys are written.
struct ProfileKeyEntry {
  std::string_view key;  // 12 characters, e.g. "Client.....:"
  std::string SystemProfile::*field;
  size_t minimumLength;  // fewer characters: the profile is incomplete
};

/// The eleven keys of a system profile, in their written order. The
/// Hostname line also fills hostLabel; the user is upper-cased and the
/// password unscrambled.
extern const ProfileKeyEntry kProfileKeys[11];

/// What the reading of a profile found wrong; the first fault found wins.
enum class ProfileFault {
  kNone,
  kInvalidPassword,    // 1004: the stored password is malformed
  kWrongPassword,      // 1005: its check digit does not match
  kMissingUser,        // 1006
  kMissingPassword,    // 1007
  kInvalidParameters,  // 1003: a field is shorter than its minimum
};

/// Reads the key lines of a profile's |contents| into |profile|, without
/// any run: a key line sets its field (the last line of a key wins); the
/// fields no key line names keep what they held. A byte-order mark at the
/// start of |contents| is passed over. When |lines| is not null it is
/// emptied and receives every line read, whole, in file order. A
/// malformed or wrong stored password is a fault found while its line is
/// read: with |stopAtPasswordFault| the reading ends there (|lines| then
/// ends with that line), otherwise it goes on (and |profile->password|
/// keeps what it held). After
/// the whole file the record is checked for the user, the password and the
/// minimum lengths, in that order.
ProfileFault ParseSystemProfile(std::string_view contents, SystemProfile* profile,
                                ProfileLineTable* lines, bool stopAtPasswordFault);

/// The sensor's message for |fault| in the profile named |profileName|
/// (the file name without directory); empty for kNone.
std::string ProfileFaultMessage(ProfileFault fault, std::string_view profileName);

#endif  // BRINDLEMARK_SAP_SYSTEM_PROFILE_H_
