// The add-in with its real dialogs: wizard runs through the recording IDE, reached through
// the static library and through libpolyverb.so as the IDE loads it, driven by Qt Test.
#include "dialogs/QtWizardUi.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "expert/Expert.h"
#include "expert/WizardRun.h"
#include "langfile/LangFileEdit.h"
#include "platform/Error.h"
#include "tests/expert/LoadAddin.h"
#include "tests/expert/RecordingHost.h"
#include "tests/testing/GuiTesting.h"
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
    "  Application.CreateForm(TForm1, Form1);\n"
    "  Application.Run;\n"
    "end.\n";

std::string FormUnit(const std::string& text) {
  return "unit Unit1;\n"
         "\n"
         "interface\n"
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

// ---- How the IDE reaches the add-in

bool StaticEntry(TIToolServices* services, TExpertRegisterProc reg,
                 TExpertTerminateProc* terminate) {
  return InitExpert(services, reg, terminate, &CreateWizardUi);
}

TExpertInitProc LoadedEntry() {
  return LoadAddinEntryPoint(POLYVERB_ADDIN);
}

struct Entry {
  const char* name;
  TExpertInitProc (*get)();
};

const Entry kEntries[] = {
    {"StaticLibrary", [] { return TExpertInitProc{&StaticEntry}; }},
    {"SharedLibrary", &LoadedEntry},
};

// ---- Dialog steps

QTreeWidget& Units(QDialog& d) {
  return *Child<QTreeWidget>(d, "lvUnits");
}

void ClickUnit(QDialog& d, int row, Qt::KeyboardModifiers modifiers = {}) {
  QTreeWidget& list = Units(d);
  QTest::mouseClick(list.viewport(), Qt::LeftButton, modifiers,
                    list.visualItemRect(list.topLevelItem(row)).center());
}

void Finish(QDialog& d) {
  for (const char* button : {"bbNext", "bbNext", "bbFinish"}) Click(d, button);
}

void MarkRow(QDialog& d, int row) {
  auto& list = *Child<QListWidget>(d, "lbStrings");
  QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                    list.visualItemRect(list.item(row)).center());
}

class QtUiRunTest : public ::testing::TestWithParam<Entry> {
 protected:
  void SetUp() override { ASSERT_NE(GetParam().get(), nullptr); }
  void TearDown() override { host_.Verify(); }

  void Init() {
    ASSERT_TRUE(GetParam().get()(&host_, &RecordingHost::Register, &terminate_));
    ASSERT_EQ(host_.Experts().size(), 1u);
  }
  void RunWizard(std::vector<ModalScript::Step> steps) {
    const ModalScript script(std::move(steps));
    host_.Click("ProjectPolyverbItem");
  }
  bool Logged(const std::string& entry) {
    return std::count(host_.Log().begin(), host_.Log().end(), entry) > 0;
  }

  TempDir dir_{/*enter=*/true};
  RecordingHost host_{dir_.path()};
  TExpertTerminateProc terminate_ = nullptr;
};

TEST_P(QtUiRunTest, TheWorkedExampleThroughTheRealDialogs) {
  host_.AddFile("Project1.dpr", kProject);
  host_.AddFile("Unit1.pas", FormUnit("Hello"), "TForm1");
  Init();
  RunWizard({{"dlgPolyverb",
              [](QDialog& d) {
                QTreeWidget& units = Units(d);
                ASSERT_EQ(units.topLevelItemCount(), 2);
                EXPECT_EQ(units.topLevelItem(0)->text(0), "Project1.dpr");
                EXPECT_EQ(units.topLevelItem(1)->text(0), "Unit1.pas");
                EXPECT_EQ(units.topLevelItem(1)->text(1), "");
                EXPECT_TRUE(units.topLevelItem(0)->isSelected());
                EXPECT_TRUE(units.topLevelItem(1)->isSelected());
                Finish(d);
              }},
             {"dlgStrChoose", [](QDialog& d) {
                EXPECT_EQ(d.windowTitle(), "Process strings - Unit1.pas");
                MarkRow(d, 0);
                EXPECT_EQ(Child<QLabel>(d, "pnlSource")->text(), "  ShowMessage('Hello');");
                Click(d, "bbOK");
              }}});
  EXPECT_EQ(host_.errors, std::vector<std::string>{});
  EXPECT_EQ(host_.Form("Unit1.pas").components.at(0)->props.at("LangFileName"), "English");
  const std::string source = ReadBytes(dir_ / "Unit1.pas");
  EXPECT_NE(source.find("  ShowMessage(GetLangStr(1));\r\n"), std::string::npos) << source;
  const auto lang = TvLangFileEdit::ReadExisting(dir_ / "english.lng");
  ASSERT_EQ(lang->Idents().size(), 1u);
  EXPECT_EQ(lang->Idents()[0].Number, 1);
  EXPECT_EQ(lang->Idents()[0].Text, "Hello");
}

