#include "sapsim/collector.h"

#include <cstring>
#include <unordered_map>

#include "sapsim/module_answers.h"

bool HasFunctionModule(const SimulatedSystem& system, const std::string& name) {
  if (name == kUsageFunction) return system.release != SapRelease::kS4;
  if (name == kCollectorFunction) return system.release != SapRelease::k46C;
  return true;
}

const char* CollectorRowType(const std::string& table) {
  if (table == "USERTCODE") return "SWNCAGGUSERTCODE";
  if (table == "USERWORKLOAD") return "SWNCAGGUSERWORKLOAD";
  return nullptr;
}

namespace {

/// Builds the field list of a row type: the key fields, the client where
/// the system keeps it, then the numeric columns as DEC 24 (13 bytes).
std::vector<FieldDescriptor> BuildFields(bool tcode, bool client) {
  std::vector<FieldDescriptor> fields;
  fields.push_back({"TASKTYPE", kTypeByte, 1, 0, 0});
  fields.push_back({"ACCOUNT", kTypeChar, 12, 0, 0});
  if (client) fields.push_back({"MANDT", kTypeChar, 3, 0, 0});
  if (tcode) fields.push_back({"ENTRY_ID", kTypeChar, 73, 0, 0});
  for (const CollectorColumn& column : kCollectorColumnList)
    fields.push_back({column.field, kTypeBcd, 13, 0, 0});
  return fields;
}

bool IsCharacterLike(RfcType type) {
  return type == kTypeChar || type == kTypeNum || type == kTypeDate || type == kTypeTime;
}

std::size_t AlignmentOf(RfcType type, int charWidth) {
  switch (type) {
    case kTypeInt: return 4;
    case kTypeInt2: return 2;
    case kTypeFloat: return 8;
    default: return IsCharacterLike(type) && charWidth > 1 ? charWidth : 1;
  }
}

/// The value of a packed field given as its 8 bytes, or 0 when they hold
/// no packed number.
std::int64_t PackedBytesValue(std::int64_t bits) {
  std::int64_t value = 0;
  for (int i = 0; i < 15; ++i) {
    int byte = i / 2;
    auto b = static_cast<std::uint8_t>(static_cast<std::uint64_t>(bits) >> (8 * (7 - byte)));
    int nibble = i % 2 == 0 ? b >> 4 : b & 0xF;
    if (nibble > 9) return 0;
    value = value * 10 + nibble;
  }
  int sign = static_cast<int>(static_cast<std::uint64_t>(bits) & 0xF);
  if (sign < 0xA) return 0;
  return sign == 0xD || sign == 0xB ? -value : value;
}

int ColumnIndex(const char* field) {
  for (int i = 0; i < kCollectorColumns; ++i)
    if (std::string(kCollectorColumnList[i].field) == field) return i;
  return -1;
}

}  // namespace

const std::vector<FieldDescriptor>& CollectorFields(const std::string& type,
                                                    const std::string& clientTable) {
  static const std::vector<FieldDescriptor> kTcode = BuildFields(true, false);
  static const std::vector<FieldDescriptor> kTcodeClient = BuildFields(true, true);
  static const std::vector<FieldDescriptor> kWorkload = BuildFields(false, false);
  static const std::vector<FieldDescriptor> kWorkloadClient = BuildFields(false, true);
  static const std::vector<FieldDescriptor> kNone;
  if (type == "SWNCAGGUSERTCODE") return clientTable == "USERTCODE" ? kTcodeClient : kTcode;
  if (type == "SWNCAGGUSERWORKLOAD")
    return clientTable == "USERWORKLOAD" ? kWorkloadClient : kWorkload;
  return kNone;
}

RecordLayout LayOutForWidth(const std::string& name, const std::vector<FieldDescriptor>& fields,
                            int charWidth) {
  RecordLayout layout;
  layout.name = name;
  std::size_t offset = 0;
  std::size_t strictest = 1;
  for (const FieldDescriptor& d : fields) {
    std::size_t length = IsCharacterLike(d.type) ? d.length * charWidth : d.length;
    std::size_t align = AlignmentOf(d.type, charWidth);
    if (align > strictest) strictest = align;
    offset = (offset + align - 1) / align * align;
    layout.fields.push_back({d.name, d.type, length, offset});
    offset += length;
  }
  // A Unicode system pads its records to their strictest alignment; the
  // classic library's layout ends with the last field.
  if (charWidth > 1) offset = (offset + strictest - 1) / strictest * strictest;
  layout.size = offset;
  return layout;
}

