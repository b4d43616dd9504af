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

TExpertInitProc EntryPoint() {
  return LoadAddinEntryPoint(POLYVERB_ADDIN);
}

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
  void TearDown() override { host_.Verify(); }

  bool Init() { return EntryPoint()(&host_, &RecordingHost::Register, &terminate_); }

  std::vector<std::string> SiblingsOf(const std::string& name) {
    std::vector<std::string> names;
    for (const auto& item : host_.FindItem(name)->parent->items) names.push_back(item->name);
    return names;
  }

  TempDir dir_;
  RecordingHost host_{dir_.path()};
  TExpertTerminateProc terminate_ = &SomeTermination;
};

TEST(AddinExportsTest, TheEntryPointIsTheOnlyExport) {
  const ToolResult nm =
      RunTool(POLYVERB_NM, {"-D", "--defined-only", "--format=just-symbols", POLYVERB_ADDIN});
  ASSERT_EQ(nm.exit_code, 0) << nm.err;
  EXPECT_EQ(nm.out, "INITEXPERT0017\n");
}

TEST_F(AddinTest, RegistersOneExpertWhoseItemFollowsTheOptionsItem) {
  EXPECT_TRUE(Init());
  EXPECT_EQ(host_.Log(), kInsertion);
  EXPECT_EQ(terminate_, &SomeTermination);
  ASSERT_EQ(host_.Experts().size(), 1u);
  TIExpert& expert = *host_.Experts()[0];
  EXPECT_EQ(expert.GetVersion(), 3);
  EXPECT_EQ(expert.GetName(), "Project Polyverb");
  EXPECT_EQ(expert.GetStyle(), TExpertStyle::esAddIn);
  EXPECT_EQ(expert.GetIDString(), "Valdor.Polyverb");

  EXPECT_EQ(SiblingsOf("ProjectPolyverbItem"),
            (std::vector<std::string>{"ProjectAddItem", "ProjectOptionsItem", "ProjectPolyverbItem",
                                      "ProjectCompileItem"}));
  const HostMenuItem& item = *host_.FindItem("ProjectPolyverbItem");
  EXPECT_EQ(item.caption, "Polyverb");
  EXPECT_EQ(item.flags, 6);
  EXPECT_TRUE(host_.errors.empty());
}

