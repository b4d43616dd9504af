// The IDE stand-in's modules, forms and components over files in a temporary directory.
#include "host/IdeModules.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/Error.h"
#include "project/LazarusProject.h"
#include "tests/testing/TempDir.h"

namespace polyverb {
namespace {

class RecordingView : public IdeView {
 public:
  void Report(const std::string& text) override { reports.push_back(text); }
  void Note(const std::string& text) override { notes.push_back(text); }
  void FormShown(const std::string& form_path, const FormFile& form) override {
    shown.push_back(form_path + " " + form.Root().Name());
  }
  void OpenFilesChanged(const std::vector<std::string>& open) override {
    open_lists.push_back(open);
  }

  std::vector<std::string> reports, notes, shown;
  std::vector<std::vector<std::string>> open_lists;
};

std::string ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const Error& e) {
    return e.what();
  }
  return "(no error)";
}

const char kUnit[] =
    "unit Main;\r\n"
    "\r\n"
    "interface\r\n"
    "\r\n"
    "uses\r\n"
    "  Forms, StdCtrls;\r\n"
    "\r\n"
    "type\r\n"
    "  TfrmMain = class(TForm)\r\n"
    "    lblName: TLabel;\r\n"
    "  end;\r\n"
    "\r\n"
    "implementation\r\n"
    "\r\n"
    "end.\r\n";

const char kForm[] =
    "object frmMain: TfrmMain\r\n"
    "  Caption = 'Shop'\r\n"
    "  object lblName: TLabel\r\n"
    "    Caption = 'Name'\r\n"
    "  end\r\n"
    "end\r\n";

class IdeModulesTest : public ::testing::Test {
 protected:
  IdeModulesTest() {
    testing::WriteBytes(dir_ / "Shop.dpr", "program Shop;\nbegin\nend.\n");
    testing::WriteBytes(dir_ / "Main.pas", kUnit);
    testing::WriteBytes(dir_ / "Main.dfm", kForm);
  }

  TIntfPtr<TIModuleInterface> Module(const std::string& name) {
    return TIntfPtr<TIModuleInterface>(modules_.GetModuleInterface(dir_ / name));
  }
  TIntfPtr<TIComponentInterface> FormComponent(TIModuleInterface& module) {
    TIntfPtr<TIFormInterface> form(module.GetFormInterface());
    return TIntfPtr<TIComponentInterface>(form->GetFormComponent());
  }
  std::vector<std::string> ComponentTypes(TIModuleInterface& module) {
    TIntfPtr<TIComponentInterface> root = FormComponent(module);
    std::vector<std::string> types;
    for (std::int32_t i = 0; i < root->GetComponentCount(); ++i)
      types.push_back(TIntfPtr<TIComponentInterface>(root->GetComponent(i))->GetComponentType());
    return types;
  }

  testing::TempDir dir_;
  RecordingView view_;
  LiveObjects live_;
  IdeModules modules_{dir_ / "Shop.dpr", view_, live_};
};

TEST_F(IdeModulesTest, ComponentsAreTheObjectsBelowTheRootInFileOrderWithoutAFramesOwn) {
  testing::WriteBytes(dir_ / "Main.dfm",
                      "object frmMain: TfrmMain\n"
                      "  object pnlTop: TPanel\n"
                      "    object btnOk: TButton\n"
                      "    end\n"
                      "  end\n"
                      "  inline fraList: TfraList\n"
                      "    object lbItems: TListBox\n"
                      "    end\n"
                      "  end\n"
                      "  object dsMain: TDataSource\n"
                      "  end\n"
                      "end\n");
  auto module = Module("Main.pas");
  EXPECT_EQ(ComponentTypes(*module),
            (std::vector<std::string>{"TPanel", "TButton", "TfraList", "TDataSource"}));
  auto root = FormComponent(*module);
  EXPECT_EQ(root->GetComponentType(), "TfrmMain");
  EXPECT_EQ(root->GetComponent(4), nullptr);
  EXPECT_EQ(root->GetComponent(-1), nullptr);
  // Only the form's own component owns components.
  TIntfPtr<TIComponentInterface> panel(root->GetComponent(0));
  EXPECT_EQ(panel->GetComponentCount(), 0);
}

