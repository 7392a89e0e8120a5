#ifndef BRINDLEMARK_SAP_NETWEAVER_RFC_CLIENT_H_
#define BRINDLEMARK_SAP_NETWEAVER_RFC_CLIENT_H_

#include <memory>
#include <string>

#include "platform/shared_library.h"
#include "sap/netweaver_rfc_api.h"
#include "sap/rfc_client.h"

/// The sensor's RFC client over the NetWeaver RFC library, in that
/// library's own terms:
///
/// - Logons: the logon data, or a destination of the destination file
///   ("SapRfc.ini") with the logon data that complete it, become logon
///   parameters (RfcOpenConnection). R/2 is not served.
/// - A call fetches the function module's description from the system
///   (RfcGetFunctionDesc), creates the function, sets the values sent by
///   name and invokes it; the values, structures and tables received are
///   read field by field by name, each field's description looked up once
///   per call. An ABAP exception is an exception by its name; a short
///   dump, an ABAP message or a lost connection a system failure; a
///   function module the system does not know a missing function.
/// - Failures carry the library's texts: key, status (the library's return
///   code), message and internal status (the ABAP message when there is
///   one); they are also each thread's last error.
/// - The library has no error handler.
class NetWeaverRfcClient : public RfcClient {
 public:
  /// |functions| are the loaded library's (all set); SapRfc.ini is looked
  /// for in |directory|.
  explicit NetWeaverRfcClient(const NwRfcFunctions& functions, std::string directory = ".");
  /// Takes over |library| when it exports every required function of
  /// NwRfcFunctions (RfcCancel and RfcGetVersion are looked up, not
  /// required); otherwise null with |missing| set to the name of the first
  /// function it lacks.
  static std::unique_ptr<NetWeaverRfcClient> Open(std::unique_ptr<SharedLibrary> library,
                                                  std::string* missing);
  ~NetWeaverRfcClient() override;

  void InstallErrorHandler(LibraryErrorHandler, void*) override {}
  ConnectionId Open(const LogonData& logon) override;
  ConnectionId OpenDestination(const DestinationLogon& logon) override;
  /// The destination file read instead of "SapRfc.ini" in the directory.
  void UseDestinationFile(const std::string& path) override;
  Outcome Invoke(ConnectionId connection, FunctionCall& call) override;
  /// From the function's description: the table parameter's type and
  /// its fields by index, in the one-byte-per-character layout.
  Outcome DescribeTable(ConnectionId connection, const std::string& function,
                        const std::string& table, RowType* type,
                        RowType* importing) override;
  Outcome Describe(ConnectionId connection, const std::string& function,
                   FunctionDescription* description) override;
  void Close(ConnectionId connection) override;
  void CloseAll() override;
  LibraryTexts LastError() override;
  /// RfcCancel on every connection in a call. A logon still under way has
  /// no connection handle yet and cannot be cancelled; nor can anything
  /// with a library that lacks RfcCancel.
  void CancelRunningCalls() override;
  /// "dev_rfc.trc", where the library writes its trace.
  std::vector<std::string> TraceFileNames() const override { return {"dev_rfc.trc"}; }
  std::string LibraryKind() const override { return "NetWeaver"; }
  /// "MAJOR.MINOR.PATCHLEVEL" from RfcGetVersion; for a library without
  /// it the file version of its version resource (Windows), else empty.
  std::string LibraryVersion() const override;
  bool ChecksLogonAtOpen() const override { return true; }
  bool ReadsDescriptions() const override { return true; }
  /// The library's failures are in the outcomes, not in a file the
  /// sensor's trace-file check reads.
  bool LogsErrorsInTraceFile() const override { return false; }
  /// Whether a call that carries each of |types| has gone through the
  /// library (answered, or with an ABAP exception): the library learns a
  /// structure's description at its first call and keeps it, so one after
  /// another the first system that needs it is the one it is learnt
  /// through.
  bool RowTypesDescribed(const std::vector<const RowType*>& types) override;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

#endif  // BRINDLEMARK_SAP_NETWEAVER_RFC_CLIENT_H_
