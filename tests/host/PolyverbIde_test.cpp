// polyverb-ide end to end: the executable with libpolyverb.so over copies of
// examples/demo, run with --yes as scripts and CI run it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <ostream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "langfile/LangFileEdit.h"
#include "tests/testing/RunTool.h"
#include "tests/testing/TempDir.h"

namespace polyverb {
namespace {

namespace fs = std::filesystem;
using testing::ReadBytes;
using testing::WriteBytes;

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

std::string Describe(const testing::ToolResult& r) {
  return "exit " + std::to_string(r.exit_code) + "\nstdout:\n" + r.out + "stderr:\n" + r.err;
}

std::vector<std::string> LangStrings(const std::string& path) {
  std::vector<std::string> texts;
  const auto file = TvLangFileEdit::ReadExisting(path);
  for (const TvIdentRec& ident : file->Idents()) {
    EXPECT_EQ(ident.Number, texts.size() + 1) << ident.Text;
    texts.emplace_back(ident.Text);
  }
  return texts;
}

// Each module's literals, then its form's texts, module by module.
const std::vector<std::string> kDemoStrings = {"Corner Shop",
                                               "Items in the basket: ",
                                               "That's a lot of shopping!",
                                               "Cannot show the About box: ",
                                               "Corner Shop",
                                               "Items in the basket: 0",
                                               "&Add an item",
                                               "A&bout...",
                                               "Corner Shop, version 1.0",
                                               "About",
                                               "About",
                                               "Corner Shop",
                                               "Close",
                                               "free",
                                               "%.2d",
                                               " EUR",
                                               " costs nothing",
                                               " costs "};

// The property groups: form class, then path=number items in the file's order.
std::vector<std::string> LangGroups(const std::string& path) {
  std::vector<std::string> groups;
  const auto file = TvLangFileEdit::ReadExisting(path);
  for (const TvLangProps::Group& group : file->Props().Groups()) {
    groups.push_back(group.name);
    for (const TvLangProps::Item& item : group.items)
      groups.push_back("  " + item.Text + "=" + std::to_string(item.value));
  }
  return groups;
}

class PolyverbIdeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // No display at all: --yes must pick the offscreen platform by itself.
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "POLYVERB_LANG"})
      ::unsetenv(name);
    fs::copy(POLYVERB_DEMO_DIR, shop_);
  }

  testing::ToolResult Ide(std::vector<std::string> args) {
    return testing::RunTool(POLYVERB_IDE, args, shop_);
  }

  std::string Path(const std::string& name) const { return shop_ + "/" + name; }
  std::string Read(const std::string& name) const { return ReadBytes(Path(name)); }

  // The form (written with the demo's own LF line ends) has exactly one TvMLang with LangFileName
  // `lang`, declared in its unit's class, and the unit uses vMLang in its interface.
  void ExpectPrepared(const std::string& unit, const std::string& form_class,
                      const std::string& lang) {
    const std::string dfm = Read(unit + ".dfm");
    EXPECT_EQ(Count(dfm, ": TvMLang"), 1u) << dfm;
    EXPECT_EQ(Count(dfm, "  object vMLang1: TvMLang\n    LangFileName = '" + lang +
                             "'\n    Left = 2\n"
                             "    Top = 2\n  end\nend\n"),
              1u)
        << dfm;
    const std::string pas = Read(unit + ".pas");
    const auto cls = pas.find(form_class + " = class(TForm)");
    const auto field = pas.find("    vMLang1: TvMLang;");
    const auto first_method = pas.find("procedure", cls);
    EXPECT_TRUE(cls < field && field < first_method) << pas;
    EXPECT_EQ(Count(pas, "vMLang1: TvMLang"), 1u) << pas;
    const auto uses = pas.find("uses");
    EXPECT_EQ(pas.find("vMLang", uses), pas.find("vMLang;", uses)) << pas;
    EXPECT_LT(pas.find("vMLang;", uses), pas.find("implementation")) << pas;
  }

  testing::TempDir dir_;
  const std::string shop_ = dir_ / "shop";
};

