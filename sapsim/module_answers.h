#ifndef BRINDLEMARK_SAPSIM_MODULE_ANSWERS_H_
#define BRINDLEMARK_SAPSIM_MODULE_ANSWERS_H_

#include <string>

#include "sap/rfc_library.h"
#include "sapsim/local_time.h"
#include "sapsim/sim_description.h"
#include "sapsim/structure_registry.h"

/// What the answers of the function modules are made from. The caller's
/// lists have been checked against the module's interface before.
struct AnswerContext {
  const SimulatedSystem* system;
  const StructureRegistry* registry;
  LocalMoment moment;  // the local time of the call
};

/// GET_CPU_ALL: the importing values (LASTCOLLWRT is the system's clock,
/// "now" the moment of the call) and one line of TF_CPU_ALL.
void AnswerCpuAll(const AnswerContext& context, const RfcParameter* importing, RfcTable* tables);

/// RFC_SYSTEM_INFO: the importing values, RFCSI_EXPORT laid out from the
/// installed RFCSI structure.
void AnswerSystemInfo(const AnswerContext& context, const RfcParameter* importing);

/// SAPWL_ACCNT_GET_SYSTEM_USAGE: appends the rows of |startdate| to the
/// STATISTIC table: the dated rows, or, when |startdate| is the date of the
/// call and there are none, the "today" rows scaled by the time of day.
/// False (nothing appended) when the date has no rows listed at all.
bool AnswerSystemUsage(const AnswerContext& context, const std::string& startdate,
                       RfcTable* tables);

/// A "today" rate scaled to the time of day: rate * seconds / 3600.
std::int64_t ScaleRate(std::int64_t rate, long secondsOfDay);

#endif  // BRINDLEMARK_SAPSIM_MODULE_ANSWERS_H_
