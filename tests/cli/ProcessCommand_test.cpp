// polyverb process: the handler called as main calls it, and the executable for exit codes.
#include <gtest/gtest.h>

#include <iostream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "cli/Cli.h"
#include "langfile/LangFileEdit.h"
#include "platform/PathStyle.h"
#include "tests/testing/CallCommand.h"
#include "tests/testing/RunTool.h"
#include "tests/testing/TempDir.h"

namespace polyverb::cli {
namespace {

using testing::Captured;

Captured Call(const std::vector<std::string>& args) {
  return testing::CallCommand(RunProcess, args);
}

using Entries = std::vector<std::pair<int, std::string>>;

Entries EntriesOf(const std::string& path) {
  Entries out;
  const auto file = TvLangFileEdit::ReadExisting(path);
  for (const auto& rec : file->Idents()) out.emplace_back(rec.Number, rec.Text);
  return out;
}

// The sources use the run-time unit already: these cases are about the command, the
// uses-clause step has cases of its own.
const char* const kUnit =
    "unit U;\ninterface uses vLangRT;\nimplementation\nprocedure P;\nbegin\n"
    "  S := 'Tab:'#9'end';\n"
    "  ShowMessage('It''s' + ' ' + 'done');\n"
    "  X := p^['Key'];\n"
    "end;\nend.\n";

class ProcessCommandTest : public ::testing::Test {
 protected:
  ProcessCommandTest() {
    testing::WriteBytes("u.pas", kUnit);
    testing::WriteBytes("p.dpr", "program P;\nuses U, vLangRT;\nbegin\n  Writeln('Hello')\nend.\n");
    testing::WriteBytes("n.pas", "unit N;\ninterface\nimplementation\nend.\n");
  }
  std::string Lng() const { return CurrentDirectory() + "/english.lng"; }