TEST_F(PolyverbIdeTest, YesRunsTheWholeWizardOverTheDemo) {
  const auto r = Ide({"--yes", "--mark", "all", "Shop.dpr"});
  ASSERT_EQ(r.exit_code, 0) << Describe(r);
  EXPECT_EQ(r.out,
            "polyverb-ide summary\n"
            "  modules done (4): Shop.dpr, Main.pas, About.pas, Prices.pas\n"
            "  modules skipped (0)\n"
            "  modules failed (0)\n"
            "  messages shown (0)\n"
            "  run-time unit vLangRT added (0)\n"
            "  errors raised (0)\n"
            "  files still open (1): Shop.dpr\n");
  EXPECT_EQ(r.err, "");
  ExpectPrepared("Main", "TfrmMain", "English");
  ExpectPrepared("About", "TfrmAbout", "English");
  EXPECT_EQ(LangStrings(Path("english.lng")), kDemoStrings);
  EXPECT_EQ(
      LangGroups(Path("english.lng")),
      (std::vector<std::string>{"TfrmAbout", "  btnClose.Caption=13", "  Caption=11",
                                "  lblName.Caption=12", "TfrmMain", "  btnAbout.Caption=8",
                                "  btnAdd.Caption=7", "  Caption=5", "  lblTotal.Caption=6"}));
  EXPECT_EQ(Count(Read("Main.pas"), "lblTotal.Caption := GetLangStr(2) + IntToStr(FCount);\r\n"),
            1u);
  EXPECT_EQ(Count(Read("Shop.dpr"), "Application.Title := GetLangStr(1);\r\n"), 1u);
  EXPECT_EQ(Count(Read("Prices.pas"), "0: Result := Name + GetLangStr(17);\r\n"), 1u);
  EXPECT_EQ(Count(Read("About.pas"), "'"), 0u);

  // A second run reuses the components and numbers a new literal after the last one.
  std::string about = Read("About.pas");
  const std::string anchor = "  Caption := GetLangStr(10);\r\n";
  about.insert(about.find(anchor) + anchor.size(), "  Hint := 'Second run';\r\n");
  WriteBytes(Path("About.pas"), about);
  const std::string main_before = Read("Main.pas");
  const auto again = Ide({"--yes", "--mark", "all", "Shop.dpr"});
  ASSERT_EQ(again.exit_code, 0) << Describe(again);
  ExpectPrepared("Main", "TfrmMain", "English");
  ExpectPrepared("About", "TfrmAbout", "English");
  std::vector<std::string> expected = kDemoStrings;
  expected.push_back("Second run");
  EXPECT_EQ(LangStrings(Path("english.lng")), expected);
  EXPECT_EQ(Count(Read("About.pas"), "  Hint := GetLangStr(19);\r\n"), 1u);
  EXPECT_EQ(Read("Main.pas"), main_before);
}

TEST_F(PolyverbIdeTest, LazarusProjectOpensThroughItsProgramAndRequiresTheRunTimePackage) {
  const std::string lazarus = dir_ / "lazarus";
  fs::copy(POLYVERB_LAZARUS_DIR, lazarus);
  const auto r = testing::RunTool(POLYVERB_IDE, {"--yes", "--no-sources", "Shop.lpr"}, lazarus);
  ASSERT_EQ(r.exit_code, 0) << Describe(r);
  EXPECT_EQ(r.out,
            "polyverb-ide summary\n"
            "  modules done (4): Shop.lpr, MainForm.pas, AboutForm.pas, ShopText.pas\n"
            "  modules skipped (0)\n"
            "  modules failed (0)\n"
            "  messages shown (0)\n"
            "  run-time unit vLangRT added (0)\n"
            "  errors raised (0)\n"
            "  files still open (1): Shop.lpr\n");
  for (const char* form : {"MainForm.lfm", "AboutForm.lfm"})
    EXPECT_EQ(Count(ReadBytes(lazarus + "/" + form), "object vMLang1: TvMLang\n"), 1u) << form;
  const std::string lpi = ReadBytes(lazarus + "/Shop.lpi");
  EXPECT_EQ(Count(lpi, "<PackageName Value=\"polyverb_runtime\"/>"), 1u) << lpi;
}

