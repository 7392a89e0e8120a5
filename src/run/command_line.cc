#include "run/command_line.h"

#include <algorithm>
#include <optional>

#include "platform/text.h"

namespace {

constexpr size_t kMaxItemName = 90;
constexpr size_t kClientFilterLength = 3;
constexpr std::string_view kClientKeyword = "CLIENT=";
constexpr std::string_view kItemKeyword = "ITEM=";

/// The per-client options, in the order in which they are looked for.
struct ClientChannelKeyword {
  std::string_view keyword;
  ClientChannel channel;
};
constexpr ClientChannelKeyword kClientChannelKeywords[] = {
    {"STEPS", ClientChannel::kSteps},      {"DIALOG", ClientChannel::kDialog},
    {"BATCH", ClientChannel::kBatch},      {"RESPONSE", ClientChannel::kResponse},
    {"CPU-TIME", ClientChannel::kCpuTime}, {"DBS-TIME", ClientChannel::kDbsTime},
    {"SUS-TIME", ClientChannel::kSusTime},
};

/// The value of the keyword |key| (",HOST=", ",NO="): the characters of
/// |typed| after the key up to the next blank or comma. The key is found in
/// |upper|, the upper-cased |typed|; nothing without the key.
std::optional<std::string> OverrideValue(std::string_view upper, std::string_view typed,
                                         std::string_view key) {
  size_t at = upper.find(key);
  if (at == std::string_view::npos) return std::nullopt;
  size_t start = at + key.size();
  size_t end = std::min(upper.find_first_of(" ,", start), upper.size());
  return std::string(typed.substr(start, end - start));
}

/// The number after |key| in |upper|: digits alone, up to a blank, a comma
/// or the end of the text. A whole number outside |low| to |high| is held
/// to the nearer limit; anything else (no value, a sign, a point, letters)
/// is no number, and nothing is taken.
std::optional<unsigned> NumberOption(std::string_view upper, std::string_view key, unsigned low,
                                     unsigned high) {
  size_t at = upper.find(key);
  if (at == std::string_view::npos) return std::nullopt;
  size_t i = at + key.size();
  size_t end = std::min(upper.find_first_of(" ,", i), upper.size());
  if (i == end) return std::nullopt;
  unsigned value = 0;
  for (; i < end; ++i) {
    if (upper[i] < '0' || upper[i] > '9') return std::nullopt;
    value = std::min(value * 10 + static_cast<unsigned>(upper[i] - '0'), high + 1);
  }
  return std::clamp(value, low, high);
}

/// A name without an extension (its fourth character from the end is not
/// a point) gets ".P00". Names shorter than four characters have none.
void AddDefaultExtension(std::string& name) {
  if (name.size() < 4 || name[name.size() - 4] != '.') name += ".P00";
}

/// The profile name GLOBAL.P00, in any letter case, selects the item run
/// over the global sensor listing.
void SelectGlobalListing(CommandLine& line) {
  if (UpperCased(line.profileName) != "GLOBAL.P00") return;
  line.itemMode = true;
  line.profileName = "SAP Tessaron.Gbl";
  AddDefaultExtension(line.profileName);
}

/// "ITEM=": the item run over the sensor profile's system lists, for the
/// item that follows the keyword.
void TakeItem(CommandLine& line, std::string_view upper) {
  size_t at = upper.find(kItemKeyword);
  if (at == std::string_view::npos) return;
  line.itemMode = true;
  size_t start = at + kItemKeyword.size();
  size_t end = start;
  while (end < upper.size() && end - start < kMaxItemName && upper[end] != ' ' && upper[end] != ',')
    ++end;
  line.itemName = Replaced(std::string_view(line.parameters).substr(start, end - start), ':', ' ');
  line.profileName = "Tessaron.Prf";
}

/// Drops a directory given in front of the profile name: the profile is
/// looked for in the sensor's directories. A backslash in the first
/// position alone is no directory (\ABC names a file in the root of the
/// current drive).
void DropDirectory(std::string& name) {
  size_t slash = name.rfind('\\');
  if (slash != std::string::npos && slash != 0) name.erase(0, slash + 1);
}

}  // namespace

MeasureOptions ReadMeasureOptions(std::string_view parameters) {
  // Upper-casing changes letters only, so both texts have the same length
  // and a keyword found in one stands at the same place in the other.
  const std::string upper = UpperCased(parameters);
  MeasureOptions options;
  size_t client = upper.find(kClientKeyword);
  if (client != std::string::npos)
    options.workload.clientFilter =
        upper.substr(client + kClientKeyword.size(), kClientFilterLength);
  for (const ClientChannelKeyword& entry : kClientChannelKeywords) {
    if (upper.find(entry.keyword) == std::string::npos) continue;
    options.workload.clientChannel = entry.channel;
    break;
  }
  options.workload.dataRows = upper.find("DATA") != std::string::npos;
  if (upper.find("WORKLOAD=ACCOUNTING") != std::string::npos)
    options.workload.source = WorkloadSource::kAccounting;
  else if (upper.find("WORKLOAD=COLLECTOR") != std::string::npos)
    options.workload.source = WorkloadSource::kCollector;
  options.logon.host = OverrideValue(upper, parameters, ",HOST=");
  options.logon.sysnr = OverrideValue(upper, parameters, ",NO=");
  return options;
}

CommandLine ReadCommandLine(const std::vector<std::string>& arguments) {
  CommandLine line;
  line.profileName = arguments.size() > 1 ? arguments[1] : std::string();
  line.argument2 = arguments.size() > 2 ? arguments[2] : std::string();
  line.parameters = line.argument2;
  if (arguments.size() > 3) line.parameters += " " + arguments[3];
  const std::string upper = UpperCased(line.parameters);
  line.listingKey = upper.substr(0, upper.find(' '));
  line.options = ReadMeasureOptions(line.parameters);

  TakeItem(line, upper);
  // The extension is the file name's: a point in the directory ("..\A")
  // is none.
  DropDirectory(line.profileName);
  AddDefaultExtension(line.profileName);
  SelectGlobalListing(line);  // D:\Sensors\GLOBAL.P00 selects it too
  line.progress = upper.find_first_of("#@$%") != std::string::npos;
  line.noSearch = upper.find('@') != std::string::npos;
  RunLimits limits = ReadRunLimits(line.parameters);
  line.timeoutSeconds = limits.timeoutSeconds.value_or(CommandLine::kDefaultTimeoutSeconds);
  line.parallel = limits.parallel.value_or(CommandLine::kDefaultParallel);
  return line;
}

RunLimits ReadRunLimits(std::string_view parameters) {
  const std::string upper = UpperCased(parameters);
  return {NumberOption(upper, "TIMEOUT=", 1, 900), NumberOption(upper, "PARALLEL=", 1, 64)};
}

std::string ShownParametersOfSingleRun(std::string_view parameters) {
  std::string shown(parameters);
  shown.erase(std::min(shown.find('#'), shown.size()));
  shown.erase(std::min(shown.find('@'), shown.size()));
  if (shown == "(Parameters " || shown == "(No ") shown.clear();
  if (shown.empty()) shown = "(No Parameters)";
  return shown;
}

std::string ShownParametersOfItemRun(std::string_view parameters) {
  std::string shown = Replaced(parameters, ':', ' ');
  shown.erase(std::min(shown.find(" @"), shown.size()));
  return shown;
}
