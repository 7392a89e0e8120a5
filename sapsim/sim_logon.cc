// Logons: RfcOpen with an option record, RfcOpenEx with a connect string
// and a destination file.

#include <cstdlib>
#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "sap/destination_file.h"
#include "sapsim/logon_data.h"
#include "sapsim/sim_state.h"

using nlohmann::json;

namespace {
/// The destination file the library reads when RFC_INI names none, in the
/// working directory: in lower case, which matters where file names have
/// case.
constexpr const char kIniFile[] = "saprfc.ini";
}  // namespace

std::string SimulatedSap::State::DestinationFilePath() const {
  if (!destinationFile.empty()) return destinationFile;
  const char* named = std::getenv("RFC_INI");
  if (named != nullptr && *named != '\0') return named;
  return PathOf(kIniFile);
}

RfcHandle SimulatedSap::State::Logon(const SimulatedSystem* system, const std::string& partner,
                                     const char* client, const char* user, const char* password,
                                     bool checkAtFirstCall) {
  std::shared_ptr<const SimDescription> description = Description();
  Mine().faultDescription = description;
  Mine().faultSystem = system;
  if (description == nullptr) return 0;  // the error was set when the description was read
  if (system != nullptr) {
    // The system takes its time; the description stays alive meanwhile
    // through this thread's hold on it.
    if (system->faults.hang == "logon") Hang();
    Delay(system->latency.logon);
  }
  if (system == nullptr) {
    SetError("RFC_ERROR_COMMUNICATION", "", "partner '" + partner + "' not reached",
             "CPIC-CALL: 'ThSAPOCMINIT' : cmRc=2 thRc=279");
    return 0;
  }
  std::string refusal = system->faults.logon ? *system->faults.logon
                                             : CheckCredentials(*system, client, user, password);
  if (!refusal.empty() && !checkAtFirstCall) {
    RefuseLogon(*system, refusal);
    return 0;
  }
  // Handles count up, skipping 0 and any still open after a wrap-around.
  RfcHandle handle = nextHandle;
  while (handle == 0 || connections.count(handle) != 0) ++handle;
  nextHandle = handle + 1;
  SimConnection& connection = connections[handle];
  connection.description = description;
  connection.system = system;
  connection.logonRefusal = refusal;
  return handle;
}

void SimulatedSap::State::RefuseLogon(const SimulatedSystem& system, const std::string& refusal) {
  if (system.faults.logon)
    Fire(system, "RFC_ERROR_LOGON_FAILURE", refusal);
  else
    SetError("RFC_ERROR_LOGON_FAILURE", "", refusal, "");
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
    if (s.Description() && r3->hostname) system = s.Description()->FindR3(r3->hostname, r3->sysnr);
  } else if (options.mode == 1 && options.connopt != nullptr) {
    const auto* r2 = static_cast<const RfcConnectR2*>(options.connopt);
    entry["gwhost"] = JournalText(r2->gwhost);
    entry["gwservice"] = JournalText(r2->gwservice);
    partner = r2->gwhost ? r2->gwhost : "";
    if (s.Description() && r2->gwhost) system = s.Description()->FindR2(r2->gwhost);
  }
  // RfcOpen only opens the connection: the logon data go with the first
  // call, which fails when they are refused.
  RfcHandle handle = s.Logon(system, partner, options.client, options.user, options.password,
                             /*checkAtFirstCall=*/true);
  entry["handle"] = handle;
  s.journal.Write(entry);
  return handle;
}

namespace {

/// The destination's entries as the journal shows them.
json DestinationEntries(const Destination& destination) {
  json entries = json::object();
  for (const auto& [key, value] : destination.entries) entries[key] = JournalText(value.c_str());
  return entries;
}

const char* TextOrNull(const std::optional<std::string>& value) {
  return value ? value->c_str() : nullptr;
}

/// Reads the destination file; false when it cannot be opened.
bool ReadIniFile(const std::string& path, std::string* text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream contents;
  contents << in.rdbuf();
  *text = contents.str();
  return true;
}

}  // namespace

