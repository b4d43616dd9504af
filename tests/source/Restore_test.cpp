#include "source/Restore.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "langfile/LangFileEdit.h"
#include "source/LiteralExtraction.h"
#include "source/SourceProcessing.h"
#include "source/SourceText.h"

namespace polyverb {
namespace {

TEST(PascalLiteralTest, QuotesDoublesAndCodesLineBreaks) {
  EXPECT_EQ(PascalLiteral(""), "''");
  EXPECT_EQ(PascalLiteral("It's"), "'It''s'");
  EXPECT_EQ(PascalLiteral("a\r\nb"), "'a'#13#10'b'");
  EXPECT_EQ(PascalLiteral("\r\n"), "#13#10");
  EXPECT_EQ(PascalLiteral("\nx\r"), "#10'x'#13");
  EXPECT_EQ(PascalLiteral("a\tb\x7F"), "'a\tb\x7F'");  // legal between quotes as they are
}

class RestoreTest : public ::testing::Test {
 protected:
  RestoreTest() {
    lang_->AddIdent(1, "Hello", 0);
    lang_->AddIdent(2, "Don't", 0);
    lang_->AddIdent(3, "a", 0);
    lang_->AddIdent(4, "b", 0);
    lang_->AddIdent(5, "data/world.ini", 0);
  }

  TRestoreResult Restore(std::string_view source, std::function<bool(long long)> selected = {}) {
    if (!selected) selected = [](long long) { return true; };
    return RestoreLangCalls(SplitLines(source), *lang_, selected);
  }
  std::string Line(std::string_view source) { return Restore(source).lines.at(0); }