TEST_P(QtUiRunTest, CancelChangesNothing) {
  host_.AddFile("Project1.dpr", kProject);
  host_.AddFile("Unit1.pas", FormUnit("Hello"), "TForm1");
  Init();
  RunWizard({{"dlgPolyverb", [](QDialog& d) {
                Click(d, "bbNext");
                Click(d, "bbNext");
                Click(d, "bbCancel");
              }}});
  EXPECT_FALSE(Logged("OpenFile(Unit1.pas)"));
  EXPECT_FALSE(Logged("OpenFile(Project1.dpr)"));
  EXPECT_EQ(ReadBytes(dir_ / "Unit1.pas"), FormUnit("Hello"));
  EXPECT_FALSE(Exists(dir_ / "english.lng"));
}

TEST_P(QtUiRunTest, ADeselectedModuleIsLeftAlone) {
  host_.AddFile("Project1.dpr", kProject);
  host_.AddFile("Unit1.pas", FormUnit("Hello"), "TForm1");
  Init();
  RunWizard({{"dlgPolyverb", [](QDialog& d) {
                Click(d, "bbNext");
                ClickUnit(d, 1, Qt::ControlModifier);
                Click(d, "bbNext");
                Click(d, "bbFinish");
              }}});
  EXPECT_TRUE(Logged("OpenFile(Project1.dpr)"));
  EXPECT_FALSE(Logged("OpenFile(Unit1.pas)"));
  EXPECT_EQ(ReadBytes(dir_ / "Unit1.pas"), FormUnit("Hello"));
}

TEST_P(QtUiRunTest, AModuleWithoutInterfaceIsReportedInAPlainMessageBox) {
  host_.AddFile("Project1.dpr", kProject);
  host_.AddFile("Unit1.pas", FormUnit("Hello"), "TForm1").no_module_interface = true;
  Init();
  const std::string expected = "Cann't get module interface for " + dir_ / "Unit1.pas";
  RunWizard({{"dlgPolyverb",
              [](QDialog& d) {
                Child<QCheckBox>(d, "cbProcessPAS")->setChecked(false);
                Finish(d);
              }},
             {"QMessageBox", [&](QDialog& d) {
                auto& box = static_cast<QMessageBox&>(d);
                EXPECT_EQ(box.text().toStdString(), expected);
                EXPECT_EQ(box.icon(), QMessageBox::NoIcon);
                ASSERT_EQ(box.buttons().size(), 1);
                EXPECT_EQ(box.standardButton(box.buttons()[0]), QMessageBox::Ok);
                QTest::mouseClick(box.buttons()[0], Qt::LeftButton);
              }}});
  EXPECT_EQ(host_.errors, std::vector<std::string>{});
  EXPECT_FALSE(Logged("CloseFile(Unit1.pas)"));
}

