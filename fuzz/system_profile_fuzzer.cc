// A hand-edited system profile: its key lines read in both modes, and the
// usage history kept in its "# Clt "/"# Clx " lines read and rewritten.
// The rewrite keeps every other line of the file, in order, and a
// byte-order mark in front of them.

#include <algorithm>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "measure/server_clock.h"
#include "measure/usage_history.h"
#include "platform/file_system.h"
#include "platform/text.h"
#include "sap/stored_password.h"
#include "sap/system_profile.h"
#include "testing/virtual_file_system.h"

namespace {

/// The lines of |lines| that are not history lines, in order. Carriage
/// returns at a line's end count as part of the line end: the rewrite
/// ends every line with a line feed alone.
std::vector<std::string> OtherLines(const ProfileLineTable& lines) {
  std::vector<std::string> other;
  for (std::string line : lines) {
    if (IsHistoryLine(line)) continue;
    while (!line.empty() && line.back() == '\r') line.pop_back();
    other.push_back(line);
  }
  return other;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzInput input(data, size);
  unsigned char choice = input.Byte();
  std::string_view contents = input.Rest();

  SystemProfile profile;
  ProfileLineTable lines;
  ProfileFault stopped = ParseSystemProfile(contents, &profile, &lines, true);
  SystemProfile carried;
  carried.password = "kept";
  ProfileLineTable all;
  ProfileFault fault = ParseSystemProfile(contents, &carried, &all, false);
  // Stopping at a password fault keeps the lines up to the faulty one;
  // without one, both readings agree.
  FUZZ_CHECK(lines.size() <= all.size());
  FUZZ_CHECK(std::equal(lines.begin(), lines.end(), all.begin()));
  if (stopped != ProfileFault::kInvalidPassword && stopped != ProfileFault::kWrongPassword) {
    FUZZ_CHECK(lines == all);
  }
  std::string message = ProfileFaultMessage(fault, "PRD.P00");
  FUZZ_CHECK(message.empty() == (fault == ProfileFault::kNone));
  for (const ProfileKeyEntry& key : kProfileKeys)
    FUZZ_CHECK((carried.*key.field).size() <= kMaxProfileValue);
  FUZZ_CHECK(carried.password == "kept" || carried.password.size() <= kMaxPasswordLength);

  UsageHistory history(all, HasByteOrderMark(contents));
  std::vector<ClientSlot> slots;
  std::uint32_t total = 0;
  for (const std::string& line : all) {
    if (!IsHistoryLine(line)) continue;
    if (line.rfind(kDateRecordPrefix, 0) == 0 || line.rfind("# Clx Date=", 0) == 0) {
      total += FormerStepTotal(line);
      continue;
    }
    UsageCounters counters = ReadClientRecord(line);
    if (line.size() < 9 || slots.size() >= 8) continue;
    ClientSlot slot;
    slot.client = line.substr(6, 3);
    slot.dayTotals = counters;
    if (choice & 1) slot.dayTotals[UsageCounters::kSteps] += choice;
    slots.push_back(slot);
    ClientRecord(slot);
  }
  for (const ClientSlot& slot : slots) history.FindBaseline(slot.client);
  history.FindBaseline("100");

  VirtualFileSystem disk;
  const std::string path = "C:\\Sensors\\PRD.P00";
  disk.Create(path, std::string(contents));
  if (choice & 2) disk.failingWrites.insert(path);
  ServerClock clock;
  clock.date = (choice & 4) ? "20240305" : "20240306";
  clock.time = "14:07:09";
  if (choice & 8) total += 1;
  Outcome outcome = history.UpdateHistory(disk, path, clock, slots, total);
  for (const ClientSlot& slot : slots) {
    std::string_view baseline = history.FindBaseline(slot.client);
    if (!baseline.empty()) FUZZ_CHECK(IsHistoryLine(baseline));
  }

  // The file is either as it was or holds the other lines, in order, and
  // history lines.
  const std::string& after = disk.files[path];
  if (after == contents) return 0;
  FUZZ_CHECK(outcome.ok());
  // The lines as they lie in the file, after the mark of a profile that
  // had one.
  std::string_view afterLines = after;
  if (HasByteOrderMark(contents)) {
    FUZZ_CHECK(HasByteOrderMark(after));
    afterLines = WithoutByteOrderMark(after);
  }
  ProfileLineTable rewritten;
  for (std::string_view line : SplitLines(afterLines)) rewritten.emplace_back(line);
  if (OtherLines(rewritten) != OtherLines(all)) {
    std::fprintf(stderr, "other lines lost or changed; before:\n");
    std::fwrite(contents.data(), 1, contents.size(), stderr);
    std::fprintf(stderr, "\nafter:\n");
    std::fwrite(after.data(), 1, after.size(), stderr);
    std::fprintf(stderr, "\n");
    std::abort();
  }
  // The history follows the other lines.
  size_t first = 0;
  while (first < rewritten.size() && !IsHistoryLine(rewritten[first])) ++first;
  FUZZ_CHECK(first < rewritten.size());
  for (size_t i = first; i < rewritten.size(); ++i) FUZZ_CHECK(IsHistoryLine(rewritten[i]));
  return 0;
}
