// Logons: RfcOpen with an option record, RfcOpenEx with a connect string
// and a destination file.

#include <cstdlib>
#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "sapsim/logon_data.h"
#include "sapsim/sim_state.h"

using nlohmann::json;

namespace {
constexpr const char kIniFile[] = "SapRfc.ini";
}  // namespace

RfcHandle SimulatedSap::State::Logon(const SimulatedSystem* system, const std::string& partner,
                const char* client, const char* user, const char* password) {
  faultDescription = Description();
  faultSystem = system;
  if (Description() == nullptr)
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
  RfcHandle handle = nextHandle;
  while (handle == 0 || connections.count(handle) != 0)
    ++handle;
  nextHandle = handle + 1;
  SimConnection& connection = connections[handle];
  connection.description = Description();
  connection.system = system;
  return handle;
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
    if (s.Description() && r3->hostname)
      system = s.Description()->FindR3(r3->hostname, r3->sysnr);
  } else if (options.mode == 1 && options.connopt != nullptr) {
    const auto* r2 = static_cast<const RfcConnectR2*>(options.connopt);
    entry["gwhost"] = JournalText(r2->gwhost);
    entry["gwservice"] = JournalText(r2->gwservice);
    partner = r2->gwhost ? r2->gwhost : "";
    if (s.Description() && r2->gwhost)
      system = s.Description()->FindR2(r2->gwhost);
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
  if (s.Description() && connect != nullptr) {
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
          s.Description()->FindR3(destination->ashost, sysnr);
      auto text = [](const std::optional<std::string>& v) {
        return v ? v->c_str() : nullptr;
      };
      handle = s.Logon(system, destination->ashost, text(values.client),
                       text(values.user), text(values.password));
    }
  } else if (s.Description()) {
    s.SetError("RFC_ERROR_PROGRAM", "", "no connect string", "");
  }
  if (error != nullptr) {
    if (handle == 0)
      *error = s.lastError;
    else
      *error = RfcErrorInfo{};
  }
  s.journal.Write({{"op", "RfcOpenEx"}, {"connect", JournalText(connect)},
                   {"handle", handle}});
  return handle;
}

