#include "sapsim/simulated_sap.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unordered_map>

#include <nlohmann/json.hpp>

#include "sapsim/fault_trace.h"
#include "sapsim/function_modules.h"
#include "sapsim/internal_table.h"
#include "sapsim/local_time.h"
#include "sapsim/logon_data.h"
#include "sapsim/module_answers.h"
#include "sapsim/record_layout.h"
#include "sapsim/sim_description.h"
#include "sapsim/sim_journal.h"
#include "sapsim/structure_registry.h"

using nlohmann::json;

namespace {

constexpr const char kDescriptionFile[] = "SapSim.json";
constexpr const char kIniFile[] = "SapRfc.ini";
constexpr const char kInvalidParameter[] = "INVALID_PARAMETER";
constexpr const char kNoDataFound[] = "NO_DATA_FOUND";

/// An open connection and the call it waits to answer.
struct Connection {
  // The description the logon was made with: a later logon may load a new
  // one, but this connection keeps answering from its own.
  std::shared_ptr<const SimDescription> description;
  const SimulatedSystem* system = nullptr;

  bool pending = false;        // RfcCall done, RfcReceive not yet
  std::string function;        // of the pending call
  const FunctionModule* module = nullptr;
  bool invalid = false;        // the call does not fit the interface
  std::string startdate;       // SAPWL_ACCNT_GET_SYSTEM_USAGE's STARTDATE
};

void CopyText(char* out, std::size_t size, const std::string& text) {
  std::size_t n = text.size() < size - 1 ? text.size() : size - 1;
  std::memcpy(out, text.data(), n);
  out[n] = '\0';
}

bool IsCharacterType(RfcType type) {
  return type == kTypeChar || type == kTypeDate || type == kTypeTime ||
         type == kTypeNum;
}

/// An exporting value as the journal shows it: character-like values as
/// their bytes, integers as decimal text, everything else in hexadecimal.
json ExportingValue(const RfcParameter& p) {
  if (p.addr == nullptr)
    return nullptr;
  const auto* bytes = static_cast<const unsigned char*>(p.addr);
  std::size_t length = p.leng < 65536 ? p.leng : 65536;
  if (IsCharacterType(p.type))
    return JournalText(static_cast<const char*>(p.addr), length);
  if ((p.type == kTypeInt && length == 4) || (p.type == kTypeInt2 && length == 2) ||
      (p.type == kTypeInt1 && length == 1)) {
    std::uint32_t bits = 0;
    for (std::size_t i = 0; i < length; ++i)
      bits |= static_cast<std::uint32_t>(bytes[i]) << (8 * i);
    std::int64_t value = p.type == kTypeInt    ? static_cast<std::int32_t>(bits)
                         : p.type == kTypeInt2 ? static_cast<std::int16_t>(bits)
                                               : static_cast<std::int8_t>(bits);
    return std::to_string(value);
  }
  std::string hex;
  char digits[3];
  for (std::size_t i = 0; i < length; ++i) {
    std::snprintf(digits, sizeof digits, "%02X", bytes[i]);
    hex += digits;
  }
  return hex;
}

}  // namespace

struct SimulatedSap::State {
  std::string directory;
  std::shared_ptr<const SimDescription> description;  // the latest read
  bool description_read = false;
  // The description file's time and size when it was parsed: an item run
  // logs on to every system of a long list, and reading and parsing the
  // whole file at each logon would make the run quadratic in the number of
  // systems.
  std::filesystem::file_time_type description_time{};
  std::uintmax_t description_size = 0;
  SimJournal journal;
  RfcEnvironmentRecord environment{};

  std::unordered_map<RfcHandle, Connection> connections;
  RfcHandle next_handle = 1;
  // The system of the latest logon that found one: its faults apply to the
  // housekeeping operations and to RfcLastError.
  std::shared_ptr<const SimDescription> fault_description;
  const SimulatedSystem* fault_system = nullptr;

  StructureRegistry registry;
  std::unordered_map<RfcInternalTable*, std::unique_ptr<RfcInternalTable>> tables;
  RfcErrorInfo last_error{};
  std::string exception;  // the exception name handed out by RfcReceive

  std::string PathOf(const std::string& name) const {
    std::filesystem::path path(name);
    if (path.is_absolute())
      return name;
    return (std::filesystem::path(directory) / path).string();
  }

  /// How a parameter list fits the exporting or importing interface of
  /// |module|; nothing fits an unknown module.
  ListCheck CheckParameterList(const RfcParameter* list, const FunctionModule* module,
                               bool importing) const {
    if (module == nullptr) return CheckParameters(list, nullptr, 0, registry);
    return importing
               ? CheckParameters(list, module->importing, module->importing_count, registry)
               : CheckParameters(list, module->exporting, module->exporting_count, registry);
  }