TEST_F(PolyverbIdeTest, YesMarksTheSuggestedStringsAndAnnotatesOnRequest) {
  // Without the form texts, which come after each module's literals.
  const auto r = Ide({"--yes", "--annotate", "--no-forms", "Shop.dpr"});
  ASSERT_EQ(r.exit_code, 0) << Describe(r);
  // The demo's texts; its price pieces ('free', '%.2d', ' EUR', ' costs ') are left.
  EXPECT_EQ(
      LangStrings(Path("english.lng")),
      (std::vector<std::string>{"Corner Shop", "Items in the basket: ", "That's a lot of shopping!",
                                "Cannot show the About box: ", "Corner Shop, version 1.0", "About",
                                " costs nothing"}));
  EXPECT_EQ(Count(Read("Shop.dpr"), "Application.Title := GetLangStr(1) {Corner Shop};\r\n"), 1u);
  EXPECT_EQ(Count(Read("Prices.pas"), "Result := Name + GetLangStr(7) { costs nothing};\r\n"), 1u);
  EXPECT_EQ(Count(Read("Prices.pas"), "'free'"), 1u);
}

TEST_F(PolyverbIdeTest, LanguageNoSourcesAndNoFormsAnswerTheWizard) {
  const std::string prices = Read("Prices.pas");
  const auto r = Ide({"--yes", "--lang", "Deutsch", "--no-sources", "--no-forms", "Shop.dpr"});
  ASSERT_EQ(r.exit_code, 0) << Describe(r);
  ExpectPrepared("Main", "TfrmMain", "Deutsch");
  ExpectPrepared("About", "TfrmAbout", "Deutsch");
  EXPECT_EQ(Read("Prices.pas"), prices);
  EXPECT_EQ(Count(Read("Main.pas"), "GetLangStr"), 0u);
  for (const std::string& name : testing::ListDirectory(shop_))
    EXPECT_EQ(name.find(".lng"), std::string::npos) << name;

  // The form texts alone, numbered from 1; the sources stay as they are.
  const auto forms = Ide({"--yes", "--lang", "Deutsch", "--no-sources", "Shop.dpr"});
  ASSERT_EQ(forms.exit_code, 0) << Describe(forms);
  EXPECT_EQ(LangStrings(Path("deutsch.lng")),
            (std::vector<std::string>{"Corner Shop", "Items in the basket: 0", "&Add an item",
                                      "A&bout...", "About", "Corner Shop", "Close"}));
  EXPECT_EQ(Read("Prices.pas"), prices);
}

TEST_F(PolyverbIdeTest, MalformedBinaryFormIsReportedLeftAsItWasAndLaterModulesAreDone) {
  std::string dpr = Read("Shop.dpr");
  dpr.insert(dpr.find("  About in"), "  Bin in 'Bin.pas' {frmBin},\n");
  WriteBytes(Path("Shop.dpr"), dpr);
  const std::string bin_pas =
      "unit Bin;\ninterface\nuses Forms;\ntype\n  TfrmBin = class(TForm)\n  end;\nimplementation\n"
      "procedure Hello;\nbegin\n  WriteLn('Binary');\nend;\nend.\n";
  const std::string bin_dfm =
      "TPF0\x07TfrmBin\x06"
      "frmBin";
  WriteBytes(Path("Bin.pas"), bin_pas);
  WriteBytes(Path("Bin.dfm"), bin_dfm);

  const auto r = Ide({"--yes", "--mark", "all", "Shop.dpr"});
  ASSERT_EQ(r.exit_code, 3) << Describe(r);
  const std::string bin = Path("Bin.pas");
  const std::string why = "Form file " + Path("Bin.dfm") +
                          ", offset 19: the file ends inside the properties of an object";
  EXPECT_EQ(r.err, "polyverb-ide: No module interface for " + bin + ": " + why +
                       "\npolyverb-ide: message: Cann't get module interface for " + bin + "\n");
  EXPECT_EQ(r.out,
            "polyverb-ide summary\n"
            "  modules done (4): Shop.dpr, Main.pas, About.pas, Prices.pas\n"
            "  modules skipped (1): Bin.pas (" +
                why +
                ")\n"
                "  modules failed (0)\n"
                "  messages shown (1): Cann't get module interface for " +
                bin +
                "\n"
                "  run-time unit vLangRT added (0)\n"
                "  errors raised (0)\n"
                "  files still open (2): Shop.dpr, Bin.pas\n");
  EXPECT_EQ(Read("Bin.pas"), bin_pas);
  EXPECT_EQ(Read("Bin.dfm"), bin_dfm);
  ExpectPrepared("About", "TfrmAbout", "English");
  EXPECT_EQ(LangStrings(Path("english.lng")), kDemoStrings);
}

