#ifndef BRINDLEMARK_SAP_RFC_CLIENT_H_
#define BRINDLEMARK_SAP_RFC_CLIENT_H_

#include <cstdint>
#include <string>
#include <vector>

#include "sap/function_call.h"
#include "sap/outcome.h"

/// The RFC library as the sensor uses it: connections to SAP systems on
/// which function modules are called (FunctionCall). Each library (the
/// classic one, the NetWeaver one, the test doubles) implements it in its
/// own terms. Connections follow the libraries' rule: one connection is
/// used by one thread at a time.

/// An open connection; 0 means none.
using ConnectionId = std::uint32_t;

/// The logon data of a logon to an application server (R/3) or through
/// an R/2 gateway. Texts are as the profile gives them; empty means none.
struct LogonData {
  std::string destination;
  bool r2 = false;  // through the gateway only
  std::string host;
  int systemNumber = 0;
  std::string gatewayHost;
  std::string gatewayService;
  std::string client;
  std::string user;
  std::string password;
  std::string language;
};

/// A logon through a destination of the library's destination file (see
/// RfcClient::UseDestinationFile), with the logon data that complete it.
struct DestinationLogon {
  std::string destination;
  std::string client;
  std::string user;
  std::string password;
  std::string language;
};

/// One parameter of a function module as the system describes it.
struct ParameterDescription {
  enum class Direction : unsigned char { kImporting, kExporting, kChanging, kTables };
  Direction direction = Direction::kImporting;
  /// The parameter's name and type; a structure or table has its row
  /// type in |rowType| and its record length in field.length.
  FieldDescription field;
  bool structured = false;
  RowType rowType;
  bool optional = false;
};

/// A function module's interface as the system describes it.
struct FunctionDescription {
  std::string name;
  std::vector<ParameterDescription> parameters;
};

/// The handler the library reports its errors through (classic library):
/// called with the library's error text on the thread whose operation
/// failed; |context| is handed back unchanged. It must not unwind.
using LibraryErrorHandler = void (*)(void* context, const char* text);

class RfcClient {
 public:
  virtual ~RfcClient() = default;

  /// Installs the error handler, once, before the first logon; a library
  /// without one does nothing.
  virtual void InstallErrorHandler(LibraryErrorHandler handler, void* context) = 0;
  /// Logs on; 0 when no connection was opened (Texts of LastError then
  /// say why). The classic library may check the logon data only with
  /// the first call, whose outcome is then a refused logon.
  virtual ConnectionId Open(const LogonData& logon) = 0;
  /// Logs on through a destination of the destination file.
  virtual ConnectionId OpenDestination(const DestinationLogon& logon) = 0;
  /// Names the destination file (an absolute path) the following
  /// OpenDestination calls read.
  virtual void UseDestinationFile(const std::string& path) = 0;
  /// Calls the function module of |call| on |connection| and, when the
  /// call succeeds, gives it the answer to read.
  virtual Outcome Invoke(ConnectionId connection, FunctionCall& call) = 0;
  /// The description of the function module |function| from the system.
  virtual Outcome Describe(ConnectionId connection, const std::string& function,
                           FunctionDescription* description) = 0;
  /// The row type of the table |table| of the function module |function|
  /// as the system lays it out for this library: every field in record
  /// order with its type, length, decimals and offset (layoutGiven). A
  /// function module the system lacks gives FunctionNotFound; a table the
  /// function module does not have gives Ok and no fields; a library that
  /// cannot describe tables reports the function module as not found.
  /// |importing|,
  /// when given, receives the values the function module takes, with their
  /// lengths, where the library learns them (otherwise no fields: the
  /// library fits each value to the system's parameter itself).
  virtual Outcome DescribeTable(ConnectionId connection, const std::string& function,
                                const std::string& table, RowType* type,
                                RowType* importing = nullptr) {
    // A library that cannot describe tables has no use for the function.
    return Outcome::FunctionNotFound(function, {"", "", "not described by this library", ""});
  }
  /// Closes a connection.
  virtual void Close(ConnectionId connection) = 0;
  /// Closes every connection (after a failure of the library).
  virtual void CloseAll() = 0;
  /// The library's last error on this thread.
  virtual LibraryTexts LastError() = 0;

  /// Cancels the calls that are running on the library's connections, so
  /// that the systems stop working on them, before the process ends around
  /// the threads that made them. Called from the driver's thread while
  /// those threads are inside the library; the connections are unusable
  /// afterwards. A library without a way to do it does nothing.
  virtual void CancelRunningCalls() {}
  /// The files in the working directory in which the library writes its
  /// error log, in the letter case it writes them. None: only
  /// "Dev_Rfc.Trc" is looked at.
  virtual std::vector<std::string> TraceFileNames() const { return {}; }
  /// Which of SAP's RFC libraries this is ("classic", "NetWeaver"), for a
  /// person reading a diagnosis; empty when unknown.
  virtual std::string LibraryKind() const { return std::string(); }
  /// The library's version as the library tells it; empty when it does not.
  virtual std::string LibraryVersion() const { return std::string(); }
  /// Whether the library checks the logon data when it opens the
  /// connection (otherwise with the first call).
  virtual bool ChecksLogonAtOpen() const { return true; }
  /// Whether the library asks the system for each function module's
  /// description before it calls it (which needs authorisations of its
  /// own).
  virtual bool ReadsDescriptions() const { return false; }
  /// Whether the library writes its failures into its trace file, where
  /// the sensor's trace-file check finds them; otherwise the remark on a
  /// failure comes from the outcome's texts.
  virtual bool LogsErrorsInTraceFile() const { return true; }
  /// Whether each of |types| has been described to the library in this
  /// process, where the library must be told a row type once before it
  /// first carries it (the classic library); true for a library that
  /// needs no such description.
  virtual bool RowTypesDescribed(const std::vector<const RowType*>& types) { return true; }
};

/// Gives the RFC library when the first logon needs it.
class RfcLibraryLoader {
 public:
  virtual ~RfcLibraryLoader() = default;
  /// The library, loaded at the first call and kept for the process; null
  /// when it cannot be loaded, with |status| saying why (the text is the
  /// error line): not found (no file of the program's kind could be
  /// loaded) or a library failure (a file that lacks a function).
  virtual RfcClient* Get(Status* status) = 0;
};

#endif  // BRINDLEMARK_SAP_RFC_CLIENT_H_
