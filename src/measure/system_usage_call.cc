#include "measure/system_usage_call.h"

#include <algorithm>
#include <cstring>

#include "sap/structure_descriptors.h"

Outcome CallSystemUsage(RfcSession& session, std::string_view serverDate, ItHandle statistic,
                        ItHandle userAccountRelation) {
  StructureHandles& types = session.structures;
  if (!InstallStructure(session.rfc, "SAPWLACCTS", structures::SAPWLACCTS,
                        structures::kSapwlacctsEntries, &types.sapwlaccts) ||
      !InstallStructure(session.rfc, "USRACCNTV", structures::USRACCNTV,
                        structures::kUsraccntvEntries, &types.usraccntv))
    return Outcome::LibraryFailed("RfcInstallStructure");

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
  std::memcpy(startDate, serverDate.data(), std::min(serverDate.size(), sizeof startDate));

  RfcParameter exporting[] = {
      NamedParameter("CLIENT", kTypeChar, sizeof client, client),
      NamedParameter("CUMULATION_MODE", kTypeChar, sizeof cumulationMode, cumulationMode),
      NamedParameter("INSTANCE", kTypeChar, sizeof instance, instance),
      NamedParameter("INSTID", kTypeChar, sizeof instid, instid),
      NamedParameter("PERIODTYPE", kTypeChar, sizeof periodType, periodType),
      NamedParameter("STARTDATE", kTypeDate, sizeof startDate, startDate),
      {nullptr, 0, 0, 0, nullptr},
  };
  RfcTable tables[] = {
      NamedTable("STATISTIC", types.sapwlaccts, kStatisticRowLength, statistic),
      NamedTable("USER_ACCOUNT_RELATION", types.usraccntv, kUserAccountRowLength,
                 userAccountRelation),
      {nullptr, 0, 0, 0, nullptr, 0, 0},
  };
  int result =
      session.rfc.RfcCall(session.connection, "SAPWL_ACCNT_GET_SYSTEM_USAGE", exporting, tables);
  if (result != kRfcOk) return Outcome::CallFailed(result, std::string());

  RfcParameter importing[] = {{nullptr, 0, 0, 0, nullptr}};
  char* name = nullptr;
  result = session.rfc.RfcReceive(session.connection, importing, tables, &name);
  return ReceiveOutcome(result, name);
}
