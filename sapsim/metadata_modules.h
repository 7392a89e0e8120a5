#ifndef BRINDLEMARK_SAPSIM_METADATA_MODULES_H_
#define BRINDLEMARK_SAPSIM_METADATA_MODULES_H_

#include <cstdint>
#include <string>

#include "sap/rfc_library.h"
#include "sapsim/module_answers.h"

/// The answers of the modules that describe the system's own interfaces,
/// as classic-library programs ask them, and of the workload collector.

/// RFC_GET_FUNCTION_INTERFACE: one PARAMS row per parameter of |function|
/// as the system has it (class I, E, T, then X for each exception), with
/// lengths for characters of the system's width, or of one byte when
/// |nonUnicode|. False when the system has no such function module
/// (FU_NOT_FOUND).
bool AnswerFunctionInterface(const AnswerContext& context, const std::string& function,
                             bool nonUnicode, RfcTable* tables);

/// RFC_GET_STRUCTURE_DEFINITION: the FIELDS rows and TABLENGTH of the
/// structure |name| laid out for characters of |uclen| bytes (1 or 2; 0
/// the system's own width). False when the system has no such structure
/// (TABLE_NOT_ACTIVE).
bool AnswerStructureDefinition(const AnswerContext& context, const std::string& name, int uclen,
                               const RfcParameter* importing, RfcTable* tables);

/// What the caller sent to SWNC_COLLECTOR_GET_AGGREGATES.
struct CollectorRequest {
  std::string component;   // "TOTAL" for all instances
  std::string periodType;  // "D" for a day
  std::string periodStart;
  bool summaryOnly = false;
  std::int64_t factor = 1000;  // the divisor of the times (0 taken as not given)
};

/// SWNC_COLLECTOR_GET_AGGREGATES: the day aggregates of USERTCODE and
/// USERWORKLOAD, each into the table the caller named, in the system's
/// one-byte-per-character layout of the row (the caller's row is filled
/// from it byte for byte, as the library does with what the system sends).
/// False when the system has no aggregate of that period (NO_DATA_FOUND).
bool AnswerCollector(const AnswerContext& context, const CollectorRequest& request,
                     RfcTable* tables);

#endif  // BRINDLEMARK_SAPSIM_METADATA_MODULES_H_
