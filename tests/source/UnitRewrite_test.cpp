#include "source/UnitRewrite.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Error.h"
#include "source/SourceText.h"

namespace polyverb {
namespace {

std::string Apply(std::string_view source, std::vector<TLineEdit> edits) {
  return ApplyEdits(SplitLines(source), std::move(edits));
}

TEST(ApplyEditsTest, SplicesAcrossLinesAndPutsInsertionsFirst) {
  EXPECT_EQ(Apply("M(0, 'a'#13);\nX('''\n  b\n  ''');", {{0, 12, 0, 12, ")"},
                                                         {0, 6, 0, 9, "GetLangStr(1)+"},
                                                         {0, 6, 0, 6, "PChar("},
                                                         {1, 3, 3, 6, "GetLangStr(2)"}}),
            "M(0, PChar(GetLangStr(1)+#13));\r\nX(GetLangStr(2));\r\n");
  EXPECT_EQ(Apply("a\nb", {}), "a\r\nb\r\n");
}

TEST(ApplyEditsTest, RefusesOverlapsAndPlacesOutside) {
  EXPECT_THROW(Apply("abcdef", {{0, 2, 0, 5, "x"}, {0, 4, 0, 6, "y"}}), Error);
  EXPECT_THROW(Apply("abc", {{0, 2, 0, 9, "x"}}), Error);
  EXPECT_THROW(Apply("abc", {{1, 1, 1, 1, "x"}}), Error);
}

std::string AddRunTime(std::string_view source, bool is_unit) {
  const TUsesEdit edit = RunTimeUsesEdit(SplitLines(source), is_unit);
  if (edit.step == TUsesStep::kAlreadyUsed) return "already used";
  if (edit.step == TUsesStep::kNoPlace) return "no place";
  return Apply(source, edit.edits);
}

TEST(RunTimeUsesEditTest, UnitGetsItInTheImplementationClause) {
  EXPECT_EQ(AddRunTime("unit U;\ninterface\nuses A;\nimplementation\nuses\n  B, C;\nend.", true),
            "unit U;\r\ninterface\r\nuses A;\r\nimplementation\r\nuses vLangRT,\r\n  B, C;\r\n"
            "end.\r\n");
  EXPECT_EQ(
      AddRunTime("unit U;\ninterface\nimplementation\n{$R *.dfm}\nend.", true),
      "unit U;\r\ninterface\r\nimplementation\r\n\r\nuses vLangRT;\r\n{$R *.dfm}\r\nend.\r\n");
  // Each branch opens its own clause.
  EXPECT_EQ(AddRunTime("unit U; interface implementation\n{$IF UNIX}uses A;\n"
                       "{$ELSEIF WIN}uses B;{$ENDIF}\nend.",
                       true),
            "unit U; interface implementation\r\n{$IF UNIX}uses vLangRT, A;\r\n"
            "{$ELSEIF WIN}uses vLangRT, B;{$ENDIF}\r\nend.\r\n");
  EXPECT_EQ(AddRunTime("unit U; interface uses Forms, VMLang; implementation end.", true),
            "already used");
  EXPECT_EQ(AddRunTime("unit U; interface end.", true), "no place");
}

TEST(RunTimeUsesEditTest, ProgramGetsItInItsClauseWhoseBranchesStayWhole) {
  EXPECT_EQ(AddRunTime("program P(Input, Output);\nbegin end.", false),
            "program P(Input, Output);\r\n\r\nuses vLangRT;\r\nbegin end.\r\n");
  // After the mode switches that follow the heading, outside the blocks they open.
  EXPECT_EQ(
      AddRunTime("program P;\n{$mode objfpc}{$H+}\n{$IFDEF X}const A = 1;{$ENDIF}\nbegin end.",
                 false),
      "program P;\r\n{$mode objfpc}{$H+}\r\n\r\nuses vLangRT;\r\n"
      "{$IFDEF X}const A = 1;{$ENDIF}\r\nbegin end.\r\n");
  EXPECT_EQ(AddRunTime("program P;\nuses\n  {$IFDEF X} Forms, {$ELSE} Vcl.Forms, {$ENDIF}\n"
                       "  Main in 'Main.pas' {frmMain};\nbegin end.",
                       false),
            "program P;\r\nuses vLangRT,\r\n  {$IFDEF X} Forms, {$ELSE} Vcl.Forms, {$ENDIF}\r\n"
            "  Main in 'Main.pas' {frmMain};\r\nbegin end.\r\n");
  EXPECT_EQ(AddRunTime("program P; uses Forms, vLangRT in '../rt/vLangRT.pas'; begin end.", false),
            "already used");
  // The thread and memory managers start first, or the program stops at once.
  EXPECT_EQ(AddRunTime("program P;\nuses\n  {$IFDEF UNIX}\n  cthreads,\n  {$ENDIF}\n"
                       "  Interfaces, Forms;\nbegin end.",
                       false),
            "program P;\r\nuses\r\n  {$IFDEF UNIX}\r\n  cthreads,\r\n  {$ENDIF} vLangRT,\r\n"
            "  Interfaces, Forms;\r\nbegin end.\r\n");
  EXPECT_EQ(
      AddRunTime("program P; uses cmem, {$IFDEF UNIX} cthreads, Unix, {$ENDIF} A; begin end.",
                 false),
      "program P; uses cmem, vLangRT, {$IFDEF UNIX} cthreads, Unix, {$ENDIF} A; begin end.\r\n");
}

TEST(UsedUnitsTest, NamesEveryEntryOfEveryClause) {
  EXPECT_EQ(UsedUnits(SplitLines("unit U; interface uses System.SysUtils, A in 'a.pas';\n"
                                 "implementation uses {$IFDEF X}B{$ELSE}C{$ENDIF}; end.")),
            (std::vector<std::string>{"system.sysutils", "a", "b", "c"}));
}

}  // namespace
}  // namespace polyverb
