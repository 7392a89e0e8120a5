#ifndef BRINDLEMARK_SAPSIM_SIM_TEST_SUPPORT_H_
#define BRINDLEMARK_SAPSIM_SIM_TEST_SUPPORT_H_

// Helpers for the simulated SAP system's tests: a temporary directory, the
// field descriptors of the four structures the sensor installs, and calls
// of the three function modules made the way the sensor makes them.

#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "sapsim/simulated_sap.h"

namespace simtest {

inline const FieldDescriptor kCpuAll[] = {
    {"TYPE", 9, 2, 0, 0},        {"SUBTYPE", 9, 2, 0, 0},    {"SERIALNR", 9, 2, 0, 0},
    {"NBR_CPU", 8, 4, 0, 0},     {"LOAD1_AVG", 8, 4, 0, 0},  {"LOAD5_AVG", 8, 4, 0, 0},
    {"LOAD15_AVG", 8, 4, 0, 0},  {"INT_SEC", 8, 4, 0, 0},    {"SYSC_SEC", 8, 4, 0, 0},
    {"CS_SEC", 8, 4, 0, 0},      {"USR_TOTAL", 8, 4, 0, 0},  {"SYS_TOTAL", 8, 4, 0, 0},
    {"IDLE_TOTAL", 8, 4, 0, 0}};
inline const FieldDescriptor kRfcsi[] = {
    {"RFCPROTO", 0, 3, 0, 0},   {"RFCCHARTYP", 0, 4, 0, 0}, {"RFCINTTYP", 0, 3, 0, 0},
    {"RFCFLOTYP", 0, 3, 0, 0},  {"RFCDEST", 0, 32, 0, 0},   {"RFCHOST", 0, 8, 0, 0},
    {"RFCSYSID", 0, 8, 0, 0},   {"RFCDATABS", 0, 8, 0, 0},  {"RFCDBHOST", 0, 32, 0, 0},
    {"RFCDBSYS", 0, 10, 0, 0},  {"RFCSAPRL", 0, 4, 0, 0},   {"RFCMACH", 0, 5, 0, 0},
    {"RFCOPSYS", 0, 10, 0, 0},  {"RFCTZONE", 0, 6, 0, 0},   {"RFCDAYST", 0, 1, 0, 0},
    {"RFCIPADDR", 0, 15, 0, 0}, {"RFCKERNRL", 0, 4, 0, 0},  {"RFCSI_RESV", 0, 44, 0, 0}};
inline const FieldDescriptor kSapwlaccts[] = {
    {"CLIENT", 0, 3, 0, 0},     {"USER_ACCNT", 0, 12, 0, 0}, {"STEPS", 8, 4, 0, 0},
    {"DSTEPS", 8, 4, 0, 0},     {"USTEPS", 8, 4, 0, 0},      {"BSTEPS", 8, 4, 0, 0},
    {"RESP_TIME", 2, 8, 0, 0},  {"QUEUE_TIME", 2, 8, 0, 0},  {"CPU_TIME", 2, 8, 0, 0},
    {"A_DB_TIME", 2, 8, 0, 0},  {"S_DB_TIME", 2, 8, 0, 0},   {"A_DATA_VOL", 2, 8, 0, 0},
    {"S_DATA_VOL", 2, 8, 0, 0}};
inline const FieldDescriptor kUsraccntv[] = {
    {"MANDT", 0, 3, 0, 0}, {"BNAME", 0, 12, 0, 0}, {"ACCNT", 0, 12, 0, 0}};

/// A directory of its own under the system's temporary directory, removed
/// with everything in it at the end.
class TempDir {
 public:
  TempDir() {
    static std::atomic<int> counter{0};
    std::random_device random;
    path_ = std::filesystem::temp_directory_path() /
            ("sapsim-test-" + std::to_string(random()) + "-" +
             std::to_string(counter++));
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  std::string File(const std::string& name) const { return (path_ / name).string(); }
  std::string Path() const { return path_.string(); }

 private:
  std::filesystem::path path_;
};

inline void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

/// A simulated system in a temporary directory, with the sensor's calls.
class SimFixture : public ::testing::Test {
 protected:
  /// One R/3 system "prdci01" with logon 100 / MONITOR / secret, its
  /// other keys from |extra| (a JSON object text), and a journal.
  static std::string System(const std::string& extra = "{}") {
    nlohmann::json system = {
        {"host", "prdci01"}, {"sysnr", 0}, {"sysid", "PRD"},
        {"logon", {{"client", "100"}, {"user", "MONITOR"}, {"password", "secret"}}},
        {"clock", "Tue Mar  5 14:07:09 2024"}};
    system.update(nlohmann::json::parse(extra));
    return system.dump();
  }
  void Describe(const std::string& systems_json) {
    WriteFile(dir.File("SapSim.json"), "{\"journal\": \"sapsim.log\", \"systems\": [" +
                                           systems_json + "]}");
  }
  RfcHandle Open(const char* host = "prdci01", int sysnr = 0,
                 const char* user = "MONITOR     ",
                 const char* password = "secret    ", const char* client = "100") {
    RfcConnectR3 r3{host, sysnr, nullptr, nullptr};
    RfcOptions options{"PRD", 0, &r3, client, user, password, "E", 0};
    return sap->RfcOpen(options);
  }
  RfcType Install(const char* name, const FieldDescriptor* fields, unsigned n) {
    RfcType handle = 0;
    EXPECT_EQ(0, sap->RfcInstallStructure(name, fields, n, &handle));
    return handle;
  }
  std::vector<nlohmann::json> Journal() {
    std::vector<nlohmann::json> lines;
    std::istringstream in(ReadFile(dir.File("sapsim.log")));
    for (std::string line; std::getline(in, line);)
      lines.push_back(nlohmann::json::parse(line));
    return lines;
  }

