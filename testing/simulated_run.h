#ifndef BRINDLEMARK_TESTING_SIMULATED_RUN_H_
#define BRINDLEMARK_TESTING_SIMULATED_RUN_H_

// A temporary directory, a disk whose relative paths lie in it, and a run
// against the simulated SAP system that works there.

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/file_system.h"
#include "run/run.h"
#include "sap/classic_rfc_client.h"
#include "sap/connection.h"
#include "sap/rfc_session.h"
#include "sapsim/simulated_sap.h"
#include "testing/temporary_directory.h"
#include "testing/test_run.h"
#ifndef _WIN32
#include "platform/host_paths-posix.h"
#endif

#ifdef _WIN32
/// The host's disk with relative paths (no drive letter, no leading
/// backslash) put into |directory|, which stands in for the working
/// directory.
struct SandboxFileSystem : FileSystem {
  explicit SandboxFileSystem(const std::string& directory)
      : prefix(directory + "\\"), host(CreateHostFileSystem()) {}
  std::string In(const std::string& p) const {
    bool relative = !(p.size() >= 2 && p[1] == ':') && !(!p.empty() && p[0] == '\\');
    return relative ? prefix + p : p;
  }
  bool ReadFile(const std::string& p, std::string* c) override { return host->ReadFile(In(p), c); }
  bool CanOpen(const std::string& p) override { return host->CanOpen(In(p)); }
  std::optional<std::uint64_t> SizeOf(const std::string& p) override { return host->SizeOf(In(p)); }
  bool ReadFileHead(const std::string& p, std::uint64_t size, std::string* c) override {
    return host->ReadFileHead(In(p), size, c);
  }
  bool WriteFile(const std::string& p, std::string_view c) override {
    return host->WriteFile(In(p), c);
  }
  bool ReplaceFile(const std::string& p, std::string_view c) override {
    return host->ReplaceFile(In(p), c);
  }
  bool CopyFile(const std::string& from, const std::string& to) override {
    return host->CopyFile(In(from), In(to));
  }
  bool RemoveFile(const std::string& p) override { return host->RemoveFile(In(p)); }
  std::string HostPath(const std::string& p) override { return host->HostPath(In(p)); }
  std::unique_ptr<FileLock> LockFile(const std::string& p,
                                     std::chrono::milliseconds timeout) override {
    return host->LockFile(In(p), timeout);
  }
  std::string prefix;
  std::unique_ptr<FileSystem> host;
};
#endif

/// The host's disk with the sensor's relative paths ("SapRfc.ini",
/// "PRD.P00") inside |directory|.
inline std::unique_ptr<FileSystem> CreateSandboxFileSystem(const std::string& directory) {
#ifdef _WIN32
  return std::make_unique<SandboxFileSystem>(directory);
#else
  return CreatePosixFileSystem(HostPaths{directory, directory});
#endif
}

/// The description of one R/3 system on host "sapprd", system number 0,
/// client 100, user ABC, password secret, with |faults| (a JSON object) and
/// |extra| (further members of the system, with a leading comma).
inline std::string OneSystem(const std::string& faults = "{}", const std::string& extra = "") {
  return R"({"journal": "journal.jsonl", "systems": [{"host": "sapprd", "sysnr": 0,
      "logon": {"client": "100", "user": "ABC", "password": "secret"},
      "faults": )" +
         faults + extra + "}]}";
}

/// A run over the simulated system described by |description|, with the
/// profile of that system filled in. The disk is the sandbox of the
/// temporary directory unless the test hands in one of its own.
struct SimulatedRun {
  explicit SimulatedRun(const std::string& description = OneSystem(),
                        std::unique_ptr<FileSystem> ownDisk = nullptr)
      : disk(ownDisk ? std::move(ownDisk) : CreateSandboxFileSystem(directory.path)),
        sim(directory.path),
        run(*disk, clock, console, loader) {
    Describe(description);
    SystemProfile& profile = run.systemProfile;
    profile.destination = "PRD";
    profile.client = "100";
    profile.user = "ABC";
    profile.password = "secret";
    profile.language = "E";
    profile.mode = "R/3";
    profile.hostname = "sapprd";
    profile.sysnr = "00";
  }

  /// Replaces the description; the simulated system reads it at the next
  /// logon. It parses the file again only when its time or size changed, so
  /// each description gets a time of its own: quick rewrites may otherwise
  /// share one tick of the file clock.
  void Describe(const std::string& description) {
    directory.Write("SapSim.json", description);
    std::filesystem::last_write_time(
        directory.File("SapSim.json"),
        std::filesystem::file_time_type::clock::now() + std::chrono::seconds(++described));
  }

  /// Logs on with the run's profile and gives the session of the new
  /// connection (whose handle is 0 when the logon failed).
  RfcSession Logon(const LogonOverrides& overrides = {}) {
    run.connection = OpenConnection(client, *disk, console, true, run.systemProfile, overrides,
                                    &run.r3SystemNumber)
                         .handle;
    return RfcSession{client, run.connection};
  }

  /// The journal's entries whose "op" is |op| (all when empty).
  std::vector<nlohmann::json> Journal(const std::string& op = "") const {
    std::vector<nlohmann::json> entries;
    std::istringstream in(directory.Read("journal.jsonl"));
    for (std::string line; std::getline(in, line);) {
      nlohmann::json entry = nlohmann::json::parse(line, nullptr, false);
      if (!line.empty() && (op.empty() || entry.value("op", "") == op)) entries.push_back(entry);
    }
    return entries;
  }

  TemporaryDirectory directory;
  int described = 0;
  std::unique_ptr<FileSystem> disk;
  FixedClock clock{"12:34:56"};
  CapturedConsole console;
  SimulatedSap sim;
  ClassicRfcClient client{sim};
  FixedRfcLibraryLoader loader{&client};
  ::Run run;
};

#endif  // BRINDLEMARK_TESTING_SIMULATED_RUN_H_
