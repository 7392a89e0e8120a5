#ifndef BRINDLEMARK_SAP_RFC_SESSION_H_
#define BRINDLEMARK_SAP_RFC_SESSION_H_

#include <functional>

#include "sap/function_call.h"
#include "sap/rfc_client.h"

/// What a function-module call needs: the library and the open
/// connection.
struct RfcSession {
  RfcClient& rfc;
  ConnectionId connection;
  /// Logs on again with the same logon data after a failure ended the
  /// connection; the new connection, or 0 when the logon failed. Empty
  /// where no second logon is made.
  std::function<ConnectionId()> logOnAgain = {};

  Outcome Invoke(FunctionCall& call) const { return rfc.Invoke(connection, call); }
};

#endif  // BRINDLEMARK_SAP_RFC_SESSION_H_
