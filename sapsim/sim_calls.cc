// Function-module calls: the check of what the caller sends and the
// answers.

#include <nlohmann/json.hpp>

#include "sapsim/collector.h"
#include "sapsim/local_time.h"
#include "sapsim/metadata_modules.h"
#include "sapsim/module_answers.h"
#include "sapsim/sim_state.h"

using nlohmann::json;

namespace {
constexpr const char kInvalidParameter[] = "INVALID_PARAMETER";
constexpr const char kNoDataFound[] = "NO_DATA_FOUND";
/// The exporting values of a call as the journal shows them.
json ExportingValues(const RfcParameter* exporting) {
  json values = json::object();
  std::size_t count = 0;
  for (const RfcParameter* p = exporting;
       p != nullptr && p->name != nullptr && count < kMaxListEntries; ++p, ++count)
    values[JournalText(p->name).get<std::string>()] = JournalValue(*p);
  return values;
}

}  // namespace

int SimulatedSap::RfcCall(RfcHandle handle, const char* function, const RfcParameter* exporting,
                          RfcTable* tables) {
  State& s = *state_;
  s.journal.Write({{"op", "RfcCall"},
                   {"function", JournalText(function)},
                   {"exporting", ExportingValues(exporting)}});

  SimConnection* connection = s.Find(handle);
  if (connection == nullptr) return kRfcFailure;
  connection->pending = false;
  if (!connection->logonRefusal.empty()) {
    // The logon data went with this call and were refused: the system
    // ends the connection.
    s.RefuseLogon(*connection->system, connection->logonRefusal);
    s.connections.erase(handle);
    return kRfcFailure;
  }
  if (function == nullptr) {
    s.SetError("RFC_ERROR_PROGRAM", "", "no function module named", "");
    return kRfcFailure;
  }
  std::string name = function;
  const FunctionModule* module = FindFunctionModule(name);
  // A module the system's release does not have is as unknown to it as
  // any other name.
  bool missing = module == nullptr || !HasFunctionModule(*connection->system, name);
  if (missing) module = nullptr;
  ListCheck exportingCheck = s.CheckParameterList(exporting, module, /*importing=*/false);
  ListCheck tableCheck = s.CheckTableList(tables, module);
  if (exportingCheck == ListCheck::kUnknownType || tableCheck == ListCheck::kUnknownType) {
    s.SetError("RFC_ERROR_PROGRAM", "", "unknown type or table handle in the call of " + name, "");
    return kRfcFailure;
  }

  const SimulatedSystem& system = *connection->system;
  if (system.faults.handlerFunction == name) {
    s.Fire(system, "RFC_ERROR_SYSTEM_FAILURE", system.faults.handlerText);
    // The sensor's handler does not return: nothing may be left half done
    // here, and nothing is pending.
    // The handler runs with the system let go: it may wait for other
    // threads' calls to end.
    RfcEnvironmentRecord environment = s.environment;
    std::string text = system.faults.handlerText;
    if (environment.errorhandler != nullptr)
      s.LetGoWhile([&] { environment.errorhandler(environment.context, text.c_str()); });
    return kRfcFailure;
  }
  auto fault = system.faults.functions.find(name);
  if (fault != system.faults.functions.end() && fault->second.call &&
      *fault->second.call != kRfcOk) {
    s.Fire(system, "RFC_ERROR_COMMUNICATION", "RfcCall " + name + " failed");
    return *fault->second.call;
  }

  connection->pending = true;
  connection->function = name;
  connection->module = module;
  connection->invalid =
      module == nullptr || exportingCheck != ListCheck::kValid || tableCheck != ListCheck::kValid;
  connection->missing = missing;
  connection->startdate.clear();
  connection->exporting.clear();
  for (const RfcParameter* p = exporting; p != nullptr && p->name != nullptr; ++p) {
    if (connection->invalid) break;
    std::string entry = EntryName(p->name, p->nlen);
    std::string value(static_cast<const char*>(p->addr), p->leng);
    if (entry == "STARTDATE") connection->startdate = value;
    connection->exporting[entry] = value;
  }
  return kRfcOk;
}