  /// How a table list fits the tables of |module|.
  ListCheck CheckTableList(const RfcTable* list, const FunctionModule* module) const {
    auto known_table = [this](ItHandle t) { return tables.count(t) != 0; };
    if (module == nullptr) return CheckTables(list, nullptr, 0, registry, known_table);
    return CheckTables(list, module->tables, module->table_count, registry, known_table);
  }

  /// Reads the description at each logon, unless the file's time and size
  /// are those of the last reading.
  void ReadDescription() {
    std::string path = PathOf(kDescriptionFile);
    std::error_code code;
    auto time = std::filesystem::last_write_time(path, code);
    std::uintmax_t size = code ? 0 : std::filesystem::file_size(path, code);
    if (!code && description && time == description_time && size == description_size)
      return;
    description_time = time;
    description_size = size;
    std::string error;
    std::string text;
    if (!ReadDescriptionText(path, &text, &error)) {
      description = nullptr;
    } else {
      description = ParseDescription(text, &error);
      if (!description)
        error = path + ": " + error;
    }
    description_read = true;
    journal.SetPath(description && !description->journal.empty()
                        ? PathOf(description->journal)
                        : std::string());
    if (!description)
      SetError("RFC_ERROR_PROGRAM", "", error, "");
  }

  /// Reads the description once for calls made before any logon, so that
  /// they reach the journal too.
  void EnsureDescription() {
    if (!description_read)
      ReadDescription();
  }

  void SetError(const std::string& key, const std::string& status,
                const std::string& message, const std::string& internal) {
    CopyText(last_error.key, sizeof last_error.key, key);
    CopyText(last_error.status, sizeof last_error.status, status);
    CopyText(last_error.message, sizeof last_error.message, message);
    CopyText(last_error.internalStatus, sizeof last_error.internalStatus, internal);
  }

  /// A fault of |system| fires: its trace lines go to the trace file and
  /// the failure becomes the last error.
  void Fire(const SimulatedSystem& system, const std::string& key,
            const std::string& message) {
    AppendTraceLines(PathOf(kTraceFileName), system.faults.trace);
    SetError(key, "", message, "");
  }

  Connection* Find(RfcHandle handle) {
    auto found = connections.find(handle);
    if (found == connections.end()) {
      SetError("RFC_ERROR_PROGRAM", "", "invalid handle " + std::to_string(handle), "");
      return nullptr;
    }
    return &found->second;
  }

  /// Checks the logon data against |system| (null: no system answered) and
  /// opens a connection; 0 when the logon is refused.
  RfcHandle Logon(const SimulatedSystem* system, const std::string& partner,
                  const char* client, const char* user, const char* password) {
    fault_description = description;
    fault_system = system;
    if (description == nullptr)
      return 0;  // the error was set when the description was read
    if (system == nullptr) {
      SetError("RFC_ERROR_COMMUNICATION", "",
               "partner '" + partner + "' not reached",
               "CPIC-CALL: 'ThSAPOCMINIT' : cmRc=2 thRc=279");
      return 0;
    }
    if (system->faults.logon) {
      Fire(*system, "RFC_ERROR_LOGON_FAILURE", *system->faults.logon);
      return 0;
    }
    std::string refusal = CheckCredentials(*system, client, user, password);
    if (!refusal.empty()) {
      SetError("RFC_ERROR_LOGON_FAILURE", "", refusal, "");
      return 0;
    }
    // Handles count up, skipping 0 and any still open after a wrap-around.
    RfcHandle handle = next_handle;
    while (handle == 0 || connections.count(handle) != 0)
      ++handle;
    next_handle = handle + 1;
    Connection& connection = connections[handle];
    connection.description = description;
    connection.system = system;
    return handle;
  }

  /// The faults that apply to housekeeping operations, or null.
  const SimulatedSystem* FaultSystem() const { return fault_system; }
};

SimulatedSap::SimulatedSap(std::string directory)
    : state_(std::make_unique<State>()) {
  state_->directory = std::move(directory);
}

SimulatedSap::~SimulatedSap() = default;

void SimulatedSap::RfcEnvironment(const RfcEnvironmentRecord& environment) {
  state_->environment = environment;
}

