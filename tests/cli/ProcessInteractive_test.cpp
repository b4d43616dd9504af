// polyverb process --interactive: the chooser dialog per file, and a clear failure where
// there is no display.
#include <gtest/gtest.h>

#include <QDialog>
#include <QListWidget>
#include <QTest>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "langfile/LangFileEdit.h"
#include "tests/testing/GuiTesting.h"
#include "tests/testing/RunTool.h"
#include "tests/testing/TempDir.h"

namespace polyverb::testing {
namespace {

const char kTwoLiterals[] =
    "program A;\n"
    "begin\n"
    "  Caption := 'One';\n"
    "  Hint := 'Two';\n"
    "end.\n";

const char kOneLiteral[] =
    "program B;\n"
    "begin\n"
    "  Caption := 'Three';\n"
    "end.\n";

void MarkRow(QDialog& d, int row) {
  auto& list = *Child<QListWidget>(d, "lbStrings");
  QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                    list.visualItemRect(list.item(row)).center());
}

TEST(ProcessInteractiveTest, ShowsTheChooserForEachFileWithCandidates) {
  const TempDir dir(/*enter=*/true);
  WriteBytes(dir / "a.pas", kTwoLiterals);
  WriteBytes(dir / "none.pas", "unit None;\ninterface\nend.\n");
  WriteBytes(dir / "b.pas", kOneLiteral);
  const std::vector<std::string> args = {"--interactive", "a.pas", "none.pas", "b.pas"};

  const ModalScript script({{"dlgStrChoose",
                             [](QDialog& d) {
                               EXPECT_EQ(d.windowTitle(), "Process strings - a.pas");
                               MarkRow(d, 1);
                               d.close();
                             }},
                            {"dlgStrChoose", [](QDialog& d) {
                               EXPECT_EQ(d.windowTitle(), "Process strings - b.pas");
                               Click(d, "bbOK");
                             }}});
  ::testing::internal::CaptureStdout();
  const int status = cli::RunProcess(args);
  const std::string out = ::testing::internal::GetCapturedStdout();

  EXPECT_EQ(status, cli::kExitOk);
  EXPECT_EQ(out,
            "a.pas: 2 candidates, 1 marked, number 1\n"
            "a.pas: vLangRT added to the uses clause\n"
            "none.pas: no candidates, source not rewritten\n"
            "b.pas: 1 candidate, 0 marked, no numbers\n");
  EXPECT_EQ(ReadBytes(dir / "a.pas"),
            "program A;\r\n\r\nuses vLangRT;\r\nbegin\r\n  Caption := 'One';\r\n"
            "  Hint := GetLangStr(1);\r\nend.\r\n");
  const auto lang = TvLangFileEdit::ReadExisting(dir / "english.lng");
  ASSERT_EQ(lang->Idents().size(), 1u);
  EXPECT_EQ(lang->Idents()[0].Text, "Two");
}

// Qt comes with the chooser library, loaded only for --interactive: every other command
// starts without it.
TEST(ProcessInteractiveTest, TheExecutableNeedsNoQt) {
  const ToolResult ldd = RunTool("/usr/bin/ldd", {POLYVERB_BIN});
  ASSERT_EQ(ldd.exit_code, 0) << ldd.err;
  EXPECT_NE(ldd.out.find("libc.so"), std::string::npos) << ldd.out;
  EXPECT_EQ(ldd.out.find("libQt"), std::string::npos) << ldd.out;
}

// Sets or clears environment variables for one test and puts them back afterwards.
class ScopedEnv {
 public:
  void Set(const char* name, std::optional<std::string> value) {
    const char* old = std::getenv(name);
    saved_.push_back({name, old != nullptr ? std::optional<std::string>(old) : std::nullopt});
    Apply(name, value);
  }
  ~ScopedEnv() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) Apply(it->first, it->second);
  }

 private:
  static void Apply(const char* name, const std::optional<std::string>& value) {
    if (value)
      setenv(name, value->c_str(), 1);
    else
      unsetenv(name);
  }
  std::vector<std::pair<const char*, std::optional<std::string>>> saved_;
};

struct DisplayCase {
  const char* name;
  std::optional<std::string> platform, display, wayland;
  const char* message;  // the last line on stderr
};

class NoDisplayTest : public ::testing::TestWithParam<DisplayCase> {};

TEST_P(NoDisplayTest, FailsWithAClearMessageAndWritesNothing) {
  const TempDir dir;
  WriteBytes(dir / "a.pas", kTwoLiterals);
  ScopedEnv env;
  env.Set("QT_QPA_PLATFORM", GetParam().platform);
  env.Set("DISPLAY", GetParam().display);
  env.Set("WAYLAND_DISPLAY", GetParam().wayland);
  const ToolResult run = RunTool(POLYVERB_BIN, {"process", "--interactive", "a.pas"}, dir.path());
  EXPECT_EQ(run.exit_code, 1) << run.err;
  const std::string last = "polyverb process: " + std::string(GetParam().message) + "\n";
  ASSERT_GE(run.err.size(), last.size()) << run.err;
  EXPECT_EQ(run.err.substr(run.err.size() - last.size()), last) << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(ReadBytes(dir / "a.pas"), kTwoLiterals);
  EXPECT_EQ(ListDirectory(dir.path()), std::vector<std::string>{"a.pas"});
}

INSTANTIATE_TEST_SUITE_P(
    Environments, NoDisplayTest,
    ::testing::Values(
        DisplayCase{"NothingSet", std::nullopt, std::nullopt, std::nullopt,
                    "--interactive needs a display, and neither DISPLAY nor WAYLAND_DISPLAY is "
                    "set"},
        DisplayCase{"XcbWithoutDisplay", "xcb", std::nullopt, std::nullopt,
                    "--interactive needs a display: QT_QPA_PLATFORM is xcb, but DISPLAY is not "
                    "set"},
        DisplayCase{"WaylandWithoutDisplay", "wayland", std::nullopt, std::nullopt,
                    "--interactive needs a display: QT_QPA_PLATFORM is wayland, but "
                    "WAYLAND_DISPLAY is not set"},
        DisplayCase{"DisplayThatDoesNotAnswer", std::nullopt, ":97", std::nullopt,
                    "--interactive cannot open a window: the display did not answer (Qt "
                    "platform xcb)"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ProcessInteractiveUsageTest, ExcludesMarkAndDryRun) {
  const TempDir dir;
  WriteBytes(dir / "a.pas", kTwoLiterals);
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"process", "--interactive", "--mark", "all", "a.pas"},
       "polyverb process: --interactive and --mark exclude each other\n"},
      {{"process", "--mark", "none", "--interactive", "a.pas"},
       "polyverb process: --interactive and --mark exclude each other\n"},
      {{"process", "--dry-run", "--interactive", "a.pas"},
       "polyverb process: --interactive and --dry-run exclude each other\n"},
  };
  for (const auto& [args, message] : cases) {
    const ToolResult run = RunTool(POLYVERB_BIN, args, dir.path());
    EXPECT_EQ(run.exit_code, 2);
    EXPECT_EQ(run.err, message + "Try 'polyverb process --help'.\n");
  }
  EXPECT_EQ(ListDirectory(dir.path()), std::vector<std::string>{"a.pas"});
}

}  // namespace
}  // namespace polyverb::testing
