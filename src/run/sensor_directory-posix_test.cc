// The search over a real disk: a sandbox directory stands in for the
// drives (tmp/drives/C, ...) and the current directory (tmp/cwd).

#include "run/sensor_directory.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "platform/host_paths-posix.h"
#include "run/run.h"

namespace {

namespace fs = std::filesystem;

/// An RFC library that is never called.
struct NoRfc : RfcLibrary {
  void RfcEnvironment(const RfcEnvironmentRecord&) override {}
  RfcHandle RfcOpen(const RfcOptions&) override { return 0; }
  RfcHandle RfcOpenEx(const char*, RfcErrorInfo*) override { return 0; }
  int RfcInstallStructure(const char*, const FieldDescriptor*, unsigned, RfcType*) override { return 1; }
  int RfcCall(RfcHandle, const char*, const RfcParameter*, RfcTable*) override { return 1; }
  int RfcReceive(RfcHandle, const RfcParameter*, RfcTable*, char**) override { return 1; }
  int RfcLastError(RfcErrorInfo*) override { return 0; }
  void RfcClose(RfcHandle) override {}
  ItHandle ItCreate(const char*, unsigned, unsigned, unsigned) override { return nullptr; }
  unsigned ItFill(ItHandle) override { return 0; }
  void* ItGetLine(ItHandle, unsigned) override { return nullptr; }
  int ItDelete(ItHandle) override { return 0; }
};

const char kSubPath[] = "PRTG Network Monitor/Custom Sensors/ExeXml/";

struct SensorDirectoryPosixTest : testing::Test {
  SensorDirectoryPosixTest() {
    std::string pattern = (fs::temp_directory_path() / "sensordir-XXXXXX").string();
    root_ = mkdtemp(pattern.data());
    fs::create_directories(root_ / "drives" / "C");
    fs::create_directories(root_ / "cwd");
    disk_ = CreatePosixFileSystem(
        HostPaths{(root_ / "drives").string(), (root_ / "cwd").string()});
    run_ = std::make_unique<::Run>(*disk_, clock_, console_, rfc_);
    run_->profileName = "PRD.P00";
  }
  ~SensorDirectoryPosixTest() override {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }

  /// Writes a file below the sandbox, creating its directories.
  void Put(const std::string& relative, const std::string& contents = "") {
    fs::path path = root_ / relative;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << contents;
  }

  int Locate() {
    try {
      LocateSensorDirectory(*run_);
      return -1;
    } catch (const RunEnded& end) {
      return end.exitCode;
    }
  }

  fs::path root_;
  std::unique_ptr<FileSystem> disk_;
  FixedClock clock_{"12:00:00"};
  CapturedConsole console_;
  NoRfc rfc_;
  std::unique_ptr<::Run> run_;
};

TEST_F(SensorDirectoryPosixTest, PathFileNamesInstallation) {
  Put("drives/C/PRTG_Path.Txt", "D:\\Monitor\r\n");
  Put("drives/D/Monitor/Custom Sensors/ExeXml/PRD.P00");
  ASSERT_EQ(Locate(), -1);
  EXPECT_EQ(run_->sensorDirectory, "D:\\Monitor\\Custom Sensors\\ExeXml\\");
}

TEST_F(SensorDirectoryPosixTest, CurrentDirectoryThenStandardDirectories) {
  Put(std::string("drives/C/Program Files (x86)/") + kSubPath + "PRD.P00");
  ASSERT_EQ(Locate(), -1);
  EXPECT_EQ(run_->sensorDirectory,
            "\\Program Files (x86)\\PRTG Network Monitor\\Custom Sensors\\ExeXml\\");

  Put("cwd/PRD.P00");
  ASSERT_EQ(Locate(), -1);
  EXPECT_EQ(run_->sensorDirectory, "");
  EXPECT_EQ(run_->profilePath, "PRD.P00");
}

TEST_F(SensorDirectoryPosixTest, DirectoryWhereProfileIsExpectedDoesNotCount) {
  fs::create_directories(root_ / "cwd" / "PRD.P00");
  fs::create_directories(root_ / "drives" / "C" / "Programme" /
                         "PRTG Network Monitor" / "Custom Sensors" / "ExeXml" /
                         "PRD.P00");
  Put(std::string("drives/C/Program Files/") + kSubPath + "PRD.P00");
  ASSERT_EQ(Locate(), -1);
  EXPECT_EQ(run_->sensorDirectory,
            "\\Program Files\\PRTG Network Monitor\\Custom Sensors\\ExeXml\\");
}

}  // namespace
