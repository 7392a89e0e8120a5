#include "sap/classic_rfc_library.h"

#include <cstdio>
#include <cstdlib>

#include "platform/environment.h"
#include "sap/classic_rfc_api.h"
#include "sap/classic_rfc_records.h"

// A 32-bit library may export its functions only under their stdcall
// names "_Name@N"; N is the argument bytes.
#if defined(_WIN32) && !defined(_WIN64)
static_assert(SharedLibrary::StdcallArgumentBytes<classic_rfc::RfcEnvironmentFunction>::value == 4);
static_assert(SharedLibrary::StdcallArgumentBytes<classic_rfc::RfcOpenExFunction>::value == 8);
static_assert(SharedLibrary::StdcallArgumentBytes<classic_rfc::RfcCallFunction>::value == 16);
static_assert(SharedLibrary::StdcallArgumentBytes<classic_rfc::ItCreateFunction>::value == 16);
static_assert(SharedLibrary::StdcallArgumentBytes<classic_rfc::ItGetLineFunction>::value == 8);
#endif

namespace {

/// The functions of the classic RFC library that the sensor calls.
struct ClassicRfcFunctions {
  classic_rfc::RfcEnvironmentFunction rfcEnvironment;
  classic_rfc::RfcOpenFunction rfcOpen;
  classic_rfc::RfcOpenExFunction rfcOpenEx;
  classic_rfc::RfcInstallStructureFunction rfcInstallStructure;
  classic_rfc::RfcCallFunction rfcCall;
  classic_rfc::RfcReceiveFunction rfcReceive;
  classic_rfc::RfcLastErrorFunction rfcLastError;
  classic_rfc::RfcCloseFunction rfcClose;
  classic_rfc::ItCreateFunction itCreate;
  classic_rfc::ItFillFunction itFill;
  classic_rfc::ItGetLineFunction itGetLine;
  classic_rfc::ItDeleteFunction itDelete;
};

/// The sensor's RFC library over a loaded classic RFC library: every call
/// converts the sensor's records to the library's and back.
class ClassicRfcLibrary : public RfcLibrary {
 public:
  ClassicRfcLibrary(std::unique_ptr<SharedLibrary> library, const ClassicRfcFunctions& functions);
  ~ClassicRfcLibrary() override;

  void RfcEnvironment(const RfcEnvironmentRecord& environment) override;
  RfcHandle RfcOpen(const RfcOptions& options) override;
  RfcHandle RfcOpenEx(const char* connect, RfcErrorInfo* error) override;
  /// Sets RFC_INI in the process's environment to |path|, once for each
  /// new path: other threads may be inside the library, which reads the
  /// environment, and a write under such a read is not safe on every
  /// system. The callers take turns (one destination-file logon at a
  /// time).
  void UseDestinationFile(const std::string& path) override;
  int RfcInstallStructure(const char* name, const FieldDescriptor* fields, unsigned entries,
                          RfcType* handle) override;
  int RfcCall(RfcHandle handle, const char* function, const RfcParameter* exporting,
              RfcTable* tables) override;
  int RfcReceive(RfcHandle handle, const RfcParameter* importing, RfcTable* tables,
                 char** exception) override;
  int RfcLastError(RfcErrorInfo* error) override;
  void RfcClose(RfcHandle handle) override;
  ItHandle ItCreate(const char* name, unsigned leng, unsigned occu, unsigned memo) override;
  unsigned ItFill(ItHandle table) override;
  void* ItGetLine(ItHandle table, unsigned line) override;
  int ItDelete(ItHandle table) override;
  /// "dev_rfc", which SAP documents as the library's trace file in the
  /// working directory.
  std::vector<std::string> TraceFileNames() const override { return {"dev_rfc"}; }
  std::string LibraryKind() const override { return "classic"; }
  /// The file version of the library's version resource (Windows).
  std::string LibraryVersion() const override { return library_->FileVersion(); }

  /// Hands the library's error text to the installed handler.
  void ReportError(const char* text) const;

