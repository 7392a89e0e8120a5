// The Windows file system on a real disk (under Wine on Linux, C: is the
// prefix's drive_c). Each test works in a temporary folder of its own.

#include "platform/windows_headers-win32.h"

#include <fcntl.h>
#include <io.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <set>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/file_system-win32.h"
#include "platform/file_system.h"
#include "testing/simulated_run.h"

namespace {

struct Win32FileSystemTest : testing::Test {
  /// The bytes of a file as they lie on the disk; "<missing>" when none.
  std::string Bytes(const std::string& name) const {
    return std::filesystem::exists(dir.File(name)) ? dir.Read(name) : "<missing>";
  }
  /// The names in the test's folder.
  std::set<std::string> Names() const {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path))
      names.insert(entry.path().filename().string());
    return names;
  }
  std::string At(const std::string& name) const { return dir.File(name); }
  TemporaryDirectory dir;
  std::unique_ptr<FileSystem> disk = CreateHostFileSystem();
};

TEST_F(Win32FileSystemTest, ReadsInTextMode) {
  std::string longLine(100000, 'x');  // longer than the read buffer
  // A Ctrl-Z at the end is the old end-of-file mark; one inside the file
  // must not cut off the lines after it (a rewrite would lose them).
  const char* cases[][2] = {{"one\r\ntwo\r\n\r\nlast", "one\ntwo\n\nlast"},
                            {"kept\r\n\x1a"
                             "also kept\r\n\x1a",
                             "kept\n\x1a"
                             "also kept\n"}};
  for (const auto& c : cases) {
    dir.Write("in.txt", c[0]);
    std::string contents;
    ASSERT_TRUE(disk->ReadFile(At("in.txt"), &contents));
    EXPECT_EQ(contents, c[1]);
  }
  dir.Write("long.txt", longLine + "\r\nend\r\n");
  std::string contents = "untouched";
  ASSERT_TRUE(disk->ReadFile(At("long.txt"), &contents));
  EXPECT_EQ(contents, longLine + "\nend\n");
  EXPECT_TRUE(disk->CanOpen(At("LONG.TXT")));  // names ignore case

  // Only regular files open.
  std::filesystem::create_directory(At("sub"));
  contents = "untouched";
  for (const char* name : {"sub", "missing.txt"}) {
    EXPECT_FALSE(disk->CanOpen(At(name)));
    EXPECT_FALSE(disk->ReadFile(At(name), &contents));
  }
  EXPECT_EQ(contents, "untouched");
}

TEST_F(Win32FileSystemTest, PathsRelativeToDriveRootAndWorkingDirectory) {
  ASSERT_EQ(dir.path.substr(1, 1), ":");
  dir.Write("profile.P00", "a\r\n");
  std::filesystem::path saved = std::filesystem::current_path();
  std::filesystem::current_path(dir.path);
  std::string contents;
  bool relative = disk->ReadFile("profile.P00", &contents);
  std::string rooted = At("profile.P00").substr(2);  // "\Users\...\profile.P00"
  bool fromRoot = disk->CanOpen(rooted);
  bool written = disk->WriteFile("written.txt", "w\n");
  std::filesystem::current_path(saved);
  EXPECT_TRUE(relative);
  EXPECT_EQ(contents, "a\n");
  EXPECT_TRUE(fromRoot) << rooted;
  EXPECT_TRUE(written);
  EXPECT_EQ(Bytes("written.txt"), "w\r\n");
}

