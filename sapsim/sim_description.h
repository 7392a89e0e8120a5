#ifndef BRINDLEMARK_SAPSIM_SIM_DESCRIPTION_H_
#define BRINDLEMARK_SAPSIM_SIM_DESCRIPTION_H_

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

/// One row of workload statistics as the description lists it: a client,
/// a user account, four integer counters and seven packed times/volumes.
struct StatisticsRow {
  /// The integer columns, in the order of kIntegerColumns.
  static constexpr int kIntegers = 4;
  /// The packed columns, in the order of kPackedColumns.
  static constexpr int kPacked = 7;

  std::string client;
  std::string account;
  std::int32_t integers[kIntegers] = {};
  /// A packed column: a number, or (bit i of rawMask set) 8 bytes taken
  /// as the packed field itself, stored in the number's bits.
  std::int64_t packed[kPacked] = {};
  std::uint8_t rawMask = 0;
};

/// The description keys (lower case) and SAP field names of the columns.
struct StatisticsColumn {
  const char* key;
  const char* field;
};
extern const StatisticsColumn kIntegerColumns[StatisticsRow::kIntegers];
extern const StatisticsColumn kPackedColumns[StatisticsRow::kPacked];

/// The numeric columns of a row of the workload collector's aggregates
/// (USERTCODE, USERWORKLOAD), in record order: counters, then times. The
/// description keys are the field names in lower case.
struct CollectorColumn {
  const char* key;
  const char* field;
  bool time;  // stored in microseconds, answered divided by FACTOR
};
constexpr int kCollectorColumns = 22;
extern const CollectorColumn kCollectorColumnList[kCollectorColumns];

/// One row of the workload collector's day aggregate of one account and
/// task type, as the collector stores it: times in microseconds.
struct CollectorRow {
  std::uint8_t tasktype = 0;  // raw task type: 01 dialog, 02 update, 04 background, FE RFC
  std::string client;
  std::string account;
  std::string entryId;
  std::int64_t values[kCollectorColumns] = {};
};

/// The release of a simulated system, which decides which function modules
/// it has.
enum class SapRelease {
  k46C,  // the accounting interface answers; no workload collector
  k750,  // both; the accounting interface finds no data on any day
  kS4,   // the workload collector only
};

/// A fault that makes calls of one function module fail.
struct FunctionFault {
  std::optional<int> call;     // what RfcCall returns
  std::optional<int> receive;  // what RfcReceive returns ...
  std::string exception;       // ... with this exception name
  bool close = false;          // the system ends the connection with it
};

/// What RfcLastError reports, when the description fixes it.
struct LastErrorTexts {
  std::string key, status, message, internalStatus;
};

/// The faults of one system (all optional).
struct SystemFaults {
  std::optional<std::string> logon;  // refuses every logon with this text
  std::map<std::string, FunctionFault> functions;
  std::optional<std::string> installStructure;  // structure name
  std::optional<std::string> itCreate;          // table names
  std::optional<std::string> itGetLine;
  std::optional<std::string> itDelete;
  std::optional<std::string> handlerFunction;  // report through the handler
  std::string handlerText;
  std::optional<LastErrorTexts> lastError;
  std::vector<std::string> trace;  // lines for "Dev_Rfc.Trc"
  /// "hang": "logon" or a function module: that logon, or every call of
  /// that module, never returns.
  std::optional<std::string> hang;
};

/// How long the system takes to answer, in milliseconds.
struct SystemLatency {
  int logon = 0;  // each logon
  int call = 0;   // each function-module call, before its answer
};

/// One simulated SAP system.
struct SimulatedSystem {
  bool r2 = false;   // "mode": "R/2"
  std::string host;  // R/3 application-server host
  std::optional<int> sysnr;
  std::string gwhost;  // R/2 gateway host
  std::string client, user, password;
  std::string rfchost;  // defaults to the host (or gateway host)
  std::string sysid;
  std::string clock = "now";
  SystemLatency latency;
  /// Rows by date (YYYYMMDD) or "today", in file order.
  std::unordered_map<std::string, std::vector<StatisticsRow>> statistics;
  SystemFaults faults;
  SapRelease release = SapRelease::k46C;
  /// The collector's table whose row carries the client (MANDT):
  /// "USERWORKLOAD", "USERTCODE" or "none".
  std::string collectorClientTable = "USERWORKLOAD";
  /// The collector's own rows by date (YYYYMMDD) or "today"; a date listed
  /// here is answered from them instead of from "statistics".
  std::unordered_map<std::string, std::vector<CollectorRow>> collector;
};

/// The contents of "SapSim.json".
struct SimDescription {
  std::string journal;  // file name, empty when there is no journal
  /// How long loading the stand-in library takes, in milliseconds.
  int loadLatencyMs = 0;
  std::vector<SimulatedSystem> systems;
  /// Systems by lower-cased host (R/3) and gateway host (R/2), each list
  /// in file order.
  std::unordered_map<std::string, std::vector<std::size_t>> r3ByHost;
  std::unordered_map<std::string, std::vector<std::size_t>> r2ByGwhost;

  /// The first R/3 system on |host| (case ignored) whose system number is
  /// absent or equal to |sysnr|; null when there is none.
  const SimulatedSystem* FindR3(const std::string& host, int sysnr) const;
  /// The first R/2 system behind the gateway host |gwhost|; null if none.
  const SimulatedSystem* FindR2(const std::string& gwhost) const;
  /// The first R/3 system whose "sysid" is |sysid| (case ignored), as a
  /// load-balanced logon finds it; null when there is none.
  const SimulatedSystem* FindBySysid(const std::string& sysid) const;
};

/// Reads a description from the JSON text |text| (comments allowed).
/// Statistics rows are converted while the text is parsed, so that large
/// tables are never held as a document. Null with |error| set when the
/// text is not a valid description.
std::shared_ptr<const SimDescription> ParseDescription(const std::string& text, std::string* error);

/// Reads the description file's text; false (with |error|) when it cannot
/// be opened.
bool ReadDescriptionText(const std::string& path, std::string* text, std::string* error);

/// Takes as long as "load_latency" of the description in |directory|
/// says: called while the stand-in library is loaded.
void SimulateLoadTime(const std::string& directory);

#endif  // BRINDLEMARK_SAPSIM_SIM_DESCRIPTION_H_
