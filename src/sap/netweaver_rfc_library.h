#ifndef BRINDLEMARK_SAP_NETWEAVER_RFC_LIBRARY_H_
#define BRINDLEMARK_SAP_NETWEAVER_RFC_LIBRARY_H_

#include <memory>
#include <string>

#include "platform/shared_library.h"
#include "sap/netweaver_rfc_api.h"
#include "sap/rfc_library.h"

/// The classic library's operations carried out with the NetWeaver RFC
/// library, so that the sensor talks to either through RfcLibrary.
///
/// - Logons: the option record and the connect string (with the
///   destination from "SapRfc.ini") become logon parameters. R/2 is not
///   served.
/// - Structures are remembered here; RfcCall fetches the function
///   module's description from the system, creates the function and sets
///   the exporting values; RfcReceive invokes it and reads the importing
///   values and table rows field by field into the classic record layouts.
///   An ABAP exception gives 2, a short dump or message 3, anything else 1.
/// - Internal tables are the adapter's own.
/// - Every failure it reports is kept for RfcLastError (key, status = the
///   library's return code, message, internal status = the ABAP message
///   when there is one) and appended to the trace file "Dev_Rfc.Trc" as an
///   "ERROR " line, so that the sensor's trace-file check finds it.
/// - The NetWeaver library has no error handler: RfcEnvironment only keeps
///   the record, and the handler is never called.
class NetWeaverRfcLibrary : public RfcLibrary {
 public:
  /// |functions| are the loaded library's (all set); SapRfc.ini and the
  /// trace file are looked for in |directory|.
  explicit NetWeaverRfcLibrary(const NwRfcFunctions& functions, std::string directory = ".");
  /// Takes over |library| when it exports every required function of
  /// NwRfcFunctions (RfcCancel is looked up, not required); otherwise null with |missing| set to
  /// the name of the first function it lacks.
  static std::unique_ptr<NetWeaverRfcLibrary> Open(std::unique_ptr<SharedLibrary> library,
                                                   std::string* missing);
  ~NetWeaverRfcLibrary() override;

  void RfcEnvironment(const RfcEnvironmentRecord& environment) override;
  RfcHandle RfcOpen(const RfcOptions& options) override;
  RfcHandle RfcOpenEx(const char* connect, RfcErrorInfo* error) override;
  /// The destination file RfcOpenEx reads instead of "SapRfc.ini" in the
  /// directory.
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
  /// RfcCancel on every connection in a call (RfcReceive). A logon still
  /// under way has no connection handle yet and cannot be cancelled; nor
  /// can anything with a library that lacks RfcCancel.
  void CancelRunningCalls() override;
  /// "dev_rfc.trc", where the library writes and the adapter appends its
  /// failures.
  std::vector<std::string> TraceFileNames() const override { return {kTraceFileName}; }

  /// The NetWeaver library's trace file in the working directory.
  static constexpr const char kTraceFileName[] = "dev_rfc.trc";
  std::string LibraryKind() const override { return "NetWeaver"; }
  /// "MAJOR.MINOR.PATCHLEVEL" from RfcGetVersion; for a library without
  /// it the file version of its version resource (Windows), else empty.
  std::string LibraryVersion() const override;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

#endif  // BRINDLEMARK_SAP_NETWEAVER_RFC_LIBRARY_H_
