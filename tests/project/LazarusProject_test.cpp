#include "project/LazarusProject.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "project/ProjectFile.h"
#include "tests/testing/ErrorOf.h"
#include "tests/testing/TempDir.h"

namespace polyverb {
namespace {

TEST(LazarusProjectTest, UnitsOfTheProjectMainProgramFirstAndTheSearchPath) {
  const LazarusProject project(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<CONFIG>\n  <ProjectOptions>\n"
      "    <Version Value=\"12\"/>\n    <General><MainUnit Value=\"2\"/></General>\n"
      "    <Units>\n"
      "      <Unit><Filename Value=\"forms\\Main.pas\"/><IsPartOfProject Value=\"True\"/>\n"
      "        <ComponentName Value=\"frmMain\"/><UnitName Value=\"Main\"/></Unit>\n"
      "      <Unit><Filename Value=\"notes.txt\"/><IsPartOfProject Value=\"True\"/></Unit>\n"
      "      <!-- a comment --><Unit><Filename Value=\"Shop.lpr\"/>"
      "<IsPartOfProject Value=\"True\"/></Unit>\n"
      "      <Unit><Filename Value=\"../lib/Other.pas\"/></Unit>\n"
      "      <Unit><Filename Value=\"Caf&#233; &amp; Co.pp\"/>"
      "<IsPartOfProject Value=\"true\"/></Unit>\n"
      "    </Units>\n  </ProjectOptions>\n  <CompilerOptions><SearchPaths>\n"
      "    <OtherUnitFiles Value=\"src; ../common;$(LazarusDir)/x;$(ProjPath)gen;src\"/>\n"
      "  </SearchPaths></CompilerOptions>\n</CONFIG>\n",
      "/p/Shop.lpi");
  EXPECT_EQ(project.Units(), (std::vector<LazarusUnit>{{"/p/Shop.lpr", "", ""},
                                                       {"/p/forms/Main.pas", "frmMain", "Main"},
                                                       {"/p/Caf\xC3\xA9 & Co.pp", "", ""}}));
  EXPECT_EQ(project.MainSource(), "/p/Shop.lpr");
  EXPECT_EQ(project.UnitSearchPath(), (std::vector<std::string>{"/p/src", "/common", "/p/gen"}));
}

TEST(LazarusProjectTest, NumberedListsOfOlderVersions) {
  const LazarusProject project(
      "<CONFIG><ProjectOptions><Version Value=\"9\"/><Units Count=\"3\">"
      "<Unit0><Filename Value=\"p.lpr\"/><IsPartOfProject Value=\"True\"/></Unit0>"
      "<Unit1><Filename Value=\"gone.pas\"/><IsPartOfProject Value=\"False\"/></Unit1>"
      "<Unit2><Filename Value=\"u.pas\"/><IsPartOfProject Value=\"True\"/></Unit2>"
      "</Units></ProjectOptions></CONFIG>",
      "/p/p.lpi");
  EXPECT_EQ(project.Units(),
            (std::vector<LazarusUnit>{{"/p/p.lpr", "", ""}, {"/p/u.pas", "", ""}}));
}

struct RequireCase {
  std::string_view name;
  std::string_view before;
  std::string_view after;  // empty: unchanged
};

class RequirePackageTest : public ::testing::TestWithParam<RequireCase> {};

TEST_P(RequirePackageTest, AddsTheItemInTheFilesOwnFormat) {
  const RequireCase& c = GetParam();
  const std::string after = RequirePackage(c.before, "polyverb_runtime", "/p/p.lpi");
  EXPECT_EQ(after, c.after.empty() ? c.before : c.after);
  EXPECT_EQ(RequirePackage(after, "polyverb_runtime", "/p/p.lpi"), after);  // once only
}

INSTANTIATE_TEST_SUITE_P(
    Files, RequirePackageTest,
    ::testing::Values(
        RequireCase{"Version12",
                    "<CONFIG>\r\n  <ProjectOptions>\r\n    <RequiredPackages>\r\n      <Item>\r\n"
                    "        <PackageName Value=\"LCL\"/>\r\n      </Item>\r\n"
                    "    </RequiredPackages>\r\n  </ProjectOptions>\r\n</CONFIG>\r\n",
                    "<CONFIG>\r\n  <ProjectOptions>\r\n    <RequiredPackages>\r\n      <Item>\r\n"
                    "        <PackageName Value=\"polyverb_runtime\"/>\r\n      </Item>\r\n"
                    "      <Item>\r\n        <PackageName Value=\"LCL\"/>\r\n      </Item>\r\n"
                    "    </RequiredPackages>\r\n  </ProjectOptions>\r\n</CONFIG>\r\n"},
        RequireCase{"Numbered",
                    "<CONFIG>\n<ProjectOptions>\n<RequiredPackages Count=\"1\">\n  <Item1>\n"
                    "    <PackageName Value=\"LCL\"/>\n  </Item1>\n</RequiredPackages>\n"
                    "</ProjectOptions>\n</CONFIG>",
                    "<CONFIG>\n<ProjectOptions>\n<RequiredPackages Count=\"2\">\n  <Item1>\n"
                    "    <PackageName Value=\"LCL\"/>\n  </Item1>\n  <Item2>\n"
                    "    <PackageName Value=\"polyverb_runtime\"/>\n  </Item2>\n"
                    "</RequiredPackages>\n</ProjectOptions>\n</CONFIG>"},
        RequireCase{
            "AlreadyRequiredInOtherLetterCase",
            "<CONFIG><ProjectOptions><RequiredPackages><Item><PackageName "
            "Value='PolyVerb_Runtime'/></Item></RequiredPackages></ProjectOptions></CONFIG>",
            ""},
        RequireCase{"NoListBeforeTheUnits",
                    "<CONFIG>\n  <ProjectOptions>\n    <Version Value=\"11\"/>\n"
                    "    <Units Count=\"0\"/>\n  </ProjectOptions>\n</CONFIG>\n",
                    "<CONFIG>\n  <ProjectOptions>\n    <Version Value=\"11\"/>\n"
                    "    <RequiredPackages Count=\"1\">\n      <Item1>\n"
                    "        <PackageName Value=\"polyverb_runtime\"/>\n      </Item1>\n"
                    "    </RequiredPackages>\n    <Units Count=\"0\"/>\n  </ProjectOptions>\n"
                    "</CONFIG>\n"},
        RequireCase{"EmptyList",
                    "<CONFIG>\n  <ProjectOptions>\n    <RequiredPackages/>\n"
                    "  </ProjectOptions>\n</CONFIG>\n",
                    "<CONFIG>\n  <ProjectOptions>\n    <RequiredPackages>\n      <Item>\n"
                    "        <PackageName Value=\"polyverb_runtime\"/>\n      </Item>\n"
                    "    </RequiredPackages>\n  </ProjectOptions>\n</CONFIG>\n"}),
    [](const auto& info) { return std::string(info.param.name); });

struct XmlErrorCase {
  std::string_view text;
  std::string_view message;
};

class LazarusProjectErrorTest : public ::testing::TestWithParam<XmlErrorCase> {};

TEST_P(LazarusProjectErrorTest, NamesFileLineAndDefect) {
  EXPECT_EQ(testing::ErrorOf([&] { LazarusProject(GetParam().text, "/p/p.lpi"); }),
            GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Files, LazarusProjectErrorTest,
    ::testing::Values(XmlErrorCase{"program P;",
                                   "Project file /p/p.lpi, line 1: expected the root element, "
                                   "found 'program P;'"},
                      XmlErrorCase{
                          "<CONFIG>\n<ProjectOptions>\n</CONFIG>",
                          "Project file /p/p.lpi, line 3: end tag </CONFIG> does not close "
                          "<ProjectOptions>"},
                      XmlErrorCase{"<CONFIG>\n<Units>",
                                   "Project file /p/p.lpi, line 2: element Units not closed"},
                      XmlErrorCase{"<CONFIG><X V=\"&nbsp;\"/></CONFIG>",
                                   "Project file /p/p.lpi, line 1: unknown entity '&nbsp;'"},
                      XmlErrorCase{"<CONFIG a='1' a='2'/>",
                                   "Project file /p/p.lpi, line 1: attribute a given twice"},
                      XmlErrorCase{"<CONFIG/>",
                                   "Project file /p/p.lpi is not a Lazarus project: it has no "
                                   "CONFIG/ProjectOptions element"}));

TEST(LazarusProjectTest, ProgramOpensThroughTheLpiBesideIt) {
  testing::TempDir dir;
  testing::WriteBytes(dir / "Shop.lpr", "program Shop;\nuses Unit1 in 'Unit1.pas';\nbegin end.\n");
  testing::WriteBytes(dir / "Unit1.pas", "unit Unit1;");
  EXPECT_FALSE(ProjectFile(dir / "Shop.lpr").IsLazarus());  // no .lpi: read like a .dpr
  EXPECT_EQ(ProjectFile(dir / "Shop.lpr").Files(),
            (std::vector<std::string>{dir / "Shop.lpr", dir / "Unit1.pas"}));

  testing::WriteBytes(dir / "shop.LPI",
                      "<CONFIG><ProjectOptions><Units><Unit><Filename Value=\"shop.lpr\"/>"
                      "<IsPartOfProject Value=\"True\"/></Unit></Units></ProjectOptions>"
                      "<CompilerOptions><SearchPaths><OtherUnitFiles Value=\"lib\"/>"
                      "</SearchPaths></CompilerOptions></CONFIG>");
  const ProjectFile project(dir / "Shop.lpr");
  EXPECT_TRUE(project.IsLazarus());
  EXPECT_EQ(project.FileName(), dir / "shop.LPI");
  EXPECT_EQ(project.MainSource(), dir / "Shop.lpr");
  EXPECT_EQ(project.Files(), (std::vector<std::string>{dir / "Shop.lpr"}));
  EXPECT_EQ(project.UnitSearchPath(), (std::vector<std::string>{dir / "lib"}));

  testing::WriteBytes(dir / "none.lpi", "<CONFIG><ProjectOptions/></CONFIG>");
  EXPECT_EQ(testing::ErrorOf([&] { ProjectFile(dir / "none.lpi"); }),
            "Project file " + dir / "none.lpi" +
                " names no main program (no unit of the project is its MainUnit)");
}

}  // namespace
}  // namespace polyverb
