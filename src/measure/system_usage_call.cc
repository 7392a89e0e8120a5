#include "measure/system_usage_call.h"

#include <algorithm>
#include <cstring>

#include "measure/call_failure.h"
#include "run/run.h"
#include "sap/structure_descriptors.h"

int CallSystemUsage(Run& run, ItHandle statistic, ItHandle userAccountRelation,
                    std::string* exception) {
  exception->clear();
  InstallStructure(run, "SAPWLACCTS", structures::SAPWLACCTS,
                   structures::kSapwlacctsEntries, &run.sapwlacctsTypeHandle);
  InstallStructure(run, "USRACCNTV", structures::USRACCNTV,
                   structures::kUsraccntvEntries, &run.usraccntvTypeHandle);

  // All clients, cumulated per user, no instance named, for the day of the
  // server date. The values are fixed-width fields without terminators.
  char client[3] = {'*', ' ', ' '};
  char cumulationMode[1] = {'U'};
  char instance[39];
  std::memset(instance, ' ', sizeof instance);
  char instid[8];
  std::memset(instid, ' ', sizeof instid);
  char periodType[1] = {'D'};
  char startDate[8];
  std::memset(startDate, '0', sizeof startDate);
  std::memcpy(startDate, run.serverDate.data(),
              std::min(run.serverDate.size(), sizeof startDate));

  RfcParameter exporting[] = {
      {"CLIENT", 6, kTypeChar, sizeof client, client},
      {"CUMULATION_MODE", 15, kTypeChar, sizeof cumulationMode, cumulationMode},
      {"INSTANCE", 8, kTypeChar, sizeof instance, instance},
      {"INSTID", 6, kTypeChar, sizeof instid, instid},
      {"PERIODTYPE", 10, kTypeChar, sizeof periodType, periodType},
      {"STARTDATE", 9, kTypeDate, sizeof startDate, startDate},
      {nullptr, 0, 0, 0, nullptr},
  };
  RfcTable tables[] = {
      {"STATISTIC", 9, run.sapwlacctsTypeHandle, kStatisticRowLength, statistic, 0, 0},
      {"USER_ACCOUNT_RELATION", 21, run.usraccntvTypeHandle, kUserAccountRowLength,
       userAccountRelation, 0, 0},
      {nullptr, 0, 0, 0, nullptr, 0, 0},
  };
  int result = run.rfc.RfcCall(run.connection, "SAPWL_ACCNT_GET_SYSTEM_USAGE",
                               exporting, tables);
  if (result != 0) return result;

  RfcParameter importing[] = {{nullptr, 0, 0, 0, nullptr}};
  char* name = nullptr;
  result = run.rfc.RfcReceive(run.connection, importing, tables, &name);
  if (result == kRfcException || result == kRfcSysException)
    *exception = ExceptionName(name);
  return result;
}