 private:
  std::unique_ptr<SharedLibrary> library_;
  ClassicRfcFunctions functions_;
  RfcEnvironmentRecord environment_{};
  std::string destinationFile_;  // what RFC_INI was last set to
};

/// The sensor's exit code after a failure of the RFC library.
constexpr int kLibraryFailureExitCode = 1;

// The library calls its error handler with the error text alone, without
// a context argument; the handler therefore finds the adapter whose
// handler it is through this pointer, set by RfcEnvironment. A process has
// one classic RFC library and so one adapter.
const ClassicRfcLibrary* activeLibrary = nullptr;

/// The handler installed in the library. The sensor's handler reports
/// the failure and ends the process; it returns only when the library
/// calls it again during that report. Nothing may unwind through the
/// library's frames, which are C code: should a handler throw all the
/// same, the process ends here with the exit code of a library failure.
void CLASSIC_RFC_CALL OnLibraryError(char* text) noexcept {
  try {
    if (activeLibrary != nullptr) activeLibrary->ReportError(text);
  } catch (...) {
    std::fflush(nullptr);
    std::exit(kLibraryFailureExitCode);
  }
}

/// Resolves |name| into |function|; false, with |missing| set to the name
/// when it is the first one missing.
template <typename Function>
bool Resolve(const SharedLibrary& library, const char* name, Function* function,
             std::string* missing) {
  *function = library.FindFunction<Function>(name);
  if (*function == nullptr && missing->empty()) *missing = name;
  return *function != nullptr;
}

bool ResolveAll(const SharedLibrary& library, ClassicRfcFunctions* f, std::string* missing) {
  missing->clear();
  // Every name is tried, so that |missing| names the first in this order.
  Resolve(library, "RfcEnvironment", &f->rfcEnvironment, missing);
  Resolve(library, "RfcOpen", &f->rfcOpen, missing);
  Resolve(library, "RfcOpenEx", &f->rfcOpenEx, missing);
  Resolve(library, "RfcInstallStructure", &f->rfcInstallStructure, missing);
  Resolve(library, "RfcCall", &f->rfcCall, missing);
  Resolve(library, "RfcReceive", &f->rfcReceive, missing);
  Resolve(library, "RfcLastError", &f->rfcLastError, missing);
  Resolve(library, "RfcClose", &f->rfcClose, missing);
  Resolve(library, "ItCreate", &f->itCreate, missing);
  Resolve(library, "ItFill", &f->itFill, missing);
  Resolve(library, "ItGetLine", &f->itGetLine, missing);
  Resolve(library, "ItDelete", &f->itDelete, missing);
  return missing->empty();
}

char* Mutable(const char* text) { return const_cast<char*>(text); }

classic_rfc::ItHandle ToClassic(ItHandle table) {
  return reinterpret_cast<classic_rfc::ItHandle>(table);
}

}  // namespace

std::unique_ptr<RfcLibrary> OpenClassicRfcLibrary(std::unique_ptr<SharedLibrary> library,
                                                  std::string* missing) {
  ClassicRfcFunctions functions{};
  if (library == nullptr || !ResolveAll(*library, &functions, missing)) return nullptr;
  return std::make_unique<ClassicRfcLibrary>(std::move(library), functions);
}

ClassicRfcLibrary::ClassicRfcLibrary(std::unique_ptr<SharedLibrary> library,
                                     const ClassicRfcFunctions& functions)
    : library_(std::move(library)), functions_(functions) {}

ClassicRfcLibrary::~ClassicRfcLibrary() {
  if (activeLibrary == this) activeLibrary = nullptr;
}

void ClassicRfcLibrary::ReportError(const char* text) const {
  if (environment_.errorhandler != nullptr) environment_.errorhandler(environment_.context, text);
}

void ClassicRfcLibrary::RfcEnvironment(const RfcEnvironmentRecord& environment) {
  environment_ = environment;
  activeLibrary = this;
  classic_rfc::Environment record{};
  record.errorhandler = environment.errorhandler != nullptr ? OnLibraryError : nullptr;
  functions_.rfcEnvironment(&record);
}

