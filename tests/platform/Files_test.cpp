#include "platform/Files.h"

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

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
              "Stream write error");
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
      return std::string(e.what()) == "Stream write error" ? 0 : 2;
    }
    return 3;
  });
  EXPECT_EQ(code, 0);
  EXPECT_EQ(testing::ReadBytes(dir / "f.txt"), "old content");
  EXPECT_EQ(testing::ListDirectory(dir.path()), std::vector<std::string>{"f.txt"});
}

TEST(ReplaceFileTest, FileHeldElsewhereOrUnreachableCannotBeCreated) {
  TempDir dir;
  testing::WriteBytes(dir / "f.txt", "old");
  {
    testing::LockHolder other(dir / "f.txt");
    EXPECT_EQ(testing::ErrorOf([&] { ReplaceFile(dir / "f.txt", "new"); }),
              "Cannot create file " + (dir / "f.txt"));
    EXPECT_EQ(testing::ReadBytes(dir / "f.txt"), "old");
  }
  EXPECT_EQ(testing::ErrorOf([&] { ReplaceFile(dir / "missing/f.txt", "new"); }),
            "Cannot create file " + (dir / "missing/f.txt"));
  ::mkdir((dir / "sub").c_str(), 0777);
  EXPECT_EQ(testing::ErrorOf([&] { ReplaceFile(dir / "sub", "new"); }),
            "Cannot create file " + (dir / "sub"));
}

TEST(LockedFileTest, ExclusiveOpenFailsWhileAnotherProcessHoldsTheFile) {
  TempDir dir;
  testing::WriteBytes(dir / "f", "data");
  {
    testing::LockHolder other(dir / "f");
    EXPECT_FALSE(LockedFile::OpenExisting(dir / "f").has_value());
    EXPECT_EQ(testing::ErrorOf([&] { LockedFile::CreateEmpty(dir / "f"); }),
              "Cannot create file " + (dir / "f"));
    EXPECT_EQ(testing::ErrorOf([&] { LockedFile::OpenForReading(dir / "f"); }),
              "Cannot open file " + (dir / "f"));
    EXPECT_EQ(testing::ReadBytes(dir / "f"), "data");  // never truncated under the lock
  }
  auto file = LockedFile::OpenExisting(dir / "f");
  ASSERT_TRUE(file.has_value());
  EXPECT_EQ(file->ReadAll(), "data");
  EXPECT_FALSE(LockedFile::OpenExisting(dir / "absent").has_value());
}

TEST(LockedFileTest, CreateEmptyTruncatesOrCreates) {
  TempDir dir;
  testing::WriteBytes(dir / "f", "data");
  LockedFile::CreateEmpty(dir / "f");
  LockedFile::CreateEmpty(dir / "g");
  EXPECT_EQ(testing::ReadBytes(dir / "f"), "");
  EXPECT_EQ(testing::ReadBytes(dir / "g"), "");
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

TEST(ReadWholeFileTest, ReadsBytesOrNamesTheFile) {
  TempDir dir;
  testing::WriteBytes(dir / "f", std::string("a\0b\r\n", 5));
  EXPECT_EQ(ReadWholeFile(dir / "f"), std::string("a\0b\r\n", 5));
  EXPECT_EQ(testing::ErrorOf([&] { ReadWholeFile(dir / "none"); }),
            "Cannot open file " + (dir / "none"));
  EXPECT_EQ(testing::ErrorOf([&] { ReadWholeFile(dir.path()); }), "Cannot open file " + dir.path());
}

}  // namespace
}  // namespace polyverb