  /// SAPWL_ACCNT_GET_SYSTEM_USAGE for |date|: returns RfcReceive's result
  /// (or RfcCall's when not 0), the STATISTIC table in |statistic|.
  int CallUsage(RfcHandle h, const char* date, ItHandle* statistic,
                std::string* exception,
                const FieldDescriptor* row = kSapwlaccts, unsigned entries = 13) {
    if (usage_type == 0) usage_type = Install("SAPWLACCTS", row, entries);
    if (relation_type == 0) relation_type = Install("USRACCNTV", kUsraccntv, 3);
    *statistic = sap->ItCreate("STATISTIC", 88, 0, 0);
    ItHandle relation = sap->ItCreate("USER_ACCOUNT_RELATION", 27, 0, 0);
    RfcParameter exporting[] = {
        {"CLIENT", 6, 0, 3, const_cast<char*>("*  ")},
        {"CUMULATION_MODE", 15, 0, 1, const_cast<char*>("U")},
        {"INSTANCE", 8, 0, 39, const_cast<char*>(std::string(39, ' ').c_str())},
        {"INSTID", 6, 0, 8, const_cast<char*>("        ")},
        {"PERIODTYPE", 10, 0, 1, const_cast<char*>("D")},
        {"STARTDATE", 9, 1, 8, const_cast<char*>(date)},
        {nullptr, 0, 0, 0, nullptr}};
    std::string instance(39, ' ');
    exporting[2].addr = instance.data();
    RfcTable tables[] = {{"STATISTIC", 9, usage_type, 88, *statistic, 0, 0},
                         {"USER_ACCOUNT_RELATION", 21, relation_type, 27, relation, 0, 0},
                         {nullptr, 0, 0, 0, nullptr, 0, 0}};
    int rc = sap->RfcCall(h, "SAPWL_ACCNT_GET_SYSTEM_USAGE", exporting, tables);
    if (rc == 0) {
      RfcParameter importing[] = {{nullptr, 0, 0, 0, nullptr}};
      char* name = nullptr;
      rc = sap->RfcReceive(h, importing, tables, &name);
      if (name) *exception = name;
    }
    sap->ItDelete(relation);
    return rc;
  }