TEST_F(IdeModulesTest, NewComponentIsWrittenAsTheIdeWritesOneAndDeclaredInTheUnit) {
  {
    auto module = Module("Main.pas");
    TIntfPtr<TIFormInterface> form(module->GetFormInterface());
    TIntfPtr<TIComponentInterface> added(form->CreateComponent(nullptr, "TvMLang", 2, 2, 10, 10));
    ASSERT_TRUE(added);
    const std::string lang = "English";
    EXPECT_TRUE(added->SetPropByName("LangFileName", &lang));
    EXPECT_TRUE(module->Save(true));
  }
  EXPECT_EQ(testing::ReadBytes(dir_ / "Main.dfm"),
            "object frmMain: TfrmMain\r\n"
            "  Caption = 'Shop'\r\n"
            "  object lblName: TLabel\r\n"
            "    Caption = 'Name'\r\n"
            "  end\r\n"
            "  object vMLang1: TvMLang\r\n"
            "    LangFileName = 'English'\r\n"
            "    Left = 2\r\n"
            "    Top = 2\r\n"
            "  end\r\n"
            "end\r\n");
  EXPECT_EQ(testing::ReadBytes(dir_ / "Main.pas"),
            "unit Main;\r\n"
            "\r\n"
            "interface\r\n"
            "\r\n"
            "uses\r\n"
            "  Forms, StdCtrls, vMLang;\r\n"
            "\r\n"
            "type\r\n"
            "  TfrmMain = class(TForm)\r\n"
            "    lblName: TLabel;\r\n"
            "    vMLang1: TvMLang;\r\n"
            "  end;\r\n"
            "\r\n"
            "implementation\r\n"
            "\r\n"
            "end.\r\n");
  EXPECT_EQ(modules_.FilesWritten(),
            (std::vector<std::string>{dir_ / "Main.dfm", dir_ / "Main.pas"}));
  EXPECT_EQ(live_.Count(), 0u);
}

TEST_F(IdeModulesTest, LazarusFormIsTheLfmAndItsComponentMakesTheProjectRequireThePackage) {
  const std::string lpi =
      "<CONFIG>\n  <ProjectOptions>\n    <RequiredPackages>\n      <Item>\n"
      "        <PackageName Value=\"LCL\"/>\n      </Item>\n    </RequiredPackages>\n"
      "  </ProjectOptions>\n</CONFIG>\n";
  testing::WriteBytes(dir_ / "Shop.lpi", lpi);
  testing::WriteBytes(dir_ / "Main.pp", kUnit);
  testing::WriteBytes(dir_ / "Main.lfm", "object frmMain: TfrmMain\nend\n");
  IdeModules lazarus(dir_ / "Shop.lpr", view_, live_, dir_ / "Shop.lpi");
  for (int run = 0; run < 2; ++run) {  // the second run finds the component and the package
    TIntfPtr<TIModuleInterface> module(lazarus.GetModuleInterface(dir_ / "Main.pp"));
    auto root = FormComponent(*module);
    TIntfPtr<TIFormInterface> form(module->GetFormInterface());
    TIntfPtr<TIComponentInterface> lang(
        run == 0 ? form->CreateComponent(nullptr, "TvMLang", 2, 2, 10, 10) : root->GetComponent(0));
    const std::string name = "English";
    EXPECT_TRUE(lang->SetPropByName("LangFileName", &name));
    EXPECT_TRUE(module->Save(true));
  }
  EXPECT_EQ(testing::ReadBytes(dir_ / "Main.lfm"),
            "object frmMain: TfrmMain\n  object vMLang1: TvMLang\n    LangFileName = 'English'\n"
            "    Left = 2\n    Top = 2\n  end\nend\n");
  EXPECT_EQ(testing::ReadBytes(dir_ / "Main.dfm"), kForm);
  EXPECT_EQ(RequirePackage(lpi, "polyverb_runtime", "Shop.lpi"),
            testing::ReadBytes(dir_ / "Shop.lpi"));
  EXPECT_EQ(lazarus.FilesWritten(),
            (std::vector<std::string>{dir_ / "Main.lfm", dir_ / "Main.pp", dir_ / "Shop.lpi"}));
}

