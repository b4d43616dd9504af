// The project module list: which files are modules, the project directory, the rows of
// lvUnits and the selection read back; RelativePath in both path styles.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "expert/UnitList.h"
#include "platform/Error.h"
#include "tests/expert/RecordingHost.h"
#include "tests/expert/ScriptedUi.h"
#include "tests/testing/TempDir.h"

namespace polyverb::testing {
namespace {

// ---- Extensions ----------------------------------------------------------------------

struct ExtensionCase {
  PathStyle style;
  const char* name;
  const char* ext;
};

class LowerExtensionTest : public ::testing::TestWithParam<ExtensionCase> {};

TEST_P(LowerExtensionTest, IsLowerCasedAndEndsAtTheDirectory) {
  EXPECT_EQ(LowerExtension(GetParam().name, GetParam().style), GetParam().ext);
}

INSTANTIATE_TEST_SUITE_P(
    Names, LowerExtensionTest,
    ::testing::Values(ExtensionCase{PathStyle::kWindows, "C:\\Proj\\X.DOF", ".dof"},
                      ExtensionCase{PathStyle::kWindows, "C:\\Proj\\x.Res", ".res"},
                      ExtensionCase{PathStyle::kWindows, "C:\\Proj\\Project1.DPR", ".dpr"},
                      ExtensionCase{PathStyle::kWindows, "C:\\Proj\\Unit1", ""},
                      ExtensionCase{PathStyle::kWindows, "C:\\My.Dir\\Unit1", ""},
                      ExtensionCase{PathStyle::kWindows, "C:Unit1", ""},
                      ExtensionCase{PathStyle::kWindows, "a.b:Unit1", ""},
                      ExtensionCase{PathStyle::kWindows, "C:\\Proj\\Unit1.tar.GZ", ".gz"},
                      ExtensionCase{PathStyle::kWindows, "Unit1.", "."},
                      ExtensionCase{PathStyle::kPosix, "/my.dir/Unit1", ""},
                      ExtensionCase{PathStyle::kPosix, "/proj/Main.PAS", ".pas"},
                      // Only "/" ends a directory here: "\" is an ordinary character.
                      ExtensionCase{PathStyle::kPosix, "/proj/a.b\\c", ".b\\c"},
                      // Only A to Z are lower-cased.
                      ExtensionCase{PathStyle::kPosix, "/proj/u.\xC3\x89X", ".\xC3\x89x"}));

// ---- LoadFromProject and the list view ---------------------------------------------

class UnitListTest : public ::testing::Test {
 protected:
  void TearDown() override { host_.Verify(); }

  // Loads the given names (taken as they are) in the Windows style.
  TUnitList Load(const std::vector<std::string>& names, PathStyle style = PathStyle::kWindows) {
    for (const auto& n : names) host_.AddName(n);
    TUnitList list(style);
    list.LoadFromProject(host_);
    return list;
  }

  static std::vector<std::string> Names(TUnitList& list) {
    std::vector<std::string> names;
    for (int i = 0; i < list.Count(); ++i)
      names.push_back(list.Items(i).FileName + (list.Items(i).IsProject ? " [project]" : ""));
    return names;
  }

