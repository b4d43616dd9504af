// The string chooser TdlgStrChoose, driven as a user drives it.
#include "dialogs/StringChooserDialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <functional>
#include <string>
#include <vector>

#include "source/LiteralExtraction.h"
#include "source/SourceProcessing.h"
#include "tests/testing/GuiTesting.h"

namespace polyverb::testing {
namespace {

// Four candidates: 'Hello' on line 3, 'It''s' and 'Done' both on line 4, 'Hello' again on
// line 5. The blank ' ' holds no letter and is no candidate.
const std::vector<std::string> kLines = {
    "implementation",
    "procedure TForm1.Button1Click(Sender: TObject);",
    "begin",
    "  ShowMessage('Hello');",
    "  Caption := 'It''s' + ' ' + 'Done';",
    "  Label1.Caption := 'Hello';",
    "end;",
};

QListWidget& List(QDialog& d) {
  return *Child<QListWidget>(d, "lbStrings");
}
QString Source(QDialog& d) {
  return Child<QLabel>(d, "pnlSource")->text();
}
QString Line(int index) {
  return QString::fromStdString(kLines[static_cast<std::size_t>(index)]);
}

void ClickRow(QDialog& d, int row, Qt::KeyboardModifiers modifiers = {}) {
  QListWidget& list = List(d);
  QTest::mouseClick(list.viewport(), Qt::LeftButton, modifiers,
                    list.visualItemRect(list.item(row)).center());
}

void Key(Qt::Key key) {
  QTest::keyClick(QApplication::focusWidget(), key);
}

std::vector<bool> Marks(QDialog& d) {
  std::vector<bool> marks;
  for (int row = 0; row < List(d).count(); ++row) marks.push_back(List(d).item(row)->isSelected());
  return marks;
}

// Shows the chooser for `found` over `lines`; `act` plays the user. Returns the entries'
// Chosen.
std::vector<bool> ChooseOver(const std::vector<std::string>& lines, TLangStrings& found,
                             const std::function<void(QDialog&)>& act) {
  const ModalScript script({{"dlgStrChoose", act}});
  TdlgStrChoose::ChooseStrings(nullptr, lines, found);
  std::vector<bool> chosen;
  for (std::int32_t i = 0; i < found.Count(); ++i) chosen.push_back(found.Items(i).Chosen);
  return chosen;
}

class ChooserTest : public ::testing::Test {
 protected:
  ChooserTest() {
    CurFileName = "/home/ann/shop/Main.pas";
    FindStrings(kLines, strings_);
  }

  std::vector<bool> Choose(const std::function<void(QDialog&)>& act) {
    return ChooseOver(kLines, strings_, act);
  }

