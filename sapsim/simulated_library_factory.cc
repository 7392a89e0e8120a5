#include "sap/rfc_library.h"
#include "simulated_sap.h"

std::unique_ptr<RfcLibrary> CreateRfcLibrary() {
  return std::make_unique<SimulatedSap>(".");
}
