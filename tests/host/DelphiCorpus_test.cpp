// The Delphi projects of the real-world corpus through polyverb-ide --yes: the run ends
// without an error, every number a rewritten source calls is in the language file, and
// every rewritten source uses a run-time unit (vMLang or vLangRT). No Delphi compiler
// runs here, so that is what "still compiles" can be checked as.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "langfile/LangFileEdit.h"
#include "source/SourceText.h"
#include "source/UnitRewrite.h"
#include "tests/testing/RunTool.h"
#include "tests/testing/TempDir.h"

namespace polyverb {
namespace {

namespace fs = std::filesystem;

std::string Describe(const testing::ToolResult& r) {
  return "exit " + std::to_string(r.exit_code) + "\nstdout:\n" + r.out + "stderr:\n" + r.err;
}

class DelphiCorpusTest : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "POLYVERB_LANG"})
      ::unsetenv(name);
    if (!fs::is_directory(CORPUS_DIR)) GTEST_SKIP() << "no corpus at " << CORPUS_DIR;
    // The project's code base (delphi-text/vied, ...): a .dpr may name units outside its
    // own folder.
    const fs::path dpr(GetParam());
    const fs::path base = *dpr.begin() / *std::next(dpr.begin());
    fs::create_directories(work_ / base.string());
    fs::copy(fs::path(CORPUS_DIR) / base, work_ / base.string(), fs::copy_options::recursive);
    for (const auto& entry : fs::recursive_directory_iterator(work_.path()))
      fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add);
    dpr_ = work_ / GetParam();
  }

  testing::TempDir work_;
  std::string dpr_;
};

TEST_P(DelphiCorpusTest, EveryRewrittenSourceUsesTheRunTimeUnit) {
  // --yes marks every row of each chooser: once polyverb-ide takes --mark, this run passes
  // --mark all.
  const auto r = testing::RunTool(POLYVERB_IDE, {"--yes", dpr_});
  // 3: a module was skipped with a message, as one with a binary form file still is.
  ASSERT_TRUE(r.exit_code == 0 || r.exit_code == 3) << Describe(r);
  EXPECT_NE(r.out.find("  errors raised (0)\n"), std::string::npos) << r.out;
  // Each message is a module skipped for its binary form file (the stand-in reads text
  // form files only); nothing else may be reported.
  const auto count_in = [&](const std::string& heading) {
    const std::regex line("  " + heading + " \\((\\d+)\\)[^\\n]*");
    std::smatch m;
    EXPECT_TRUE(std::regex_search(r.out, m, line)) << r.out;
    return m.empty() ? std::pair(0, std::string()) : std::pair(std::stoi(m[1]), m.str());
  };
  const auto [skipped, skipped_line] = count_in("modules skipped");
  std::size_t binary = 0;
  for (auto at = skipped_line.find("is a binary form file"); at != std::string::npos;
       at = skipped_line.find("is a binary form file", at + 1))
    ++binary;
  EXPECT_EQ(static_cast<std::size_t>(skipped), binary) << r.out;
  EXPECT_EQ(count_in("messages shown").first, skipped) << r.out;

  std::set<int> called;
  const std::regex call("GetLangStr\\((\\d+)\\)");
  for (const auto& entry : fs::recursive_directory_iterator(work_.path())) {
    const std::string ext = entry.path().extension().string();
    if (ext != ".pas" && ext != ".dpr" && ext != ".inc") continue;
    const std::string text = testing::ReadBytes(entry.path().string());
    bool calls = false;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), call);
         it != std::sregex_iterator(); ++it) {
      EXPECT_TRUE(called.insert(std::stoi((*it)[1])).second) << "number used twice: " << (*it)[0];
      calls = true;
    }
    if (!calls || ext == ".inc") continue;
    const SourceText source(text, entry.path().string());
    bool uses_run_time = false;
    for (const std::string& unit : UsedUnits(source.Lines()))
      uses_run_time = uses_run_time || unit == "vmlang" || unit == "vlangrt";
    EXPECT_TRUE(uses_run_time) << entry.path() << " calls GetLangStr without a run-time unit";
  }
  std::set<int> stored;
  const auto lang = TvLangFileEdit::ReadExisting(fs::path(dpr_).parent_path() / "english.lng");
  for (const auto& ident : lang->Idents()) stored.insert(ident.Number);
  // Every entry is reached: by a GetLangStr call or by a form's property group.
  for (const auto& group : lang->Props().Groups())
    for (const auto& item : group.items)
      EXPECT_TRUE(called.insert(item.value).second) << "number used twice: " << item.value;
  EXPECT_EQ(called, stored);
}

INSTANTIATE_TEST_SUITE_P(Corpus, DelphiCorpusTest,
                         ::testing::Values("delphi-text/vied/Source/VIEd.dpr",
                                           "delphi-text/pashi/Src/GUI/PasHiGUI.dpr",
                                           "delphi-text/pashi/Src/PasHi.dpr",
                                           "delphi-text/msgdlg/Demo/PJMessageDialogDemo.dpr",
                                           "delphi-binary/envvars-demo/article-06/TestEnvVars.dpr",
                                           "delphi-binary/payload-demo/article-07/Reader.dpr",
                                           "delphi-binary/payload-demo/article-07/Writer.dpr"),
                         [](const auto& info) {
                           std::string name = fs::path(info.param).stem().string();
                           for (char& c : name)
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           return name;
                         });

}  // namespace
}  // namespace polyverb