// A form unit is known by its {FormName} in the project file or its {$R *.dfm}; without
// its form file nothing of it changes. A plain unit that gains GetLangStr gains vLangRT.
TEST_F(PolyverbIdeTest, FormUnitsWithoutFormFileAreSkippedWhole) {
  std::string dpr = Read("Shop.dpr");
  dpr.insert(dpr.find("  About in"),
             "  UNoDfm in 'UNoDfm.pas' {FormNoDfm},\n  URes in 'URes.pas',\n"
             "  Plain in 'Plain.pas',\n");
  WriteBytes(Path("Shop.dpr"), dpr);
  const std::string no_dfm =
      "unit UNoDfm;\ninterface\nimplementation\nprocedure P;\nbegin\n  Say('Lost?');\nend;\nend.\n";
  std::string res = no_dfm;
  res.replace(res.find("UNoDfm"), 6, "URes").insert(res.find("procedure"), "{$R *.dfm}\n");
  WriteBytes(Path("UNoDfm.pas"), no_dfm);
  WriteBytes(Path("URes.pas"), res);
  WriteBytes(Path("Plain.pas"),
             "unit Plain;\ninterface\nimplementation\nprocedure P;\nbegin\n"
             "  Say('Plain text');\nend;\nend.\n");

  const auto r = Ide({"--yes", "Shop.dpr"});
  ASSERT_EQ(r.exit_code, 3) << Describe(r);
  EXPECT_EQ(Count(r.out,
                  "  modules skipped (2): UNoDfm.pas (its form file UNoDfm.dfm is missing), "
                  "URes.pas (its form file URes.dfm is missing)\n"),
            1u)
      << r.out;
  EXPECT_EQ(Count(r.out, "  run-time unit vLangRT added (1): Plain.pas\n"), 1u) << r.out;
  EXPECT_EQ(Read("UNoDfm.pas"), no_dfm);
  EXPECT_EQ(Read("URes.pas"), res);
  EXPECT_EQ(Count(Read("Plain.pas"), "implementation\r\n\r\nuses vLangRT;\r\n"), 1u);
}

TEST_F(PolyverbIdeTest, FailedSaveEndsTheRunWithTheErrorAndLeavesLaterModules) {
  std::string main = Read("Main.pas");
  main.replace(main.find("TfrmMain = class"), 8, "TfrmShop");
  WriteBytes(Path("Main.pas"), main);
  const std::string about = Read("About.pas");
  const auto r = Ide({"--yes", "--mark", "all", "Shop.dpr"});
  ASSERT_EQ(r.exit_code, 1) << Describe(r);
  const std::string error =
      "Unit file " + Path("Main.pas") + ": the declaration of class TfrmMain was not found";
  EXPECT_EQ(r.err, "polyverb-ide: error: " + error + "\n");
  EXPECT_EQ(Count(r.out, "  errors raised (1): " + error + "\n"), 1u) << r.out;
  EXPECT_EQ(Count(r.out,
                  "  modules done (1): Shop.dpr\n  modules skipped (0)\n"
                  "  modules failed (1): Main.pas (" +
                      error + ")\n"),
            1u)
      << r.out;
  EXPECT_EQ(Read("Main.pas"), main);
  EXPECT_EQ(Read("Main.dfm"), ReadBytes(std::string(POLYVERB_DEMO_DIR) + "/Main.dfm"));
  EXPECT_EQ(Read("About.pas"), about);
  EXPECT_EQ(LangStrings(Path("english.lng")), std::vector<std::string>{"Corner Shop"});
}

