#ifndef BRINDLEMARK_SAPSIM_INTERNAL_TABLE_H_
#define BRINDLEMARK_SAPSIM_INTERNAL_TABLE_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "sap/rfc_library.h"

/// An internal table of the simulated library: rows of one fixed length
/// kept one after the other in a single buffer, so that appending many
/// rows costs linear time.
struct RfcInternalTable {
  RfcInternalTable(std::string tableName, std::size_t rowLength)
      : name(std::move(tableName)), leng(rowLength) {}

  /// The number of rows.
  std::size_t Rows() const { return leng == 0 ? 0 : bytes.size() / leng; }
  /// Row |line| (from 1), or null when there is no such row.
  std::uint8_t* Line(std::size_t line);
  /// Makes room for |count| more rows.
  void Reserve(std::size_t count) { bytes.reserve(bytes.size() + count * leng); }
  /// Appends a row of zero bytes and returns it.
  std::uint8_t* AppendRow();

  std::string name;
  std::size_t leng;
  std::vector<std::uint8_t> bytes;
};

#endif  // BRINDLEMARK_SAPSIM_INTERNAL_TABLE_H_
