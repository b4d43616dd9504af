#include "langfile/LangFileEdit.h"

#include <signal.h>
#include <sys/resource.h>

#include <gtest/gtest.h>

#include <chrono>

#include "platform/Error.h"
#include "platform/Files.h"
#include "tests/langfile/LngBuilder.h"
#include "tests/testing/ErrorOf.h"
#include "tests/testing/TempDir.h"

namespace polyverb {
namespace {

using testing::LngBuilder;
using testing::TempDir;

std::string Le16(uint16_t v) {
  return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
}
std::string Le32(uint32_t v) {
  return Le16(static_cast<uint16_t>(v)) + Le16(v >> 16);
}

TEST(TvLangFileEditTest, EmptyModelIs138Bytes) {
  TempDir dir(true);
  TvLangFileEdit file("English");
  file.Save();
  std::string bytes = testing::ReadBytes(dir / "english.lng");
  ASSERT_EQ(bytes.size(), 138u);
  EXPECT_EQ(bytes.substr(0, 6), "LF2.00");
  EXPECT_EQ(bytes.substr(132), std::string(6, '\0'));
  EXPECT_EQ(bytes, LngBuilder().Bytes());
  EXPECT_FALSE(file.IsNew());
  EXPECT_EQ(file.Header().Signature, "LF");
  EXPECT_EQ(file.Header().Version, "2.00");
}

TEST(TvLangFileEditTest, HelloAndEmptyTextIs161Bytes) {
  TempDir dir(true);
  TvLangFileEdit file("English");
  file.AddIdent(1, "Hello", 0);
  file.AddIdent(2, "", 0);
  file.Save();
  std::string bytes = testing::ReadBytes(dir / "english.lng");
  ASSERT_EQ(bytes.size(), 161u);
  EXPECT_EQ(bytes.substr(136), Le16(2) + Le16(1) + Le32(0) + Le16(0) + Le16(2) + Le32(6) + Le16(0) +
                                   std::string("Hello\0\0", 7));
  EXPECT_EQ(file.Idents()[1].Offset, 6u);
}

TEST(TvLangFileEditTest, Version150IsConvertedTo200) {
  LngBuilder old;
  old.version = "1.50";
  old.entries = {{1, 0, 0}, {2, 6, 5}, {3, 7, 0}};
  old.pool = std::string("Hello\0\0Bye\0", 11);
  auto file = TvLangFileEdit::FromBytes(old.Bytes(), "x.lng");
  LngBuilder expected;
  expected.AddString(1, "Hello");
  expected.AddString(2, "", 5);
  expected.AddString(3, "Bye");
  EXPECT_EQ(file->Serialize(), expected.Bytes());
}

TEST(TvLangFileEditTest, AllSectionsSurviveALoadSaveCycle) {
  LngBuilder b;
  b.currency = "EUR";
  b.short_date = "dd.mm.yy";
  b.first_long_month = "Januar";
  b.first_era_offset = 1988;
  b.header_word = 0x0102;
  b.header_byte = 3;
  b.header_flag = 4;
  b.font_flag = 1;
  b.fonts = {"Arial", "Tahoma"};
  b.texts = {"z", "a", "z"};
  b.groups = {{"Alpha", {{"a", 1}, {"B", 2}}}, {"beta", {{"x", 65535}}}};
  b.AddString(3, "Drei", 1);
  b.AddString(10, "Zehn\xE4", 0);
  b.AddString(10, "again", 2);
  const std::string bytes = b.Bytes();
  auto file = TvLangFileEdit::FromBytes(bytes, "x.lng");
  EXPECT_EQ(file->Serialize(), bytes);
  EXPECT_EQ(file->Serialize(), file->Serialize());
}

TEST(TvLangFileEditTest, LastNumberAndAddIdentPositions) {
  auto file = TvLangFileEdit::FromBytes("", "x.lng");
  EXPECT_EQ(file->LastNumber(), 0);
  EXPECT_EQ(file->AddIdent(1, "a", 0), 0);
  EXPECT_EQ(file->AddIdent(2, "b", 0), 1);
  EXPECT_EQ(file->AddIdent(3, "c", 0), 2);
  EXPECT_EQ(file->LastNumber(), 3);

  LngBuilder b;
  b.AddString(5, "five");
  b.AddString(9, "nine");
  auto table = TvLangFileEdit::FromBytes(b.Bytes(), "x.lng");
  EXPECT_EQ(table->AddIdent(7, "seven", 0), 1);
  EXPECT_EQ(table->AddIdent(9, "nine again", 0), 3);  // after the 9 already there
  EXPECT_EQ(table->AddIdent(3, "three", 0), 0);
  EXPECT_EQ(table->AddIdent(5, "five again", 0), 1);  // before the first 5
  std::vector<std::string> texts;
  for (const auto& rec : table->Idents()) texts.emplace_back(rec.Text);
  EXPECT_EQ(texts, (std::vector<std::string>{"three", "five again", "five", "seven", "nine",
                                             "nine again"}));
}

TEST(TvLangFileEditTest, LastNumberIsTheLastEntryNotTheLargest) {
  LngBuilder b;
  b.AddString(9, "nine");
  b.AddString(5, "five");
  auto file = TvLangFileEdit::FromBytes(b.Bytes(), "x.lng");
  EXPECT_EQ(file->LastNumber(), 5);
  EXPECT_EQ(file->LargestNumber(), 9);
}

TEST(TvLangFileEditTest, EqualTextsAreStoredTwice) {
  auto file = TvLangFileEdit::FromBytes("", "x.lng");
  file->AddIdent(1, "OK", 0);
  file->AddIdent(2, "OK", 0);
  std::string bytes = file->Serialize();
  EXPECT_EQ(bytes.substr(bytes.size() - 6), std::string("OK\0OK\0", 6));
}

// ---- limits -------------------------------------------------------------------------

TEST(TvLangFileEditTest, TooManyStringsAreRefusedBeforeWriting) {
  TempDir dir(true);
  TvLangFileEdit file("English");
  for (int i = 0; i < 65536; ++i) file.AddIdent(static_cast<uint16_t>(i), "x", 0);
  EXPECT_EQ(testing::ErrorOf([&] { file.Save(); }),
            "Cannot save language file " + (dir / "english.lng") +
                ": the string table holds 65536 entries; a language file can hold at most 65535");
  EXPECT_EQ(testing::ReadBytes(dir / "english.lng"), "");
  file.MutableIdents().pop_back();
  file.Save();
  auto again = TvLangFileEdit::ReadExisting(dir / "english.lng");
  EXPECT_EQ(again->Idents().size(), 65535u);
}

TEST(TvLangFileEditTest, ZeroByteInATextIsRefused) {
  auto file = TvLangFileEdit::FromBytes("", "x.lng");
  file->AddIdent(3, std::string("a\0b", 3), 0);
  EXPECT_EQ(testing::ErrorOf([&] { file->Serialize(); }),
            "Cannot save language file x.lng: the text of string 3 contains a zero byte");
}

// ---- failures leave the old file ----------------------------------------------------

class SaveFailureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LngBuilder b;
    b.version = "1.50";
    b.AddString(1, "Hello");
    old_ = b.Bytes();
    testing::WriteBytes(dir_ / "english.lng", old_);
  }
  void ExpectOldFileOnly() {
    EXPECT_EQ(testing::ReadBytes(dir_ / "english.lng"), old_);
    EXPECT_EQ(testing::ListDirectory(dir_.path()), std::vector<std::string>{"english.lng"});
  }
  TempDir dir_{true};
  std::string old_;
};

