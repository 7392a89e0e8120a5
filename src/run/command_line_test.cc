#include "run/command_line.h"

#include <gtest/gtest.h>

#include "platform/virtual_file_system.h"
#include "run/run.h"

namespace {

/// An RFC library that is never called.
struct NoRfc : RfcLibrary {
  void RfcEnvironment(const RfcEnvironmentRecord&) override {}
  RfcHandle RfcOpen(const RfcOptions&) override { return 0; }
  RfcHandle RfcOpenEx(const char*, RfcErrorInfo*) override { return 0; }
  int RfcInstallStructure(const char*, const FieldDescriptor*, unsigned, RfcType*) override { return 1; }
  int RfcCall(RfcHandle, const char*, const RfcParameter*, RfcTable*) override { return 1; }
  int RfcReceive(RfcHandle, const RfcParameter*, RfcTable*, char**) override { return 1; }
  int RfcLastError(RfcErrorInfo*) override { return 0; }
  void RfcClose(RfcHandle) override {}
  ItHandle ItCreate(const char*, unsigned, unsigned, unsigned) override { return nullptr; }
  unsigned ItFill(ItHandle) override { return 0; }
  void* ItGetLine(ItHandle, unsigned) override { return nullptr; }
  int ItDelete(ItHandle) override { return 0; }
};

struct CommandLineTest : testing::Test {
  void Read(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "Brindlemark.exe");
    ReadCommandLine(run, arguments);
  }
  VirtualFileSystem disk;
  FixedClock clock{"12:00:00"};
  CapturedConsole console;
  NoRfc rfc;
  ::Run run{disk, clock, console, rfc};
};

TEST_F(CommandLineTest, ClientFilterAndUpperCasedOptions) {
  Read({"SYS01", "client=100,steps"});
  EXPECT_EQ(run.profileName, "SYS01.P00");
  EXPECT_EQ(run.parameterText, "CLIENT=100,STEPS");
  EXPECT_EQ(run.parameterCopy, "client=100,steps");
  EXPECT_EQ(run.argument2, "client=100,steps");
  EXPECT_EQ(run.clientFilter, "100");
  EXPECT_TRUE(HasOption(run, "STEPS"));
  EXPECT_FALSE(run.itemMode);
  EXPECT_FALSE(run.progressFlag);
  EXPECT_EQ(run.sensorDirectory, "");
}

TEST_F(CommandLineTest, ClientFilterTakesThreeCharactersWhateverTheyAre) {
  Read({"PRD", "XCLIENT=1 2"});  // found inside a longer word
  EXPECT_EQ(run.clientFilter, "1 2");
  Read({"PRD", "CLIENT=7"});  // the text ends sooner
  EXPECT_EQ(run.clientFilter, "7");
  Read({"PRD", "CLIENT="});
  EXPECT_EQ(run.clientFilter, "");
  Read({"PRD"});
  EXPECT_EQ(run.clientFilter, "");
  EXPECT_EQ(run.parameterText, "");
}

TEST_F(CommandLineTest, ArgumentsJoinedWithOneBlankLaterOnesIgnored) {
  Read({"PRD", "A", "b", "C"});
  EXPECT_EQ(run.parameterCopy, "A b");
  EXPECT_EQ(run.parameterText, "A B");
  EXPECT_EQ(run.argument2, "A");
  Read({"PRD", "", "client=5"});  // an empty second argument still joins
  EXPECT_EQ(run.parameterText, " CLIENT=5");
  EXPECT_EQ(run.clientFilter, "5");
}

TEST_F(CommandLineTest, ItemSelectsItemRunOverSensorProfile) {
  Read({"D:\\Sensors\\PRD", "ITEM=Cpu:Load,CLIENT=000"});
  EXPECT_TRUE(run.itemMode);
  EXPECT_EQ(run.itemName, "Cpu Load");
  EXPECT_EQ(run.profileName, "Tessaron.Prf");
  EXPECT_EQ(run.sensorDirectory, "");  // the given directory went with the name
  EXPECT_EQ(run.clientFilter, "000");
}

TEST_F(CommandLineTest, ItemEndsAtBlankOrCommaAndAtNinetyCharacters) {
  Read({"PRD", "item=Dialog steps"});
  EXPECT_EQ(run.itemName, "Dialog");
  EXPECT_TRUE(HasOption(run, "DIALOG"));  // the item is searched like any option
  std::string long_item(120, 'x');
  Read({"PRD", "ITEM=" + long_item});
  EXPECT_EQ(run.itemName, std::string(90, 'x'));
  Read({"PRD", "ITEM="});
  EXPECT_TRUE(run.itemMode);
  EXPECT_EQ(run.itemName, "");
}

