#include "project/ProjectFile.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <functional>

#include "platform/Error.h"
#include "tests/testing/ErrorOf.h"
#include "tests/testing/TempDir.h"

namespace polyverb {
namespace {

struct UsesCase {
  std::string_view name;
  std::string_view source;
  std::vector<UsesEntry> entries;
};

class ParseProjectUsesTest : public ::testing::TestWithParam<UsesCase> {};

TEST_P(ParseProjectUsesTest, ListsEntriesOfTheUsesClause) {
  const SourceText text(std::string(GetParam().source), "P.dpr");
  EXPECT_EQ(ParseProjectUses(text, "P.dpr"), GetParam().entries);
}

INSTANTIATE_TEST_SUITE_P(
    Sources, ParseProjectUsesTest,
    ::testing::Values(
        UsesCase{"WithAndWithoutIn",
                 "program Shop;\n\nuses\n  Forms,\n  Main in 'Main.pas' {frmMain},\n"
                 "  Vcl.Dialogs,\n  Sub.Util in 'sub\\Util.pas';\n\n{$R *.res}\n\nbegin\nend.\n",
                 {{"Forms", std::nullopt, 3},
                  {"Main", "Main.pas", 4, "frmMain"},
                  {"Vcl.Dialogs", std::nullopt, 5},
                  {"Sub.Util", "sub\\Util.pas", 6}}},
        UsesCase{"CommentsInAndBetweenEntries",
                 "program P; { uses Fake in 'Fake.pas'; }\n"
                 "uses (* first *) A { x } in // the file:\n  'a.pas' {FormA}, // next\n"
                 "  { B in 'b.pas', }\n  C in 'It''s.pas';",
                 {{"A", "a.pas", 1, "FormA"}, {"C", "It's.pas", 4}}},
        UsesCase{
            "BothBranchesOfAConditional",
            "program P;\n{$APPTYPE CONSOLE}\nuses\n"
            "  {$IFDEF DEBUG} Log in 'LogDebug.pas' {$ELSE} Log in 'LogRelease.pas' {$ENDIF},\n"
            "  {$IFDEF X} X in 'x.pas', {$ENDIF}\n  Y;\nbegin end.",
            {{"Log", "LogDebug.pas", 3},
             {"Log", "LogRelease.pas", 3},
             {"X", "x.pas", 4},
             {"Y", std::nullopt, 5}}},
        UsesCase{"LibraryWithParametersAndNoUses", "LIBRARY Lib(Input, Output);\nbegin end.", {}},
        UsesCase{"UpperCaseWords", "PROGRAM P; USES A IN 'a.pas';", {{"A", "a.pas", 0}}},
        UsesCase{"ByteOrderMark", "\xEF\xBB\xBFprogram P; uses A;", {{"A", std::nullopt, 0}}}),
    [](const auto& info) { return std::string(info.param.name); });

struct ErrorCase {
  std::string_view source;
  std::string_view message;
};

class ProjectErrorTest : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(ProjectErrorTest, NamesFileLineAndDefect) {
  const SourceText text(std::string(GetParam().source), "P.dpr");
  EXPECT_EQ(testing::ErrorOf([&] { ParseProjectUses(text, "/p/P.dpr"); }), GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Sources, ProjectErrorTest,
    ::testing::Values(
        ErrorCase{"",
                  "Project file /p/P.dpr, line 1: expected 'program' or 'library', found the end "
                  "of the file"},
        ErrorCase{"unit U;",
                  "Project file /p/P.dpr, line 1: expected 'program' or 'library', found 'unit'"},
        ErrorCase{"program;", "Project file /p/P.dpr, line 1: expected a program name, found ';'"},
        ErrorCase{"program P\nuses A;",
                  "Project file /p/P.dpr, line 2: expected ';', found 'uses'"},
        ErrorCase{"program P;\nuses\n  A,\n  B",
                  "Project file /p/P.dpr, line 4: expected ',' or ';' after unit B, found the end "
                  "of the file"},
        ErrorCase{
            "program P;\nuses A in B;",
            "Project file /p/P.dpr, line 2: expected a quoted file name after 'in', found 'B'"},
        ErrorCase{"program P;\nuses A in 'a.pas;\nbegin",
                  "Project file /p/P.dpr, line 2: expected a quoted file name after 'in', found "
                  "''a.pas;'"},
        ErrorCase{"program P;\nuses A in '';",
                  "Project file /p/P.dpr, line 2: empty file name after 'in' for unit A"},
        ErrorCase{"program P;\nuses A, ;",
                  "Project file /p/P.dpr, line 2: expected a unit name, found ';'"},
        ErrorCase{"program P;\nuses A = B;",
                  "Project file /p/P.dpr, line 2: expected ',' or ';' after unit A, found '='"}));

TEST(ProjectFileTest, ListsTheFilesAsTheIdeDoes) {
  testing::TempDir dir;
  ASSERT_EQ(::mkdir((dir / "Common").c_str(), 0777), 0);
  ASSERT_EQ(::mkdir((dir / "app").c_str(), 0777), 0);
  ASSERT_EQ(::mkdir((dir / "app/sub").c_str(), 0777), 0);
  for (const char* name :
       {"app/Main.pas", "app/ABOUT.PAS", "app/sub/Util.pas", "Common/Shared.pas", "app/Shop.RES"})
    testing::WriteBytes(dir / name, "unit X;");
  testing::WriteBytes(dir / "app/Shop.dpr",
                      "program Shop;\r\nuses\r\n  Forms,\r\n  Main in 'Main.pas' {frmMain},\r\n"
                      "  About in 'About.pas' {frmAbout},\r\n  Util in 'SUB\\util.pas',\r\n"
                      "  Shared in '..\\common\\.\\Shared.pas',\r\n  Gone in 'Gone.pas',\r\n"
                      "  Again in 'main.pas';\r\n{$R *.res}\r\nbegin\r\nend.\r\n");
  const ProjectFile project(dir / "app/../app/Shop.dpr");
  EXPECT_EQ(project.FileName(), dir / "app/Shop.dpr");
  EXPECT_EQ(project.Directory(), dir / "app");
  EXPECT_EQ(project.Files(), (std::vector<std::string>{
                                 dir / "app/Shop.dpr", dir / "app/Main.pas", dir / "app/ABOUT.PAS",
                                 dir / "app/sub/Util.pas", dir / "Common/Shared.pas",
                                 dir / "app/Gone.pas", dir / "app/Shop.RES"}));
  EXPECT_EQ(project.Uses().size(), 7u);

  testing::WriteBytes(dir / "app/Shop.dof", "");
  EXPECT_EQ(ProjectFile(dir / "app/Shop.dpr").Files().back(), dir / "app/Shop.dof");
}

TEST(ProjectFileTest, ReadsTheDemoProjectFromARelativeName) {
  testing::TempDir dir(/*enter=*/true);
  for (const char* name : {"Shop.dpr", "Main.pas", "About.pas", "Prices.pas"})
    testing::WriteBytes(dir / name,
                        testing::ReadBytes(std::string(POLYVERB_DEMO_DIR) + "/" + name));
  const ProjectFile project("Shop.dpr");
  EXPECT_EQ(project.Files(), (std::vector<std::string>{dir / "Shop.dpr", dir / "Main.pas",
                                                       dir / "About.pas", dir / "Prices.pas"}));
  EXPECT_EQ(project.Uses()[0], (UsesEntry{"Forms", std::nullopt, 3}));
}

TEST(ProjectFileTest, UnreadableProjectNamesTheFile) {
  testing::TempDir dir;
  EXPECT_EQ(testing::ErrorOf([&] { ProjectFile(dir / "none.dpr"); }),
            "Cannot open file " + dir / "none.dpr" + ": No such file or directory");
  ASSERT_EQ(::mkfifo((dir / "fifo.dpr").c_str(), 0666), 0);
  EXPECT_EQ(testing::ErrorOf([&] { ProjectFile(dir / "fifo.dpr"); }),
            "Cannot open file " + dir / "fifo.dpr" + ": not a regular file (a FIFO)");
  testing::WriteBytes(dir / "bad.dpr", "unit Bad;");
  EXPECT_EQ(testing::ErrorOf([&] { ProjectFile(dir / "bad.dpr"); }),
            "Project file " + dir / "bad.dpr" +
                ", line 1: expected 'program' or 'library', found 'unit'");
}

struct PathCase {
  std::string_view path;
  std::string_view full;
};

class FullPathNameTest : public ::testing::TestWithParam<PathCase> {};

TEST_P(FullPathNameTest, RemovesDotsAndRepeatedSlashes) {
  EXPECT_EQ(FullPathName(GetParam().path), GetParam().full);
}

INSTANTIATE_TEST_SUITE_P(Paths, FullPathNameTest,
                         ::testing::Values(PathCase{"/", "/"}, PathCase{"/a/./b//c/", "/a/b/c"},
                                           PathCase{"/a/b/../../..", "/"},
                                           PathCase{"/a/../b/x.pas", "/b/x.pas"}));

TEST(FindIgnoringCaseTest, PrefersTheExactNameThenTheFirstInByteOrder) {
  testing::TempDir dir;
  for (const char* name : {"unit1.pas", "Unit1.PAS", "UNIT1.pas"})
    testing::WriteBytes(dir / name, "");
  EXPECT_EQ(FindIgnoringCase(dir / "unit1.pas"), dir / "unit1.pas");
  EXPECT_EQ(FindIgnoringCase(dir / "Unit1.pas"), dir / "UNIT1.pas");
  EXPECT_EQ(FindIgnoringCase(dir / "unit2.pas"), std::nullopt);
  EXPECT_EQ(FindIgnoringCase(dir / "UNIT1.PAS/x"), std::nullopt);
}

}  // namespace
}  // namespace polyverb