TEST_F(SaveFailureTest, WriteFailingAtAnyPointKeepsTheOldFileAndModel) {
  TvLangFileEdit file("English");
  file.AddIdent(2, "World", 0);
  const std::size_t full = file.Serialize().size();
  for (std::size_t budget : {std::size_t{0}, std::size_t{1}, std::size_t{100}, full - 1}) {
    testing::FailingWriter failing(budget);
    ScopedFileWriter scope(failing);
    EXPECT_EQ(testing::ErrorOf([&] { file.Save(); }),
              "Stream write error on " + (dir_ / "english.lng") + ": No space left on device")
        << budget;
    ExpectOldFileOnly();
    EXPECT_EQ(file.Header().Version, "1.50");
    EXPECT_EQ(file.Idents()[1].Offset, 0u);
  }
  file.Save();
  EXPECT_EQ(file.Header().Version, "2.00");
  EXPECT_EQ(file.Idents()[1].Offset, 6u);
}

TEST_F(SaveFailureTest, FileSizeLimitInAChildKeepsTheOldFile) {
  int code = testing::RunInChild([&] {
    signal(SIGXFSZ, SIG_IGN);
    TvLangFileEdit file("English");
    for (int i = 2; i < 200; ++i) file.AddIdent(static_cast<uint16_t>(i), "some text", 0);
    rlimit limit{150, 150};
    setrlimit(RLIMIT_FSIZE, &limit);
    try {
      file.Save();
    } catch (const Error& e) {
      return std::string(e.what()) ==
                     "Stream write error on " + (dir_ / "english.lng") + ": File too large"
                 ? 0
                 : 2;
    }
    return 3;
  });
  EXPECT_EQ(code, 0);
  ExpectOldFileOnly();
}

TEST_F(SaveFailureTest, FileHeldByAnotherProcessIsNotReplaced) {
  TvLangFileEdit file("English");
  file.AddIdent(2, "World", 0);
  testing::LockHolder other(dir_ / "english.lng");
  const ScopedLockWait short_wait(std::chrono::milliseconds(20));
  EXPECT_EQ(testing::ErrorOf([&] { file.Save(); }),
            "Cannot create file " + (dir_ / "english.lng") + ": in use by another process");
  ExpectOldFileOnly();
}

TEST_F(SaveFailureTest, MissingDirectoryCannotBeCreated) {
  auto file = TvLangFileEdit::FromBytes(old_, dir_ / "gone/english.lng");
  EXPECT_EQ(testing::ErrorOf([&] { file->Save(); }),
            "Cannot create file " + (dir_ / "gone/english.lng") + ": No such file or directory");
}

}  // namespace
}  // namespace polyverb
