#ifndef BRINDLEMARK_SAPSIM_NETWEAVER_NW_CONTAINER_H_
#define BRINDLEMARK_SAPSIM_NETWEAVER_NW_CONTAINER_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sapsim/netweaver/nw_dictionary.h"

/// A data container of the simulated library: a function's parameters, a
/// structure, or a table of structures. Values are kept in the classic
/// one-byte-per-character layout, so that the simulated system can answer
/// into them directly.
struct NwContainer {
  enum Kind { kFunction, kStructure, kTable } kind = kStructure;

  // kFunction: one slot per parameter of the description, in its order.
  const NwFunctionDesc* function = nullptr;
  std::vector<std::vector<std::uint8_t>> scalars;      // elementary values
  std::vector<std::unique_ptr<NwContainer>> children;  // structures, tables
  /// Parameters the caller made inactive (RfcSetParameterActive): they are
  /// neither sent nor received. Empty while all are active.
  std::vector<bool> inactive;

  // kStructure and kTable: the line type.
  const NwTypeDesc* type = nullptr;
  std::vector<std::uint8_t> record;                // kStructure
  std::vector<std::unique_ptr<NwContainer>> rows;  // kTable
  std::size_t current = 0;                         // kTable

  /// A function container with every parameter at its initial value.
  static std::unique_ptr<NwContainer> ForFunction(const NwFunctionDesc& desc);
  /// A structure container of |type| at its initial value.
  static std::unique_ptr<NwContainer> ForStructure(const NwTypeDesc& type);
  /// An empty table of |type| lines.
  static std::unique_ptr<NwContainer> ForTable(const NwTypeDesc& type);
};

/// An elementary value of a container, found by name.
struct NwValue {
  LaidOutField field;  // its type, length and place in |bytes|
  std::uint8_t* bytes = nullptr;
};

/// The elementary value |name| of |container| (a field of a structure or a
/// scalar parameter of a function). False when there is none.
bool FindValue(NwContainer& container, const std::string& name, NwValue* value);

/// The structure or table parameter |name| of a function container, or
/// null.
NwContainer* FindChild(NwContainer& container, const std::string& name);

#endif  // BRINDLEMARK_SAPSIM_NETWEAVER_NW_CONTAINER_H_
