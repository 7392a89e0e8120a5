#include "fuzz_rfc_library.h"

#include <algorithm>
#include <cstring>

// The classic library's record of a STATISTIC row (structure SAPWLACCTS,
// 88 bytes) and where RFCHOST lies in RFCSI (200 bytes).
constexpr unsigned kStatisticRowLength = 88;
namespace statistic_row {
constexpr unsigned kClient = 0, kUserAccnt = 3, kSteps = 16, kDsteps = 20, kUsteps = 24,
                   kBsteps = 28, kRespTime = 32, kQueueTime = 40, kCpuTime = 48, kADbTime = 56,
                   kSDbTime = 64, kADataVol = 72, kSDataVol = 80;
}  // namespace statistic_row
namespace structures {
constexpr unsigned kRfcsiRfchostOffset = 45;
}  // namespace structures

namespace {

void PutInteger(std::string& row, unsigned offset, std::uint32_t value) {
  for (int b = 0; b < 4; ++b) row[offset + b] = static_cast<char>(value >> (8 * b));
}

/// A positive 15-digit packed decimal.
void PutPacked(std::string& row, unsigned offset, std::uint64_t value) {
  unsigned char nibbles[16];
  nibbles[15] = 0xC;
  for (int n = 14; n >= 0; --n, value /= 10) nibbles[n] = static_cast<unsigned char>(value % 10);
  for (int b = 0; b < 8; ++b)
    row[offset + b] = static_cast<char>(nibbles[2 * b] << 4 | nibbles[2 * b + 1]);
}

}  // namespace

FuzzRfcLibrary::~FuzzRfcLibrary() = default;

void FuzzRfcLibrary::RfcEnvironment(const RfcEnvironmentRecord&) {}

RfcHandle FuzzRfcLibrary::RfcOpen(const RfcOptions& options) {
  FUZZ_CHECK(options.destination != nullptr && options.user != nullptr);
  return Fails(8) ? 0 : nextHandle_++;
}

RfcHandle FuzzRfcLibrary::RfcOpenEx(const char* connect, RfcErrorInfo* error) {
  FUZZ_CHECK(connect != nullptr && error != nullptr);
  if (!Fails(8)) return nextHandle_++;
  RfcLastError(error);
  return 0;
}

int FuzzRfcLibrary::RfcInstallStructure(const char*, const FieldDescriptor* fields,
                                        unsigned entries, RfcType* handle) {
  FUZZ_CHECK(fields != nullptr && entries > 0);
  if (Fails(32)) return 1;
  *handle = 1000 + input_.Byte();
  return 0;
}

int FuzzRfcLibrary::RfcCall(RfcHandle handle, const char* function, const RfcParameter*,
                            RfcTable*) {
  FUZZ_CHECK(handle != 0);
  function_ = function;
  return Fails(32) ? 1 : 0;
}

int FuzzRfcLibrary::RfcReceive(RfcHandle handle, const RfcParameter* importing, RfcTable* tables,
                               char** exception) {
  FUZZ_CHECK(handle != 0);
  unsigned char pick = input_.Byte();
  int result = pick < 192 ? kRfcOk : pick % 4;
  if (result == kRfcException || result == kRfcSysException) {
    exception_ = input_.Byte() % 2 == 0 ? "NO_DATA_FOUND" : std::string(input_.Text());
    *exception = exception_.data();
    return result;
  }
  if (result != kRfcOk) return result;
  for (const RfcParameter* p = importing; p->name != nullptr; ++p) FillValue(*p);
  for (RfcTable* t = tables; t->name != nullptr; ++t) {
    Table* table = Find(t->ithandle);
    FUZZ_CHECK(table != nullptr && table->leng == t->leng);
    table->lines.clear();
    unsigned lines = input_.Byte() % 6;
    for (unsigned i = 0; i < lines; ++i) table->lines.push_back(MakeLine(*table));
  }
  return kRfcOk;
}

int FuzzRfcLibrary::RfcLastError(RfcErrorInfo* error) {
  std::memset(error, 0, sizeof *error);
  PutText(input_.Text(), error->key, sizeof error->key - 1);
  PutText(input_.Text(), error->status, sizeof error->status - 1);
  PutText(input_.Text(), error->message, sizeof error->message - 1);
  return 0;
}

