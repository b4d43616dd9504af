// The Qt side of the dialog seam, driven by Qt Test: what it adds to the dialogs (owner
// window, message box, typed text, refusals) and one run through the loaded add-in.
#include "dialogs/QtWizardUi.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMessageBox>
#include <QTest>
#include <QTreeWidget>
#include <string>
#include <thread>
#include <vector>

#include "expert/WizardUi.h"
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

void Finish(QDialog& d) {
  for (const char* button : {"bbNext", "bbNext", "bbFinish"}) Click(d, button);
}

// The product as the IDE meets it: libpolyverb.so loaded with dlopen, its real dialogs
// driven by Qt Test. The run's cases are tested through the static library
// (tests/expert/WizardRun_test.cpp); this is the one run through the whole product.
TEST(QtUiRunTest, TheWorkedExampleThroughTheLoadedAddIn) {
  const TExpertInitProc entry = LoadAddinEntryPoint(POLYVERB_ADDIN);
  ASSERT_NE(entry, nullptr);
  TempDir dir(/*enter=*/true);
  RecordingHost host(dir.path());
  host.AddFile("Project1.dpr", kProject);
  host.AddFile("Unit1.pas", FormUnit("Hello"), "TForm1");
  TExpertTerminateProc terminate = nullptr;
  ASSERT_TRUE(entry(&host, &RecordingHost::Register, &terminate));
  {
    const ModalScript script({{"dlgPolyverb",
                               [](QDialog& d) {
                                 auto& units = *Child<QTreeWidget>(d, "lvUnits");
                                 ASSERT_EQ(units.topLevelItemCount(), 2);
                                 EXPECT_EQ(units.topLevelItem(1)->text(0), "Unit1.pas");
                                 EXPECT_TRUE(units.topLevelItem(0)->isSelected());
                                 EXPECT_TRUE(units.topLevelItem(1)->isSelected());
                                 Finish(d);
                               }},
                              {"dlgStrChoose", [](QDialog& d) {
                                 EXPECT_EQ(d.windowTitle(), "Process strings - Unit1.pas");
                                 auto& list = *Child<QListWidget>(d, "lbStrings");
                                 QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                                                   list.visualItemRect(list.item(0)).center());
                                 EXPECT_EQ(Child<QLabel>(d, "pnlSource")->text(),
                                           "  ShowMessage('Hello');");
                                 Click(d, "bbOK");
                               }}});
    host.Click("ProjectPolyverbItem");
  }
  EXPECT_EQ(host.errors, std::vector<std::string>{});
  EXPECT_EQ(host.Form("Unit1.pas").components.at(0)->props.at("LangFileName"), "English");
  const std::string source = ReadBytes(dir / "Unit1.pas");
  EXPECT_NE(source.find("  ShowMessage(GetLangStr(1));\r\n"), std::string::npos) << source;
  const auto lang = TvLangFileEdit::ReadExisting(dir / "english.lng");
  ASSERT_EQ(lang->Idents().size(), 1u);
  EXPECT_EQ(lang->Idents()[0].Text, "Hello");
  host.Verify();
}

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

// What a person types is stored as UTF-8.
TEST(QtUiSeamTest, TheWizardGivesTheTypedLanguageNameAsUtf8) {
  const std::unique_ptr<TWizardDialog> wizard = CreateWizardUi(0)->CreateWizardDialog();
  const ModalScript script({{"dlgPolyverb", [](QDialog& d) {
                               auto* name = Child<QLineEdit>(d, "edDefLang");
                               name->selectAll();
                               Type(name, QStringLiteral("Français"));
                               Child<QCheckBox>(d, "cbProcessPAS")->setChecked(false);
                               Finish(d);
                             }}});
  EXPECT_EQ(wizard->ShowModal(), TWizardDialog::kFinished);
  EXPECT_EQ(wizard->LanguageName(),
            "Fran\xC3\xA7"
            "ais");
  EXPECT_FALSE(wizard->ProcessSources());
}

TEST(QtUiSeamTest, AMessageIsAPlainBoxWithOneOkButtonShowingTheBytesDecoded) {
  const ModalScript script({{"QMessageBox", [](QDialog& d) {
                               auto& box = static_cast<QMessageBox&>(d);
                               EXPECT_EQ(box.text(), QStringLiteral("Cann't get Größe.pas"));
                               EXPECT_EQ(box.icon(), QMessageBox::NoIcon);
                               ASSERT_EQ(box.buttons().size(), 1);
                               EXPECT_EQ(box.standardButton(box.buttons()[0]), QMessageBox::Ok);
                               QTest::mouseClick(box.buttons()[0], Qt::LeftButton);
                             }}});
  CreateWizardUi(0)->ShowMessage(
      "Cann't get Gr\xF6\xDF"
      "e.pas");
}

TEST(QtUiSeamTest, EveryDialogIsOwnedByTheIdesMainWindow) {
  QMainWindow main;
  const std::unique_ptr<TWizardUi> ui = CreateWizardUi(static_cast<std::uintptr_t>(main.winId()));
  const auto owned = [&](QDialog& d) {
    EXPECT_EQ(d.parentWidget(), &main) << d.objectName().toStdString();
    EXPECT_TRUE(d.isModal());
    d.close();
  };
  const ModalScript script(
      {{"dlgPolyverb", owned}, {"dlgStrChoose", owned}, {"QMessageBox", owned}});
  ui->CreateWizardDialog()->ShowModal();
  TLangStrings strings;
  strings.Add("Hello", 0, 1, 8);
  const std::vector<std::string> lines = {"'Hello'"};
  ui->ChooseStrings(lines, strings);
  ui->ShowMessage("Hi");
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
