// The POSIX file system on a real disk, in a temporary folder per test.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/file_system.h"
#include "platform/host_paths-posix.h"
#include "platform/temporary_name.h"
#include "testing/temporary_directory.h"

namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;
using std::chrono::steady_clock;

struct PosixFileSystemTest : testing::Test {
  PosixFileSystemTest() : dir(temporary.path) { disk = CreatePosixFileSystem(HostPaths{dir, dir}); }

  std::string At(const std::string& name) const { return temporary.File(name); }
  void Write(const std::string& name, const std::string& contents) const {
    temporary.Write(name, contents);
  }
  std::string Bytes(const std::string& name) const { return temporary.Read(name); }
  std::set<std::string> Names() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir))
      names.insert(entry.path().filename().string());
    return names;
  }
  mode_t Mode(const std::string& name) const {
    struct stat st;
    return ::stat(At(name).c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
  }

  TemporaryDirectory temporary;
  std::string dir;
  std::unique_ptr<FileSystem> disk;
};

TEST_F(PosixFileSystemTest, LockWaitsAtMostTheTimeout) {
  auto held = disk->LockFile("SapRfc.ini.lock", milliseconds(100));
  ASSERT_NE(held, nullptr);
  // Another open file description conflicts like another process.
  auto start = steady_clock::now();
  EXPECT_EQ(disk->LockFile("SapRfc.ini.lock", milliseconds(150)), nullptr);
  auto waited = steady_clock::now() - start;
  EXPECT_GE(waited, milliseconds(150));
  EXPECT_LT(waited, milliseconds(1500));

  // Released while the other waits: the other gets it.
  std::thread holder([&] {
    std::this_thread::sleep_for(milliseconds(200));
    held.reset();
  });
  start = steady_clock::now();
  auto second = disk->LockFile("SapRfc.ini.lock", milliseconds(10000));
  holder.join();
  EXPECT_NE(second, nullptr);
  EXPECT_LT(steady_clock::now() - start, milliseconds(5000));
  EXPECT_EQ(disk->LockFile("no-such-dir/x.lock", milliseconds(10)), nullptr);
}

