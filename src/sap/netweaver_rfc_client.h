#ifndef BRINDLEMARK_SAP_NETWEAVER_RFC_CLIENT_H_
#define BRINDLEMARK_SAP_NETWEAVER_RFC_CLIENT_H_

#include <memory>
#include <string>

#include "platform/shared_library.h"
#include "sap/netweaver_rfc_api.h"
#include "sap/rfc_client.h"

/// The sensor's RFC client over the NetWeaver RFC library, in that
/// library's own terms:
///
/// - Logons: the logon data, or a destination of the destination file
///   ("SapRfc.ini") with the logon data that complete it, become logon
///   parameters (RfcOpenConnection). R/2 is not served.
/// - A call fetches the function module's description from the system
///   (RfcGetFunctionDesc), creates the function, sets the values sent by
///   name and invokes it; the values, structures and tables received are
///   read field by field by name, each field's description looked up once
///   per call. An ABAP exception is an exception by its name; a short
///   dump, an ABAP message or a lost connection a system failure; a
///   function module the system does not know a missing function.
/// - Failures carry the library's texts: key, status (the library's return
///   code), message and internal status (the ABAP message when there is
///   one); they are also each thread's last error.
/// - The library has no error handler.
///
/// Takes over |library| when it exports every required function of
/// NwRfcFunctions (RfcCancel and RfcGetVersion are looked up, not
/// required); otherwise null with |missing| set to the name of the first
/// function it lacks.
std::unique_ptr<RfcClient> OpenNetWeaverRfcClient(std::unique_ptr<SharedLibrary> library,
                                                  std::string* missing);

/// The client over |functions| (all set) of a library linked in; SapRfc.ini
/// is looked for in |directory|.
std::unique_ptr<RfcClient> MakeNetWeaverRfcClient(const NwRfcFunctions& functions,
                                                  std::string directory = ".");

#endif  // BRINDLEMARK_SAP_NETWEAVER_RFC_CLIENT_H_
