#ifndef BRINDLEMARK_FUZZ_FUZZ_RFC_CLIENT_H_
#define BRINDLEMARK_FUZZ_FUZZ_RFC_CLIENT_H_

#include <memory>

#include "fuzz_check.h"
#include "sap/rfc_client.h"

/// An RFC client whose every answer is taken from the fuzzer's input:
/// logons succeed or fail, calls end in any outcome with the library's
/// texts, and the values and rows received are typed values of the
/// input: packed fields from bytes of the input through the packed
/// number's parser, texts laid over well-formed values now and then.
/// It never calls the error handler (the sensor's handler ends the
/// process).
std::unique_ptr<RfcClient> CreateFuzzRfcClient(FuzzInput& input);

#endif  // BRINDLEMARK_FUZZ_FUZZ_RFC_CLIENT_H_
