#ifndef BRINDLEMARK_SAP_CLASSIC_RFC_API_H_
#define BRINDLEMARK_SAP_CLASSIC_RFC_API_H_

// The C interface of SAP's classic RFC library (librfc32.dll on Windows,
// librfccm.so elsewhere), as far as the sensor uses it: the records it
// exchanges and the signatures of the twelve functions the sensor calls.
// The names here are our own; the layouts are the library's, pinned below
// for every target the sensor is built for. The library uses single-byte
// characters (the non-Unicode flavour).

#include <cstddef>

// The 32-bit Windows library exports its functions with the standard
// calling convention under their plain names (no "_Name@N" decoration);
// its callbacks use the same convention. Elsewhere there is one
// convention only.
#if defined(_WIN32) && !defined(_WIN64)
#define CLASSIC_RFC_CALL __stdcall
#else
#define CLASSIC_RFC_CALL
#endif

namespace classic_rfc {

/// A connection; 0 is none.
using Handle = unsigned;
/// A field type code or the handle of an installed structure.
using TypeHandle = unsigned;
/// Result of most functions.
using ReturnCode = int;

/// Return codes of the library.
enum : ReturnCode {
  kOk = 0,
  kFailure = 1,
  kException = 2,     // the function module raised an exception
  kSysException = 3,  // a system exception; the connection is closed
  kCall = 4,
  kInternalCommunication = 5,
  kClosed = 6,
  kRetry = 7,
  kNoTid = 8,
  kExecuted = 9,
  kSynchronize = 10,
  kMemoryInsufficient = 11,
  kVersionMismatch = 12,
  kNotFound = 13,
  kCallNotSupported = 14,
  kNotOwner = 15,
  kNotInitialized = 16,
  kSystemCalled = 17,
};

/// How RfcOpen reaches the partner (the option record's |mode|).
enum : int {
  kModeR3Only = 0,  // |connopt| points to a ConnectR3
  kModeCpic = 1,    // R/2 through a gateway: |connopt| points to a ConnectCpic
  kModeVersion3 = 3,
  kModeParameter = 4,
  kModeCpicExt = 5,
};

/// Error groups of the extended error record.
enum : int {
  kErrorProgram = 101,
  kErrorCommunication = 102,
  kErrorLogonFailure = 103,
  kErrorSystemFailure = 104,
  kErrorApplicationException = 105,
  kErrorResource = 106,
  kErrorProtocol = 107,
  kErrorInternal = 108,
  kErrorCancelled = 109,
  kErrorBusy = 110,
};

/// Connection data of an R/3 logon. Null pointers take the defaults: the
/// gateway on the host, service "sapgwNN".
struct ConnectR3 {
  char* hostname;  // a host, an address or a SAProuter string
  int sysnr;
  char* gatewayHost;
  char* gatewayService;
};

/// Connection data of an R/2 logon through an SAP gateway; the option
/// record's destination is the key of the gateway's side information.
struct ConnectCpic {
  char* gatewayHost;
  char* gatewayService;
};

/// The option record of RfcOpen; fields not supplied are null.
struct Options {
  char* destination;
  int mode;
  void* connopt;
  char* client;
  char* user;
  char* password;
  char* language;
  int trace;
};

/// An internal table of the library (opaque).
struct InternalTable;
using ItHandle = InternalTable*;

/// One entry of a parameter list; a list ends with a null name.
struct Parameter {
  void* name;
  unsigned nlen;
  TypeHandle type;
  unsigned leng;
  void* addr;
};

/// One entry of a table list; a list ends with a null name.
struct Table {
  void* name;
  unsigned nlen;
  TypeHandle type;
  unsigned leng;
  ItHandle ithandle;
  int itmode;
  int newitab;
};

/// One field of a structure handed to RfcInstallStructure. The fifth word
/// is not read by the library (the layout follows from the field order).
struct TypeElement {
  char* name;
  TypeHandle type;
  unsigned length;
  unsigned decimals;
  unsigned offset;
};

/// The record RfcLastError fills: four zero-terminated texts.
struct ErrorInfo {
  char key[33];
  char status[128];
  char message[256];
  char intstat[128];
};

/// The record RfcOpenEx fills when the logon fails.
struct ErrorInfoEx {
  int group;  // one of the error groups above
  char key[33];
  char message[513];
};

/// Called by the library with a short text naming the failed operation.
using ErrorHandler = void(CLASSIC_RFC_CALL*)(char* text);
/// The library's allocator (realloc-like); null keeps the library's own.
using Allocator = void*(CLASSIC_RFC_CALL*)(void* old, unsigned long size);

/// The record handed to RfcEnvironment.
struct Environment {
  ErrorHandler errorhandler;
  Allocator allocate;
};

// The functions the sensor calls, by the names the library exports.
using RfcEnvironmentFunction = void(CLASSIC_RFC_CALL*)(Environment* environment);
using RfcOpenFunction = Handle(CLASSIC_RFC_CALL*)(Options* options);
using RfcOpenExFunction = Handle(CLASSIC_RFC_CALL*)(char* connect, ErrorInfoEx* error);
using RfcInstallStructureFunction = ReturnCode(CLASSIC_RFC_CALL*)(char* name, TypeElement* elements,
                                                                  unsigned entries,
                                                                  TypeHandle* handle);
using RfcCallFunction = ReturnCode(CLASSIC_RFC_CALL*)(Handle handle, char* function,
                                                      Parameter* exporting, Table* tables);
using RfcReceiveFunction = ReturnCode(CLASSIC_RFC_CALL*)(Handle handle, Parameter* importing,
                                                         Table* tables, char** exception);
using RfcLastErrorFunction = int(CLASSIC_RFC_CALL*)(ErrorInfo* error);
using RfcCloseFunction = void(CLASSIC_RFC_CALL*)(Handle handle);
using ItCreateFunction = ItHandle(CLASSIC_RFC_CALL*)(char* name, unsigned leng, unsigned occu,
                                                     unsigned memo);
using ItFillFunction = unsigned(CLASSIC_RFC_CALL*)(ItHandle table);
using ItGetLineFunction = void*(CLASSIC_RFC_CALL*)(ItHandle table, unsigned line);
using ItDeleteFunction = int(CLASSIC_RFC_CALL*)(ItHandle table);

// The layouts on every target. A record that differs from the library's
// would hand it garbage.
static_assert(sizeof(ErrorInfo) == 545);
static_assert(offsetof(ErrorInfo, status) == 33);
static_assert(offsetof(ErrorInfo, message) == 161);
static_assert(offsetof(ErrorInfo, intstat) == 417);
static_assert(sizeof(ErrorInfoEx) == 552);
static_assert(offsetof(ErrorInfoEx, key) == 4);
static_assert(offsetof(ErrorInfoEx, message) == 37);

#if defined(_WIN64) || (defined(__x86_64__) && defined(__linux__))
static_assert(sizeof(ConnectR3) == 32);
static_assert(offsetof(ConnectR3, sysnr) == 8);
static_assert(offsetof(ConnectR3, gatewayHost) == 16);
static_assert(offsetof(ConnectR3, gatewayService) == 24);
static_assert(sizeof(ConnectCpic) == 16);
static_assert(offsetof(ConnectCpic, gatewayService) == 8);
static_assert(sizeof(Options) == 64);
static_assert(offsetof(Options, mode) == 8);
static_assert(offsetof(Options, connopt) == 16);
static_assert(offsetof(Options, client) == 24);
static_assert(offsetof(Options, user) == 32);
static_assert(offsetof(Options, password) == 40);
static_assert(offsetof(Options, language) == 48);
static_assert(offsetof(Options, trace) == 56);
static_assert(sizeof(Parameter) == 32);
static_assert(offsetof(Parameter, nlen) == 8);
static_assert(offsetof(Parameter, type) == 12);
static_assert(offsetof(Parameter, leng) == 16);
static_assert(offsetof(Parameter, addr) == 24);
static_assert(sizeof(Table) == 40);
static_assert(offsetof(Table, nlen) == 8);
static_assert(offsetof(Table, type) == 12);
static_assert(offsetof(Table, leng) == 16);
static_assert(offsetof(Table, ithandle) == 24);
static_assert(offsetof(Table, itmode) == 32);
static_assert(offsetof(Table, newitab) == 36);
static_assert(sizeof(TypeElement) == 24);
static_assert(offsetof(TypeElement, type) == 8);
static_assert(offsetof(TypeElement, length) == 12);
static_assert(offsetof(TypeElement, decimals) == 16);
static_assert(offsetof(TypeElement, offset) == 20);
static_assert(sizeof(Environment) == 16);
static_assert(offsetof(Environment, allocate) == 8);
#elif (defined(_WIN32) && defined(__i386__)) || defined(_M_IX86)
static_assert(sizeof(ConnectR3) == 16);
static_assert(offsetof(ConnectR3, sysnr) == 4);
static_assert(offsetof(ConnectR3, gatewayHost) == 8);
static_assert(offsetof(ConnectR3, gatewayService) == 12);
static_assert(sizeof(ConnectCpic) == 8);
static_assert(offsetof(ConnectCpic, gatewayService) == 4);
static_assert(sizeof(Options) == 32);
static_assert(offsetof(Options, mode) == 4);
static_assert(offsetof(Options, connopt) == 8);
static_assert(offsetof(Options, client) == 12);
static_assert(offsetof(Options, user) == 16);
static_assert(offsetof(Options, password) == 20);
static_assert(offsetof(Options, language) == 24);
static_assert(offsetof(Options, trace) == 28);
static_assert(sizeof(Parameter) == 20);
static_assert(offsetof(Parameter, nlen) == 4);
static_assert(offsetof(Parameter, type) == 8);
static_assert(offsetof(Parameter, leng) == 12);
static_assert(offsetof(Parameter, addr) == 16);
static_assert(sizeof(Table) == 28);
static_assert(offsetof(Table, nlen) == 4);
static_assert(offsetof(Table, type) == 8);
static_assert(offsetof(Table, leng) == 12);
static_assert(offsetof(Table, ithandle) == 16);
static_assert(offsetof(Table, itmode) == 20);
static_assert(offsetof(Table, newitab) == 24);
static_assert(sizeof(TypeElement) == 20);
static_assert(offsetof(TypeElement, type) == 4);
static_assert(offsetof(TypeElement, length) == 8);
static_assert(offsetof(TypeElement, decimals) == 12);
static_assert(offsetof(TypeElement, offset) == 16);
static_assert(sizeof(Environment) == 8);
static_assert(offsetof(Environment, allocate) == 4);
#endif  // other targets: the natural C layout, not pinned here

}  // namespace classic_rfc

#endif  // BRINDLEMARK_SAP_CLASSIC_RFC_API_H_
