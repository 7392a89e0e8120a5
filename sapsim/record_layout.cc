#include "sapsim/record_layout.h"

#include <cstring>

#include "sapsim/packed_decimal.h"

const LaidOutField* RecordLayout::Find(const std::string& fieldName) const {
  for (const LaidOutField& field : fields)
    if (field.name == fieldName) return &field;
  return nullptr;
}

bool IsFieldTypeCode(RfcType type) { return type <= kTypeInt1 && type != 5; }

static std::size_t AlignmentOf(RfcType type) {
  switch (type) {
    case kTypeInt: return 4;
    case kTypeInt2: return 2;
    case kTypeFloat: return 8;
    default: return 1;
  }
}

std::optional<RecordLayout> LayOutRecord(const char* name, const FieldDescriptor* fields,
                                         unsigned entries) {
  if (name == nullptr || fields == nullptr || entries == 0) return std::nullopt;
  RecordLayout layout;
  layout.name = name;
  layout.fields.reserve(entries);
  std::size_t offset = 0;
  for (unsigned i = 0; i < entries; ++i) {
    const FieldDescriptor& d = fields[i];
    if (d.name == nullptr || !IsFieldTypeCode(d.type) || d.length == 0 || d.length > 0x100000)
      return std::nullopt;
    std::size_t align = AlignmentOf(d.type);
    offset = (offset + align - 1) / align * align;
    layout.fields.push_back({d.name, d.type, d.length, offset});
    offset += d.length;
  }
  layout.size = offset;
  return layout;
}

FieldValue FieldValue::Number(std::int64_t n) {
  FieldValue v;
  v.kind = kNumber;
  v.number = n;
  return v;
}

FieldValue FieldValue::Text(std::string t) {
  FieldValue v;
  v.kind = kText;
  v.text = std::move(t);
  return v;
}

FieldValue FieldValue::Raw(std::string bytes) {
  FieldValue v;
  v.kind = kRawBytes;
  v.text = std::move(bytes);
  return v;
}

static void WriteLittleEndian(std::uint64_t bits, std::uint8_t* out, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i)
    out[i] = i < 8 ? static_cast<std::uint8_t>(bits >> (8 * i)) : 0;
}

static void WriteBlankPadded(const std::string& text, std::uint8_t* out, std::size_t length) {
  std::memset(out, ' ', length);
  std::memcpy(out, text.data(), text.size() < length ? text.size() : length);
}

static void WriteInitial(const LaidOutField& field, std::uint8_t* out) {
  switch (field.type) {
    case kTypeChar: std::memset(out, ' ', field.length); break;
    case kTypeNum:
    case kTypeDate:
    case kTypeTime: std::memset(out, '0', field.length); break;
    case kTypeBcd: EncodePacked(0, out, field.length); break;
    default: std::memset(out, 0, field.length);
  }
}

void WriteField(const LaidOutField& field, const FieldValue& value, std::uint8_t* record) {
  std::uint8_t* out = record + field.offset;
  std::size_t length = field.length;
  switch (field.type) {
    case kTypeChar:
    case kTypeDate:
    case kTypeTime:
      if (value.kind == FieldValue::kNumber)
        WriteBlankPadded(std::to_string(value.number), out, length);
      else
        WriteBlankPadded(value.text, out, length);
      return;
    case kTypeNum: {
      std::string digits =
          value.kind == FieldValue::kNumber ? std::to_string(value.number) : value.text;
      std::memset(out, '0', length);
      if (digits.size() >= length)
        std::memcpy(out, digits.data() + digits.size() - length, length);
      else
        std::memcpy(out + length - digits.size(), digits.data(), digits.size());
      return;
    }
    case kTypeInt:
    case kTypeInt2:
    case kTypeInt1:
      if (value.kind == FieldValue::kNumber)
        WriteLittleEndian(static_cast<std::uint64_t>(value.number), out, length);
      else
        WriteInitial(field, out);
      return;
    case kTypeBcd:
      if (value.kind == FieldValue::kNumber) {
        EncodePacked(value.number, out, length);
      } else if (value.kind == FieldValue::kRawBytes) {
        std::memset(out, 0, length);
        std::memcpy(out, value.text.data(),
                    value.text.size() < length ? value.text.size() : length);
      } else {
        WriteInitial(field, out);
      }
      return;
    case kTypeFloat:
      if (value.kind == FieldValue::kNumber && length >= sizeof(double)) {
        double d = static_cast<double>(value.number);
        std::memset(out, 0, length);
        std::memcpy(out, &d, sizeof d);
      } else {
        WriteInitial(field, out);
      }
      return;
    default:  // raw bytes
      std::memset(out, 0, length);
      if (value.kind == FieldValue::kNumber)
        WriteLittleEndian(static_cast<std::uint64_t>(value.number), out, length);
      else
        std::memcpy(out, value.text.data(),
                    value.text.size() < length ? value.text.size() : length);
  }
}

void InitializeRecord(const RecordLayout& layout, std::uint8_t* record) {
  std::memset(record, 0, layout.size);
  for (const LaidOutField& field : layout.fields) WriteInitial(field, record + field.offset);
}
