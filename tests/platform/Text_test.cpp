#include "platform/Text.h"

#include <gtest/gtest.h>

#include "platform/Bytes.h"
#include "platform/PathStyle.h"

namespace polyverb {
namespace {

TEST(TextTest, DecodingFollowsTheTwoEncodingRule) {
  EXPECT_EQ(DecodeToUtf8("caf\xC3\xA9"), "caf\xC3\xA9");
  EXPECT_EQ(DecodeToUtf8("caf\xE9 \x80"), "caf\xC3\xA9 \xE2\x82\xAC");
  // Bytes Windows-1252 leaves undefined still map to a character each.
  EXPECT_EQ(DecodeToUtf8("\x81\x8D"), "\xC2\x81\xC2\x8D");
}

TEST(TextTest, Windows1252RoundTripsEveryByte) {
  std::string bytes;
  for (int b = 0; b < 256; ++b) bytes += static_cast<char>(b);
  const std::string utf8 = Windows1252ToUtf8(bytes);
  EXPECT_TRUE(IsValidUtf8(utf8));
  std::string back = "stale";
  EXPECT_EQ(Utf8ToWindows1252(utf8, back), std::nullopt);
  EXPECT_EQ(back, bytes);
  // The first character Windows-1252 cannot hold, or a malformed sequence, stops it.
  EXPECT_EQ(Utf8ToWindows1252("\xE2\x82\xAC \xC5\x81 \xD0\x96", back), 0x141);  // L stroke
  EXPECT_LT(Utf8ToWindows1252("ok \xC3", back).value_or(0), 0);
}

TEST(TextTest, LowerCaseKeepsTheEncoding) {
  EXPECT_EQ(LowerCase("ENGLISH"), "english");
  EXPECT_EQ(LowerCase("\xC3\x89NGLISH \xD0\x9F"), "\xC3\xA9nglish \xD0\xBF");  // UTF-8
  EXPECT_EQ(LowerCase("\xC9NGLISH \x8A"), "\xE9nglish \x9A");  // Windows-1252, S caron too
  EXPECT_EQ(LowerCase("A\x81Z"), "a\x81z");                    // a byte with no lower case stays
  // One character to one, whatever the context: the run-time units must find the file.
  EXPECT_EQ(LowerCase("\xCE\x9F\xCE\xA3"), "\xCE\xBF\xCF\x83");  // final capital sigma
  EXPECT_EQ(LowerCase("\xC4\xB0"), "i");                         // dotted capital I
}

TEST(TextTest, CompareIgnoresLetterCaseOnly) {
  EXPECT_EQ(CompareText("Zeta", "zeta"), 0);
  EXPECT_EQ(CompareText("\xC3\x84pfel", "\xC3\xA4PFEL"), 0);
  EXPECT_EQ(CompareText("\xC4pfel", "\xC3\xA4pfel"), 0);  // same text in either encoding
  EXPECT_LT(CompareText("apple", "Banana"), 0);
  EXPECT_LT(CompareText("\xC3\xA4pfel", "zebra"), 0);  // a umlaut sorts with a, not after z
  EXPECT_NE(CompareText("ab",
                        "a\x01"
                        "b"),
            0);  // control characters are not ignored
  EXPECT_NE(CompareText("resume", "r\xC3\xA9sum\xC3\xA9"), 0);
}

TEST(PathStyleTest, DelimitersOfEachStyle) {
  EXPECT_EQ(FileNamePart(PathStyle::kWindows, "D:\\Work\\Main.pas"), "Main.pas");
  EXPECT_EQ(FileNamePart(PathStyle::kWindows, "D:Main.pas"), "Main.pas");
  EXPECT_EQ(FileNamePart(PathStyle::kPosix, "/home/ann/Main.pas"), "Main.pas");
  EXPECT_EQ(FileNamePart(PathStyle::kPosix, "a\\b:Main.pas"), "a\\b:Main.pas");
  EXPECT_FALSE(HasDirectoryPart(PathStyle::kPosix, "English"));
  EXPECT_TRUE(HasDirectoryPart(PathStyle::kWindows, "C:English"));
}

}  // namespace
}  // namespace polyverb