TEST_F(PosixFileSystemTest, SpecialFilesCountAsMissing) {
  ASSERT_EQ(::mkfifo(At("SapRfc.PRD").c_str(), 0666), 0);
  fs::create_directory(At("PRD.P00"));
  auto native = CreateNativeFileSystem();
  for (const std::string& name : {At("SapRfc.PRD"), At("PRD.P00"), std::string("/dev/null")}) {
    std::string contents = "untouched";
    EXPECT_FALSE(native->ReadFile(name, &contents)) << name;
    EXPECT_EQ(contents, "untouched");
    EXPECT_FALSE(native->CanOpen(name)) << name;
    EXPECT_FALSE(native->CopyFile(name, At("SapRfc.ini"))) << name;
    EXPECT_FALSE(native->WriteFile(name, "x")) << name;
    EXPECT_FALSE(native->ReplaceFile(name, "x")) << name;
  }
  struct stat st;
  ASSERT_EQ(::lstat(At("SapRfc.PRD").c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  EXPECT_EQ(Names(), (std::set<std::string>{"SapRfc.PRD", "PRD.P00"}));
}

TEST_F(PosixFileSystemTest, ReplaceKeepsWhatTheAdministratorSet) {
  Write("PRD.P00", "old\n");
  ::chmod(At("PRD.P00").c_str(), 0640);
  ASSERT_TRUE(disk->ReplaceFile("PRD.P00", "new\n"));
  EXPECT_EQ(Bytes("PRD.P00"), "new\n");
  EXPECT_EQ(Mode("PRD.P00"), 0640u);

  // Read-only: not replaced, even for root.
  ::chmod(At("PRD.P00").c_str(), 0444);
  EXPECT_FALSE(disk->ReplaceFile("PRD.P00", "newer\n"));
  EXPECT_EQ(Bytes("PRD.P00"), "new\n");
  EXPECT_EQ(Mode("PRD.P00"), 0444u);
  ::chmod(At("PRD.P00").c_str(), 0600);

  // A link is replaced at its target and stays a link.
  fs::create_directory(At("real"));
  Write("real/QAS.P00", "old\n");
  fs::create_symlink("real/QAS.P00", At("QAS.P00"));
  ASSERT_TRUE(disk->ReplaceFile("QAS.P00", "new\n"));
  EXPECT_TRUE(fs::is_symlink(At("QAS.P00")));
  EXPECT_EQ(Bytes("real/QAS.P00"), "new\n");
  fs::create_symlink("real/gone.P00", At("DEV.P00"));
  EXPECT_FALSE(disk->ReplaceFile("DEV.P00", "new\n"));
  EXPECT_TRUE(fs::is_symlink(At("DEV.P00")));

  ASSERT_TRUE(disk->ReplaceFile("fresh.P00", "f\n"));  // none before
  EXPECT_EQ(Bytes("fresh.P00"), "f\n");
  EXPECT_FALSE(disk->ReplaceFile("no-such-dir/PRD.P00", "x"));
  EXPECT_EQ(Names(), (std::set<std::string>{"PRD.P00", "QAS.P00", "DEV.P00", "real", "fresh.P00"}));
  EXPECT_EQ(fs::directory_iterator(At("real"))->path().filename(), "QAS.P00");
}

TEST_F(PosixFileSystemTest, ReplaceRemovesItsStaleTemporaries) {
  Write("PRD.P00", "old\n");
  std::string stale = TemporaryName("PRD.P00", 4711, 0xabcdef01);
  std::string recent = TemporaryName("PRD.P00", 4712, 0x12345678);
  std::string otherProfile = TemporaryName("QAS.P00", 4711, 0xabcdef01);
  std::string lookalike = "PRD.P00.brindlemark-x-1.tmp";
  for (const std::string& name : {stale, recent, otherProfile, lookalike}) {
    Write(name, "leftover");
    if (name != recent) {
      auto old = fs::last_write_time(At(name)) - std::chrono::minutes(16);
      fs::last_write_time(At(name), old);
    }
  }
  ASSERT_TRUE(disk->ReplaceFile("PRD.P00", "new\n"));
  EXPECT_EQ(Names(), (std::set<std::string>{"PRD.P00", recent, otherProfile, lookalike}));
}

// A power cut leaves the old profile or the new one: the new file is
// flushed before the rename, the directory that holds the new name after.
TEST_F(PosixFileSystemTest, ReplaceFlushesTheFileThenTheDirectory) {
  Write("PRD.P00", "old\n");
  std::vector<std::string> flushes;  // what was flushed, and the profile then
  auto flushing = CreatePosixFileSystem(HostPaths{dir, dir}, [&](int fd) {
    struct stat st;
    ::fstat(fd, &st);
    flushes.push_back((S_ISDIR(st.st_mode) ? "directory / " : "file / ") + Bytes("PRD.P00"));
    return ::fsync(fd);
  });
  ASSERT_TRUE(flushing->ReplaceFile("PRD.P00", "new\n"));
  EXPECT_EQ(flushes, (std::vector<std::string>{"file / old\n", "directory / new\n"}));

  // A file that cannot be flushed is not put in place.
  auto failing = CreatePosixFileSystem(HostPaths{dir, dir}, [](int) {
    errno = EIO;
    return -1;
  });
  EXPECT_FALSE(failing->ReplaceFile("PRD.P00", "newer\n"));
  EXPECT_EQ(Bytes("PRD.P00"), "new\n");
  EXPECT_EQ(Names(), std::set<std::string>{"PRD.P00"});
}

// Profile names up to the file system's limit are rewritten; the cut
// temporary names of a long one are still cleaned up.
TEST_F(PosixFileSystemTest, ReplacesAFileWithALongName) {
  std::string name = std::string(226, 'P') + ".P00";
  Write(name, "old\n");
  std::string stale = TemporaryName(name, 4294967295UL, 0xabcdef01);
  EXPECT_LE(stale.size(), kMaxFileNameLength);
  Write(stale, "leftover");
  fs::last_write_time(At(stale), fs::last_write_time(At(stale)) - std::chrono::minutes(16));
  ASSERT_TRUE(disk->ReplaceFile(name, "new\n"));
  EXPECT_EQ(Bytes(name), "new\n");
  EXPECT_EQ(Names(), std::set<std::string>{name});
}

TEST(TemporaryNameTest, NamesOfOneFileOnly) {
  std::string name = TemporaryName("PRD.P00", 123, 0xbeef);
  EXPECT_EQ(name, "PRD.P00.brindlemark-123-0000beef.tmp");
  EXPECT_TRUE(IsTemporaryNameOf(name, "PRD.P00", true));
  EXPECT_FALSE(IsTemporaryNameOf(name, "prd.p00", true));
  EXPECT_TRUE(IsTemporaryNameOf("prd.p00.BRINDLEMARK-1-A.TMP", "PRD.P00", false));
  for (const char* other : {"PRD.P00", "PRD.P00.brindlemark-.tmp", "PRD.P00.brindlemark-1-.tmp",
                            "PRD.P00.brindlemark-1-zz.tmp", "PRD.P00.brindlemark-12.tmp",
                            "PRD.P0.brindlemark-1-a.tmp", "PRD.P00.brindlemark-1-a.tmp.x"})
    EXPECT_FALSE(IsTemporaryNameOf(other, "PRD.P00", true)) << other;

  // A long name is cut before the UTF-8 character that would overrun.
  std::string head(218, 'a');
  std::string longName = head + "\xC3\xA9" + std::string(40, 'b');
  EXPECT_EQ(TemporaryNameStem(longName), head);
  EXPECT_TRUE(IsTemporaryNameOf(TemporaryName(longName, 1, 2), longName, true));
}

}  // namespace
