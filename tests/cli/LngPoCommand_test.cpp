// polyverb lng export and lng import, run as a user runs them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "langfile/LangFileEdit.h"
#include "tests/testing/RunTool.h"
#include "tests/testing/TempDir.h"

namespace polyverb {
namespace {

using testing::Exists;
using testing::ReadBytes;
using testing::ToolResult;
using testing::WriteBytes;

class LngPoCommandTest : public ::testing::Test {
 protected:
  LngPoCommandTest() { Polyverb({"lng", "add", "english.lng", "1", "Hello", "2", "Bye"}); }

  ToolResult Polyverb(const std::vector<std::string>& args) {
    return testing::RunTool(POLYVERB_BIN, args, dir_.path());
  }
  static ToolResult Tool(const std::string& program, const std::vector<std::string>& args,
                         const std::string& cwd) {
    return testing::RunTool(program, args, cwd);
  }
  std::vector<std::string> Strings(const std::string& name) {
    std::vector<std::string> texts;
    auto file = TvLangFileEdit::ReadExisting(dir_ / name);
    for (const auto& rec : file->Idents())
      texts.push_back(std::to_string(rec.Number) + "=" + std::string(rec.Text));
    return texts;
  }
  void WritePo(const std::string& name, const std::string& entries) {
    WriteBytes(dir_ / name,
               "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=UTF-8\\n\"\n\n" + entries);
  }

