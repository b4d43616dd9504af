// The expert driven as the IDE drives it, through the static library so that clicks can
// reach the scripted dialogs: the entry point's work, the click, the relay of a failure
// inside a run. (libpolyverb.so itself is tested through dlopen in Addin_test.cpp.)
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "expert/Expert.h"
#include "tests/expert/RecordingHost.h"
#include "tests/expert/ScriptedUi.h"
#include "tests/testing/TempDir.h"

namespace polyverb::testing {
namespace {

void SomeTermination() {}

std::string Unit(const std::string& name, const std::string& text) {
  return "unit " + name + ";\ninterface\nimplementation\nprocedure P;\nbegin\n  ShowMessage('" +
         text + "');\nend;\nend.\n";
}

class ExpertTest : public ::testing::Test {
 protected:
  ExpertTest() {
    script_.log = &host_.Log();
    ScriptedUi::UseScript(&script_);
  }
  ~ExpertTest() override { ScriptedUi::UseScript(nullptr); }
  void TearDown() override { host_.Verify(); }

  bool Init() {
    return InitExpert(&host_, &RecordingHost::Register, &terminate_, &ScriptedUi::Factory);
  }

  TempDir dir_{/*enter=*/true};
  RecordingHost host_{dir_.path()};
  DialogScript script_;
  TExpertTerminateProc terminate_ = &SomeTermination;
};

TEST_F(ExpertTest, TheEntryGivesTheDialogsTheIdeWindowAndAClickRunsTheWizard) {
  host_.parent_handle = 0xBEEF;
  host_.AddFile("Project1.dpr", "program Project1;\nbegin\nend.\n");
  ASSERT_TRUE(Init());
  EXPECT_EQ(ScriptedUi::LastParentWindow(), 0xBEEFu);
  EXPECT_EQ(ToolServices, &host_);
  EXPECT_EQ(terminate_, &SomeTermination);  // the add-in registers no termination procedure

  script_.modal_result = TWizardDialog::kCancelled;
  host_.Log().clear();
  host_.Click("ProjectPolyverbItem");
  EXPECT_EQ(host_.Log(),
            (CallLog{"GetProjectName", "GetUnitCount", "GetUnitName(0)", "Wizard.Create",
                     "Wizard.ShowModal", "Wizard.Destroy", "Release Sender(ProjectPolyverbItem)"}));
  EXPECT_TRUE(host_.errors.empty());
}

TEST_F(ExpertTest, AFailureInARunIsRelayedAndTheNextClickStartsAfresh) {
  host_.AddFile("Project1.dpr", "program Project1;\nbegin\nend.\n");
  host_.AddFile("U1.pas", Unit("U1", "One"));
  host_.AddFile("U2.pas", std::string("unit U2;\0", 9) + "\ninterface\nend.\n");
  host_.AddFile("U3.pas", Unit("U3", "Three"));
  ASSERT_TRUE(Init());

  host_.Click("ProjectPolyverbItem");
  EXPECT_EQ(host_.errors, std::vector<std::string>{"Source file " + dir_ / "U2.pas" +
                                                   " contains a NUL byte at offset 8; it is "
                                                   "not a text file"});
  EXPECT_EQ(ReadBytes(dir_ / "U3.pas"), Unit("U3", "Three"));

  // The host carries on; the next click is a new run over the project as it is now.
  WriteBytes(dir_ / "U2.pas", Unit("U2", "Two"));
  host_.Click("ProjectPolyverbItem");
  EXPECT_EQ(host_.errors.size(), 1u);
  ASSERT_EQ(script_.shown_rows.size(), 2u);
  EXPECT_EQ(script_.shown_rows[1], script_.shown_rows[0]);
  EXPECT_EQ(script_.dialogs_destroyed, 2);
  std::vector<std::string> chosen;
  for (const auto& entry : host_.Log())
    if (entry.rfind("Chooser(", 0) == 0) chosen.push_back(entry);
  EXPECT_EQ(chosen, (std::vector<std::string>{"Chooser(One)", "Chooser(Two)", "Chooser(Three)"}));
  EXPECT_NE(ReadBytes(dir_ / "U3.pas").find("ShowMessage(GetLangStr(3));"), std::string::npos);
}

TEST_F(ExpertTest, AFailingDialogIsRelayed) {
  host_.AddFile("Project1.dpr", "program Project1;\nbegin\nend.\n");
  ASSERT_TRUE(InitExpert(&host_, &RecordingHost::Register, &terminate_,
                         [](std::uintptr_t) -> std::unique_ptr<TWizardUi> {
                           struct Broken : ScriptedUi {
                             using ScriptedUi::ScriptedUi;
                             std::unique_ptr<TWizardDialog> CreateWizardDialog() override {
                               throw std::runtime_error("no display");
                             }
                           };
                           static DialogScript unused;
                           return std::make_unique<Broken>(unused);
                         }));
  host_.Click("ProjectPolyverbItem");
  host_.Click("ProjectPolyverbItem");
  EXPECT_EQ(host_.errors, (std::vector<std::string>{"no display", "no display"}));
}

TEST_F(ExpertTest, AFactoryThatFailsLeavesTheIdeWithoutTheExpert) {
  ScriptedUi::UseScript(nullptr);
  EXPECT_TRUE(Init());
  EXPECT_EQ(host_.errors, std::vector<std::string>{"test set-up: no dialog script"});
  EXPECT_TRUE(host_.Experts().empty());
  EXPECT_EQ(host_.FindItem("ProjectPolyverbItem"), nullptr);
}

}  // namespace
}  // namespace polyverb::testing
