#ifndef BRINDLEMARK_BENCH_SENSOR_DIRECTORY_H_
#define BRINDLEMARK_BENCH_SENSOR_DIRECTORY_H_

// A sensor directory for the whole-process benchmarks: profiles and the
// description of the simulated systems they log on to.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "sap/stored_password.h"

inline void Write(const std::filesystem::path& path, const std::string& contents) {
  std::ofstream(path, std::ios::binary) << contents;
}

inline std::string Profile(const std::string& destination, const std::string& host) {
  std::string stored;
  ScramblePassword("secret", 3, &stored);
  return "Extcompany.: SAP\nDestination: " + destination +
         "\nClient.....: 100\nUser.......: MONITOR\nPassword...: " + stored +
         "\nLanguage...: E\nMode.......: R/3\nHostname...: " + host +
         "\nSysnr......: 00\nGwhost.....: " + host + "\nGwservice..: sapgw00\n";
}

/// The description of |systems| simulated systems sim0, sim1, ... with a
/// fixed clock and a few statistics rows each; |extra| is added to each
/// system's object (", \"latency\": ...").
inline std::string Description(int systems, const std::string& extra = "") {
  std::string json = "{\"systems\": [";
  for (int i = 0; i < systems; ++i) {
    std::string n = std::to_string(i);
    json += std::string(i ? "," : "") + "{\"host\": \"sim" + n +
            "\", \"logon\": {\"client\": \"100\", \"user\": \"MONITOR\", "
            "\"password\": \"secret\"}, \"rfchost\": \"sim" +
            n + "\", \"sysid\": \"S" + n + "\", \"clock\": \"Tue Mar  5 14:07:09 2024\"" + extra +
            ", \"statistics\": "
            "{\"20240305\": [";
    for (int row = 0; row < 10; ++row)
      json += std::string(row ? "," : "") + "{\"client\": \"" + std::to_string(100 + row % 3) +
              "\", \"account\": \"USER\", \"steps\": 10, \"dsteps\": 8, \"bsteps\": 2, "
              "\"resp_time\": 5000, \"cpu_time\": 1000, \"a_db_time\": 900, "
              "\"s_db_time\": 100}";
    json += "]}}";
  }
  return json + "]}";
}

/// The listing "Tessaron.Prf" of profiles S0.P00, S1.P00, ..., in lines of
/// 15 names each.
inline std::string Listing(int systems) {
  std::string listing;
  for (int i = 0; i < systems; ++i) {
    if (i % 15 == 0) {
      if (i > 0) listing += '\n';
      listing += "# Gsng: BENCH     --";
    }
    listing += "S" + std::to_string(i) + ".P00#";
  }
  return listing + "\n";
}

/// A fresh sensor directory, removed again at the end.
struct SensorDirectory {
  SensorDirectory() {
    path = std::filesystem::temp_directory_path() /
           ("brindlemark-bench-" + std::to_string(std::rand()));
    std::filesystem::create_directories(path);
  }
  ~SensorDirectory() { std::filesystem::remove_all(path); }
  std::filesystem::path path;
};

#endif  // BRINDLEMARK_BENCH_SENSOR_DIRECTORY_H_
