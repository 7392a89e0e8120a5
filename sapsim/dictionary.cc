#include "sapsim/dictionary.h"

#include "sapsim/collector.h"

namespace {

std::vector<FieldDescriptor> CpuAll() {
  return {
      {"TYPE", kTypeInt2, 2, 0, 0},      {"SUBTYPE", kTypeInt2, 2, 0, 0},
      {"SERIALNR", kTypeInt2, 2, 0, 0},  {"NBR_CPU", kTypeInt, 4, 0, 0},
      {"LOAD1_AVG", kTypeInt, 4, 0, 0},  {"LOAD5_AVG", kTypeInt, 4, 0, 0},
      {"LOAD15_AVG", kTypeInt, 4, 0, 0}, {"INT_SEC", kTypeInt, 4, 0, 0},
      {"SYSC_SEC", kTypeInt, 4, 0, 0},   {"CS_SEC", kTypeInt, 4, 0, 0},
      {"USR_TOTAL", kTypeInt, 4, 0, 0},  {"SYS_TOTAL", kTypeInt, 4, 0, 0},
      {"IDLE_TOTAL", kTypeInt, 4, 0, 0},
  };
}

std::vector<FieldDescriptor> Rfcsi() {
  return {
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
}

std::vector<FieldDescriptor> Sapwlaccts() {
  return {
      {"CLIENT", kTypeChar, 3, 0, 0},    {"USER_ACCNT", kTypeChar, 12, 0, 0},
      {"STEPS", kTypeInt, 4, 0, 0},      {"DSTEPS", kTypeInt, 4, 0, 0},
      {"USTEPS", kTypeInt, 4, 0, 0},     {"BSTEPS", kTypeInt, 4, 0, 0},
      {"RESP_TIME", kTypeBcd, 8, 0, 0},  {"QUEUE_TIME", kTypeBcd, 8, 0, 0},
      {"CPU_TIME", kTypeBcd, 8, 0, 0},   {"A_DB_TIME", kTypeBcd, 8, 0, 0},
      {"S_DB_TIME", kTypeBcd, 8, 0, 0},  {"A_DATA_VOL", kTypeBcd, 8, 0, 0},
      {"S_DATA_VOL", kTypeBcd, 8, 0, 0},
  };
}

std::vector<FieldDescriptor> Usraccntv() {
  return {
      {"MANDT", kTypeChar, 3, 0, 0},
      {"BNAME", kTypeChar, 12, 0, 0},
      {"ACCNT", kTypeChar, 12, 0, 0},
  };
}

// A parameter of a function interface as RFC_GET_FUNCTION_INTERFACE lists
// it.
std::vector<FieldDescriptor> RfcFunint() {
  return {
      {"PARAMCLASS", kTypeChar, 1, 0, 0}, {"PARAMETER", kTypeChar, 30, 0, 0},
      {"TABNAME", kTypeChar, 30, 0, 0},   {"FIELDNAME", kTypeChar, 30, 0, 0},
      {"EXID", kTypeChar, 1, 0, 0},       {"POSITION", kTypeInt, 4, 0, 0},
      {"OFFSET", kTypeInt, 4, 0, 0},      {"INTLENGTH", kTypeInt, 4, 0, 0},
      {"DECIMALS", kTypeInt, 4, 0, 0},    {"DEFAULT", kTypeChar, 21, 0, 0},
      {"PARAMTEXT", kTypeChar, 79, 0, 0}, {"OPTIONAL", kTypeChar, 1, 0, 0},
  };
}

// A field of a structure as RFC_GET_STRUCTURE_DEFINITION lists it.
std::vector<FieldDescriptor> RfcFields() {
  return {
      {"TABNAME", kTypeChar, 30, 0, 0}, {"FIELDNAME", kTypeChar, 30, 0, 0},
      {"POSITION", kTypeInt, 4, 0, 0},  {"OFFSET", kTypeInt, 4, 0, 0},
      {"INTLENGTH", kTypeInt, 4, 0, 0}, {"DECIMALS", kTypeInt, 4, 0, 0},
      {"EXID", kTypeChar, 1, 0, 0},
  };
}

}  // namespace

const std::vector<FieldDescriptor>* FindCommonStructure(const std::string& name) {
  static const std::vector<FieldDescriptor> kCpuAll = CpuAll();
  static const std::vector<FieldDescriptor> kRfcsi = Rfcsi();
  static const std::vector<FieldDescriptor> kSapwlaccts = Sapwlaccts();
  static const std::vector<FieldDescriptor> kUsraccntv = Usraccntv();
  static const std::vector<FieldDescriptor> kRfcFunint = RfcFunint();
  static const std::vector<FieldDescriptor> kRfcFields = RfcFields();
  if (name == "CPU_ALL") return &kCpuAll;
  if (name == "RFCSI") return &kRfcsi;
  if (name == "SAPWLACCTS") return &kSapwlaccts;
  if (name == "USRACCNTV") return &kUsraccntv;
  if (name == "RFC_FUNINT") return &kRfcFunint;
  if (name == "RFC_FIELDS") return &kRfcFields;
  return nullptr;
}

const std::vector<FieldDescriptor>* FindStructure(const SimulatedSystem& system,
                                                  const std::string& name) {
  if (const std::vector<FieldDescriptor>* common = FindCommonStructure(name)) return common;
  if (!HasFunctionModule(system, kCollectorFunction)) return nullptr;
  const std::vector<FieldDescriptor>& fields = CollectorFields(name, system.collectorClientTable);
  return fields.empty() ? nullptr : &fields;
}

int CharacterWidth(const SimulatedSystem& system) {
  return system.release == SapRelease::k46C ? 1 : 2;
}

char AbapTypeLetter(RfcType type) {
  switch (type) {
    case kTypeChar: return 'C';
    case kTypeDate: return 'D';
    case kTypeBcd: return 'P';
    case kTypeTime: return 'T';
    case kTypeByte: return 'X';
    case kTypeNum: return 'N';
    case kTypeFloat: return 'F';
    case kTypeInt: return 'I';
    case kTypeInt2: return 's';
    case kTypeInt1: return 'b';
    default: return ' ';
  }
}