  std::unique_ptr<TvLangFileEdit> lang_ = TvLangFileEdit::FromBytes("", "english.lng");
};

TEST_F(RestoreTest, CallsBecomeLiteralsWithWrapGlueAndAnnotationUndone) {
  EXPECT_EQ(Line("ShowMessage(GetLangStr(1));"), "ShowMessage('Hello');");
  EXPECT_EQ(Line("MessageBox(0, PChar(GetLangStr(2)), nil, 0);"),
            "MessageBox(0, 'Don''t', nil, 0);");
  EXPECT_EQ(Restore("MessageBox(0,\n  PChar(GetLangStr(1))\n  , nil, 0);").lines.at(1),
            "  'Hello'");
  EXPECT_EQ(Line("S := GetLangStr(3)+#13+GetLangStr(4)+^M;"), "S := 'a'#13'b'^M;");
  EXPECT_EQ(Line("S := #$0D+GetLangStr(3) + #10;"), "S := #$0D'a' + #10;");
  EXPECT_EQ(Line("F := GETLANGSTR( 5 ) {data/world.ini};"), "F := 'data/world.ini';");
}

TEST_F(RestoreTest, LeavesWhatConversionDidNotWrite) {
  // A PChar cast outside an argument list, a comment that is no annotation of the text, a
  // "+" that joins no character code, calls inside literals and comments.
  EXPECT_EQ(Line("P := PChar(GetLangStr(1));"), "P := PChar('Hello');");
  // A cast in an argument of a routine that conversion does not wrap for.
  EXPECT_EQ(Line("Same := CompareMem(PChar(GetLangStr(2)), P, 3);"),
            "Same := CompareMem(PChar('Don''t'), P, 3);");
  EXPECT_EQ(Line("F := GetLangStr(5) {other};"), "F := 'data/world.ini' {other};");
  EXPECT_EQ(Line("S := X+GetLangStr(3)+Y;"), "S := X+'a'+Y;");
  const char* untouched = "S := 'GetLangStr(1)'; // GetLangStr(1) { GetLangStr(2) }";
  EXPECT_EQ(Line(untouched), untouched);
  EXPECT_FALSE(Restore(untouched).Changed());
}

// The run-time unit leaves the uses clause with the last call, where conversion put it,
// unless the file still uses it for something else.
TEST_F(RestoreTest, RunTimeUnitLeavesWithTheLastCall) {
  const auto joined = [](const TRestoreResult& r) {
    std::string text;
    for (const std::string& line : r.lines) text += line + "\n";
    return text;
  };
  EXPECT_EQ(
      joined(Restore("program P;\nuses\n  {$IFDEF UNIX}cthreads,{$ENDIF} vLangRT,\n"
                     "  Forms;\nbegin X(GetLangStr(1)) end.")),
      "program P;\nuses\n  {$IFDEF UNIX}cthreads,{$ENDIF}\n  Forms;\nbegin X('Hello') end.\n");
  EXPECT_EQ(joined(Restore("unit U; interface\nimplementation\n\nuses vLangRT;\n"
                           "procedure P; begin X(GetLangStr(1)) end; end.")),
            "unit U; interface\nimplementation\nprocedure P; begin X('Hello') end; end.\n");
  const std::string still_used =
      "program P; uses vLangRT, Forms; begin LoadLanguage('x'); X(GetLangStr(1)) end.";
  EXPECT_EQ(Line(still_used),
            "program P; uses vLangRT, Forms; begin LoadLanguage('x'); X('Hello') end.");
  const std::string calls_left = "program P; uses vLangRT, Forms; begin X(GetLangStr(1)) end.";
  EXPECT_EQ(Restore(calls_left, [](long long n) { return n != 1; }).lines.at(0), calls_left);
}

TEST_F(RestoreTest, MissingAndUnselectedNumbersStayAndAreNamed) {
  const TRestoreResult r = Restore("A := GetLangStr(1) + GetLangStr(9);\nB := GetLangStr(2);",
                                   [](long long n) { return n != 2; });
  EXPECT_EQ(r.lines,
            (std::vector<std::string>{"A := 'Hello' + GetLangStr(9);", "B := GetLangStr(2);"}));
  ASSERT_EQ(r.missing.size(), 1u);
  EXPECT_EQ(r.missing[0].Number, 9);
  EXPECT_EQ(r.missing[0].LineIndex, 0);
  EXPECT_EQ(r.missing[0].StartPos, 22);
  EXPECT_EQ(r.remaining, (std::set<long long>{2, 9}));
  ASSERT_EQ(r.restored.size(), 1u);
  EXPECT_EQ(r.restored[0].written, "GetLangStr(1)");
}

// Converting every candidate and restoring every number gives the source back, with and
// without annotations; a "+" between a literal and a character code is the one change.
TEST(ConvertRestoreTest, GivesTheSourceBack) {
  const std::string unit =
      "unit U;\ninterface\nimplementation\nprocedure P;\nbegin\n"
      "  ShowMessage('It''s' + ' ' + 'done'#13#10'Next'^M);\n"
      "  S := 'Tab:\tend' {comment}; X := p^['Key'];\n"
      "  T := #13'abc'+#10;\n"
      "end;\nend.\n";
  for (const bool annotate : {false, true}) {
    std::vector<std::string> lines;
    for (std::string_view l : SplitLines(unit)) lines.emplace_back(l);
    const std::vector<std::string> original = lines;
    TLangStrings strings;
    FindStrings(std::span<const std::string>(lines), strings);
    for (std::int32_t i = 0; i < strings.Count(); ++i) strings.Items(i).Chosen = true;
    auto lang = TvLangFileEdit::FromBytes("", "english.lng");
    LangFile = lang.get();
    NextStrNumber = 1;
    {
      const ScopedAnnotation annotation(annotate);
      ReplaceStrings(lines, strings);
    }
    LangFile = nullptr;
    std::vector<std::string_view> views(lines.begin(), lines.end());
    const TRestoreResult r = RestoreLangCalls(views, *lang, [](long long) { return true; });
    std::vector<std::string> expected = original;
    expected[7] = "  T := #13'abc'#10;";
    EXPECT_EQ(r.lines, expected) << "annotate " << annotate;
    EXPECT_EQ(r.restored.size(), static_cast<std::size_t>(strings.Count()));
  }
}

}  // namespace
}  // namespace polyverb