// What the user types is stored as UTF-8.
TEST_P(QtUiRunTest, TheLanguageNameIsStoredAsTyped) {
  host_.AddFile("Project1.dpr", kProject);
  host_.AddFile("Unit1.pas", FormUnit("Hello"), "TForm1");
  Init();
  RunWizard({{"dlgPolyverb", [](QDialog& d) {
                auto* name = Child<QLineEdit>(d, "edDefLang");
                name->selectAll();
                Type(name, QStringLiteral("Français"));
                Child<QCheckBox>(d, "cbProcessPAS")->setChecked(false);
                Finish(d);
              }}});
  EXPECT_EQ(host_.Form("Unit1.pas").components.at(0)->props.at("LangFileName"),
            "Fran\xC3\xA7"
            "ais");
}

// Names on disk are bytes: a Windows-1252 name reads as its letters.
TEST_P(QtUiRunTest, ModuleNamesAreShownDecoded) {
  host_.AddFile("Project1.dpr", kProject);
  host_.AddFile(
      "Gr\xF6\xDF"
      "e.pas",
      FormUnit("Hello"), "TForm1");
  Init();
  RunWizard({{"dlgPolyverb", [](QDialog& d) {
                EXPECT_EQ(Units(d).topLevelItem(1)->text(0), QStringLiteral("Größe.pas"));
                d.close();
              }}});
}

TEST_P(QtUiRunTest, EveryDialogIsOwnedByTheIdesMainWindow) {
  QMainWindow main;
  main.setObjectName("IdeMainWindow");
  host_.parent_handle = static_cast<std::uintptr_t>(main.winId());
  host_.AddFile("Project1.dpr", kProject);
  host_.AddFile("Unit1.pas", FormUnit("Hello"), "TForm1");
  host_.AddFile("Unit2.pas", FormUnit("Bye"), "TForm1").no_module_interface = true;
  Init();
  const auto owned_by = [&](QDialog& d) { return d.parentWidget() == &main; };
  RunWizard({{"dlgPolyverb",
              [&](QDialog& d) {
                EXPECT_TRUE(owned_by(d));
                EXPECT_TRUE(d.isModal());
                Finish(d);
              }},
             {"dlgStrChoose",
              [&](QDialog& d) {
                EXPECT_TRUE(owned_by(d));
                d.close();
              }},
             {"QMessageBox", [&](QDialog& d) {
                EXPECT_TRUE(owned_by(d));
                d.close();
              }}});
}

INSTANTIATE_TEST_SUITE_P(Entries, QtUiRunTest, ::testing::ValuesIn(kEntries),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- The seam itself

TEST(OwnerWindowTest, MapsTheHandleToItsTopLevelWidget) {
  QMainWindow main;
  auto* child = new QWidget(&main);
  child->setAttribute(Qt::WA_NativeWindow);
  const auto handle = [](QWidget& w) { return static_cast<std::uintptr_t>(w.winId()); };
  EXPECT_EQ(OwnerWindow(0), nullptr);
  EXPECT_EQ(OwnerWindow(0x5150), nullptr) << "a handle of no widget of ours";
  EXPECT_EQ(OwnerWindow(handle(main)), &main);
  EXPECT_EQ(OwnerWindow(handle(*child)), &main);
}

TEST(QtUiThreadTest, DialogsOutsideTheGuiThreadAreRefused) {
  const std::unique_ptr<TWizardUi> ui = CreateWizardUi(0);
  std::vector<std::string> messages;
  std::thread worker([&] {
    const auto refusal = [](auto call) -> std::string {
      try {
        call();
      } catch (const Error& e) {
        return e.what();
      }
      return "no failure";
    };
    TLangStrings strings;
    strings.Add("Hello", 0, 1, 8);
    const std::vector<std::string> lines = {"'Hello'"};
    messages.push_back(refusal([&] { ui->CreateWizardDialog(); }));
    messages.push_back(refusal([&] { ui->ShowMessage("Hi"); }));
    messages.push_back(refusal([&] { ui->ChooseStrings(lines, strings); }));
  });
  worker.join();
  EXPECT_EQ(messages, std::vector<std::string>(3, kNotGuiThread));
}

}  // namespace
}  // namespace polyverb::testing
