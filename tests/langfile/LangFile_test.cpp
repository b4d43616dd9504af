#include "langfile/LangFile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>

#include "langfile/LangFileEdit.h"
#include "platform/Error.h"
#include "platform/Files.h"
#include "tests/langfile/LngBuilder.h"
#include "tests/testing/ErrorOf.h"
#include "tests/testing/TempDir.h"

namespace polyverb {
namespace {

using testing::LngBuilder;
using testing::TempDir;

std::unique_ptr<TvLangFileEdit> Parse(const std::string& bytes) {
  return TvLangFileEdit::FromBytes(bytes, "/p/english.lng");
}

// ---- file names ---------------------------------------------------------------------

struct NameCase {
  PathStyle style;
  const char* cwd;
  const char* name;
  const char* expected;
};

class MakeLangFileNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(MakeLangFileNameTest, FormsTheName) {
  const NameCase& c = GetParam();
  EXPECT_EQ(MakeLangFileName(c.name, c.style, c.cwd), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MakeLangFileNameTest,
    ::testing::Values(
        // The Windows style as its users write names.
        NameCase{PathStyle::kWindows, "C:\\Work", "English", "C:\\Work\\english.lng"},
        NameCase{PathStyle::kWindows, "C:\\", "English", "C:\\\\english.lng"},
        NameCase{PathStyle::kWindows, "C:\\Work", "notes.lng.bak", "C:\\Work\\notes.lng.bak"},
        NameCase{PathStyle::kWindows, "C:\\Work", "C:\\X\\Y", "c:\\x\\y.lng"},
        NameCase{PathStyle::kWindows, "C:\\Work", "D:\\Lang\\French.LNG", "d:\\lang\\french.lng"},
        NameCase{PathStyle::kWindows, "C:\\Work", "Lang\\German", "lang\\german.lng"},
        // Here: only the last component changes case, and only it is searched for ".lng".
        NameCase{PathStyle::kPosix, "/home/ann", "English", "/home/ann/english.lng"},
        NameCase{PathStyle::kPosix, "/", "English", "/english.lng"},
        NameCase{PathStyle::kPosix, "/x", "/home/Ann/Shop/English", "/home/Ann/Shop/english.lng"},
        NameCase{PathStyle::kPosix, "/x", "Shop/Notes.LNG.bak", "Shop/notes.lng.bak"},
        NameCase{PathStyle::kPosix, "/x", "/My.lng/English", "/My.lng/english.lng"},
        NameCase{PathStyle::kPosix, "/x", "C:\\Lang\\French", "/x/c:\\lang\\french.lng"},
        NameCase{PathStyle::kPosix, "/home/ann", "\xC3\x89NGLISH", "/home/ann/\xC3\xA9nglish.lng"},
        NameCase{PathStyle::kPosix, "/home/ann", "\xC9NGLISH", "/home/ann/\xE9nglish.lng"}),
    [](const auto& info) {
      return std::string(info.param.style == PathStyle::kWindows ? "Windows" : "Posix") +
             std::to_string(info.index);
    });

// ---- reading from disk --------------------------------------------------------------

TEST(TvLangFileTest, MissingFileIsCreatedEmptyOnDisk) {
  TempDir dir(/*enter=*/true);
  TvLangFileEdit file("English");
  EXPECT_EQ(file.FileName(), dir / "english.lng");
  EXPECT_TRUE(file.IsNew());
  EXPECT_TRUE(file.Idents().empty());
  ASSERT_TRUE(testing::Exists(dir / "english.lng"));
  EXPECT_EQ(testing::ReadBytes(dir / "english.lng"), "");
}

TEST(TvLangFileTest, EmptyExistingFileGivesEmptyModel) {
  TempDir dir(true);
  testing::WriteBytes(dir / "english.lng", "");
  TvLangFileEdit file("English");
  EXPECT_TRUE(file.IsNew());
  EXPECT_EQ(file.Props().Count(), 0);
}

TEST(TvLangFileTest, ExistingFileIsReadAndNotNew) {
  TempDir dir(true);
  LngBuilder b;
  b.AddString(1, "Hello");
  testing::WriteBytes(dir / "english.lng", b.Bytes());
  TvLangFileEdit file("ENGLISH");
  EXPECT_FALSE(file.IsNew());
  ASSERT_EQ(file.Idents().size(), 1u);
  EXPECT_EQ(file.Idents()[0].Text, "Hello");
}

TEST(TvLangFileTest, FileHeldByAnotherProcessPastTheWaitCannotBeCreated) {
  TempDir dir(true);
  LngBuilder b;
  b.AddString(1, "Hello");
  testing::WriteBytes(dir / "english.lng", b.Bytes());
  testing::LockHolder other(dir / "english.lng");
  const ScopedLockWait short_wait(std::chrono::milliseconds(20));
  EXPECT_EQ(testing::ErrorOf([] { TvLangFileEdit file("English"); }),
            "Cannot create file " + (dir / "english.lng") + ": in use by another process");
  EXPECT_EQ(testing::ReadBytes(dir / "english.lng"), b.Bytes());  // not truncated
}

// A reader lets go just after the first lock attempt failed: loading must wait for the
// file and read it, never take the busy file for a missing one and empty it.
TEST(TvLangFileTest, BusyFileIsWaitedForNeverEmptied) {
  TempDir dir(true);
  LngBuilder b;
  b.AddString(1, "One");
  b.AddString(2, "Two");
  testing::WriteBytes(dir / "english.lng", b.Bytes());
  std::optional<testing::LockHolder> reader(std::in_place, dir / "english.lng", true);
  const ScopedLockRetryHook hook([&] { reader.reset(); });
  TvLangFileEdit file("English");
  ASSERT_EQ(file.Idents().size(), 2u);
  file.AddIdent(9, "Nine", 0);
  file.Save();
  b.AddString(9, "Nine");
  EXPECT_EQ(testing::ReadBytes(dir / "english.lng"), b.Bytes());
}

TEST(TvLangFileTest, MissingDirectoryCannotBeCreated) {
  TempDir dir(true);
  std::string name = dir / "no/such/french";
  EXPECT_EQ(testing::ErrorOf([&] { TvLangFileEdit file(name); }),
            "Cannot create file " + name + ".lng: No such file or directory");
}

TEST(TvLangFileTest, ReadExistingCreatesNothing) {
  TempDir dir;
  EXPECT_EQ(testing::ErrorOf([&] { TvLangFileEdit::ReadExisting(dir / "x.lng"); }),
            "Cannot open file " + (dir / "x.lng") + ": No such file or directory");
  EXPECT_FALSE(testing::Exists(dir / "x.lng"));
}

// ---- the layout ---------------------------------------------------------------------

TEST(TvLangFileReadTest, SignatureMustBeLF) {
  for (std::string start : {"lf", "LG", "XX", "L"}) {
    std::string bytes = LngBuilder().Bytes();
    bytes.replace(0, 2, start);
    EXPECT_EQ(testing::ErrorOf([&] { Parse(bytes); }),
              "Not a language file or old version (1.1): /p/english.lng")
        << start;
  }
}

TEST(TvLangFileReadTest, Version150HasTwoByteOffsets) {
  LngBuilder b;
  b.version = "1.50";
  b.entries = {{1, 0, 0}, {2, 6, 0}, {3, 7, 0}};
  b.pool = std::string("Hello\0\0Bye\0", 11);
  auto file = Parse(b.Bytes());
  EXPECT_EQ(file->OffsetSize(), 2);
  ASSERT_EQ(file->Idents().size(), 3u);
  EXPECT_EQ(file->Idents()[0].Text, "Hello");
  EXPECT_EQ(file->Idents()[1].Text, "");
  EXPECT_EQ(file->Idents()[2].Text, "Bye");
}

TEST(TvLangFileReadTest, AnyOtherVersionHasFourByteOffsets) {
  LngBuilder b;
  b.version = "9.99";
  b.AddString(7, "Seven", 3);
  auto file = Parse(b.Bytes());
  EXPECT_EQ(file->OffsetSize(), 4);
  EXPECT_EQ(file->Header().Version, "9.99");
  EXPECT_EQ(file->Idents()[0], (TvIdentRec{7, 0, "Seven", 3}));
}

TEST(TvLangFileReadTest, EntriesKeepFileOrderAndSharedOffsets) {
  LngBuilder b;
  b.entries = {{9, 0, 0}, {5, 0, 1}, {7, 2, 0}};
  b.pool = std::string("Hi\0Yo\0", 6);
  b.pool[2] = 'X';  // "HiX..." : offset 2 reads "X" up to the zero after "Yo"
  auto file = Parse(b.Bytes());
  std::vector<uint16_t> numbers;
  for (const auto& rec : file->Idents()) numbers.push_back(rec.Number);
  EXPECT_EQ(numbers, (std::vector<uint16_t>{9, 5, 7}));
  EXPECT_EQ(file->Idents()[0].Text, "HiXYo");
  EXPECT_EQ(file->Idents()[1].Text, "HiXYo");
  EXPECT_EQ(file->Idents()[2].Text, "XYo");
}

TEST(TvLangFileReadTest, TextListKeepsOrderAndDuplicates) {
  LngBuilder b;
  b.texts = {"b", "a", "b", ""};
  EXPECT_EQ(Parse(b.Bytes())->TextList(), b.texts);
}

TEST(TvLangFileReadTest, HeaderTextOverCapacityIsCutAndTheRestStaysInStep) {
  LngBuilder b;
  b.currency = "ABCDEFGHIJKLMNO";  // 15 bytes into a field that keeps 10
  b.short_date = "dd.mm.yyyy";
  b.first_long_month = "January";
  b.first_era_offset = -1900;
  b.header_word = 0xBEEF;
  b.header_byte = 0x42;
  b.header_flag = 0x99;
  b.AddString(1, "Hello");
  auto file = Parse(b.Bytes());
  EXPECT_EQ(file->Header().CurrencyString, "ABCDEFGHIJ");
  EXPECT_EQ(file->Header().ShortDateFormat, "dd.mm.yyyy");
  EXPECT_EQ(file->Header().LongMonthNames[0], "January");
  EXPECT_EQ(file->Header().EraYearOffsets[0], -1900);
  EXPECT_EQ(file->Header().HeaderWord, 0xBEEF);
  EXPECT_EQ(file->Header().HeaderByte, 0x42);
  EXPECT_EQ(file->HeaderFlag(), 0x99);
  EXPECT_EQ(file->Idents()[0].Text, "Hello");
}

TEST(TvLangFileReadTest, FontsAreRead) {
  LngBuilder b;
  b.font_flag = 3;
  b.fonts = {"Arial", "Courier New"};
  auto file = Parse(b.Bytes());
  EXPECT_EQ(file->FontFlag(), 3);
  ASSERT_EQ(file->Fonts().size(), 2u);
  EXPECT_EQ(file->GetFont(1), (TvFontItem{"Courier New", 0x1234, 7}));
  EXPECT_EQ(testing::ErrorOf([&] { file->GetFont(2); }), "List index out of bounds (2)");
}

TEST(TvLangFileReadTest, NegativeFontCountMeansNoFonts) {
  LngBuilder b;
  b.font_count_override = -5;
  b.AddString(1, "x");
  auto file = Parse(b.Bytes());
  EXPECT_TRUE(file->Fonts().empty());
  EXPECT_EQ(file->Idents()[0].Text, "x");
}

TEST(TvLangFileReadTest, GroupsMergeAndSortIgnoringCase) {
  LngBuilder b;
  b.groups = {{"Zeta", {{"b", 1}, {"A", 2}}},
              {"empty", {}},
              {"alpha", {{"x", 3}}},
              {"ZETA", {{"a", 4}, {"c", 5}}}};
  auto file = Parse(b.Bytes());
  using Item = TvLangProps::Item;
  using Group = TvLangProps::Group;
  EXPECT_EQ(file->Props().Groups(),
            (std::vector<Group>{{"alpha", {Item{"x", 3}}},
                                {"Zeta", {Item{"A", 4}, Item{"b", 1}, Item{"c", 5}}}}));
}

// ---- damaged files ------------------------------------------------------------------

TEST(TvLangFileReadTest, DamagedFilesAreNamedAndExplained) {
  LngBuilder b;
  b.AddString(1, "Hello");
  const std::string good = b.Bytes();
  const std::string prefix = "Language file /p/english.lng is damaged: ";

  EXPECT_EQ(testing::ErrorOf([&] { Parse(good.substr(0, 50)); }),
            prefix + "the header runs past the end of the file");
  EXPECT_EQ(testing::ErrorOf([&] { Parse(good.substr(0, 110)); }),
            prefix + "the font list runs past the end of the file");
  EXPECT_EQ(testing::ErrorOf([&] { Parse(good.substr(0, 140)); }),
            prefix + "the string table runs past the end of the file");

  LngBuilder outside;
  outside.entries = {{4, 6, 0}};
  outside.pool = std::string("Hello\0", 6);
  EXPECT_EQ(testing::ErrorOf([&] { Parse(outside.Bytes()); }),
            prefix + "the text of string 4 starts at offset 6, outside the text pool of 6 bytes");

  LngBuilder unterminated;
  unterminated.entries = {{4, 0, 0}};
  unterminated.pool = "Hello";
  EXPECT_EQ(testing::ErrorOf([&] { Parse(unterminated.Bytes()); }),
            prefix + "the text of string 4 has no zero byte before the end of the text pool");

  LngBuilder fonts;
  fonts.font_count_override = 0x7FFFFFFF;
  EXPECT_EQ(testing::ErrorOf([&] { Parse(fonts.Bytes()); }),
            prefix + "the font list runs past the end of the file");
}

TEST(TvLangFileReadTest, EveryTruncationLoadsOrFailsCleanly) {
  LngBuilder b;
  b.fonts = {"Arial"};
  b.texts = {"one", "two"};
  b.groups = {{"g", {{"i", 1}, {"j", 2}}}};
  b.AddString(1, "Hello");
  b.AddString(2, "World");
  const std::string good = b.Bytes();
  int loaded = 0;
  for (std::size_t length = 0; length < good.size(); ++length) {
    try {
      Parse(good.substr(0, length));
      ++loaded;
    } catch (const Error&) {
    }
  }
  // Only the empty file loads; every other cut is damaged (the last text loses its zero).
  EXPECT_EQ(loaded, 1);
  EXPECT_EQ(Parse(good)->Idents().size(), 2u);
}

}  // namespace
}  // namespace polyverb
