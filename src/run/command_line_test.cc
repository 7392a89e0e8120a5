#include "run/command_line.h"

#include <gtest/gtest.h>

namespace {

/// What the command line gives: profile name, parameters as typed, client
/// filter, item and the progress and search switches.
std::string ReadAndShow(std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), "Brindlemark.exe");
  CommandLine line = ReadCommandLine(arguments);
  return line.profileName + "|" + line.parameters + "|" + line.options.workload.clientFilter + "|" +
         (line.itemMode ? "item " + line.itemName : "single") + (line.progress ? "|#" : "") +
         (line.noSearch ? "|@" : "");
}

// The ordinary command lines are run by the scenarios; here the edges.
TEST(CommandLineTest, ProfileNameAndParameters) {
  const std::string longItem(120, 'x');
  struct Case {
    std::vector<std::string> arguments;
    std::string read;
  } cases[] = {
      // The client filter is the three characters after "CLIENT=", found anywhere.
      {{"PRD", "XCLIENT=1 2"}, "PRD.P00|XCLIENT=1 2|1 2|single"},
      {{"PRD", "CLIENT=7"}, "PRD.P00|CLIENT=7|7|single"},
      {{"PRD", "CLIENT="}, "PRD.P00|CLIENT=||single"},
      // Two parameter strings joined with a blank; later ones ignored.
      {{"PRD", "A", "b", "C"}, "PRD.P00|A b||single"},
      {{"PRD", "", "client=5"}, "PRD.P00| client=5|5|single"},
      // The default extension.
      {{"ABC.TXT"}, "ABC.TXT|||single"},
      {{".P0"}, ".P0.P00|||single"},
      {{""}, ".P00|||single"},
      // A directory is dropped at the last backslash, unless it is the first.
      {{"C:\\A\\B\\PRD.P00"}, "PRD.P00|||single"},
      {{"\\ABC"}, "\\ABC.P00|||single"},
      // The default extension goes by the name without the directory.
      {{"..\\A"}, "A.P00|||single"},
      {{"D:\\x.ab\\"}, ".P00|||single"},
      // An item selects the item run over the sensor profile.
      {{"D:\\Sensors\\PRD", "ITEM=Cpu:Load,CLIENT=000"},
       "Tessaron.Prf|ITEM=Cpu:Load,CLIENT=000|000|item Cpu Load"},
      {{"PRD", "ITEM=" + longItem},
       "Tessaron.Prf|ITEM=" + longItem + "||item " + std::string(90, 'x')},
      {{"PRD", "ITEM="}, "Tessaron.Prf|ITEM=||item "},
      // "GLOBAL" selects the global listing, with or without a directory.
      {{"global.p00", "SENSOR01"}, "SAP Tessaron.Gbl|SENSOR01||item "},
      {{"D:\\Sensors\\GLOBAL.P00"}, "SAP Tessaron.Gbl|||item "},
      {{"GLOBAL.P01"}, "GLOBAL.P01|||single"},
      // Progress markers anywhere in the parameters; "@" also stops the search.
      {{"PRD", "x", "@"}, "PRD.P00|x @||single|#|@"},
      {{"PRD", "client=100 $"}, "PRD.P00|client=100 $|100|single|#"},
      {{"PRD", "%"}, "PRD.P00|%||single|#"},
  };
  for (const Case& c : cases) {
    std::string typed;
    for (const std::string& a : c.arguments) typed += "'" + a + "' ";
    EXPECT_EQ(ReadAndShow(c.arguments), c.read) << typed;
  }
}

TEST(CommandLineTest, MeasureOptions) {
  // The first per-client option in the order of the table decides, wherever
  // it stands; overrides keep their letters as typed.
  MeasureOptions options = ReadMeasureOptions("cpu-time,Batch,data ,Host=SapPrd,no=07 x");
  EXPECT_EQ(options.workload.clientChannel, ClientChannel::kBatch);
  EXPECT_TRUE(options.workload.dataRows);
  EXPECT_EQ(options.logon.host.value_or("-"), "SapPrd");
  EXPECT_EQ(options.logon.sysnr.value_or("-"), "07");
  // An override without a value is empty, not absent.
  options = ReadMeasureOptions("X,HOST=");
  EXPECT_EQ(options.logon.host.value_or("-"), "");
  EXPECT_FALSE(options.logon.sysnr.has_value());
  EXPECT_EQ(options.workload.clientChannel, ClientChannel::kNone);
  EXPECT_FALSE(options.workload.dataRows);
  EXPECT_EQ(options.workload.source, WorkloadSource::kAutomatic);
  // The source of the workload, anywhere and in any letter case.
  EXPECT_EQ(ReadMeasureOptions("steps,workload=Collector").workload.source,
            WorkloadSource::kCollector);
  EXPECT_EQ(ReadMeasureOptions("x WORKLOAD=ACCOUNTING").workload.source,
            WorkloadSource::kAccounting);
  EXPECT_EQ(ReadMeasureOptions("WORKLOAD=OTHER").workload.source, WorkloadSource::kAutomatic);
}

TEST(CommandLineTest, ShownParameters) {
  const char* single[][2] = {{"(Parameters #", "(No Parameters)"},
                             {"client=100,Steps @x #y", "client=100,Steps "},
                             {"(Parameters)", "(Parameters)"}};
  for (const auto& s : single) EXPECT_EQ(ShownParametersOfSingleRun(s[0]), s[1]) << s[0];
  EXPECT_EQ(ShownParametersOfItemRun("Sensor01 Item=Cpu:Load,Host @ more"),
            "Sensor01 Item=Cpu Load,Host");
  EXPECT_EQ(ShownParametersOfItemRun("A@B"), "A@B");  // only a blank and "@" cut
}

// One rule: a whole number is held to the range, anything else is no
// value and the default stands.
TEST(CommandLineTest, TimeoutAndParallelAreHeldInTheirRanges) {
  struct Case {
    std::string parameters;
    unsigned timeout;
    unsigned parallel;
  } cases[] = {
      {"", 50, 8},
      {"timeout=7,Parallel=1", 7, 1},
      {"TIMEOUT=0 PARALLEL=0", 1, 1},
      {"TIMEOUT=99999999999999 PARALLEL=65", 900, 64},
      {"TIMEOUT=X PARALLEL= 4", 50, 8},
      {"TIMEOUT=-1 PARALLEL=-1", 50, 8},
      {"TIMEOUT=2.9 PARALLEL=0x10", 50, 8},
      {"TIMEOUT=1e9,PARALLEL=1e9", 50, 8},
      {"TIMEOUT=abc PARALLEL=", 50, 8},
      {"TIMEOUT=12,PARALLEL=3 #", 12, 3},
  };
  for (const Case& c : cases) {
    CommandLine line = ReadCommandLine({"Brindlemark.exe", "PRD", c.parameters});
    EXPECT_EQ(line.timeoutSeconds, c.timeout) << c.parameters;
    EXPECT_EQ(line.parallel, c.parallel) << c.parameters;
  }
}

}  // namespace
