#include "sap/rfc_library.h"

std::unique_ptr<RfcLibrary> CreateRfcLibrary() { return nullptr; }
