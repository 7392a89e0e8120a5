#include "run/command_line.h"

#include <algorithm>

#include "run/run.h"

namespace {

constexpr size_t kMaxItemName = 90;

char UpperAscii(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string UpperCased(std::string text) {
  for (char& c : text) c = UpperAscii(c);
  return text;
}

/// A name without an extension (its fourth character from the end is not
/// a point) gets ".P00". Names shorter than four characters have none.
void AddDefaultExtension(std::string& name) {
  if (name.size() < 4 || name[name.size() - 4] != '.') name += ".P00";
}

/// The profile name GLOBAL.P00, in any letter case, selects the item run
/// over the global sensor listing.
void SelectGlobalListing(Run& run) {
  if (UpperCased(run.profileName) != "GLOBAL.P00") return;
  run.itemMode = true;
  run.profileName = "SAP Tessaron.Gbl";
  AddDefaultExtension(run.profileName);
}

/// "ITEM=": the item run over the sensor profile's system lists, for the
/// item that follows the keyword.
void TakeItem(Run& run) {
  size_t at = run.parameterText.find("ITEM=");
  if (at == std::string::npos) return;
  run.itemMode = true;
  // parameterText and parameterCopy have the same length: upper-casing
  // changes letters only.
  size_t start = at + 5;
  size_t end = start;
  while (end < run.parameterText.size() && end - start < kMaxItemName &&
         run.parameterText[end] != ' ' && run.parameterText[end] != ',')
    ++end;
  run.itemName = run.parameterCopy.substr(start, end - start);
  for (char& c : run.itemName)
    if (c == ':') c = ' ';
  run.profileName = "Tessaron.Prf";
}

/// Splits a directory given in front of the profile name into
/// sensorDirectory. A backslash in the first position alone is no
/// directory (\ABC names a file in the root of the current drive).
void SplitDirectory(Run& run) {
  size_t slash = run.profileName.rfind('\\');
  if (slash == std::string::npos || slash == 0) return;
  run.sensorDirectory = run.profileName.substr(0, slash + 1);
  run.profileName.erase(0, slash + 1);
}

}  // namespace

void ReadCommandLine(Run& run, const std::vector<std::string>& arguments) {
  run.profileName = arguments.size() > 1 ? arguments[1] : std::string();
  run.argument2 = arguments.size() > 2 ? arguments[2] : std::string();
  run.sensorDirectory.clear();
  run.itemName.clear();
  run.itemMode = false;

  run.parameterCopy = run.argument2;
  if (arguments.size() > 3) run.parameterCopy += " " + arguments[3];
  run.parameterText = UpperCased(run.parameterCopy);

  TakeClientFilter(run);
  TakeItem(run);

  AddDefaultExtension(run.profileName);
  SelectGlobalListing(run);

  run.progressFlag =
      run.parameterText.find_first_of("#@$%") != std::string::npos;

  SplitDirectory(run);
  SelectGlobalListing(run);  // D:\Sensors\GLOBAL.P00 selects it too
}

void TakeClientFilter(Run& run) {
  run.clientFilter.clear();
  size_t at = run.parameterText.find("CLIENT=");
  if (at != std::string::npos) run.clientFilter = run.parameterText.substr(at + 7, 3);
}

bool HasOption(const Run& run, std::string_view keyword) {
  return run.parameterText.find(keyword) != std::string::npos;
}

std::string ShownParametersOfSingleRun(const Run& run) {
  std::string shown = run.parameterCopy;
  shown.erase(std::min(shown.find('#'), shown.size()));
  shown.erase(std::min(shown.find('@'), shown.size()));
  if (shown == "(Parameters " || shown == "(No ") shown.clear();
  if (shown.empty()) shown = "(No Parameters)";
  return shown;
}

std::string ShownParametersOfItemRun(const Run& run) {
  std::string shown = run.parameterCopy;
  for (char& c : shown)
    if (c == ':') c = ' ';
  shown.erase(std::min(shown.find(" @"), shown.size()));
  return shown;
}