/// The outcome of RfcReceive: the function answered, the result code and
/// the exception raised.
struct ReceiveAnswer {
  std::string function;
  int result = kRfcFailure;
  std::string raised;
  bool close = false;  // the system ends the connection with this answer
};

namespace {

/// The exporting value |name| of the pending call as text, or empty.
std::string Sent(const SimConnection& connection, const char* name) {
  auto found = connection.exporting.find(name);
  return found == connection.exporting.end() ? std::string() : found->second;
}

/// The collector's parameters as the caller sent them.
CollectorRequest CollectorRequestOf(const SimConnection& connection) {
  CollectorRequest request;
  request.component = Sent(connection, "COMPONENT");
  request.periodType = Sent(connection, "PERIODTYPE");
  request.periodStart = Sent(connection, "PERIODSTRT");
  request.summaryOnly = Sent(connection, "SUMMARY_ONLY") == "X";
  std::string factor = Sent(connection, "FACTOR");
  if (factor.size() == 4) {
    std::uint32_t bits = 0;
    for (int i = 3; i >= 0; --i) bits = bits << 8 | static_cast<unsigned char>(factor[i]);
    request.factor = static_cast<std::int32_t>(bits);
  }
  return request;
}

}  // namespace

/// Works out the answer of the call pending on |handle| and stores the
/// importing values and table lines.
ReceiveAnswer Answer(SimulatedSap::State& s, RfcHandle handle, const RfcParameter* importing,
                     RfcTable* tables) {
  ReceiveAnswer answer;
  SimConnection* connection = s.Find(handle);
  if (connection == nullptr) return answer;
  if (!connection->pending) {
    s.SetError("RFC_ERROR_PROGRAM", "", "RfcReceive without a preceding RfcCall", "");
    return answer;
  }
  connection->pending = false;
  answer.function = connection->function;
  const FunctionModule* module = connection->module;
  ListCheck importingCheck = s.CheckParameterList(importing, module, /*importing=*/true);
  ListCheck tableCheck = s.CheckTableList(tables, module);
  if (importingCheck == ListCheck::kUnknownType || tableCheck == ListCheck::kUnknownType) {
    s.SetError("RFC_ERROR_PROGRAM", "",
               "unknown type or table handle in the answer of " + answer.function, "");
    return answer;
  }
  const SimulatedSystem& system = *connection->system;
  auto fault = system.faults.functions.find(answer.function);
  if (fault != system.faults.functions.end() && fault->second.receive &&
      *fault->second.receive != kRfcOk) {
    answer.result = *fault->second.receive;
    s.Fire(system,
           answer.result == kRfcException ? "RFC_ERROR_APPLICATION_EXCEPTION"
                                          : "RFC_ERROR_SYSTEM_FAILURE",
           fault->second.exception.empty() ? "RfcReceive " + answer.function + " failed"
                                           : fault->second.exception);
    if (answer.result == kRfcException || answer.result == kRfcSysException)
      answer.raised = fault->second.exception;
    answer.close = fault->second.close;
    return answer;
  }
  if (connection->missing) {
    // The system has no such module: the call ends in a runtime error on
    // its side, a system failure that ends the connection.
    answer.result = kRfcSysException;
    answer.raised = "SYSTEM_FAILURE";
    answer.close = true;
    s.SetError("RFC_ERROR_SYSTEM_FAILURE", "",
               "Function module \"" + answer.function + "\" not found", "");
    return answer;
  }
  if (connection->invalid || importingCheck != ListCheck::kValid ||
      tableCheck != ListCheck::kValid) {
    answer.result = kRfcException;
    answer.raised = kInvalidParameter;
    return answer;
  }
  AnswerContext context{&system, &s.registry, LocalNow()};
  answer.result = kRfcOk;
  if (answer.function == "GET_CPU_ALL") {
    AnswerCpuAll(context, importing, tables);
  } else if (answer.function == "RFC_SYSTEM_INFO") {
    AnswerSystemInfo(context, importing);
  } else if (answer.function == kCollectorFunction) {
    if (!AnswerCollector(context, CollectorRequestOf(*connection), tables)) {
      answer.result = kRfcException;
      answer.raised = kNoDataFound;
    }
  } else if (answer.function == "RFC_GET_FUNCTION_INTERFACE") {
    std::string name = Sent(*connection, "FUNCNAME");
    while (!name.empty() && name.back() == ' ') name.pop_back();
    if (!AnswerFunctionInterface(context, name, Sent(*connection, "NONE_UNICODE_LENGTH") == "X",
                                 tables)) {
      answer.result = kRfcException;
      answer.raised = "FU_NOT_FOUND";
    }
  } else if (answer.function == "RFC_GET_STRUCTURE_DEFINITION") {
    std::string name = Sent(*connection, "TABNAME");
    while (!name.empty() && name.back() == ' ') name.pop_back();
    std::string uclen = Sent(*connection, "UCLEN");
    if (!AnswerStructureDefinition(context, name,
                                   uclen.empty() ? 0 : static_cast<unsigned char>(uclen[0]),
                                   importing, tables)) {
      answer.result = kRfcException;
      answer.raised = "TABLE_NOT_ACTIVE";
    }
  } else if (system.release == SapRelease::k750 ||
             !AnswerSystemUsage(context, connection->startdate, tables)) {
    // On a 7.50 system the accounting interface finds no data: the
    // collector of 7.00 replaced what fed it.
    answer.result = kRfcException;
    answer.raised = kNoDataFound;
  }
  for (RfcTable* t = tables; t != nullptr && t->name != nullptr; ++t) t->newitab = 0;
  return answer;
}