TEST_F(IdeModulesTest, ModuleIsReadFromDiskAgainForEachRequest) {
  auto first = Module("Main.pas");
  EXPECT_EQ(ComponentTypes(*first), (std::vector<std::string>{"TLabel"}));
  first.reset();
  // Rewritten on disk while no interface of it lived: the next module sees the new file.
  testing::WriteBytes(dir_ / "Main.dfm",
                      "object frmMain: TfrmMain\r\n  object vMLang1: TvMLang\r\n  end\r\nend\r\n");
  EXPECT_EQ(ComponentTypes(*Module("Main.pas")), (std::vector<std::string>{"TvMLang"}));
}

TEST_F(IdeModulesTest, TwoLiveModulesOfOneFileShareOneForm) {
  auto first = Module("Main.pas");
  auto second = Module("Main.pas");
  TIntfPtr<TIFormInterface> form(first->GetFormInterface());
  TIntfPtr<TIComponentInterface>(form->CreateComponent(nullptr, "TvMLang", 2, 2, 10, 10));
  EXPECT_EQ(ComponentTypes(*second), (std::vector<std::string>{"TLabel", "TvMLang"}));
  EXPECT_EQ(modules_.ModulesGiven(), (std::vector<std::string>{dir_ / "Main.pas"}));
}

TEST_F(IdeModulesTest, ReusedComponentChangesOnlyItsPropertyAndAnUnchangedFormIsNotWritten) {
  const std::string form =
      "object frmMain: TfrmMain\n"
      "  object vMLang1: TvMLang\n"
      "    LangFileName = 'English'\n"
      "    Left = 2\n"
      "    Top = 2\n"
      "  end\n"
      "end\n";
  const std::string unit =
      "unit Main;\ninterface\nuses vMLang;\ntype\n  TfrmMain = class(TForm)\n    vMLang1: "
      "TvMLang;\n"
      "  end;\nimplementation\nend.\n";
  testing::WriteBytes(dir_ / "Main.dfm", form);
  testing::WriteBytes(dir_ / "Main.pas", unit);
  {
    auto module = Module("Main.pas");
    EXPECT_TRUE(module->Save(true));
    EXPECT_TRUE(modules_.FilesWritten().empty());
    TIntfPtr<TIComponentInterface> lang(FormComponent(*module)->GetComponent(0));
    const std::string value = "It's Größe\t1";
    EXPECT_TRUE(lang->SetPropByName("langfilename", &value));
    EXPECT_TRUE(module->Save(true));
  }
  std::string expected = form;
  expected.replace(expected.find("'English'"), 9, "'It''s Gr'#246#223'e'#9'1'");
  EXPECT_EQ(testing::ReadBytes(dir_ / "Main.dfm"), expected);
  EXPECT_EQ(testing::ReadBytes(dir_ / "Main.pas"), unit);
  EXPECT_EQ(modules_.FilesWritten(), (std::vector<std::string>{dir_ / "Main.dfm"}));
}

TEST_F(IdeModulesTest, PropertiesAndClassesTheIdeDoesNotKnowAreRefused) {
  auto module = Module("Main.pas");
  TIntfPtr<TIFormInterface> form(module->GetFormInterface());
  EXPECT_EQ(form->CreateComponent(nullptr, "TButton", 2, 2, 10, 10), nullptr);
  TIntfPtr<TIComponentInterface> label(FormComponent(*module)->GetComponent(0));
  const std::string value = "x";
  EXPECT_FALSE(label->SetPropByName("Hint", &value));  // no string the form file holds
  EXPECT_TRUE(label->SetPropByName("caption", &value));
  EXPECT_EQ(view_.reports,
            (std::vector<std::string>{
                "CreateComponent: class TButton is not installed in the IDE",
                "SetPropByName: TLabel has no string property Hint known to the IDE"}));
  // A container of another module's form cannot hold it either.
  testing::WriteBytes(dir_ / "About.pas", kUnit);
  testing::WriteBytes(dir_ / "About.dfm", kForm);
  auto other = Module("About.pas");
  auto other_root = FormComponent(*other);
  EXPECT_EQ(form->CreateComponent(other_root.get(), "TvMLang", 2, 2, 10, 10), nullptr);
  auto own_root = FormComponent(*module);
  EXPECT_TRUE(TIntfPtr<TIComponentInterface>(
      form->CreateComponent(own_root.get(), "TvMLang", 2, 2, 10, 10)));
}

