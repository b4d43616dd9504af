// polyverb restore: the handler called as main calls it, after polyverb process.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "cli/Cli.h"
#include "langfile/LangFileEdit.h"
#include "platform/PathStyle.h"
#include "tests/testing/CallCommand.h"
#include "tests/testing/TempDir.h"

namespace polyverb::cli {
namespace {

using testing::Captured;

// CR LF line ends, so that conversion and restore give it back byte for byte.
const char* const kUnit =
    "unit U;\r\ninterface\r\nimplementation\r\nprocedure P;\r\nbegin\r\n"
    "  ShowMessage('It''s' + ' ' + 'done'#13#10'Next');\r\n"
    "  X := p^['Key'];\r\n"
    "end;\r\nend.\r\n";

std::vector<int> Numbers(const std::string& path) {
  std::vector<int> out;
  const auto file = TvLangFileEdit::ReadExisting(path);
  for (const auto& rec : file->Idents()) out.push_back(rec.Number);
  return out;
}

class RestoreCommandTest : public ::testing::Test {
 protected:
  RestoreCommandTest() {
    testing::WriteBytes("u.pas", kUnit);
    testing::WriteBytes("p.dpr", "program P;\r\nbegin\r\n  WriteLn('Hello')\r\nend.\r\n");
    const Captured process =
        testing::CallCommand(RunProcess, {"--annotate", "u.pas", "p.dpr"});  // numbers 1-5
    EXPECT_EQ(process.status, kExitOk) << process.err;
  }
  Captured Restore(const std::vector<std::string>& args) {
    return testing::CallCommand(RunRestore, args);
  }
  std::string Lng() const { return CurrentDirectory() + "/english.lng"; }

  testing::TempDir dir_{true};
};

TEST_F(RestoreCommandTest, GivesTheSourcesBackAndPrunesOnlyOnRequest) {
  const Captured run = Restore({"u.pas", "p.dpr"});
  EXPECT_EQ(run.status, kExitOk);
  EXPECT_EQ(run.out, "u.pas: 4 calls restored\np.dpr: 1 call restored\n");
  EXPECT_EQ(testing::ReadBytes("u.pas"), kUnit);
  EXPECT_EQ(testing::ReadBytes("p.dpr"), "program P;\r\nbegin\r\n  WriteLn('Hello')\r\nend.\r\n");
  EXPECT_EQ(Numbers(Lng()), (std::vector<int>{1, 2, 3, 4, 5}));
}

TEST_F(RestoreCommandTest, PruneRemovesTheNumbersNoFileStillCalls) {
  // 1, 2 and 5 are restored and go; u.pas still calls 3 and 4.
  const Captured run = Restore({"--numbers", "1-2,5", "--prune", "u.pas", "p.dpr"});
  EXPECT_EQ(run.status, kExitOk);
  EXPECT_EQ(run.out,
            "u.pas: 2 calls restored\np.dpr: 1 call restored\n" + Lng() + ": 3 entries pruned\n");
  EXPECT_EQ(Numbers(Lng()), (std::vector<int>{3, 4}));
  EXPECT_EQ(Restore({"--prune", "u.pas"}).out,
            "u.pas: 2 calls restored\n" + Lng() + ": 2 entries pruned\n");
  EXPECT_EQ(testing::ReadBytes("u.pas"), kUnit);
  EXPECT_EQ(Numbers(Lng()), std::vector<int>{});
}

TEST_F(RestoreCommandTest, DryRunShowsTheChangeAndWritesNothing) {
  const std::string converted = testing::ReadBytes("u.pas");
  const Captured run = Restore({"--dry-run", "--prune", "--numbers", "3", "u.pas"});
  EXPECT_EQ(run.out,
            "u.pas:8:72: 'Next' <- +GetLangStr(3) {Next}\n"
            "u.pas: 1 call restored (dry run)\n" +
                Lng() + ": 1 entry would be pruned\n");
  EXPECT_EQ(testing::ReadBytes("u.pas"), converted);
  EXPECT_EQ(Numbers(Lng()), (std::vector<int>{1, 2, 3, 4, 5}));
}

TEST_F(RestoreCommandTest, AMissingNumberIsReportedAndLeft) {
  testing::WriteBytes("m.pas",
                      "program M;\r\nbegin\r\n  A(GetLangStr(5), GetLangStr(77));\r\nend.\r\n");
  const Captured run = Restore({"m.pas"});
  EXPECT_EQ(run.status, kExitFailure);
  EXPECT_EQ(run.err, "polyverb restore: m.pas:3:20: number 77 is not in " + Lng() +
                         "; the call is left as it is\n");
  EXPECT_EQ(run.out, "m.pas: 1 call restored, 1 left (missing)\n");
  EXPECT_EQ(testing::ReadBytes("m.pas"),
            "program M;\r\nbegin\r\n  A('Hello', GetLangStr(77));\r\nend.\r\n");
}

TEST_F(RestoreCommandTest, BadCallsAndAMissingLanguageFileChangeNothing) {
  const std::string converted = testing::ReadBytes("u.pas");
  auto usage = [&](std::vector<std::string> args) {
    try {
      Restore(args);
    } catch (const UsageError& e) {
      return std::string(e.what());
    }
    return std::string("no usage error");
  };
  EXPECT_EQ(usage({}), "no FILE given");
  EXPECT_EQ(usage({"--numbers", "70000", "u.pas"}),
            "malformed --numbers list '70000': '70000' is not a number or a range N-M of numbers "
            "from 0 to 65535");
  EXPECT_EQ(usage({"--all", "u.pas"}), "unknown option '--all'");
  try {
    Restore({"--lang", "French", "u.pas"});
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()),
              "Cannot open file " + CurrentDirectory() + "/french.lng: No such file or directory");
  }
  EXPECT_EQ(testing::ReadBytes("u.pas"), converted);
}

}  // namespace
}  // namespace polyverb::cli
