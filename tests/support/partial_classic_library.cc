// A library that exports only the first two functions of the classic RFC
// library, for the test of a library that lacks functions.

#include "sap/classic_rfc_api.h"

#if defined(_WIN32)
#define RFC_EXPORT extern "C" __declspec(dllexport)
#else
#define RFC_EXPORT extern "C" __attribute__((visibility("default")))
#endif

RFC_EXPORT void CLASSIC_RFC_CALL RfcEnvironment(classic_rfc::Environment*) {}

RFC_EXPORT classic_rfc::Handle CLASSIC_RFC_CALL RfcOpen(classic_rfc::Options*) { return 0; }
