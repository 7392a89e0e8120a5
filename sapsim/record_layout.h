#ifndef BRINDLEMARK_SAPSIM_RECORD_LAYOUT_H_
#define BRINDLEMARK_SAPSIM_RECORD_LAYOUT_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sap/rfc_library.h"

/// One field of a record as the simulated system lays it out.
struct LaidOutField {
  std::string name;
  RfcType type = kTypeChar;
  std::size_t length = 0;
  std::size_t offset = 0;
};

/// A record type as described with RfcInstallStructure: its fields with
/// their positions, and its size.
struct RecordLayout {
  std::string name;
  std::vector<LaidOutField> fields;
  std::size_t size = 0;

  /// The field called |name|, or null.
  const LaidOutField* Find(const std::string& fieldName) const;
};

/// Lays out a record from its field descriptors: fields follow one another
/// in array order; a 2-byte integer starts at an even offset, a 4-byte
/// integer at a multiple of 4 and a float at a multiple of 8, with padding
/// before it; other fields start at any offset; the size is the end of the
/// last field. The descriptors' offset words are not consulted. Empty when
/// the descriptors are unusable (no fields, a null name, a length of 0, a
/// type code that is not a field type).
std::optional<RecordLayout> LayOutRecord(const char* name, const FieldDescriptor* fields,
                                         unsigned entries);

/// True when |type| is a field type code of the library.
bool IsFieldTypeCode(RfcType type);

/// A value to be stored into a field; how it is written depends on the
/// field's type (see WriteField).
struct FieldValue {
  enum Kind { kNumber, kText, kRawBytes } kind = kNumber;
  std::int64_t number = 0;
  std::string text;  // kText, and the bytes of kRawBytes

  static FieldValue Number(std::int64_t n);
  static FieldValue Text(std::string t);
  static FieldValue Raw(std::string bytes);
};

/// Stores |value| into the field |field| of the record at |record| (of at
/// least field.offset + field.length bytes), following the field's type:
/// character fields blank-padded and cut to the length (numbers as their
/// decimal text); numeric text right-aligned with zeros; integers
/// little-endian in the field's bytes; packed decimals as 2 * length - 1
/// digits and a sign (raw bytes copied); floats as doubles. A value that
/// does not suit the type stores the field's initial value.
void WriteField(const LaidOutField& field, const FieldValue& value, std::uint8_t* record);

/// Sets every field of the record to its initial value: blanks for
/// character fields, "0" digits for numeric text, date and time, a packed
/// zero, zero bytes for everything else (padding included).
void InitializeRecord(const RecordLayout& layout, std::uint8_t* record);

#endif  // BRINDLEMARK_SAPSIM_RECORD_LAYOUT_H_
