#include "run/sensor_directory.h"

#include <gtest/gtest.h>

#include "run/test_run.h"

namespace {

const char kPathFile[] = "C:\\PRTG_Path.Txt";
const std::string kSubPath = "PRTG Network Monitor\\Custom Sensors\\ExeXml\\";
const char kMissing[] =
    "<Prtg>\n<Error>1</Error>\n"
    "<Text>Error 1002: Profile PRD.P00 is missing...</Text>\n</Prtg>\n";

/// Searches for PRD.P00 on a disk holding |files| (each with no contents
/// but the path file); the directory found, or the exit code and output.
std::string Locate(const std::vector<std::string>& files, const std::string& pathFile = "",
                   const std::string& given = "") {
  TestRun t;
  t.run.profileName = "PRD.P00";
  t.run.sensorDirectory = given;
  for (const std::string& f : files) t.disk.Create(f, "");
  if (!pathFile.empty()) t.disk.Create(kPathFile, pathFile);
  int code = ExitCodeOf([&] { LocateSensorDirectory(t.run); });
  if (code != -1) return "exit " + std::to_string(code) + " " + t.console.output;
  EXPECT_EQ(t.run.profilePath, t.run.sensorDirectory + "PRD.P00");
  return t.run.sensorDirectory;
}

TEST(SensorDirectoryTest, PathFileDecides) {
  const std::string longDirectory = "F:\\" + std::string(120, 'd') + "\\";
  struct Case {
    const char* pathFile;
    std::vector<std::string> files;
    std::string found;
  } cases[] = {
      // The installation, without a trailing backslash: the short sub-path.
      {"D:\\Monitor\r\n", {"D:\\Monitor\\Custom Sensors\\ExeXml\\PRD.P00"},
       "D:\\Monitor\\Custom Sensors\\ExeXml\\"},
      // The directory above it, after a remark line: the long sub-path.
      {"Monitor lies below:\nE:\\Tools\\\n", {"E:\\Tools\\" + kSubPath + "PRD.P00"},
       "E:\\Tools\\" + kSubPath},
      // The sensor directory itself, without a line end; any length.
      {"F:\\Sensors\\", {"F:\\Sensors\\PRD.P00"}, "F:\\Sensors\\"},
      {"", {longDirectory + "PRD.P00"}, longDirectory},
      // The last directory line wins, in any of its forms.
      {"A:\\\nB:\\\nremark\n", {"A:\\PRD.P00", "B:\\PRD.P00"}, "B:\\"},
      {"B:\\\nA:\\\n", {"A:\\PRD.P00", "B:\\PRD.P00"}, "A:\\"},
      {"A:\\\nC:PRD\n", {"A:\\PRD.P00", "C:PRD\\PRD.P00"}, "C:PRD\\"},
      {"A:\\\n\\Share\n", {"A:\\PRD.P00", "\\Share\\PRD.P00"}, "\\Share\\"},
      {"A:\\\nxy\\\n", {"A:\\PRD.P00", "xy\\PRD.P00"}, "xy\\"},
      // No directory line: the root of the current drive only.
      {"nothing here\n\n", {"\\PRD.P00"}, "\\"},
      {"nothing here\n\n", {"\\" + kSubPath + "PRD.P00"}, "\\" + kSubPath},
      // A path file without the profile ends the run without looking elsewhere.
      {"\n", {"PRD.P00", "\\Programme\\" + kSubPath + "PRD.P00"},
       std::string("exit 2 ") + kMissing},
  };
  for (const Case& c : cases) {
    std::string pathFile = c.pathFile[0] ? c.pathFile : c.found + "\n";
    EXPECT_EQ(Locate(c.files, pathFile), c.found) << pathFile << " / " << c.files.back();
  }
}

TEST(SensorDirectoryTest, WithoutPathFileTheCurrentThenTheStandardDirectories) {
  const std::string x86 = "\\Program Files (x86)\\" + kSubPath;
  const std::string programs = "\\Program Files\\" + kSubPath;
  EXPECT_EQ(Locate({"PRD.P00", "\\Programme\\" + kSubPath + "PRD.P00"}), "");
  EXPECT_EQ(Locate({x86 + "PRD.P00"}),
            "\\Program Files (x86)\\PRTG Network Monitor\\Custom Sensors\\ExeXml\\");
  EXPECT_EQ(Locate({x86 + "PRD.P00", programs + "PRD.P00"}), programs);
  // A directory from the command line plays no part.
  EXPECT_EQ(Locate({"D:\\Given\\PRD.P00"}, "", "D:\\Given\\"), std::string("exit 2 ") + kMissing);
  EXPECT_EQ(Locate({"D:\\Given\\PRD.P00", "PRD.P00"}, "", "D:\\Given\\"), "");
}

}  // namespace