TEST_F(CommandLineTest, DefaultExtension) {
  Read({"ABC"});
  EXPECT_EQ(run.profileName, "ABC.P00");
  Read({"ABC.TXT"});
  EXPECT_EQ(run.profileName, "ABC.TXT");
  Read({"SYS.01"});
  EXPECT_EQ(run.profileName, "SYS.01.P00");
  // Names shorter than an extension.
  Read({"A"});
  EXPECT_EQ(run.profileName, "A.P00");
  Read({".P0"});
  EXPECT_EQ(run.profileName, ".P0.P00");
  Read({""});
  EXPECT_EQ(run.profileName, ".P00");
}

TEST_F(CommandLineTest, GlobalListingSelectedWithOrWithoutDirectory) {
  Read({"global.p00", "SENSOR01"});
  EXPECT_TRUE(run.itemMode);
  EXPECT_EQ(run.profileName, "SAP Tessaron.Gbl");
  EXPECT_EQ(run.sensorDirectory, "");
  Read({"global"});
  EXPECT_EQ(run.profileName, "SAP Tessaron.Gbl");
  Read({"D:\\Sensors\\GLOBAL.P00"});
  EXPECT_TRUE(run.itemMode);
  EXPECT_EQ(run.profileName, "SAP Tessaron.Gbl");
  EXPECT_EQ(run.sensorDirectory, "D:\\Sensors\\");
  Read({"GLOBAL.P01"});
  EXPECT_FALSE(run.itemMode);
  EXPECT_EQ(run.profileName, "GLOBAL.P01");
}

TEST_F(CommandLineTest, DirectorySplitAtLastBackslashUnlessFirst) {
  Read({"C:\\A\\B\\PRD.P00"});
  EXPECT_EQ(run.sensorDirectory, "C:\\A\\B\\");
  EXPECT_EQ(run.profileName, "PRD.P00");
  Read({"\\ABC"});
  EXPECT_EQ(run.sensorDirectory, "");
  EXPECT_EQ(run.profileName, "\\ABC.P00");
  Read({"Sub\\PRD"});
  EXPECT_EQ(run.sensorDirectory, "Sub\\");
  EXPECT_EQ(run.profileName, "PRD.P00");
}

TEST_F(CommandLineTest, ProgressMarkers) {
  for (const char* marker : {"#", "@", "$", "%", "client=100 #"}) {
    Read({"PRD", marker});
    EXPECT_TRUE(run.progressFlag) << marker;
  }
  Read({"PRD", "x", "#"});
  EXPECT_TRUE(run.progressFlag);
  Read({"PRD", "CLIENT=100"});
  EXPECT_FALSE(run.progressFlag);
}

TEST_F(CommandLineTest, ShownParametersOfSingleRun) {
  Read({"PRD", "#"});
  EXPECT_EQ(ShownParametersOfSingleRun(run), "(No Parameters)");
  Read({"PRD"});
  EXPECT_EQ(ShownParametersOfSingleRun(run), "(No Parameters)");
  Read({"PRD", "(Parameters", "#"});
  EXPECT_EQ(ShownParametersOfSingleRun(run), "(No Parameters)");
  Read({"PRD", "(No", "@"});
  EXPECT_EQ(ShownParametersOfSingleRun(run), "(No Parameters)");
  Read({"PRD", "client=100,Steps @x #y"});
  EXPECT_EQ(ShownParametersOfSingleRun(run), "client=100,Steps ");
  Read({"PRD", "(Parameters)"});
  EXPECT_EQ(ShownParametersOfSingleRun(run), "(Parameters)");
}

TEST_F(CommandLineTest, ShownParametersOfItemRun) {
  run.parameterCopy = "Sensor01 Item=Cpu:Load,Host @ more";
  EXPECT_EQ(ShownParametersOfItemRun(run), "Sensor01 Item=Cpu Load,Host");
  run.parameterCopy = "A@B";  // only a blank and "@" cut
  EXPECT_EQ(ShownParametersOfItemRun(run), "A@B");
}

TEST_F(CommandLineTest, TakeClientFilterAgainFromNewParameters) {
  Read({"global.p00", "SENSOR01 client=100"});
  EXPECT_EQ(run.clientFilter, "100");
  run.parameterText = "ITEM=DIALOG";
  TakeClientFilter(run);
  EXPECT_EQ(run.clientFilter, "");
  run.parameterText = "ITEM=DIALOG,CLIENT=200";
  TakeClientFilter(run);
  EXPECT_EQ(run.clientFilter, "200");
}

}  // namespace
