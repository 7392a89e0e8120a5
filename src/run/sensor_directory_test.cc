#include "run/sensor_directory.h"

#include <gtest/gtest.h>

#include "testing/virtual_file_system.h"

namespace {

const char kPathFile[] = "C:\\PRTG_Path.Txt";
const std::string kSubPath = "PRTG Network Monitor\\Custom Sensors\\ExeXml\\";
const char kMissing[] = "missing";

/// Searches for PRD.P00 on a disk holding |files| (each with no contents
/// but the path file); the directory found, or "missing".
std::string Locate(const std::vector<std::string>& files, const std::string& pathFile = "") {
  VirtualFileSystem disk;
  for (const std::string& f : files) disk.Create(f, "");
  if (!pathFile.empty()) disk.Create(kPathFile, pathFile);
  return LocateSensorDirectory(disk, "PRD.P00").value_or(kMissing);
}

TEST(SensorDirectoryTest, PathFileDecides) {
  const std::string longDirectory = "F:\\" + std::string(120, 'd') + "\\";
  struct Case {
    const char* pathFile;
    std::vector<std::string> files;
    std::string found;
  } cases[] = {
      // The installation, without a trailing backslash: the short sub-path.
      {"D:\\Monitor\r\n",
       {"D:\\Monitor\\Custom Sensors\\ExeXml\\PRD.P00"},
       "D:\\Monitor\\Custom Sensors\\ExeXml\\"},
      // Saved by Notepad as UTF-8: the byte-order mark is no part of the
      // first line.
      {"\xEF\xBB\xBF"
       "D:\\Monitor\r\n",
       {"D:\\Monitor\\Custom Sensors\\ExeXml\\PRD.P00"},
       "D:\\Monitor\\Custom Sensors\\ExeXml\\"},
      // The directory above it, after a remark line: the long sub-path.
      {"Monitor lies below:\nE:\\Tools\\\n",
       {"E:\\Tools\\" + kSubPath + "PRD.P00"},
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
      {"\n", {"PRD.P00", "\\Programme\\" + kSubPath + "PRD.P00"}, kMissing},
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
  EXPECT_EQ(Locate({"D:\\Elsewhere\\PRD.P00"}), kMissing);
}

}  // namespace
