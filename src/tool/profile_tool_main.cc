// The profile tool: writes and checks the system profiles of the sensor,
// and tests a sensor's set-up against its SAP system.

#include <cstdio>
#include <string>
#include <vector>

#include "platform/console.h"
#include "platform/file_system.h"
#include "sap/connection.h"
#include "sap/rfc_library_loader.h"
#include "tool/profile_tool.h"
#include "tool/setup_check.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string out;
  std::string err;
  if (!args.empty() && args[0] == "test") {
    // The set-up test sees the disk and the library as the sensor does.
    auto sensorDisk = CreateHostFileSystem();
    auto console = CreateStandardOutput();
    DynamicRfcLibraryLoader loader;
    loader.SetDestinationFile(sensorDisk->HostPath(kDestinationFileCopy));
    SetupTestPlatform platform{*sensorDisk, *console, loader};
    int code = RunSetupTest(args, platform, &err);
    std::fwrite(err.data(), 1, err.size(), stderr);
    return code;
  }
  auto disk = CreateNativeFileSystem();
  int code = RunProfileTool(args, &out, &err, *disk);
  std::fwrite(out.data(), 1, out.size(), stdout);
  std::fflush(stdout);
  std::fwrite(err.data(), 1, err.size(), stderr);
  return code;
}
