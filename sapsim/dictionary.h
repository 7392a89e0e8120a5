#ifndef BRINDLEMARK_SAPSIM_DICTIONARY_H_
#define BRINDLEMARK_SAPSIM_DICTIONARY_H_

#include <string>
#include <vector>

#include "sap/rfc_library.h"
#include "sapsim/sim_description.h"

/// The structures of the simulated system's dictionary, with their fields
/// in record order as the system defines them (lengths in characters for
/// character fields, bytes otherwise).

/// A structure every simulated system has: CPU_ALL, RFCSI, SAPWLACCTS,
/// USRACCNTV and the metadata modules' RFC_FUNINT and RFC_FIELDS; null for
/// another name.
const std::vector<FieldDescriptor>* FindCommonStructure(const std::string& name);

/// The structure |name| as |system| defines it: a common one, or (on a
/// release with the workload collector) one of the collector's row types,
/// with the client where the system keeps it. Null when the system has no
/// such structure.
const std::vector<FieldDescriptor>* FindStructure(const SimulatedSystem& system,
                                                  const std::string& name);

/// The width of a character in |system|'s own records: 1 on a non-Unicode
/// release (46C), 2 on the Unicode releases 7.50 and S/4HANA.
int CharacterWidth(const SimulatedSystem& system);

/// The ABAP type letter of a field type code (C, D, P, T, X, N, F, I, s,
/// b), as RFC_FIELDS-EXID and RFC_FUNINT-EXID give it.
char AbapTypeLetter(RfcType type);

#endif  // BRINDLEMARK_SAPSIM_DICTIONARY_H_
