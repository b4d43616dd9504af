// The wizard run through the static library: the recording host plays the IDE over a
// project in a temporary directory, the scripted dialogs play the user.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "expert/WizardRun.h"
#include "langfile/LangFileEdit.h"
#include "tests/expert/RecordingHost.h"
#include "tests/expert/ScriptedUi.h"
#include "tests/testing/TempDir.h"

namespace polyverb::testing {
namespace {

const char kProject[] =
    "program Project1;\n"
    "\n"
    "uses\n"
    "  Forms,\n"
    "  Unit1 in 'Unit1.pas' {Form1};\n"
    "\n"
    "begin\n"
    "  Application.Initialize;\n"
    "  Application.CreateForm(TForm1, Form1);\n"
    "  Application.Run;\n"
    "end.\n";

// A form unit whose one routine shows `text`. It uses vMLang, as the IDE's save of a form
// with a TvMLang leaves it, so the rewrite adds no run-time unit.
std::string FormUnit(const std::string& name, const std::string& text) {
  return "unit " + name +
         ";\n"
         "\n"
         "interface\n"
         "\n"
         "uses Forms, Dialogs, vMLang;\n"
         "\n"
         "type\n"
         "  TForm1 = class(TForm)\n"
         "    procedure FormClick(Sender: TObject);\n"
         "  end;\n"
         "\n"
         "implementation\n"
         "\n"
         "procedure TForm1.FormClick(Sender: TObject);\n"
         "begin\n"
         "  ShowMessage('" +
         text +
         "');\n"
         "end;\n"
         "\n"
         "end.\n";
}

// `source` as the run writes it back: CR LF line ends.
std::string CrLf(const std::string& source) {
  std::string out;
  for (char c : source) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

std::string Replaced(const std::string& source, const std::string& text, int number) {
  std::string out = source;
  out.replace(out.find("'" + text + "'"), text.size() + 2,
              "GetLangStr(" + std::to_string(number) + ")");
  return CrLf(out);
}

struct Entry {
  int number;
  std::string text;
  bool operator==(const Entry&) const = default;
};

class RunWizardTest : public ::testing::Test {
 protected:
  RunWizardTest() { script_.log = &host_.Log(); }

  void TearDown() override {
    host_.Verify();
    EXPECT_EQ(script_.dialogs_destroyed, script_.dialogs_created);
  }

  // The run's failure message, or "no failure".
  std::string Run() {
    try {
      RunWizard(host_, ui_);
    } catch (const std::exception& e) {
      return e.what();
    }
    return "no failure";
  }

  // The log from the first entry equal to `from` on.
  CallLog LogFrom(const std::string& from) {
    const CallLog& log = host_.Log();
    for (std::size_t i = 0; i < log.size(); ++i)
      if (log[i] == from) return CallLog(log.begin() + static_cast<std::ptrdiff_t>(i), log.end());
    return {};
  }

  std::vector<Entry> LangEntries(const std::string& name = "english.lng") {
    std::vector<Entry> entries;
    const auto file = TvLangFileEdit::ReadExisting(dir_ / name);
    for (const auto& ident : file->Idents())
      entries.push_back({ident.Number, std::string(ident.Text)});
    return entries;
  }

  std::string Disk(const std::string& name) { return ReadBytes(dir_ / name); }

  // The project of the worked example: Project1.dpr and Unit1.pas with Form1.
  void WorkedExample() {
    host_.AddFile("Project1.dpr", kProject);
    host_.AddFile("Unit1.pas", FormUnit("Unit1", "Hello"), "TForm1");
  }

  // Five form units U1 to U5 (no project file in the list), each showing "Text<i>".
  void FiveUnits() {
    host_.SetProjectName(dir_ / "Project1.dpr");
    for (int i = 1; i <= 5; ++i) {
      const std::string name = "U" + std::to_string(i);
      host_.AddFile(name + ".pas", FormUnit(name, "Text" + std::to_string(i)), "TForm1");
    }
  }

  TempDir dir_{/*enter=*/true};
  RecordingHost host_{dir_.path()};
  DialogScript script_;
  ScriptedUi ui_{script_};
};

TEST_F(RunWizardTest, WorkedExample) {
  WorkedExample();
  EXPECT_EQ(Run(), "no failure");

  EXPECT_EQ(host_.Log(), (CallLog{
                             "GetProjectName",
                             "GetUnitCount",
                             "GetUnitName(0)",
                             "GetUnitName(1)",
                             "Wizard.Create",
                             "Wizard.ShowModal",
                             "OpenFile(Project1.dpr)",
                             "GetModuleInterface(Project1.dpr)",
                             "Module(Project1.dpr).ShowForm",
                             "Module(Project1.dpr).GetFormInterface",
                             "Release Module(Project1.dpr)",
                             "OpenFile(Unit1.pas)",
                             "GetModuleInterface(Unit1.pas)",
                             "Module(Unit1.pas).ShowForm",
                             "Module(Unit1.pas).GetFormInterface",
                             "Form(Unit1.pas).GetFormComponent",
                             "Component(Form1).GetComponentCount",
                             "Release Component(Form1)",
                             "Form(Unit1.pas).CreateComponent(nil, TvMLang, 2, 2, 10, 10)",
                             "Component(vMLang1).SetPropByName(LangFileName, English)",
                             "Module(Unit1.pas).Save(true)",
                             "Release Component(vMLang1)",
                             "Release Form(Unit1.pas)",
                             "Release Module(Unit1.pas)",
                             "CloseFile(Unit1.pas)",
                             "Chooser(Hello)",
                             "Wizard.Destroy",
                         }));
  EXPECT_EQ(
      script_.shown_rows,
      (std::vector<std::vector<ListRow>>{{{"Project1.dpr", "", true}, {"Unit1.pas", "", true}}}));
  EXPECT_EQ(script_.chooser_files, std::vector<std::string>{dir_ / "Unit1.pas"});

  const HostComponent& form = host_.Form("Unit1.pas");
  ASSERT_EQ(form.components.size(), 1u);
  const HostComponent& mlang = *form.components[0];
  EXPECT_EQ(mlang.type, "TvMLang");
  EXPECT_EQ((std::vector<int>{mlang.x, mlang.y, mlang.w, mlang.h}),
            (std::vector<int>{2, 2, 10, 10}));
  EXPECT_EQ(mlang.props.at("LangFileName"), "English");
  EXPECT_EQ(host_.Module("Unit1.pas").saves, 1);
  EXPECT_FALSE(host_.Module("Unit1.pas").open);
  EXPECT_TRUE(host_.Module("Project1.dpr").open);

  EXPECT_EQ(Disk("Unit1.pas"), Replaced(FormUnit("Unit1", "Hello"), "Hello", 1));
  EXPECT_EQ(LangEntries(), (std::vector<Entry>{{1, "Hello"}}));
  // The project file had no candidate: written back as it was.
  EXPECT_EQ(Disk("Project1.dpr"), kProject);
}

TEST_F(RunWizardTest, NoProjectOpenDoesNothing) {
  host_.AddName(dir_ / "Unit1.pas");
  EXPECT_EQ(Run(), "no failure");
  EXPECT_EQ(host_.Log(), CallLog{"GetProjectName"});
  EXPECT_EQ(script_.dialogs_created, 0);
}

class CancelTest : public RunWizardTest, public ::testing::WithParamInterface<int> {};

TEST_P(CancelTest, AnyResultButFinishChangesNothing) {
  WorkedExample();
  host_.Module("Unit1.pas").open = true;
  script_.modal_result = GetParam();
  EXPECT_EQ(Run(), "no failure");
  EXPECT_EQ(LogFrom("Wizard.ShowModal"), (CallLog{"Wizard.ShowModal", "Wizard.Destroy"}));
  EXPECT_TRUE(host_.Module("Unit1.pas").open);
  EXPECT_TRUE(host_.Form("Unit1.pas").components.empty());
  EXPECT_EQ(Disk("Unit1.pas"), FormUnit("Unit1", "Hello"));
  EXPECT_EQ(ListDirectory(dir_.path()), (std::vector<std::string>{"Project1.dpr", "Unit1.pas"}));
}

// Cancel, Esc and the close box give 2; a dialog closed some other way may give anything.
INSTANTIATE_TEST_SUITE_P(ModalResults, CancelTest, ::testing::Values(2, 0, 3, -1));

TEST_F(RunWizardTest, FinishWithNoRowSelectedDoesNothing) {
  WorkedExample();
  script_.deselect = {0, 1};
  EXPECT_EQ(Run(), "no failure");
  EXPECT_EQ(LogFrom("Wizard.ShowModal"), (CallLog{"Wizard.ShowModal", "Wizard.Destroy"}));
  EXPECT_FALSE(Exists(dir_ / "english.lng"));
}

TEST_F(RunWizardTest, DeselectedModulesAreLeftAlone) {
  FiveUnits();
  script_.deselect = {1, 3};
  EXPECT_EQ(Run(), "no failure");
  for (int i = 1; i <= 5; ++i) {
    const std::string name = "U" + std::to_string(i);
    const std::string text = "Text" + std::to_string(i);
    const bool selected = i != 2 && i != 4;
    EXPECT_EQ(host_.Module(name + ".pas").saves, selected ? 1 : 0) << name;
    EXPECT_EQ(Disk(name + ".pas"), selected ? Replaced(FormUnit(name, text), text,
                                                       i == 1   ? 1
                                                       : i == 3 ? 2
                                                                : 3)
                                            : FormUnit(name, text))
        << name;
  }
  EXPECT_EQ(LangEntries(), (std::vector<Entry>{{1, "Text1"}, {2, "Text3"}, {3, "Text5"}}));
}

TEST_F(RunWizardTest, AnEmptyLanguageNameIsTakenAsItIs) {
  WorkedExample();
  script_.language_name = "";
  EXPECT_EQ(Run(), "no failure");
  EXPECT_EQ(host_.Form("Unit1.pas").components[0]->props.at("LangFileName"), "");
  // Source processing got the empty name too: its language file is ".lng".
  EXPECT_EQ(LangEntries(".lng"), (std::vector<Entry>{{1, "Hello"}}));
}

TEST_F(RunWizardTest, AComponentDifferingOnlyInLetterCaseIsReused) {
  WorkedExample();
  HostComponent& form = host_.Form("Unit1.pas");
  form.Add("TButton", "Button1");
  form.Add("TVMLANG", "Lang1", "French");
  script_.process_sources = false;
  EXPECT_EQ(Run(), "no failure");
  EXPECT_EQ(LogFrom("Form(Unit1.pas).GetFormComponent"),
            (CallLog{
                "Form(Unit1.pas).GetFormComponent",
                "Component(Form1).GetComponentCount",
                "Component(Form1).GetComponent(0)",
                "Component(Button1).GetComponentType",
                "Release Component(Button1)",
                "Component(Form1).GetComponent(1)",
                "Component(Lang1).GetComponentType",
                "Release Component(Form1)",
                "Component(Lang1).SetPropByName(LangFileName, English)",
                "Module(Unit1.pas).Save(true)",
                "Release Component(Lang1)",
                "Release Form(Unit1.pas)",
                "Release Module(Unit1.pas)",
                "CloseFile(Unit1.pas)",
                "Wizard.Destroy",
            }));
  EXPECT_EQ(form.components.size(), 2u);
  EXPECT_EQ(form.components[1]->props.at("LangFileName"), "English");
}

TEST_F(RunWizardTest, OnlyTheFirstOfTwoComponentsIsSet) {
  WorkedExample();
  HostComponent& form = host_.Form("Unit1.pas");
  form.Add("TvMLang", "First", "Old");
  form.Add("TvMLang", "Second", "Old");
  script_.language_name = "Deutsch";
  script_.process_sources = false;
  EXPECT_EQ(Run(), "no failure");
  EXPECT_EQ(form.components[0]->props.at("LangFileName"), "Deutsch");
  EXPECT_EQ(form.components[1]->props.at("LangFileName"), "Old");
  EXPECT_EQ(form.components.size(), 2u);
}

TEST_F(RunWizardTest, NamesThatOnlyLookAlikeAreNotReused) {
  WorkedExample();
  HostComponent& form = host_.Form("Unit1.pas");
  for (const char* type : {"TvMLang2", "TvMLan", "TvMLang ", "vMLang"}) form.Add(type, type);
  script_.process_sources = false;
  EXPECT_EQ(Run(), "no failure");
  ASSERT_EQ(form.components.size(), 5u);
  EXPECT_EQ(form.components[4]->type, "TvMLang");
  EXPECT_EQ(form.components[4]->props.at("LangFileName"), "English");
}

// The form file on disk holds the texts; the recording host keeps the form in memory.
constexpr std::string_view kForm1 =
    "object Form1: TForm1\n  Caption = 'Greeter'\n  object btnHi: TButton\n"
    "    Caption = 'Say hi'\n  end\nend\n";

TEST_F(RunWizardTest, FormTextsFollowTheModulesLiterals) {
  WorkedExample();
  WriteBytes(dir_ / "Unit1.dfm", kForm1);
  EXPECT_EQ(Run(), "no failure");
  EXPECT_EQ(LangEntries(), (std::vector<Entry>{{1, "Hello"}, {2, "Greeter"}, {3, "Say hi"}}));
  const auto file = TvLangFileEdit::ReadExisting(dir_ / "english.lng");
  ASSERT_EQ(file->Props().Count(), 1);
  EXPECT_EQ(file->Props().Groups()[0],
            (TvLangProps::Group{"TForm1", {{"btnHi.Caption", 3}, {"Caption", 2}}}));
}

TEST_F(RunWizardTest, FormTextsWithoutSourcesStartAtTheFirstFreeNumberAndCanBeLeftOut) {
  WorkedExample();
  WriteBytes(dir_ / "Unit1.dfm", kForm1);
  auto lang = TvLangFileEdit::OpenPath(dir_ / "english.lng");
  lang->AddIdent(5, "Five", 0);
  lang->Save();
  script_.process_sources = false;
  script_.process_forms = false;
  EXPECT_EQ(Run(), "no failure");
  EXPECT_EQ(LangEntries(), (std::vector<Entry>{{5, "Five"}}));
  script_.process_forms = true;
  EXPECT_EQ(Run(), "no failure");
  EXPECT_EQ(LangEntries(), (std::vector<Entry>{{5, "Five"}, {6, "Greeter"}, {7, "Say hi"}}));
}

TEST_F(RunWizardTest, ProcessSourcesOffOnlyChangesTheForms) {
  WorkedExample();
  script_.process_sources = false;
  EXPECT_EQ(Run(), "no failure");
  EXPECT_EQ(LogFrom("OpenFile(Project1.dpr)"),
            (CallLog{
                "OpenFile(Project1.dpr)",
                "GetModuleInterface(Project1.dpr)",
                "Module(Project1.dpr).ShowForm",
                "Module(Project1.dpr).GetFormInterface",
                "Release Module(Project1.dpr)",
                "OpenFile(Unit1.pas)",
                "GetModuleInterface(Unit1.pas)",
                "Module(Unit1.pas).ShowForm",
                "Module(Unit1.pas).GetFormInterface",
                "Form(Unit1.pas).GetFormComponent",
                "Component(Form1).GetComponentCount",
                "Release Component(Form1)",
                "Form(Unit1.pas).CreateComponent(nil, TvMLang, 2, 2, 10, 10)",
                "Component(vMLang1).SetPropByName(LangFileName, English)",
                "Module(Unit1.pas).Save(true)",
                "Release Component(vMLang1)",
                "Release Form(Unit1.pas)",
                "Release Module(Unit1.pas)",
                "CloseFile(Unit1.pas)",
                "Wizard.Destroy",
            }));
  EXPECT_TRUE(host_.Module("Project1.dpr").open);
  EXPECT_EQ(Disk("Unit1.pas"), FormUnit("Unit1", "Hello"));
  EXPECT_EQ(ListDirectory(dir_.path()), (std::vector<std::string>{"Project1.dpr", "Unit1.pas"}));
}

TEST_F(RunWizardTest, ModulesOpenBeforeTheRunAreClosedExceptTheProject) {
  WorkedExample();
  host_.Module("Project1.dpr").open = true;
  host_.Module("Unit1.pas").open = true;
  EXPECT_EQ(Run(), "no failure");
  EXPECT_TRUE(host_.Module("Project1.dpr").open);
  EXPECT_FALSE(host_.Module("Unit1.pas").open);
}

TEST_F(RunWizardTest, TheChoosersMarksDecideWhatIsReplaced) {
  host_.AddFile("Project1.dpr",
                "program Project1;\nbegin\n  Caption := 'One';\n  Hint := 'Two';\nend.\n");
  script_.mark = [](const TLangStr& s) { return s.Text == "Two"; };
  EXPECT_EQ(Run(), "no failure");
  // The program calls GetLangStr now, so it gains the run-time unit.
  EXPECT_EQ(Disk("Project1.dpr"),
            "program Project1;\r\n\r\nuses vLangRT;\r\nbegin\r\n  Caption := 'One';\r\n"
            "  Hint := GetLangStr(1);\r\nend.\r\n");
  EXPECT_EQ(LangEntries(), (std::vector<Entry>{{1, "Two"}}));
}

TEST_F(RunWizardTest, AModuleWithoutModuleInterfaceIsReportedAndSkipped) {
  FiveUnits();
  host_.Module("U2.pas").no_module_interface = true;
  script_.deselect = {2, 3, 4};
  EXPECT_EQ(Run(), "no failure");
  EXPECT_EQ(script_.messages,
            std::vector<std::string>{"Cann't get module interface for " + dir_ / "U2.pas"});
  EXPECT_EQ(LogFrom("OpenFile(U2.pas)"),
            (CallLog{"OpenFile(U2.pas)", "GetModuleInterface(U2.pas)",
                     "MessageBox(Cann't get module interface for " + dir_ / "U2.pas" + ")",
                     "Wizard.Destroy"}));
  EXPECT_TRUE(host_.Module("U2.pas").open);
  EXPECT_EQ(Disk("U2.pas"), FormUnit("U2", "Text2"));
  EXPECT_EQ(LangEntries(), (std::vector<Entry>{{1, "Text1"}}));
}

TEST_F(RunWizardTest, AFailureInTheThirdOfFiveModulesEndsTheRunThere) {
  FiveUnits();
  host_.fail_at = {"Module(U3.pas).Save(true)"};
  EXPECT_EQ(Run(), "host failure at Module(U3.pas).Save(true)");
  for (int i : {1, 2}) {
    const std::string name = "U" + std::to_string(i);
    EXPECT_FALSE(host_.Module(name + ".pas").open) << name;
    EXPECT_EQ(Disk(name + ".pas"),
              Replaced(FormUnit(name, "Text" + std::to_string(i)), "Text" + std::to_string(i), i));
  }
  // The third stays as far as it got: its component set, not saved, not closed.
  EXPECT_EQ(host_.Form("U3.pas").components[0]->props.at("LangFileName"), "English");
  EXPECT_TRUE(host_.Module("U3.pas").open);
  EXPECT_EQ(Disk("U3.pas"), FormUnit("U3", "Text3"));
  for (int i : {4, 5}) {
    const std::string name = "U" + std::to_string(i);
    EXPECT_TRUE(host_.Form(name + ".pas").components.empty()) << name;
    EXPECT_EQ(Disk(name + ".pas"), FormUnit(name, "Text" + std::to_string(i)));
  }
  EXPECT_EQ(LogFrom("Module(U3.pas).Save(true)"),
            (CallLog{"Module(U3.pas).Save(true)", "Release Component(vMLang1)",
                     "Release Form(U3.pas)", "Release Module(U3.pas)", "Wizard.Destroy"}));
  EXPECT_EQ(LangEntries(), (std::vector<Entry>{{1, "Text1"}, {2, "Text2"}}));
}

// Where the IDE gives nil although the run needs an object.
struct NilCase {
  const char* name;
  void (*arrange)(HostModule&);
  const char* message;  // followed by the unit's full name
};

class NilFromTheIdeTest : public RunWizardTest, public ::testing::WithParamInterface<NilCase> {};

TEST_P(NilFromTheIdeTest, EndsTheRunWithAMessageNamingTheFile) {
  WorkedExample();
  HostModule& unit = host_.Module("Unit1.pas");
  unit.form->Add("TvMLang", "Hidden");
  GetParam().arrange(unit);
  EXPECT_EQ(Run(), GetParam().message + dir_ / "Unit1.pas");
  EXPECT_EQ(host_.Module("Unit1.pas").saves, 0);
  EXPECT_EQ(Disk("Unit1.pas"), FormUnit("Unit1", "Hello"));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NilFromTheIdeTest,
    ::testing::Values(NilCase{"NoFormComponent", [](HostModule& m) { m.no_form_component = true; },
                              "Cannot get the form component of "},
                      NilCase{"CreateGivesNil",
                              [](HostModule& m) {
                                m.null_components = {0};
                                m.create_gives_null = true;
                              },
                              "Cannot create a TvMLang component on the form of "}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RunWizardTest, ASkippedNilComponentLeadsToANewOne) {
  WorkedExample();
  HostModule& unit = host_.Module("Unit1.pas");
  unit.form->Add("TvMLang", "Hidden");
  unit.null_components = {0};
  script_.process_sources = false;
  EXPECT_EQ(Run(), "no failure");
  ASSERT_EQ(unit.form->components.size(), 2u);
  EXPECT_EQ(unit.form->components[1]->props.at("LangFileName"), "English");
  EXPECT_EQ(unit.form->components[0]->props.count("LangFileName"), 0u);
}

}  // namespace
}  // namespace polyverb::testing
