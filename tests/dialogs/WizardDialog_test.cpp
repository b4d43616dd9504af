// The wizard dialog TdlgPolyverb, driven as a user drives it.
#include "dialogs/WizardDialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTest>
#include <QTreeWidget>
#include <functional>
#include <string>
#include <vector>

#include "platform/Error.h"
#include "tests/testing/GuiTesting.h"

namespace polyverb::testing {
namespace {

std::string Name(const QWidget* widget) {
  return widget != nullptr ? widget->objectName().toStdString() : "(none)";
}

class WizardTest : public ::testing::Test {
 protected:
  void Press(const char* button) { Click(dialog_, button); }
  std::string Page() const { return Name(dialog_.Notebook->currentWidget()); }

  TdlgPolyverb dialog_;
};

TEST_F(WizardTest, OpensOnTheFirstPageWithItsDefaults) {
  ASSERT_TRUE(ShowActive(dialog_));
  EXPECT_EQ(Page(), "First");
  EXPECT_EQ(dialog_.Notebook->currentIndex(), 0);
  EXPECT_FALSE(dialog_.bbBack->isEnabled());
  EXPECT_TRUE(dialog_.bbNext->isVisible());
  EXPECT_FALSE(dialog_.bbFinish->isVisible());
  EXPECT_TRUE(dialog_.bbCancel->isVisible() && dialog_.bbCancel->isEnabled());
  EXPECT_EQ(dialog_.edDefLang->text(), "English");
  EXPECT_TRUE(dialog_.cbProcessPAS->isChecked());
  EXPECT_TRUE(dialog_.cbProcessForms->isChecked());
  // Under "Process .PAS files", in its style.
  EXPECT_EQ(dialog_.cbProcessForms->geometry(), dialog_.cbProcessPAS->geometry().translated(0, 24));
  EXPECT_EQ(dialog_.cbProcessForms->parentWidget(), dialog_.cbProcessPAS->parentWidget());
  EXPECT_EQ(dialog_.size(), QSize(420, 241));
  EXPECT_EQ(dialog_.minimumSize(), dialog_.maximumSize()) << "the border must be fixed";
}

// Texts as the user reads them, misspellings and the double space included.
TEST_F(WizardTest, ShowsItsTextsAsWritten) {
  const std::vector<std::pair<const char*, const char*>> labels = {
      {"Label1", "Choose the modules of your project which will be processed"},
      {"Label2", "Choose the name of  default (native) language for your application."},
      {"Label3", "The languge file with this name will be created"},
      {"Label4", "Now you are read to add multilanguage support to your project."},
      {"Label5", "Click \"Finish\" to start processing."},
  };
  for (const auto& [name, text] : labels) {
    const QLabel* label = Child<QLabel>(dialog_, name);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text().toStdString(), text) << name;
  }
  const std::vector<std::pair<const char*, const char*>> buttons = {
      {"bbBack", "Back"},
      {"bbNext", "Next"},
      {"bbCancel", "Cancel"},
      {"bbFinish", "Finish"},
      {"cbProcessPAS", "Process .PAS files"},
      {"cbProcessForms", "Process form texts"},
  };
  for (const auto& [name, text] : buttons) {
    const QAbstractButton* button = Child<QAbstractButton>(dialog_, name);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text().toStdString(), text) << name;
  }
  EXPECT_EQ(dialog_.windowTitle(), "Polyverb");
  EXPECT_EQ(dialog_.objectName(), "dlgPolyverb");
  EXPECT_EQ(dialog_.lvUnits->headerItem()->text(0), "Unit name");
  EXPECT_EQ(dialog_.lvUnits->headerItem()->text(1), "Unit path");
}

// Where each sequence of clicks leads: the page, and the state of the three buttons.
struct NavigationCase {
  const char* name;
  std::vector<const char*> clicks;
  const char* page;
  bool back_enabled;
  bool next_visible;
  bool finish_visible;
};

class NavigationTest : public WizardTest, public ::testing::WithParamInterface<NavigationCase> {};

TEST_P(NavigationTest, MovesOnePageAndUpdatesTheButtons) {
  ASSERT_TRUE(ShowActive(dialog_));
  for (const char* button : GetParam().clicks) Press(button);
  EXPECT_EQ(Page(), GetParam().page);
  EXPECT_EQ(dialog_.bbBack->isEnabled(), GetParam().back_enabled);
  EXPECT_EQ(dialog_.bbNext->isVisible(), GetParam().next_visible);
  EXPECT_EQ(dialog_.bbFinish->isVisible(), GetParam().finish_visible);
  EXPECT_TRUE(dialog_.bbCancel->isVisible() && dialog_.bbCancel->isEnabled());
  // Finish takes Next's place on the last page.
  EXPECT_EQ(dialog_.bbFinish->geometry(), dialog_.bbNext->geometry());
}

