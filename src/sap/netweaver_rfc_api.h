#ifndef BRINDLEMARK_SAP_NETWEAVER_RFC_API_H_
#define BRINDLEMARK_SAP_NETWEAVER_RFC_API_H_

// The C interface of SAP's NetWeaver RFC library (sapnwrfc.dll,
// libsapnwrfc.so) as far as the sensor uses it, declared in our own words.
// Texts are UTF-16 code units, zero-terminated unless a length is given;
// every function reports failures through a return code and an error
// record the caller provides. The sensor resolves the functions by name at
// run time (see NwRfcFunctions), so nothing here is linked against.
//
// On Windows the library's functions use the stdcall convention; elsewhere
// the platform's C convention. The records use the platform's natural
// alignment (no packing), which the checks at the end of this file pin for
// the three targets the sensor is built for.

#include <cstddef>
#include <cstdint>

#if defined(_WIN32)
#define NWRFC_CALL __stdcall
#else
#define NWRFC_CALL
#endif

extern "C" {

/// One UTF-16 code unit.
using NwChar = char16_t;

/// Return codes of the library's functions (also the error record's code).
enum NwRc : int {
  kNwOk = 0,
  kNwCommunicationFailure = 1,
  kNwLogonFailure = 2,
  kNwAbapRuntimeFailure = 3,  // the function module ended in a short dump
  kNwAbapMessage = 4,         // it sent an E, A or X message
  kNwAbapException = 5,       // it raised a classic exception
  kNwClosed = 6,
  kNwCanceled = 7,
  kNwTimeout = 8,
  kNwMemoryInsufficient = 9,
  kNwVersionMismatch = 10,
  kNwInvalidProtocol = 11,
  kNwSerializationFailure = 12,
  kNwInvalidHandle = 13,
  kNwRetry = 14,
  kNwExternalFailure = 15,
  kNwExecuted = 16,
  kNwNotFound = 17,  // no such function module or structure
  kNwNotSupported = 18,
  kNwIllegalState = 19,
  kNwInvalidParameter = 20,  // an unknown name, a wrong type or length
  kNwCodepageConversionFailure = 21,
  kNwConversionFailure = 22,
  kNwBufferTooSmall = 23,
  kNwTableMoveBof = 24,
  kNwTableMoveEof = 25,
  kNwStartSapguiFailure = 26,
  kNwAbapClassException = 27,
  kNwUnknownError = 28,
  kNwAuthorizationFailure = 29,
  kNwAuthenticationFailure = 30,
  kNwCryptolibFailure = 31,
  kNwIoFailure = 32,
  kNwLockingFailure = 33,
};

/// The layer an error belongs to (the error record's group).
enum NwErrorGroup : int {
  kNwGroupOk = 0,
  kNwGroupAbapApplicationFailure = 1,
  kNwGroupAbapRuntimeFailure = 2,
  kNwGroupLogonFailure = 3,
  kNwGroupCommunicationFailure = 4,
  kNwGroupExternalRuntimeFailure = 5,
  kNwGroupExternalApplicationFailure = 6,
  kNwGroupExternalAuthorizationFailure = 7,
  kNwGroupExternalAuthenticationFailure = 8,
  kNwGroupCryptolibFailure = 9,
  kNwGroupLockingFailure = 10,
};

/// Type codes of parameters and fields. The elementary ones have the
/// values of the classic library's codes.
enum NwType : int {
  kNwTypeChar = 0,
  kNwTypeDate = 1,
  kNwTypeBcd = 2,
  kNwTypeTime = 3,
  kNwTypeByte = 4,
  kNwTypeTable = 5,
  kNwTypeNum = 6,
  kNwTypeFloat = 7,
  kNwTypeInt = 8,
  kNwTypeInt2 = 9,
  kNwTypeInt1 = 10,
  kNwTypeStructure = 17,
  kNwTypeString = 29,
  kNwTypeXstring = 30,
};

/// Direction of a function module's parameter, seen from the module.
enum NwDirection : int {
  kNwImport = 0x01,  // sent by the caller
  kNwExport = 0x02,  // returned to the caller
  kNwChanging = 0x03,
  kNwTables = 0x07,
};

/// The library's error record.
struct NwErrorInfo {
  NwRc code;
  NwErrorGroup group;
  NwChar key[128];  // e.g. the name of a raised exception
  NwChar message[512];
  NwChar abapMsgClass[21];
  NwChar abapMsgType[2];
  NwChar abapMsgNumber[4];
  NwChar abapMsgV1[51];
  NwChar abapMsgV2[51];
  NwChar abapMsgV3[51];
  NwChar abapMsgV4[51];
};

/// One logon parameter: a lower-case name ("ashost", "sysnr", "client",
/// "user", "passwd", "lang", ...) and its value.
struct NwConnectionParameter {
  const NwChar* name;
  const NwChar* value;
};

// Opaque handles. Functions, structures and tables are all data
// containers and share one handle type.
struct NwConnection;
struct NwFunctionDesc;
struct NwTypeDesc;
struct NwContainer;
using NwConnectionHandle = NwConnection*;
using NwFunctionDescHandle = NwFunctionDesc*;
using NwTypeDescHandle = NwTypeDesc*;
using NwDataHandle = NwContainer*;

/// A name of a function module, parameter or field: 30 characters and a
/// terminator.
constexpr std::size_t kNwNameLength = 31;

/// Description of one field of a structure or table line. Lengths and
/// offsets are in bytes, in the library's two layouts: one byte per
/// character ("nuc") and two bytes per character ("uc").
struct NwFieldDesc {
  NwChar name[kNwNameLength];
  NwType type;
  unsigned nucLength;
  unsigned nucOffset;
  unsigned ucLength;
  unsigned ucOffset;
  unsigned decimals;
  NwTypeDescHandle typeDescHandle;  // of a structure or table field
  void* extendedDescription;
};

/// Description of one parameter of a function module.
struct NwParameterDesc {
  NwChar name[kNwNameLength];
  NwType type;
  NwDirection direction;
  unsigned nucLength;
  unsigned ucLength;
  unsigned decimals;
  NwTypeDescHandle typeDescHandle;  // of a structure or table parameter
  NwChar defaultValue[31];
  NwChar parameterText[80];
  std::uint8_t optional;
  void* extendedDescription;
};

// The functions, as pointer types for resolving them by name.
using NwOpenConnectionFn = NwConnectionHandle(NWRFC_CALL*)(const NwConnectionParameter* parameters,
                                                           unsigned count, NwErrorInfo* error);
using NwCloseConnectionFn = NwRc(NWRFC_CALL*)(NwConnectionHandle connection, NwErrorInfo* error);
using NwGetFunctionDescFn = NwFunctionDescHandle(NWRFC_CALL*)(NwConnectionHandle connection,
                                                              const NwChar* name,
                                                              NwErrorInfo* error);
using NwCreateFunctionFn = NwDataHandle(NWRFC_CALL*)(NwFunctionDescHandle desc, NwErrorInfo* error);
using NwDestroyFunctionFn = NwRc(NWRFC_CALL*)(NwDataHandle function, NwErrorInfo* error);
using NwInvokeFn = NwRc(NWRFC_CALL*)(NwConnectionHandle connection, NwDataHandle function,
                                     NwErrorInfo* error);
using NwGetParameterDescByNameFn = NwRc(NWRFC_CALL*)(NwFunctionDescHandle desc, const NwChar* name,
                                                     NwParameterDesc* out, NwErrorInfo* error);
using NwGetFieldDescByNameFn = NwRc(NWRFC_CALL*)(NwTypeDescHandle type, const NwChar* name,
                                                 NwFieldDesc* out, NwErrorInfo* error);
/// Sets a character-like value (CHAR, DATE, TIME, NUM) from |length| units.
using NwSetCharsFn = NwRc(NWRFC_CALL*)(NwDataHandle data, const NwChar* name, const NwChar* value,
                                       unsigned length, NwErrorInfo* error);
/// Reads a character-like value into exactly |length| units, blank-padded
/// (digits zero-padded), without a terminator.
using NwGetCharsFn = NwRc(NWRFC_CALL*)(NwDataHandle data, const NwChar* name, NwChar* buffer,
                                       unsigned length, NwErrorInfo* error);
/// Reads any elementary value as a zero-terminated text; a packed number as
/// its decimal text ("-1234", "12.50"). |length| receives the text's length.
using NwGetStringFn = NwRc(NWRFC_CALL*)(NwDataHandle data, const NwChar* name, NwChar* buffer,
                                        unsigned bufferLength, unsigned* length,
                                        NwErrorInfo* error);
using NwGetBytesFn = NwRc(NWRFC_CALL*)(NwDataHandle data, const NwChar* name, std::uint8_t* buffer,
                                       unsigned length, NwErrorInfo* error);
using NwGetIntFn = NwRc(NWRFC_CALL*)(NwDataHandle data, const NwChar* name, std::int32_t* value,
                                     NwErrorInfo* error);
using NwGetInt2Fn = NwRc(NWRFC_CALL*)(NwDataHandle data, const NwChar* name, std::int16_t* value,
                                      NwErrorInfo* error);
using NwGetInt1Fn = NwRc(NWRFC_CALL*)(NwDataHandle data, const NwChar* name, std::uint8_t* value,
                                      NwErrorInfo* error);
using NwGetFloatFn = NwRc(NWRFC_CALL*)(NwDataHandle data, const NwChar* name, double* value,
                                       NwErrorInfo* error);
using NwGetStructureFn = NwRc(NWRFC_CALL*)(NwDataHandle data, const NwChar* name,
                                           NwDataHandle* structure, NwErrorInfo* error);
using NwGetTableFn = NwRc(NWRFC_CALL*)(NwDataHandle data, const NwChar* name, NwDataHandle* table,
                                       NwErrorInfo* error);
using NwGetRowCountFn = NwRc(NWRFC_CALL*)(NwDataHandle table, unsigned* rows, NwErrorInfo* error);
/// Makes row |index| (from 0) the table's current row.
using NwMoveToFn = NwRc(NWRFC_CALL*)(NwDataHandle table, unsigned index, NwErrorInfo* error);
using NwGetCurrentRowFn = NwDataHandle(NWRFC_CALL*)(NwDataHandle table, NwErrorInfo* error);
/// Cancels the call running on |connection|; made from a thread other
/// than the one in the call, the one use of a connection from a second
/// thread that the library allows. The call returns RFC_CANCELED and the
/// connection is closed: it takes no further calls. Optional: a library
/// without it leaves such a call running.
using NwCancelFn = NwRc(NWRFC_CALL*)(NwConnectionHandle connection, NwErrorInfo* error);
/// A structure's fields by index (from 0), for reading a layout the
/// system decides. Optional: without them no layout is read.
using NwGetFieldCountFn = NwRc(NWRFC_CALL*)(NwTypeDescHandle type, unsigned* count,
                                            NwErrorInfo* error);
using NwGetFieldDescByIndexFn = NwRc(NWRFC_CALL*)(NwTypeDescHandle type, unsigned index,
                                                  NwFieldDesc* out, NwErrorInfo* error);
/// Sets an integer value (INT4). Optional: without it no integer is sent.
using NwSetIntFn = NwRc(NWRFC_CALL*)(NwDataHandle data, const NwChar* name, std::int32_t value,
                                     NwErrorInfo* error);
/// A function's parameters by index (from 0), and making one inactive: the
/// system neither receives nor sends an inactive parameter, so a table the
/// caller does not read is not filled and carried. Optional: without them
/// every table of a function is active, the library's default.
using NwGetParameterCountFn = NwRc(NWRFC_CALL*)(NwFunctionDescHandle desc, unsigned* count,
                                                NwErrorInfo* error);
using NwGetParameterDescByIndexFn = NwRc(NWRFC_CALL*)(NwFunctionDescHandle desc, unsigned index,
                                                      NwParameterDesc* out, NwErrorInfo* error);
using NwSetParameterActiveFn = NwRc(NWRFC_CALL*)(NwDataHandle function, const NwChar* name,
                                                 int isActive, NwErrorInfo* error);
/// The library's version numbers, and a text that describes it. Optional:
/// the sensor works without it.
using NwGetVersionFn = const NwChar*(NWRFC_CALL*)(unsigned* major, unsigned* minor,
                                                  unsigned* patchLevel);

}  // extern "C"

