#include "measure/system_info.h"

#include <cstdint>
#include <cstring>
#include <string>

#include "measure/call_failure.h"
#include "run/run.h"
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
/// call without parameters and receives the six values. Returns the code
/// of RfcCall when it is not 0, else that of RfcReceive; on 2 and 3
/// |exception| holds the exception name.
int CallSystemInfo(Run& run, SystemInfoAnswer* answer, std::string* exception) {
  InstallStructure(run, "RFCSI", structures::RFCSI, structures::kRfcsiEntries,
                   &run.rfcsiTypeHandle);

  RfcParameter exporting[] = {{nullptr, 0, 0, 0, nullptr}};
  RfcTable tables[] = {{nullptr, 0, 0, 0, nullptr, 0, 0}};
  int result = run.rfc.RfcCall(run.connection, "RFC_SYSTEM_INFO", exporting, tables);
  if (result != 0) return result;

  RfcParameter importing[] = {
      {"CURRENT_RESOURCES", 17, kTypeInt, 4, &answer->currentResources},
      {"DIALOG_USER_TYPE", 16, kTypeChar, 1, answer->dialogUserType},
      {"MAXIMAL_RESOURCES", 17, kTypeInt, 4, &answer->maximalResources},
      {"RECOMMENDED_DELAY", 17, kTypeInt, 4, &answer->recommendedDelay},
      {"RFCSI_EXPORT", 12, run.rfcsiTypeHandle, structures::kRfcsiRecordLength,
       answer->rfcsi},
      {"RFC_LOGIN_COMPLETE", 18, kTypeChar, 1, answer->rfcLoginComplete},
      {nullptr, 0, 0, 0, nullptr},
  };
  char* name = nullptr;
  result = run.rfc.RfcReceive(run.connection, importing, tables, &name);
  if (result == kRfcException || result == kRfcSysException)
    *exception = ExceptionName(name);
  return result;
}

}  // namespace

int QuerySystemInfo(Run& run) {
  SystemInfoAnswer answer;
  std::string exception;
  int result = CallSystemInfo(run, &answer, &exception);
  if (result == kRfcOk) {
    run.runStatus = RunStatus::Ok;
    const char* host = answer.rfcsi + structures::kRfcsiRfchostOffset;
    run.systemProfile.hostLabel.assign(
        host, strnlen(host, structures::kRfcsiRfchostLength));
  } else {
    run.resultDocument.Append(CallFailureMessage(result, exception));
  }
  return result;
}
