// The Windows file system on a real disk (run under Wine on Linux, where C:
// is the prefix's drive_c). Each test works in a folder of its own on C:.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#undef CopyFile
#undef ReplaceFile

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/file_system.h"

namespace {

class Win32FileSystemTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = "C:\\brindlemark-fs-" + std::to_string(GetCurrentProcessId()) + "\\";
    std::filesystem::remove_all(dir_);
    ASSERT_TRUE(CreateDirectoryA(dir_.c_str(), nullptr));
    disk_ = CreateHostFileSystem();
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }

  /// The bytes of a file as they lie on the disk; "<missing>" when none.
  static std::string Bytes(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return "<missing>";
    std::string bytes;
    int c;
    while ((c = std::fgetc(f)) != EOF) bytes += static_cast<char>(c);
    std::fclose(f);
    return bytes;
  }
  static void Put(const std::string& path, std::string_view bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
  /// The names in the test's folder.
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir_))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  std::string dir_;
  std::unique_ptr<FileSystem> disk_;
};

TEST_F(Win32FileSystemTest, ReadsInTextMode) {
  std::string contents;
  Put(dir_ + "crlf.txt", "one\r\ntwo\r\n\r\nlast");
  ASSERT_TRUE(disk_->ReadFile(dir_ + "crlf.txt", &contents));
  EXPECT_EQ(contents, "one\ntwo\n\nlast");

  // A Ctrl-Z at the end is the old end-of-file mark; one inside the file
  // must not cut off the lines after it (a rewrite would lose them).
  Put(dir_ + "ctrlz.txt", "kept\r\n\x1a" "also kept\r\n\x1a");
  ASSERT_TRUE(disk_->ReadFile(dir_ + "ctrlz.txt", &contents));
  EXPECT_EQ(contents, "kept\n\x1a" "also kept\n");

  // Lines longer than the read buffer arrive whole.
  std::string longLine(100000, 'x');
  Put(dir_ + "long.txt", longLine + "\r\nend\r\n");
  ASSERT_TRUE(disk_->ReadFile(dir_ + "long.txt", &contents));
  EXPECT_EQ(contents, longLine + "\nend\n");
}

TEST_F(Win32FileSystemTest, OnlyRegularFilesOpen) {
  std::string contents = "untouched";
  ASSERT_TRUE(CreateDirectoryA((dir_ + "sub").c_str(), nullptr));
  EXPECT_FALSE(disk_->CanOpen(dir_ + "sub"));
  EXPECT_FALSE(disk_->ReadFile(dir_ + "sub", &contents));
  EXPECT_FALSE(disk_->CanOpen(dir_ + "missing.txt"));
  EXPECT_FALSE(disk_->ReadFile(dir_ + "missing.txt", &contents));
  EXPECT_EQ(contents, "untouched");

  Put(dir_ + "there.txt", "x");
  EXPECT_TRUE(disk_->CanOpen(dir_ + "there.txt"));
  EXPECT_TRUE(disk_->CanOpen(dir_ + "THERE.TXT"));  // names ignore case
}

TEST_F(Win32FileSystemTest, PathsRelativeToDriveRootAndWorkingDirectory) {
  Put(dir_ + "profile.P00", "a\r\n");
  char saved[MAX_PATH];
  ASSERT_NE(GetCurrentDirectoryA(MAX_PATH, saved), 0u);
  ASSERT_TRUE(SetCurrentDirectoryA(dir_.c_str()));
  std::string contents;
  bool relative = disk_->ReadFile("profile.P00", &contents);
  std::string rooted = dir_.substr(2) + "profile.P00";  // "\brindlemark-fs-N\..."
  bool fromRoot = disk_->CanOpen(rooted);
  bool written = disk_->WriteFile("written.txt", "w\n");
  SetCurrentDirectoryA(saved);

  EXPECT_TRUE(relative);
  EXPECT_EQ(contents, "a\n");
  EXPECT_TRUE(fromRoot) << rooted;
  EXPECT_TRUE(written);
  EXPECT_EQ(Bytes(dir_ + "written.txt"), "w\r\n");
}

