#include "sapsim/sim_description.h"

#include <cctype>
#include <chrono>
#include <fstream>
#include <limits>
#include <sstream>
#include <thread>

#include <nlohmann/json.hpp>

#include "sapsim/packed_decimal.h"

using nlohmann::json;

const StatisticsColumn kIntegerColumns[StatisticsRow::kIntegers] = {
    {"steps", "STEPS"}, {"dsteps", "DSTEPS"}, {"usteps", "USTEPS"}, {"bsteps", "BSTEPS"}};
const StatisticsColumn kPackedColumns[StatisticsRow::kPacked] = {
    {"resp_time", "RESP_TIME"},  {"queue_time", "QUEUE_TIME"}, {"cpu_time", "CPU_TIME"},
    {"a_db_time", "A_DB_TIME"},  {"s_db_time", "S_DB_TIME"},   {"a_data_vol", "A_DATA_VOL"},
    {"s_data_vol", "S_DATA_VOL"}};

const CollectorColumn kCollectorColumnList[kCollectorColumns] = {
    {"count", "COUNT", false},           {"dcount", "DCOUNT", false},
    {"ucount", "UCOUNT", false},         {"bcount", "BCOUNT", false},
    {"ecount", "ECOUNT", false},         {"scount", "SCOUNT", false},
    {"luw_count", "LUW_COUNT", false},   {"respti", "RESPTI", true},
    {"procti", "PROCTI", true},          {"cputi", "CPUTI", true},
    {"queueti", "QUEUETI", true},        {"rollwaitti", "ROLLWAITTI", true},
    {"guitime", "GUITIME", true},        {"loadgenti", "LOADGENTI", true},
    {"dbp_count", "DBP_COUNT", false},   {"dbp_time", "DBP_TIME", true},
    {"readdircnt", "READDIRCNT", false}, {"readdirti", "READDIRTI", true},
    {"readseqcnt", "READSEQCNT", false}, {"readseqti", "READSEQTI", true},
    {"chngcnt", "CHNGCNT", false},       {"chngti", "CHNGTI", true},
};

static std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

const SimulatedSystem* SimDescription::FindR3(const std::string& host, int sysnr) const {
  auto found = r3ByHost.find(Lower(host));
  if (found == r3ByHost.end()) return nullptr;
  for (std::size_t index : found->second) {
    const SimulatedSystem& system = systems[index];
    if (!system.sysnr || *system.sysnr == sysnr) return &system;
  }
  return nullptr;
}

const SimulatedSystem* SimDescription::FindR2(const std::string& gwhost) const {
  auto found = r2ByGwhost.find(Lower(gwhost));
  if (found == r2ByGwhost.end() || found->second.empty()) return nullptr;
  return &systems[found->second.front()];
}

const SimulatedSystem* SimDescription::FindBySysid(const std::string& sysid) const {
  for (const SimulatedSystem& system : systems)
    if (!system.r2 && !system.sysid.empty() && Lower(system.sysid) == Lower(sysid)) return &system;
  return nullptr;
}

