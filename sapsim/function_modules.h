#ifndef BRINDLEMARK_SAPSIM_FUNCTION_MODULES_H_
#define BRINDLEMARK_SAPSIM_FUNCTION_MODULES_H_

#include <cstddef>
#include <functional>
#include <string>

#include "sap/rfc_library.h"
#include "sapsim/structure_registry.h"

/// One parameter of a function module's interface: a field type code with
/// a length, or (structure non-null) an installed structure of that name.
struct ParameterSpec {
  const char* name;
  RfcType type;
  const char* structure;
  unsigned length;
  bool optional = false;  // the caller may leave it out
};

/// One table of a function module's interface and its line structure.
struct TableSpec {
  const char* name;
  const char* structure;
  bool optional = false;  // the caller may leave it out
};

/// The RFC interface of a function module as the simulated system knows
/// it. "exporting" is what the caller sends, "importing" what it receives.
struct FunctionModule {
  const char* name;
  const ParameterSpec* exporting;
  std::size_t exportingCount;
  const ParameterSpec* importing;
  std::size_t importingCount;
  const TableSpec* tables;
  std::size_t tableCount;
  const char* const* exceptions = nullptr;  // the classic exceptions it raises
  std::size_t exceptionCount = 0;
};

/// The function module called |name| (GET_CPU_ALL, RFC_SYSTEM_INFO,
/// SAPWL_ACCNT_GET_SYSTEM_USAGE, SWNC_COLLECTOR_GET_AGGREGATES and the
/// metadata modules RFC_GET_FUNCTION_INTERFACE and
/// RFC_GET_STRUCTURE_DEFINITION), or null. Whether a system has it
/// depends on its release (HasFunctionModule).
const FunctionModule* FindFunctionModule(const std::string& name);

/// How a caller's parameter or table list fits a function module.
enum class ListCheck {
  kValid,        // every parameter once, with its name, type and length
  kUnknownType,  // a type that is neither a field type nor installed, or a
                 // table handle the library did not create: a failure
  kInvalid,      // otherwise differs from the interface: INVALID_PARAMETER
};

/// The name of a list entry: the first |nlen| characters of |name|, or
/// empty (never matching) when the text is shorter than |nlen|.
std::string EntryName(const char* name, unsigned nlen);

/// Checks a parameter list (ended by a null name; a null list is empty)
/// against |specs|: every parameter must appear at most once, and every
/// one that is not optional exactly once, with the
/// interface's type and length; a structure parameter's type must be a
/// structure of that name whose record size is the length.
ListCheck CheckParameters(const RfcParameter* list, const ParameterSpec* specs, std::size_t count,
                          const StructureRegistry& registry);

/// Checks a table list against |specs| likewise: each table once, its type
/// an installed structure of the interface's name whose record size is the
/// row length of the internal table (and of the entry's length, unless that
/// is 0). |knownTable| tells whether an internal table handle is live.
ListCheck CheckTables(const RfcTable* list, const TableSpec* specs, std::size_t count,
                      const StructureRegistry& registry,
                      const std::function<bool(ItHandle)>& knownTable);

/// Longest list the library reads; a longer one is taken as unterminated.
constexpr std::size_t kMaxListEntries = 256;

#endif  // BRINDLEMARK_SAPSIM_FUNCTION_MODULES_H_
