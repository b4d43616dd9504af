#include "source/Scanner.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "platform/Error.h"

namespace polyverb {
namespace {

struct Tok {
  TTokenKind kind;
  std::string text;
  int line;
  int pos;
  int next;
  bool operator==(const Tok&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Tok& t) {
  return os << TokenKindName(t.kind) << " '" << t.text << "' line " << t.line << " [" << t.pos
            << "," << t.next << ")";
}

std::vector<Tok> ScanAll(const std::vector<std::string_view>& lines,
                         std::initializer_list<std::string_view> keywords = {}) {
  TvScanner scanner(lines);
  for (auto k : keywords) scanner.Keywords.Add(k);
  std::vector<Tok> out;
  for (scanner.Reset(); !scanner.AtEnd(); scanner.NextToken())
    out.push_back({scanner.Kind(), std::string(scanner.Token()), scanner.LineIndex(),
                   scanner.TokenPos(), scanner.NextPos()});
  return out;
}

struct ScanCase {
  const char* name;
  std::vector<std::string_view> lines;
  std::vector<Tok> tokens;
};

void PrintTo(const ScanCase& c, std::ostream* os) {
  *os << c.name;
}

class ScannerTable : public ::testing::TestWithParam<ScanCase> {};

TEST_P(ScannerTable, YieldsTokensWithKindsAndColumns) {
  EXPECT_EQ(ScanAll(GetParam().lines), GetParam().tokens);
}

const ScanCase kScanCases[] = {
    {"Assignment",
     {"x:=1;"},
     {{tkIdentifier, "x", 0, 1, 2},
      {tkSymbol, ":=", 0, 2, 4},
      {tkNumber, "1", 0, 4, 5},
      {tkSymbol, ";", 0, 5, 6}}},
    {"DoubledQuoteKeepsWrittenWidth",
     {"  Caption := 'It''s';"},
     {{tkIdentifier, "caption", 0, 3, 10},
      {tkSymbol, ":=", 0, 11, 13},
      {tkString, "It's", 0, 14, 21},
      {tkSymbol, ";", 0, 21, 22}}},
    {"EmptyLiteral", {"''"}, {{tkString, "", 0, 1, 3}}},
    {"LiteralOfOneQuote", {"''''"}, {{tkString, "'", 0, 1, 5}}},
    {"LiteralEndingInDoubledQuote", {"'a'''"}, {{tkString, "a'", 0, 1, 6}}},
    {"UnterminatedLiteralSkipsRestOfLine",
     {"'abc", "x"},
     {{tkUnknown, "'", 0, 1, 6}, {tkIdentifier, "x", 1, 1, 2}}},
    {"UnterminatedAfterDoubledQuote",
     {"x 'a''"},
     {{tkIdentifier, "x", 0, 1, 2}, {tkUnknown, "'", 0, 3, 8}}},
    {"AdjacentPiecesAreSeparateTokens",
     {"'a'#13'b'"},
     {{tkString, "a", 0, 1, 4}, {tkUnknown, "#13", 0, 4, 7}, {tkString, "b", 0, 7, 10}}},
    {"LiteralThenWord", {"'ab'Cd"}, {{tkString, "ab", 0, 1, 5}, {tkIdentifier, "cd", 0, 5, 7}}},
    {"BraceComments",
     {"{ a } x { b }", "y"},
     {{tkIdentifier, "x", 0, 7, 8}, {tkIdentifier, "y", 1, 1, 2}}},
    {"LineComment", {"x//y", "z"}, {{tkIdentifier, "x", 0, 1, 2}, {tkIdentifier, "z", 1, 1, 2}}},
    {"BraceCommentInsideWord",
     {"x{y}z"},
     {{tkIdentifier, "x", 0, 1, 2}, {tkIdentifier, "z", 0, 5, 6}}},
    {"ParenStarCommentInsideWord",
     {"x(* y *)z"},
     {{tkIdentifier, "x", 0, 1, 2}, {tkIdentifier, "z", 0, 9, 10}}},
    {"BracketsAndCaretAreWordCharacters", {"a[i]^"}, {{tkIdentifier, "a[i]^", 0, 1, 6}}},
    {"UnderscoreWord", {"_x"}, {{tkIdentifier, "_x", 0, 1, 3}}},
    {"ClosingBracketWord", {"]"}, {{tkIdentifier, "]", 0, 1, 2}}},
    {"HexConstant", {"$FF"}, {{tkUnknown, "$ff", 0, 1, 4}}},
    {"DigitsThenLetters", {"12abc"}, {{tkUnknown, "12abc", 0, 1, 6}}},
    {"RealIsThreeTokens",
     {"1.5"},
     {{tkNumber, "1", 0, 1, 2}, {tkSymbol, ".", 0, 2, 3}, {tkNumber, "5", 0, 3, 4}}},
    {"Exponent", {"1E5"}, {{tkNumber, "1e5", 0, 1, 4}}},
    {"SignedExponent",
     {"1e+5"},
     {{tkUnknown, "1e", 0, 1, 3}, {tkSymbol, "+", 0, 3, 4}, {tkNumber, "5", 0, 4, 5}}},
    {"ColonBlankEquals", {": ="}, {{tkSymbol, ":", 0, 1, 2}, {tkSymbol, "=", 0, 3, 4}}},
    {"PairSymbols", {"<> >="}, {{tkSymbol, "<>", 0, 1, 3}, {tkSymbol, ">=", 0, 4, 6}}},
    {"TwoPoints", {".."}, {{tkSymbol, ".", 0, 1, 2}, {tkSymbol, ".", 0, 2, 3}}},
    {"AtSign", {"@x"}, {{tkSymbol, "@", 0, 1, 2}, {tkIdentifier, "x", 0, 2, 3}}},
    {"ColonAtEndOfLine", {"x:"}, {{tkIdentifier, "x", 0, 1, 2}, {tkSymbol, ":", 0, 2, 3}}},
    {"PairNeedsNoBlankBetween", {"( *"}, {{tkSymbol, "(", 0, 1, 2}, {tkSymbol, "*", 0, 3, 4}}},
    {"StrayClosers", {"} *)"}, {{tkSymbol, "}", 0, 1, 2}, {tkSymbol, "*)", 0, 3, 5}}},
    {"ParenStarParenDoesNotClose", {"(*)", "x *) y"}, {{tkIdentifier, "y", 1, 6, 7}}},
    {"BraceCommentHoldingParenStar", {"{ (* }x"}, {{tkIdentifier, "x", 0, 7, 8}}},
    {"ParenStarCommentHoldingBrace", {"(* { *)x"}, {{tkIdentifier, "x", 0, 8, 9}}},
    {"CommentOverSeveralLines",
     {"a {", "b", "c } d"},
     {{tkIdentifier, "a", 0, 1, 2}, {tkIdentifier, "d", 2, 5, 6}}},
    {"UnterminatedBlockCommentSwallowsRest", {"x (*", "y", "z"}, {{tkIdentifier, "x", 0, 1, 2}}},
    {"TabCountsOneColumn", {"\tx"}, {{tkIdentifier, "x", 0, 2, 3}}},
    {"HighByteStartsUnknownWord", {"\xE9t\xC9"}, {{tkUnknown, "\xE9t\xC9", 0, 1, 4}}},
    {"HighBytesInsideIdentifier", {"T\xC9te"}, {{tkIdentifier, "t\xC9te", 0, 1, 5}}},
    {"FormFeedIsAWordCharacter", {"\fx"}, {{tkUnknown, "\fx", 0, 1, 3}}},
    {"LiteralKeepsCommentOpeners", {"'{ // (*'"}, {{tkString, "{ // (*", 0, 1, 10}}},
    {"EmptyLinesAndBlanks", {"", "   ", "x"}, {{tkIdentifier, "x", 2, 1, 2}}},
};

INSTANTIATE_TEST_SUITE_P(Rows, ScannerTable, ::testing::ValuesIn(kScanCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ScannerTest, KeywordsMatchInAnyCase) {
  EXPECT_EQ(ScanAll({"BEGIN Begin beginx"}, {"begin"}),
            (std::vector<Tok>{{tkKeyword, "begin", 0, 1, 6},
                              {tkKeyword, "begin", 0, 7, 12},
                              {tkIdentifier, "beginx", 0, 13, 19}}));
  EXPECT_EQ(ScanAll({"end"}, {"END"}), (std::vector<Tok>{{tkKeyword, "end", 0, 1, 4}}));
}

TEST(ScannerTest, ListsAreConsultedInOrder) {
  std::vector<std::string_view> lines = {"a b c d"};
  TvScanner scanner(lines);
  scanner.Keywords.Add("a");
  scanner.WordList1.Add("A");
  scanner.WordList1.Add("b");
  scanner.WordList2.Add("b");
  scanner.WordList2.Add("C");
  std::vector<TTokenKind> kinds;
  for (scanner.Reset(); !scanner.AtEnd(); scanner.NextToken()) kinds.push_back(scanner.Kind());
  EXPECT_EQ(kinds, (std::vector<TTokenKind>{tkKeyword, tkListWord1, tkListWord2, tkIdentifier}));
  EXPECT_TRUE(scanner.InWordList1("B"));
  EXPECT_FALSE(scanner.InWordList1("c"));
  EXPECT_TRUE(scanner.InWordList2("c"));
}

TEST(ScannerTest, SourceOfOnlyCommentsIsAtEndAfterReset) {
  for (const std::vector<std::string_view>& lines :
       {std::vector<std::string_view>{}, {"  ", "{ x }", "// y", "(* z", "*)"}}) {
    TvScanner scanner(lines);
    scanner.Reset();
    EXPECT_TRUE(scanner.AtEnd());
    EXPECT_EQ(scanner.LineIndex(), static_cast<int>(lines.size()));
    EXPECT_EQ(scanner.Kind(), tkUnknown);
    EXPECT_EQ(scanner.Token(), "");
  }
}

TEST(ScannerTest, PastTheEndKeepsLastColumnsAndStaysPut) {
  std::vector<std::string_view> lines = {"  ab  ", "// c"};
  TvScanner scanner(lines);
  scanner.Reset();
  scanner.NextToken();
  for (int i = 0; i < 2; ++i) {
    EXPECT_TRUE(scanner.AtEnd());
    EXPECT_EQ(scanner.LineIndex(), 2);
    EXPECT_EQ(scanner.TokenPos(), 3);
    EXPECT_EQ(scanner.NextPos(), 5);
    EXPECT_EQ(scanner.Kind(), tkUnknown);
    EXPECT_EQ(scanner.Token(), "");
    scanner.NextToken();
  }
}

TEST(ScannerTest, ResetScansTheSameLinesAnew) {
  std::vector<std::string_view> lines = {"a 'B''c'", "(* x *) d"};
  TvScanner scanner(lines);
  auto scan = [&] {
    std::vector<Tok> out;
    for (scanner.Reset(); !scanner.AtEnd(); scanner.NextToken())
      out.push_back({scanner.Kind(), std::string(scanner.Token()), scanner.LineIndex(),
                     scanner.TokenPos(), scanner.NextPos()});
    return out;
  };
  const auto first = scan();
  EXPECT_EQ(first.size(), 3u);
  EXPECT_EQ(scan(), first);
}

TEST(ScannerTest, UnquoteString) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"''", ""},       {"''''", "'"}, {"'It''s'", "It's"}, {"'a'''", "a'"},
      {"''''''", "''"}, {"'x'", "x"},  {"'''a'", "'a"},     {"'a''''b'", "a''b"},
  };
  for (auto [literal, text] : cases) EXPECT_EQ(TvScanner::UnquoteString(literal), text) << literal;
}

TEST(ScannerTest, IsNumber) {
  for (std::string_view yes : {"0", "123", "1e5", "1E5", "-1.5e+3", "+2", "007e00"})
    EXPECT_TRUE(TvScanner::IsNumber(yes)) << yes;
  for (std::string_view no : {"", "1e", "1e+", "1.5.2", "$ff", "#13", "abc", "0x10", "inf", " 1",
                              "1 ", "12abc", "-", "e5"})
    EXPECT_FALSE(TvScanner::IsNumber(no)) << no;
}

TEST(ScannerTest, CharacterRules) {
  struct SymbolCase {
    std::string_view line;
    int pos;
    bool symbol;
    int after;
  };
  const SymbolCase symbols[] = {
      {":=", 1, true, 2}, {":", 1, true, 1},  {": =", 1, true, 1},  {"a:", 1, false, 1},
      {"a:", 2, true, 2}, {"'", 1, true, 1},  {"[", 1, false, 1},   {"<>", 1, true, 2},
      {"*)", 1, true, 2}, {"=<", 1, true, 1}, {":\t=", 1, true, 1}, {"\xAB", 1, false, 1},
  };
  for (auto c : symbols) {
    int pos = c.pos;
    EXPECT_EQ(TvScanner::IsSymbolAt(c.line, pos), c.symbol) << c.line << " @" << c.pos;
    EXPECT_EQ(pos, c.after) << c.line << " @" << c.pos;
  }

  EXPECT_TRUE(TvScanner::IsLineCommentAt("x//", 2));
  EXPECT_FALSE(TvScanner::IsLineCommentAt("x//", 3));
  EXPECT_FALSE(TvScanner::IsLineCommentAt("/ /", 1));

  std::string_view closer;
  EXPECT_TRUE(TvScanner::IsBlockCommentAt("x{", 2, closer));
  EXPECT_EQ(closer, "}");
  EXPECT_TRUE(TvScanner::IsBlockCommentAt("(*)", 1, closer));
  EXPECT_EQ(closer, "*)");
  EXPECT_FALSE(TvScanner::IsBlockCommentAt("x(", 2, closer));
  EXPECT_FALSE(TvScanner::IsBlockCommentAt("*)", 1, closer));
}

TEST(WordListTest, IndexOfIgnoresAsciiCaseAndOutOfRangeFails) {
  TWordList list;
  list.Add("Begin");
  list.Add("\xC9t\xC9");
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list.IndexOf("BEGIN"), 0);
  EXPECT_EQ(list.IndexOf("\xC9T\xC9"), 1);
  EXPECT_EQ(list.IndexOf("\xE9t\xE9"), -1);  // only A to Z fold
  EXPECT_EQ(list[0], "Begin");
  try {
    list[2];
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (2)");
  }
}

