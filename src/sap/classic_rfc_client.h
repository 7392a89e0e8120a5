#ifndef BRINDLEMARK_SAP_CLASSIC_RFC_CLIENT_H_
#define BRINDLEMARK_SAP_CLASSIC_RFC_CLIENT_H_

#include <memory>
#include <string>
#include <unordered_map>

#include "base/mutex.h"
#include "sap/rfc_client.h"
#include "sap/rfc_library.h"

/// The sensor's RFC client over the classic RFC library's operations
/// (RfcLibrary): a function call becomes internal tables (ItCreate), the
/// row structures described once per process (RfcInstallStructure),
/// RfcCall and RfcReceive with parameter records, and the rows' bytes read
/// in place (ItGetLine) by the offsets of the classic record layout.
///
/// The calls, their order and their bytes are those the classic library
/// has always been given: the journal of the simulated system is a
/// contract.
class ClassicRfcClient : public RfcClient {
 public:
  /// Over |library|, which outlives the client.
  explicit ClassicRfcClient(RfcLibrary& library) : rfc_(library) {}
  /// Over |library|, which the client keeps.
  explicit ClassicRfcClient(std::unique_ptr<RfcLibrary> library)
      : owned_(std::move(library)), rfc_(*owned_) {}

  void InstallErrorHandler(LibraryErrorHandler handler, void* context) override;
  /// RfcOpen with the option record; the user padded to 12 and the
  /// password to 10 characters.
  ConnectionId Open(const LogonData& logon) override;
  /// RfcOpenEx with the connect string "CLIENT=... USER=... PASSWD=...
  /// LANG=... DEST=..." (values with blanks in double quotes).
  ConnectionId OpenDestination(const DestinationLogon& logon) override;
  void UseDestinationFile(const std::string& path) override { rfc_.UseDestinationFile(path); }
  Outcome Invoke(ConnectionId connection, FunctionCall& call) override;
  /// Through the system's metadata modules, as classic-library programs
  /// learn layouts: RFC_GET_FUNCTION_INTERFACE names the table's row type,
  /// RFC_GET_STRUCTURE_DEFINITION gives its fields with offsets for one
  /// byte per character, the library's layout.
  Outcome DescribeTable(ConnectionId connection, const std::string& function,
                        const std::string& table, RowType* type,
                        RowType* importing) override;
  Outcome Describe(ConnectionId connection, const std::string& function,
                   FunctionDescription* description) override;
  void Close(ConnectionId connection) override { rfc_.RfcClose(connection); }
  void CloseAll() override { rfc_.RfcClose(0); }
  LibraryTexts LastError() override;
  void CancelRunningCalls() override { rfc_.CancelRunningCalls(); }
  std::vector<std::string> TraceFileNames() const override { return rfc_.TraceFileNames(); }
  std::string LibraryKind() const override { return rfc_.LibraryKind(); }
  std::string LibraryVersion() const override { return rfc_.LibraryVersion(); }
  /// The classic library only opens the connection; the logon data go
  /// with the first call.
  bool ChecksLogonAtOpen() const override { return false; }
  /// Whether RfcInstallStructure has given a handle for each of |types|.
  bool RowTypesDescribed(const std::vector<const RowType*>& types) EXCLUDES(mutex_) override;

  /// The library's record length of |type|: the fields one after the
  /// other, 2-byte integers at even offsets, 4-byte integers at multiples
  /// of 4, floats at multiples of 8 (or the given layout's end).
  static unsigned RecordLength(const RowType& type);

 private:
  /// The type handle of |type|, described to the library at its first
  /// use in the process; 0 when the library refuses it.
  RfcType InstalledType(const RowType& type) EXCLUDES(mutex_);

  std::unique_ptr<RfcLibrary> owned_;
  RfcLibrary& rfc_;
  Mutex mutex_;
  std::unordered_map<std::string, RfcType> installed_ GUARDED_BY(mutex_);
};

#endif  // BRINDLEMARK_SAP_CLASSIC_RFC_CLIENT_H_