std::vector<CollectorRow> SplitStatistics(const std::vector<StatisticsRow>& rows,
                                          long scaleSeconds) {
  static const int kResp = ColumnIndex("RESPTI");
  static const int kQueue = ColumnIndex("QUEUETI");
  static const int kCpu = ColumnIndex("CPUTI");
  static const int kReadDir = ColumnIndex("READDIRTI");
  static const int kLoadGen = ColumnIndex("LOADGENTI");
  static const int kCount = ColumnIndex("COUNT");
  static const int kDcount = ColumnIndex("DCOUNT");
  static const int kUcount = ColumnIndex("UCOUNT");
  static const int kBcount = ColumnIndex("BCOUNT");

  auto scale = [&](std::int64_t v) { return scaleSeconds < 0 ? v : ScaleRate(v, scaleSeconds); };
  std::vector<CollectorRow> out;
  out.reserve(rows.size() * 2);
  for (const StatisticsRow& row : rows) {
    std::int64_t steps = scale(row.integers[0]);
    std::int64_t dialog = scale(row.integers[1]);
    std::int64_t update = scale(row.integers[2]);
    std::int64_t batch = scale(row.integers[3]);
    struct Part {
      std::uint8_t tasktype;
      std::int64_t count;
      int counter;  // the task type's own counter column, or -1
    } parts[] = {{kTaskDialog, dialog, kDcount},
                 {kTaskBackground, batch, kBcount},
                 {kTaskUpdate, update, kUcount},
                 {kTaskRfc, steps - dialog - batch - update, -1}};
    std::size_t first = out.size();
    std::size_t most = first;
    for (const Part& part : parts) {
      if (part.count == 0) continue;
      CollectorRow r;
      r.tasktype = part.tasktype;
      r.client = row.client;
      r.account = row.account;
      r.values[kCount] = part.count;
      if (part.counter >= 0) r.values[part.counter] = part.count;
      if (out.size() > first && part.count > out[most].values[kCount]) most = out.size();
      out.push_back(std::move(r));
    }
    if (out.size() == first) {
      CollectorRow r;
      r.tasktype = kTaskDialog;
      r.client = row.client;
      r.account = row.account;
      out.push_back(std::move(r));
    }
    auto packed = [&](int i) {
      std::int64_t v = row.rawMask & 1u << i ? PackedBytesValue(row.packed[i]) : row.packed[i];
      // Hexadecimal bytes stand as they are, rates are scaled.
      return (row.rawMask & 1u << i ? v : scale(v)) * 1000;
    };
    CollectorRow& carrier = out[most];
    carrier.values[kResp] = packed(0);
    carrier.values[kQueue] = packed(1);
    carrier.values[kCpu] = packed(2);
    carrier.values[kReadDir] = packed(3);
    carrier.values[kLoadGen] = packed(4);
  }
  return out;
}

std::vector<CollectorRow> SumPerAccount(const std::vector<CollectorRow>& rows) {
  std::vector<CollectorRow> out;
  std::unordered_map<std::string, std::size_t> index;
  index.reserve(rows.size());
  for (const CollectorRow& row : rows) {
    std::string key;
    key.reserve(row.client.size() + row.account.size() + 3);
    key.push_back(static_cast<char>(row.tasktype));
    key += row.client;
    key.push_back('\0');
    key += row.account;
    auto [found, added] = index.emplace(std::move(key), out.size());
    if (added) {
      out.push_back(row);
      out.back().entryId.clear();
      continue;
    }
    CollectorRow& sum = out[found->second];
    for (int i = 0; i < kCollectorColumns; ++i) sum.values[i] += row.values[i];
  }
  return out;
}

bool CollectorRowsOfDay(const SimulatedSystem& system, const std::string& date,
                        const LocalMoment& moment, std::vector<CollectorRow>* rows) {
  auto own = system.collector.find(date);
  if (own != system.collector.end()) {
    *rows = own->second;
    return true;
  }
  auto dated = system.statistics.find(date);
  if (dated != system.statistics.end()) {
    *rows = SplitStatistics(dated->second, -1);
    return true;
  }
  if (date != moment.date) return false;
  auto ownToday = system.collector.find("today");
  if (ownToday != system.collector.end()) {
    *rows = ownToday->second;
    for (CollectorRow& row : *rows)
      for (std::int64_t& v : row.values) v = ScaleRate(v, moment.secondsOfDay);
    return true;
  }
  auto today = system.statistics.find("today");
  if (today == system.statistics.end()) return false;
  *rows = SplitStatistics(today->second, moment.secondsOfDay);
  return true;
}

namespace {
enum : int {
  kNoField = -1,
  kTaskTypeField = -2,
  kAccountField = -3,
  kClientField = -4,
  kEntryField = -5
};
}  // namespace

CollectorRowWriter::CollectorRowWriter(const RecordLayout& layout, std::int64_t factor)
    : layout_(layout), factor_(factor), initial_(layout.size) {
  InitializeRecord(layout, initial_.data());
  for (const LaidOutField& field : layout.fields) {
    int column = ColumnIndex(field.name.c_str());
    if (field.name == "TASKTYPE") column = kTaskTypeField;
    if (field.name == "ACCOUNT") column = kAccountField;
    if (field.name == "MANDT") column = kClientField;
    if (field.name == "ENTRY_ID") column = kEntryField;
    plan_.push_back(column);
  }
}

void CollectorRowWriter::Write(const CollectorRow& row, std::uint8_t* record) const {
  std::memcpy(record, initial_.data(), initial_.size());
  for (std::size_t f = 0; f < plan_.size(); ++f) {
    const LaidOutField& field = layout_.fields[f];
    switch (int column = plan_[f]) {
      case kNoField: break;
      case kTaskTypeField:
        WriteField(field, FieldValue::Raw(std::string(1, static_cast<char>(row.tasktype))), record);
        break;
      case kAccountField: WriteField(field, FieldValue::Text(row.account), record); break;
      case kClientField: WriteField(field, FieldValue::Text(row.client), record); break;
      case kEntryField: WriteField(field, FieldValue::Text(row.entryId), record); break;
      default: {
        std::int64_t v = row.values[column];
        WriteField(field, FieldValue::Number(kCollectorColumnList[column].time ? v / factor_ : v),
                   record);
      }
    }
  }
}