// A full disk while the first module with a form is saved: the module is listed as
// failed with the file and the reason, and its form and unit stay as they were.
TEST_F(PolyverbIdeTest, DiskFullDuringAModuleSaveFailsTheModuleAndKeepsItWhole) {
  const std::string main_pas = Read("Main.pas");
  const std::string main_dfm = Read("Main.dfm");
  // 1 KiB per file (bash counts in KiB): enough for Shop.dpr and the language file, not
  // for the step that saves Main's form and unit.
  const auto r = testing::RunTool(
      "/bin/bash", {"-c", "trap '' XFSZ; ulimit -f 1; exec \"$0\" --yes Shop.dpr", POLYVERB_IDE},
      shop_);
  ASSERT_EQ(r.exit_code, 1) << Describe(r);
  EXPECT_EQ(Count(r.out, "  modules done (1): Shop.dpr\n"), 1u) << r.out;
  const auto failed = r.out.find("  modules failed (1): Main.pas (Stream write error on " + shop_);
  ASSERT_NE(failed, std::string::npos) << r.out;
  const std::string line = r.out.substr(failed, r.out.find('\n', failed) - failed);
  EXPECT_TRUE(line.ends_with(": File too large)")) << line;
  EXPECT_EQ(Read("Main.pas"), main_pas);
  EXPECT_EQ(Read("Main.dfm"), main_dfm);
  for (const std::string& name : testing::ListDirectory(shop_)) EXPECT_NE(name[0], '.') << name;
}

// Two IDEs on one project at once: each run completes or stops with a message naming the
// file that the other changed; nothing is numbered twice or lost.
TEST_F(PolyverbIdeTest, TwoInstancesOnOneProjectLoseNothing) {
  testing::ToolResult results[2];
  {
    std::thread second([&] { results[1] = Ide({"--yes", "--mark", "all", "Shop.dpr"}); });
    results[0] = Ide({"--yes", "--mark", "all", "Shop.dpr"});
    second.join();
  }
  int completed = 0;
  for (const auto& r : results) {
    if (r.exit_code == 0)
      ++completed;
    else
      EXPECT_NE(r.err.find("was changed on disk"), std::string::npos) << Describe(r);
  }
  EXPECT_GE(completed, 1);
  std::map<int, std::string> table;
  const auto lang = TvLangFileEdit::ReadExisting(Path("english.lng"));
  for (const TvIdentRec& rec : lang->Idents())
    EXPECT_TRUE(table.emplace(rec.Number, rec.Text).second) << rec.Number;
  std::multiset<std::string> used;
  for (const char* name : {"Shop.dpr", "Main.pas", "About.pas", "Prices.pas"}) {
    const std::string source = Read(name);
    for (auto at = source.find("GetLangStr("); at != std::string::npos;
         at = source.find("GetLangStr(", at + 1))
      used.insert(table.at(std::stoi(source.substr(at + 11))));
  }
  for (const auto& group : lang->Props().Groups())
    for (const auto& item : group.items) used.insert(table.at(item.value));
  EXPECT_EQ(used, std::multiset<std::string>(kDemoStrings.begin(), kDemoStrings.end()));
  ExpectPrepared("Main", "TfrmMain", "English");
  ExpectPrepared("About", "TfrmAbout", "English");
}

struct StartCase {
  std::string name;
  std::vector<std::string> args;
  int exit_code;
  std::string err;  // %D: the project directory
};

void PrintTo(const StartCase& c, std::ostream* os) {
  *os << c.name;
}

class StartFailureTest : public PolyverbIdeTest, public ::testing::WithParamInterface<StartCase> {};

constexpr const char* kUsage =
    "usage: polyverb-ide [--expert PATH] [--yes [--lang NAME] [--no-sources] [--no-forms]\n"
    "                    [--mark all|suggested|none] [--annotate]] PROJECT\n";
const std::string kUsageTail = std::string(kUsage) + "Try 'polyverb-ide --help'.\n";