  TLangStrings strings_;
};

TEST_F(ChooserTest, ShowsOneUnmarkedRowPerCandidateAndABlankSourceLine) {
  Choose([](QDialog& d) {
    QListWidget& list = List(d);
    std::vector<std::string> rows;
    for (int row = 0; row < list.count(); ++row)
      rows.push_back(list.item(row)->text().toStdString());
    EXPECT_EQ(rows, (std::vector<std::string>{"Hello", "It's", "Done", "Hello"}));
    EXPECT_EQ(Marks(d), std::vector<bool>(4, false));
    EXPECT_EQ(Source(d), " ");
    EXPECT_EQ(Child<QLabel>(d, "pnlTop")->text(), "Chose strings (Necessary rows must be marked)");
    EXPECT_EQ(dlgStrChoose, &d);
    Click(d, "bbOK");
  });
  EXPECT_EQ(dlgStrChoose, nullptr);
}

class CaptionTest : public ChooserTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(CaptionTest, NamesTheFileWithoutItsDirectory) {
  CurFileName = GetParam();
  Choose([](QDialog& d) {
    EXPECT_EQ(d.windowTitle(), "Process strings - Main.pas");
    d.close();
  });
}

INSTANTIATE_TEST_SUITE_P(Names, CaptionTest,
                         ::testing::Values("/home/ann/shop/Main.pas", "Main.pas", "shop/Main.pas"));

TEST_F(ChooserTest, AClickTogglesTheRowAndShowsItsLine) {
  const auto chosen = Choose([](QDialog& d) {
    ClickRow(d, 1);
    EXPECT_EQ(Marks(d), (std::vector<bool>{false, true, false, false}));
    EXPECT_EQ(Source(d), Line(4));
    ClickRow(d, 1);
    EXPECT_EQ(Marks(d), std::vector<bool>(4, false));
    EXPECT_EQ(Source(d), Line(4)) << "a second click unmarks but still shows the line";
    ClickRow(d, 0);
    EXPECT_EQ(Source(d), Line(3));
    Click(d, "bbOK");
  });
  EXPECT_EQ(chosen, (std::vector<bool>{true, false, false, false}));
}

TEST_F(ChooserTest, TwoLiteralsOnOneLineShowTheSameLine) {
  Choose([](QDialog& d) {
    ClickRow(d, 1);
    const QString first = Source(d);
    ClickRow(d, 2);
    EXPECT_EQ(Source(d), first);
    EXPECT_EQ(Source(d), "  Caption := 'It''s' + ' ' + 'Done';") << "leading blanks kept";
    Click(d, "bbOK");
  });
}

TEST_F(ChooserTest, TheKeyboardMovesTheLineAndTheSpaceBarToggles) {
  const auto chosen = Choose([](QDialog& d) {
    List(d).setFocus();
    Key(Qt::Key_Down);
    EXPECT_EQ(Source(d), Line(3));
    Key(Qt::Key_Down);
    EXPECT_EQ(Source(d), Line(4));
    Key(Qt::Key_Space);
    Key(Qt::Key_Down);
    Key(Qt::Key_Down);
    EXPECT_EQ(Source(d), Line(5));
    Key(Qt::Key_Space);
    Key(Qt::Key_Up);
    Key(Qt::Key_Space);
    Key(Qt::Key_Space);
    EXPECT_EQ(Source(d), Line(4));
    EXPECT_EQ(Marks(d), (std::vector<bool>{false, true, false, true}));
    Key(Qt::Key_Return);  // OK is the default button
  });
  EXPECT_EQ(chosen, (std::vector<bool>{false, true, false, true}));
}

TEST_F(ChooserTest, ShiftAndCtrlSelectNoRange) {
  const auto chosen = Choose([](QDialog& d) {
    ClickRow(d, 0);
    ClickRow(d, 3, Qt::ShiftModifier);
    ClickRow(d, 1, Qt::ControlModifier);
    Click(d, "bbOK");
  });
  EXPECT_EQ(chosen, (std::vector<bool>{true, true, false, true}));
}

// A press and a drag over other rows with the button held, as a sloppy click makes it.
void DragOverRows(QDialog& d, int from, int to, Qt::KeyboardModifiers modifiers = {}) {
  QWidget* viewport = List(d).viewport();
  const auto centre = [&](int row) { return List(d).visualItemRect(List(d).item(row)).center(); };
  QTest::mousePress(viewport, Qt::LeftButton, modifiers, centre(from));
  for (int row = from; row != to;) {
    row += to > from ? 1 : -1;
    QMouseEvent move(QEvent::MouseMove, centre(row), viewport->mapToGlobal(centre(row)),
                     Qt::NoButton, Qt::LeftButton, modifiers);
    QApplication::sendEvent(viewport, &move);
  }
  QTest::mouseRelease(viewport, Qt::LeftButton, modifiers, centre(to));
}

TEST_F(ChooserTest, ADragTogglesOnlyThePressedRow) {
  const auto chosen = Choose([](QDialog& d) {
    DragOverRows(d, 0, 3);
    EXPECT_EQ(Marks(d), (std::vector<bool>{true, false, false, false}));
    EXPECT_EQ(Source(d), Line(3)) << "the pressed row keeps the focus";
    DragOverRows(d, 2, 0, Qt::ControlModifier);
    DragOverRows(d, 0, 1);
    EXPECT_EQ(Marks(d), (std::vector<bool>{false, false, true, false}));
    QTest::keyClick(&List(d), Qt::Key_A, Qt::ControlModifier);  // Ctrl+A still marks all
    Click(d, "bbOK");
  });
  EXPECT_EQ(chosen, std::vector<bool>(4, true));
}

// However the chooser is closed, the marks stand.
struct ClosingCase {
  const char* name;
  std::function<void(QDialog&)> close;
};

class ClosingTest : public ChooserTest, public ::testing::WithParamInterface<ClosingCase> {};

TEST_P(ClosingTest, KeepsTheMarks) {
  const auto chosen = Choose([](QDialog& d) {
    ClickRow(d, 0);
    ClickRow(d, 2);
    GetParam().close(d);
  });
  EXPECT_EQ(chosen, (std::vector<bool>{true, false, true, false}));
}

INSTANTIATE_TEST_SUITE_P(
    Ways, ClosingTest,
    ::testing::Values(ClosingCase{"OkButton", [](QDialog& d) { Click(d, "bbOK"); }},
                      ClosingCase{"EnterKey", [](QDialog&) { Key(Qt::Key_Return); }},
                      ClosingCase{"CloseBox", [](QDialog& d) { d.close(); }},
                      ClosingCase{"EscKey", [](QDialog&) { Key(Qt::Key_Escape); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ChooserTest, NothingMarkedLeavesEveryEntryUnchosen) {
  for (std::int32_t i = 0; i < strings_.Count(); ++i) strings_.Items(i).Chosen = true;
  EXPECT_EQ(Choose([](QDialog& d) { d.close(); }), std::vector<bool>(4, false));
}

TEST_F(ChooserTest, OkIsTheDefaultButtonAndThereIsNoCancel) {
  Choose([](QDialog& d) {
    const auto buttons = d.findChildren<QPushButton*>();
    ASSERT_EQ(buttons.size(), 1);
    EXPECT_EQ(buttons[0]->objectName(), "bbOK");
    EXPECT_EQ(buttons[0]->text(), "OK");
    EXPECT_TRUE(buttons[0]->isDefault());
    EXPECT_FALSE(buttons[0]->icon().isNull());
    d.close();
  });
}

// Source bytes are UTF-8 when valid, Windows-1252 otherwise; both show the same letters.
struct EncodingCase {
  const char* name;
  const char* line;
  const char* text;  // the literal's bytes between the quotes
};

class EncodingTest : public ::testing::TestWithParam<EncodingCase> {};

TEST_P(EncodingTest, RowAndLineShowTheLetters) {
  const std::vector<std::string> lines = {"program Main;", "begin", GetParam().line, "end."};
  TLangStrings found;
  FindStrings(lines, found);
  ASSERT_EQ(found.Count(), 1);
  CurFileName = "Main.pas";
  ChooseOver(lines, found, [](QDialog& d) {
    EXPECT_EQ(List(d).item(0)->text(), QStringLiteral("Größe"));
    ClickRow(d, 0);
    EXPECT_EQ(Source(d), QStringLiteral("  Caption := 'Größe';"));
    d.close();
  });
  EXPECT_TRUE(found.Items(0).Chosen);
  EXPECT_EQ(found.Items(0).Text, GetParam().text) << "the entry keeps its bytes";
}

INSTANTIATE_TEST_SUITE_P(Bytes, EncodingTest,
                         ::testing::Values(EncodingCase{"Utf8",
                                                        "  Caption := 'Gr\xC3\xB6\xC3\x9F"
                                                        "e';",
                                                        "Gr\xC3\xB6\xC3\x9F"
                                                        "e"},
                                           EncodingCase{"Windows1252",
                                                        "  Caption := 'Gr\xF6\xDF"
                                                        "e';",
                                                        "Gr\xF6\xDF"
                                                        "e"}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Layout --------------------------------------------------------------------------

TEST(ChooserLayoutTest, TheListTakesUpAChangeOfSize) {
  TdlgStrChoose dialog;
  ASSERT_TRUE(ShowActive(dialog));
  const QSize list = dialog.lbStrings->size();
  dialog.resize(dialog.size() + QSize(100, 120));
  ASSERT_TRUE(WaitFor([&] { return dialog.lbStrings->height() == list.height() + 120; }));
  EXPECT_EQ(dialog.lbStrings->width(), list.width() + 100);
  EXPECT_EQ(dialog.pnlTop->height(), 17);
  EXPECT_EQ(dialog.pnlSource->height(), 33);
  EXPECT_EQ(dialog.pnlBottom->height(), 33);
  // OK stays at the right end of the bottom strip.
  EXPECT_EQ(dialog.pnlOk->geometry().right(), dialog.pnlBottom->width() - 1);
  EXPECT_EQ(dialog.pnlOk->width(), 82);
  EXPECT_EQ(dialog.bbOK->geometry(), QRect(4, 4, 75, 25));
}

TEST(ChooserLayoutTest, ALongSourceLineDoesNotWidenTheDialog) {
  TdlgStrChoose dialog;
  ASSERT_TRUE(ShowActive(dialog));
  const int width = dialog.width();
  dialog.pnlSource->setText(QString(500, QLatin1Char('x')));
  QApplication::processEvents();
  EXPECT_EQ(dialog.width(), width);
}

TEST(ChooserLayoutTest, TheSourcePanelIsYellowOnNavyInCourierNewOrItsTwin) {
  TdlgStrChoose dialog;
  const QPalette& palette = dialog.pnlSource->palette();
  EXPECT_EQ(palette.color(QPalette::Window), QColor(0, 0, 128));
  EXPECT_EQ(palette.color(QPalette::WindowText), QColor(255, 255, 0));
  const QString family = QFontInfo(dialog.pnlSource->font()).family();
  EXPECT_TRUE(family == "Courier New" || family == "Liberation Mono") << family.toStdString();
  EXPECT_EQ(dialog.pnlSource->font().pixelSize(), 11);
}

}  // namespace
}  // namespace polyverb::testing
