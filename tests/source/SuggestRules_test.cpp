#include "source/SuggestRules.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "source/SourceText.h"

namespace polyverb {
namespace {

// The suggestion for the first literal of `statement`, standing in a routine of a unit
// (after `prefix`, which may hold a uses clause).
TSuggestion SuggestIn(const std::string& statement, const std::string& prefix = "") {
  const std::string source = "unit U;\ninterface\nimplementation\n" + prefix +
                             "\nprocedure P;\nbegin\n  " + statement + "\nend;\nend.\n";
  const std::vector<std::string_view> lines = SplitLines(source);
  // The literal is found by its quote, so that every literal is judged, candidate or not.
  TLangStrings strings;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::size_t open = lines[i].find('\'');
    if (open == std::string_view::npos || lines[i].substr(0, 5) == "unit ") continue;
    const std::size_t close = lines[i].find('\'', open + 1);
    strings.Add(lines[i].substr(open + 1, close - open - 1), static_cast<std::int32_t>(i),
                static_cast<std::int32_t>(open + 1), static_cast<std::int32_t>(close + 2));
    break;
  }
  EXPECT_EQ(strings.Count(), 1) << statement;
  return SuggestMarks(lines, strings).front();
}

struct SuggestCase {
  const char* statement;
  TSuggest expected;
};

class SuggestTest : public ::testing::TestWithParam<SuggestCase> {};

TEST_P(SuggestTest, SuggestsByContextAndText) {
  const TSuggestion s = SuggestIn(GetParam().statement);
  EXPECT_EQ(s.suggest, GetParam().expected) << GetParam().statement << "\n  " << s.reason;
}

constexpr TSuggest kLeave = TSuggest::kLeave;
constexpr TSuggest kMark = TSuggest::kMark;

INSTANTIATE_TEST_SUITE_P(Data, SuggestTest,
                         ::testing::Values(
                             // files, paths, extensions, masks, URLs
                             SuggestCase{"Ini := TIniFile.Create('data/world.ini');", kLeave},
                             SuggestCase{"if FileExists('Shop Data') then Exit;", kLeave},
                             SuggestCase{"Memo1.Lines.LoadFromFile('Notes');", kLeave},
                             SuggestCase{"AssignFile(F, 'scores');", kLeave},
                             SuggestCase{"S := 'C:\\Program Files\\Shop';", kLeave},
                             SuggestCase{"Dlg.DefaultExt := '.pas';", kLeave},
                             SuggestCase{"S := '*.txt';", kLeave},
                             SuggestCase{"Go('https://example.com/help');", kLeave},
                             // keys of the registry, INI files, lists, datasets and dictionaries
                             SuggestCase{"S := Reg.ReadString('Window', 'Left', '');", kLeave},
                             SuggestCase{"Ini.WriteInteger('Main Window', 'Width', W);", kLeave},
                             SuggestCase{"Reg.OpenKey('Software\\Shop', True);", kLeave},
                             SuggestCase{"S := List.Values['Name'];", kLeave},
                             SuggestCase{"V := Table.FieldValues['Unit Price'];", kLeave},
                             // SQL
                             SuggestCase{"Query.SQL.Text := 'Items of the shop';", kLeave},
                             SuggestCase{"Query.SQL.Add('WHERE Price > 0');", kLeave},
                             SuggestCase{"S := 'SELECT * FROM Items WHERE Id = ' + Id;", kLeave},
                             // patterns
                             SuggestCase{"S := Format('%d:%d', [A, B]);", kLeave},
                             SuggestCase{"S := FormatDateTime('dd mmmm yyyy', Now);", kLeave},
                             SuggestCase{"S := FormatFloat('#,##0.00 EUR', X);", kLeave},
                             // names of components, classes, fonts; identifiers
                             SuggestCase{"C := FindComponent('btnSave');", kLeave},
                             SuggestCase{"C := GetClass('TShopFrame');", kLeave},
                             SuggestCase{"Label1.Font.Name := 'Courier New';", kLeave},
                             SuggestCase{"S := 'line_number';", kLeave},
                             SuggestCase{"S := 'Shop.Basket';", kLeave},
                             // matched against input
                             SuggestCase{"if Cmd = 'quit' then Halt;", kLeave},
                             SuggestCase{"if SameText(Cmd, 'Save As') then Save;", kLeave},
                             SuggestCase{"if Key in ['y', 'Yes'] then Exit;", kLeave},
                             // generated code and markup
                             SuggestCase{"Add('  Result := Price * 2;');", kLeave},
                             SuggestCase{"Add('<div class=\"total\">');", kLeave},
                             // one word outside any text context
                             SuggestCase{"Mode := 'Simple';", kLeave}),
                         [](const auto& info) { return "Case" + std::to_string(info.index); });

INSTANTIATE_TEST_SUITE_P(
    DeveloperText, SuggestTest,
    ::testing::Values(
        SuggestCase{"Assert(Count > 0, 'The count must be positive');", kLeave},
        SuggestCase{"OutputDebugString('Entering the main loop now');", kLeave},
        SuggestCase{"Logger.Info('Saving the basket now');", kLeave},
        SuggestCase{"raise Exception.Create('TBasket.Add: item is nil');", kLeave},
        SuggestCase{"ShowMessage('Internal error in the basket');", kLeave},
        SuggestCase{"{$IFDEF DEBUG} WriteLn('The basket holds items'); {$ENDIF}", kLeave},
        SuggestCase{"{$IFNDEF DEBUG} {$ELSE} ShowMessage('Debug build'); {$ENDIF}", kLeave}),
    [](const auto& info) { return "Case" + std::to_string(info.index); });

INSTANTIATE_TEST_SUITE_P(
    Text, SuggestTest,
    ::testing::Values(
        SuggestCase{"btnSave.Caption := 'Save';", kMark},
        SuggestCase{"StatusBar1.Panels[0].Text := 'Ready';", kMark},
        SuggestCase{"ShowMessage('Saved');", kMark},
        SuggestCase{"MessageDlg('Delete the basket?', mtConfirmation, [mbYes, mbNo], 0);", kMark},
        SuggestCase{"raise Exception.Create('The basket is empty');", kMark},
        SuggestCase{"E := EShopError.CreateFmt('No price for %s', [Name]);", kMark},
        SuggestCase{"WriteLn('Done');", kMark},
        SuggestCase{"WriteLn(ErrOutput, 'Cannot read');", kMark},
        SuggestCase{"Canvas.TextOut(10, 10, 'Score');", kMark},
        SuggestCase{"ListBox1.Items.Add('Apples');", kMark},
        SuggestCase{"S := 'Your basket is empty';", kMark},
        SuggestCase{"S := Name + ' costs nothing';", kMark},
        SuggestCase{"Styles.Add('Keywords', 'kwd');", kMark},
        SuggestCase{"btnOpen.Caption := '&Open';", kMark},
        SuggestCase{"WriteLn('  shop --file <NAME>');", kMark}),
    [](const auto& info) { return "Case" + std::to_string(info.index); });

TEST(SuggestTest, TestCodeIsLeftAndAWriteToAFileIsNoConsoleOutput) {
  EXPECT_EQ(SuggestIn("AssertEquals('The total is right', 3, T);", "uses fpcunit;").suggest,
            kLeave);
  EXPECT_EQ(SuggestIn("WriteLn('Your basket is empty');", "uses SysUtils, fpcunit;").suggest,
            kLeave);
  EXPECT_EQ(SuggestIn("WriteLn(F, 'Total');").suggest, kLeave);
}

TEST(SuggestRulesTest, EveryRuleHasItsOwnReasonAndTheLastAppliesToAll) {
  std::set<std::string_view> reasons;
  for (const TSuggestRule& rule : SuggestRules()) {
    EXPECT_FALSE(rule.reason.empty());
    EXPECT_TRUE(reasons.insert(rule.reason).second) << rule.reason;
  }
  TLiteralContext word;
  word.text = "Word";
  EXPECT_TRUE(SuggestRules().back().applies(word));
  EXPECT_EQ(Suggest(word).reason, SuggestRules().back().reason);
}

TEST(NamePartsTest, SplitsCamelCaseUnderscoresAndCapitalRuns) {
  EXPECT_EQ(NameParts("CWriteLnWarning"),
            (std::vector<std::string>{"c", "write", "ln", "warning"}));
  EXPECT_EQ(NameParts("glext_ExtensionSupported"),
            (std::vector<std::string>{"glext", "extension", "supported"}));
  EXPECT_EQ(NameParts("HTMLFile"), (std::vector<std::string>{"html", "file"}));
}

}  // namespace
}  // namespace polyverb
