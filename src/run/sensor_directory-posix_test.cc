// The search over a real disk: a sandbox directory stands in for the
// drives (drives/C, ...) and the current directory (cwd).

#include "run/sensor_directory.h"

#include <gtest/gtest.h>

#include "platform/host_paths-posix.h"
#include "testing/simulated_run.h"

namespace {

namespace fs = std::filesystem;

TEST(SensorDirectoryPosixTest, SearchOnTheHostDisk) {
  TemporaryDirectory root;
  fs::path drives = fs::path(root.path) / "drives";
  fs::create_directories(drives / "C");
  fs::create_directories(fs::path(root.path) / "cwd");
  std::unique_ptr<FileSystem> disk =
      CreatePosixFileSystem(HostPaths{drives.string(), root.File("cwd")});
  auto put = [&](const std::string& relative) {
    fs::create_directories((fs::path(root.path) / relative).parent_path());
    root.Write(relative, "");
  };
  const std::string sub = "PRTG Network Monitor/Custom Sensors/ExeXml/";

  // A profile name with a host directory in front, absolute or relative to
  // the working directory, names the profile itself.
  put("elsewhere/QAS.P00");
  EXPECT_EQ(LocateSensorDirectory(*disk, root.File("elsewhere/QAS.P00")).value_or("missing"), "");
  EXPECT_EQ(LocateSensorDirectory(*disk, "../elsewhere/QAS.P00").value_or("missing"), "");

  // A directory where the profile is expected does not count.
  fs::create_directories(fs::path(root.path) / "cwd" / "PRD.P00");
  fs::create_directories(drives / "C" / "Programme" / sub / "PRD.P00");
  put("drives/C/Program Files (x86)/" + sub + "PRD.P00");
  EXPECT_EQ(LocateSensorDirectory(*disk, "PRD.P00").value_or("missing"),
            "\\Program Files (x86)\\PRTG Network Monitor\\Custom Sensors\\ExeXml\\");

  root.Write("drives/C/PRTG_Path.Txt", "D:\\Monitor\r\n");
  put("drives/D/Monitor/Custom Sensors/ExeXml/PRD.P00");
  EXPECT_EQ(LocateSensorDirectory(*disk, "PRD.P00").value_or("missing"),
            "D:\\Monitor\\Custom Sensors\\ExeXml\\");
}

}  // namespace