/// Logs on to the system |destination| leads to: TYPE=A names an
/// application server (ASHOST, possibly a SAProuter string, and SYSNR),
/// TYPE=B a load-balanced logon (MSHOST, R3NAME the system's id, GROUP).
RfcHandle SimulatedSap::State::LogonTo(const Destination& destination,
                                       const ConnectValues& values) {
  const std::string* type = destination.Find("TYPE");
  std::string kind = type ? *type : "";
  const SimDescription& sim = *Description();
  if (kind == "A" || kind == "a") {
    const std::string* ashost = destination.Find("ASHOST");
    const std::string* sysnr = destination.Find("SYSNR");
    if (ashost == nullptr || ashost->empty())
      return RefuseDestination("ASHOST is missing in destination " + destination.name);
    std::string host = FinalHost(*ashost);
    const SimulatedSystem* system = sim.FindR3(host, sysnr ? std::atoi(sysnr->c_str()) : 0);
    return Logon(system, host, TextOrNull(values.client), TextOrNull(values.user),
                 TextOrNull(values.password));
  }
  if (kind == "B" || kind == "b") {
    const std::string* mshost = destination.Find("MSHOST");
    const std::string* r3name = destination.Find("R3NAME");
    if (mshost == nullptr || mshost->empty())
      return RefuseDestination("MSHOST is missing in destination " + destination.name);
    if (r3name == nullptr || r3name->empty())
      return RefuseDestination("R3NAME is missing in destination " + destination.name);
    const SimulatedSystem* system = sim.FindBySysid(*r3name);
    return Logon(system, *r3name + " via message server " + FinalHost(*mshost),
                 TextOrNull(values.client), TextOrNull(values.user), TextOrNull(values.password));
  }
  return RefuseDestination("TYPE=" + kind + " of destination " + destination.name +
                           " is not supported");
}

RfcHandle SimulatedSap::State::RefuseDestination(const std::string& message) {
  SetError("RFC_ERROR_PROGRAM", "", message, "");
  return 0;
}

RfcHandle SimulatedSap::RfcOpenEx(const char* connect, RfcErrorInfo* error) {
  State& s = *state_;
  s.ReadDescription();
  RfcHandle handle = 0;
  json entry = {{"op", "RfcOpenEx"}, {"connect", JournalText(connect)}};
  if (s.Description() && connect != nullptr) {
    ConnectValues values = ParseConnectString(connect);
    std::string ini;
    std::optional<Destination> destination;
    if (!values.destination) {
      s.RefuseDestination("DEST= is missing in the connect string");
    } else if (!ReadIniFile(s.DestinationFilePath(), &ini)) {
      s.RefuseDestination(s.DestinationFilePath() + ": cannot be opened");
    } else if (!(destination = FindDestination(ini, *values.destination))) {
      s.RefuseDestination("Entry for destination " + *values.destination + " in " +
                          s.DestinationFilePath() + " not found");
    } else {
      entry["destination"] = DestinationEntries(*destination);
      handle = s.LogonTo(*destination, values);
    }
  } else if (s.Description()) {
    s.RefuseDestination("no connect string");
  }
  if (error != nullptr) *error = handle == 0 ? s.Mine().lastError : RfcErrorInfo{};
  entry["handle"] = handle;
  s.journal.Write(entry);
  return handle;
}

void SimulatedSap::UseDestinationFile(const std::string& path) { state_->destinationFile = path; }

RfcHandle SimulatedSap::OpenDestination(const Destination& destination,
                                        const ConnectValues& values) {
  State& s = *state_;
  s.ReadDescription();
  RfcHandle handle = s.Description() ? s.LogonTo(destination, values) : 0;
  auto logon = [](const std::optional<std::string>& value) {
    return value ? JournalText(value->c_str()) : json(nullptr);
  };
  // The logon data as received, so that a test can tell which went to
  // which host (the destination's entries name the host).
  s.journal.Write({{"op", "OpenDestination"},
                   {"destination", DestinationEntries(destination)},
                   {"client", logon(values.client)},
                   {"user", logon(values.user)},
                   {"password", logon(values.password)},
                   {"language", logon(values.language)},
                   {"handle", handle}});
  return handle;
}