/// The library's functions the sensor needs, resolved by name. Each entry
/// is named after the function it holds.
struct NwRfcFunctions {
  NwOpenConnectionFn RfcOpenConnection = nullptr;
  NwCloseConnectionFn RfcCloseConnection = nullptr;
  NwGetFunctionDescFn RfcGetFunctionDesc = nullptr;
  NwCreateFunctionFn RfcCreateFunction = nullptr;
  NwDestroyFunctionFn RfcDestroyFunction = nullptr;
  NwInvokeFn RfcInvoke = nullptr;
  NwGetParameterDescByNameFn RfcGetParameterDescByName = nullptr;
  NwGetFieldDescByNameFn RfcGetFieldDescByName = nullptr;
  NwSetCharsFn RfcSetChars = nullptr;
  NwGetCharsFn RfcGetChars = nullptr;
  NwGetStringFn RfcGetString = nullptr;
  NwGetBytesFn RfcGetBytes = nullptr;
  NwGetIntFn RfcGetInt = nullptr;
  NwGetInt2Fn RfcGetInt2 = nullptr;
  NwGetInt1Fn RfcGetInt1 = nullptr;
  NwGetFloatFn RfcGetFloat = nullptr;
  NwGetStructureFn RfcGetStructure = nullptr;
  NwGetTableFn RfcGetTable = nullptr;
  NwGetRowCountFn RfcGetRowCount = nullptr;
  NwMoveToFn RfcMoveTo = nullptr;
  NwGetCurrentRowFn RfcGetCurrentRow = nullptr;
  /// Optional (null when the library lacks it); not visited by
  /// ForEachNwRfcFunction.
  NwCancelFn RfcCancel = nullptr;
  /// Optional as well: the layouts of tables the system decides, and
  /// integers sent.
  NwGetFieldCountFn RfcGetFieldCount = nullptr;
  NwGetFieldDescByIndexFn RfcGetFieldDescByIndex = nullptr;
  NwSetIntFn RfcSetInt = nullptr;
  /// Optional too: the tables the caller does not read made inactive.
  NwGetParameterCountFn RfcGetParameterCount = nullptr;
  NwGetParameterDescByIndexFn RfcGetParameterDescByIndex = nullptr;
  NwSetParameterActiveFn RfcSetParameterActive = nullptr;
};

