#include "platform/Files.h"

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <optional>

#include "platform/Error.h"
#include "tests/testing/ErrorOf.h"
#include "tests/testing/TempDir.h"

namespace polyverb {
namespace {

using testing::TempDir;

mode_t ModeOf(const std::string& path) {
  struct stat st;
  EXPECT_EQ(::stat(path.c_str(), &st), 0);
  return st.st_mode & 07777;
}

TEST(ReplaceFileTest, NewFileGetsDefaultModeMinusUmask) {
  TempDir dir;
  mode_t old_mask = ::umask(027);
  ReplaceFile(dir / "new.txt", "content");
  ::umask(old_mask);
  EXPECT_EQ(testing::ReadBytes(dir / "new.txt"), "content");
  EXPECT_EQ(ModeOf(dir / "new.txt"), 0640u);
}

TEST(ReplaceFileTest, ReplacedFileKeepsItsMode) {
  TempDir dir;
  testing::WriteBytes(dir / "f.txt", "old");
  ::chmod((dir / "f.txt").c_str(), 0604);
  ReplaceFile(dir / "f.txt", "new content");
  EXPECT_EQ(testing::ReadBytes(dir / "f.txt"), "new content");
  EXPECT_EQ(ModeOf(dir / "f.txt"), 0604u);
  EXPECT_EQ(testing::ListDirectory(dir.path()), std::vector<std::string>{"f.txt"});
}

TEST(ReplaceFileTest, SymbolicLinkIsReplacedAtItsTarget) {
  TempDir dir;
  ::mkdir((dir / "real").c_str(), 0777);
  testing::WriteBytes(dir / "real/f.txt", "old");
  ASSERT_EQ(::symlink("real/f.txt", (dir / "link.txt").c_str()), 0);
  ReplaceFile(dir / "link.txt", "new");
  EXPECT_EQ(testing::ReadBytes(dir / "real/f.txt"), "new");
  struct stat st;
  ASSERT_EQ(::lstat((dir / "link.txt").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(testing::ListDirectory(dir / "real"), std::vector<std::string>{"f.txt"});
}

TEST(ReplaceFileTest, FailedWriteLeavesOldFileAndNoTemporary) {
  TempDir dir;
  testing::WriteBytes(dir / "f.txt", "old content");
  for (std::size_t budget : {0, 3, 9}) {
    testing::FailingWriter failing(budget);
    ScopedFileWriter scope(failing);
    EXPECT_EQ(testing::ErrorOf([&] { ReplaceFile(dir / "f.txt", "0123456789"); }),
              "Stream write error on " + (dir / "f.txt") + ": No space left on device");
    EXPECT_EQ(testing::ReadBytes(dir / "f.txt"), "old content");
    EXPECT_EQ(testing::ListDirectory(dir.path()), std::vector<std::string>{"f.txt"});
  }
}

TEST(ReplaceFileTest, DiskFullInAChildLeavesOldFile) {
  TempDir dir;
  testing::WriteBytes(dir / "f.txt", "old content");
  int code = testing::RunInChild([&] {
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{4, 4};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    try {
      ReplaceFile(dir / "f.txt", "much more than four bytes");
    } catch (const Error& e) {
      return std::string(e.what()) ==
                     "Stream write error on " + (dir / "f.txt") + ": File too large"
                 ? 0
                 : 2;
    }
    return 3;
  });
  EXPECT_EQ(code, 0);
  EXPECT_EQ(testing::ReadBytes(dir / "f.txt"), "old content");
  EXPECT_EQ(testing::ListDirectory(dir.path()), std::vector<std::string>{"f.txt"});
}

TEST(ReplaceFileTest, FailuresNameTheFileAndTheReason) {
  TempDir dir;
  const ScopedLockWait no_wait(std::chrono::milliseconds(0));
  testing::WriteBytes(dir / "f.txt", "old");
  {
    testing::LockHolder other(dir / "f.txt");
    EXPECT_EQ(testing::ErrorOf([&] { ReplaceFile(dir / "f.txt", "new"); }),
              "Cannot create file " + (dir / "f.txt") + ": in use by another process");
    EXPECT_EQ(testing::ReadBytes(dir / "f.txt"), "old");
  }
  EXPECT_EQ(testing::ErrorOf([&] { ReplaceFile(dir / "missing/f.txt", "new"); }),
            "Cannot create file " + (dir / "missing/f.txt") + ": No such file or directory");
  ::mkdir((dir / "sub").c_str(), 0777);
  EXPECT_EQ(testing::ErrorOf([&] { ReplaceFile(dir / "sub", "new"); }),
            "Cannot create file " + (dir / "sub") + ": is a directory");
  const std::string long_name = dir / std::string(300, 'x');
  EXPECT_EQ(testing::ErrorOf([&] { ReplaceFile(long_name, "new"); }),
            "Cannot create file " + long_name + ": File name too long");
}

// The temporary name must fit the name limit whatever the target's length.
TEST(ReplaceFileTest, LongestNameCanBeReplaced) {
  TempDir dir;
  const std::string name = dir / std::string(255, 'n');
  testing::WriteBytes(name, "old");
  ReplaceFile(name, "new");
  EXPECT_EQ(testing::ReadBytes(name), "new");
  EXPECT_EQ(testing::ListDirectory(dir.path()).size(), 1u);
}

// Stops the process at the first rename, as kill -9 would.
class DieAtRename : public FileWriter {
 public:
  void WriteAll(int fd, std::string_view data) override { inner_.WriteAll(fd, data); }
  bool Rename(const std::string&, const std::string&) override {
    ::raise(SIGKILL);
    return false;
  }

 private:
  FileWriter& inner_ = CurrentFileWriter();
};

TEST(ReplaceFileTest, KilledRunLeavesATemporaryOnlyAtTheRenameAndTheNextWriteRemovesIt) {
  TempDir dir;
  testing::WriteBytes(dir / "f.txt", "old");
  EXPECT_EQ(testing::RunInChild([&] {
              DieAtRename dying;
              const ScopedFileWriter scope(dying);
              ReplaceFile(dir / "f.txt", "lost");
              return 0;
            }),
            128 + SIGKILL);
  std::vector<std::string> names = testing::ListDirectory(dir.path());
  ASSERT_EQ(names.size(), 2u);
  EXPECT_TRUE(names[0].starts_with(".f.txt.") && names[0].ends_with(".tmp")) << names[0];
  // A temporary that a live writer holds is not stale.
  testing::WriteBytes(dir / ".f.txt.0123abcd.tmp", "in use");
  {
    const testing::LockHolder live(dir / ".f.txt.0123abcd.tmp");
    ReplaceFile(dir / "f.txt", "new");
    EXPECT_EQ(testing::ListDirectory(dir.path()),
              (std::vector<std::string>{".f.txt.0123abcd.tmp", "f.txt"}));
  }
  EXPECT_EQ(testing::ReadBytes(dir / "f.txt"), "new");
}

TEST(LockedFileTest, BusyFileIsWaitedForThenRefusedNeverTruncated) {
  TempDir dir;
  testing::WriteBytes(dir / "f", "data");
  {
    const ScopedLockWait short_wait(std::chrono::milliseconds(50));
    testing::LockHolder other(dir / "f");
    EXPECT_EQ(testing::ErrorOf([&] { LockedFile::OpenExisting(dir / "f"); }),
              "Cannot open file " + (dir / "f") + ": in use by another process");
    EXPECT_EQ(testing::ErrorOf([&] { LockedFile::OpenOrCreate(dir / "f"); }),
              "Cannot create file " + (dir / "f") + ": in use by another process");
    EXPECT_EQ(testing::ErrorOf([&] { LockedFile::OpenForReading(dir / "f"); }),
              "Cannot open file " + (dir / "f") + ": in use by another process");
  }
  EXPECT_EQ(LockedFile::OpenOrCreate(dir / "f").ReadAll(), "data");
  EXPECT_EQ(LockedFile::OpenOrCreate(dir / "g").ReadAll(), "");
  EXPECT_TRUE(testing::Exists(dir / "g"));
  EXPECT_FALSE(LockedFile::OpenExisting(dir / "absent").has_value());
}

// flock belongs to an inode: a writer that waited on a file another writer replaced must
// go on to the new file, and the replacing writer keeps the new file locked.
TEST(LockedFileTest, WaiterFollowsAReplacedFileAndTheReplacerKeepsItsLock) {
  TempDir dir;
  testing::WriteBytes(dir / "f", "old");
  std::optional<testing::LockHolder> other(std::in_place, dir / "f");
  const ScopedLockRetryHook hook([&] {
    if (!other) return;
    testing::WriteBytes(dir / "new", "new");
    ::rename((dir / "new").c_str(), (dir / "f").c_str());
    other.reset();
  });
  std::optional<LockedFile> file = LockedFile::OpenExisting(dir / "f");
  ASSERT_TRUE(file);
  EXPECT_EQ(file->ReadAll(), "new");

  ReplaceLockedFile(*file, "newer");
  EXPECT_EQ(file->ReadAll(), "newer");
  EXPECT_EQ(testing::RunInChild([&] {
              const ScopedLockWait no_wait(std::chrono::milliseconds(0));
              return testing::ErrorOf([&] { LockedFile::OpenExisting(dir / "f"); }) ==
                             "Cannot open file " + (dir / "f") + ": in use by another process"
                         ? 0
                         : 1;
            }),
            0);
}

// Small files come into heap memory, large ones into a mapping of their own: both must
// hold exactly the file.
TEST(ReadFileBytesTest, ReadsFilesOfAnySizeWhole) {
  TempDir dir;
  for (std::size_t size : {std::size_t{0}, std::size_t{5}, std::size_t{3} << 20}) {
    std::string content(size, 'x');
    for (std::size_t i = 0; i < size; i += 4093) content[i] = static_cast<char>(i % 251);
    testing::WriteBytes(dir / "f", content);
    const ByteBuffer bytes = ReadFileBytes(dir / "f");
    EXPECT_TRUE(bytes.View() == content) << size;
    ByteBuffer moved = ReadFileBytes(dir / "f");
    const char* data = moved.Data();
    const ByteBuffer target = std::move(moved);
    EXPECT_EQ(target.Data(), data);  // views into it stay valid
  }
  // A file that tells no size (as /proc's do) is read on into larger buffers.
  EXPECT_TRUE(ReadFileBytes("/proc/self/status").View().starts_with("Name:"));
}

TEST(ReadWholeFileTest, ReadsBytesOrNamesTheFileAndTheReason) {
  TempDir dir;
  testing::WriteBytes(dir / "f", std::string("a\0b\r\n", 5));
  EXPECT_EQ(ReadWholeFile(dir / "f"), std::string("a\0b\r\n", 5));
  EXPECT_EQ(testing::ErrorOf([&] { ReadWholeFile(dir / "none"); }),
            "Cannot open file " + (dir / "none") + ": No such file or directory");
  EXPECT_EQ(testing::ErrorOf([&] { ReadWholeFile(dir.path()); }),
            "Cannot open file " + dir.path() + ": is a directory");
}

// A FIFO would block the open for ever, /dev/zero would be read until memory runs out.
TEST(ReadWholeFileTest, SpecialFilesAreRefusedAtOnce) {
  TempDir dir;
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0666), 0);
  const std::string fifo = dir / "fifo";
  EXPECT_EQ(testing::ErrorOf([&] { ReadWholeFile(fifo); }),
            "Cannot open file " + fifo + ": not a regular file (a FIFO)");
  EXPECT_EQ(testing::ErrorOf([&] { LockedFile::OpenOrCreate(fifo); }),
            "Cannot create file " + fifo + ": not a regular file (a FIFO)");
  EXPECT_EQ(testing::ErrorOf([&] { ReplaceFile(fifo, "x"); }),
            "Cannot create file " + fifo + ": not a regular file (a FIFO)");
  EXPECT_EQ(testing::ErrorOf([&] { ReadWholeFile("/dev/zero"); }),
            "Cannot open file /dev/zero: not a regular file (a device)");
  EXPECT_EQ(testing::ErrorOf([&] { LockedFile::OpenForReading("/dev/zero"); }),
            "Cannot open file /dev/zero: not a regular file (a device)");
}

}  // namespace
}  // namespace polyverb
