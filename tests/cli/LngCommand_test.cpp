// polyverb lng, run as a user runs it: exit codes, what it prints, what it leaves on disk.
#include <gtest/gtest.h>

#include "tests/langfile/LngBuilder.h"
#include "tests/testing/RunTool.h"
#include "tests/testing/TempDir.h"

namespace polyverb {
namespace {

using testing::LngBuilder;
using testing::RunTool;
using testing::TempDir;
using testing::ToolResult;

ToolResult Polyverb(const std::vector<std::string>& args, const std::string& cwd = "") {
  return RunTool(POLYVERB_BIN, args, cwd);
}

TEST(LngCommandTest, AddCreatesThenExtendsTheFileAsGiven) {
  TempDir dir;
  std::string path = dir / "Shop.LNG";  // taken as given: no lower-casing, no suffix
  ToolResult first = Polyverb({"lng", "add", path, "1", "Hello", "2", ""});
  EXPECT_EQ(first.exit_code, 0) << first.err;
  EXPECT_EQ(first.out, path + ": 2 strings added, 2 in the table\n");
  EXPECT_EQ(testing::ReadBytes(path).size(), 161u);

  ToolResult second = Polyverb({"lng", "add", path, "7", "tab\there"});
  EXPECT_EQ(second.exit_code, 0) << second.err;
  ToolResult show = Polyverb({"lng", "show", "--strings", path});
  EXPECT_EQ(show.exit_code, 0);
  EXPECT_EQ(show.out, "1\t0\tHello\n2\t0\t\n7\t0\ttab\\there\n");
}

TEST(LngCommandTest, AddWithoutPairsNormalisesAnOldFile) {
  TempDir dir;
  LngBuilder old;
  old.version = "1.50";
  old.groups = {{"b", {{"x", 1}}}, {"A", {{"y", 2}}}};
  old.AddString(3, "Three");
  testing::WriteBytes(dir / "old.lng", old.Bytes());
  ASSERT_EQ(Polyverb({"lng", "add", dir / "old.lng"}).exit_code, 0);
  LngBuilder expected;
  expected.groups = {{"A", {{"y", 2}}}, {"b", {{"x", 1}}}};
  expected.AddString(3, "Three");
  EXPECT_EQ(testing::ReadBytes(dir / "old.lng"), expected.Bytes());
}

TEST(LngCommandTest, ShowPrintsTheWholeModel) {
  TempDir dir;
  LngBuilder b;
  b.currency = "EUR";
  b.fonts = {"Arial"};
  b.texts = {"first"};
  b.groups = {{"Main", {{"Caption", 4}}}};
  b.AddString(5, "caf\xE9", 2);
  testing::WriteBytes(dir / "x.lng", b.Bytes());
  ToolResult r = Polyverb({"lng", "show", dir / "x.lng"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  for (const char* line :
       {"version: \"2.00\" (4-byte string offsets)\n", "  CurrencyString: \"EUR\"\n",
        "fonts: 1 (flag 0)\n", "  \"Arial\" word 4660 byte 7\n", "text list: 1\n  \"first\"\n",
        "groups: 1\n  \"Main\": 1 items\n    \"Caption\" = 4\n",
        "strings: 1\n  5\ttag 2\t\"caf\xE9\"\n"})
    EXPECT_NE(r.out.find(line), std::string::npos) << line;
}

TEST(LngCommandTest, FailuresNameTheFileAndWriteNothing) {
  TempDir dir;
  ToolResult missing = Polyverb({"lng", "show", dir / "none.lng"});
  EXPECT_EQ(missing.exit_code, 1);
  EXPECT_EQ(missing.err, "polyverb lng: Cannot open file " + (dir / "none.lng") +
                             ": No such file or directory\n");
  EXPECT_FALSE(testing::Exists(dir / "none.lng"));

  testing::WriteBytes(dir / "text.lng", "not a language file");
  ToolResult foreign = Polyverb({"lng", "add", dir / "text.lng", "1", "x"});
  EXPECT_EQ(foreign.exit_code, 1);
  EXPECT_EQ(foreign.err,
            "polyverb lng: Not a language file or old version (1.1): " + (dir / "text.lng") + "\n");
  EXPECT_EQ(testing::ReadBytes(dir / "text.lng"), "not a language file");

  LngBuilder b;
  b.AddString(1, "Hello");
  testing::WriteBytes(dir / "cut.lng", b.Bytes().substr(0, 146));
  ToolResult cut = Polyverb({"lng", "show", dir / "cut.lng"});
  EXPECT_EQ(cut.exit_code, 1);
  EXPECT_EQ(cut.err, "polyverb lng: Language file " + (dir / "cut.lng") +
                         " is damaged: the text of string 1 starts at offset 0, outside the "
                         "text pool of 0 bytes\n");
}

// A number the table holds gets the new text, so the table never holds it twice (which
// export refuses); "--" ends the options in every lng subcommand.
TEST(LngCommandTest, AddReplacesANumberItHoldsAndSaysSoUnlessNoReplace) {
  TempDir dir;
  const std::string path = dir / "e.lng";
  ASSERT_EQ(Polyverb({"lng", "add", path, "1", "One", "2", "Two"}).exit_code, 0);
  ToolResult replaced = Polyverb({"lng", "add", "--", path, "2", "--Two--"});
  EXPECT_EQ(replaced.exit_code, 0) << replaced.err;
  EXPECT_EQ(replaced.out, path + ": string 2 \"Two\" replaced by \"--Two--\"\n" + path +
                              ": 0 strings added, 1 replaced, 2 in the table\n");
  ToolResult kept = Polyverb({"lng", "add", "--no-replace", path, "1", "Uno", "3", "Three"});
  EXPECT_EQ(kept.out, path + ": string 1 kept as \"One\" (--no-replace)\n" + path +
                          ": 1 string added, 1 kept, 3 in the table\n");
  EXPECT_EQ(Polyverb({"lng", "show", "--strings", "--", path}).out,
            "1\t0\tOne\n2\t0\t--Two--\n3\t0\tThree\n");
  EXPECT_EQ(Polyverb({"lng", "export", "--", path}).exit_code, 0);
}

TEST(LngCommandTest, UsageErrorsExitTwoAndTouchNothing) {
  TempDir dir;
  for (std::vector<std::string> args : {std::vector<std::string>{"lng"},
                                        {"lng", "frobnicate"},
                                        {"lng", "show"},
                                        {"lng", "show", "--bogus", dir / "a.lng"},
                                        {"lng", "add", dir / "a.lng", "1"},
                                        {"lng", "add", dir / "a.lng", "65536", "x"},
                                        {"lng", "add", dir / "a.lng", "-1", "x"},
                                        {"lng", "add", dir / "a.lng", "1", "ok", "x1", "y"},
                                        {"nonsense"}}) {
    ToolResult r = Polyverb(args);
    EXPECT_EQ(r.exit_code, 2) << args.back();
    EXPECT_FALSE(r.err.empty());
  }
  EXPECT_TRUE(testing::ListDirectory(dir.path()).empty());
}

TEST(LngCommandTest, HelpAndPath) {
  TempDir dir;
  EXPECT_EQ(Polyverb({"--help"}).exit_code, 0);
  ToolResult help = Polyverb({"lng", "--help"});
  EXPECT_EQ(help.exit_code, 0);
  EXPECT_NE(help.out.find("usage: polyverb lng show"), std::string::npos);
  ToolResult path = Polyverb({"lng", "path", "\xC3\x89NGLISH"}, dir.path());
  EXPECT_EQ(path.out, dir.path() + "/\xC3\xA9nglish.lng\n");
}

// A short command starts without the libraries it does not need: ICU is loaded only for
// a name that is not ASCII, Qt never (the loader's log names every library it loads).
TEST(LngCommandTest, PathLoadsIcuOnlyForANameBeyondAscii) {
  TempDir dir;
  const auto libraries = [&](const char* name) {
    ToolResult run =
        RunTool("/usr/bin/env", {"LD_DEBUG=libs", POLYVERB_BIN, "lng", "path", name}, dir.path());
    EXPECT_EQ(run.exit_code, 0);
    return run.err;
  };
  const std::string ascii = libraries("English");
  EXPECT_NE(ascii.find("libstdc++"), std::string::npos) << ascii;
  EXPECT_EQ(ascii.find("libicu"), std::string::npos) << ascii;
  EXPECT_EQ(ascii.find("libQt"), std::string::npos) << ascii;
  EXPECT_NE(libraries("\xC3\x89nglish").find("libicuuc"), std::string::npos);
}

}  // namespace
}  // namespace polyverb
