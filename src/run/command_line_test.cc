#include "run/command_line.h"

#include <gtest/gtest.h>

#include "run/test_run.h"

namespace {

/// What the command line set: profile name, directory, parameters as
/// typed and upper-cased, client filter, item and progress switch.
std::string ReadAndShow(Run& run, std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), "Brindlemark.exe");
  ReadCommandLine(run, arguments);
  return run.profileName + "|" + run.sensorDirectory + "|" + run.parameterCopy + "|" +
         run.parameterText + "|" + run.clientFilter + "|" +
         (run.itemMode ? "item " + run.itemName : "single") + (run.progressFlag ? "|#" : "");
}

// The ordinary command lines are run by the scenarios; here the edges.
TEST(CommandLineTest, ProfileNameDirectoryAndParameters) {
  const std::string long_item(120, 'x');
  struct Case {
    std::vector<std::string> arguments;
    std::string read;
  } cases[] = {
      // The client filter is the three characters after "CLIENT=", found anywhere.
      {{"PRD", "XCLIENT=1 2"}, "PRD.P00||XCLIENT=1 2|XCLIENT=1 2|1 2|single"},
      {{"PRD", "CLIENT=7"}, "PRD.P00||CLIENT=7|CLIENT=7|7|single"},
      {{"PRD", "CLIENT="}, "PRD.P00||CLIENT=|CLIENT=||single"},
      // Two parameter strings joined with a blank; later ones ignored.
      {{"PRD", "A", "b", "C"}, "PRD.P00||A b|A B||single"},
      {{"PRD", "", "client=5"}, "PRD.P00|| client=5| CLIENT=5|5|single"},
      // The default extension.
      {{"ABC.TXT"}, "ABC.TXT|||||single"},
      {{".P0"}, ".P0.P00|||||single"},
      {{""}, ".P00|||||single"},
      // The directory is split off at the last backslash, unless it is the first.
      {{"C:\\A\\B\\PRD.P00"}, "PRD.P00|C:\\A\\B\\||||single"},
      {{"\\ABC"}, "\\ABC.P00|||||single"},
      {{"Sub\\PRD"}, "PRD.P00|Sub\\||||single"},
      // An item selects the item run over the sensor profile.
      {{"D:\\Sensors\\PRD", "ITEM=Cpu:Load,CLIENT=000"},
       "Tessaron.Prf||ITEM=Cpu:Load,CLIENT=000|ITEM=CPU:LOAD,CLIENT=000|000|item Cpu Load"},
      {{"PRD", "ITEM=" + long_item}, "Tessaron.Prf||ITEM=" + long_item + "|ITEM=" +
                                         std::string(120, 'X') + "||item " + std::string(90, 'x')},
      {{"PRD", "ITEM="}, "Tessaron.Prf||ITEM=|ITEM=||item "},
      // "GLOBAL" selects the global listing, with or without a directory.
      {{"global.p00", "SENSOR01"}, "SAP Tessaron.Gbl||SENSOR01|SENSOR01||item "},
      {{"D:\\Sensors\\GLOBAL.P00"}, "SAP Tessaron.Gbl|D:\\Sensors\\||||item "},
      {{"GLOBAL.P01"}, "GLOBAL.P01|||||single"},
      // Progress markers anywhere in the parameters.
      {{"PRD", "x", "@"}, "PRD.P00||x @|X @||single|#"},
      {{"PRD", "client=100 $"}, "PRD.P00||client=100 $|CLIENT=100 $|100|single|#"},
      {{"PRD", "%"}, "PRD.P00||%|%||single|#"},
  };
  for (const Case& c : cases) {
    TestRun t;
    std::string typed;
    for (const std::string& a : c.arguments) typed += "'" + a + "' ";
    EXPECT_EQ(ReadAndShow(t.run, c.arguments), c.read) << typed;
  }
}

TEST(CommandLineTest, ShownParameters) {
  const char* single[][2] = {{"(Parameters #", "(No Parameters)"},
                             {"client=100,Steps @x #y", "client=100,Steps "},
                             {"(Parameters)", "(Parameters)"}};
  for (const auto& s : single) {
    TestRun t;
    ReadAndShow(t.run, {"PRD", s[0]});
    EXPECT_EQ(ShownParametersOfSingleRun(t.run), s[1]) << s[0];
  }
  TestRun t;
  t.run.parameterCopy = "Sensor01 Item=Cpu:Load,Host @ more";
  EXPECT_EQ(ShownParametersOfItemRun(t.run), "Sensor01 Item=Cpu Load,Host");
  t.run.parameterCopy = "A@B";  // only a blank and "@" cut
  EXPECT_EQ(ShownParametersOfItemRun(t.run), "A@B");

  // The item run takes the client filter again from the listing's parameters.
  ReadAndShow(t.run, {"global.p00", "SENSOR01 client=100"});
  t.run.parameterText = "ITEM=DIALOG";
  TakeClientFilter(t.run);
  EXPECT_EQ(t.run.clientFilter, "");
  t.run.parameterText = "ITEM=DIALOG,CLIENT=200";
  TakeClientFilter(t.run);
  EXPECT_EQ(t.run.clientFilter, "200");
}

}  // namespace