/// Visits every required entry of |functions| with its function's name and
/// the entry's address, in declaration order: the loader resolves them all
/// through this one list.
template <typename Visit>
void ForEachNwRfcFunction(NwRfcFunctions& f, Visit&& visit) {
  visit("RfcOpenConnection", &f.RfcOpenConnection);
  visit("RfcCloseConnection", &f.RfcCloseConnection);
  visit("RfcGetFunctionDesc", &f.RfcGetFunctionDesc);
  visit("RfcCreateFunction", &f.RfcCreateFunction);
  visit("RfcDestroyFunction", &f.RfcDestroyFunction);
  visit("RfcInvoke", &f.RfcInvoke);
  visit("RfcGetParameterDescByName", &f.RfcGetParameterDescByName);
  visit("RfcGetFieldDescByName", &f.RfcGetFieldDescByName);
  visit("RfcSetChars", &f.RfcSetChars);
  visit("RfcGetChars", &f.RfcGetChars);
  visit("RfcGetString", &f.RfcGetString);
  visit("RfcGetBytes", &f.RfcGetBytes);
  visit("RfcGetInt", &f.RfcGetInt);
  visit("RfcGetInt2", &f.RfcGetInt2);
  visit("RfcGetInt1", &f.RfcGetInt1);
  visit("RfcGetFloat", &f.RfcGetFloat);
  visit("RfcGetStructure", &f.RfcGetStructure);
  visit("RfcGetTable", &f.RfcGetTable);
  visit("RfcGetRowCount", &f.RfcGetRowCount);
  visit("RfcMoveTo", &f.RfcMoveTo);
  visit("RfcGetCurrentRow", &f.RfcGetCurrentRow);
}