  TempDir dir_;
  RecordingHost host_{dir_.path()};
};

TEST_F(UnitListTest, KeepsModulesInProjectOrderAndMarksTheProjectFile) {
  TUnitList list = Load({"C:\\Proj\\X.DOF", "C:\\Proj\\Unit1.pas", "C:\\Proj\\Project1.DPR",
                         "C:\\Proj\\x.Res", "C:\\My.Dir\\Unit2", "C:\\Proj\\Forms\\Main.frm"});
  EXPECT_EQ(Names(list),
            (std::vector<std::string>{"C:\\Proj\\Unit1.pas", "C:\\Proj\\Project1.DPR [project]",
                                      "C:\\My.Dir\\Unit2", "C:\\Proj\\Forms\\Main.frm"}));
  for (int i = 0; i < list.Count(); ++i) EXPECT_TRUE(list.Items(i).Selected);
  EXPECT_EQ(list.ProjectDir(), "C:\\Proj\\");
  EXPECT_EQ(host_.Log(),
            (CallLog{"GetUnitCount", "GetUnitName(0)", "GetUnitName(1)", "GetUnitName(2)",
                     "GetUnitName(3)", "GetUnitName(4)", "GetUnitName(5)"}));
}

TEST_F(UnitListTest, LazarusProgramIsTheProjectFile) {
  TUnitList list =
      Load({"/home/ann/Shop/Shop.LPR", "/home/ann/Shop/MainForm.pas"}, PathStyle::kPosix);
  EXPECT_EQ(Names(list), (std::vector<std::string>{"/home/ann/Shop/Shop.LPR [project]",
                                                   "/home/ann/Shop/MainForm.pas"}));
  EXPECT_EQ(list.ProjectDir(), "/home/ann/Shop/");
}

TEST_F(UnitListTest, TheLastProjectFileGivesTheProjectDirectory) {
  TUnitList list = Load({"C:\\A\\One.dpr", "C:\\B\\Two.dpr"});
  EXPECT_EQ(list.ProjectDir(), "C:\\B\\");
  EXPECT_TRUE(list.Items(0).IsProject);
  EXPECT_TRUE(list.Items(1).IsProject);
}

TEST_F(UnitListTest, UnitNameAndUnitPathFollowTheStyle) {
  TUnitList windows = Load({"C:\\Proj\\Unit1.pas", "D:Unit2.pas", "Unit3.pas"});
  EXPECT_EQ(windows.Items(0).UnitName(), "Unit1.pas");
  EXPECT_EQ(windows.Items(0).UnitPath(), "C:\\Proj\\");
  EXPECT_EQ(windows.Items(1).UnitName(), "Unit2.pas");
  EXPECT_EQ(windows.Items(1).UnitPath(), "D:");
  EXPECT_EQ(windows.Items(2).UnitName(), "Unit3.pas");
  EXPECT_EQ(windows.Items(2).UnitPath(), "");

  TUnitProps posix{"/home/ann/C:\\odd.pas", true, false, PathStyle::kPosix};
  EXPECT_EQ(posix.UnitName(), "C:\\odd.pas");
  EXPECT_EQ(posix.UnitPath(), "/home/ann/");
}

TEST_F(UnitListTest, ShowsNamesAndPathsRelativeToTheProject) {
  TUnitList list =
      Load({"C:\\Proj\\Project1.dpr", "C:\\Proj\\Unit1.pas", "C:\\Proj\\Forms\\Main.pas",
            "C:\\Lib\\Tools.pas", "C:\\proj\\Odd.pas", "D:\\Other\\Far.pas", "Bare.pas"});
  ScriptedListView view;
  view.AddRow("stale", "row", false);
  list.ShowInListView(view);
  EXPECT_EQ(view.rows, (std::vector<ListRow>{{"Project1.dpr", "", true},
                                             {"Unit1.pas", "", true},
                                             {"Main.pas", "Forms\\", true},
                                             {"Tools.pas", "..\\Lib\\", true},
                                             {"Odd.pas", "..\\proj\\", true},
                                             {"Far.pas", "D:\\Other\\", true},
                                             {"Bare.pas", ".\\", true}}));
}

TEST_F(UnitListTest, WithoutProjectFileThePathsStayFull) {
  TUnitList list = Load({"/src/app/Unit1.pas", "/src/lib/Tools.pas"}, PathStyle::kPosix);
  ScriptedListView view;
  list.ShowInListView(view);
  EXPECT_EQ(view.rows, (std::vector<ListRow>{{"Unit1.pas", "/src/app/", true},
                                             {"Tools.pas", "/src/lib/", true}}));
}

TEST_F(UnitListTest, ReadsTheSelectionBackByPosition) {
  TUnitList list = Load({"C:\\P\\P.dpr", "C:\\P\\A.pas", "C:\\P\\B.pas", "C:\\P\\C.pas"});
  ScriptedListView view;
  list.ShowInListView(view);
  view.rows[1].Selected = false;
  view.rows[3].Selected = false;
  // Captions play no part: the rows are matched by position only.
  view.rows[0].caption = "C.pas";
  list.ReadFromListView(view);
  EXPECT_EQ((std::vector<bool>{list.Items(0).Selected, list.Items(1).Selected,
                               list.Items(2).Selected, list.Items(3).Selected}),
            (std::vector<bool>{true, false, true, false}));
}

TEST_F(UnitListTest, ReadingFromAShorterViewFailsAtTheFirstMissingRow) {
  TUnitList list = Load({"C:\\P\\P.dpr", "C:\\P\\A.pas", "C:\\P\\B.pas"});
  ScriptedListView view;
  view.AddRow("P.dpr", "", false);
  view.AddRow("A.pas", "", false);
  try {
    list.ReadFromListView(view);
    FAIL() << "no failure";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (2)");
  }
}

TEST_F(UnitListTest, AnEmptyProjectGivesAnEmptyListAndView) {
  TUnitList list = Load({});
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.ProjectDir(), "");
  ScriptedListView view;
  view.AddRow("stale", "", true);
  list.ShowInListView(view);
  EXPECT_TRUE(view.rows.empty());
  list.ReadFromListView(view);
  EXPECT_EQ(host_.Log(), CallLog{"GetUnitCount"});
}

TEST_F(UnitListTest, ItemsOutsideTheListFail) {
  TUnitList list = Load({"C:\\P\\A.pas"});
  for (int index : {-1, 1}) {
    try {
      list.Items(index);
      ADD_FAILURE() << "no failure for " << index;
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), "List index out of bounds (" + std::to_string(index) + ")");
    }
  }
}

