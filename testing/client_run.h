#ifndef BRINDLEMARK_TESTING_CLIENT_RUN_H_
#define BRINDLEMARK_TESTING_CLIENT_RUN_H_

// Logons to the simulated system of a description through the RFC client
// of either library: the classic client over the linked simulated system,
// or the NetWeaver client over its stand-in.

#include <memory>
#include <string>

#include "sap/connection.h"
#include "sap/netweaver_rfc_client.h"
#include "sap/rfc_session.h"
#include "sapsim/netweaver/nw_standin.h"
#include "testing/captured_console.h"
#include "testing/simulated_run.h"

enum class Library { kClassic, kNetWeaver };

struct ClientRun {
  ClientRun(Library library, const std::string& description) : sim(description) {
    if (library == Library::kNetWeaver) {
      ResetNetWeaverStandIn(sim.directory.path);
      netweaver = MakeNetWeaverRfcClient(NetWeaverStandInFunctions(), sim.directory.path);
    }
  }
  RfcClient& client() { return netweaver ? *netweaver : sim.client; }
  /// Logs on to the system; counted in |logons|.
  ConnectionId LogOn() {
    int sysnr = 0;
    CapturedConsole console;
    ++logons;
    return OpenConnection(client(), *sim.disk, console, true, sim.run.systemProfile, {}, &sysnr)
        .handle;
  }
  /// A session on a new logon, which logs on again when a call asks it to.
  RfcSession Session() {
    RfcSession session{client(), LogOn()};
    session.logOnAgain = [this] { return LogOn(); };
    return session;
  }

  SimulatedRun sim;
  std::unique_ptr<RfcClient> netweaver;
  int logons = 0;
};

#endif  // BRINDLEMARK_TESTING_CLIENT_RUN_H_