// A base form and a form inheriting it: the IDE lists the inherited components first and
// writes an `inherited` object for one whose property is set.
class InheritedFormTest : public IdeModulesTest {
 protected:
  InheritedFormTest() {
    Write("Base", "TfrmBase = class(TForm)\n    lblTitle: TLabel;",
          "object frmBase: TfrmBase\n  object lblTitle: TLabel\n    Caption = 'Title'\n  end\n"
          "end\n");
    Write("Child", "TfrmChild = class(TfrmBase)\n    btnOk: TButton;",
          "inherited frmChild: TfrmChild\n  object btnOk: TButton\n  end\nend\n");
  }
  void Write(const std::string& name, const std::string& declaration, const std::string& form) {
    testing::WriteBytes(dir_ / (name + ".pas"), "unit " + name + ";\ninterface\ntype\n  " +
                                                    declaration +
                                                    "\n  end;\nimplementation\nend.\n");
    testing::WriteBytes(dir_ / (name + ".dfm"), form);
  }
  // Gives the module's form a TvMLang (the first found, else a new one) as the wizard does.
  void Convert(const std::string& unit) {
    auto module = Module(unit);
    auto root = FormComponent(*module);
    TIntfPtr<TIComponentInterface> lang;
    for (std::int32_t i = 0; i < root->GetComponentCount() && !lang; ++i) {
      TIntfPtr<TIComponentInterface> c(root->GetComponent(i));
      if (c->GetComponentType() == "TvMLang") lang = std::move(c);
    }
    TIntfPtr<TIFormInterface> form(module->GetFormInterface());
    if (!lang)
      lang =
          TIntfPtr<TIComponentInterface>(form->CreateComponent(nullptr, "TvMLang", 2, 2, 10, 10));
    const std::string value = "English";
    ASSERT_TRUE(lang->SetPropByName("LangFileName", &value));
    module->Save(true);
  }
};

TEST_F(InheritedFormTest, AncestorFirstGivesTheDescendantAnInheritedComponent) {
  Convert("Base.pas");
  EXPECT_EQ(ComponentTypes(*Module("Child.pas")),
            (std::vector<std::string>{"TLabel", "TvMLang", "TButton"}));
  Convert("Child.pas");
  EXPECT_EQ(testing::ReadBytes(dir_ / "Child.dfm"),
            "inherited frmChild: TfrmChild\n  object btnOk: TButton\n  end\n"
            "  inherited vMLang1: TvMLang\n    LangFileName = 'English'\n  end\nend\n");
  // Declared in the ancestor's class: the descendant's unit only uses the unit.
  EXPECT_EQ(testing::ReadBytes(dir_ / "Child.pas"),
            "unit Child;\ninterface\n\nuses vMLang;\ntype\n  TfrmChild = class(TfrmBase)\n"
            "    btnOk: TButton;\n  end;\nimplementation\nend.\n");
}

TEST_F(InheritedFormTest, DescendantFirstLeavesItsNameToTheAncestor) {
  Convert("Child.pas");
  Convert("Base.pas");
  EXPECT_NE(testing::ReadBytes(dir_ / "Child.dfm").find("  object vMLang1: TvMLang\n"),
            std::string::npos);
  EXPECT_NE(testing::ReadBytes(dir_ / "Base.dfm").find("  object vMLang2: TvMLang\n"),
            std::string::npos);
  EXPECT_NE(testing::ReadBytes(dir_ / "Base.pas").find("    vMLang2: TvMLang;\n"),
            std::string::npos);
}

TEST_F(InheritedFormTest, AFormWhoseAncestorIsMissingIsRefused) {
  std::filesystem::remove(dir_ / "Base.dfm");
  EXPECT_FALSE(Module("Child.pas"));
  EXPECT_EQ(modules_.ModulesRefused().at(0).second,
            "Form file " + dir_ / "Child.dfm" +
                " is an inherited form (TfrmChild derives from TfrmBase), but no form file of the "
                "project has the class TfrmBase");
}

