#include "measure/system_info.h"

#include <string>

namespace {

/// The system information RFCSI_EXPORT; a 200-byte record.
const RowType kRfcsi{
    "RFCSI",
    {CharField("RFCPROTO", 3), CharField("RFCCHARTYP", 4), CharField("RFCINTTYP", 3),
     CharField("RFCFLOTYP", 3), CharField("RFCDEST", 32), CharField("RFCHOST", 8),
     CharField("RFCSYSID", 8), CharField("RFCDATABS", 8), CharField("RFCDBHOST", 32),
     CharField("RFCDBSYS", 10), CharField("RFCSAPRL", 4), CharField("RFCMACH", 5),
     CharField("RFCOPSYS", 10), CharField("RFCTZONE", 6), CharField("RFCDAYST", 1),
     CharField("RFCIPADDR", 15), CharField("RFCKERNRL", 4), CharField("RFCSI_RESV", 44)}};

}  // namespace

const RowType& SystemInfoRowType() { return kRfcsi; }

Outcome QuerySystemInfo(RfcSession& session, std::string* hostLabel) {
  // No values sent; six received, of which only RFCHOST of RFCSI_EXPORT is
  // used.
  FunctionCall call("RFC_SYSTEM_INFO");
  call.Receive(IntField("CURRENT_RESOURCES"));
  call.Receive(CharField("DIALOG_USER_TYPE", 1));
  call.Receive(IntField("MAXIMAL_RESOURCES"));
  call.Receive(IntField("RECOMMENDED_DELAY"));
  call.ReceiveStructure("RFCSI_EXPORT", kRfcsi);
  call.Receive(CharField("RFC_LOGIN_COMPLETE", 1));
  Outcome outcome = session.Invoke(call);
  if (outcome.ok()) {
    const TableRows& rfcsi = *call.Structure("RFCSI_EXPORT");
    hostLabel->assign(rfcsi.Text(0, kRfcsi.FieldIndex("RFCHOST")));
  }
  Outcome released = call.Release();
  return released.ok() ? outcome : released;
}
