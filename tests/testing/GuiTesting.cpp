#include <gtest/gtest.h>

#include "tests/testing/GuiTesting.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTest>
#include <QTimer>

namespace polyverb::testing {

bool WaitFor(const std::function<bool()>& condition) {
  return QTest::qWaitFor(condition, 5000);
}

bool ShowActive(QWidget& window) {
  window.show();
  window.activateWindow();
  return QTest::qWaitForWindowActive(&window);
}

ModalScript::ModalScript(std::vector<Step> steps) : steps_(std::move(steps)), timer_(new QTimer) {
  timer_->setInterval(5);
  QObject::connect(timer_, &QTimer::timeout, [this] { Poll(); });
  timer_->start();
}

ModalScript::~ModalScript() {
  delete timer_;
  for (std::size_t i = next_; i < steps_.size(); ++i)
    ADD_FAILURE() << "the dialog " << steps_[i].dialog << " never opened";
}

void ModalScript::Poll() {
  if (busy_) return;
  auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
  if (dialog == nullptr || !dialog->isVisible()) return;
  busy_ = true;
  const std::string name = dialog->objectName().toStdString();
  const std::string kind = dialog->metaObject()->className();
  if (next_ == steps_.size()) {
    ADD_FAILURE() << "unexpected dialog " << name << " (" << kind << ")";
  } else if (steps_[next_].dialog != name && steps_[next_].dialog != kind) {
    ADD_FAILURE() << "expected the dialog " << steps_[next_].dialog << ", got " << name << " ("
                  << kind << ")";
    ++next_;
  } else {
    EXPECT_TRUE(QTest::qWaitForWindowActive(dialog)) << name;
    steps_[next_++].action(*dialog);
  }
  if (dialog->isVisible()) {
    ADD_FAILURE() << "the dialog " << name << " (" << kind << ") was left open";
    dialog->done(-1);
  }
  busy_ = false;
}

void Type(QWidget* widget, const QString& text) {
  // QTest::keyClicks knows ASCII keys only; a key event carrying its text types any letter.
  for (const QChar c : text)
    QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), {});
}

void Click(QWidget& dialog, const char* name) {
  auto* button = Child<QAbstractButton>(dialog, name);
  ASSERT_NE(button, nullptr);
  ASSERT_TRUE(button->isVisible()) << name << " is hidden";
  QTest::mouseClick(button, Qt::LeftButton);
}

}  // namespace polyverb::testing
