#include "source/SoundExtraction.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "source/LiteralExtraction.h"
#include "source/SourceText.h"

namespace polyverb {
namespace {

using Texts = std::vector<std::string>;

Texts Sound(std::string_view source, TSoundFacts* facts = nullptr) {
  const auto lines = SplitLines(source);
  TLangStrings strings;
  const TSoundFacts found = FindStringsSound(lines, strings);
  if (facts != nullptr) *facts = found;
  Texts texts;
  for (int i = 0; i < strings.Count(); ++i) texts.push_back(strings.Items(i).Text);
  return texts;
}

Texts Classic(std::string_view source) {
  const auto lines = SplitLines(source);
  TLangStrings strings;
  FindStrings(lines, strings);
  Texts texts;
  for (int i = 0; i < strings.Count(); ++i) texts.push_back(strings.Items(i).Text);
  return texts;
}

struct RuleCase {
  const char* name;
  const char* source;
  Texts sound;    // the candidates by the sound rules
  Texts classic;  // and by the classic ones, to show what changed
};

void PrintTo(const RuleCase& c, std::ostream* os) {
  *os << c.name;
}

class SoundRulesTest : public ::testing::TestWithParam<RuleCase> {};

TEST_P(SoundRulesTest, FindsTheCandidates) {
  EXPECT_EQ(Sound(GetParam().source), GetParam().sound);
  EXPECT_EQ(Classic(GetParam().source), GetParam().classic);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SoundRulesTest,
    ::testing::Values(
        RuleCase{"RecordBeforeCodeInAProgram",
                 "program r; type TP = record X: Integer; end; begin WriteLn('Hello, world'); end.",
                 {"Hello, world"},
                 {}},
        RuleCase{"ClassInTheImplementationPart",
                 "unit U; interface implementation\ntype THelper = class procedure P; end;\n"
                 "procedure THelper.P; begin Say('Helped'); end;\nend.",
                 {"Helped"},
                 {}},
        RuleCase{"VariantRecordInTheInterfacePart",
                 "unit U; interface type R = record case Integer of 1: (A: Byte); end;\n"
                 "implementation\nconst S = 'Unit level';\nprocedure P; begin Say('Code'); end;\n"
                 "end.",
                 {"Code"},
                 {"Unit level", "Code"}},
        RuleCase{"AsmBlock",
                 "program a; procedure P; begin asm db 'in asm' end; Say('After asm'); end;\n"
                 "begin Say('Main'); end.",
                 {"After asm", "Main"},
                 {"in asm"}},
        RuleCase{"ConditionalBranchesStartAlike",
                 "program c; begin\n{$IFDEF X} if A then begin {$ELSE} if B then begin {$ENDIF}\n"
                 "  Say('Inside');\nend;\nend;\nconst CTitle = 'Title';\n"
                 "procedure P(S: string = 'Default'); begin end;\nbegin end.",
                 {"Inside"},
                 {"Inside", "Title", "Default"}},
        RuleCase{"ConditionalInParenStarForm",
                 "program c; begin\n(*$IF X*) if A then begin (*$ELSE*) begin (*$IFEND*)\n"
                 "end;\nend;\nconst CTitle = 'Title';\nbegin end.",
                 {},
                 {"Title"}},
        RuleCase{"CaseLabels",
                 "program k; begin\n  case Key of\n    'q', 'Q': Say('Quit');\n"
                 "    'ab': if A then Say('Then') else Say('Else');\n"
                 "    'x'..'z': begin Say('Range'); Say('Two'); end;\n"
                 "  else\n    Say('Other'); Say('More');\n  end;\n  Say('After');\nend.",
                 {"Quit", "Then", "Else", "Range", "Two", "Other", "More", "After"},
                 {"q", "Q", "Quit", "ab", "Then", "Else", "x", "z", "Range", "Two", "Other", "More",
                  "After"}},
        RuleCase{
            "CaseArmsWithRepeatAndNestedCase",
            "program k; begin case K of\n 1: repeat Say('Loop'); Go; until Done;\n"
            " 2: case L of 'in': Say('Inner'); end;\n otherwise Say('Otherwise');\n end;\nend.",
            {"Loop", "Inner", "Otherwise"},
            {"Loop", "in", "Inner", "Otherwise"}},
        RuleCase{"CharsAndConstantsInCode",
                 "program s; begin\n  if Key in ['A'..'Z', 'ab'] then X := Ord('a');\n"
                 "  if C in['xy'] then S[1] := 'X';\n  if S = 'ab'..'cd' then;\n"
                 "  const C = 'inline'; Say('\xE2\x80\xA2'); Say('\xE2\x80\xA2 dot');\nend.",
                 {"\xE2\x80\xA2 dot"},
                 {"A", "Z", "ab", "a", "xy", "X", "ab", "cd", "inline", "\xE2\x80\xA2",
                  "\xE2\x80\xA2 dot"}},
        RuleCase{"MultiLineLiteral",
                 "program m; begin\n  Say('''\n    First\n      Second\n    ''');\nend.",
                 {"First\r\n  Second"},
                 {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SoundRulesTest, PCharArgumentsOfConstantsOnly) {
  TSoundFacts facts;
  EXPECT_EQ(Sound("program p; begin\n"
                  "  MessageBox(0, 'You won!', 'Info', 0);\n"
                  "  Application.MessageBox('Line one'#13'two', PChar(S), MB_OK);\n"
                  "  MessageBox(0, 'Hi ' + Name, nil, 0);\n"
                  "  ShowMessage('Not a PChar');\nend.",
                  &facts),
            (Texts{"You won!", "Info", "Line one", "two", "Hi ", "Not a PChar"}));
  EXPECT_EQ(facts.pchar_arguments,
            (std::vector<TPCharArgument>{
                {1, 17, 1, 27, 0, 0}, {1, 29, 1, 35, 1, 1}, {2, 26, 2, 44, 2, 3}}));
}

TEST(SoundRulesTest, HeaderAndIsoMode) {
  TSoundFacts facts;
  Sound("{$I defs.inc}\nunit U; interface implementation end.", &facts);
  EXPECT_TRUE(facts.has_header && facts.is_unit && !facts.iso_mode);
  Sound("\xEF\xBB\xBFprogram P;\n{$MODE ISO}\nbegin end.", &facts);
  EXPECT_TRUE(facts.has_header && !facts.is_unit && facts.iso_mode);
  Sound("\xEF\xBB\xBF{ marked }\nunit U; interface implementation end.", &facts);
  EXPECT_TRUE(facts.has_header && facts.is_unit);
  EXPECT_EQ(Sound("Say('No header');", &facts), Texts{});
  EXPECT_FALSE(facts.has_header);
}

TEST(IncludeFileNameTest, NamesFilesButNotSwitchesOrMacros) {
  EXPECT_EQ(IncludeFileName("{$I game.inc}"), "game.inc");
  EXPECT_EQ(IncludeFileName("{$INCLUDE defs }"), "defs");
  EXPECT_EQ(IncludeFileName("(*$i 'with blank.inc'*)"), "with blank.inc");
  EXPECT_EQ(IncludeFileName("{$I+}"), std::nullopt);
  EXPECT_EQ(IncludeFileName("{$I-}"), std::nullopt);
  EXPECT_EQ(IncludeFileName("{$I %DATE%}"), std::nullopt);
  EXPECT_EQ(IncludeFileName("{$IFDEF I}"), std::nullopt);
}

// Include files from memory: each gets the next free line numbers when first read.
TEST(SoundRulesTest, IncludedTextIsScannedWithTheStateAtTheDirective) {
  const std::map<std::string, std::vector<std::string_view>> files = {
      {"open.inc", {"begin Say('Opened');", "{$I nested.inc}"}},
      {"nested.inc", {"Say('Nested');"}},
      {"lost.inc", {}}};
  std::vector<std::string> asked;
  std::int32_t next_line = 4;
  std::map<std::string, std::int32_t> first_lines;
  const TIncludeResolver resolver = [&](std::string_view name, std::int32_t, std::int32_t line) {
    asked.push_back(std::string(name) + "@" + std::to_string(line));
    const auto it = files.find(std::string(name));
    if (it == files.end()) return std::optional<TIncludedFile>();
    const bool first = !first_lines.count(it->first);
    if (first) {
      first_lines[it->first] = next_line;
      next_line += static_cast<std::int32_t>(it->second.size());
    }
    return std::optional<TIncludedFile>(
        TIncludedFile{it->second, 1, first_lines[it->first], first});
  };
  const auto lines = SplitLines(
      "program i;\nbegin Say('Before'); end;\n{$I open.inc} Say('Between'); end;\n"
      "{$I missing.inc}{$I open.inc} end.");
  TLangStrings strings;
  FindStringsSound(lines, strings, resolver);
  std::vector<std::pair<std::string, int>> found;
  for (int i = 0; i < strings.Count(); ++i)
    found.emplace_back(strings.Items(i).Text, strings.Items(i).LineIndex);
  EXPECT_EQ(found, (std::vector<std::pair<std::string, int>>{
                       {"Before", 1}, {"Opened", 4}, {"Nested", 6}, {"Between", 2}}));
  EXPECT_EQ(asked, (std::vector<std::string>{"open.inc@2", "nested.inc@1", "missing.inc@3",
                                             "open.inc@3", "nested.inc@1"}));
}

}  // namespace
}  // namespace polyverb
