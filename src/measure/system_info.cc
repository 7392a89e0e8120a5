#include "measure/system_info.h"

#include <cstdint>
#include <cstring>
#include <string>

#include "sap/structure_descriptors.h"

namespace {

/// The values RFC_SYSTEM_INFO hands back; only RFCHOST of the RFCSI record
/// is used.
struct SystemInfoAnswer {
  std::int32_t currentResources = 0;
  char dialogUserType[1] = {};
  std::int32_t maximalResources = 0;
  std::int32_t recommendedDelay = 0;
  char rfcsi[structures::kRfcsiRecordLength] = {};
  char rfcLoginComplete[1] = {};
};

/// The call stub of RFC_SYSTEM_INFO: installs RFCSI when needed, sends the
/// call without parameters and receives the six values.
Outcome CallSystemInfo(RfcSession& session, SystemInfoAnswer* answer) {
  RfcType& rfcsiType = session.structures.rfcsi;
  if (!InstallStructure(session.rfc, "RFCSI", structures::RFCSI, structures::kRfcsiEntries,
                        &rfcsiType))
    return Outcome::LibraryFailed("RfcInstallStructure");

  RfcParameter exporting[] = {{nullptr, 0, 0, 0, nullptr}};
  RfcTable tables[] = {{nullptr, 0, 0, 0, nullptr, 0, 0}};
  int result = session.rfc.RfcCall(session.connection, "RFC_SYSTEM_INFO", exporting, tables);
  if (result != kRfcOk) return Outcome::CallFailed(result, std::string());

  RfcParameter importing[] = {
      NamedParameter("CURRENT_RESOURCES", kTypeInt, 4, &answer->currentResources),
      NamedParameter("DIALOG_USER_TYPE", kTypeChar, 1, answer->dialogUserType),
      NamedParameter("MAXIMAL_RESOURCES", kTypeInt, 4, &answer->maximalResources),
      NamedParameter("RECOMMENDED_DELAY", kTypeInt, 4, &answer->recommendedDelay),
      NamedParameter("RFCSI_EXPORT", rfcsiType, structures::kRfcsiRecordLength, answer->rfcsi),
      NamedParameter("RFC_LOGIN_COMPLETE", kTypeChar, 1, answer->rfcLoginComplete),
      {nullptr, 0, 0, 0, nullptr},
  };
  char* name = nullptr;
  result = session.rfc.RfcReceive(session.connection, importing, tables, &name);
  return ReceiveOutcome(result, name);
}

}  // namespace

Outcome QuerySystemInfo(RfcSession& session, std::string* hostLabel) {
  SystemInfoAnswer answer;
  Outcome outcome = CallSystemInfo(session, &answer);
  if (outcome.ok()) {
    const char* host = answer.rfcsi + structures::kRfcsiRfchostOffset;
    hostLabel->assign(host, strnlen(host, structures::kRfcsiRfchostLength));
  }
  return outcome;
}
