// An inherited form converted in either order (ancestor first, descendant first) streams
// with Free Pascal's Classes, child over base, and shows the French texts.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "langfile/LangFileEdit.h"
#include "tests/testing/RunTool.h"
#include "tests/testing/TempDir.h"

namespace polyverb {
namespace {

namespace fs = std::filesystem;

std::string Describe(const testing::ToolResult& r) {
  return "exit " + std::to_string(r.exit_code) + "\nstdout:\n" + r.out + "stderr:\n" + r.err;
}

struct Order {
  std::string project;                       // inherited/PROJECT.dpr lists the units in order
  std::map<std::string, std::string> holds;  // form file -> its TvMLang objects
};

void PrintTo(const Order& order, std::ostream* os) {
  *os << order.project;
}

class InheritedFormsTest : public ::testing::TestWithParam<Order> {
 protected:
  void SetUp() override {
    ::unsetenv("POLYVERB_LANG");
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) ::unsetenv(name);
    fs::copy(POLYVERB_INHERITED_DIR, project_);
  }

  // french.lng through the translators' path: the template's texts translated, imported.
  void MakeFrench() {
    const std::map<std::string, std::string> french = {{"Base window", "Fen\xC3\xAAtre de base"},
                                                       {"Title", "Titre"},
                                                       {"Footer", "Pied de page"},
                                                       {"Child window", "Fen\xC3\xAAtre fille"},
                                                       {"Child title", "Titre de la fille"},
                                                       {"OK", "D'accord"}};
    std::string po = "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=UTF-8\\n\"\n";
    const auto english = TvLangFileEdit::ReadExisting(project_ + "/english.lng");
    for (const TvIdentRec& rec : english->Idents())
      po += "\nmsgctxt \"" + std::to_string(rec.Number) + "\"\nmsgid \"" + std::string(rec.Text) +
            "\"\nmsgstr \"" + french.at(std::string(rec.Text)) + "\"\n";
    testing::WriteBytes(project_ + "/fr.po", po);
    const auto r = testing::RunTool(
        POLYVERB_BIN, {"lng", "import", "english.lng", "fr.po", "-o", "french.lng"}, project_);
    ASSERT_EQ(r.exit_code, 0) << Describe(r);
  }

  testing::TempDir dir_;
  const std::string project_ = dir_ / "project";
};

TEST_P(InheritedFormsTest, EveryOrderStreamsAndShowsTheTranslation) {
#ifndef FPC_BIN
  GTEST_SKIP() << "fpc not found";
#else
  const auto ide = testing::RunTool(POLYVERB_IDE, {"--yes", GetParam().project + ".dpr"}, project_);
  ASSERT_EQ(ide.exit_code, 0) << Describe(ide);
  for (const auto& [form, holds] : GetParam().holds) {
    std::string found;
    const std::string text = testing::ReadBytes(project_ + "/" + form);
    for (std::size_t at = 0; (at = text.find(": TvMLang\n", at)) != std::string::npos; ++at)
      found += text.substr(text.rfind('\n', at) + 3, at - text.rfind('\n', at) - 3) + ";";
    EXPECT_EQ(found, holds) << form;
  }
  MakeFrench();

  const std::string out = dir_ / "fpc";
  fs::create_directory(out);
  const auto fpc = testing::RunTool(FPC_BIN, {"-v0", "-FU" + out, "-FE" + out, "-Fu" RUNTIME_DIR,
                                              POLYVERB_INHERITED_DIR "/streamforms.pas"});
  ASSERT_EQ(fpc.exit_code, 0) << Describe(fpc);
  const auto run = testing::RunTool(out + "/streamforms", {}, project_);
  EXPECT_EQ(run.exit_code, 0) << Describe(run);
  const std::string english = "Child window|Child title|Footer|OK\n";
  const std::string french = "Fen\xC3\xAAtre fille|Titre de la fille|Pied de page|D'accord\n";
  EXPECT_EQ(run.out, "global English: " + english + "levels English: " + english +
                         "global French: " + french + "levels French: " + french +
                         "global French, streamed: " + french +
                         "levels French, streamed: " + french);
#endif
}

// Ancestor first: the descendant names the inherited component. Descendant first: it keeps
// its own, and the ancestor's takes another name.
INSTANTIATE_TEST_SUITE_P(
    Orders, InheritedFormsTest,
    ::testing::Values(
        Order{"BaseFirst", {{"Base.dfm", "object vMLang1;"}, {"Child.dfm", "inherited vMLang1;"}}},
        Order{"ChildFirst", {{"Base.dfm", "object vMLang2;"}, {"Child.dfm", "object vMLang1;"}}}),
    [](const auto& info) { return info.param.project; });

}  // namespace
}  // namespace polyverb