void FuzzRfcLibrary::RfcClose(RfcHandle) {}

ItHandle FuzzRfcLibrary::ItCreate(const char* name, unsigned leng, unsigned, unsigned) {
  if (Fails(64)) return nullptr;
  auto table = std::make_unique<Table>();
  table->name = name;
  table->leng = leng;
  tables_.push_back(std::move(table));
  return reinterpret_cast<ItHandle>(tables_.back().get());
}

unsigned FuzzRfcLibrary::ItFill(ItHandle handle) {
  Table* table = Find(handle);
  FUZZ_CHECK(table != nullptr);
  return static_cast<unsigned>(table->lines.size());
}

void* FuzzRfcLibrary::ItGetLine(ItHandle handle, unsigned line) {
  Table* table = Find(handle);
  FUZZ_CHECK(table != nullptr);
  if (line == 0 || line > table->lines.size() || Fails(128)) return nullptr;
  return table->lines[line - 1].data();
}

int FuzzRfcLibrary::ItDelete(ItHandle handle) {
  Table* table = Find(handle);
  FUZZ_CHECK(table != nullptr);
  if (Fails(128)) return 1;
  tables_.erase(std::find_if(tables_.begin(), tables_.end(),
                             [&](const auto& t) { return t.get() == table; }));
  return 0;
}

FuzzRfcLibrary::Table* FuzzRfcLibrary::Find(ItHandle handle) {
  for (const auto& table : tables_)
    if (reinterpret_cast<ItHandle>(table.get()) == handle) return table.get();
  return nullptr;
}

std::string FuzzRfcLibrary::MakeLine(const Table& table) {
  std::string line(table.leng, ' ');
  if (table.name == "STATISTIC" && table.leng == kStatisticRowLength) {
    static const char* const kClients[] = {"000", "100", "200", "066"};
    std::memcpy(line.data() + statistic_row::kClient, kClients[input_.Byte() % 4], 3);
    std::memcpy(line.data() + statistic_row::kUserAccnt, "MONITOR", 7);
    std::uint32_t steps = input_.Byte() * 100u;
    PutInteger(line, statistic_row::kSteps, steps);
    PutInteger(line, statistic_row::kDsteps, steps / 2);
    PutInteger(line, statistic_row::kUsteps, 0);
    PutInteger(line, statistic_row::kBsteps, steps - steps / 2);
    for (unsigned offset :
         {statistic_row::kRespTime, statistic_row::kQueueTime, statistic_row::kCpuTime,
          statistic_row::kADbTime, statistic_row::kSDbTime, statistic_row::kADataVol,
          statistic_row::kSDataVol})
      PutPacked(line, offset, steps * 37u);
  }
  // Now and then a piece of the input over the record.
  if (input_.Byte() >= 192) {
    size_t offset = input_.Byte() % table.leng;
    std::string_view piece = input_.Text();
    std::memcpy(line.data() + offset, piece.data(), std::min(piece.size(), table.leng - offset));
  }
  return line;
}

void FuzzRfcLibrary::FillValue(const RfcParameter& parameter) {
  char* field = static_cast<char*>(parameter.addr);
  std::string value(parameter.leng, parameter.type == kTypeInt ? '\0' : ' ');
  std::string_view name(parameter.name, parameter.nlen);
  if (name == "LASTCOLLWRT") {
    static const char* const kStamps[] = {"Tue Mar  5 14:07:09 2024", "Wed Mar  6 00:00:01 2024",
                                          "Sun Dec 31 23:59:59 2023"};
    PutText(kStamps[input_.Byte() % 3], value.data(), value.size());
  } else if (name == "RFCSI_EXPORT" && value.size() > structures::kRfcsiRfchostOffset + 8) {
    std::memcpy(value.data() + structures::kRfcsiRfchostOffset, "prdci01", 7);
  }
  if (input_.Byte() >= 160 && !value.empty()) {
    size_t offset = input_.Byte() % value.size();
    std::string_view piece = input_.Text();
    std::memcpy(value.data() + offset, piece.data(), std::min(piece.size(), value.size() - offset));
  }
  std::memcpy(field, value.data(), value.size());
}

void FuzzRfcLibrary::PutText(std::string_view text, char* field, size_t size) {
  std::memcpy(field, text.data(), std::min(text.size(), size));
}
