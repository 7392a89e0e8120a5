#include "measure/usage_history.h"

#include <gtest/gtest.h>

#include "measure/server_clock.h"
#include "testing/virtual_file_system.h"

namespace {

const char kProfile[] = "C:\\Sensors\\PRD.P00";

ClientSlot Slot(const std::string& client, std::uint32_t steps, std::uint32_t time) {
  ClientSlot slot{client, {}, {}};
  for (int i = 0; i < UsageCounters::kCount; ++i) slot.dayTotals[i] = steps + i * time;
  return slot;
}

std::string Record(const std::string& client, std::uint32_t steps, std::uint32_t time) {
  return ClientRecord(Slot(client, steps, time)) + "\n";
}

TEST(UsageHistoryTest, Records) {
  ClientSlot slot{"100", {}, {}};
  slot.dayTotals.value = {1, 22, 333, 4444, 55555, 4294967295u, 7};
  std::string record = ClientRecord(slot);
  EXPECT_EQ(record,
            "# Clt 100           1            22           333          4444"
            "         55555  4294967295           7");
  EXPECT_EQ(ReadClientRecord(record).value, slot.dayTotals.value);
  EXPECT_EQ(PreviousRecord(record).substr(0, 9), "# Clx 100");
  EXPECT_EQ(ReadClientRecord(PreviousRecord(record)).value, slot.dayTotals.value);
  // Short and hand-edited records read as far as they go, each field
  // within its own column.
  EXPECT_EQ(ReadClientRecord("# Clt 100").value, UsageCounters{}.value);
  UsageCounters edited = ReadClientRecord("# Clt 100 -1x99999999999 5");
  EXPECT_EQ(edited[UsageCounters::kSteps], 4294967295u);
  EXPECT_EQ(edited[UsageCounters::kRespTime], 999u);
  EXPECT_EQ(edited[UsageCounters::kCpuTime], 0u);

  const char* totals[][2] = {{"Steps=00012x9", "12"},
                             {"Steps= 12", "0"},
                             {"Steps=", "0"},
                             {"", "0"},
                             {"Steps=123456789012", "3755744309"}};  // 11 characters
  for (const auto& t : totals)
    EXPECT_EQ(FormerStepTotal(std::string("# Clt Date=20240131 10:15:00 ") + t[0]),
              std::stoul(t[1]))
        << t[0];
}

TEST(UsageHistoryTest, RewriteMovesTheHistoryToTheEndAndKeepsOtherLinesWhole) {
  VirtualFileSystem disk;
  const ServerClock clock{"20240131", "10:15:00"};
  std::vector<std::string> lines;
  auto update = [&](const std::string& profile, const std::vector<ClientSlot>& slots,
                    std::uint32_t total) {
    lines.clear();
    for (std::string_view line : SplitLines(profile)) lines.emplace_back(line);
    auto history = std::make_unique<UsageHistory>(lines);
    EXPECT_TRUE(history->UpdateHistory(disk, kProfile, clock, slots, total).ok());
    return history;
  };

  // Within the day, a higher or a lower total is a change: the former
  // records become "# Clx " records and the first record of a client is
  // its baseline.
  for (std::uint32_t total : {20u, 3u}) {
    auto history = update(
        "# Clt Date=20240131 09:00:00 Steps=12\n"
        "# Clx Date=20240131 08:00:00 Steps=4\n"
        "Destination: PRD\n" +
            Record("100", 12, 3) + Record("100", 99, 9) + PreviousRecord(Record("100", 4, 1)),
        {Slot("100", total, 5), Slot("300", 0, 0)}, total);
    EXPECT_FALSE(history->DateChanged());
    EXPECT_TRUE(history->HistoryRewritten());
    EXPECT_EQ(disk.files[kProfile],
              "Destination: PRD\n# Clt Date=20240131 10:15:00 Steps=" + std::to_string(total) +
                  "\n# Clx Date=20240131 09:00:00 Steps=12\n" + Record("100", total, 5) +
                  PreviousRecord(Record("100", 12, 3)) + Record("300", 0, 0));
    EXPECT_EQ(history->FindBaseline("100"), ClientRecord(Slot("100", 12, 3)));
    EXPECT_EQ(history->FindBaseline("300"), "");
    EXPECT_EQ(history->FindProfileLine("# Clt 10"), ClientRecord(Slot("100", 12, 3)));
    EXPECT_EQ(history->FindProfileLine("# Clt 101"), "");
  }

  std::string longLine(5000, 'k');
  std::string profile =
      "Destination: PRD\n# Clt Date=20240130 23:00:00 Steps=1\n"
      "User       : MONITOR\r\n# Clx 100 stray\n\n" +
      longLine + "\n";
  std::string kept = "Destination: PRD\nUser       : MONITOR\n\n" + longLine + "\n";
  for (int i = 0; i < 300; ++i) {
    profile += "; note " + std::to_string(i) + "\n";
    kept += "; note " + std::to_string(i) + "\n";
  }
  auto history = update(profile, {Slot("100", 1, 1)}, 1);
  EXPECT_TRUE(history->DateChanged());
  EXPECT_EQ(disk.files[kProfile],
            kept + "# Clt Date=20240131 10:15:00 Steps=1\n" + Record("100", 1, 1));
}

TEST(UsageHistoryTest, ARewriteNeverAddsALineOfItsOwn) {
  // Line ends in the server's clock text or in a client would otherwise
  // leave junk lines that every later rewrite keeps.
  VirtualFileSystem disk;
  const ServerClock clock{"2024\n0131", "10:15\r\n:00"};
  std::vector<std::string> lines = {"Destination: PRD"};
  UsageHistory history(lines);
  ASSERT_TRUE(history.UpdateHistory(disk, kProfile, clock, {Slot("1\n0", 5, 1)}, 5).ok());
  std::vector<std::string_view> written = SplitLines(disk.files[kProfile]);
  ASSERT_EQ(written.size(), 3u);
  EXPECT_EQ(written[0], "Destination: PRD");
  EXPECT_EQ(written[1], "# Clt Date=2024 10:15 Steps=5");
  EXPECT_TRUE(IsHistoryLine(written[2]));
}

}  // namespace