/// The system takes its time to answer the call pending on |handle|, or
/// never answers until the call is cancelled. The connection is looked up
/// afresh afterwards: another thread may have closed every connection
/// meanwhile.
void AwaitAnswer(SimulatedSap::State& s, RfcHandle handle) {
  auto found = s.connections.find(handle);
  if (found == s.connections.end() || !found->second.pending) return;
  const SimulatedSystem& system = *found->second.system;
  std::shared_ptr<const SimDescription> description = found->second.description;
  s.Claim(handle);
  if (system.faults.hang == found->second.function)
    s.AwaitCancel(handle);
  else
    s.Delay(system.latency.call);
  s.Release(handle);
}

/// Ends the call pending on |handle| when the connection was cancelled
/// meanwhile: its function module, or empty when it was not.
std::string EndCancelledCall(SimulatedSap::State& s, RfcHandle handle) {
  auto found = s.connections.find(handle);
  if (found == s.connections.end() || !found->second.cancelled || !found->second.pending)
    return std::string();
  found->second.pending = false;
  s.SetError("RFC_CANCELED", "", "the call of " + found->second.function + " was cancelled", "");
  return found->second.function;
}

int SimulatedSap::RfcReceive(RfcHandle handle, const RfcParameter* importing, RfcTable* tables,
                             char** exception) {
  State& s = *state_;
  AwaitAnswer(s, handle);
  ReceiveAnswer answer;
  answer.function = EndCancelledCall(s, handle);
  if (answer.function.empty()) answer = Answer(s, handle, importing, tables);
  if (answer.close) s.connections.erase(handle);
  const std::string& function = answer.function;
  const std::string& raised = answer.raised;
  int result = answer.result;

  if (result == kRfcException || result == kRfcSysException) {
    std::string& kept = s.Mine().exception;
    kept = raised;
    if (result == kRfcException && raised != "")
      s.SetError("RFC_ERROR_APPLICATION_EXCEPTION", "", raised, "");
    if (exception != nullptr) *exception = kept.data();
  }
  s.journal.Write({{"op", "RfcReceive"},
                   {"function", function.empty() ? json(nullptr) : JournalText(function.c_str())},
                   {"result", result},
                   {"exception", result == kRfcException || result == kRfcSysException
                                     ? JournalText(raised.c_str())
                                     : json(nullptr)}});
  return result;
}
