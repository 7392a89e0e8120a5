// The simulated SAP system as a stand-in for the classic RFC library: the
// twelve functions the sensor calls, exported under the library's names
// with its calling convention and records, so that the sensor loads this
// file as it loads the real library.
//
// No C++ exception may leave an exported function: the caller is C code
// that cannot unwind. Every function catches everything and gives the
// library's failure result instead.

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <type_traits>
#include <vector>

#include "sap/classic_rfc_api.h"
#include "sapsim/classic_records.h"
#include "sapsim/sim_description.h"
#include "sapsim/simulated_sap.h"

#if defined(_WIN32)
#define RFC_EXPORT extern "C" __declspec(dllexport)
#else
#define RFC_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

// Loading the library takes as long as the description in the working
// directory says ("load_latency").
const bool kLoaded = (SimulateLoadTime("."), true);

// A C library keeps its state for the whole process: the connections,
// tables and error handler of one caller are those of all. So there is one
// simulated system, working in the current directory, made at the first
// call. Every function holds its lock (threads take turns; a system that
// takes its time lets it go).
SimulatedSap& Sap() {
  static SimulatedSap sap(".", "dev_rfc");
  return sap;
}

// The library's caller installs an error handler that takes the error
// text alone, without a context; the simulated system's handler record is
// pointed at OnSimulatedError, which finds the caller's handler here.
classic_rfc::ErrorHandler callerHandler = nullptr;

// Threads inside the caller's handler. A real library whose unload code
// takes a lock that it holds across the handler call would hang when it is
// unloaded under such a thread; the stand-in says so and ends the process
// (exit code 70) instead.
std::atomic<int> handlersUnderWay{0};

void OnSimulatedError(void*, const char* text) {
  if (callerHandler == nullptr) return;
  ++handlersUnderWay;
  callerHandler(const_cast<char*>(text));
  --handlersUnderWay;
}

struct UnloadCheck {
  ~UnloadCheck() {
    if (handlersUnderWay.load() == 0) return;
    std::fputs("simulated SAP system: unloaded while a thread is inside the error handler\n",
               stderr);
    std::fflush(stdout);
    std::_Exit(70);
  }
} unloadCheck;

/// The error group of the extended error record for an error key.
int ErrorGroup(const std::string& key) {
  if (key == "RFC_ERROR_COMMUNICATION") return classic_rfc::kErrorCommunication;
  if (key == "RFC_ERROR_LOGON_FAILURE") return classic_rfc::kErrorLogonFailure;
  if (key == "RFC_ERROR_SYSTEM_FAILURE") return classic_rfc::kErrorSystemFailure;
  if (key == "RFC_ERROR_APPLICATION_EXCEPTION") return classic_rfc::kErrorApplicationException;
  if (key == "RFC_ERROR_MEMORY_INSUFFICIENT") return classic_rfc::kErrorResource;
  return classic_rfc::kErrorProgram;
}

/// The library reads a parameter or table list up to its end entry
/// without looking at the pointer first: an empty list is an array whose
/// first entry has a null name, and a null list is refused here.
bool ListsGiven(const void* parameters, const void* tables) {
  return parameters != nullptr && tables != nullptr;
}

}  // namespace

RFC_EXPORT void CLASSIC_RFC_CALL RfcEnvironment(classic_rfc::Environment* environment) {
  try {
    SimulatedSap::Entry entry = Sap().Enter();
    callerHandler = environment != nullptr ? environment->errorhandler : nullptr;
    RfcEnvironmentRecord record{};
    record.errorhandler = callerHandler != nullptr ? OnSimulatedError : nullptr;
    Sap().RfcEnvironment(record);
  } catch (...) {
  }
}

RFC_EXPORT classic_rfc::Handle CLASSIC_RFC_CALL RfcOpen(classic_rfc::Options* options) {
  try {
    SimulatedSap::Entry entry = Sap().Enter();
    if (options == nullptr) return 0;
    RfcConnectR3 r3{};
    RfcConnectR2 r2{};
    RfcOptions record{options->destination, options->mode,     nullptr,           options->client,
                      options->user,        options->password, options->language, options->trace};
    if (options->connopt != nullptr && options->mode == classic_rfc::kModeR3Only) {
      const auto* from = static_cast<const classic_rfc::ConnectR3*>(options->connopt);
      r3 = {from->hostname, from->sysnr, from->gatewayHost, from->gatewayService};
      record.connopt = &r3;
    } else if (options->connopt != nullptr && options->mode == classic_rfc::kModeCpic) {
      const auto* from = static_cast<const classic_rfc::ConnectCpic*>(options->connopt);
      r2 = {from->gatewayHost, from->gatewayService};
      record.connopt = &r2;
    }
    return Sap().RfcOpen(record);
  } catch (...) {
    return 0;
  }
}

RFC_EXPORT classic_rfc::Handle CLASSIC_RFC_CALL RfcOpenEx(char* connect,
                                                          classic_rfc::ErrorInfoEx* error) {
  try {
    SimulatedSap::Entry entry = Sap().Enter();
    RfcErrorInfo info{};
    RfcHandle handle = Sap().RfcOpenEx(connect, &info);
    if (error != nullptr)
      *error = handle != 0 ? classic_rfc::ErrorInfoEx{}
                           : classic_rfc::ToClassicEx(info, ErrorGroup(info.key));
    return handle;
  } catch (...) {
    if (error != nullptr)
      *error = classic_rfc::ErrorInfoEx{classic_rfc::kErrorInternal, "RFC_ERROR_INTERNAL",
                                        "internal failure of the library"};
    return 0;
  }
}

