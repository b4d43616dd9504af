#include "source/LiteralExtraction.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "source/SourceText.h"

namespace polyverb {
namespace {

struct Found {
  std::string text;
  int line;  // 0-based
  int start;
  int next;
  bool operator==(const Found&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Found& f) {
  return os << "'" << f.text << "' line " << f.line << " [" << f.start << "," << f.next << ")";
}

std::vector<Found> Extract(std::string_view source) {
  const auto lines = SplitLines(source);
  TLangStrings strings;
  FindStrings(lines, strings);
  std::vector<Found> out;
  for (int i = 0; i < strings.Count(); ++i) {
    const TLangStr& s = strings.Items(i);
    EXPECT_FALSE(s.Chosen);
    out.push_back({s.Text, s.LineIndex, s.StartPos, s.NextPos});
  }
  return out;
}

std::vector<std::string> Texts(std::string_view source) {
  std::vector<std::string> texts;
  for (const auto& f : Extract(source)) texts.push_back(f.text);
  return texts;
}

using TextList = std::vector<std::string>;

TEST(FindStringsTest, UnitSkipsInterfaceDeclarationsAndInitialization) {
  const char* unit =
      "unit U;\n"
      "interface\n"
      "const SIntf = 'Interface';\n"
      "procedure P;\n"
      "implementation\n"
      "const SHello = 'Hello';\n"
      "procedure P;\n"
      "const SLocal = 'Local';\n"
      "var S: string;\n"
      "begin\n"
      "  ShowMessage('Hello');\n"
      "  try S := 'Try'; except S := 'Except'; end;\n"
      "  case S of 'A': begin S := 'Nested'; end; end;\n"
      "end;\n"
      "const SAfter = 'After';\n"
      "initialization\n"
      "  S := 'Init';\n"
      "end.\n";
  EXPECT_EQ(Texts(unit), (TextList{"Hello", "Try", "Except", "A", "Nested"}));
}

TEST(FindStringsTest, RecordsTextAndWrittenColumns) {
  EXPECT_EQ(Extract("program P;\nbegin\n  Caption := 'It''s';\nend.\n"),
            (std::vector<Found>{{"It's", 2, 14, 21}}));
}

TEST(FindStringsTest, NoStartingKeywordMeansNoCandidates) {
  EXPECT_EQ(Texts(""), TextList{});
  EXPECT_EQ(Texts("library L;\nbegin\n  ShowMessage('Hi');\nend.\n"), TextList{});
  EXPECT_EQ(Texts("package P;\nrequires rtl;\nend.\n"), TextList{});
}

TEST(FindStringsTest, KeywordsInAnyCase) {
  EXPECT_EQ(Texts("UNIT U; INTERFACE IMPLEMENTATION PROCEDURE P; BEGIN X('Yes') END; END."),
            TextList{"Yes"});
  EXPECT_EQ(Texts("Program P; Begin X('Go') End."), TextList{"Go"});
}

TEST(FindStringsTest, RecordInImplementationTakesDepthBelowZero) {
  EXPECT_EQ(Texts("unit U; interface implementation\n"
                  "type TR = record A: Integer; end;\n"
                  "procedure P; begin ShowMessage('Hidden'); end;\n"
                  "end."),
            TextList{});
}

TEST(FindStringsTest, VariantRecordInInterfaceLeavesDepthAtOne) {
  EXPECT_EQ(Texts("unit U; interface\n"
                  "type TV = record case Integer of 0: (A: Integer); end;\n"
                  "implementation\n"
                  "const S = 'Visible';\n"
                  "end."),
            TextList{"Visible"});
}

TEST(FindStringsTest, OnlyTextsWithACodeOf65OrAbove) {
  EXPECT_EQ(Texts("program P; begin X('', ' ', ', ', ':', '123', '.', '-', '@', 'a', '_', '~',"
                  " '\xE9', '1A'); end."),
            (TextList{"a", "_", "~", "\xE9", "1A"}));
}

TEST(FindStringsTest, LiteralTextsTakePartInTheKey) {
  EXPECT_EQ(Extract("program P; begin\nS := 'ab' + 'cd';\nend."),
            (std::vector<Found>{{"ab", 1, 6, 10}, {"cd", 1, 13, 17}}));
  // 'x' follows the tokens FieldBy and Name( : together a key.
  EXPECT_EQ(Texts("program P; begin X('FieldBy' 'Name(' 'x') end."),
            (TextList{"FieldBy", "Name("}));
  EXPECT_EQ(Texts("program P; begin X(FieldByName(Prefix + 'Name')) end."), TextList{"Name"});
}

struct KeyCase {
  const char* statement;
  bool excluded;
};

class ExcludeKeyTest : public ::testing::TestWithParam<KeyCase> {};

TEST_P(ExcludeKeyTest, TwoTokensBeforeDecide) {
  const std::string source = std::string("program P;\nbegin\n") + GetParam().statement + "\nend.\n";
  EXPECT_EQ(Texts(source).empty(), GetParam().excluded) << source;
}

INSTANTIATE_TEST_SUITE_P(
    Statements, ExcludeKeyTest,
    ::testing::Values(
        KeyCase{"T.FieldByName('Name');", true}, KeyCase{"T.FIELDBYNAME ( 'Name' );", true},
        KeyCase{"T.FieldByName(\n  'Name');", true},
        KeyCase{"T.FieldByName({c}(*d*)'Name');", true}, KeyCase{"Q.Filter := 'Name = 1';", true},
        KeyCase{"Q.filter:='Name = 1';", true}, KeyCase{"Q.ParamByName('Id');", true},
        KeyCase{"Q.PARAMBYNAME('Id');", true}, KeyCase{"D.DatabaseName := 'Sales';", true},
        KeyCase{"D.DataBaseName\n:= 'Sales';", true}, KeyCase{"F.FiledName := 'X';", true},
        KeyCase{"F.FieldName := 'X';", false},
        KeyCase{"X := CreateOleObject('Excel.Application');", true},
        KeyCase{"X := createoleobject ('Excel.Application');", true},
        KeyCase{"Q.Filter = 'Name';", false}, KeyCase{"Q.Filter := ('Name');", false},
        KeyCase{"ShowMessage('Name');", false}));

TEST(HasTextCharTest, CodeOf65OrAboveAsUnsignedByte) {
  for (std::string_view no : {"", " ", ", ", ":", "0123456789", ".", "-", "@", "\x01\x1F"})
    EXPECT_FALSE(HasTextChar(no)) << no;
  for (std::string_view yes : {"A", "a", "[", "`", "~", "\x7F", "\x80", "\xFF", "@A"})
    EXPECT_TRUE(HasTextChar(yes)) << yes;
}

}  // namespace
}  // namespace polyverb
