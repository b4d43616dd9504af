// polyverb forms: form texts into the language file, for form files alone.
#include <gtest/gtest.h>

#include "cli/Cli.h"
#include "langfile/LangFileEdit.h"
#include "tests/testing/CallCommand.h"
#include "tests/testing/ErrorOf.h"
#include "tests/testing/TempDir.h"

namespace polyverb::cli {
namespace {

using testing::CallCommand;

class FormsCommandTest : public ::testing::Test {
 protected:
  FormsCommandTest() {
    testing::WriteBytes(dir_ / "Main.dfm",
                        "object frmMain: TfrmMain\n  Caption = 'Shop'\n"
                        "  object lblTotal: TLabel\n    Caption = 'Total'\n  end\nend\n");
  }

  std::vector<std::string> Strings() {
    std::vector<std::string> texts;
    auto file = TvLangFileEdit::ReadExisting(dir_ / "english.lng");
    for (const auto& rec : file->Idents())
      texts.push_back(std::to_string(rec.Number) + "=" + std::string(rec.Text));
    for (const auto& group : file->Props().Groups())
      for (const auto& item : group.items)
        texts.push_back(group.name + ":" + item.Text + "=" + std::to_string(item.value));
    return texts;
  }

  testing::TempDir dir_{/*enter=*/true};
};

TEST_F(FormsCommandTest, StoresTheTextsAndReusesTheGroupOnTheNextRun) {
  auto first = CallCommand(RunForms, {"Main.dfm"});
  EXPECT_EQ(first.status, kExitOk) << first.err;
  EXPECT_EQ(first.out, "Main.dfm: TfrmMain: 2 texts: 2 new, 0 changed, 0 kept, 0 removed\n");
  EXPECT_EQ(Strings(), (std::vector<std::string>{"1=Shop", "2=Total", "TfrmMain:Caption=1",
                                                 "TfrmMain:lblTotal.Caption=2"}));

  testing::WriteBytes(
      dir_ / "Main.dfm",
      "object frmMain: TfrmMain\n  Caption = 'Corner shop'\n  Hint = 'Main'\nend\n");
  auto dry = CallCommand(RunForms, {"--dry-run", "--form-props", "-Hint", "Main.dfm"});
  EXPECT_EQ(dry.out,
            "Main.dfm: TfrmMain: Caption: 1 changed: Corner shop\n"
            "Main.dfm: TfrmMain: lblTotal.Caption: 2 removed\n"
            "Main.dfm: TfrmMain: 1 text: 0 new, 1 changed, 0 kept, 1 removed (dry run)\n");
  EXPECT_EQ(Strings()[0], "1=Shop");

  auto again = CallCommand(RunForms, {"Main.dfm"});
  EXPECT_EQ(again.out, "Main.dfm: TfrmMain: 2 texts: 1 new, 1 changed, 0 kept, 1 removed\n");
  EXPECT_EQ(Strings(), (std::vector<std::string>{"1=Corner shop", "2=Total", "3=Main",
                                                 "TfrmMain:Caption=1", "TfrmMain:Hint=3"}));
}

TEST_F(FormsCommandTest, AFormThatCannotBeReadIsReportedAndTheOthersAreDone) {
  testing::WriteBytes(dir_ / "Bad.dfm", std::string("TPF0\x02TF\x02N", 9));
  auto run = CallCommand(RunForms, {"Bad.dfm", "Main.dfm"});
  EXPECT_EQ(run.status, kExitFailure);
  EXPECT_EQ(run.err,
            "polyverb forms: Form file Bad.dfm, offset 7: an object name of 2 bytes runs past "
            "the end of the file\n");
  EXPECT_EQ(run.out, "Main.dfm: TfrmMain: 2 texts: 2 new, 0 changed, 0 kept, 0 removed\n");
  EXPECT_EQ(testing::ErrorOf([] {
              CallCommand(RunForms, {"--form-props", "+", "Main.dfm"});
            }),
            "malformed --form-props list: '+' is not +NAME or -NAME with a property name such as "
            "Caption or EditLabel.Caption");
}

}  // namespace
}  // namespace polyverb::cli