RFC_EXPORT classic_rfc::ReturnCode CLASSIC_RFC_CALL
RfcInstallStructure(char* name, classic_rfc::TypeElement* elements, unsigned entries,
                    classic_rfc::TypeHandle* handle) {
  try {
    SimulatedSap::Entry entry = Sap().Enter();
    std::vector<FieldDescriptor> fields = classic_rfc::FromClassic(elements, entries);
    return Sap().RfcInstallStructure(name, elements != nullptr ? fields.data() : nullptr, entries,
                                     handle);
  } catch (...) {
    return classic_rfc::kFailure;
  }
}

RFC_EXPORT classic_rfc::ReturnCode CLASSIC_RFC_CALL RfcCall(classic_rfc::Handle handle,
                                                            char* function,
                                                            classic_rfc::Parameter* exporting,
                                                            classic_rfc::Table* tables) {
  try {
    if (!ListsGiven(exporting, tables)) return classic_rfc::kFailure;
    SimulatedSap::Entry entry = Sap().Enter();
    std::vector<RfcParameter> parameters = classic_rfc::FromClassic(exporting);
    std::vector<RfcTable> tableList = classic_rfc::FromClassic(tables);
    int result = Sap().RfcCall(handle, function, parameters.data(), tableList.data());
    classic_rfc::CopyBack(tableList, tables);
    return result;
  } catch (...) {
    return classic_rfc::kFailure;
  }
}

RFC_EXPORT classic_rfc::ReturnCode CLASSIC_RFC_CALL RfcReceive(classic_rfc::Handle handle,
                                                               classic_rfc::Parameter* importing,
                                                               classic_rfc::Table* tables,
                                                               char** exception) {
  try {
    if (!ListsGiven(importing, tables)) return classic_rfc::kFailure;
    SimulatedSap::Entry entry = Sap().Enter();
    std::vector<RfcParameter> parameters = classic_rfc::FromClassic(importing);
    std::vector<RfcTable> tableList = classic_rfc::FromClassic(tables);
    int result = Sap().RfcReceive(handle, parameters.data(), tableList.data(), exception);
    classic_rfc::CopyBack(tableList, tables);
    return result;
  } catch (...) {
    return classic_rfc::kFailure;
  }
}

RFC_EXPORT int CLASSIC_RFC_CALL RfcLastError(classic_rfc::ErrorInfo* error) {
  try {
    SimulatedSap::Entry entry = Sap().Enter();
    if (error == nullptr) return 1;
    RfcErrorInfo info{};
    int result = Sap().RfcLastError(&info);
    *error = classic_rfc::ToClassic(info);
    return result;
  } catch (...) {
    return 1;
  }
}

RFC_EXPORT void CLASSIC_RFC_CALL RfcClose(classic_rfc::Handle handle) {
  try {
    SimulatedSap::Entry entry = Sap().Enter();
    Sap().RfcClose(handle);
  } catch (...) {
  }
}

RFC_EXPORT classic_rfc::ItHandle CLASSIC_RFC_CALL ItCreate(char* name, unsigned leng, unsigned occu,
                                                           unsigned memo) {
  try {
    SimulatedSap::Entry entry = Sap().Enter();
    return reinterpret_cast<classic_rfc::ItHandle>(Sap().ItCreate(name, leng, occu, memo));
  } catch (...) {
    return nullptr;
  }
}

RFC_EXPORT unsigned CLASSIC_RFC_CALL ItFill(classic_rfc::ItHandle table) {
  try {
    SimulatedSap::Entry entry = Sap().Enter();
    return Sap().ItFill(reinterpret_cast<ItHandle>(table));
  } catch (...) {
    return 0;
  }
}

RFC_EXPORT void* CLASSIC_RFC_CALL ItGetLine(classic_rfc::ItHandle table, unsigned line) {
  try {
    SimulatedSap::Entry entry = Sap().Enter();
    return Sap().ItGetLine(reinterpret_cast<ItHandle>(table), line);
  } catch (...) {
    return nullptr;
  }
}

RFC_EXPORT int CLASSIC_RFC_CALL ItDelete(classic_rfc::ItHandle table) {
  try {
    SimulatedSap::Entry entry = Sap().Enter();
    return Sap().ItDelete(reinterpret_cast<ItHandle>(table));
  } catch (...) {
    return 1;
  }
}

// The exports have exactly the types the sensor's adapter calls through.
static_assert(std::is_same_v<decltype(&RfcEnvironment), classic_rfc::RfcEnvironmentFunction>);
static_assert(std::is_same_v<decltype(&RfcOpen), classic_rfc::RfcOpenFunction>);
static_assert(std::is_same_v<decltype(&RfcOpenEx), classic_rfc::RfcOpenExFunction>);
static_assert(
    std::is_same_v<decltype(&RfcInstallStructure), classic_rfc::RfcInstallStructureFunction>);
static_assert(std::is_same_v<decltype(&RfcCall), classic_rfc::RfcCallFunction>);
static_assert(std::is_same_v<decltype(&RfcReceive), classic_rfc::RfcReceiveFunction>);
static_assert(std::is_same_v<decltype(&RfcLastError), classic_rfc::RfcLastErrorFunction>);
static_assert(std::is_same_v<decltype(&RfcClose), classic_rfc::RfcCloseFunction>);
static_assert(std::is_same_v<decltype(&ItCreate), classic_rfc::ItCreateFunction>);
static_assert(std::is_same_v<decltype(&ItFill), classic_rfc::ItFillFunction>);
static_assert(std::is_same_v<decltype(&ItGetLine), classic_rfc::ItGetLineFunction>);
static_assert(std::is_same_v<decltype(&ItDelete), classic_rfc::ItDeleteFunction>);
