// The command line the monitor passes, as the user typed it into the
// sensor's settings: the arguments are the pieces of the input between
// NUL bytes.

#include <string>
#include <vector>

#include "fuzz_check.h"
#include "run/command_line.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> arguments = {"brindlemark"};
  while (arguments.size() < 6) {
    size_t end = rest.find('\0');
    arguments.emplace_back(rest.substr(0, end));
    if (end == std::string_view::npos) break;
    rest.remove_prefix(end + 1);
  }
  if (arguments.size() < 2) return 0;

  CommandLine line = ReadCommandLine(arguments);
  FUZZ_CHECK(!line.profileName.empty());
  size_t slash = line.profileName.rfind('\\');
  FUZZ_CHECK(slash == std::string::npos || slash == 0);
  // Every name has an extension, the default one when none was typed.
  FUZZ_CHECK(line.profileName.size() >= 4);
  FUZZ_CHECK(line.profileName[line.profileName.size() - 4] == '.');
  if (arguments.size() > 2) {
    FUZZ_CHECK(line.argument2 == arguments[2]);
    FUZZ_CHECK(line.parameters.rfind(arguments[2], 0) == 0);
  }
  FUZZ_CHECK(line.listingKey.find(' ') == std::string::npos);
  FUZZ_CHECK(line.itemName.size() <= 90);
  if (line.noSearch) FUZZ_CHECK(line.progress);
  if (!line.itemName.empty()) FUZZ_CHECK(line.itemMode);
  FUZZ_CHECK(line.options.workload.clientFilter.size() <= 3);
  for (const auto& value : {line.options.logon.host, line.options.logon.sysnr})
    if (value) FUZZ_CHECK(value->find_first_of(" ,") == std::string::npos);

  // Reading the options alone gives what the command line holds.
  MeasureOptions options = ReadMeasureOptions(line.parameters);
  FUZZ_CHECK(options.workload.clientFilter == line.options.workload.clientFilter);
  FUZZ_CHECK(options.logon.host == line.options.logon.host);

  std::string single = ShownParametersOfSingleRun(line.parameters);
  FUZZ_CHECK(!single.empty());
  FUZZ_CHECK(single.find_first_of("#@") == std::string::npos);
  std::string item = ShownParametersOfItemRun(line.parameters);
  FUZZ_CHECK(item.find(':') == std::string::npos);
  FUZZ_CHECK(item.find(" @") == std::string::npos);
  FUZZ_CHECK(item.size() <= line.parameters.size());
  return 0;
}