  testing::TempDir dir_{true};
};

TEST_F(ProcessCommandTest, MarksEverythingByDefaultAndNumbersAcrossFiles) {
  const Captured run = Call({"u.pas", "n.pas", "p.dpr"});
  EXPECT_EQ(run.status, kExitOk);
  EXPECT_EQ(run.out,
            "u.pas: 5 candidates, 5 marked, numbers 1-5\n"
            "n.pas: no candidates, source not rewritten\n"
            "p.dpr: 1 candidate, 1 marked, number 6\n");
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(testing::ReadBytes("u.pas"),
            "unit U;\r\ninterface uses vLangRT;\r\nimplementation\r\nprocedure P;\r\nbegin\r\n"
            "  S := GetLangStr(1)+#9+GetLangStr(2);\r\n"
            "  ShowMessage(GetLangStr(3) + ' ' + GetLangStr(4));\r\n"
            "  X := p^[GetLangStr(5)];\r\n"
            "end;\r\nend.\r\n");
  EXPECT_EQ(testing::ReadBytes("n.pas"), "unit N;\ninterface\nimplementation\nend.\n");
  EXPECT_EQ(EntriesOf(Lng()),
            (Entries{{1, "Tab:"}, {2, "end"}, {3, "It's"}, {4, "done"}, {5, "Key"}, {6, "Hello"}}));
}

TEST_F(ProcessCommandTest, MarkListPicksCandidatesAsListNumbersThem) {
  const Captured run = Call({"--lang", "French", "--mark", "2,4-5", "u.pas"});
  EXPECT_EQ(run.status, kExitOk);
  EXPECT_EQ(run.out, "u.pas: 5 candidates, 3 marked, numbers 1-3\n");
  EXPECT_EQ(testing::ReadBytes("u.pas"),
            "unit U;\r\ninterface uses vLangRT;\r\nimplementation\r\nprocedure P;\r\nbegin\r\n"
            "  S := 'Tab:'#9+GetLangStr(1);\r\n"
            "  ShowMessage('It''s' + ' ' + GetLangStr(2));\r\n"
            "  X := p^[GetLangStr(3)];\r\n"
            "end;\r\nend.\r\n");
  EXPECT_EQ(EntriesOf(CurrentDirectory() + "/french.lng"),
            (Entries{{1, "end"}, {2, "done"}, {3, "Key"}}));
  EXPECT_FALSE(testing::Exists(Lng()));
}

TEST_F(ProcessCommandTest, MarkNoneStillWritesSourcesWithCandidates) {
  const Captured run = Call({"--mark", "none", "p.dpr"});
  EXPECT_EQ(run.out, "p.dpr: 1 candidate, 0 marked, no numbers\n");
  EXPECT_EQ(testing::ReadBytes("p.dpr"),
            "program P;\r\nuses U, vLangRT;\r\nbegin\r\n  Writeln('Hello')\r\nend.\r\n");
  EXPECT_EQ(EntriesOf(Lng()), Entries{});
}

TEST_F(ProcessCommandTest, MarkSuggestedLeavesDataAndAnnotateWritesTheTexts) {
  const Captured run = Call({"--mark", "suggested", "--annotate", "u.pas"});
  EXPECT_EQ(run.out, "u.pas: 5 candidates, 2 marked, numbers 1-2\n");
  EXPECT_EQ(testing::ReadBytes("u.pas"),
            "unit U;\r\ninterface uses vLangRT;\r\nimplementation\r\nprocedure P;\r\nbegin\r\n"
            "  S := 'Tab:'#9'end';\r\n"
            "  ShowMessage(GetLangStr(1) {It's} + ' ' + GetLangStr(2) {done});\r\n"
            "  X := p^['Key'];\r\n"
            "end;\r\nend.\r\n");
  EXPECT_EQ(EntriesOf(Lng()), (Entries{{1, "It's"}, {2, "done"}}));
}

TEST_F(ProcessCommandTest, DryRunPrintsReplacementsAndWritesNothing) {
  auto table = TvLangFileEdit::FromBytes({}, Lng());
  table->AddIdent(7, "Seven", 0);
  table->Save();
  const std::string lng = testing::ReadBytes(Lng());
  const auto before = testing::ListDirectory(dir_.path());

  const Captured run = Call({"--dry-run", "u.pas", "n.pas", "p.dpr"});
  EXPECT_EQ(run.status, kExitOk);
  EXPECT_EQ(run.out,
            "u.pas:6:8: GetLangStr(8)+ <- 'Tab:'\n"
            "u.pas:6:16: +GetLangStr(9) <- 'end'\n"
            "u.pas:7:15: GetLangStr(10) <- 'It''s'\n"
            "u.pas:7:31: GetLangStr(11) <- 'done'\n"
            "u.pas:8:11: GetLangStr(12) <- 'Key'\n"
            "u.pas: 5 candidates, 5 marked, numbers 8-12 (dry run)\n"
            "n.pas: no candidates, source not rewritten (dry run)\n"
            "p.dpr:4:11: GetLangStr(13) <- 'Hello'\n"
            "p.dpr: 1 candidate, 1 marked, number 13 (dry run)\n");
  EXPECT_EQ(testing::ListDirectory(dir_.path()), before);
  EXPECT_EQ(testing::ReadBytes(Lng()), lng);
  EXPECT_EQ(testing::ReadBytes("u.pas"), kUnit);
}

TEST_F(ProcessCommandTest, DryRunWithoutALanguageFileStartsAtOneAndCreatesNone) {
  testing::WriteBytes("t.pas", "program T; begin X('ab'#13'cd'^I, 'c\td') end.");
  const Captured run = Call({"--dry-run", "--mark", "2-3", "t.pas"});
  EXPECT_EQ(run.out,
            "t.pas:1:27: +GetLangStr(1)+ <- 'cd'\n"
            "t.pas:1:35: GetLangStr(2) <- 'c\\td'\n"
            "t.pas: 3 candidates, 2 marked, numbers 1-2 (dry run)\n"
            "t.pas: vLangRT would be added to the uses clause\n");
  EXPECT_FALSE(testing::Exists(Lng()));
}

TEST_F(ProcessCommandTest, SoundRewriteCompilesWhereTheClassicOneDoesNot) {
  const std::string source =
      "program M;\nbegin MessageBox(0, 'You won!', 'Information', 0); end.\n";
  testing::WriteBytes("m.dpr", source);
  testing::WriteBytes("c.dpr", source);
  const Captured run = Call({"m.dpr"});
  EXPECT_EQ(run.out,
            "m.dpr: 2 candidates, 2 marked, numbers 1-2\n"
            "m.dpr: vLangRT added to the uses clause\n");
  EXPECT_EQ(testing::ReadBytes("m.dpr"),
            "program M;\r\n\r\nuses vLangRT;\r\n"
            "begin MessageBox(0, PChar(GetLangStr(1)), PChar(GetLangStr(2)), 0); end.\r\n");
  EXPECT_EQ(Call({"--classic", "c.dpr"}).out, "c.dpr: 2 candidates, 2 marked, numbers 3-4\n");
  EXPECT_EQ(testing::ReadBytes("c.dpr"),
            "program M;\r\nbegin MessageBox(0, GetLangStr(3), GetLangStr(4), 0); end.\r\n");
}

TEST_F(ProcessCommandTest, FailureStopsAtThatFileAndKeepsTheEarlierOnes) {
  const Captured run = Call({"p.dpr", "missing.pas", "u.pas"});
  EXPECT_EQ(run.status, kExitFailure);
  EXPECT_EQ(run.out, "p.dpr: 1 candidate, 1 marked, number 1\n");
  EXPECT_EQ(run.err,
            "polyverb process: Cannot open file missing.pas: No such file or directory\n"
            "polyverb process: stopped at missing.pas (file 2 of 3); the files before it are "
            "done\n");
  EXPECT_EQ(testing::ReadBytes("u.pas"), kUnit);
  EXPECT_EQ(EntriesOf(Lng()), (Entries{{1, "Hello"}}));
}

TEST_F(ProcessCommandTest, DamagedLanguageFileFailsADryRunToo) {
  testing::WriteBytes(Lng(), "no language file");
  try {
    Call({"--dry-run", "p.dpr"});
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "Not a language file or old version (1.1): " + Lng());
  }
}

struct UsageCase {
  std::vector<std::string> args;
  std::string message;
};

std::ostream& operator<<(std::ostream& os, const UsageCase& c) {
  for (const auto& a : c.args) os << "[" << a << "] ";
  return os;
}

class ProcessUsageTest : public ProcessCommandTest,
                         public ::testing::WithParamInterface<UsageCase> {};

TEST_P(ProcessUsageTest, IsRefusedBeforeAnythingIsWritten) {
  const auto before = testing::ListDirectory(dir_.path());
  std::string message = "no usage error";
  try {
    Call(GetParam().args);
  } catch (const UsageError& e) {
    message = e.what();
  }
  EXPECT_EQ(message, GetParam().message);
  EXPECT_EQ(testing::ListDirectory(dir_.path()), before);
  EXPECT_EQ(testing::ReadBytes("u.pas"), kUnit);
}

INSTANTIATE_TEST_SUITE_P(
    Args, ProcessUsageTest,
    ::testing::Values(
        UsageCase{{}, "no FILE given"}, UsageCase{{"--dry-run"}, "no FILE given"},
        UsageCase{{"--force", "u.pas"}, "unknown option '--force'"},
        UsageCase{{"u.pas", "--lang"}, "option '--lang' needs a value"},
        UsageCase{{"--lang", "", "u.pas"}, "--lang needs a language name"},
        UsageCase{{"--mark"}, "option '--mark' needs a value"},
        UsageCase{{"--mark", "1,3", "u.pas", "p.dpr"},
                  "--mark with a list of numbers takes exactly one FILE"},
        UsageCase{{"--mark", "", "u.pas"}, "malformed --mark list '': an empty item"},
        UsageCase{{"--mark", "1,,2", "u.pas"}, "malformed --mark list '1,,2': an empty item"},
        UsageCase{{"--mark", "2,", "u.pas"}, "malformed --mark list '2,': an empty item"},
        UsageCase{{"--mark", "0", "u.pas"},
                  "malformed --mark list '0': '0' is not a number or a range N-M of numbers "
                  "from 1"},
        UsageCase{{"--mark", "1-x", "u.pas"},
                  "malformed --mark list '1-x': '1-x' is not a number or a range N-M of numbers "
                  "from 1"},
        UsageCase{{"--mark", "-2", "u.pas"},
                  "malformed --mark list '-2': '-2' is not a number or a range N-M of numbers "
                  "from 1"},
        UsageCase{{"--mark", "1-2-3", "u.pas"},
                  "malformed --mark list '1-2-3': '1-2-3' is not a number or a range N-M of "
                  "numbers from 1"},
        UsageCase{{"--mark", "All", "u.pas"},
                  "malformed --mark list 'All': 'All' is not a number or a range N-M of numbers "
                  "from 1"},
        UsageCase{{"--mark", "4-2", "u.pas"},
                  "malformed --mark list '4-2': the range '4-2' runs backwards"},
        UsageCase{{"--mark", "1,3-6", "u.pas"},
                  "--mark names candidate 6, but u.pas has 5 candidates"},
        UsageCase{{"--mark", "2", "p.dpr"}, "--mark names candidate 2, but p.dpr has 1 candidate"},
        UsageCase{{"--mark", "1", "n.pas"},
                  "--mark names candidate 1, but n.pas has no candidates"}));

// Files are read side by side, yet all comes out as from one file after another, by either
// rules and in a dry run: two units share an include file (offered with the first,
// rewritten by it), a unit is given twice (read again once the first turn rewrote it), the
// include file is given on its own, and a file with a NUL byte stops the run there.
TEST(ProcessJobsTest, OutputNumbersAndFilesAsWithOneJob) {
  using Files = std::vector<std::pair<std::string, std::string>>;
  auto run_with = [](const std::string& jobs, const std::string& option) {
    const testing::TempDir dir(true);
    testing::WriteBytes("a.pas",
                        "unit A;\ninterface\nimplementation\nprocedure P;\nbegin\n"
                        "  X('A one'); {$I shared.inc}\nend;\nend.\n");
    testing::WriteBytes("b.pas", "program B;\nbegin {$I shared} {$I lost}\n  X('B two');\nend.\n");
    testing::WriteBytes("shared.inc", "Y('Shared');\n");
    testing::WriteBytes("c.pas",
                        "unit C;\ninterface\nimplementation\nprocedure Q; begin X('C three') end;\n"
                        "end.\n");
    testing::WriteBytes("bad.pas", std::string_view("unit Bad;\0", 10));
    std::vector<std::string> args = {"-j",         jobs,    "a.pas",   "b.pas", "a.pas",
                                     "shared.inc", "c.pas", "bad.pas", "c.pas"};
    if (!option.empty()) args.insert(args.begin(), option);
    std::pair<Captured, Files> outcome{Call(args), {}};
    for (const std::string& name : testing::ListDirectory(dir.path()))
      outcome.second.emplace_back(name, testing::ReadBytes(name));
    return outcome;
  };
  for (const std::string option : {"", "--dry-run", "--classic"}) {
    const auto [one, one_files] = run_with("1", option);
    const auto [three, three_files] = run_with("3", option);
    EXPECT_EQ(one.status, kExitFailure);
    EXPECT_NE(one.out.find("b.pas: 1 candidate, 1 marked"), std::string::npos) << one.out;
    EXPECT_EQ(three.status, one.status);
    EXPECT_EQ(three.out, one.out);
    EXPECT_EQ(three.err, one.err);
    EXPECT_EQ(three_files, one_files);
  }
}

// Through the executable: what a shell sees.
TEST_F(ProcessCommandTest, ExitStatusesOfTheExecutable) {
  const auto usage = testing::RunTool(POLYVERB_BIN, {"process", "--mark", "9", "p.dpr"});
  EXPECT_EQ(usage.exit_code, kExitUsage);
  EXPECT_EQ(usage.err,
            "polyverb process: --mark names candidate 9, but p.dpr has 1 candidate\n"
            "Try 'polyverb process --help'.\n");

  const auto failed = testing::RunTool(POLYVERB_BIN, {"process", "missing.pas"});
  EXPECT_EQ(failed.exit_code, kExitFailure);
  EXPECT_EQ(failed.err,
            "polyverb process: Cannot open file missing.pas: No such file or directory\n");

  const auto done = testing::RunTool(POLYVERB_BIN, {"process", "p.dpr"});
  EXPECT_EQ(done.exit_code, kExitOk);
  EXPECT_EQ(done.out, "p.dpr: 1 candidate, 1 marked, number 1\n");
  EXPECT_EQ(done.err, "");  // no progress line when stderr is no terminal
}

}  // namespace
}  // namespace polyverb::cli
