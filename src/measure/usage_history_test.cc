#include "measure/usage_history.h"

#include <gtest/gtest.h>

#include "platform/virtual_file_system.h"
#include "run/run.h"
#include "sapsim/simulated_sap.h"

namespace {

const char kProfile[] = "C:\\Sensors\\PRD.P00";

ClientSlot Slot(const std::string& client, std::uint32_t steps, std::uint32_t time) {
  ClientSlot slot{client, {}, {}};
  for (int i = 0; i < UsageCounters::kCount; ++i) slot.dayTotals[i] = steps + i * time;
  return slot;
}

/// The lines of a file as the profile reader keeps them.
std::vector<std::string> Lines(const std::string& contents) {
  std::vector<std::string> lines;
  for (std::string_view line : SplitLines(contents)) lines.emplace_back(line);
  return lines;
}

struct UsageHistoryTest : testing::Test {
  /// One evaluation's history over the profile as it lies on disk.
  bool Update(const std::vector<ClientSlot>& slots, std::uint32_t total) {
    run.profileLineTable = Lines(disk.files[kProfile]);
    history = std::make_unique<UsageHistory>(run.profileLineTable);
    return history->UpdateHistory(run, slots, total);
  }

  VirtualFileSystem disk;
  FixedClock clock{"12:00:00"};
  CapturedConsole console;
  SimulatedSap rfc{"/nonexistent"};  // never logged on to
  ::Run run{disk, clock, console, rfc};
  std::unique_ptr<UsageHistory> history;

