#include "project/UnitEditor.h"

#include <gtest/gtest.h>

#include <functional>

#include "platform/Error.h"
#include "tests/testing/ErrorOf.h"
#include "tests/testing/TempDir.h"

namespace polyverb {
namespace {

const std::vector<ComponentField> kLang1 = {{"vMLang1", "TvMLang"}};

struct EditCase {
  std::string_view name;
  std::string_view before;
  std::string_view after;
};

std::string CaseName(const ::testing::TestParamInfo<EditCase>& info) {
  return std::string(info.param.name);
}

class AddClassFieldsTest : public ::testing::TestWithParam<EditCase> {};

TEST_P(AddClassFieldsTest, DeclaresTheFieldAfterTheLastField) {
  EXPECT_EQ(AddClassFields(GetParam().before, "Main.pas", "TfrmMain", kLang1), GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(
    Sources, AddClassFieldsTest,
    ::testing::Values(
        EditCase{"BeforeMethods",
                 "type\n  TfrmMain = class(TForm)\n    lblTotal: TLabel;\n    btnAdd: TButton;\n"
                 "    procedure btnAddClick(Sender: TObject);\n  end;\n",
                 "type\n  TfrmMain = class(TForm)\n    lblTotal: TLabel;\n    btnAdd: TButton;\n"
                 "    vMLang1: TvMLang;\n    procedure btnAddClick(Sender: TObject);\n  end;\n"},
        EditCase{"BeforePrivateKeepingCrLf",
                 "  TfrmMain = class(TForm)\r\n\tb, c: TButton; // buttons\r\n  private\r\n    x: "
                 "Integer;\r\n  end;",
                 "  TfrmMain = class(TForm)\r\n\tb, c: TButton; // buttons\r\n\tvMLang1: "
                 "TvMLang;\r\n  private\r\n    x: Integer;\r\n  end;"},
        EditCase{
            "AfterTheConditionalBlockOfTheLastField",
            "TfrmMain = class(TForm)\n  a: TButton;\n  {$IFDEF DEBUG}\n  d: TButton;\n  {$ENDIF}\n"
            "  { private fields follow }\n  procedure X;\nend;",
            "TfrmMain = class(TForm)\n  a: TButton;\n  {$IFDEF DEBUG}\n  d: TButton;\n  {$ENDIF}\n"
            "  vMLang1: TvMLang;\n  { private fields follow }\n  procedure X;\nend;"},
        EditCase{"NotIntoABlockThatHoldsMethods",
                 "TfrmMain = class(TForm)\n  a: TButton;\n  {$IFDEF DEBUG}\n  d: TButton;\n  "
                 "procedure D;\n  {$ENDIF}\nend;",
                 "TfrmMain = class(TForm)\n  a: TButton;\n  vMLang1: TvMLang;\n  {$IFDEF DEBUG}\n  "
                 "d: TButton;\n  procedure D;\n  {$ENDIF}\nend;"},
        EditCase{"CommentsThatLookLikeCode",
                 "TfrmMain = class(TForm) // private\n  a: TButton; { b: TButton;\n  private }\n  "
                 "(* c: TEdit; *)\nend;",
                 "TfrmMain = class(TForm) // private\n  a: TButton;\n  vMLang1: TvMLang; { b: "
                 "TButton;\n  private }\n  (* c: TEdit; *)\nend;"},
        EditCase{"NoFieldsYet",
                 "type\n  TfrmMain = class(TForm) { the main form }\n  private\n  end;\n",
                 "type\n  TfrmMain = class(TForm) { the main form }\n    vMLang1: TvMLang;\n  "
                 "private\n  end;\n"},
        EditCase{"LastFieldWithoutSemicolon", "TfrmMain = class(TForm)\n  a: TButton\nend;",
                 "TfrmMain = class(TForm)\n  a: TButton;\n  vMLang1: TvMLang;\nend;"},
        EditCase{"FieldTypesThatNest",
                 "TfrmMain = class(TForm)\n  r: record x: Integer; end;\n  p: procedure(a: "
                 "Integer; b: Integer) of object;\n"
                 "  function F: Integer;\nend;",
                 "TfrmMain = class(TForm)\n  r: record x: Integer; end;\n  p: procedure(a: "
                 "Integer; b: Integer) of object;\n"
                 "  vMLang1: TvMLang;\n  function F: Integer;\nend;"},
        EditCase{"SkipsForwardDeclarationAndOtherClasses",
                 "TfrmMain = class;\nTOther = class(TForm)\n  o: TButton;\nend;\nTfrmMain = "
                 "class(TForm) a: TButton; end;",
                 "TfrmMain = class;\nTOther = class(TForm)\n  o: TButton;\nend;\nTfrmMain = "
                 "class(TForm) a: TButton;\n  vMLang1: TvMLang; end;"},
        EditCase{"AlreadyDeclared", "TfrmMain = class(TForm)\n  VMLANG1: TvMLang;\nend;",
                 "TfrmMain = class(TForm)\n  VMLANG1: TvMLang;\nend;"}),
    CaseName);

TEST(AddClassFieldsTest, SecondComponentGoesAfterTheFirst) {
  const std::string_view before = "TfrmMain = class(TForm)\n    vMLang1: TvMLang;\n  public\nend;";
  const std::vector<ComponentField> fields = {
      {"vMLang1", "TvMLang"}, {"vMLang2", "TvMLang"}, {"Label1", "TLabel"}};
  EXPECT_EQ(AddClassFields(before, "Main.pas", "TfrmMain", fields),
            "TfrmMain = class(TForm)\n    vMLang1: TvMLang;\n    vMLang2: TvMLang;\n    Label1: "
            "TLabel;\n  public\nend;");
}

TEST(AddClassFieldsTest, ErrorsNameTheUnitAndTheClass) {
  EXPECT_EQ(testing::ErrorOf(
                [] { AddClassFields("type TfrmMain = class;\n", "Main.pas", "TfrmMain", kLang1); }),
            "Unit file Main.pas: the declaration of class TfrmMain was not found");
  EXPECT_EQ(testing::ErrorOf([] {
              AddClassFields("TfrmMain = class(TForm)\n  a: TButton;\n", "Main.pas", "TfrmMain",
                             kLang1);
            }),
            "Unit file Main.pas: class TfrmMain is not closed with 'end'");
}

class AddInterfaceUsesTest : public ::testing::TestWithParam<EditCase> {};

TEST_P(AddInterfaceUsesTest, AddsTheRunTimeUnitOnce) {
  EXPECT_EQ(AddInterfaceUses(GetParam().before, "Main.pas", "vMLang"), GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(
    Sources, AddInterfaceUsesTest,
    ::testing::Values(
        EditCase{"LastEntry", "unit Main;\ninterface\nuses\n  SysUtils, Forms;\ntype\n",
                 "unit Main;\ninterface\nuses\n  SysUtils, Forms, vMLang;\ntype\n"},
        EditCase{
            "CommentAndConditionalBeforeTheSemicolon",
            "interface\r\nuses\r\n  Forms {$IFDEF X}, XUnit{$ENDIF} // last\r\n  ;\r\n",
            "interface\r\nuses\r\n  Forms {$IFDEF X}, XUnit{$ENDIF} // last\r\n  , vMLang;\r\n"},
        EditCase{"ClauseEndsInEachBranch", "interface\nuses {$IFDEF A} A; {$ELSE} B; {$ENDIF}\n",
                 "interface\nuses vMLang, {$IFDEF A} A; {$ELSE} B; {$ENDIF}\n"},
        EditCase{"LongLineWraps",
                 "interface\nuses\n  Windows, Messages, SysUtils, Variants, Classes, Graphics, "
                 "Controls, Forms;\n",
                 "interface\nuses\n  Windows, Messages, SysUtils, Variants, Classes, Graphics, "
                 "Controls, Forms,\n  vMLang;\n"},
        EditCase{"NoClause", "unit Main;\n\ninterface\n\ntype\n  T = Integer;\n",
                 "unit Main;\n\ninterface\n\nuses vMLang;\n\ntype\n  T = Integer;\n"},
        EditCase{"NoClauseCommentAfterInterface",
                 "interface // public\r\n{ uses Fake; }\r\nconst C = 1;",
                 "interface // public\r\n\r\nuses vMLang;\r\n{ uses Fake; }\r\nconst C = 1;"},
        EditCase{"AlreadyThereInOtherCase", "interface\nuses Forms, VMLANG;\nimplementation\nend.",
                 "interface\nuses Forms, VMLANG;\nimplementation\nend."},
        EditCase{"MovedFromImplementation",
                 "interface\nuses Forms;\nimplementation\nuses About, vMLang, Prices;\nend.",
                 "interface\nuses Forms, vMLang;\nimplementation\nuses About, Prices;\nend."},
        EditCase{"MovedFromImplementationFirst",
                 "interface\nuses Forms;\nimplementation\nuses vMLang, Prices;\nend.",
                 "interface\nuses Forms, vMLang;\nimplementation\nuses Prices;\nend."},
        EditCase{"OnlyImplementationEntryRemovesTheClause",
                 "interface\nimplementation\n\nuses\n  vMLang;\n\nend.",
                 "interface\n\nuses vMLang;\nimplementation\n\n\nend."},
        EditCase{"AlreadyInInterfaceAndImplementation",
                 "interface\nuses vMLang;\nimplementation\nuses SysUtils, vMLang;\nend.",
                 "interface\nuses vMLang;\nimplementation\nuses SysUtils;\nend."}),
    CaseName);

TEST(AddInterfaceUsesTest, ErrorsNameTheUnit) {
  EXPECT_EQ(
      testing::ErrorOf([] { AddInterfaceUses("program P;\nbegin end.", "P.dpr", "vMLang"); }),
      "Unit file P.dpr: no interface section, so unit vMLang cannot be added to its uses clause");
  EXPECT_EQ(
      testing::ErrorOf([] { AddInterfaceUses("interface\nuses\n  A,\n  ;", "U.pas", "vMLang"); }),
      "Unit file U.pas, line 4: expected a unit name in the uses clause, found ';'");
  EXPECT_EQ(testing::ErrorOf([] { AddInterfaceUses("interface\nuses A", "U.pas", "vMLang"); }),
            "Unit file U.pas: expected ',' or ';' in the uses clause, found the end of the file");
}

TEST(UpdateFormUnitTest, EditsTheDemoUnitAndKeepsEverythingElse) {
  testing::TempDir dir;
  const std::string path = dir / "Main.pas";
  std::string original = testing::ReadBytes(std::string(POLYVERB_DEMO_DIR) + "/Main.pas");
  testing::WriteBytes(path, original);
  ASSERT_TRUE(UpdateFormUnit(path, "TfrmMain", kLang1));

  std::string expected = original;
  const std::string uses = "Controls, StdCtrls, Dialogs;";
  expected.replace(expected.find(uses), uses.size(), "Controls, StdCtrls, Dialogs, vMLang;");
  const std::string field = "    btnAbout: TButton;\n";
  expected.insert(expected.find(field) + field.size(), "    vMLang1: TvMLang;\n");
  EXPECT_EQ(testing::ReadBytes(path), expected);

  // A second save finds both in place and writes nothing.
  EXPECT_FALSE(UpdateFormUnit(path, "TfrmMain", kLang1));
  EXPECT_EQ(testing::ReadBytes(path), expected);
}

TEST(UpdateFormUnitTest, WritesNothingWhenAnEditFails) {
  testing::TempDir dir;
  const std::string path = dir / "U.pas";
  testing::WriteBytes(path, "unit U;\ninterface\nuses Forms;\nimplementation\nend.\n");
  EXPECT_EQ(testing::ErrorOf([&] { UpdateFormUnit(path, "TfrmMissing", kLang1); }),
            "Unit file " + path + ": the declaration of class TfrmMissing was not found");
  EXPECT_EQ(testing::ReadBytes(path), "unit U;\ninterface\nuses Forms;\nimplementation\nend.\n");
  EXPECT_EQ(testing::ErrorOf([&] { UpdateFormUnit(dir / "none.pas", "T", kLang1); }),
            "Cannot open file " + dir / "none.pas" + ": No such file or directory");
}

}  // namespace
}  // namespace polyverb
