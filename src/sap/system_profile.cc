#include "sap/system_profile.h"

#include "platform/file_system.h"
#include "platform/text.h"
#include "sap/stored_password.h"

const ProfileKeyEntry kProfileKeys[11] = {
    {"Extcompany.:", &SystemProfile::extcompany, 2},
    {"Destination:", &SystemProfile::destination, 3},
    {"Client.....:", &SystemProfile::client, 3},
    {"User.......:", &SystemProfile::user, 2},
    {"Password...:", &SystemProfile::password, 2},
    {"Language...:", &SystemProfile::language, 1},
    {"Mode.......:", &SystemProfile::mode, 3},
    {"Hostname...:", &SystemProfile::hostname, 2},
    {"Sysnr......:", &SystemProfile::sysnr, 2},
    {"Gwhost.....:", &SystemProfile::gwhost, 2},
    {"Gwservice..:", &SystemProfile::gwservice, 2},
};

namespace {

/// Stores the value of a key line in its field. Returns the fault of a
/// stored password that cannot be unscrambled, kNone otherwise.
ProfileFault TakeKeyLine(const ProfileKeyEntry& entry, std::string_view value,
                         SystemProfile* profile) {
  if (entry.field == &SystemProfile::password) {
    switch (UnscramblePassword(value, &profile->password)) {
      case PasswordReading::kOk: return ProfileFault::kNone;
      case PasswordReading::kInvalid: return ProfileFault::kInvalidPassword;
      case PasswordReading::kWrong: return ProfileFault::kWrongPassword;
    }
    return ProfileFault::kInvalidPassword;
  }
  std::string& field = profile->*entry.field;
  field.assign(value);
  if (entry.field == &SystemProfile::user) {
    field = UpperCased(field);
  } else if (entry.field == &SystemProfile::hostname) {
    profile->hostLabel = field;
  }
  return ProfileFault::kNone;
}

/// Takes one line of the profile if it is a key line.
ProfileFault TakeLine(std::string_view line, SystemProfile* profile) {
  if (line.size() < kProfileKeyLength) return ProfileFault::kNone;
  const std::string_view key = line.substr(0, kProfileKeyLength);
  for (const ProfileKeyEntry& entry : kProfileKeys) {
    if (entry.key != key) continue;
    std::string_view value;
    if (line.size() > kProfileValueColumn)
      value = line.substr(kProfileValueColumn, kMaxProfileValue);
    return TakeKeyLine(entry, value, profile);
  }
  return ProfileFault::kNone;
}

/// The completeness check after the whole file was read.
ProfileFault CheckComplete(const SystemProfile& profile) {
  if (profile.user.empty()) return ProfileFault::kMissingUser;
  if (profile.password.empty()) return ProfileFault::kMissingPassword;
  for (const ProfileKeyEntry& entry : kProfileKeys)
    if ((profile.*entry.field).size() < entry.minimumLength)
      return ProfileFault::kInvalidParameters;
  return ProfileFault::kNone;
}

}  // namespace

ProfileFault ParseSystemProfile(std::string_view contents, SystemProfile* profile,
                                ProfileLineTable* lines, bool stopAtPasswordFault) {
  if (lines != nullptr) lines->clear();
  contents = WithoutByteOrderMark(contents);
  ProfileFault passwordFault = ProfileFault::kNone;
  // ForEachLine cannot be left early: once the reading stops at a faulty
  // Password line, the remaining lines are passed over.
  ForEachLine(contents, [&](std::string_view line) {
    if (stopAtPasswordFault && passwordFault != ProfileFault::kNone) return;
    if (lines != nullptr) lines->emplace_back(line);
    ProfileFault fault = TakeLine(line, profile);
    if (passwordFault == ProfileFault::kNone) passwordFault = fault;
  });
  if (passwordFault != ProfileFault::kNone) return passwordFault;
  return CheckComplete(*profile);
}

std::string ProfileFaultMessage(ProfileFault fault, std::string_view profileName) {
  const std::string name(profileName);
  switch (fault) {
    case ProfileFault::kNone: return std::string();
    case ProfileFault::kInvalidPassword:
      return "Error 1004: Invalid Password in Profile " + name + " found...";
    case ProfileFault::kWrongPassword:
      return "Error 1005: Wrong Password in Profile " + name + " found...";
    case ProfileFault::kMissingUser:
      return "Error 1006: Username in Profile " + name + " is missing...";
    case ProfileFault::kMissingPassword:
      return "Error 1007: Password in Profile " + name + " is missing...";
    case ProfileFault::kInvalidParameters:
      return "Error 1003: Invalid Parameter(s) at " + name + " found...";
  }
  return std::string();
}
