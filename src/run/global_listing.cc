#include "run/global_listing.h"

#include <string>
#include <string_view>

#include "run/run.h"

namespace {

constexpr size_t kPrefixLength = 18;  // "# GSNG: " and the ten-character key
constexpr size_t kSystemListStart = 20;
constexpr size_t kSensorTextStart = 19;
constexpr size_t kMaxItemName = 90;
constexpr std::string_view kSensorMark = "Sensor=\"SAP Brindlemark\"";

std::string UpperCased(std::string_view text) {
  std::string upper(text);
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return upper;
}

std::string_view From(std::string_view line, size_t start) {
  return line.size() > start ? line.substr(start) : std::string_view();
}

bool Contains(std::string_view text, std::string_view part) {
  return text.find(part) != std::string_view::npos;
}

/// The item of a sensor text: what follows "Item=" up to the first blank
/// or comma, at most 90 characters, each ":" a blank. Empty without one.
std::string ItemOf(std::string_view text) {
  size_t at = text.find("Item=");
  if (at == std::string_view::npos) return std::string();
  size_t start = at + 5;
  size_t end = start;
  while (end < text.size() && end - start < kMaxItemName && text[end] != ' ' &&
         text[end] != ',')
    ++end;
  std::string item(text.substr(start, end - start));
  for (char& c : item)
    if (c == ':') c = ' ';
  return item;
}

/// The name under which each system is reported; when a line holds several
/// keywords the later one of ",Profile", ",Alias", ",Host", ",Sid" wins.
void ApplyNameKeywords(Run& run, std::string_view line) {
  if (Contains(line, ",Profile")) run.nameKind = '1';
  if (Contains(line, ",Alias")) run.nameKind = '2';
  if (Contains(line, ",Host")) run.nameKind = '3';
  if (Contains(line, ",Sid")) run.nameKind = '4';
}

/// The sensor profile of an "ITEM=" run: only its "# Gsng: " lines count,
/// letters exactly as shown; the key field is not looked at.
void ReadSensorProfile(Run& run) {
  std::string contents;
  if (!run.disk.ReadFile(run.profilePath, &contents))
    ErrorExit(run, "Error 1024: ProFile " + run.profileName + " is missing...");
  ForEachLine(contents, [&](std::string_view line) {
    if (line.substr(0, 6) == "# Gsng" && line.substr(6, 2) == ": ")
      run.systemList += From(line, kSystemListStart);
  });
}

/// The global listing: the sensor is the first word of the parameters;
/// its system list lines and its sensor line are found by that key, in any
/// letter case.
void ReadGlobalSensor(Run& run) {
  std::string key = run.parameterText.substr(0, run.parameterText.find(' '));
  if (key.size() < 10) key.resize(10, ' ');
  // A longer key counts with its first ten characters.
  const std::string systemPrefix = ("# GSNG: " + key).substr(0, kPrefixLength);
  const std::string sensorPrefix = ("# GSNX: " + key).substr(0, kPrefixLength);

  std::string contents;
  if (!run.disk.ReadFile(run.profilePath, &contents))
    ErrorExit(run, "Error 10x1: ProFile " + run.profileName + " is missing...");

  run.itemName.clear();
  bool sensorFound = false;
  std::string sensorText;
  ForEachLine(contents, [&](std::string_view line) {
    std::string head = UpperCased(line.substr(0, kPrefixLength));
    if (head == systemPrefix) {
      run.systemList += From(line, kSystemListStart);
    } else if (head == sensorPrefix) {
      sensorText = std::string(From(line, kSensorTextStart));
      if (!Contains(sensorText, kSensorMark))
        ErrorExit(run, "Error 1029: Invalid Sensor-Allocation...");
      // What follows ",Sensor=" belongs to the monitor, not to the
      // measurement.
      run.parameterCopy = sensorText.substr(0, sensorText.find(",Sensor="));
      for (char& c : run.parameterCopy)
        if (c == ':') c = ' ';
      ApplyNameKeywords(run, line);
      sensorFound = true;
    }
  });

  run.itemName = ItemOf(sensorText);
  if (!sensorFound)
    ErrorExit(run, "Error 1030: Global Sensor " + run.argument2 + " not found...");
}

}  // namespace

void ReadGlobalListing(Run& run) {
  if (run.profileName == "SAP Tessaron.Gbl")
    ReadGlobalSensor(run);
  else
    ReadSensorProfile(run);

  if (run.systemList.empty())
    ErrorExit(run, "Error 1025: Global Server Listing missing...");
  if (run.itemName.empty())
    ErrorExit(run, "Error 1026: Global Item Idenification missing...");
}