TEST_P(StartFailureTest, ClearMessageAndNothingWritten) {
  WriteBytes(Path("junk.so"), "junk");
  const auto before = testing::ListDirectory(shop_);
  const auto r = Ide(GetParam().args);
  std::string err = GetParam().err;
  for (std::size_t at; (at = err.find("%D")) != std::string::npos;) err.replace(at, 2, shop_);
  EXPECT_EQ(r.exit_code, GetParam().exit_code) << Describe(r);
  EXPECT_EQ(r.err, err);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(testing::ListDirectory(shop_), before);
  EXPECT_EQ(Read("Main.dfm"), ReadBytes(std::string(POLYVERB_DEMO_DIR) + "/Main.dfm"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StartFailureTest,
    ::testing::Values(
        StartCase{"NoProject",
                  {"--yes"},
                  2,
                  std::string("polyverb-ide: no project file given\n") + kUsageTail},
        StartCase{
            "TwoProjects",
            {"a.dpr", "b.dpr"},
            2,
            std::string("polyverb-ide: one project at a time: a.dpr and b.dpr\n") + kUsageTail},
        StartCase{"UnknownOption",
                  {"--quiet", "Shop.dpr"},
                  2,
                  std::string("polyverb-ide: unknown option --quiet\n") + kUsageTail},
        StartCase{"MissingValue",
                  {"Shop.dpr", "--expert"},
                  2,
                  std::string("polyverb-ide: --expert needs a value\n") + kUsageTail},
        StartCase{"LangWithoutYes",
                  {"--lang", "French", "Shop.dpr"},
                  2,
                  std::string("polyverb-ide: --lang, --no-sources, --no-forms, --mark and "
                              "--annotate answer the wizard for --yes; give --yes too\n") +
                      kUsageTail},
        StartCase{"EmptyLanguage",
                  {"--yes", "--lang", "", "Shop.dpr"},
                  2,
                  std::string("polyverb-ide: --lang needs a language name\n") + kUsageTail},
        StartCase{"MissingProject",
                  {"--yes", "None.dpr"},
                  1,
                  "polyverb-ide: Cannot open file %D/None.dpr: No such file or directory\n"},
        StartCase{"BrokenProject",
                  {"--yes", "Main.pas"},
                  1,
                  "polyverb-ide: Project file %D/Main.pas, line 1: expected 'program' or "
                  "'library', found 'unit'\n"},
        StartCase{"MissingAddin",
                  {"--expert", "none.so", "--yes", "Shop.dpr"},
                  1,
                  "polyverb-ide: Cannot load the add-in %D/none.so: no such file\n"},
        StartCase{"NotALibrary",
                  {"--expert", "junk.so", "--yes", "Shop.dpr"},
                  1,
                  "polyverb-ide: Cannot load the add-in %D/junk.so: %D/junk.so: file too short\n"},
        StartCase{"NoEntryPoint",
                  {"--expert", POLYVERB_NOENTRY, "--yes", "Shop.dpr"},
                  1,
                  "polyverb-ide: Cannot load the add-in " POLYVERB_NOENTRY
                  ": it exports no INITEXPERT0017\n"},
        StartCase{"NoDisplay",
                  {"Shop.dpr"},
                  1,
                  "polyverb-ide: there is no display to show the IDE on (DISPLAY is not set); run "
                  "with --yes, "
                  "or choose a Qt platform with QT_QPA_PLATFORM\n"}),
    [](const auto& info) { return info.param.name; });

TEST_F(PolyverbIdeTest, HelpDescribesTheOptionsAndExitStatus) {
  const auto r = Ide({"--help"});
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_EQ(r.out.rfind(kUsage, 0), 0u);
  EXPECT_NE(r.out.find("3 when\nthe run completed but showed a message"), std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("Lazarus project\n(.lpi, or its program .lpr"), std::string::npos) << r.out;
}

#ifdef FPC_BIN
// The demo's console program uses the plain unit; after the run it compiles with the
// run-time units and prints what it printed before.
TEST_F(PolyverbIdeTest, ConsoleProgramPrintsTheSameAfterTheRun) {
  auto build = [&](const std::string& out) {
    fs::create_directory(out);
    const auto r = testing::RunTool(
        FPC_BIN, {"-Mdelphi", "-FU" + out, "-FE" + out, "-Fu" RUNTIME_DIR, Path("PriceList.dpr")},
        dir_.path());
    EXPECT_EQ(r.exit_code, 0) << Describe(r);
    const auto run = testing::RunTool(out + "/PriceList", {}, shop_);
    EXPECT_EQ(run.exit_code, 0) << Describe(run);
    return run.out;
  };
  const std::string before = build(dir_ / "before");
  ASSERT_NE(before.find("Bread costs 2.49 EUR"), std::string::npos) << before;
  const auto r = Ide({"--yes", "--mark", "all", "Shop.dpr"});
  ASSERT_EQ(r.exit_code, 0) << Describe(r);
  ASSERT_EQ(Count(Read("Prices.pas"), "GetLangStr("), 5u);
  EXPECT_EQ(build(dir_ / "after"), before);
}
#endif

}  // namespace
}  // namespace polyverb
