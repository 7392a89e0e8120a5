#ifndef BRINDLEMARK_SAP_STRUCTURE_DESCRIPTORS_H_
#define BRINDLEMARK_SAP_STRUCTURE_DESCRIPTORS_H_

#include "sap/rfc_library.h"

/// The field descriptions of the structures the sensor exchanges with SAP.
/// Each array lists the fields in record order and carries no end marker;
/// decimals and offset are 0 throughout (the library lays out the record).
namespace structures {

/// One line of the table TF_CPU_ALL of GET_CPU_ALL; a 48-byte record.
extern const FieldDescriptor CPU_ALL[];
constexpr unsigned kCpuAllEntries = 13;

/// The system information RFCSI_EXPORT of RFC_SYSTEM_INFO; 200 bytes.
extern const FieldDescriptor RFCSI[];
constexpr unsigned kRfcsiEntries = 18;
/// Where the host name RFCHOST lies in an RFCSI record, and its length.
constexpr unsigned kRfcsiRecordLength = 200;
constexpr unsigned kRfcsiRfchostOffset = 45;
constexpr unsigned kRfcsiRfchostLength = 8;

/// One line of the table STATISTIC of SAPWL_ACCNT_GET_SYSTEM_USAGE; 88 bytes.
extern const FieldDescriptor SAPWLACCTS[];
constexpr unsigned kSapwlacctsEntries = 13;

/// One line of the table USER_ACCOUNT_RELATION; 27 bytes.
extern const FieldDescriptor USRACCNTV[];
constexpr unsigned kUsraccntvEntries = 3;

}  // namespace structures

/// The type handles of the four structures, each 0 until the structure is
/// described to the library. They live as long as the process, so that
/// each structure is installed once, also when a run serves many systems.
struct StructureHandles {
  RfcType cpuAll = 0;
  RfcType rfcsi = 0;
  RfcType sapwlaccts = 0;
  RfcType usraccntv = 0;
};

/// Describes a structure to the RFC library unless |*slot| already holds
/// its type handle. Returns false when the library refuses it; |*slot|
/// then stays 0.
bool InstallStructure(RfcLibrary& rfc, const char* name, const FieldDescriptor* fields,
                      unsigned entries, RfcType* slot);

#endif  // BRINDLEMARK_SAP_STRUCTURE_DESCRIPTORS_H_
