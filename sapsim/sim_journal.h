#ifndef BRINDLEMARK_SAPSIM_SIM_JOURNAL_H_
#define BRINDLEMARK_SAPSIM_SIM_JOURNAL_H_

#include <cstddef>
#include <fstream>
#include <string>

#include <nlohmann/json.hpp>

#include "sap/rfc_library.h"

/// The journal of library calls: one JSON object a line, appended to the
/// file the description names, so that tests can see what the sensor
/// passed.
class SimJournal {
 public:
  /// Sends later lines to |path|; an empty path turns the journal off.
  void SetPath(const std::string& path);
  /// Appends |entry| as one line and flushes it; nothing when off.
  void Write(const nlohmann::json& entry);

 private:
  std::string path_;
  std::ofstream out_;
};

/// A text for the journal: the |length| bytes at |text| taken as
/// single-byte (Latin-1) characters, blanks and all; null for a null
/// pointer.
nlohmann::json JournalText(const char* text, std::size_t length);
/// The same for a terminated text.
nlohmann::json JournalText(const char* text);

/// An exporting value as the journal shows it: character-like values as
/// their bytes, integers as decimal text, everything else in hexadecimal.
nlohmann::json JournalValue(const RfcParameter& parameter);

#endif  // BRINDLEMARK_SAPSIM_SIM_JOURNAL_H_
