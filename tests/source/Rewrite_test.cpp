#include "source/Rewrite.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "langfile/LangFileEdit.h"
#include "platform/Error.h"

namespace polyverb {
namespace {

struct GlueCase {
  std::string line;
  std::string literal;  // its first occurrence in line is the literal looked at
  TGlue glue;
};

std::ostream& operator<<(std::ostream& os, const GlueCase& c) {
  return os << c.line << " at " << c.literal;
}

class GlueTest : public ::testing::TestWithParam<GlueCase> {};

TEST_P(GlueTest, FindsCodesTouchingTheLiteral) {
  const GlueCase& c = GetParam();
  const auto at = c.line.find(c.literal);
  ASSERT_NE(at, std::string::npos);
  const auto start = static_cast<std::int32_t>(at + 1);
  const TGlue glue = GlueAt(c.line, start, start + static_cast<std::int32_t>(c.literal.size()));
  EXPECT_EQ(glue.before, c.glue.before);
  EXPECT_EQ(glue.after, c.glue.after);
}

constexpr TGlue kNone{false, false};
constexpr TGlue kBefore{true, false};
constexpr TGlue kAfter{false, true};
constexpr TGlue kBoth{true, true};

INSTANTIATE_TEST_SUITE_P(Codes, GlueTest,
                         ::testing::Values(GlueCase{"S := 'Tab:'#9'end';", "'Tab:'", kAfter},
                                           GlueCase{"S := 'Tab:'#9'end';", "'end'", kBefore},
                                           GlueCase{"S := #13#10'a'#13#10;", "'a'", kBoth},
                                           GlueCase{"S := #$0D'a'#$0a;", "'a'", kBoth},
                                           GlueCase{"'Start'#13", "'Start'", kAfter},
                                           GlueCase{"#13'a'", "'a'", kBefore},
                                           GlueCase{"S := ^M'a'^J;", "'a'", kBoth},
                                           GlueCase{"^M'a'", "'a'", kBefore},
                                           GlueCase{"S := 'x'^['a'^@;", "'a'", kBoth},
                                           GlueCase{"S := 'x'^^'b';", "'b'", kBefore},
                                           GlueCase{"S := 'x'^\\'b'^_;", "'b'", kBoth},
                                           GlueCase{"S := ^M^J'a';", "'a'", kBefore},
                                           GlueCase{"S := #13^J'a';", "'a'", kBefore},
                                           GlueCase{"S := #$0D^J^I'a';", "'a'", kBefore}));

INSTANTIATE_TEST_SUITE_P(
    NoCode, GlueTest,
    ::testing::Values(
        GlueCase{"if p^='Yes' then", "'Yes'", kNone}, GlueCase{"S := p^+'x';", "'x'", kNone},
        GlueCase{"X := p^['k'];", "'k'", kNone}, GlueCase{"X := f(a)^['k'];", "'k'", kNone},
        GlueCase{"X := a[1]^['k'];", "'k'", kNone}, GlueCase{"X := p^^['k'];", "'k'", kNone},
        GlueCase{"X := p^A^['k'];", "'k'", kNone}, GlueCase{"X := p1^['k'];", "'k'", kNone},
        GlueCase{"S := 'a' #13 'b';", "'a'", kNone}, GlueCase{"S := 'a' #13 'b';", "'b'", kNone},
        GlueCase{"S := 'a'+#13+'b';", "'a'", kNone}, GlueCase{"S := 'a'#;", "'a'", kNone},
        GlueCase{"S := 'a'#$;", "'a'", kNone}, GlueCase{"S := 'a'^1;", "'a'", kNone},
        GlueCase{"S := {#13}'a'{^M};", "'a'", kNone}, GlueCase{"S := (*^M*)'a';", "'a'", kNone},
        GlueCase{"S := #A'a';", "'a'", kNone}, GlueCase{"'a'", "'a'", kNone}));

TEST(ReplacementTest, SpellsTheCallWithAPlusOnEachGluedSide) {
  EXPECT_EQ(Replacement(12, kNone), "GetLangStr(12)");
  EXPECT_EQ(Replacement(1, kBefore), "+GetLangStr(1)");
  EXPECT_EQ(Replacement(0, kAfter), "GetLangStr(0)+");
  EXPECT_EQ(Replacement(65535, kBoth), "+GetLangStr(65535)+");
}

TEST(AnnotationTest, CutsAt40CharactersAndDefusesCommentMarks) {
  EXPECT_EQ(Annotation("data/world.ini"), " {data/world.ini}");
  EXPECT_EQ(Annotation("a{b}c(*d*)e\r\n"), " {a?b?c?d?e??}");
  EXPECT_EQ(Annotation("$IFDEF X"), " { $IFDEF X}");
  EXPECT_EQ(Annotation(std::string(45, 'x')), " {" + std::string(40, 'x') + "}");
  // Forty characters, not bytes, of a UTF-8 text: no sequence is cut.
  std::string accents;
  for (int i = 0; i < 41; ++i) accents += "\xC3\xA9";
  EXPECT_EQ(Annotation(accents), " {" + accents.substr(0, 80) + "}");
  EXPECT_EQ(Replacement(12, TGlue{false, true}, " {x}"), "GetLangStr(12) {x}+");
}

TEST(JoinLinesCrLfTest, EveryLineEndsWithCrLf) {
  EXPECT_EQ(JoinLinesCrLf(std::vector<std::string>{}), "");
  EXPECT_EQ(JoinLinesCrLf(std::vector<std::string>{""}), "\r\n");
  EXPECT_EQ(JoinLinesCrLf(std::vector<std::string>{"a", "", "b"}), "a\r\n\r\nb\r\n");
}

std::unique_ptr<TvLangFileEdit> TableWith(std::vector<std::uint16_t> numbers) {
  auto file = TvLangFileEdit::FromBytes({}, "/x/english.lng");
  for (std::uint16_t n : numbers) file->MutableIdents().push_back({n, 0, "t", 0});
  return file;
}

TEST(FirstFreeNumberTest, StartsAboveTheLargestNumberNotTheLast) {
  EXPECT_EQ(FirstFreeNumber(*TableWith({})), 1);
  EXPECT_EQ(FirstFreeNumber(*TableWith({1, 2, 4})), 5);
  EXPECT_EQ(FirstFreeNumber(*TableWith({9, 5})), 10);
  EXPECT_EQ(FirstFreeNumber(*TableWith({65535})), 65536);
}

std::string NumberingError(const TvLangFileEdit& file, int first, int marked) {
  try {
    CheckNumbering(file, first, marked, "u.pas");
  } catch (const Error& e) {
    return e.what();
  }
  return "";
}

TEST(CheckNumberingTest, RefusesNumbersPast65535) {
  const auto file = TableWith({65530});
  EXPECT_EQ(NumberingError(*file, 65531, 5), "");
  EXPECT_EQ(NumberingError(*file, 65531, 6),
            "Cannot number the strings marked in u.pas: /x/english.lng already uses numbers "
            "up to 65530, and 6 more would pass 65535");
  EXPECT_EQ(NumberingError(*TableWith({65535}), 65536, 0), "");
  EXPECT_EQ(NumberingError(*TableWith({65535}), 65536, 1),
            "Cannot number the strings marked in u.pas: /x/english.lng already uses numbers "
            "up to 65535, and 1 more would pass 65535");
}

TEST(CheckNumberingTest, RefusesATableOfMoreThan65535Entries) {
  const auto file = TableWith(std::vector<std::uint16_t>(65534, 1));
  EXPECT_EQ(NumberingError(*file, 2, 1), "");
  EXPECT_EQ(NumberingError(*file, 2, 2),
            "Cannot number the strings marked in u.pas: /x/english.lng holds 65534 entries, "
            "and 2 more would pass 65535");
}

}  // namespace
}  // namespace polyverb