RfcHandle SimulatedSap::RfcOpen(const RfcOptions& options) {
  State& s = *state_;
  s.ReadDescription();
  json entry = {{"op", "RfcOpen"},
                {"destination", JournalText(options.destination)},
                {"mode", options.mode},
                {"host", nullptr},
                {"sysnr", nullptr},
                {"gwhost", nullptr},
                {"gwservice", nullptr},
                {"client", JournalText(options.client)},
                {"user", JournalText(options.user)},
                {"password", JournalText(options.password)},
                {"language", JournalText(options.language)},
                {"trace", options.trace}};
  const SimulatedSystem* system = nullptr;
  std::string partner;
  if (options.mode == 0 && options.connopt != nullptr) {
    const auto* r3 = static_cast<const RfcConnectR3*>(options.connopt);
    entry["host"] = JournalText(r3->hostname);
    entry["sysnr"] = r3->sysnr;
    entry["gwhost"] = JournalText(r3->gwhost);
    entry["gwservice"] = JournalText(r3->gwservice);
    partner = r3->hostname ? r3->hostname : "";
    if (s.description && r3->hostname)
      system = s.description->FindR3(r3->hostname, r3->sysnr);
  } else if (options.mode == 1 && options.connopt != nullptr) {
    const auto* r2 = static_cast<const RfcConnectR2*>(options.connopt);
    entry["gwhost"] = JournalText(r2->gwhost);
    entry["gwservice"] = JournalText(r2->gwservice);
    partner = r2->gwhost ? r2->gwhost : "";
    if (s.description && r2->gwhost)
      system = s.description->FindR2(r2->gwhost);
  }
  RfcHandle handle =
      s.Logon(system, partner, options.client, options.user, options.password);
  entry["handle"] = handle;
  s.journal.Write(entry);
  return handle;
}

RfcHandle SimulatedSap::RfcOpenEx(const char* connect, RfcErrorInfo* error) {
  State& s = *state_;
  s.ReadDescription();
  RfcHandle handle = 0;
  if (s.description && connect != nullptr) {
    ConnectValues values = ParseConnectString(connect);
    std::ifstream in(s.PathOf(kIniFile), std::ios::binary);
    std::ostringstream ini;
    if (in)
      ini << in.rdbuf();
    std::optional<DestinationEntry> destination;
    if (values.destination && in)
      destination = FindDestination(ini.str(), *values.destination);
    if (!values.destination) {
      s.SetError("RFC_ERROR_PROGRAM", "", "DEST= is missing in the connect string", "");
    } else if (!in) {
      s.SetError("RFC_ERROR_PROGRAM", "", "SapRfc.ini: cannot be opened", "");
    } else if (!destination) {
      s.SetError("RFC_ERROR_PROGRAM", "",
                 "Entry for destination " + *values.destination +
                     " in SapRfc.ini not found", "");
    } else if (destination->type != "A" && destination->type != "a") {
      s.SetError("RFC_ERROR_PROGRAM", "",
                 "TYPE=" + destination->type + " of destination " +
                     *values.destination + " is not supported", "");
    } else {
      int sysnr = std::atoi(destination->sysnr.c_str());
      const SimulatedSystem* system =
          s.description->FindR3(destination->ashost, sysnr);
      auto text = [](const std::optional<std::string>& v) {
        return v ? v->c_str() : nullptr;
      };
      handle = s.Logon(system, destination->ashost, text(values.client),
                       text(values.user), text(values.password));
    }
  } else if (s.description) {
    s.SetError("RFC_ERROR_PROGRAM", "", "no connect string", "");
  }
  if (error != nullptr) {
    if (handle == 0)
      *error = s.last_error;
    else
      *error = RfcErrorInfo{};
  }
  s.journal.Write({{"op", "RfcOpenEx"}, {"connect", JournalText(connect)},
                   {"handle", handle}});
  return handle;
}

int SimulatedSap::RfcInstallStructure(const char* name,
                                      const FieldDescriptor* fields,
                                      unsigned entries, RfcType* handle) {
  State& s = *state_;
  s.EnsureDescription();
  std::optional<RecordLayout> layout = LayOutRecord(name, fields, entries);
  s.journal.Write({{"op", "RfcInstallStructure"},
                   {"name", JournalText(name)},
                   {"entries", entries},
                   {"size", layout ? json(layout->size) : json(nullptr)}});
  if (handle == nullptr || !layout) {
    s.SetError("RFC_ERROR_PROGRAM", "",
               std::string("invalid description of structure ") + (name ? name : ""), "");
    return 1;
  }
  const SimulatedSystem* system = s.FaultSystem();
  if (system && system->faults.install_structure == layout->name) {
    s.Fire(*system, "RFC_ERROR_MEMORY_INSUFFICIENT", "RfcInstallStructure " + layout->name);
    return 1;
  }
  *handle = s.registry.Add(std::move(*layout));
  return 0;
}

