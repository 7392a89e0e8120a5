#ifndef BRINDLEMARK_SAPSIM_LOCKED_SAP_H_
#define BRINDLEMARK_SAPSIM_LOCKED_SAP_H_

#include <memory>

#include "sap/rfc_library.h"
#include "sapsim/simulated_sap.h"

/// The simulated system |sim| as the stand-in libraries call it: each call
/// holds the system's lock, so that threads may share it, one connection
/// per thread (a system that takes its time lets the lock go). |sim|
/// outlives the view.
std::unique_ptr<RfcLibrary> LockedView(SimulatedSap& sim);

#endif  // BRINDLEMARK_SAPSIM_LOCKED_SAP_H_