TEST_F(Win32FileSystemTest, WriteReplaceCopyRemove) {
  ASSERT_TRUE(disk->WriteFile(At("out.txt"), "one\ntwo\n"));
  EXPECT_EQ(Bytes("out.txt"), "one\r\ntwo\r\n");
  ASSERT_TRUE(disk->WriteFile(At("out.txt"), "x"));  // truncates
  EXPECT_EQ(Bytes("out.txt"), "x");
  std::filesystem::create_directory(At("sub"));
  EXPECT_FALSE(disk->WriteFile(At("sub"), "x"));
  EXPECT_FALSE(disk->WriteFile(At("no-such-dir\\out.txt"), "x"));

  dir.Write("PRD.P00", "old\r\n");
  ASSERT_TRUE(disk->ReplaceFile(At("PRD.P00"), "new\nlines\n"));
  EXPECT_EQ(Bytes("PRD.P00"), "new\r\nlines\r\n");
  ASSERT_TRUE(disk->ReplaceFile(At("fresh.P00"), "f\n"));  // none before
  EXPECT_EQ(Bytes("fresh.P00"), "f\r\n");
  // A failed replacement keeps the old file and leaves no temporary one:
  // a profile that another program holds open without leave to delete it.
  HANDLE held = CreateFileA(At("PRD.P00").c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(disk->ReplaceFile(At("PRD.P00"), "newer\n"));
  CloseHandle(held);
  EXPECT_EQ(Bytes("PRD.P00"), "new\r\nlines\r\n");
  EXPECT_FALSE(disk->ReplaceFile(At("sub"), "new\n"));
  EXPECT_FALSE(disk->ReplaceFile(At("no-such-dir\\PRD.P00"), "new\n"));
  EXPECT_EQ(Names(), (std::set<std::string>{"PRD.P00", "fresh.P00", "out.txt", "sub"}));

  std::string every;
  for (int c = 0; c < 256; ++c) every += static_cast<char>(c);
  every += "\r\n\n\r\x1a\r\n";
  dir.Write("SapRfc.PRD", every);
  ASSERT_TRUE(disk->CopyFile(At("SapRfc.PRD"), At("SapRfc.ini")));
  EXPECT_EQ(Bytes("SapRfc.ini"), every);
  // Onto the same file under another spelling: the contents stay.
  ASSERT_TRUE(disk->CopyFile(At("SapRfc.INI"), At("SapRfc.ini")));
  EXPECT_EQ(Bytes("SapRfc.ini"), every);
  EXPECT_FALSE(disk->CopyFile(At("SapRfc.XYZ"), At("copy.ini")));
  EXPECT_EQ(Bytes("copy.ini"), "<missing>");

  EXPECT_TRUE(disk->RemoveFile(At("SapRfc.ini")));
  EXPECT_EQ(Bytes("SapRfc.ini"), "<missing>");
  EXPECT_FALSE(disk->RemoveFile(At("SapRfc.ini")));
}

TEST_F(Win32FileSystemTest, ReplaceWaitsForAPassingReader) {
  dir.Write("PRD.P00", "old\r\n");
  // A reader without leave to delete holds the profile for a moment.
  HANDLE held = CreateFileA(At("PRD.P00").c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  std::thread reader([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    CloseHandle(held);
  });
  bool replaced = disk->ReplaceFile(At("PRD.P00"), "new\n");
  reader.join();
  EXPECT_TRUE(replaced);
  EXPECT_EQ(Bytes("PRD.P00"), "new\r\n");

  EXPECT_EQ(Names(), std::set<std::string>{"PRD.P00"});
}

TEST_F(Win32FileSystemTest, ReplaceKeepsWhatTheAdministratorSet) {
  dir.Write("PRD.P00", "old\r\n");
  SetFileAttributesA(At("PRD.P00").c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(disk->ReplaceFile(At("PRD.P00"), "new\n"));
  EXPECT_EQ(Bytes("PRD.P00"), "old\r\n");
  SetFileAttributesA(At("PRD.P00").c_str(), FILE_ATTRIBUTE_HIDDEN);
  ASSERT_TRUE(disk->ReplaceFile(At("PRD.P00"), "new\n"));
  EXPECT_EQ(Bytes("PRD.P00"), "new\r\n");
  EXPECT_NE(GetFileAttributesA(At("PRD.P00").c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);

  // Leftovers of killed runs older than a quarter of an hour go; others stay.
  std::string stale = "prd.p00.brindlemark-4711-abcdef01.tmp";
  std::string recent = "PRD.P00.brindlemark-4712-12345678.tmp";
  std::string otherProfile = "QAS.P00.brindlemark-4711-abcdef01.tmp";
  for (const std::string& name : {stale, recent, otherProfile}) {
    dir.Write(name, "leftover");
    if (name != recent)
      std::filesystem::last_write_time(
          At(name), std::filesystem::last_write_time(At(name)) - std::chrono::minutes(16));
  }
  ASSERT_TRUE(disk->ReplaceFile(At("PRD.P00"), "newer\n"));
  EXPECT_EQ(Names(), (std::set<std::string>{"PRD.P00", recent, otherProfile}));
}

TEST_F(Win32FileSystemTest, ReplacesALinkAtItsTarget) {
  std::filesystem::create_directory(At("real"));
  dir.Write("real\\QAS.P00", "old\r\n");
  // Wine reports success but makes no link.
  if (!CreateSymbolicLinkA(At("QAS.P00").c_str(), At("real\\QAS.P00").c_str(), 0) ||
      !std::filesystem::is_symlink(At("QAS.P00")))
    GTEST_SKIP() << "no symbolic links here";
  ASSERT_TRUE(disk->ReplaceFile(At("QAS.P00"), "new\n"));
  EXPECT_TRUE(std::filesystem::is_symlink(At("QAS.P00")));
  EXPECT_EQ(Bytes("real\\QAS.P00"), "new\r\n");
}

// The new file's data reaches the disk before the move puts it in place:
// the flush is made on the temporary file while the profile still holds
// the old contents, and it succeeds.
TEST_F(Win32FileSystemTest, ReplaceFlushesTheNewFileBeforeTheMove) {
  dir.Write("PRD.P00", "old\r\n");
  std::vector<std::string> flushed;  // the flushed file's name, the profile then
  std::unique_ptr<FileSystem> flushing = CreateWin32FileSystem([&](void* handle) {
    wchar_t name[4 * MAX_PATH];
    DWORD n = GetFinalPathNameByHandleW(static_cast<HANDLE>(handle), name, 4 * MAX_PATH, 0);
    std::string file = std::filesystem::path(std::wstring(name, n)).filename().string();
    flushed.push_back(file.substr(0, file.find(".brindlemark-")) + " / " + Bytes("PRD.P00"));
    return FlushFileBuffers(static_cast<HANDLE>(handle)) != 0;
  });
  ASSERT_TRUE(flushing->ReplaceFile(At("PRD.P00"), "new\n"));
  EXPECT_EQ(flushed, std::vector<std::string>{"PRD.P00 / old\r\n"});
  EXPECT_EQ(Bytes("PRD.P00"), "new\r\n");

  // A failed flush leaves the old file.
  std::unique_ptr<FileSystem> failing = CreateWin32FileSystem([](void*) { return false; });
  EXPECT_FALSE(failing->ReplaceFile(At("PRD.P00"), "newer\n"));
  EXPECT_EQ(Bytes("PRD.P00"), "new\r\n");
  EXPECT_EQ(Names(), std::set<std::string>{"PRD.P00"});
}

TEST_F(Win32FileSystemTest, LockWaitsAtMostTheTimeout) {
  using std::chrono::milliseconds;
  auto first = disk->LockFile(At("SapRfc.ini.lock"), milliseconds(100));
  ASSERT_NE(first, nullptr);
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(disk->LockFile(At("SapRfc.ini.lock"), milliseconds(150)), nullptr);
  EXPECT_GE(std::chrono::steady_clock::now() - start, milliseconds(150));

  std::atomic<bool> taken{false};
  std::thread other(
      [&] { taken = disk->LockFile(At("SapRfc.ini.lock"), milliseconds(10000)) != nullptr; });
  std::this_thread::sleep_for(milliseconds(200));
  EXPECT_FALSE(taken);
  first.reset();
  other.join();
  EXPECT_TRUE(taken);
  EXPECT_EQ(disk->LockFile(At("no-such-dir\\x.lock"), milliseconds(10)), nullptr);
}

// The result document relies on standard output being in text mode, so
// that the monitor gets CR LF line ends.
TEST(Win32Console, StandardOutputIsInTextMode) {
  std::fflush(stdout);
  EXPECT_EQ(_setmode(_fileno(stdout), _O_TEXT), _O_TEXT);
}

}  // namespace
