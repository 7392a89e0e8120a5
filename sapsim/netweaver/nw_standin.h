#ifndef BRINDLEMARK_SAPSIM_NETWEAVER_NW_STANDIN_H_
#define BRINDLEMARK_SAPSIM_NETWEAVER_NW_STANDIN_H_

#include <string>

#include "sap/netweaver_rfc_api.h"

/// The simulated SAP system behind the NetWeaver RFC library's C interface.
/// Built as the shared library sapsim_netweaver (libsapnwrfc.so,
/// sapnwrfc.dll), it exports the functions of NwRfcFunctions; they log on
/// to, describe, call and answer from the simulated system
/// (docs/simulated-sap-system.md) in the working directory, with its faults,
/// journal and trace file. No C++ exception leaves an exported function.

/// Starts the simulated system afresh in |directory|, every connection and
/// container dropped. The library starts in "." by itself; tests use this.
void ResetNetWeaverStandIn(const std::string& directory);

/// The exported functions of the stand-in, for linking it directly.
NwRfcFunctions NetWeaverStandInFunctions();

/// Further functions of the library the stand-in exports (the sensor does
/// not resolve them yet), as SAP's NetWeaver RFC SDK declares them: a
/// structure's description by name, fields and parameters by index,
/// parameters made inactive, integers set.
struct NwFurtherFunctions {
  NwTypeDescHandle(NWRFC_CALL* RfcGetTypeDesc)(NwConnectionHandle connection, const NwChar* name,
                                               NwErrorInfo* error) = nullptr;
  NwRc(NWRFC_CALL* RfcGetFieldCount)(NwTypeDescHandle type, unsigned* count,
                                     NwErrorInfo* error) = nullptr;
  NwRc(NWRFC_CALL* RfcGetFieldDescByIndex)(NwTypeDescHandle type, unsigned index, NwFieldDesc* out,
                                           NwErrorInfo* error) = nullptr;
  NwRc(NWRFC_CALL* RfcGetTypeLength)(NwTypeDescHandle type, unsigned* nucLength, unsigned* ucLength,
                                     NwErrorInfo* error) = nullptr;
  NwRc(NWRFC_CALL* RfcGetParameterCount)(NwFunctionDescHandle desc, unsigned* count,
                                         NwErrorInfo* error) = nullptr;
  NwRc(NWRFC_CALL* RfcGetParameterDescByIndex)(NwFunctionDescHandle desc, unsigned index,
                                               NwParameterDesc* out, NwErrorInfo* error) = nullptr;
  NwRc(NWRFC_CALL* RfcSetParameterActive)(NwDataHandle function, const NwChar* name, int isActive,
                                          NwErrorInfo* error) = nullptr;
  NwRc(NWRFC_CALL* RfcSetInt)(NwDataHandle data, const NwChar* name, std::int32_t value,
                              NwErrorInfo* error) = nullptr;
};
NwFurtherFunctions NetWeaverStandInFurtherFunctions();

#endif  // BRINDLEMARK_SAPSIM_NETWEAVER_NW_STANDIN_H_
