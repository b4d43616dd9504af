#include "project/FormFamily.h"

#include <gtest/gtest.h>

#include "project/UnitEditor.h"
#include "tests/testing/ErrorOf.h"
#include "tests/testing/TempDir.h"

namespace polyverb {
namespace {

TEST(FindClassParentTest, ReadsTheParentAsWritten) {
  const std::string_view unit =
      "unit U;\ninterface\ntype\n  TfrmChild = class;\n  TRef = class of TfrmChild;\n"
      "  { TfrmChild = class(TWrong) }\n"
      "  TFRMCHILD = class sealed (Base.Forms.TfrmBase, IDialog)\n  end;\n"
      "  TOther = class\n  end;\nimplementation\nend.\n";
  EXPECT_EQ(FindClassParent(unit, "U.pas", "TfrmChild"), "TfrmBase");
  EXPECT_EQ(FindClassParent(unit, "U.pas", "TOther"), std::nullopt);
  EXPECT_EQ(FindClassParent(unit, "U.pas", "TMissing"), std::nullopt);
}

std::string Unit(std::string_view name, std::string_view declaration) {
  return "unit " + std::string(name) + ";\ninterface\ntype\n  " + std::string(declaration) +
         "\n  end;\nimplementation\n{$R *.dfm}\nend.\n";
}

class FormCatalogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Write("Base", "TfrmBase = class(TForm)",
          "object frmBase: TfrmBase\n  object pnl: TPanel\n    object lblTitle: TLabel\n    end\n"
          "  end\n  inline frm1: TFrame1\n    object lblIn: TLabel\n    end\n  end\n"
          "  object vMLang1: TvMLang\n  end\nend\n");
    Write("Mid", "TfrmMid = class(TfrmBase)",
          "inherited frmMid: TfrmMid\n  inherited pnl: TPanel\n    object btnOk: TButton\n"
          "    end\n  end\nend\n");
    Write("Child", "TfrmChild = class(TfrmMid)",
          "inherited frmChild: TfrmChild\n  object lblChild: TLabel\n  end\nend\n");
    Write("Stray", "TfrmStray = class(TfrmUnknown)", "inherited frmStray: TfrmStray\nend\n");
  }

  void Write(std::string_view name, std::string_view declaration, std::string_view form) {
    testing::WriteBytes(dir_ / (std::string(name) + ".pas"), Unit(name, declaration));
    testing::WriteBytes(dir_ / (std::string(name) + ".dfm"), form);
  }

  std::vector<std::string> Units(std::initializer_list<const char*> names) {
    std::vector<std::string> units;
    for (const char* name : names) units.push_back(dir_ / name);
    return units;
  }

  testing::TempDir dir_;
};

TEST_F(FormCatalogTest, AncestorsComeRootMostFirstAndTheirComponentsOnce) {
  const FormCatalog catalog(Units({"Child.pas", "Base.pas", "Mid.pas", "Project1.dpr"}));
  const FormFile child = FormFile::Read(dir_ / "Child.dfm");
  const std::vector<FormFile> ancestors = catalog.Ancestors(dir_ / "Child.dfm", child);
  ASSERT_EQ(ancestors.size(), 2u);
  EXPECT_EQ(ancestors[0].Root().ClassName(), "TfrmBase");
  EXPECT_EQ(ancestors[1].Root().ClassName(), "TfrmMid");

  std::vector<std::string> components;
  const std::vector<const FormFile*> levels = {&ancestors[0], &ancestors[1]};
  for (const InheritedComponent& c : InheritedComponents(levels)) {
    std::string holders;
    for (const auto& [name, class_name] : c.holders) holders += name + ":" + class_name + "/";
    components.push_back(holders + c.name + ":" + c.class_name);
  }
  EXPECT_EQ(components,
            (std::vector<std::string>{"pnl:TPanel", "pnl:TPanel/lblTitle:TLabel", "frm1:TFrame1",
                                      "vMLang1:TvMLang", "pnl:TPanel/btnOk:TButton"}));
  EXPECT_TRUE(catalog.Ancestors(dir_ / "Base.dfm", ancestors[0]).empty());
}

TEST_F(FormCatalogTest, DescendantsLendTheirNames) {
  const FormCatalog catalog(FormCatalog::UnitsIn(dir_.path()));
  EXPECT_EQ(catalog.DescendantNames("tfrmbase"),
            (std::vector<std::string>{"frmChild", "lblChild", "frmMid", "pnl", "btnOk"}));
  EXPECT_EQ(catalog.DescendantNames("TfrmChild"), std::vector<std::string>{});
}

TEST_F(FormCatalogTest, AnAncestorThatCannotBeFoundNamesTheFormAndTheClass) {
  const FormCatalog catalog(Units({"Child.pas", "Mid.pas", "Stray.pas"}));
  const std::string child = dir_ / "Child.dfm";
  EXPECT_EQ(testing::ErrorOf([&] { catalog.Ancestors(child, FormFile::Read(child)); }),
            "Form file " + child +
                " is an inherited form (TfrmMid derives from TfrmBase), but no form file of the "
                "project has the class TfrmBase");
  const std::string stray = dir_ / "Stray.dfm";
  testing::WriteBytes(dir_ / "Stray.pas", "unit Stray;\ninterface\nimplementation\nend.\n");
  EXPECT_EQ(testing::ErrorOf([&] { catalog.Ancestors(stray, FormFile::Read(stray)); }),
            "Form file " + stray + " is an inherited form, but unit " + dir_ / "Stray.pas" +
                " declares no class TfrmStray with a parent class");
}

}  // namespace
}  // namespace polyverb
