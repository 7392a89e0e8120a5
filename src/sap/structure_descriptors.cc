#include "sap/structure_descriptors.h"

namespace structures {

const FieldDescriptor CPU_ALL[kCpuAllEntries] = {
    {"TYPE", kTypeInt2, 2, 0, 0},      {"SUBTYPE", kTypeInt2, 2, 0, 0},
    {"SERIALNR", kTypeInt2, 2, 0, 0},  {"NBR_CPU", kTypeInt, 4, 0, 0},
    {"LOAD1_AVG", kTypeInt, 4, 0, 0},  {"LOAD5_AVG", kTypeInt, 4, 0, 0},
    {"LOAD15_AVG", kTypeInt, 4, 0, 0}, {"INT_SEC", kTypeInt, 4, 0, 0},
    {"SYSC_SEC", kTypeInt, 4, 0, 0},   {"CS_SEC", kTypeInt, 4, 0, 0},
    {"USR_TOTAL", kTypeInt, 4, 0, 0},  {"SYS_TOTAL", kTypeInt, 4, 0, 0},
    {"IDLE_TOTAL", kTypeInt, 4, 0, 0},
};

const FieldDescriptor RFCSI[kRfcsiEntries] = {
    {"RFCPROTO", kTypeChar, 3, 0, 0},   {"RFCCHARTYP", kTypeChar, 4, 0, 0},
    {"RFCINTTYP", kTypeChar, 3, 0, 0},  {"RFCFLOTYP", kTypeChar, 3, 0, 0},
    {"RFCDEST", kTypeChar, 32, 0, 0},   {"RFCHOST", kTypeChar, 8, 0, 0},
    {"RFCSYSID", kTypeChar, 8, 0, 0},   {"RFCDATABS", kTypeChar, 8, 0, 0},
    {"RFCDBHOST", kTypeChar, 32, 0, 0}, {"RFCDBSYS", kTypeChar, 10, 0, 0},
    {"RFCSAPRL", kTypeChar, 4, 0, 0},   {"RFCMACH", kTypeChar, 5, 0, 0},
    {"RFCOPSYS", kTypeChar, 10, 0, 0},  {"RFCTZONE", kTypeChar, 6, 0, 0},
    {"RFCDAYST", kTypeChar, 1, 0, 0},   {"RFCIPADDR", kTypeChar, 15, 0, 0},
    {"RFCKERNRL", kTypeChar, 4, 0, 0},  {"RFCSI_RESV", kTypeChar, 44, 0, 0},
};

const FieldDescriptor SAPWLACCTS[kSapwlacctsEntries] = {
    {"CLIENT", kTypeChar, 3, 0, 0},    {"USER_ACCNT", kTypeChar, 12, 0, 0},
    {"STEPS", kTypeInt, 4, 0, 0},      {"DSTEPS", kTypeInt, 4, 0, 0},
    {"USTEPS", kTypeInt, 4, 0, 0},     {"BSTEPS", kTypeInt, 4, 0, 0},
    {"RESP_TIME", kTypeBcd, 8, 0, 0},  {"QUEUE_TIME", kTypeBcd, 8, 0, 0},
    {"CPU_TIME", kTypeBcd, 8, 0, 0},   {"A_DB_TIME", kTypeBcd, 8, 0, 0},
    {"S_DB_TIME", kTypeBcd, 8, 0, 0},  {"A_DATA_VOL", kTypeBcd, 8, 0, 0},
    {"S_DATA_VOL", kTypeBcd, 8, 0, 0},
};

const FieldDescriptor USRACCNTV[kUsraccntvEntries] = {
    {"MANDT", kTypeChar, 3, 0, 0},
    {"BNAME", kTypeChar, 12, 0, 0},
    {"ACCNT", kTypeChar, 12, 0, 0},
};

}  // namespace structures

bool InstallStructure(RfcLibrary& rfc, const char* name, const FieldDescriptor* fields,
                      unsigned entries, RfcType* slot) {
  if (*slot != 0) return true;
  // The library writes the handle into a local first, so that a failed
  // installation cannot leave a half-set handle in the slot.
  RfcType handle = 0;
  if (rfc.RfcInstallStructure(name, fields, entries, &handle) != 0) return false;
  *slot = handle;
  return true;
}