// ---- RelativePath ----------------------------------------------------------------------

struct RelativeCase {
  const char* base;
  const char* target;
  const char* result;
};

// Written in the Windows style; the "/" style runs the same cases with "C:\" as "/" and
// every "\" as "/".
const RelativeCase kRelativeCases[] = {
    {"C:\\Proj\\", "C:\\Proj\\", ""},
    {"C:\\Proj\\", "C:\\Proj\\Forms\\", "Forms\\"},
    {"C:\\Proj\\", "C:\\Lib\\", "..\\Lib\\"},
    {"C:\\Proj\\Sub\\", "C:\\Proj\\", "..\\"},
    {"C:\\A\\B\\", "C:\\X\\Y\\", "..\\..\\X\\Y\\"},
    {"C:\\Pro\\", "C:\\Project\\", "..\\Project\\"},
    {"C:\\proj\\", "C:\\Proj\\Forms\\", "..\\Proj\\Forms\\"},
    {"C:\\", "C:\\A\\B\\", "A\\B\\"},
    {"C:\\A\\B\\C\\", "C:\\", "..\\..\\..\\"},
    // No project directory: the full directory.
    {"", "C:\\Lib\\", "C:\\Lib\\"},
    // A name without directory: where the IDE runs, not the project directory.
    {"C:\\Proj\\", "", ".\\"},
    {"", "", ".\\"},
};

std::string ToPosix(std::string text) {
  if (text.rfind("C:\\", 0) == 0) text.replace(0, 3, "/");
  for (char& c : text)
    if (c == '\\') c = '/';
  return text;
}

class RelativePathTest : public ::testing::TestWithParam<RelativeCase> {};

TEST_P(RelativePathTest, WindowsStyle) {
  const RelativeCase& c = GetParam();
  EXPECT_EQ(RelativePath(c.base, c.target, PathStyle::kWindows), c.result);
}

TEST_P(RelativePathTest, PosixStyle) {
  const RelativeCase& c = GetParam();
  EXPECT_EQ(RelativePath(ToPosix(c.base), ToPosix(c.target), PathStyle::kPosix), ToPosix(c.result));
}

INSTANTIATE_TEST_SUITE_P(Table, RelativePathTest, ::testing::ValuesIn(kRelativeCases));

TEST(RelativePathOpenCasesTest, TextsSharingNoDirectoryGiveTheTarget) {
  EXPECT_EQ(RelativePath("C:\\Proj\\", "D:\\Lib\\", PathStyle::kWindows), "D:\\Lib\\");
  EXPECT_EQ(RelativePath("C:\\Proj\\", "\\\\server\\share\\", PathStyle::kWindows),
            "\\\\server\\share\\");
  // Two relative directories: the target is relative to the same place as the base.
  EXPECT_EQ(RelativePath("Proj/", "Lib/", PathStyle::kPosix), "Lib/");
  EXPECT_EQ(RelativePath("ab/", "a/", PathStyle::kPosix), "a/");
  // A drive-relative name still shares the drive.
  EXPECT_EQ(RelativePath("C:Proj\\", "C:Lib\\", PathStyle::kWindows), "..\\Lib\\");
}

TEST(CutFirstDirTest, SplitsAtTheFirstSeparatorOnly) {
  struct Case {
    PathStyle style;
    const char* path;
    const char* first;
    const char* rest;
  };
  const Case cases[] = {
      {PathStyle::kWindows, "A\\B\\", "A", "B\\"},
      {PathStyle::kWindows, "C:\\A", "C:", "A"},  // ":" ends a drive, not a directory step
      {PathStyle::kWindows, "A/B", "A/B", ""},
      {PathStyle::kWindows, "\\A", "", "A"},
      {PathStyle::kWindows, "", "", ""},
      {PathStyle::kPosix, "a/b/", "a", "b/"},
      {PathStyle::kPosix, "a\\b/", "a\\b", ""},
  };
  for (const Case& c : cases) {
    std::string path = c.path;
    std::string first = "old";
    CutFirstDir(path, first, c.style);
    EXPECT_EQ(first, c.first) << c.path;
    EXPECT_EQ(path, c.rest) << c.path;
  }
}

}  // namespace
}  // namespace polyverb::testing
