#include "platform/Bytes.h"

#include <gtest/gtest.h>

namespace polyverb {
namespace {

TEST(BytesTest, AsciiClassesAndCaseLeaveOtherBytesAlone) {
  EXPECT_EQ(AsciiLowerCase("FieldByName[@Z]\xC9"), "fieldbyname[@z]\xC9");
  EXPECT_EQ(AsciiUpper('{'), '{');
  EXPECT_TRUE(SameTextAscii("FieldByName(", "fieldbyname("));
  EXPECT_FALSE(SameTextAscii("\xC9", "\xE9"));  // Windows-1252 E and e acute
  EXPECT_FALSE(SameTextAscii("ab", "abc"));
  EXPECT_FALSE(SameTextAscii("@", "`"));  // 0x40 and 0x60 differ by the case bit only
  EXPECT_EQ(HexDigitValue('7') + HexDigitValue('b') + HexDigitValue('F'), 7 + 11 + 15);
  EXPECT_FALSE(IsAsciiHexDigit('g'));
  EXPECT_FALSE(IsAsciiLetter('\xE9'));
}

TEST(BytesTest, LineEndIsTheFirstOneUsed) {
  EXPECT_EQ(LineEndOf("a\nb\r\n"), "\n");
  EXPECT_EQ(LineEndOf("a\r\nb\n"), "\r\n");
  EXPECT_EQ(LineEndOf("a\rb\r\n"), "\r");
  EXPECT_EQ(LineEndOf("a\r"), "\r");
  EXPECT_EQ(LineEndOf("no line end"), "\r\n");
}

TEST(BytesTest, Utf8Validity) {
  EXPECT_TRUE(IsValidUtf8(""));
  EXPECT_TRUE(IsValidUtf8("caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"));
  EXPECT_FALSE(IsValidUtf8("caf\xE9"));           // Windows-1252 e acute
  EXPECT_FALSE(IsValidUtf8("\xC3"));              // cut short
  EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));          // overlong
  EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));      // surrogate
  EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));  // past U+10FFFF
}

TEST(BytesTest, Utf8RoundTripAndMalformedSequences) {
  std::string text;
  for (std::uint32_t cp : {0x41u, 0xE9u, 0x20ACu, 0xFFFDu, 0x1F600u, 0x10FFFFu})
    AppendUtf8(text, cp);
  EXPECT_EQ(text, "A\xC3\xA9\xE2\x82\xAC\xEF\xBF\xBD\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF");
  std::vector<std::int32_t> decoded;
  for (std::size_t pos = 0; pos < text.size();) decoded.push_back(NextUtf8(text, pos));
  EXPECT_EQ(decoded, (std::vector<std::int32_t>{0x41, 0xE9, 0x20AC, 0xFFFD, 0x1F600, 0x10FFFF}));

  // A malformed sequence gives a negative value and moves on past its own bytes only.
  const std::string_view bad = "\xE2\x82x\x80";
  std::size_t pos = 0;
  EXPECT_LT(NextUtf8(bad, pos), 0);
  EXPECT_EQ(pos, 2u);
  EXPECT_EQ(NextUtf8(bad, pos), 'x');
  EXPECT_LT(NextUtf8(bad, pos), 0);
  EXPECT_EQ(pos, 4u);
}

}  // namespace
}  // namespace polyverb