  /// GET_CPU_ALL as the sensor calls it; LASTCOLLWRT lands in |clock|
  /// (25 characters), the lines in |*lines|.
  int CallCpuAll(RfcHandle h, std::string* clock, ItHandle* lines,
                 std::string* exception, unsigned local_remote_length = 6) {
    if (cpu_type == 0) cpu_type = Install("CPU_ALL", kCpuAll, 13);
    *lines = sap->ItCreate("TF_CPU_ALL", 48, 0, 0);
    std::string destination(32, ' ');
    RfcParameter exporting[] = {
        {"LOCAL_REMOTE", 12, 0, local_remote_length, const_cast<char*>("LOCAL ")},
        {"LOGICAL_DESTINATION", 19, 0, 32, destination.data()},
        {nullptr, 0, 0, 0, nullptr}};
    RfcTable tables[] = {{"TF_CPU_ALL", 10, cpu_type, 48, *lines, 0, 0},
                         {nullptr, 0, 0, 0, nullptr, 0, 0}};
    int rc = sap->RfcCall(h, "GET_CPU_ALL", exporting, tables);
    if (rc != 0) return rc;
    std::int32_t ints[7] = {};
    char read[3], wrt[25], os[52];
    RfcParameter importing[] = {
        {"ACTIVEFLAG", 10, 8, 4, &ints[0]},  {"DETAILSCOLL", 11, 8, 4, &ints[1]},
        {"DETAILSMODE", 11, 8, 4, &ints[2]}, {"DETAILSREQI", 11, 8, 4, &ints[3]},
        {"F_CPU_ALL_READ", 14, 0, 3, read},  {"INTERVAL", 8, 8, 4, &ints[4]},
        {"LASTCOLLINT", 11, 8, 4, &ints[5]}, {"LASTCOLLWRT", 11, 0, 25, wrt},
        {"NORMCOLLINT", 11, 8, 4, &ints[6]}, {"OP_SYSTEM", 9, 0, 52, os},
        {nullptr, 0, 0, 0, nullptr}};
    char* name = nullptr;
    rc = sap->RfcReceive(h, importing, tables, &name);
    if (name) *exception = name;
    if (rc == 0) *clock = std::string(wrt, 25);
    return rc;
  }

  /// RFC_SYSTEM_INFO as the sensor calls it; RFCSI_EXPORT lands in |rfcsi|
  /// (200 bytes).
  int CallSystemInfo(RfcHandle h, char* rfcsi, std::string* exception,
                     unsigned rfcsi_length = 200) {
    if (rfcsi_type == 0) rfcsi_type = Install("RFCSI", kRfcsi, 18);
    int rc = sap->RfcCall(h, "RFC_SYSTEM_INFO", nullptr, nullptr);
    if (rc != 0) return rc;
    std::int32_t ints[3];
    char dialog, complete;
    RfcParameter importing[] = {
        {"CURRENT_RESOURCES", 17, 8, 4, &ints[0]}, {"DIALOG_USER_TYPE", 16, 0, 1, &dialog},
        {"MAXIMAL_RESOURCES", 17, 8, 4, &ints[1]}, {"RECOMMENDED_DELAY", 17, 8, 4, &ints[2]},
        {"RFCSI_EXPORT", 12, rfcsi_type, rfcsi_length, rfcsi},
        {"RFC_LOGIN_COMPLETE", 18, 0, 1, &complete},
        {nullptr, 0, 0, 0, nullptr}};
    RfcTable tables[] = {{nullptr, 0, 0, 0, nullptr, 0, 0}};
    char* name = nullptr;
    rc = sap->RfcReceive(h, importing, tables, &name);
    if (name) *exception = name;
    return rc;
  }

  TempDir dir;
  std::unique_ptr<SimulatedSap> sap = std::make_unique<SimulatedSap>(dir.Path());
  RfcType usage_type = 0, relation_type = 0, cpu_type = 0, rfcsi_type = 0;
};

/// Reads a little-endian 4-byte integer.
inline std::int32_t Int32At(const void* row, std::size_t offset) {
  std::int32_t value;
  std::memcpy(&value, static_cast<const char*>(row) + offset, 4);
  return value;
}

/// The 8 bytes at |offset| in hexadecimal.
inline std::string HexAt(const void* row, std::size_t offset, std::size_t n = 8) {
  std::string hex;
  char digits[3];
  for (std::size_t i = 0; i < n; ++i) {
    std::snprintf(digits, sizeof digits, "%02X",
                  static_cast<const unsigned char*>(row)[offset + i]);
    hex += digits;
  }
  return hex;
}

}  // namespace simtest

#endif  // BRINDLEMARK_SAPSIM_SIM_TEST_SUPPORT_H_
