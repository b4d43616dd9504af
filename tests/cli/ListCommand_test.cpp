// polyverb list and polyverb tokens, called as main calls them, with their output captured.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "tests/testing/CallCommand.h"
#include "tests/testing/TempDir.h"

namespace polyverb::cli {
namespace {

using testing::Captured;

Captured Call(int (*handler)(std::span<const std::string>), const std::vector<std::string>& args) {
  return testing::CallCommand(handler, args);
}

std::string UsageMessage(int (*handler)(std::span<const std::string>),
                         std::vector<std::string> args) {
  try {
    Call(handler, std::move(args));
  } catch (const UsageError& e) {
    return e.what();
  }
  return "no usage error";
}

class ListCommandTest : public ::testing::Test {
 protected:
  ListCommandTest() {
    testing::WriteBytes(unit_,
                        "unit U;\r\ninterface\r\nimplementation\r\n"
                        "procedure P;\r\nbegin\r\n"
                        "\tX('It''s', 'a\tb', ' ');\r\n"
                        "  Y('\\no\xE9');\r\nend;\r\nend.\r\n");
  }
  testing::TempDir dir_;
  const std::string unit_ = dir_ / "u.pas";
};

TEST_F(ListCommandTest, HumanFormatShowsLiteralAsWritten) {
  const Captured run = Call(RunList, {unit_});
  EXPECT_EQ(run.status, kExitOk);
  EXPECT_EQ(run.out, unit_ + ":6:4: 1: 'It''s'\n" + unit_ + ":6:13: 2: 'a\\tb'\n" + unit_ +
                         ":7:5: 3: '\\\\no\xE9'\n");
  EXPECT_EQ(run.err, "");
}

TEST_F(ListCommandTest, TsvFormatShowsTextAndColumns) {
  const Captured run = Call(RunList, {"--tsv", unit_});
  EXPECT_EQ(run.status, kExitOk);
  EXPECT_EQ(run.out, unit_ + "\t6\t4\t11\tIt's\n" + unit_ + "\t6\t13\t18\ta\\tb\n" + unit_ +
                         "\t7\t5\t11\t\\\\no\xE9\n");
}

TEST_F(ListCommandTest, BadFilesAreReportedAndTheOthersStillListed) {
  const std::string missing = dir_ / "missing.pas";
  const std::string binary = dir_ / "b.pas";
  testing::WriteBytes(binary, std::string("program P;\0", 11));
  const std::string listed = unit_ + "\t6\t4\t11\tIt's\n" + unit_ + "\t6\t13\t18\ta\\tb\n" + unit_ +
                             "\t7\t5\t11\t\\\\no\xE9\n";
  for (const char* jobs : {"-j1", "-j3"}) {
    const Captured run = Call(RunList, {"--tsv", jobs, missing, unit_, binary, unit_});
    EXPECT_EQ(run.status, kExitFailure);
    EXPECT_EQ(run.out, listed + listed);
    EXPECT_EQ(run.err, "polyverb list: Cannot open file " + missing +
                           ": No such file or directory\n" + "polyverb list: Source file " +
                           binary + " contains a NUL byte at offset 10; it is not a text file\n");
  }
}

// Files are scanned side by side, yet the output is that of one file after another.
TEST(ListJobsTest, FreePascalSourcesListAsWithOneJob) {
  std::vector<std::string> files;
  std::error_code ec;
  namespace fs = std::filesystem;
  for (auto it = fs::recursive_directory_iterator(POLYVERB_FPC_SOURCES, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    const std::string ext = it->path().extension().string();
    if ((ext == ".pas" || ext == ".pp") && it->is_regular_file()) files.push_back(it->path());
  }
  if (files.size() < 1000) GTEST_SKIP() << "no Free Pascal sources at " POLYVERB_FPC_SOURCES;
  std::sort(files.begin(), files.end());
  std::vector<std::string> args = {"--tsv", "-j", "1"};
  for (std::size_t i = 0; i < files.size(); i += POLYVERB_FPC_SAMPLE) args.push_back(files[i]);
  args.push_back(files[0] + ".missing");  // a failure among them keeps its place too
  const Captured one = Call(RunList, args);
  args[2] = "3";
  const Captured three = Call(RunList, args);
  EXPECT_GT(one.out.size(), 100000u);
  EXPECT_TRUE(one.out == three.out);  // too large to print when they differ
  EXPECT_EQ(one.err, three.err);
  EXPECT_EQ(three.status, kExitFailure);
}

TEST_F(ListCommandTest, DoubleDashEndsOptions) {
  testing::TempDir inside(true);
  testing::WriteBytes("-x.pas", "program P; begin X('Dash') end.");
  EXPECT_EQ(Call(RunList, {"--", "-x.pas"}).out, "-x.pas:1:20: 1: 'Dash'\n");
}

// The sound rules by default, the classic ones on request; include files are found beside
// the unit or in --include-dir, named in the output, and listed once per run.
TEST(ListRulesTest, SoundByDefaultClassicOnRequestIncludeFilesFollowed) {
  testing::TempDir dir(true);
  testing::WriteBytes("r.pas",
                      "program r; type TP = record X: Integer; end;\n"
                      "begin {$I msg} {$I lost.inc} WriteLn('Hello, world'); end.\n");
  testing::WriteBytes("s.pas", "program s; begin {$I msg} end.\n");
  std::filesystem::create_directory("inc");
  testing::WriteBytes("inc/msg.inc", "WriteLn('Included');\n");
  const Captured sound = Call(RunList, {"--include-dir", "inc", "r.pas", "s.pas", "inc/msg.inc"});
  EXPECT_EQ(sound.status, kExitOk);
  EXPECT_EQ(sound.out, "inc/msg.inc:1:9: 1: 'Included'\nr.pas:2:38: 2: 'Hello, world'\n");
  EXPECT_EQ(sound.err,
            "polyverb list: warning: r.pas, line 2: the include file lost.inc was not found; its "
            "literals are not offered\n"
            "polyverb list: warning: inc/msg.inc was read as an include file earlier in this "
            "run; its literals were offered there\n");
  const Captured classic = Call(RunList, {"--classic", "r.pas", "s.pas"});
  EXPECT_EQ(classic.out, "");
  EXPECT_EQ(classic.err, "");
  EXPECT_EQ(UsageMessage(RunList, {"--classic", "--include-dir", "inc", "r.pas"}),
            "--include-dir needs the sound rules: the classic rules follow no includes");
}

TEST(ListUsageTest, MissingFileOrUnknownOptionIsUsageError) {
  EXPECT_EQ(UsageMessage(RunList, {}), "no FILE given");
  EXPECT_EQ(UsageMessage(RunList, {"--tsv"}), "no FILE given");
  EXPECT_EQ(UsageMessage(RunList, {"--csv", "a.pas"}), "unknown option '--csv'");
  EXPECT_EQ(UsageMessage(RunList, {"-j", "0", "a.pas"}),
            "'0' is not a number of jobs from 1 to 1024");
  EXPECT_EQ(UsageMessage(RunList, {"a.pas", "-jx"}), "'x' is not a number of jobs from 1 to 1024");
  EXPECT_EQ(UsageMessage(RunList, {"a.pas", "-j"}), "option '-j' needs a number of jobs");
  EXPECT_EQ(UsageMessage(RunTokens, {}), "no FILE given");
  EXPECT_EQ(UsageMessage(RunTokens, {"a.pas", "b.pas"}), "exactly one FILE expected");
  EXPECT_EQ(UsageMessage(RunTokens, {"-v", "a.pas"}), "unknown option '-v'");
}

TEST(TokensCommandTest, PrintsEveryTokenWithKindAndColumns) {
  testing::TempDir dir;
  const std::string path = dir / "p.dpr";
  testing::WriteBytes(path, "Program P; {c}\nBEGIN x:='a\tb'#9; 'open\n(* x\n");
  const Captured run = Call(RunTokens, {path});
  EXPECT_EQ(run.status, kExitOk);
  EXPECT_EQ(run.out,
            "1\t1\t8\ttkKeyword\tprogram\n"
            "1\t9\t10\ttkIdentifier\tp\n"
            "1\t10\t11\ttkSymbol\t;\n"
            "2\t1\t6\ttkKeyword\tbegin\n"
            "2\t7\t8\ttkIdentifier\tx\n"
            "2\t8\t10\ttkSymbol\t:=\n"
            "2\t10\t15\ttkString\ta\\tb\n"
            "2\t15\t17\ttkUnknown\t#9\n"
            "2\t17\t18\ttkSymbol\t;\n"
            "2\t19\t25\ttkUnknown\t'\n");
}

TEST(TokensCommandTest, UnreadableFileFails) {
  testing::TempDir dir;
  const std::string missing = dir / "none.pas";
  try {
    Call(RunTokens, {missing});
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot open file " + missing + ": No such file or directory");
  }
}

}  // namespace
}  // namespace polyverb::cli