TEST_F(IdeModulesTest, BinaryFormIsSavedBinaryWithTheNewComponent) {
  const std::string stream = std::string(
      "TPF0\x08TfrmMain\x07"
      "frmMain\0\0",
      23);
  testing::WriteBytes(dir_ / "Main.dfm",
                      std::string("\xFF\x0A\0TFRMMAIN\0\x30\x10\x17\0\0\0", 18) + stream);
  {
    auto module = Module("Main.pas");
    ASSERT_TRUE(module) << view_.reports.at(0);
    TIntfPtr<TIFormInterface> form(module->GetFormInterface());
    TIntfPtr<TIComponentInterface>(form->CreateComponent(nullptr, "TvMLang", 2, 2, 10, 10));
    module->Save(true);
  }
  const FormFile saved = FormFile::Read(dir_ / "Main.dfm");
  EXPECT_EQ(saved.Format(), FormFormat::kResource);
  ASSERT_EQ(saved.Components().size(), 1u);
  EXPECT_EQ(saved.Components()[0]->Name(), "vMLang1");
  EXPECT_NE(testing::ReadBytes(dir_ / "Main.pas").find("    vMLang1: TvMLang;"), std::string::npos);
}

struct RefusalCase {
  std::string name;
  std::string dfm;  // empty: no form file; "-": no unit either
  std::string why;  // %D stands for the directory
};

void PrintTo(const RefusalCase& c, std::ostream* os) {
  *os << c.name;
}

