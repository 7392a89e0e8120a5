#ifndef BRINDLEMARK_SAPSIM_NETWEAVER_NW_DICTIONARY_H_
#define BRINDLEMARK_SAPSIM_NETWEAVER_NW_DICTIONARY_H_

#include <memory>
#include <string>
#include <vector>

#include "sap/netweaver_rfc_api.h"
#include "sapsim/function_modules.h"
#include "sapsim/record_layout.h"
#include "sapsim/sim_description.h"

/// A structure type of the simulated system's dictionary: its fields and
/// their layout in the one-byte-per-character record.
struct NwTypeDesc {
  std::string name;
  const FieldDescriptor* fields = nullptr;
  unsigned fieldCount = 0;
  RecordLayout layout;
  /// The layout with two bytes per character, as a Unicode system keeps
  /// the record (the library's "uc" lengths and offsets).
  RecordLayout ucLayout;
};

/// One parameter of a function module as the system describes it.
struct NwParameterInfo {
  std::string name;
  NwType type = kNwTypeChar;
  NwDirection direction = kNwImport;
  unsigned length = 0;                   // bytes; a structure's record size
  const NwTypeDesc* typeDesc = nullptr;  // structures and tables
  bool optional = false;
};

/// A function module's description.
struct NwFunctionDesc {
  const FunctionModule* module = nullptr;
  std::vector<NwParameterInfo> parameters;

  /// The parameter called |name|, or null.
  const NwParameterInfo* Find(const std::string& name) const;
};

/// The dictionary of the simulated system: the structures CPU_ALL, RFCSI,
/// SAPWLACCTS and USRACCNTV and the descriptions of the function modules
/// the sensor calls, built once.
class NwDictionary {
 public:
  NwDictionary();

  /// The description of the function module |name|, or null.
  const NwFunctionDesc* Function(const std::string& name) const;
  /// The structure type |name|, or null.
  const NwTypeDesc* Type(const std::string& name) const;
  /// The description of |name| as |system| has it: its release may lack
  /// the module, and the collector's row types depend on where the system
  /// keeps the client. Null when the system has no such module.
  const NwFunctionDesc* Function(const std::string& name, const SimulatedSystem& system) const;
  /// The structure type |name| as |system| defines it, or null.
  const NwTypeDesc* Type(const std::string& name, const SimulatedSystem& system) const;
  const std::vector<std::unique_ptr<NwTypeDesc>>& Types() const { return types_; }

 private:
  /// One variant of the collector: its row types and its description,
  /// for one place of the client.
  struct CollectorVariant {
    std::string clientTable;
    std::vector<std::unique_ptr<NwTypeDesc>> types;
    std::unique_ptr<NwFunctionDesc> function;
  };
  void AddFunction(const FunctionModule* module,
                   const std::vector<std::unique_ptr<NwTypeDesc>>& types,
                   std::unique_ptr<NwFunctionDesc>* out) const;

  std::vector<std::unique_ptr<NwTypeDesc>> types_;
  std::vector<std::unique_ptr<NwFunctionDesc>> functions_;
  std::vector<CollectorVariant> collector_;
};

#endif  // BRINDLEMARK_SAPSIM_NETWEAVER_NW_DICTIONARY_H_