  testing::TempDir dir_;
};

TEST_F(LngPoCommandTest, ExportWritesTheTemplateToStandardOutputOrAFile) {
  ToolResult out = Polyverb({"lng", "export", "english.lng"});
  ASSERT_EQ(out.exit_code, 0) << out.err;
  EXPECT_EQ(out.err, "");
  EXPECT_TRUE(out.out.ends_with(
      "\"X-Polyverb-Language-File: english.lng\\n\"\n\"X-Polyverb-Encoding: UTF-8\\n\"\n"
      "\nmsgctxt \"1\"\nmsgid \"Hello\"\nmsgstr \"\"\n"
      "\nmsgctxt \"2\"\nmsgid \"Bye\"\nmsgstr \"\"\n"))
      << out.out;

  ToolResult file = Polyverb({"lng", "export", "english.lng", "-o", "english.pot"});
  ASSERT_EQ(file.exit_code, 0) << file.err;
  EXPECT_EQ(file.out, "");
  EXPECT_EQ(ReadBytes(dir_ / "english.pot"), out.out);
}

TEST_F(LngPoCommandTest, ImportReportsWhatItDid) {
  WritePo("fr.po",
          "msgctxt \"1\"\nmsgid \"Hello\"\nmsgstr \"Bonjour\"\n\n"
          "msgctxt \"9\"\nmsgid \"Old\"\nmsgstr \"Vieux\"\n");
  ToolResult r = Polyverb({"lng", "import", "english.lng", "fr.po", "-o", "french.lng"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.out,
            "french.lng: 2 strings, 1 translated, 1 kept the native text (1 missing, 0 empty, "
            "0 fuzzy)\n");
  EXPECT_EQ(r.err, "fr.po:8: warning: english.lng has no string 9; the entry is ignored\n");
  EXPECT_EQ(Strings("french.lng"), (std::vector<std::string>{"1=Bonjour", "2=Bye"}));
  EXPECT_EQ(Strings("english.lng"), (std::vector<std::string>{"1=Hello", "2=Bye"}));
}

struct UsageCase {
  const char* name;
  std::vector<std::string> args;
  std::string message;
};

void PrintTo(const UsageCase& c, std::ostream* os) {
  *os << c.name;
}

class LngPoUsageTest : public LngPoCommandTest, public ::testing::WithParamInterface<UsageCase> {};

TEST_P(LngPoUsageTest, ExitsWithTwoAndWritesNothing) {
  WritePo("fr.po", "");
  const std::string native = ReadBytes(dir_ / "english.lng");
  ToolResult r = Polyverb(GetParam().args);
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_EQ(r.err, "polyverb lng: " + GetParam().message + "\nTry 'polyverb lng --help'.\n");
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(testing::ListDirectory(dir_.path()),
            (std::vector<std::string>{"english.lng", "fr.po"}));
  EXPECT_EQ(ReadBytes(dir_ / "english.lng"), native);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LngPoUsageTest,
    ::testing::Values(
        UsageCase{"ExportWithoutFile", {"lng", "export"}, "lng export takes exactly one FILE"},
        UsageCase{"ExportTwoFiles",
                  {"lng", "export", "english.lng", "fr.po"},
                  "lng export takes exactly one FILE"},
        UsageCase{"OutputWithoutName", {"lng", "export", "english.lng", "-o"}, "-o needs a value"},
        UsageCase{"UnknownEncoding",
                  {"lng", "export", "--encoding=latin9", "english.lng"},
                  "unknown encoding 'latin9' (use utf-8 or windows-1252)"},
        UsageCase{"UnknownOption", {"lng", "export", "-x", "english.lng"}, "unknown option -x"},
        UsageCase{"ImportWithoutOutput",
                  {"lng", "import", "english.lng", "fr.po"},
                  "lng import needs -o OUT.lng"},
        UsageCase{"ImportWithoutPo",
                  {"lng", "import", "english.lng", "-o", "french.lng"},
                  "lng import takes NATIVE.lng and TRANSLATED.po"},
        UsageCase{"ImportOverTheNativeFile",
                  {"lng", "import", "english.lng", "fr.po", "-o", "./english.lng"},
                  "the output ./english.lng is the input english.lng; writing it would destroy "
                  "what is read"},
        UsageCase{"ImportOverThePoFile",
                  {"lng", "import", "english.lng", "fr.po", "-o", "fr.po"},
                  "the output fr.po is the input fr.po; writing it would destroy what is read"},
        UsageCase{"ExportOverItsFile",
                  {"lng", "export", "english.lng", "-o", "english.lng"},
                  "the output english.lng is the input english.lng; writing it would destroy "
                  "what is read"}),
    [](const auto& info) { return std::string(info.param.name); });

struct FailureCase {
  const char* name;
  std::vector<std::string> args;
  std::string po;
  std::string message;
};

void PrintTo(const FailureCase& c, std::ostream* os) {
  *os << c.name;
}

class LngPoFailureTest : public LngPoCommandTest,
                         public ::testing::WithParamInterface<FailureCase> {};

// The output, when it exists already, is left as it was; when it does not, it is not made.
TEST_P(LngPoFailureTest, ExitsWithOneAndLeavesTheOutputAlone) {
  Polyverb({"lng", "add", "latin.lng", "1", "Caf\xE9"});
  WritePo("fr.po", GetParam().po);
  WriteBytes(dir_ / "out.lng", "previous");
  ToolResult r = Polyverb(GetParam().args);
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.err, "polyverb lng: " + GetParam().message + "\n");
  EXPECT_EQ(ReadBytes(dir_ / "out.lng"), "previous");
  EXPECT_FALSE(Exists(dir_ / "out.pot"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LngPoFailureTest,
    ::testing::Values(
        FailureCase{"MissingLanguageFile",
                    {"lng", "export", "nothere.lng", "-o", "out.pot"},
                    "",
                    "Cannot open file nothere.lng: No such file or directory"},
        FailureCase{"NotALanguageFile",
                    {"lng", "export", "fr.po", "-o", "out.pot"},
                    "",
                    "Not a language file or old version (1.1): fr.po"},
        FailureCase{"MissingPo",
                    {"lng", "import", "english.lng", "nothere.po", "-o", "out.lng"},
                    "",
                    "Cannot open file nothere.po: No such file or directory"},
        FailureCase{"BrokenPo",
                    {"lng", "import", "english.lng", "fr.po", "-o", "out.lng"},
                    "msgctxt \"1\"\nmsgid \"Hello\"\nmsgstr \"Bonjour\n",
                    "fr.po:6: end of line within a string"},
        FailureCase{"CharacterWindows1252Lacks",
                    {"lng", "import", "latin.lng", "fr.po", "-o", "out.lng"},
                    "msgctxt \"1\"\nmsgid \"Café\"\nmsgstr \"Kawiarnia ą\"\n",
                    "fr.po:4: the translation of string 1 holds U+0105 (ą), which Windows-1252 "
                    "cannot store (latin.lng is a Windows-1252 file)"}),
    [](const auto& info) { return std::string(info.param.name); });

// The translators' workflow end to end: export, msginit, translate, import; later the
// native file grows and msgmerge brings the translation up to date.
TEST_F(LngPoCommandTest, MsginitAndMsgmergeWorkflow) {
  const std::string msginit = POLYVERB_MSGINIT, msgmerge = POLYVERB_MSGMERGE;
  if (msginit.empty() || msgmerge.empty())
    GTEST_SKIP() << "gettext tools (Debian package gettext) are not installed";
  ASSERT_EQ(Polyverb({"lng", "export", "english.lng", "-o", "english.pot"}).exit_code, 0);
  ToolResult init =
      Tool(msginit, {"--no-translator", "-l", "fr_FR.UTF-8", "-i", "english.pot", "-o", "fr.po"},
           dir_.path());
  ASSERT_EQ(init.exit_code, 0) << init.err;

  std::string po = ReadBytes(dir_ / "fr.po");
  const std::string hello = "msgid \"Hello\"\nmsgstr \"\"";
  ASSERT_NE(po.find(hello), std::string::npos) << po;
  po.replace(po.find(hello), hello.size(), "msgid \"Hello\"\nmsgstr \"Bonjour\"");
  WriteBytes(dir_ / "fr.po", po);
  ToolResult first = Polyverb({"lng", "import", "english.lng", "fr.po", "-o", "french.lng"});
  ASSERT_EQ(first.exit_code, 0) << first.err;
  EXPECT_EQ(Strings("french.lng"), (std::vector<std::string>{"1=Bonjour", "2=Bye"}));

  // A later conversion adds a string; the merged translation keeps what was done.
  ASSERT_EQ(Polyverb({"lng", "add", "english.lng", "3", "Thanks"}).exit_code, 0);
  ASSERT_EQ(Polyverb({"lng", "export", "english.lng", "-o", "english.pot"}).exit_code, 0);
  ToolResult merge = Tool(msgmerge, {"-q", "-U", "fr.po", "english.pot"}, dir_.path());
  ASSERT_EQ(merge.exit_code, 0) << merge.err;
  ToolResult second = Polyverb({"lng", "import", "english.lng", "fr.po", "-o", "french.lng"});
  ASSERT_EQ(second.exit_code, 0) << second.err;
  EXPECT_EQ(second.out,
            "french.lng: 3 strings, 1 translated, 2 kept the native text (0 missing, 2 empty, "
            "0 fuzzy)\n");
  EXPECT_EQ(Strings("french.lng"), (std::vector<std::string>{"1=Bonjour", "2=Bye", "3=Thanks"}));
}

}  // namespace
}  // namespace polyverb
