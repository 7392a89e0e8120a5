#ifndef BRINDLEMARK_SAP_SIMULATED_RUN_TEST_SUPPORT_H_
#define BRINDLEMARK_SAP_SIMULATED_RUN_TEST_SUPPORT_H_

// Test support: a run against the simulated SAP system in a temporary
// directory that serves as the working directory of the run.

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "platform/clock.h"
#include "platform/console.h"
#include "platform/file_system.h"
#include "platform/host_paths-posix.h"
#include "run/run.h"
#include "sapsim/simulated_sap.h"

/// A fresh temporary directory, removed with everything in it at the end.
struct TemporaryDirectory {
  TemporaryDirectory() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "brindlemark-rfc-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) path = pattern;
  }
  ~TemporaryDirectory() {
    std::error_code ignored;
    if (!path.empty()) std::filesystem::remove_all(path, ignored);
  }
  void Write(const std::string& name, const std::string& contents) const {
    std::ofstream(path + "/" + name, std::ios::binary) << contents;
  }
  std::string Read(const std::string& name) const {
    std::ifstream in(path + "/" + name, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }
  std::string path;
};

/// The description of one R/3 system on host "sapprd", system number 0,
/// client 100, user ABC, password secret, with |faults| (a JSON object) and
/// |extra| (further members of the system, with a leading comma).
inline std::string OneSystem(const std::string& faults = "{}",
                             const std::string& extra = "") {
  return R"({"journal": "journal.jsonl", "systems": [{"host": "sapprd", "sysnr": 0,
      "logon": {"client": "100", "user": "ABC", "password": "secret"},
      "faults": )" + faults + extra + "}]}";
}

/// A run over the simulated system described by |description|, with the
/// profile of that system already filled in.
struct SimulatedRun {
  explicit SimulatedRun(const std::string& description = OneSystem())
      : disk(MakeDisk(directory.path)), sim(directory.path), run(*disk, clock, console, sim) {
    directory.Write("SapSim.json", description);
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

  /// Runs |step| and returns the exit code it ended the run with, or -1
  /// when it returned.
  int ExitCode(const std::function<void()>& step) {
    try {
      step();
    } catch (const RunEnded& ended) {
      return ended.exitCode;
    }
    return -1;
  }

  /// The journal's entries whose "op" is |op| (all when empty).
  std::vector<nlohmann::json> Journal(const std::string& op = "") const {
    std::vector<nlohmann::json> entries;
    std::istringstream in(directory.Read("journal.jsonl"));
    for (std::string line; std::getline(in, line);) {
      if (line.empty()) continue;
      nlohmann::json entry = nlohmann::json::parse(line, nullptr, false);
      if (op.empty() || entry.value("op", "") == op) entries.push_back(entry);
    }
    return entries;
  }

  /// A host file system whose working directory and drives lie in |dir|.
  static std::unique_ptr<FileSystem> MakeDisk(const std::string& dir) {
    HostPaths paths;
    paths.driveRoot = dir;
    paths.workingDirectory = dir;
    return CreatePosixFileSystem(paths);
  }

  TemporaryDirectory directory;
  std::unique_ptr<FileSystem> disk;
  FixedClock clock{"12:34:56"};
  CapturedConsole console;
  SimulatedSap sim;
  ::Run run;
};

#endif  // BRINDLEMARK_SAP_SIMULATED_RUN_TEST_SUPPORT_H_
