#include "run/global_listing.h"

#include <string>
#include <string_view>

#include "platform/file_system.h"
#include "platform/text.h"

namespace {

constexpr size_t kPrefixLength = 18;  // "# GSNG: " and the ten-character key
constexpr size_t kSystemListStart = 20;
constexpr size_t kSensorTextStart = 19;
constexpr size_t kMaxItemName = 90;
constexpr std::string_view kSensorMark = "Sensor=\"SAP Brindlemark\"";

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
  while (end < text.size() && end - start < kMaxItemName && text[end] != ' ' && text[end] != ',')
    ++end;
  return Replaced(text.substr(start, end - start), ':', ' ');
}

/// The name under which each system is reported; when a line holds several
/// keywords the later one of ",Profile", ",Alias", ",Host", ",Sid" wins.
void ApplyNameKeywords(std::string_view line, NameKind* kind) {
  if (Contains(line, ",Profile")) *kind = NameKind::kProfile;
  if (Contains(line, ",Alias")) *kind = NameKind::kAlias;
  if (Contains(line, ",Host")) *kind = NameKind::kHost;
  if (Contains(line, ",Sid")) *kind = NameKind::kDestination;
}

/// The sensor profile of an "ITEM=" run: only its "# Gsng: " lines count,
/// letters exactly as shown; the key field is not looked at.
void ReadSensorProfile(std::string_view contents, GlobalListing* listing) {
  ForEachLine(WithoutByteOrderMark(contents), [&](std::string_view line) {
    if (line.substr(0, 6) == "# Gsng" && line.substr(6, 2) == ": ")
      listing->systemList += From(line, kSystemListStart);
  });
}

/// The global listing: the sensor's system list lines and its sensor line
/// are found by its key, in any letter case. Returns the error message of
/// a sensor line without the program's mark (1029), else an empty text.
std::string ReadGlobalSensor(std::string_view contents, const std::string& listingKey,
                             GlobalListing* listing) {
  std::string key = listingKey;
  if (key.size() < 10) key.resize(10, ' ');
  // A longer key counts with its first ten characters.
  const std::string systemPrefix = ("# GSNG: " + key).substr(0, kPrefixLength);
  const std::string sensorPrefix = ("# GSNX: " + key).substr(0, kPrefixLength);

  std::string sensorText;
  std::string error;
  ForEachLine(WithoutByteOrderMark(contents), [&](std::string_view line) {
    if (!error.empty()) return;
    std::string head = UpperCased(line.substr(0, kPrefixLength));
    if (head == systemPrefix) {
      listing->systemList += From(line, kSystemListStart);
    } else if (head == sensorPrefix) {
      sensorText = std::string(From(line, kSensorTextStart));
      if (!Contains(sensorText, kSensorMark)) {
        error = "Error 1029: Invalid Sensor-Allocation...";
        return;
      }
      // What follows ",Sensor=" belongs to the monitor, not to the
      // measurement.
      listing->parameters = Replaced(sensorText.substr(0, sensorText.find(",Sensor=")), ':', ' ');
      ApplyNameKeywords(line, &listing->nameKind);
    }
  });
  listing->itemName = ItemOf(sensorText);
  return error;
}

}  // namespace

std::string ReadGlobalListing(FileSystem& disk, const std::string& path,
                              const std::string& listingName, const std::string& listingKey,
                              const std::string& argument2, const std::string& itemName,
                              GlobalListing* listing) {
  const bool global = listingName == "SAP Tessaron.Gbl";
  std::string contents;
  if (!disk.ReadFile(path, &contents))
    return (global ? "Error 10x1: ProFile " : "Error 1024: ProFile ") + listingName +
           " is missing...";
  if (global) {
    std::string error = ReadGlobalSensor(contents, listingKey, listing);
    if (!error.empty()) return error;
    if (!listing->parameters) return "Error 1030: Global Sensor " + argument2 + " not found...";
  } else {
    ReadSensorProfile(contents, listing);
    listing->itemName = itemName;
  }

  if (listing->systemList.empty()) return "Error 1025: Global Server Listing missing...";
  if (listing->itemName.empty()) return "Error 1026: Global Item Idenification missing...";
  return std::string();
}