int SimulatedSap::RfcCall(RfcHandle handle, const char* function,
                          const RfcParameter* exporting, RfcTable* tables) {
  State& s = *state_;
  json values = json::object();
  std::size_t count = 0;
  for (const RfcParameter* p = exporting;
       p != nullptr && p->name != nullptr && count < kMaxListEntries; ++p, ++count)
    values[JournalText(p->name).get<std::string>()] = ExportingValue(*p);
  s.journal.Write({{"op", "RfcCall"}, {"function", JournalText(function)},
                   {"exporting", values}});

  Connection* connection = s.Find(handle);
  if (connection == nullptr)
    return kRfcFailure;
  connection->pending = false;
  if (function == nullptr) {
    s.SetError("RFC_ERROR_PROGRAM", "", "no function module named", "");
    return kRfcFailure;
  }
  std::string name = function;
  const FunctionModule* module = FindFunctionModule(name);
  ListCheck exporting_check = s.CheckParameterList(exporting, module, /*importing=*/false);
  ListCheck table_check = s.CheckTableList(tables, module);
  if (exporting_check == ListCheck::kUnknownType ||
      table_check == ListCheck::kUnknownType) {
    s.SetError("RFC_ERROR_PROGRAM", "",
               "unknown type or table handle in the call of " + name, "");
    return kRfcFailure;
  }

  const SimulatedSystem& system = *connection->system;
  if (system.faults.handler_function == name) {
    s.Fire(system, "RFC_ERROR_SYSTEM_FAILURE", system.faults.handler_text);
    // The sensor's handler does not return: nothing may be left half done
    // here, and nothing is pending.
    if (s.environment.errorhandler != nullptr)
      s.environment.errorhandler(s.environment.context,
                                 system.faults.handler_text.c_str());
    return kRfcFailure;
  }
  auto fault = system.faults.functions.find(name);
  if (fault != system.faults.functions.end() && fault->second.call &&
      *fault->second.call != kRfcOk) {
    s.Fire(system, "RFC_ERROR_COMMUNICATION", "RfcCall " + name + " failed");
    return *fault->second.call;
  }

  connection->pending = true;
  connection->function = name;
  connection->module = module;
  connection->invalid = module == nullptr ||
                        exporting_check != ListCheck::kValid ||
                        table_check != ListCheck::kValid;
  connection->startdate.clear();
  for (const RfcParameter* p = exporting; p != nullptr && p->name != nullptr; ++p)
    if (!connection->invalid && EntryName(p->name, p->nlen) == "STARTDATE")
      connection->startdate.assign(static_cast<const char*>(p->addr), p->leng);
  return kRfcOk;
}

int SimulatedSap::RfcReceive(RfcHandle handle, const RfcParameter* importing,
                             RfcTable* tables, char** exception) {
  State& s = *state_;
  std::string function;
  std::string raised;  // the exception name, when one is raised
  int result = kRfcFailure;

  // Works out the answer; every exit below goes through the journal.
  [&] {
    Connection* connection = s.Find(handle);
    if (connection == nullptr)
      return;
    if (!connection->pending) {
      s.SetError("RFC_ERROR_PROGRAM", "", "RfcReceive without a preceding RfcCall", "");
      return;
    }
    connection->pending = false;
    function = connection->function;
    const FunctionModule* module = connection->module;
    ListCheck importing_check = s.CheckParameterList(importing, module, /*importing=*/true);
    ListCheck table_check = s.CheckTableList(tables, module);
    if (importing_check == ListCheck::kUnknownType ||
        table_check == ListCheck::kUnknownType) {
      s.SetError("RFC_ERROR_PROGRAM", "",
                 "unknown type or table handle in the answer of " + function, "");
      return;
    }
    const SimulatedSystem& system = *connection->system;
    auto fault = system.faults.functions.find(function);
    if (fault != system.faults.functions.end() && fault->second.receive &&
        *fault->second.receive != kRfcOk) {
      result = *fault->second.receive;
      s.Fire(system, result == kRfcException ? "RFC_ERROR_APPLICATION_EXCEPTION"
                                             : "RFC_ERROR_SYSTEM_FAILURE",
             fault->second.exception.empty() ? "RfcReceive " + function + " failed"
                                             : fault->second.exception);
      if (result == kRfcException || result == kRfcSysException)
        raised = fault->second.exception;
      return;
    }
    if (connection->invalid || importing_check != ListCheck::kValid ||
        table_check != ListCheck::kValid) {
      result = kRfcException;
      raised = kInvalidParameter;
      return;
    }
    AnswerContext context{&system, &s.registry, LocalNow()};
    result = kRfcOk;
    if (function == "GET_CPU_ALL") {
      AnswerCpuAll(context, importing, tables);
    } else if (function == "RFC_SYSTEM_INFO") {
      AnswerSystemInfo(context, importing);
    } else if (!AnswerSystemUsage(context, connection->startdate, tables)) {
      result = kRfcException;
      raised = kNoDataFound;
    }
    for (RfcTable* t = tables; t != nullptr && t->name != nullptr; ++t)
      t->newitab = 0;
  }();

  if (result == kRfcException || result == kRfcSysException) {
    s.exception = raised;
    if (result == kRfcException && raised != "")
      s.SetError("RFC_ERROR_APPLICATION_EXCEPTION", "", raised, "");
    if (exception != nullptr)
      *exception = s.exception.data();
  }
  s.journal.Write({{"op", "RfcReceive"},
                   {"function", function.empty() ? json(nullptr) : JournalText(function.c_str())},
                   {"result", result},
                   {"exception", result == kRfcException || result == kRfcSysException
                                     ? JournalText(raised.c_str())
                                     : json(nullptr)}});
  return result;
}

