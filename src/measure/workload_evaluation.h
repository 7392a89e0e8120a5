#ifndef BRINDLEMARK_MEASURE_WORKLOAD_EVALUATION_H_
#define BRINDLEMARK_MEASURE_WORKLOAD_EVALUATION_H_

struct Run;

/// Measures the workload of the system on run.connection.
///
/// Fetches the day's statistics rows (SAPWL_ACCNT_GET_SYSTEM_USAGE), sums
/// them per client (one slot per distinct client, in the order of its
/// first row) and over the clients the client filter selects, and then:
///
/// - single-system run: keeps the usage history in the profile, takes each
///   client's differences to its baseline and writes the whole result
///   document (summary text and the total or per-client channels);
/// - item run: prints the requested item of this system at once as one
///   channel named run.itemChannelName, or with a per-client option this
///   system's per-client channels, and sets run.itemReported.
///
/// Sets run.runStatus to Ok when the statistics were read or the system
/// had none ("NO_DATA_FOUND", which gives the no-data document); leaves
/// Err and appends the error line when the call failed, and sets Err when
/// the profile could not be rewritten. Failures of the library's tables
/// end the run through the RFC failure report.
///
/// Returns the result code of the statistics call.
int EvaluateWorkload(Run& run);

#endif  // BRINDLEMARK_MEASURE_WORKLOAD_EVALUATION_H_
