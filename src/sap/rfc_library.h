#ifndef BRINDLEMARK_SAP_RFC_LIBRARY_H_
#define BRINDLEMARK_SAP_RFC_LIBRARY_H_

#include <cstdint>
#include <string>
#include <vector>

/// The operations of SAP's classic RFC library that the sensor uses, and
/// the data shapes it hands over. The sensor's code calls nothing else of
/// the library. The program loads the library at run time (see
/// RfcLibraryLoader); the simulated SAP system (sapsim/) is built as a
/// stand-in library of the same name and interface.

/// Handle of an open RFC connection; 0 means none.
using RfcHandle = std::uint32_t;

/// Type of a parameter or table line: one of the type codes below, or a
/// handle returned by RfcInstallStructure.
using RfcType = std::uint32_t;

/// Type codes of fields and parameters.
enum RfcTypeCode : RfcType {
  kTypeChar = 0,   // character field, blank-padded, not NUL-terminated
  kTypeDate = 1,   // eight digits
  kTypeBcd = 2,    // packed decimal
  kTypeTime = 3,   // six digits
  kTypeByte = 4,   // raw bytes
  kTypeNum = 6,    // numeric text
  kTypeFloat = 7,  // 8-byte floating point
  kTypeInt = 8,    // signed 4-byte integer
  kTypeInt2 = 9,   // signed 2-byte integer
  kTypeInt1 = 10,  // 1-byte integer
};

/// One field of a structure described to the library.
struct FieldDescriptor {
  const char* name;        // the field's SAP name, upper case
  std::uint32_t type;      // an RfcTypeCode
  std::uint32_t length;    // bytes
  std::uint32_t decimals;  // 0 in every structure the sensor uses
  std::uint32_t offset;    // 0: the library computes the layout
};

/// An internal table of the library: rows of bytes of one fixed length.
struct RfcInternalTable;
using ItHandle = RfcInternalTable*;

/// One entry of a parameter list; a list ends with an entry whose name is
/// null.
struct RfcParameter {
  const char* name;
  unsigned nlen;  // length of the name
  RfcType type;
  unsigned leng;  // length of the value in bytes
  void* addr;     // where the value lies (exporting) or goes (importing)
};

/// One entry of a table list; a list ends with an entry whose name is null.
struct RfcTable {
  const char* name;
  unsigned nlen;
  RfcType type;   // handle of the line's structure
  unsigned leng;  // line length in bytes
  ItHandle ithandle;
  int itmode;   // transfer mode: 0 = the library's default
  int newitab;  // set by the library
};

/// A parameter entry whose name length is counted from the name itself.
template <unsigned N>
constexpr RfcParameter NamedParameter(const char (&name)[N], RfcType type, unsigned leng,
                                      void* addr) {
  return RfcParameter{name, N - 1, type, leng, addr};
}

/// A table entry whose name length is counted from the name itself.
template <unsigned N>
constexpr RfcTable NamedTable(const char (&name)[N], RfcType type, unsigned leng,
                              ItHandle ithandle) {
  return RfcTable{name, N - 1, type, leng, ithandle, 0, 0};
}

/// Connection data of an R/3 logon through the option record.
struct RfcConnectR3 {
  const char* hostname;  // null when there is none
  int sysnr;
  const char* gwhost;     // null when there is none
  const char* gwservice;  // null when there is none
};

/// Connection data of an R/2 logon through the option record.
struct RfcConnectR2 {
  const char* gwhost;     // null when there is none
  const char* gwservice;  // null when there is none
};

/// The option record of RfcOpen.
struct RfcOptions {
  const char* destination;
  int mode;             // 0 = R/3 (connectR3), 1 = R/2 (connectR2)
  const void* connopt;  // RfcConnectR3* or RfcConnectR2*
  const char* client;
  const char* user;
  const char* password;
  const char* language;
  int trace;
};

/// The library's last error, four zero-terminated texts.
struct RfcErrorInfo {
  char key[33];
  char status[128];
  char message[256];
  char internalStatus[128];
};