class ModuleRefusalTest : public IdeModulesTest,
                          public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(ModuleRefusalTest, NoModuleInterfaceAndTheReasonReported) {
  const RefusalCase& c = GetParam();
  testing::WriteBytes(dir_ / "Main.dfm", c.dfm);
  if (c.dfm == "-") ::unlink((dir_ / "Main.pas").c_str());
  EXPECT_FALSE(Module("Main.pas"));
  std::string why = c.why;
  for (std::size_t at; (at = why.find("%D")) != std::string::npos;) why.replace(at, 2, dir_.path());
  EXPECT_EQ(view_.reports,
            std::vector<std::string>{"No module interface for " + dir_ / "Main.pas" + ": " + why});
  ASSERT_EQ(modules_.ModulesRefused().size(), 1u);
  EXPECT_EQ(modules_.ModulesRefused()[0].second, why);
  EXPECT_TRUE(modules_.ModulesGiven().empty());
  if (c.dfm != "-") {
    EXPECT_EQ(testing::ReadBytes(dir_ / "Main.pas"), kUnit);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ModuleRefusalTest,
    ::testing::Values(
        RefusalCase{"MissingFile", "-", "the file does not exist"},
        RefusalCase{
            "MalformedBinaryForm",
            "TPF0\x08"
            "TfrmMain\x07"
            "frmMain",
            "Form file %D/Main.dfm, offset 21: the file ends inside the properties of an object"},
        RefusalCase{"BrokenForm", "object frmMain: TfrmMain\n  Caption = \n",
                    "Form file %D/Main.dfm, line 3: expected a value, found the end of the file"}),
    [](const auto& info) { return info.param.name; });

TEST_F(IdeModulesTest, FormChangedOnDiskMeanwhileIsNotOverwritten) {
  auto module = Module("Main.pas");
  TIntfPtr<TIFormInterface> form(module->GetFormInterface());
  TIntfPtr<TIComponentInterface>(form->CreateComponent(nullptr, "TvMLang", 2, 2, 10, 10));
  const std::string changed = std::string(kForm) + " ";
  testing::WriteBytes(dir_ / "Main.dfm", changed);
  EXPECT_EQ(ErrorOf([&] { module->Save(true); }),
            "Form file " + dir_ / "Main.dfm" +
                " was changed on disk since the IDE read it; the module was not saved");
  EXPECT_EQ(testing::ReadBytes(dir_ / "Main.dfm"), changed);
  EXPECT_EQ(testing::ReadBytes(dir_ / "Main.pas"), kUnit);
}

TEST_F(IdeModulesTest, UnitWithoutTheFormClassFailsTheSaveAndWritesNothing) {
  const std::string unit = "unit Main;\ninterface\nimplementation\nend.\n";
  testing::WriteBytes(dir_ / "Main.pas", unit);
  auto module = Module("Main.pas");
  TIntfPtr<TIFormInterface> form(module->GetFormInterface());
  TIntfPtr<TIComponentInterface>(form->CreateComponent(nullptr, "TvMLang", 2, 2, 10, 10));
  EXPECT_EQ(ErrorOf([&] { module->Save(true); }),
            "Unit file " + dir_ / "Main.pas" + ": the declaration of class TfrmMain was not found");
  EXPECT_EQ(testing::ReadBytes(dir_ / "Main.dfm"), kForm);
  EXPECT_EQ(testing::ReadBytes(dir_ / "Main.pas"), unit);
}

TEST_F(IdeModulesTest, ModulesWithoutAFormShowNone) {
  testing::WriteBytes(dir_ / "Prices.pas", "unit Prices;\ninterface\nimplementation\nend.\n");
  // A form file beside the project file is not the project's form.
  testing::WriteBytes(dir_ / "Shop.dfm", kForm);
  for (const char* name : {"Prices.pas", "Shop.dpr"}) {
    auto module = Module(name);
    ASSERT_TRUE(module) << name;
    EXPECT_EQ(module->GetFormInterface(), nullptr) << name;
    EXPECT_FALSE(module->ShowForm()) << name;
    EXPECT_TRUE(module->Save(true)) << name;
  }
  EXPECT_TRUE(Module("Main.pas")->ShowForm());
  EXPECT_EQ(view_.shown, std::vector<std::string>{dir_ / "Main.dfm" + " frmMain"});
  EXPECT_TRUE(modules_.FilesWritten().empty());
}

TEST_F(IdeModulesTest, FileNamesMatchTheDiskWithoutRegardToCase) {
  auto module = Module("MAIN.PAS");
  ASSERT_TRUE(module);
  EXPECT_EQ(ComponentTypes(*module), (std::vector<std::string>{"TLabel"}));
  EXPECT_EQ(modules_.ModulesGiven(), (std::vector<std::string>{dir_ / "Main.pas"}));
}

TEST_F(IdeModulesTest, OpenAndCloseTrackTheFilesAndTheProjectStaysOpen) {
  EXPECT_EQ(modules_.OpenFiles(), std::vector<std::string>{dir_ / "Shop.dpr"});
  EXPECT_TRUE(modules_.OpenFile(dir_ / "main.pas"));
  EXPECT_TRUE(modules_.OpenFile(dir_ / "Main.pas"));  // open already: still once
  EXPECT_EQ(modules_.OpenFiles(), (std::vector<std::string>{dir_ / "Shop.dpr", dir_ / "Main.pas"}));
  EXPECT_FALSE(modules_.OpenFile(dir_ / "Ghost.pas"));
  EXPECT_FALSE(modules_.CloseFile(dir_ / "Shop.dpr"));
  EXPECT_TRUE(modules_.CloseFile(dir_ / "Main.pas"));
  EXPECT_FALSE(modules_.CloseFile(dir_ / "Main.pas"));
  EXPECT_EQ(modules_.OpenFiles(), std::vector<std::string>{dir_ / "Shop.dpr"});
  EXPECT_EQ(view_.reports, std::vector<std::string>{"Cannot open file " + dir_ / "Ghost.pas"});
  EXPECT_EQ(view_.open_lists.size(), 2u);
}

TEST_F(IdeModulesTest, LiveObjectsListWhatTheAddinStillHolds) {
  auto module = Module("Main.pas");
  TIntfPtr<TIFormInterface> form(module->GetFormInterface());
  auto root = FormComponent(*module);
  TIntfPtr<TIComponentInterface> label(root->GetComponent(0));
  root.reset();
  EXPECT_EQ(live_.Labels(),
            (std::vector<std::string>{"Module(" + dir_ / "Main.pas" + ")",
                                      "Form(" + dir_ / "Main.dfm" + ")", "Component(lblName)"}));
  label->AddRef();
  label->Release();
  EXPECT_EQ(live_.Count(), 3u);
  form.reset();
  label.reset();
  module.reset();
  EXPECT_EQ(live_.Count(), 0u);
}

}  // namespace
}  // namespace polyverb
