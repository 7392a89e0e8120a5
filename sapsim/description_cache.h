#ifndef BRINDLEMARK_SAPSIM_DESCRIPTION_CACHE_H_
#define BRINDLEMARK_SAPSIM_DESCRIPTION_CACHE_H_

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "sapsim/sim_description.h"

/// The description file, parsed again only when its modification time or
/// size changed: an item run logs on to every system of a long list, and
/// reading and parsing the whole file at each logon would make the run
/// quadratic in the number of systems.
class DescriptionCache {
 public:
  /// Reads the file at |path| unless its time and size are those of the
  /// last reading. Returns the current description; null (with |error|
  /// set) when the file is missing or invalid.
  std::shared_ptr<const SimDescription> Refresh(const std::string& path, std::string* error);
  /// The description of the latest reading, or null.
  const std::shared_ptr<const SimDescription>& Current() const { return description_; }
  /// True once the file has been read at all.
  bool Read() const { return read_; }

 private:
  std::shared_ptr<const SimDescription> description_;
  bool read_ = false;
  std::filesystem::file_time_type time_{};
  std::uintmax_t size_ = 0;
};

#endif  // BRINDLEMARK_SAPSIM_DESCRIPTION_CACHE_H_