TEST(WordListTest, LongWordsAreFound) {
  const std::string long_word(100, 'q');
  TWordList list;
  list.Add(std::string(99, 'Q'));
  list.Add(long_word);
  EXPECT_TRUE(list.Contains(long_word));
  EXPECT_TRUE(list.Contains(std::string(99, 'q')));
  EXPECT_FALSE(list.Contains(std::string(98, 'q')));
  EXPECT_EQ(ScanAll({long_word}, {std::string_view(long_word)})[0].kind, tkKeyword);
}

// Directives and multi-line literals, read only when asked for: Tok's line is the first
// line, and the last line follows.
std::vector<std::pair<Tok, int>> ScanBeyond(const std::vector<std::string_view>& lines) {
  TvScanner scanner(lines);
  scanner.directives = true;
  scanner.multi_line_literals = true;
  std::vector<std::pair<Tok, int>> out;
  for (scanner.Reset(); !scanner.AtEnd(); scanner.NextToken())
    out.push_back({{scanner.Kind(), std::string(scanner.Token()), scanner.LineIndex(),
                    scanner.TokenPos(), scanner.NextPos()},
                   scanner.EndLineIndex()});
  return out;
}

TEST(ScannerBeyondTest, DirectivesAreTokensCommentsAreNot) {
  EXPECT_EQ(ScanBeyond({"{ note } {$IFDEF X}x(*$I a.inc*)", "{$IF A", "  or B} y"}),
            (std::vector<std::pair<Tok, int>>{{{tkDirective, "{$IFDEF X}", 0, 10, 20}, 0},
                                              {{tkIdentifier, "x", 0, 20, 21}, 0},
                                              {{tkDirective, "(*$I a.inc*)", 0, 21, 33}, 0},
                                              {{tkDirective, "{$IF A\n  or B}", 1, 1, 8}, 2},
                                              {{tkIdentifier, "y", 2, 9, 10}, 2}}));
  EXPECT_EQ(ScanAll({"{$IFDEF X}x"}), (std::vector<Tok>{{tkIdentifier, "x", 0, 11, 12}}));
}

TEST(ScannerBeyondTest, MultiLineLiteralIsOneToken) {
  EXPECT_EQ(ScanBeyond({"S := '''  ", "    It's", "\tTab", "      Deeper", "    ''';"}),
            (std::vector<std::pair<Tok, int>>{{{tkIdentifier, "s", 0, 1, 2}, 0},
                                              {{tkSymbol, ":=", 0, 3, 5}, 0},
                                              {{tkString, "It's\r\n\tTab\r\n  Deeper", 0, 6, 8}, 4},
                                              {{tkSymbol, ";", 4, 8, 9}, 4}}));
  // Five quotes let three stand inside; without a closing line the quotes scan as ever.
  EXPECT_EQ(ScanBeyond({"'''''", "a '''", "'''''"})[0].first.text, "a '''");
  EXPECT_EQ(ScanBeyond({"'''", "never closed"})[0].first, (Tok{tkUnknown, "'", 0, 1, 5}));
  EXPECT_EQ(ScanAll({"'''", "'''"})[0].kind, tkUnknown);
}

}  // namespace
}  // namespace polyverb
