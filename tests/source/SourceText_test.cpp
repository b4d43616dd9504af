#include "source/SourceText.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "platform/Error.h"
#include "tests/testing/ErrorOf.h"
#include "tests/testing/TempDir.h"

namespace polyverb {
namespace {

using Lines = std::vector<std::string_view>;

struct SplitCase {
  std::string_view text;
  Lines lines;
};

class SplitLinesTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitLinesTest, EndsLinesAtCrLfCrAndLf) {
  EXPECT_EQ(SplitLines(GetParam().text), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SplitLinesTest,
    ::testing::Values(SplitCase{"", {}}, SplitCase{"a", {"a"}}, SplitCase{"a\n", {"a"}},
                      SplitCase{"a\r\n", {"a"}}, SplitCase{"a\r", {"a"}}, SplitCase{"\n", {""}},
                      SplitCase{"\r\n\r\n", {"", ""}}, SplitCase{"a\n\n", {"a", ""}},
                      SplitCase{"a\r\n\n", {"a", ""}},
                      SplitCase{"a\rb\nc\r\nd", {"a", "b", "c", "d"}},
                      SplitCase{"a\r\r\nb", {"a", "", "b"}}, SplitCase{"a\n\rb", {"a", "", "b"}},
                      SplitCase{" x \t\n\ny", {" x \t", "", "y"}}));

// The line ends are found 64 bytes at a time: a CR LF split across two blocks, and ends at
// every place in a block, must give what a byte-by-byte reading gives.
TEST(SplitLinesTest, LongTextsSplitAsByteByByte) {
  auto by_bytes = [](std::string_view text) {
    Lines lines;
    std::size_t start = 0, i = 0;
    while (i < text.size()) {
      if (text[i] != '\r' && text[i] != '\n') {
        ++i;
        continue;
      }
      lines.push_back(text.substr(start, i - start));
      i += text.substr(i, 2) == "\r\n" ? 2 : 1;
      start = i;
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
  };
  std::mt19937 random(7);
  for (int round = 0; round < 300; ++round) {
    std::string text(random() % 300, 'x');
    for (char& c : text) c = "ab\r\n"[random() % 4];
    EXPECT_EQ(SplitLines(text), by_bytes(text)) << ::testing::PrintToString(text);
    EXPECT_EQ(CountLines(text), by_bytes(text).size());
  }
}

TEST(SourceTextTest, ReadsFileIntoLineViews) {
  testing::TempDir dir;
  const std::string path = dir / "u.pas";
  testing::WriteBytes(path, "unit U;\r\ninterface\rend.\n");
  const SourceText text = ReadSourceFile(path);
  EXPECT_EQ(text.Bytes(), "unit U;\r\ninterface\rend.\n");
  EXPECT_EQ(Lines(text.Lines().begin(), text.Lines().end()),
            (Lines{"unit U;", "interface", "end."}));
}

TEST(SourceTextTest, ByteOrderMarkBelongsToNoLine) {
  const SourceText text("\xEF\xBB\xBFunit U;\nend.", "u.pas");
  EXPECT_TRUE(text.HasByteOrderMark());
  EXPECT_EQ(Lines(text.Lines().begin(), text.Lines().end()), (Lines{"unit U;", "end."}));
  EXPECT_FALSE(SourceText("unit U;", "u.pas").HasByteOrderMark());
}

TEST(SourceTextTest, RefusesMissingFileAndNulByte) {
  testing::TempDir dir;
  const std::string missing = dir / "missing.pas";
  EXPECT_EQ(testing::ErrorOf([&] { ReadSourceFile(missing); }),
            "Cannot open file " + missing + ": No such file or directory");
  EXPECT_EQ(testing::ErrorOf([&] { ReadSourceFile(dir.path()); }),
            "Cannot open file " + dir.path() + ": is a directory");

  const std::string binary = dir / "nul.pas";
  testing::WriteBytes(binary, std::string("ab\r\ncd\0ef", 9));
  EXPECT_EQ(testing::ErrorOf([&] { ReadSourceFile(binary); }),
            "Source file " + binary + " contains a NUL byte at offset 6; it is not a text file");
  EXPECT_EQ(testing::ErrorOf([] { SourceText(std::string(1, '\0'), "x.pas"); }),
            "Source file x.pas contains a NUL byte at offset 0; it is not a text file");
}

TEST(SourceTextTest, MovingKeepsViewsIntoOwnBytes) {
  // Short enough to sit in a string's inline buffer, which a plain move would copy.
  SourceText a(std::string("x\ny"), "t");
  SourceText b(std::move(a));
  SourceText c(std::string("other"), "t");
  c = std::move(b);
  ASSERT_EQ(c.Lines().size(), 2u);
  EXPECT_EQ(c.Lines()[1], "y");
  EXPECT_EQ(c.Lines()[1].data(), c.Bytes().data() + 2);
}

}  // namespace
}  // namespace polyverb
