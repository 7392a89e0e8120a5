// The profile tool: writes and checks the system profiles of the sensor.

#include <cstdio>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "tool/profile_tool.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  auto disk = CreateNativeFileSystem();
  std::string out;
  std::string err;
  int code = RunProfileTool(args, &out, &err, *disk);
  std::fwrite(out.data(), 1, out.size(), stdout);
  std::fflush(stdout);
  std::fwrite(err.data(), 1, err.size(), stderr);
  return code;
}
