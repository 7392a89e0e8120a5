#ifndef BRINDLEMARK_SAP_CLASSIC_RFC_LIBRARY_H_
#define BRINDLEMARK_SAP_CLASSIC_RFC_LIBRARY_H_

#include <memory>
#include <string>

#include "platform/shared_library.h"
#include "sap/rfc_library.h"

/// The sensor's RFC library operations over a loaded classic RFC library:
/// every call converts the sensor's records to the library's and back.
/// Takes over |library| when it exports every function the sensor calls;
/// otherwise null with |missing| set to the name of the first function it
/// lacks. The library's trace file is "dev_rfc", which SAP documents as
/// its trace file in the working directory.
std::unique_ptr<RfcLibrary> OpenClassicRfcLibrary(std::unique_ptr<SharedLibrary> library,
                                                  std::string* missing);

#endif  // BRINDLEMARK_SAP_CLASSIC_RFC_LIBRARY_H_
