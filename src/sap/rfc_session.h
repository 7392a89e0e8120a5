#ifndef BRINDLEMARK_SAP_RFC_SESSION_H_
#define BRINDLEMARK_SAP_RFC_SESSION_H_

#include "sap/rfc_library.h"
#include "sap/structure_descriptors.h"

/// What a function-module call needs: the library, the open connection and
/// the type handles of the structures described to the library so far.
struct RfcSession {
  RfcLibrary& rfc;
  RfcHandle connection;
  StructureHandles& structures;
};

#endif  // BRINDLEMARK_SAP_RFC_SESSION_H_
