// libpolyverb.so as the IDE meets it: loaded with dlopen, its one export found with dlsym
// and called with the recording host's tool services.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "ideintf/IdeIntf.h"
#include "tests/expert/LoadAddin.h"
#include "tests/expert/RecordingHost.h"
#include "tests/testing/RunTool.h"
#include "tests/testing/TempDir.h"

namespace polyverb::testing {
namespace {

TExpertInitProc EntryPoint() { return LoadAddinEntryPoint(POLYVERB_ADDIN); }

void SomeTermination() {}

const CallLog kInsertion = {
    "GetParentHandle",
    "GetMainMenu",
    "MainMenu.GetMenuItems",
    "MainMenu.FindMenuItem(ProjectOptionsItem)",
    "MenuItem(ProjectOptionsItem).GetParent",
    "MenuItem(ProjectOptionsItem).GetIndex",
    "MenuItem(Project).InsertItem(2, Polyverb, ProjectPolyverbItem, , 0, 0, 0, 6)",
    "Release MenuItem(Project)",
    "Release MenuItem(ProjectOptionsItem)",
    "Release MenuItem(Items)",
    "Release MainMenu",
    "Register",
};

class AddinTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(EntryPoint(), nullptr); }
  void TearDown() override { host.Verify(); }

  bool Init() { return EntryPoint()(&host, &RecordingHost::Register, &terminate); }

  std::vector<std::string> SiblingsOf(const std::string& name) {
    std::vector<std::string> names;
    for (const auto& item : host.FindItem(name)->Parent->Items) names.push_back(item->Name);
    return names;
  }

  TempDir dir;
  RecordingHost host{dir.path()};
  TExpertTerminateProc terminate = &SomeTermination;
};

TEST(AddinExportsTest, TheEntryPointIsTheOnlyExport) {
  const ToolResult nm =
      RunTool(POLYVERB_NM, {"-D", "--defined-only", "--format=just-symbols", POLYVERB_ADDIN});
  ASSERT_EQ(nm.exit_code, 0) << nm.err;
  EXPECT_EQ(nm.out, "INITEXPERT0017\n");
}

TEST_F(AddinTest, RegistersOneExpertWhoseItemFollowsTheOptionsItem) {
  EXPECT_TRUE(Init());
  EXPECT_EQ(host.Log(), kInsertion);
  EXPECT_EQ(terminate, &SomeTermination);
  ASSERT_EQ(host.Experts().size(), 1u);
  TIExpert& expert = *host.Experts()[0];
  EXPECT_EQ(expert.GetVersion(), 3);
  EXPECT_EQ(expert.GetName(), "Project Polyverb");
  EXPECT_EQ(expert.GetStyle(), TExpertStyle::esAddIn);
  EXPECT_EQ(expert.GetIDString(), "Valdor.Polyverb");

  EXPECT_EQ(SiblingsOf("ProjectPolyverbItem"),
            (std::vector<std::string>{"ProjectAddItem", "ProjectOptionsItem", "ProjectPolyverbItem",
                                      "ProjectCompileItem"}));
  const HostMenuItem& item = *host.FindItem("ProjectPolyverbItem");
  EXPECT_EQ(item.Caption, "Polyverb");
  EXPECT_EQ(item.Flags, 6);
  EXPECT_TRUE(host.Errors.empty());
}

TEST_F(AddinTest, TheItemGoesWhereverTheOptionsItemIs) {
  // Move the options item to the end of a nested submenu of Help.
  HostMenuItem* project = host.FindItem("Project");
  HostMenuItem* nested = host.FindItem("Help")->Add("Nested");
  nested->Add("First");
  nested->Add("Second");
  for (auto it = project->Items.begin(); it != project->Items.end(); ++it) {
    if ((*it)->Name != "ProjectOptionsItem") continue;
    (*it)->Parent = nested;
    nested->Items.push_back(std::move(*it));
    project->Items.erase(it);
    break;
  }
  EXPECT_TRUE(Init());
  EXPECT_EQ(
      SiblingsOf("ProjectPolyverbItem"),
      (std::vector<std::string>{"First", "Second", "ProjectOptionsItem", "ProjectPolyverbItem"}));
  EXPECT_EQ(SiblingsOf("ProjectAddItem"),
            (std::vector<std::string>{"ProjectAddItem", "ProjectCompileItem"}));
}