int SimulatedSap::RfcLastError(RfcErrorInfo* error) {
  State& s = *state_;
  if (error == nullptr)
    return 1;
  const SimulatedSystem* system = s.FaultSystem();
  if (system && system->faults.last_error) {
    const LastErrorTexts& texts = *system->faults.last_error;
    CopyText(error->key, sizeof error->key, texts.key);
    CopyText(error->status, sizeof error->status, texts.status);
    CopyText(error->message, sizeof error->message, texts.message);
    CopyText(error->internalStatus, sizeof error->internalStatus, texts.internal_status);
  } else {
    *error = s.last_error;
  }
  return 0;
}

void SimulatedSap::RfcClose(RfcHandle handle) {
  State& s = *state_;
  s.journal.Write({{"op", "RfcClose"}, {"handle", handle}});
  if (handle == 0)
    s.connections.clear();
  else
    s.connections.erase(handle);
}

ItHandle SimulatedSap::ItCreate(const char* name, unsigned leng, unsigned occu,
                                unsigned memo) {
  State& s = *state_;
  s.EnsureDescription();
  s.journal.Write({{"op", "ItCreate"}, {"name", JournalText(name)}, {"leng", leng}});
  if (name == nullptr || leng == 0) {
    s.SetError("RFC_ERROR_PROGRAM", "", "ItCreate: no name or a line length of 0", "");
    return nullptr;
  }
  const SimulatedSystem* system = s.FaultSystem();
  if (system && system->faults.it_create == name) {
    s.Fire(*system, "RFC_ERROR_MEMORY_INSUFFICIENT", std::string("ItCreate ") + name);
    return nullptr;
  }
  auto table = std::make_unique<RfcInternalTable>(name, leng);
  RfcInternalTable* raw = table.get();
  s.tables.emplace(raw, std::move(table));
  return raw;
}

unsigned SimulatedSap::ItFill(ItHandle table) {
  auto found = state_->tables.find(table);
  if (found == state_->tables.end())
    return 0;
  return static_cast<unsigned>(found->second->Rows());
}

void* SimulatedSap::ItGetLine(ItHandle table, unsigned line) {
  State& s = *state_;
  auto found = s.tables.find(table);
  if (found == s.tables.end())
    return nullptr;
  const SimulatedSystem* system = s.FaultSystem();
  if (system && system->faults.it_get_line == table->name) {
    s.Fire(*system, "RFC_ERROR_MEMORY_INSUFFICIENT", "ItGetLine " + table->name);
    return nullptr;
  }
  return table->Line(line);
}

int SimulatedSap::ItDelete(ItHandle table) {
  State& s = *state_;
  auto found = s.tables.find(table);
  s.journal.Write({{"op", "ItDelete"},
                   {"name", found != s.tables.end() ? JournalText(table->name.c_str())
                                                    : json(nullptr)}});
  if (found == s.tables.end()) {
    s.SetError("RFC_ERROR_PROGRAM", "", "ItDelete: unknown table", "");
    return 1;
  }
  const SimulatedSystem* system = s.FaultSystem();
  if (system && system->faults.it_delete == table->name) {
    s.Fire(*system, "RFC_ERROR_MEMORY_INSUFFICIENT", "ItDelete " + table->name);
    return 1;
  }
  s.tables.erase(found);
  return 0;
}