INSTANTIATE_TEST_SUITE_P(
    Clicks, NavigationTest,
    ::testing::Values(
        NavigationCase{"Next", {"bbNext"}, "Second", true, true, false},
        NavigationCase{"NextNext", {"bbNext", "bbNext"}, "Last", true, false, true},
        NavigationCase{"NextNextBack", {"bbNext", "bbNext", "bbBack"}, "Second", true, true, false},
        NavigationCase{"NextBack", {"bbNext", "bbBack"}, "First", false, true, false}),
    [](const auto& info) { return std::string(info.param.name); });

class ArrivalTest : public WizardTest,
                    public ::testing::WithParamInterface<std::vector<const char*>> {};

TEST_P(ArrivalTest, TheModuleListHasTheFocusOnTheSecondPage) {
  ASSERT_TRUE(ShowActive(dialog_));
  for (const char* button : GetParam()) Press(button);
  ASSERT_EQ(Page(), "Second");
  EXPECT_EQ(Name(QApplication::focusWidget()), "lvUnits");
}

INSTANTIATE_TEST_SUITE_P(Clicks, ArrivalTest,
                         ::testing::Values(std::vector<const char*>{"bbNext"},
                                           std::vector<const char*>{"bbNext", "bbNext", "bbBack"}),
                         [](const auto& info) {
                           return std::string(info.index == 0 ? "ByNext" : "ByBack");
                         });

TEST_F(WizardTest, TheSpaceBarWalksToTheLastPageWithoutCancelling) {
  ASSERT_TRUE(ShowActive(dialog_));
  dialog_.bbNext->setFocus();
  QTest::keyClick(dialog_.bbNext, Qt::Key_Space);
  ASSERT_EQ(Page(), "Second");
  dialog_.bbNext->setFocus();
  QTest::keyClick(dialog_.bbNext, Qt::Key_Space);
  ASSERT_EQ(Page(), "Last");
  // Next is gone; a third press must not reach Cancel.
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
  EXPECT_TRUE(dialog_.isVisible());
  EXPECT_EQ(Page(), "Last");
}

TEST_F(WizardTest, TabWalksTheButtonsThenThePage) {
  ASSERT_TRUE(ShowActive(dialog_));
  dialog_.bbNext->setFocus();
  std::vector<std::string> order;
  for (int i = 0; i < 6; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    order.push_back(Name(QApplication::focusWidget()));
  }
  // Back is disabled and Finish hidden on the first page.
  EXPECT_EQ(order, (std::vector<std::string>{"bbCancel", "edDefLang", "cbProcessPAS",
                                             "cbProcessForms", "cbAnnotate", "bbNext"}));
}

TEST_F(WizardTest, NameAndCheckBoxKeepTheirValuesAcrossPages) {
  ASSERT_TRUE(ShowActive(dialog_));
  dialog_.edDefLang->clear();
  Type(dialog_.edDefLang, QStringLiteral("Français"));
  QTest::mouseClick(dialog_.cbProcessPAS, Qt::LeftButton);
  QTest::mouseClick(dialog_.cbProcessForms, Qt::LeftButton);
  for (const char* button : {"bbNext", "bbNext", "bbBack", "bbBack"}) Press(button);
  ASSERT_EQ(Page(), "First");
  EXPECT_EQ(dialog_.edDefLang->text(), QStringLiteral("Français"));
  EXPECT_FALSE(dialog_.cbProcessPAS->isChecked());
  EXPECT_FALSE(dialog_.cbProcessForms->isChecked());
}

// How the dialog ends: only Finish gives 1.
struct EndingCase {
  const char* name;
  std::function<void(TdlgPolyverb&)> act;
  int result;
};

class EndingTest : public WizardTest, public ::testing::WithParamInterface<EndingCase> {};

TEST_P(EndingTest, GivesItsModalResult) {
  const ModalScript script({{"dlgPolyverb", [&](QDialog&) { GetParam().act(dialog_); }}});
  EXPECT_EQ(dialog_.exec(), GetParam().result);
}

void Clicks(TdlgPolyverb& d, std::initializer_list<const char*> names) {
  for (const char* name : names) Click(d, name);
}

