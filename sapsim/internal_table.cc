#include "sapsim/internal_table.h"

std::uint8_t* RfcInternalTable::Line(std::size_t line) {
  if (line == 0 || line > Rows()) return nullptr;
  return bytes.data() + (line - 1) * leng;
}

std::uint8_t* RfcInternalTable::AppendRow() {
  bytes.resize(bytes.size() + leng, 0);
  return bytes.data() + bytes.size() - leng;
}