/// The error handler installed with RfcEnvironment: called with the
/// library's error text. The context is handed back unchanged.
using RfcErrorHandler = void (*)(void* context, const char* text);

/// The record handed to RfcEnvironment.
struct RfcEnvironmentRecord {
  RfcErrorHandler errorhandler;
  void* context;
  void* allocate;  // none: null
};

/// Return codes of RfcCall and RfcReceive.
enum RfcResult : int {
  kRfcOk = 0,
  kRfcFailure = 1,
  kRfcException = 2,
  kRfcSysException = 3,
};

/// The classic RFC library's operations. An implementation that lacks one
/// fails it (a test double implements only what it needs).
class RfcLibrary {
 public:
  virtual ~RfcLibrary() = default;

  /// Installs the error handler through which the library reports errors.
  virtual void RfcEnvironment(const RfcEnvironmentRecord&) {}
  /// Logs on with an option record; 0 when no connection was opened.
  virtual RfcHandle RfcOpen(const RfcOptions&) { return 0; }
  /// Logs on with a connect string ("CLIENT=... DEST=..."), the destination
  /// being looked up in the library's configuration file (see
  /// UseDestinationFile); fills |error| on failure. 0 when no connection
  /// was opened.
  virtual RfcHandle RfcOpenEx(const char*, RfcErrorInfo*) { return 0; }
  /// Names the configuration file (an absolute path) in which the following
  /// RfcOpenEx calls look up their destination. The classic library reads
  /// the file that the process's environment variable RFC_INI names, else
  /// "saprfc.ini" in the working directory: without this call a site's own
  /// RFC_INI would lead the logon elsewhere.
  virtual void UseDestinationFile(const std::string&) {}
  /// Describes a structure; sets |handle| and returns 0 when installed.
  virtual int RfcInstallStructure(const char*, const FieldDescriptor*, unsigned, RfcType*) {
    return 1;
  }
  /// Sends a function-module call; 0 when sent.
  virtual int RfcCall(RfcHandle, const char*, const RfcParameter*, RfcTable*) {
    return kRfcFailure;
  }
  /// Receives the answer of the last call: 0 with the importing values and
  /// table lines stored, 2 or 3 with |exception| set to the exception name,
  /// 1 or another code on failure.
  virtual int RfcReceive(RfcHandle, const RfcParameter*, RfcTable*, char**) { return kRfcFailure; }
  /// Fills |error| with the library's last error information.
  virtual int RfcLastError(RfcErrorInfo*) { return 1; }
  /// Closes a connection; 0 closes every connection.
  virtual void RfcClose(RfcHandle) {}
  /// Creates an internal table of lines of |leng| bytes; null on failure.
  virtual ItHandle ItCreate(const char*, unsigned, unsigned, unsigned) { return nullptr; }
  /// The number of lines of a table.
  virtual unsigned ItFill(ItHandle) { return 0; }
  /// Line |line| (from 1) of a table; null on failure.
  virtual void* ItGetLine(ItHandle, unsigned) { return nullptr; }
  /// Deletes a table; 0 when deleted.
  virtual int ItDelete(ItHandle) { return 1; }

  /// Cancels the calls that are running on the library's connections, so
  /// that the systems stop working on them, before the process ends around
  /// the threads that made them. Called from the driver's thread while
  /// those threads are inside the library; the connections are unusable
  /// afterwards. The classic library has no way to do it: nothing.
  virtual void CancelRunningCalls() {}

  /// The files in the working directory in which the library writes its
  /// error log, in the letter case it writes them (which matters where
  /// file names have case). None: only "Dev_Rfc.Trc" is looked at.
  virtual std::vector<std::string> TraceFileNames() const { return {}; }
  /// Which of SAP's RFC libraries this is ("classic", "NetWeaver"), for a
  /// person reading a diagnosis; empty when unknown.
  virtual std::string LibraryKind() const { return std::string(); }
  /// The library's version as the library tells it; empty when it does not.
  virtual std::string LibraryVersion() const { return std::string(); }
};

#endif  // BRINDLEMARK_SAP_RFC_LIBRARY_H_