namespace {

/// A description error: the message names where the fault lies.
struct DescriptionError {
  std::string message;
};

[[noreturn]] void Fail(const std::string& message) { throw DescriptionError{message}; }

std::string GetText(const json& value, const std::string& where) {
  if (!value.is_string()) Fail(where + " must be a text");
  return value.get<std::string>();
}

std::int64_t GetInteger(const json& value, std::int64_t low, std::int64_t high,
                        const std::string& where) {
  std::int64_t n;
  if (value.is_number_integer() && !value.is_number_unsigned()) {
    n = value.get<std::int64_t>();
  } else if (value.is_number_unsigned()) {
    std::uint64_t u = value.get<std::uint64_t>();
    if (u > static_cast<std::uint64_t>(high)) Fail(where + " is out of range");
    n = static_cast<std::int64_t>(u);
  } else {
    Fail(where + " must be an integer");
  }
  if (n < low || n > high) Fail(where + " is out of range");
  return n;
}

bool IsStatisticsKey(const std::string& key) {
  if (key == "today") return true;
  if (key.size() != 8) return false;
  for (char c : key)
    if (c < '0' || c > '9') return false;
  return true;
}

StatisticsRow ParseRow(const json& object, const std::string& where) {
  if (!object.is_object()) Fail(where + " must be an object");
  StatisticsRow row;
  for (auto it = object.begin(); it != object.end(); ++it) {
    const std::string& key = it.key();
    std::string at = where + "." + key;
    if (key == "client") {
      row.client = GetText(it.value(), at);
      continue;
    }
    if (key == "account") {
      row.account = GetText(it.value(), at);
      continue;
    }
    bool known = false;
    for (int i = 0; i < StatisticsRow::kIntegers && !known; ++i) {
      if (key == kIntegerColumns[i].key) {
        row.integers[i] = static_cast<std::int32_t>(
            GetInteger(it.value(), std::numeric_limits<std::int32_t>::min(),
                       std::numeric_limits<std::int32_t>::max(), at));
        known = true;
      }
    }
    for (int i = 0; i < StatisticsRow::kPacked && !known; ++i) {
      if (key != kPackedColumns[i].key) continue;
      known = true;
      if (it.value().is_string()) {
        std::uint8_t bytes[8];
        if (!ParseHexBytes(it.value().get<std::string>(), bytes))
          Fail(at + " must be 16 hexadecimal digits");
        std::uint64_t bits = 0;
        for (int b = 0; b < 8; ++b) bits = bits << 8 | bytes[b];
        row.packed[i] = static_cast<std::int64_t>(bits);
        row.rawMask = static_cast<std::uint8_t>(row.rawMask | 1u << i);
      } else {
        row.packed[i] = GetInteger(it.value(), -kMaxPacked15, kMaxPacked15, at);
      }
    }
    if (!known) Fail(at + " is not a statistics field");
  }
  return row;
}

LastErrorTexts ParseLastError(const json& value, const std::string& at) {
  if (!value.is_object()) Fail(at + " must be an object");
  LastErrorTexts texts;
  for (auto e = value.begin(); e != value.end(); ++e) {
    std::string text = GetText(e.value(), at + "." + e.key());
    if (e.key() == "key")
      texts.key = text;
    else if (e.key() == "status")
      texts.status = text;
    else if (e.key() == "message")
      texts.message = text;
    else if (e.key() == "internal_status")
      texts.internalStatus = text;
    else
      Fail(at + "." + e.key() + " is not known");
  }
  return texts;
}

FunctionFault ParseFunctionFault(const json& value, const std::string& at) {
  if (!value.is_object()) Fail(at + " must be an object");
  FunctionFault fault;
  for (auto f = value.begin(); f != value.end(); ++f) {
    std::string where = at + "." + f.key();
    if (f.key() == "call")
      fault.call = static_cast<int>(GetInteger(f.value(), -1000000, 1000000, where));
    else if (f.key() == "receive")
      fault.receive = static_cast<int>(GetInteger(f.value(), -1000000, 1000000, where));
    else if (f.key() == "exception")
      fault.exception = GetText(f.value(), where);
    else if (f.key() == "close") {
      if (!f.value().is_boolean()) Fail(where + " must be true or false");
      fault.close = f.value().get<bool>();
    } else
      Fail(where + " is not known");
  }
  return fault;
}

void ParseFaults(const json& object, const std::string& where, SystemFaults* faults) {
  if (!object.is_object()) Fail(where + " must be an object");
  for (auto it = object.begin(); it != object.end(); ++it) {
    const std::string& key = it.key();
    const json& value = it.value();
    std::string at = where + "." + key;
    if (key == "logon") {
      faults->logon = GetText(value, at);
    } else if (key == "RfcInstallStructure") {
      faults->installStructure = GetText(value, at);
    } else if (key == "ItCreate") {
      faults->itCreate = GetText(value, at);
    } else if (key == "ItGetLine") {
      faults->itGetLine = GetText(value, at);
    } else if (key == "ItDelete") {
      faults->itDelete = GetText(value, at);
    } else if (key == "handler") {
      if (!value.is_object() || !value.contains("function"))
        Fail(at + " must be an object with \"function\"");
      faults->handlerFunction = GetText(value["function"], at + ".function");
      if (value.contains("text")) faults->handlerText = GetText(value["text"], at + ".text");
    } else if (key == "last_error") {
      faults->lastError = ParseLastError(value, at);
    } else if (key == "hang") {
      faults->hang = GetText(value, at);
    } else if (key == "trace") {
      if (!value.is_array()) Fail(at + " must be a list of texts");
      for (const json& line : value) faults->trace.push_back(GetText(line, at));
    } else {
      // Any other key names a function module.
      faults->functions[key] = ParseFunctionFault(value, at);
    }
  }
}

SystemLatency ParseLatency(const json& value, const std::string& at) {
  if (!value.is_object()) Fail(at + " must be an object");
  SystemLatency latency;
  for (auto l = value.begin(); l != value.end(); ++l) {
    std::string where = at + "." + l.key();
    // At most ten minutes: longer is a hang, which says so itself.
    int ms = static_cast<int>(GetInteger(l.value(), 0, 600000, where));
    if (l.key() == "logon")
      latency.logon = ms;
    else if (l.key() == "call")
      latency.call = ms;
    else
      Fail(where + " is not known");
  }
  return latency;
}

void ParseLogon(const json& value, const std::string& at, SimulatedSystem* system) {
  if (!value.is_object()) Fail(at + " must be an object");
  for (auto l = value.begin(); l != value.end(); ++l) {
    std::string text = GetText(l.value(), at + "." + l.key());
    if (l.key() == "client")
      system->client = text;
    else if (l.key() == "user")
      system->user = text;
    else if (l.key() == "password")
      system->password = text;
    else
      Fail(at + "." + l.key() + " is not known");
  }
}

/// The statistics left in the document: the rows were taken out while
/// parsing, what is left are the dates with empty lists.
void ParseEmptyDates(const json& value, const std::string& at, SimulatedSystem* system) {
  if (!value.is_object()) Fail(at + " must be an object");
  for (auto d = value.begin(); d != value.end(); ++d) {
    if (!IsStatisticsKey(d.key()))
      Fail(at + "." + d.key() + " is neither a date YYYYMMDD nor \"today\"");
    if (!d.value().is_array()) Fail(at + "." + d.key() + " must be a list of rows");
    if (!d.value().empty()) Fail(at + "." + d.key() + " must hold objects");
    system->statistics[d.key()];  // a date with an empty list
  }
}

/// A task type given as two hexadecimal digits ("01", "FE").
std::uint8_t ParseTaskType(const json& value, const std::string& at) {
  std::string text = GetText(value, at);
  auto digit = [](char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  if (text.size() != 2 || digit(text[0]) < 0 || digit(text[1]) < 0)
    Fail(at + " must be two hexadecimal digits");
  return static_cast<std::uint8_t>(digit(text[0]) * 16 + digit(text[1]));
}

CollectorRow ParseCollectorRow(const json& object, const std::string& where) {
  if (!object.is_object()) Fail(where + " must be an object");
  CollectorRow row;
  for (auto it = object.begin(); it != object.end(); ++it) {
    const std::string& key = it.key();
    std::string at = where + "." + key;
    if (key == "tasktype") {
      row.tasktype = ParseTaskType(it.value(), at);
    } else if (key == "client") {
      row.client = GetText(it.value(), at);
    } else if (key == "account") {
      row.account = GetText(it.value(), at);
    } else if (key == "entry_id") {
      row.entryId = GetText(it.value(), at);
    } else {
      bool known = false;
      for (int i = 0; i < kCollectorColumns && !known; ++i) {
        if (key != kCollectorColumnList[i].key) continue;
        known = true;
        // Times are given as the sensor asks for them, in milliseconds;
        // the collector keeps microseconds.
        std::int64_t limit = kCollectorColumnList[i].time ? kMaxPacked15 : kMaxPacked15 * 1000;
        std::int64_t n = GetInteger(it.value(), -limit, limit, at);
        row.values[i] = kCollectorColumnList[i].time ? n * 1000 : n;
      }
      if (!known) Fail(at + " is not a collector field");
    }
  }
  return row;
}

void ParseCollector(const json& value, const std::string& at, SimulatedSystem* system) {
  if (!value.is_object()) Fail(at + " must be an object");
  for (auto d = value.begin(); d != value.end(); ++d) {
    std::string where = at + "." + d.key();
    if (!IsStatisticsKey(d.key())) Fail(where + " is neither a date YYYYMMDD nor \"today\"");
    if (!d.value().is_array()) Fail(where + " must be a list of rows");
    std::vector<CollectorRow>& rows = system->collector[d.key()];
    std::size_t index = 0;
    for (const json& row : d.value())
      rows.push_back(ParseCollectorRow(row, where + "[" + std::to_string(index++) + "]"));
  }
}

void ParseSystem(const json& object, const std::string& where, SimulatedSystem* system) {
  if (!object.is_object()) Fail(where + " must be an object");
  bool hasLogon = false;
  std::string mode = "R/3";
  for (auto it = object.begin(); it != object.end(); ++it) {
    const std::string& key = it.key();
    const json& value = it.value();
    std::string at = where + "." + key;
    if (key == "host")
      system->host = GetText(value, at);
    else if (key == "sysnr")
      system->sysnr = static_cast<int>(GetInteger(value, 0, 99, at));
    else if (key == "mode")
      mode = GetText(value, at);
    else if (key == "gwhost")
      system->gwhost = GetText(value, at);
    else if (key == "rfchost")
      system->rfchost = GetText(value, at);
    else if (key == "sysid")
      system->sysid = GetText(value, at);
    else if (key == "clock")
      system->clock = GetText(value, at);
    else if (key == "faults")
      ParseFaults(value, at, &system->faults);
    else if (key == "latency")
      system->latency = ParseLatency(value, at);
    else if (key == "logon") {
      ParseLogon(value, at, system);
      hasLogon = true;
    } else if (key == "statistics") {
      ParseEmptyDates(value, at, system);
    } else if (key == "release") {
      std::string release = GetText(value, at);
      if (release == "46C")
        system->release = SapRelease::k46C;
      else if (release == "750")
        system->release = SapRelease::k750;
      else if (release == "S4")
        system->release = SapRelease::kS4;
      else
        Fail(at + " must be \"46C\", \"750\" or \"S4\"");
    } else if (key == "collector_client_table") {
      system->collectorClientTable = GetText(value, at);
      if (system->collectorClientTable != "USERWORKLOAD" &&
          system->collectorClientTable != "USERTCODE" && system->collectorClientTable != "none")
        Fail(at + " must be \"USERWORKLOAD\", \"USERTCODE\" or \"none\"");
    } else if (key == "collector") {
      ParseCollector(value, at, system);
    } else {
      Fail(at + " is not known");
    }
  }
  if (mode == "R/2")
    system->r2 = true;
  else if (mode != "R/3")
    Fail(where + ".mode must be \"R/3\" or \"R/2\"");
  if (!hasLogon) Fail(where + ".logon is missing");
  if (system->r2 ? system->gwhost.empty() : system->host.empty())
    Fail(where + (system->r2 ? ".gwhost" : ".host") + " is missing");
  if (system->rfchost.empty()) system->rfchost = system->r2 ? system->gwhost : system->host;
}

/// The position of a value while the document is read.
struct Frame {
  bool array = false;
  std::size_t index = 0;
  std::string key;
};

/// Rows by system index, then by date key.
using RowsBySystem =
    std::map<std::size_t, std::unordered_map<std::string, std::vector<StatisticsRow>>>;

/// Takes the statistics rows out of the document while it is parsed, so
/// that large tables are never held as JSON values.
class RowCollector {
 public:
  /// The parser's callback: false drops the value from the document.
  bool operator()(int, json::parse_event_t event, json& parsed) {
    switch (event) {
      case json::parse_event_t::object_start: path_.push_back({false, 0, {}}); return true;
      case json::parse_event_t::array_start: path_.push_back({true, 0, {}}); return true;
      case json::parse_event_t::key:
        if (!path_.empty()) path_.back().key = parsed.get<std::string>();
        return true;
      case json::parse_event_t::value:
        if (!path_.empty() && path_.back().array) ++path_.back().index;
        return true;
      case json::parse_event_t::object_end:
      case json::parse_event_t::array_end:
        return End(event == json::parse_event_t::object_end, parsed);
    }
    return true;
  }

  RowsBySystem& rows() { return rows_; }
  /// The first row's fault, or empty.
  const std::string& error() const { return error_; }

 private:
  bool End(bool object, const json& parsed) {
    if (!path_.empty()) path_.pop_back();
    bool keep = true;
    if (object && AtRow()) {
      TakeRow(parsed);
      keep = false;
    }
    if (!path_.empty() && path_.back().array) ++path_.back().index;
    return keep;
  }

  /// True at a row: systems[i].statistics.<date>[j]
  bool AtRow() const {
    return path_.size() == 5 && !path_[0].array && path_[0].key == "systems" && path_[1].array &&
           !path_[2].array && path_[2].key == "statistics" && !path_[3].array && path_[4].array;
  }

  void TakeRow(const json& parsed) {
    if (!error_.empty()) return;
    std::string where = "systems[" + std::to_string(path_[1].index) + "].statistics." +
                        path_[3].key + "[" + std::to_string(path_[4].index) + "]";
    try {
      rows_[path_[1].index][path_[3].key].push_back(ParseRow(parsed, where));
    } catch (const DescriptionError& e) {
      error_ = e.message;
    }
  }

  std::vector<Frame> path_;
  RowsBySystem rows_;
  std::string error_;
};

/// Reads the systems list, giving each system its collected rows.
void ParseSystems(const json& list, RowsBySystem& rows, SimDescription* description) {
  if (!list.is_array()) Fail("systems must be a list");
  std::size_t index = 0;
  for (const json& entry : list) {
    SimulatedSystem system;
    ParseSystem(entry, "systems[" + std::to_string(index) + "]", &system);
    auto found = rows.find(index);
    if (found != rows.end()) {
      for (auto& [date, dated] : found->second) system.statistics[date] = std::move(dated);
    }
    description->systems.push_back(std::move(system));
    ++index;
  }
}

void IndexSystems(SimDescription* description) {
  for (std::size_t i = 0; i < description->systems.size(); ++i) {
    const SimulatedSystem& system = description->systems[i];
    if (system.r2)
      description->r2ByGwhost[Lower(system.gwhost)].push_back(i);
    else
      description->r3ByHost[Lower(system.host)].push_back(i);
  }
}

}  // namespace

std::shared_ptr<const SimDescription> ParseDescription(const std::string& text,
                                                       std::string* error) {
  auto description = std::make_shared<SimDescription>();
  RowCollector collector;
  try {
    json document = json::parse(
        text,
        [&collector](int depth, json::parse_event_t event, json& parsed) {
          return collector(depth, event, parsed);
        },
        true, true);
    if (!collector.error().empty()) Fail(collector.error());
    if (!document.is_object()) Fail("the description must be an object");
    for (auto it = document.begin(); it != document.end(); ++it) {
      if (it.key() == "journal")
        description->journal = GetText(it.value(), "journal");
      else if (it.key() == "load_latency")
        description->loadLatencyMs =
            static_cast<int>(GetInteger(it.value(), 0, 600000, "load_latency"));
      else if (it.key() == "systems")
        ParseSystems(it.value(), collector.rows(), description.get());
      else
        Fail(it.key() + " is not known");
    }
  } catch (const DescriptionError& e) {
    *error = e.message;
    return nullptr;
  } catch (const json::exception& e) {
    *error = e.what();
    return nullptr;
  }
  IndexSystems(description.get());
  return description;
}

bool ReadDescriptionText(const std::string& path, std::string* text, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = path + ": cannot be opened";
    return false;
  }
  std::ostringstream contents;
  contents << in.rdbuf();
  *text = contents.str();
  return true;
}

void SimulateLoadTime(const std::string& directory) {
  std::string text;
  std::string error;
  if (!ReadDescriptionText(directory + "/SapSim.json", &text, &error)) return;
  std::shared_ptr<const SimDescription> description = ParseDescription(text, &error);
  if (description != nullptr && description->loadLatencyMs > 0)
    std::this_thread::sleep_for(std::chrono::milliseconds(description->loadLatencyMs));
}