  void SetUp() override {
    run.rewritePath = kProfile;
    run.serverDate = "20240131";
    run.serverTime = "10:15:00";
  }
};

TEST(UsageHistoryRecords, ClientRecordColumns) {
  ClientSlot slot{"100", {}, {}};
  slot.dayTotals.value = {1, 22, 333, 4444, 55555, 4294967295u, 7};
  std::string record = ClientRecord(slot);
  EXPECT_EQ(record,
            "# Clt 100           1            22           333          4444"
            "         55555  4294967295           7");
  EXPECT_EQ(record.size(), 101u);
  EXPECT_EQ(ReadClientRecord(record).value, slot.dayTotals.value);
  EXPECT_EQ(ReadClientRecord(PreviousClientRecord(record)).value, slot.dayTotals.value);
  EXPECT_EQ(PreviousClientRecord(record).substr(0, 9), "# Clx 100");
}

TEST(UsageHistoryRecords, ShortAndEditedRecordsReadAsFarAsTheyGo) {
  EXPECT_EQ(ReadClientRecord("# Clt 100").value, UsageCounters{}.value);
  UsageCounters partial = ReadClientRecord("# Clt 100          12    34");
  EXPECT_EQ(partial[UsageCounters::kSteps], 12u);
  EXPECT_EQ(partial[UsageCounters::kRespTime], 34u);
  EXPECT_EQ(partial[UsageCounters::kCpuTime], 0u);
  // Each field is read within its own column only.
  UsageCounters edited = ReadClientRecord("# Clt 100 -1x99999999999 5");
  EXPECT_EQ(edited[UsageCounters::kSteps], 4294967295u);
  EXPECT_EQ(edited[UsageCounters::kRespTime], 999u);
}

TEST(UsageHistoryRecords, DateRecordAndFormerStepTotal) {
  EXPECT_EQ(DateRecord("20240131", "10:15:00", 1234), "# Clt Date=20240131 10:15:00 Steps=1234");
  EXPECT_EQ(PreviousDateRecord("# Clt Date=20240131 10:15:00 Steps=1234"),
            "# Clx Date=20240131 10:15:00 Steps=1234");
  EXPECT_EQ(FormerStepTotal("# Clt Date=20240131 10:15:00 Steps=00012x9"), 12u);
  EXPECT_EQ(FormerStepTotal("# Clt Date=20240131 10:15:00 Steps= 12"), 0u);
  EXPECT_EQ(FormerStepTotal("# Clt Date=20240131 10:15:00 Steps="), 0u);
  EXPECT_EQ(FormerStepTotal("# Clt Date=20240131 10:15:00"), 0u);
  // At most eleven characters: 12345678901 wraps modulo 2^32.
  EXPECT_EQ(FormerStepTotal("# Clt Date=20240131 Steps=123456789012"), 3755744309u);
}

TEST_F(UsageHistoryTest, ChangeWithinTheDayKeepsFormerRecordsAsPrevious) {
  // Both a higher and a lower total count as a change.
  for (std::uint32_t total : {20u, 3u}) {
    disk.Create(kProfile, "# Clt Date=20240131 09:00:00 Steps=12\n"
                          "# Clx Date=20240131 08:00:00 Steps=4\n"
                          "Destination: PRD\n" +
                              ClientRecord(Slot("100", 12, 3)) + "\n" +
                              PreviousClientRecord(ClientRecord(Slot("100", 4, 1))) + "\n");
    ASSERT_TRUE(Update({Slot("100", total, 5), Slot("300", 0, 0)}, total));
    EXPECT_FALSE(history->DateChanged());
    EXPECT_TRUE(history->HistoryRewritten());
    EXPECT_EQ(disk.files[kProfile],
              "Destination: PRD\n"
              "# Clt Date=20240131 10:15:00 Steps=" + std::to_string(total) + "\n"
              "# Clx Date=20240131 09:00:00 Steps=12\n" +
                  ClientRecord(Slot("100", total, 5)) + "\n" +
                  PreviousClientRecord(ClientRecord(Slot("100", 12, 3))) + "\n" +
                  ClientRecord(Slot("300", 0, 0)) + "\n");
    // The baseline is the former "# Clt " record, as read before the rewrite.
    EXPECT_EQ(history->FindBaseline("100"), ClientRecord(Slot("100", 12, 3)));
    EXPECT_EQ(history->FindBaseline("300"), "");
  }
}

TEST_F(UsageHistoryTest, FirstRecordOfAPrefixWins) {
  disk.Create(kProfile, "# Clt Date=20240131 09:00:00 Steps=12\n" +
                            ClientRecord(Slot("100", 12, 3)) + "\n" +
                            ClientRecord(Slot("100", 99, 9)) + "\n" +
                            "# Clt Date=20240131 09:30:00 Steps=13\n");
  ASSERT_TRUE(Update({Slot("100", 13, 3)}, 13));
  EXPECT_EQ(history->FindProfileLine("# Clt Date="), "# Clt Date=20240131 09:00:00 Steps=12");
  EXPECT_EQ(history->FindBaseline("100"), ClientRecord(Slot("100", 12, 3)));
  EXPECT_EQ(history->FindProfileLine("# Clt 10"), ClientRecord(Slot("100", 12, 3)));
  EXPECT_EQ(history->FindProfileLine("# Clt 101"), "");
}

TEST_F(UsageHistoryTest, HistoryMovesToTheEndAndOtherLinesStayWhole) {
  std::string longLine(5000, 'k');
  std::string profile = "Destination: PRD\n"
                        "# Clt Date=20240130 23:00:00 Steps=1\n"
                        "User       : MONITOR\r\n"
                        "# Clx 100 stray\n"
                        "\n" + longLine + "\n";
  std::string expected = "Destination: PRD\nUser       : MONITOR\n\n" + longLine + "\n";
  for (int i = 0; i < 300; ++i) {
    profile += "; note " + std::to_string(i) + "\n";
    expected += "; note " + std::to_string(i) + "\n";
  }
  disk.Create(kProfile, profile);
  ASSERT_TRUE(Update({Slot("100", 1, 1)}, 1));
  EXPECT_EQ(disk.files[kProfile], expected + "# Clt Date=20240131 10:15:00 Steps=1\n" +
                                      ClientRecord(Slot("100", 1, 1)) + "\n");
}

}  // namespace
