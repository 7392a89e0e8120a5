#ifndef BRINDLEMARK_SAPSIM_STRUCTURE_REGISTRY_H_
#define BRINDLEMARK_SAPSIM_STRUCTURE_REGISTRY_H_

#include <vector>

#include "sap/rfc_library.h"
#include "sapsim/record_layout.h"

/// The structures installed with RfcInstallStructure, by type handle.
/// Handles start well above the field type codes so that the two can never
/// be confused; every installation gets a new handle.
class StructureRegistry {
 public:
  static constexpr RfcType kFirstHandle = 1000;

  /// Keeps |layout| and returns its new handle.
  RfcType Add(RecordLayout layout);
  /// The structure of |handle|, or null when no structure has it.
  const RecordLayout* Find(RfcType handle) const;

 private:
  std::vector<RecordLayout> layouts_;
};

#endif  // BRINDLEMARK_SAPSIM_STRUCTURE_REGISTRY_H_