RfcHandle ClassicRfcLibrary::RfcOpen(const RfcOptions& options) {
  classic_rfc::ConnectR3 r3{};
  classic_rfc::ConnectCpic cpic{};
  classic_rfc::Options record{
      Mutable(options.destination), options.mode,          nullptr,
      Mutable(options.client),      Mutable(options.user), Mutable(options.password),
      Mutable(options.language),    options.trace};
  if (options.connopt != nullptr && options.mode == classic_rfc::kModeR3Only) {
    const auto* from = static_cast<const RfcConnectR3*>(options.connopt);
    r3 = {Mutable(from->hostname), from->sysnr, Mutable(from->gwhost), Mutable(from->gwservice)};
    record.connopt = &r3;
  } else if (options.connopt != nullptr && options.mode == classic_rfc::kModeCpic) {
    const auto* from = static_cast<const RfcConnectR2*>(options.connopt);
    cpic = {Mutable(from->gwhost), Mutable(from->gwservice)};
    record.connopt = &cpic;
  }
  return functions_.rfcOpen(&record);
}

RfcHandle ClassicRfcLibrary::RfcOpenEx(const char* connect, RfcErrorInfo* error) {
  classic_rfc::ErrorInfoEx record{};
  RfcHandle handle = functions_.rfcOpenEx(Mutable(connect), &record);
  if (error != nullptr) *error = handle != 0 ? RfcErrorInfo{} : classic_rfc::FromClassic(record);
  return handle;
}

void ClassicRfcLibrary::UseDestinationFile(const std::string& path) {
  if (path == destinationFile_) return;
  destinationFile_ = path;
  SetEnvironmentValue("RFC_INI", path);
}

int ClassicRfcLibrary::RfcInstallStructure(const char* name, const FieldDescriptor* fields,
                                           unsigned entries, RfcType* handle) {
  std::vector<classic_rfc::TypeElement> elements = classic_rfc::ToClassic(fields, entries);
  return functions_.rfcInstallStructure(Mutable(name), elements.empty() ? nullptr : elements.data(),
                                        entries, handle);
}

int ClassicRfcLibrary::RfcCall(RfcHandle handle, const char* function,
                               const RfcParameter* exporting, RfcTable* tables) {
  std::vector<classic_rfc::Parameter> parameters = classic_rfc::ToClassic(exporting);
  std::vector<classic_rfc::Table> tableList = classic_rfc::ToClassic(tables);
  int result = functions_.rfcCall(handle, Mutable(function), parameters.data(), tableList.data());
  classic_rfc::CopyBack(tableList, tables);
  return result;
}

int ClassicRfcLibrary::RfcReceive(RfcHandle handle, const RfcParameter* importing, RfcTable* tables,
                                  char** exception) {
  std::vector<classic_rfc::Parameter> parameters = classic_rfc::ToClassic(importing);
  std::vector<classic_rfc::Table> tableList = classic_rfc::ToClassic(tables);
  int result = functions_.rfcReceive(handle, parameters.data(), tableList.data(), exception);
  classic_rfc::CopyBack(tableList, tables);
  return result;
}

int ClassicRfcLibrary::RfcLastError(RfcErrorInfo* error) {
  if (error == nullptr) return functions_.rfcLastError(nullptr);
  classic_rfc::ErrorInfo record{};
  int result = functions_.rfcLastError(&record);
  *error = classic_rfc::FromClassic(record);
  return result;
}

void ClassicRfcLibrary::RfcClose(RfcHandle handle) { functions_.rfcClose(handle); }

ItHandle ClassicRfcLibrary::ItCreate(const char* name, unsigned leng, unsigned occu,
                                     unsigned memo) {
  return reinterpret_cast<ItHandle>(functions_.itCreate(Mutable(name), leng, occu, memo));
}

unsigned ClassicRfcLibrary::ItFill(ItHandle table) { return functions_.itFill(ToClassic(table)); }

void* ClassicRfcLibrary::ItGetLine(ItHandle table, unsigned line) {
  return functions_.itGetLine(ToClassic(table), line);
}

int ClassicRfcLibrary::ItDelete(ItHandle table) { return functions_.itDelete(ToClassic(table)); }