// Menus where the chain from the main menu to the options item's submenu breaks: the
// expert is registered without an item, nothing is reported.
struct MissingCase {
  const char* name;
  void (*arrange)(RecordingHost&);
  CallLog log;
};

class MissingMenuTest : public AddinTest, public ::testing::WithParamInterface<MissingCase> {};

TEST_P(MissingMenuTest, RegistersWithoutItemOrMessage) {
  GetParam().arrange(host);
  EXPECT_TRUE(Init());
  EXPECT_EQ(host.Log(), GetParam().log);
  EXPECT_EQ(host.Experts().size(), 1u);
  EXPECT_EQ(host.FindItem("ProjectPolyverbItem"), nullptr);
  EXPECT_TRUE(host.Errors.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Menus, MissingMenuTest,
    ::testing::Values(MissingCase{"NoMainMenu",
                                  [](RecordingHost& h) { h.NoMainMenu = true; },
                                  {"GetParentHandle", "GetMainMenu", "Register"}},
                      MissingCase{"NoMenuItems",
                                  [](RecordingHost& h) { h.NoMenuItems = true; },
                                  {"GetParentHandle", "GetMainMenu", "MainMenu.GetMenuItems",
                                   "Release MainMenu", "Register"}},
                      MissingCase{"NoOptionsItem",
                                  [](RecordingHost& h) {
                                    h.FindItem("ProjectOptionsItem")->Name = "Other";
                                  },
                                  {"GetParentHandle", "GetMainMenu", "MainMenu.GetMenuItems",
                                   "MainMenu.FindMenuItem(ProjectOptionsItem)",
                                   "Release MenuItem(Items)", "Release MainMenu", "Register"}},
                      MissingCase{"NoParent",
                                  [](RecordingHost& h) { h.NoParent = true; },
                                  {"GetParentHandle", "GetMainMenu", "MainMenu.GetMenuItems",
                                   "MainMenu.FindMenuItem(ProjectOptionsItem)",
                                   "MenuItem(ProjectOptionsItem).GetParent",
                                   "Release MenuItem(ProjectOptionsItem)",
                                   "Release MenuItem(Items)", "Release MainMenu", "Register"}}),
    [](const auto& info) { return std::string(info.param.name); });

// A failure at a step of the entry point: relayed, True all the same, the menu interfaces
// obtained so far released innermost first, nothing registered.
struct FailureCase {
  const char* name;
  std::size_t step;  // index into kInsertion of the failing call
  CallLog releases;  // what follows it
};

class EntryFailureTest : public AddinTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(EntryFailureTest, IsRelayedAfterReleasingWhatWasObtained) {
  const std::string failing = kInsertion[GetParam().step];
  host.FailAt = {failing};
  EXPECT_TRUE(Init());
  CallLog expected(kInsertion.begin(),
                   kInsertion.begin() + static_cast<std::ptrdiff_t>(GetParam().step) + 1);
  expected.insert(expected.end(), GetParam().releases.begin(), GetParam().releases.end());
  expected.push_back("RaiseException(host failure at " + failing + ")");
  EXPECT_EQ(host.Log(), expected);
  EXPECT_TRUE(host.Experts().empty());
  EXPECT_EQ(host.FindItem("ProjectPolyverbItem"), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, EntryFailureTest,
    ::testing::Values(
        FailureCase{"GetParentHandle", 0, {}}, FailureCase{"GetMainMenu", 1, {}},
        FailureCase{"FindMenuItem", 3, {"Release MenuItem(Items)", "Release MainMenu"}},
        FailureCase{"GetIndex",
                    5,
                    {"Release MenuItem(Project)", "Release MenuItem(ProjectOptionsItem)",
                     "Release MenuItem(Items)", "Release MainMenu"}},
        FailureCase{"InsertItem",
                    6,
                    {"Release MenuItem(Project)", "Release MenuItem(ProjectOptionsItem)",
                     "Release MenuItem(Items)", "Release MainMenu"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(AddinTest, FailuresOfEveryKindReachTheIdeAsText) {
  host.FailAt = {"GetMainMenu"};
  host.Fail = [](const std::string&) { throw std::runtime_error("out of menus"); };
  EXPECT_TRUE(Init());
  host.Fail = [](const std::string&) { throw 42; };
  EXPECT_TRUE(Init());
  EXPECT_EQ(host.Errors, (std::vector<std::string>{"out of menus", "Unknown failure"}));
}

TEST_F(AddinTest, AFailingErrorReporterIsSurvived) {
  host.FailAt = {"GetMainMenu", "RaiseException(host failure at GetMainMenu)"};
  EXPECT_TRUE(Init());
  EXPECT_EQ(host.Log(), (CallLog{"GetParentHandle", "GetMainMenu",
                                 "RaiseException(host failure at GetMainMenu)"}));
}

TEST_F(AddinTest, ARegistrationRefusedStillReturnsTrue) {
  host.RegisterResult = false;
  EXPECT_TRUE(Init());
  EXPECT_EQ(host.Log(), kInsertion);
  EXPECT_TRUE(host.Errors.empty());
}

TEST_F(AddinTest, NoToolServicesIsNoCrash) {
  EXPECT_TRUE(EntryPoint()(nullptr, &RecordingHost::Register, &terminate));
  EXPECT_TRUE(host.Experts().empty());
  EXPECT_EQ(terminate, &SomeTermination);
}

TEST_F(AddinTest, NoRegistrationFunctionInsertsNothing) {
  EXPECT_TRUE(EntryPoint()(&host, nullptr, &terminate));
  EXPECT_EQ(host.Log(), (CallLog{"RaiseException(Polyverb cannot register itself: the IDE passed "
                                 "no registration function)"}));
}

TEST_F(AddinTest, AClickWithNoProjectOpenDoesNothing) {
  ASSERT_TRUE(Init());
  host.Log().clear();
  host.Click("ProjectPolyverbItem");
  host.Click("ProjectPolyverbItem");
  EXPECT_EQ(host.Log(), (CallLog{"GetProjectName", "Release Sender(ProjectPolyverbItem)",
                                 "GetProjectName", "Release Sender(ProjectPolyverbItem)"}));
  EXPECT_TRUE(host.Errors.empty());
}

TEST_F(AddinTest, AFailureInAClickIsRelayedAndTheIdeCarriesOn) {
  ASSERT_TRUE(Init());
  host.FailAt = {"GetProjectName"};
  host.Click("ProjectPolyverbItem");
  host.FailAt.clear();
  host.Click("ProjectPolyverbItem");
  EXPECT_EQ(host.Errors, std::vector<std::string>{"host failure at GetProjectName"});
  TIExpert& expert = *host.Experts()[0];
  EXPECT_EQ(expert.GetName(), "Project Polyverb");
}

TEST_F(AddinTest, ReleasingTheExpertReleasesItsMenuItem) {
  ASSERT_TRUE(Init());
  host.Log().clear();
  host.ReleaseExperts();
  EXPECT_EQ(host.Log(), (CallLog{"ReleaseExpert", "Release MenuItem(ProjectPolyverbItem)"}));
  // Removing the item is the IDE's business.
  EXPECT_NE(host.FindItem("ProjectPolyverbItem"), nullptr);
}

TEST_F(AddinTest, TheExpertLivesWhileTheIdeHoldsAReference) {
  ASSERT_TRUE(Init());
  TIExpert& expert = *host.Experts()[0];
  EXPECT_EQ(expert.AddRef(), 2);
  EXPECT_EQ(expert.Release(), 1);
  host.Log().clear();
  host.ReleaseExperts();
  EXPECT_EQ(host.Log(), (CallLog{"ReleaseExpert", "Release MenuItem(ProjectPolyverbItem)"}));
}

}  // namespace
}  // namespace polyverb::testing