TEST_F(Win32FileSystemTest, WritesInTextMode) {
  ASSERT_TRUE(disk_->WriteFile(dir_ + "out.txt", "one\ntwo\n"));
  EXPECT_EQ(Bytes(dir_ + "out.txt"), "one\r\ntwo\r\n");
  ASSERT_TRUE(disk_->WriteFile(dir_ + "out.txt", "x"));  // truncates
  EXPECT_EQ(Bytes(dir_ + "out.txt"), "x");

  EXPECT_FALSE(disk_->WriteFile(dir_ + "no-such-dir\\out.txt", "x"));
  ASSERT_TRUE(CreateDirectoryA((dir_ + "sub").c_str(), nullptr));
  EXPECT_FALSE(disk_->WriteFile(dir_ + "sub", "x"));
}

TEST_F(Win32FileSystemTest, ReplaceFileSwapsInTheNewContents) {
  std::string path = dir_ + "PRD.P00";
  Put(path, "old\r\n");
  ASSERT_TRUE(disk_->ReplaceFile(path, "new\nlines\n"));
  EXPECT_EQ(Bytes(path), "new\r\nlines\r\n");
  ASSERT_TRUE(disk_->ReplaceFile(dir_ + "fresh.P00", "f\n"));  // none before
  EXPECT_EQ(Bytes(dir_ + "fresh.P00"), "f\r\n");
  EXPECT_EQ(Names(), (std::vector<std::string>{"PRD.P00", "fresh.P00"}));
}

TEST_F(Win32FileSystemTest, FailedReplaceKeepsOldFileAndLeavesNoTemporary) {
  EXPECT_FALSE(disk_->ReplaceFile(dir_ + "no-such-dir\\PRD.P00", "new\n"));

  // A profile that another program holds open without leave to delete it
  // cannot be replaced.
  std::string path = dir_ + "PRD.P00";
  Put(path, "old\r\n");
  HANDLE held = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(disk_->ReplaceFile(path, "new\n"));
  CloseHandle(held);
  EXPECT_EQ(Bytes(path), "old\r\n");

  // Nor can a directory.
  ASSERT_TRUE(CreateDirectoryA((dir_ + "sub").c_str(), nullptr));
  EXPECT_FALSE(disk_->ReplaceFile(dir_ + "sub", "new\n"));

  EXPECT_EQ(Names(), (std::vector<std::string>{"PRD.P00", "sub"}));
}

TEST_F(Win32FileSystemTest, CopyFileIsByteForByte) {
  std::string every;
  for (int c = 0; c < 256; ++c) every += static_cast<char>(c);
  every += "\r\n\n\r\x1a\r\n";
  Put(dir_ + "SapRfc.PRD", every);
  ASSERT_TRUE(disk_->CopyFile(dir_ + "SapRfc.PRD", dir_ + "SapRfc.ini"));
  EXPECT_EQ(Bytes(dir_ + "SapRfc.ini"), every);

  // Copying onto the same file under another spelling keeps its contents.
  ASSERT_TRUE(disk_->CopyFile(dir_ + "SapRfc.INI", dir_ + "SapRfc.ini"));
  EXPECT_EQ(Bytes(dir_ + "SapRfc.ini"), every);

  // A missing source creates no target.
  EXPECT_FALSE(disk_->CopyFile(dir_ + "SapRfc.XYZ", dir_ + "copy.ini"));
  EXPECT_EQ(Bytes(dir_ + "copy.ini"), "<missing>");
}

TEST_F(Win32FileSystemTest, RemoveFile) {
  Put(dir_ + "Dev_Rfc.Trc", "trace");
  EXPECT_TRUE(disk_->RemoveFile(dir_ + "Dev_Rfc.Trc"));
  EXPECT_EQ(Bytes(dir_ + "Dev_Rfc.Trc"), "<missing>");
  EXPECT_FALSE(disk_->RemoveFile(dir_ + "Dev_Rfc.Trc"));
}

TEST_F(Win32FileSystemTest, LockWaitsForTheHolder) {
  std::string path = dir_ + "SapRfc.ini.lock";
  auto first = disk_->LockFile(path);
  ASSERT_NE(first, nullptr);
  std::atomic<bool> taken{false};
  std::thread other([&] {
    auto second = disk_->LockFile(path);
    taken = second != nullptr;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_FALSE(taken);
  first.reset();
  other.join();
  EXPECT_TRUE(taken);
  EXPECT_EQ(disk_->LockFile(dir_ + "no-such-dir\\x.lock"), nullptr);
}

// The result document relies on standard output being in text mode, so
// that the monitor gets CR LF line ends.
TEST(Win32Console, StandardOutputIsInTextMode) {
  std::fflush(stdout);
  int previous = _setmode(_fileno(stdout), _O_TEXT);
  EXPECT_EQ(previous, _O_TEXT);
}

}  // namespace
