#ifndef BRINDLEMARK_SAP_RFC_SESSION_H_
#define BRINDLEMARK_SAP_RFC_SESSION_H_

#include "sap/function_call.h"
#include "sap/rfc_client.h"

/// What a function-module call needs: the library and the open
/// connection.
struct RfcSession {
  RfcClient& rfc;
  ConnectionId connection;

  Outcome Invoke(FunctionCall& call) const { return rfc.Invoke(connection, call); }
};

#endif  // BRINDLEMARK_SAP_RFC_SESSION_H_