// The records' layout on the sensor's targets. The error record has no
// pointers and is the same everywhere.
static_assert(sizeof(NwChar) == 2);
static_assert(sizeof(NwRc) == 4 && sizeof(NwType) == 4 && sizeof(NwDirection) == 4);
static_assert(offsetof(NwErrorInfo, key) == 8);
static_assert(offsetof(NwErrorInfo, message) == 264);
static_assert(offsetof(NwErrorInfo, abapMsgClass) == 1288);
static_assert(offsetof(NwErrorInfo, abapMsgType) == 1330);
static_assert(offsetof(NwErrorInfo, abapMsgNumber) == 1334);
static_assert(offsetof(NwErrorInfo, abapMsgV1) == 1342);
static_assert(offsetof(NwErrorInfo, abapMsgV4) == 1648);
static_assert(sizeof(NwErrorInfo) == 1752);
static_assert(offsetof(NwFieldDesc, type) == 64);
static_assert(offsetof(NwFieldDesc, decimals) == 84);
static_assert(offsetof(NwFieldDesc, typeDescHandle) == 88);
static_assert(offsetof(NwParameterDesc, type) == 64);
static_assert(offsetof(NwParameterDesc, direction) == 68);
static_assert(offsetof(NwParameterDesc, decimals) == 80);
#if defined(__x86_64__) || defined(_M_X64)
// Linux x86-64 and Windows x64.
static_assert(sizeof(NwConnectionParameter) == 16);
static_assert(sizeof(NwFieldDesc) == 104);
static_assert(offsetof(NwParameterDesc, typeDescHandle) == 88);
static_assert(offsetof(NwParameterDesc, defaultValue) == 96);
static_assert(offsetof(NwParameterDesc, parameterText) == 158);
static_assert(offsetof(NwParameterDesc, optional) == 318);
static_assert(offsetof(NwParameterDesc, extendedDescription) == 320);
static_assert(sizeof(NwParameterDesc) == 328);
#elif defined(__i386__) || defined(_M_IX86)
// Windows x86.
static_assert(sizeof(NwConnectionParameter) == 8);
static_assert(sizeof(NwFieldDesc) == 96);
static_assert(offsetof(NwParameterDesc, typeDescHandle) == 84);
static_assert(offsetof(NwParameterDesc, defaultValue) == 88);
static_assert(offsetof(NwParameterDesc, parameterText) == 150);
static_assert(offsetof(NwParameterDesc, optional) == 310);
static_assert(offsetof(NwParameterDesc, extendedDescription) == 312);
static_assert(sizeof(NwParameterDesc) == 316);
#endif

#endif  // BRINDLEMARK_SAP_NETWEAVER_RFC_API_H_