INSTANTIATE_TEST_SUITE_P(
    Endings, EndingTest,
    ::testing::Values(EndingCase{"FinishOnTheLastPage",
                                 [](TdlgPolyverb& d) {
                                   Clicks(d, {"bbNext", "bbNext", "bbFinish"});
                                 },
                                 1},
                      EndingCase{"CancelOnTheLastPage",
                                 [](TdlgPolyverb& d) {
                                   Clicks(d, {"bbNext", "bbNext", "bbCancel"});
                                 },
                                 2},
                      EndingCase{"CancelOnTheFirstPage",
                                 [](TdlgPolyverb& d) { Clicks(d, {"bbCancel"}); }, 2},
                      EndingCase{"CloseBoxOnTheFirstPage", [](TdlgPolyverb& d) { d.close(); }, 2},
                      EndingCase{"CloseBoxOnTheLastPage",
                                 [](TdlgPolyverb& d) {
                                   Clicks(d, {"bbNext", "bbNext"});
                                   d.close();
                                 },
                                 2},
                      EndingCase{"EscOnTheSecondPage",
                                 [](TdlgPolyverb& d) {
                                   Clicks(d, {"bbNext"});
                                   QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
                                 },
                                 2},
                      EndingCase{"EnterClosesNothing",
                                 [](TdlgPolyverb& d) {
                                   QTest::keyClick(d.edDefLang, Qt::Key_Return);
                                   d.bbNext->setFocus();
                                   QTest::keyClick(d.bbNext, Qt::Key_Enter);
                                   Clicks(d, {"bbNext"});
                                   QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
                                   EXPECT_TRUE(d.isVisible());
                                   Clicks(d, {"bbNext", "bbFinish"});
                                 },
                                 1}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- lvUnits -----------------------------------------------------------------------

TEST_F(WizardTest, RowsComeBackAsTheUserLeftThem) {
  TUnitsListView rows(*dialog_.lvUnits);
  rows.AddRow("Project1.dpr", "", true);
  rows.AddRow("Unit1.pas", "", true);
  rows.AddRow("Unit2.pas", "Forms/", false);
  ASSERT_TRUE(ShowActive(dialog_));
  Press("bbNext");
  // Ctrl+click toggles one row, as in any list with several rows selectable.
  QTreeWidget& list = *dialog_.lvUnits;
  const auto row_centre = [&](int row) {
    return list.visualItemRect(list.topLevelItem(row)).center();
  };
  QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::ControlModifier, row_centre(0));
  QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::ControlModifier, row_centre(2));
  ASSERT_EQ(rows.RowCount(), 3);
  EXPECT_EQ((std::vector<bool>{rows.RowSelected(0), rows.RowSelected(1), rows.RowSelected(2)}),
            (std::vector<bool>{false, true, true}));
  EXPECT_EQ(list.topLevelItem(2)->text(1), "Forms/");
}

TEST_F(WizardTest, ReadingARowPastTheEndFails) {
  TUnitsListView rows(*dialog_.lvUnits);
  rows.AddRow("Unit1.pas", "", true);
  try {
    rows.RowSelected(1);
    FAIL() << "no failure";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (1)");
  }
  rows.Clear();
  EXPECT_EQ(rows.RowCount(), 0);
}

// File names are bytes: UTF-8 when valid, Windows-1252 otherwise.
TEST_F(WizardTest, RowsShowFileNamesDecoded) {
  TUnitsListView rows(*dialog_.lvUnits);
  rows.AddRow(
      "Gr\xC3\xB6\xC3\x9F"
      "e.pas",
      "\xC3\x9C"
      "ber/",
      true);
  rows.AddRow(
      "Gr\xF6\xDF"
      "e.pas",
      "\xDC"
      "ber/",
      true);
  for (int row = 0; row < 2; ++row) {
    EXPECT_EQ(dialog_.lvUnits->topLevelItem(row)->text(0), QStringLiteral("Größe.pas")) << row;
    EXPECT_EQ(dialog_.lvUnits->topLevelItem(row)->text(1), QStringLiteral("Über/")) << row;
  }
}

// ---- Look ----------------------------------------------------------------------------

TEST_F(WizardTest, EveryPictureAndGlyphIsDrawn) {
  for (const char* name : {"Image1", "Image2", "Image3", "Image4"}) {
    const QLabel* picture = Child<QLabel>(dialog_, name);
    ASSERT_NE(picture, nullptr);
    const QImage image = picture->pixmap().toImage();
    ASSERT_FALSE(image.isNull()) << name;
    int opaque = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) opaque += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
    EXPECT_GT(opaque, image.width() * image.height() / 5) << name;
  }
  EXPECT_EQ(dialog_.Image4->pixmap().size(), QSize(103, 59));
  EXPECT_TRUE(dialog_.Image4->hasScaledContents());
  for (const QPushButton* button :
       {dialog_.bbBack, dialog_.bbNext, dialog_.bbCancel, dialog_.bbFinish})
    EXPECT_FALSE(button->icon().isNull()) << Name(button);
}

TEST_F(WizardTest, TextsUseArialOrItsMetricTwin) {
  const QString family = QFontInfo(dialog_.Label2->font()).family();
  EXPECT_TRUE(family == "Arial" || family == "Liberation Sans") << family.toStdString();
  EXPECT_EQ(dialog_.Label2->font().pixelSize(), 13);
  EXPECT_EQ(dialog_.lvUnits->font().pixelSize(), 11);
}

}  // namespace
}  // namespace polyverb::testing
