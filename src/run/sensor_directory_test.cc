#include "run/sensor_directory.h"

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

const char kPathFile[] = "C:\\PRTG_Path.Txt";
const char kSubPath[] = "PRTG Network Monitor\\Custom Sensors\\ExeXml\\";
const char kMissing[] =
    "<Prtg>\n<Error>1</Error>\n"
    "<Text>Error 1002: Profile PRD.P00 is missing...</Text>\n</Prtg>\n";

struct SensorDirectoryTest : testing::Test {
  SensorDirectoryTest() { run.profileName = "PRD.P00"; }

  /// Runs the search; the exit code, or -1 when the profile was found.
  int Locate() {
    try {
      LocateSensorDirectory(run);
      return -1;
    } catch (const RunEnded& end) {
      return end.exitCode;
    }
  }

  VirtualFileSystem disk;
  FixedClock clock{"12:00:00"};
  CapturedConsole console;
  NoRfc rfc;
  ::Run run{disk, clock, console, rfc};
};

TEST_F(SensorDirectoryTest, PathFileNamesAnyOfTheThreeLevels) {
  struct {
    const char* pathFile;
    std::string directory;
  } cases[] = {
      // The installation, without a trailing backslash: the short sub-path.
      {"D:\\Monitor\r\n", "D:\\Monitor\\Custom Sensors\\ExeXml\\"},
      // The directory above it, after a remark line: the long sub-path.
      {"Monitor lies below:\nE:\\Tools\\\n", std::string("E:\\Tools\\") + kSubPath},
      // The sensor directory itself, without a line end.
      {"F:\\Sensors\\", "F:\\Sensors\\"},
  };
  for (const auto& c : cases) {
    disk.files.clear();
    disk.Create(kPathFile, c.pathFile);
    disk.Create(c.directory + "PRD.P00", "");
    ASSERT_EQ(Locate(), -1) << c.pathFile;
    EXPECT_EQ(run.sensorDirectory, c.directory);
    EXPECT_EQ(run.profilePath, c.directory + "PRD.P00");
  }
}

TEST_F(SensorDirectoryTest, LastDirectoryLineWinsInAnyOfItsForms) {
  disk.Create("A:\\PRD.P00", "");
  disk.Create("B:\\PRD.P00", "");
  disk.Create("C:PRD\\PRD.P00", "");
  disk.Create("\\Share\\PRD.P00", "");
  disk.Create("xy\\PRD.P00", "");
  struct {
    const char* pathFile;
    const char* directory;
  } cases[] = {
      {"A:\\\nB:\\\nremark\n", "B:\\"},
      {"B:\\\nA:\\\n", "A:\\"},
      {"A:\\\nC:PRD\n", "C:PRD\\"},      // second character a colon
      {"A:\\\n\\Share\n", "\\Share\\"},  // first character a backslash
      {"A:\\\nxy\\\n", "xy\\"},          // third character a backslash
  };
  for (const auto& c : cases) {
    disk.Create(kPathFile, c.pathFile);
    ASSERT_EQ(Locate(), -1) << c.pathFile;
    EXPECT_EQ(run.sensorDirectory, c.directory) << c.pathFile;
  }
}

TEST_F(SensorDirectoryTest, LongDirectoryLineKeptWhole) {
  std::string directory = "F:\\" + std::string(120, 'd') + "\\";
  disk.Create(kPathFile, directory + "\n");
  disk.Create(directory + "PRD.P00", "");
  ASSERT_EQ(Locate(), -1);
  EXPECT_EQ(run.sensorDirectory, directory);
}

TEST_F(SensorDirectoryTest, PathFileWithoutDirectoryLineMeansDriveRootOnly) {
  disk.Create(kPathFile, "nothing here\n\n");
  disk.Create("\\PRD.P00", "");
  ASSERT_EQ(Locate(), -1);
  EXPECT_EQ(run.sensorDirectory, "\\");

  disk.files.erase("\\PRD.P00");
  disk.Create(std::string("\\") + kSubPath + "PRD.P00", "");
  ASSERT_EQ(Locate(), -1);
  EXPECT_EQ(run.sensorDirectory, std::string("\\") + kSubPath);
}

TEST_F(SensorDirectoryTest, PathFileWithoutProfileEndsWithoutLookingElsewhere) {
  disk.Create(kPathFile, "\n");
  disk.Create("PRD.P00", "");  // current directory
  disk.Create(std::string("\\Programme\\") + kSubPath + "PRD.P00", "");
  EXPECT_EQ(Locate(), 2);
  EXPECT_EQ(console.output, kMissing);
}

TEST_F(SensorDirectoryTest, WithoutPathFileCurrentDirectoryFirst) {
  disk.Create("PRD.P00", "");
  disk.Create(std::string("\\Programme\\") + kSubPath + "PRD.P00", "");
  ASSERT_EQ(Locate(), -1);
  EXPECT_EQ(run.sensorDirectory, "");
  EXPECT_EQ(run.profilePath, "PRD.P00");
}

TEST_F(SensorDirectoryTest, WithoutPathFileStandardDirectoriesInOrder) {
  std::string third = std::string("\\Program Files (x86)\\") + kSubPath;
  disk.Create(third + "PRD.P00", "");
  ASSERT_EQ(Locate(), -1);
  EXPECT_EQ(run.sensorDirectory,
            "\\Program Files (x86)\\PRTG Network Monitor\\Custom Sensors\\ExeXml\\");
  EXPECT_EQ(run.profilePath, third + "PRD.P00");

  std::string second = std::string("\\Program Files\\") + kSubPath;
  disk.Create(second + "PRD.P00", "");
  ASSERT_EQ(Locate(), -1);
  EXPECT_EQ(run.sensorDirectory, second);
}

TEST_F(SensorDirectoryTest, DirectoryFromCommandLinePlaysNoPart) {
  run.sensorDirectory = "D:\\Given\\";
  disk.Create("D:\\Given\\PRD.P00", "");
  EXPECT_EQ(Locate(), 2);
  EXPECT_EQ(console.output, kMissing);

  console.output.clear();
  disk.Create("PRD.P00", "");
  ASSERT_EQ(Locate(), -1);
  EXPECT_EQ(run.sensorDirectory, "");
}

}  // namespace
