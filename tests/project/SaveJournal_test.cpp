#include "project/SaveJournal.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Error.h"
#include "platform/Files.h"
#include "tests/testing/ErrorOf.h"
#include "tests/testing/TempDir.h"

namespace polyverb {
namespace {

using testing::ReadBytes;
using testing::WriteBytes;

// The n-th write fails as on a full disk; with `stays_full` every later one as well.
class FullDisk : public FileWriter {
 public:
  FullDisk(int n, bool stays_full) : left_(n), stays_full_(stays_full) {}
  void WriteAll(int fd, std::string_view data) override {
    if (--left_ == 0 || (left_ < 0 && stays_full_))
      throw StreamWriteError({}, "No space left on device");
    inner_.WriteAll(fd, data);
  }

 private:
  int left_;
  bool stays_full_;
  FileWriter& inner_ = CurrentFileWriter();
};

class SaveJournalTest : public ::testing::Test {
 protected:
  SaveJournalTest() {
    WriteBytes(dir_ / "a.dfm", "old a");
    WriteBytes(dir_ / "a.pas", "old b");
  }
  std::vector<FileUpdate> Updates() const {
    return {{dir_ / "a.dfm", "old a", "new a"}, {dir_ / "a.pas", "old b", "new b"}};
  }
  std::vector<std::string> Names() const { return testing::ListDirectory(dir_.path()); }

  testing::TempDir dir_;
};

TEST_F(SaveJournalTest, FailedWriteTakesBackTheFilesAlreadyWritten) {
  FullDisk full(3, false);  // the journal and the first file are written, the second not
  const ScopedFileWriter scoped(full);
  EXPECT_EQ(testing::ErrorOf([&] { SaveFilesTogether(dir_.path(), Updates()); }),
            "Stream write error on " + (dir_ / "a.pas") + ": No space left on device");
  EXPECT_EQ(ReadBytes(dir_ / "a.dfm"), "old a");
  EXPECT_EQ(ReadBytes(dir_ / "a.pas"), "old b");
  EXPECT_EQ(Names(), (std::vector<std::string>{"a.dfm", "a.pas"}));
}

TEST_F(SaveJournalTest, StepThatCannotBeTakenBackIsCompletedByTheNextRun) {
  {
    FullDisk full(3, true);  // taking the first file back fails as well
    const ScopedFileWriter scoped(full);
    EXPECT_EQ(testing::ErrorOf([&] { SaveFilesTogether(dir_.path(), Updates()); }),
              "Stream write error on " + (dir_ / "a.pas") + ": No space left on device");
  }
  EXPECT_EQ(ReadBytes(dir_ / "a.dfm"), "new a");
  EXPECT_EQ(ReadBytes(dir_ / "a.pas"), "old b");
  EXPECT_EQ(CompleteInterruptedSaves(dir_.path()),
            std::vector<std::string>{"Completed an interrupted save of " + (dir_ / "a.dfm") + ", " +
                                     (dir_ / "a.pas")});
  EXPECT_EQ(ReadBytes(dir_ / "a.dfm"), "new a");
  EXPECT_EQ(ReadBytes(dir_ / "a.pas"), "new b");
  EXPECT_EQ(Names(), (std::vector<std::string>{"a.dfm", "a.pas"}));
  EXPECT_EQ(CompleteInterruptedSaves(dir_.path()), std::vector<std::string>{});
}

TEST_F(SaveJournalTest, WhatOthersChangedOrHoldIsLeftAlone) {
  WriteBytes(dir_ / "a.pas", "changed by someone");
  EXPECT_EQ(testing::ErrorOf([&] { SaveFilesTogether(dir_.path(), Updates()); }),
            "File " + (dir_ / "a.pas") +
                " was changed on disk since it was read; nothing of this step was written");
  EXPECT_EQ(ReadBytes(dir_ / "a.dfm"), "old a");

  // A damaged journal goes; one a live run holds stays.
  WriteBytes(dir_ / ".polyverb-save.00000001.journal", "polyverb save journal 1\nfile 3");
  WriteBytes(dir_ / ".polyverb-save.00000002.journal", "polyverb save journal 1\n");
  {
    const testing::LockHolder live(dir_ / ".polyverb-save.00000002.journal");
    EXPECT_EQ(CompleteInterruptedSaves(dir_.path()),
              std::vector<std::string>{"Removed the damaged save journal " +
                                       (dir_ / ".polyverb-save.00000001.journal")});
  }
  EXPECT_EQ(Names(),
            (std::vector<std::string>{".polyverb-save.00000002.journal", "a.dfm", "a.pas"}));
}

}  // namespace
}  // namespace polyverb