TEST_F(AddinTest, TheItemGoesWhereverTheOptionsItemIs) {
  // Move the options item to the end of a nested submenu of Help.
  HostMenuItem* project = host_.FindItem("Project");
  HostMenuItem* nested = host_.FindItem("Help")->Add("Nested");
  nested->Add("First");
  nested->Add("Second");
  for (auto it = project->items.begin(); it != project->items.end(); ++it) {
    if ((*it)->name != "ProjectOptionsItem") continue;
    (*it)->parent = nested;
    nested->items.push_back(std::move(*it));
    project->items.erase(it);
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
  GetParam().arrange(host_);
  EXPECT_TRUE(Init());
  EXPECT_EQ(host_.Log(), GetParam().log);
  EXPECT_EQ(host_.Experts().size(), 1u);
  EXPECT_EQ(host_.FindItem("ProjectPolyverbItem"), nullptr);
  EXPECT_TRUE(host_.errors.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Menus, MissingMenuTest,
    ::testing::Values(MissingCase{"NoMainMenu",
                                  [](RecordingHost& h) { h.no_main_menu = true; },
                                  {"GetParentHandle", "GetMainMenu", "Register"}},
                      MissingCase{"NoMenuItems",
                                  [](RecordingHost& h) { h.no_menu_items = true; },
                                  {"GetParentHandle", "GetMainMenu", "MainMenu.GetMenuItems",
                                   "Release MainMenu", "Register"}},
                      MissingCase{"NoOptionsItem",
                                  [](RecordingHost& h) {
                                    h.FindItem("ProjectOptionsItem")->name = "Other";
                                  },
                                  {"GetParentHandle", "GetMainMenu", "MainMenu.GetMenuItems",
                                   "MainMenu.FindMenuItem(ProjectOptionsItem)",
                                   "Release MenuItem(Items)", "Release MainMenu", "Register"}},
                      MissingCase{"NoParent",
                                  [](RecordingHost& h) { h.no_parent = true; },
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
  host_.fail_at = {failing};
  EXPECT_TRUE(Init());
  CallLog expected(kInsertion.begin(),
                   kInsertion.begin() + static_cast<std::ptrdiff_t>(GetParam().step) + 1);
  expected.insert(expected.end(), GetParam().releases.begin(), GetParam().releases.end());
  expected.push_back("RaiseException(host failure at " + failing + ")");
  EXPECT_EQ(host_.Log(), expected);
  EXPECT_TRUE(host_.Experts().empty());
  EXPECT_EQ(host_.FindItem("ProjectPolyverbItem"), nullptr);
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
  host_.fail_at = {"GetMainMenu"};
  host_.fail = [](const std::string&) { throw std::runtime_error("out of menus"); };
  EXPECT_TRUE(Init());
  host_.fail = [](const std::string&) { throw 42; };
  EXPECT_TRUE(Init());
  EXPECT_EQ(host_.errors, (std::vector<std::string>{"out of menus", "Unknown failure"}));
}

TEST_F(AddinTest, AFailingErrorReporterIsSurvived) {
  host_.fail_at = {"GetMainMenu", "RaiseException(host failure at GetMainMenu)"};
  EXPECT_TRUE(Init());
  EXPECT_EQ(host_.Log(), (CallLog{"GetParentHandle", "GetMainMenu",
                                  "RaiseException(host failure at GetMainMenu)"}));
}

TEST_F(AddinTest, ARegistrationRefusedStillReturnsTrue) {
  host_.register_result = false;
  EXPECT_TRUE(Init());
  EXPECT_EQ(host_.Log(), kInsertion);
  EXPECT_TRUE(host_.errors.empty());
}

TEST_F(AddinTest, NoToolServicesIsNoCrash) {
  EXPECT_TRUE(EntryPoint()(nullptr, &RecordingHost::Register, &terminate_));
  EXPECT_TRUE(host_.Experts().empty());
  EXPECT_EQ(terminate_, &SomeTermination);
}

TEST_F(AddinTest, NoRegistrationFunctionInsertsNothing) {
  EXPECT_TRUE(EntryPoint()(&host_, nullptr, &terminate_));
  EXPECT_EQ(host_.Log(), (CallLog{"RaiseException(Polyverb cannot register itself: the IDE passed "
                                  "no registration function)"}));
}

TEST_F(AddinTest, AFailureInAClickIsRelayedAndTheIdeCarriesOn) {
  ASSERT_TRUE(Init());
  host_.fail_at = {"GetProjectName"};
  host_.Click("ProjectPolyverbItem");
  host_.fail_at.clear();
  host_.Click("ProjectPolyverbItem");
  EXPECT_EQ(host_.errors, std::vector<std::string>{"host failure at GetProjectName"});
  TIExpert& expert = *host_.Experts()[0];
  EXPECT_EQ(expert.GetName(), "Project Polyverb");
}

TEST_F(AddinTest, TheExpertLivesWhileTheIdeHoldsAReferenceAndReleasesItsMenuItem) {
  ASSERT_TRUE(Init());
  TIExpert& expert = *host_.Experts()[0];
  EXPECT_EQ(expert.AddRef(), 2);
  EXPECT_EQ(expert.Release(), 1);
  host_.Log().clear();
  host_.ReleaseExperts();
  EXPECT_EQ(host_.Log(), (CallLog{"ReleaseExpert", "Release MenuItem(ProjectPolyverbItem)"}));
  // Removing the item is the IDE's business.
  EXPECT_NE(host_.FindItem("ProjectPolyverbItem"), nullptr);
}

}  // namespace
}  // namespace polyverb::testing
