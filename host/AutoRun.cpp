#include "host/AutoRun.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <iostream>

#include "host/IdeMenus.h"
#include "platform/Text.h"

namespace polyverb {
namespace {

constexpr int kPollMs = 10;
// A dialog still open this many polls after the first answer is stuck.
constexpr int kMaxTicks = 1000;

// Clicks the named button of `dialog` when a person could: shown and enabled.
bool ClickIfAvailable(QWidget& dialog, const char* name) {
  auto* button = dialog.findChild<QPushButton*>(QString::fromLatin1(name));
  if (button == nullptr || button->isHidden() || !button->isEnabled()) return false;
  button->click();
  return true;
}

}  // namespace

AutoRun::AutoRun(IdeMenus& menus, AutoRunOptions options)
    : menus_(menus), options_(std::move(options)), timer_(new QTimer(this)) {
  connect(timer_, &QTimer::timeout, this, &AutoRun::Poll);
  timer_->start(kPollMs);
}

AutoRun::~AutoRun() = default;

void AutoRun::Fail(const std::string& what) {
  std::cerr << "polyverb-ide: --yes: " << what << std::endl;
  failures_.push_back(what);
}

void AutoRun::Run() {
  QAction* item = menus_.FindAction("ProjectPolyverbItem");
  if (item == nullptr) return Fail("the add-in inserted no menu item ProjectPolyverbItem");
  if (!item->isEnabled()) return Fail("the menu item ProjectPolyverbItem is disabled");
  item->trigger();
}

void AutoRun::Poll() {
  QWidget* modal = QApplication::activeModalWidget();
  if (modal == nullptr) return;
  if (modal != current_) {
    current_ = modal;
    ticks_ = 0;
    prepared_ = false;
  }
  const std::string name = modal->objectName().toStdString();
  ++ticks_;
  if (ticks_ > kMaxTicks + 1) return;  // given up on it already
  if (ticks_ > kMaxTicks) {
    Fail("the dialog " + name + " did not close after its answer; cancelled");
    if (auto* dialog = qobject_cast<QDialog*>(modal))
      dialog->reject();
    else
      modal->close();
    return;
  }
  // The wizard is answered page by page; every other dialog once.
  if (ticks_ > 1 && name != "dlgPolyverb") return;

  if (auto* box = qobject_cast<QMessageBox*>(modal)) {
    // The IDE's own error boxes were written to stderr when they were raised.
    if (name != "msgIdeError") {
      const std::string text = box->text().toStdString();
      std::cerr << "polyverb-ide: message: " << text << std::endl;
      messages_.push_back(text);
    }
    answered_.push_back(name.empty() ? "QMessageBox" : name);
    if (QAbstractButton* ok = box->button(QMessageBox::Ok))
      ok->click();
    else
      box->accept();
    return;
  }
  if (name == "dlgPolyverb") {
    if (!prepared_) {
      prepared_ = true;
      answered_.push_back(name);
      if (options_.language) {
        if (auto* edit = modal->findChild<QLineEdit*>("edDefLang"))
          edit->setText(QString::fromStdString(DecodeToUtf8(*options_.language)));
        else
          Fail("the wizard has no edDefLang");
      }
      if (options_.annotate) {
        if (auto* check = modal->findChild<QCheckBox*>("cbAnnotate"))
          check->setChecked(true);
        else
          Fail("the wizard has no cbAnnotate");
      }
      if (!options_.process_sources) {
        if (auto* check = modal->findChild<QCheckBox*>("cbProcessPAS"))
          check->setChecked(false);
        else
          Fail("the wizard has no cbProcessPAS");
      }
      if (!options_.process_forms) {
        if (auto* check = modal->findChild<QCheckBox*>("cbProcessForms"))
          check->setChecked(false);
        else
          Fail("the wizard has no cbProcessForms");
      }
    }
    // One click per poll, so that the wizard has turned its page before the next one.
    if (!ClickIfAvailable(*modal, "bbFinish")) ClickIfAvailable(*modal, "bbNext");
    return;
  }
  if (name == "dlgStrChoose") {
    answered_.push_back(name);
    if (auto* list = modal->findChild<QListWidget*>("lbStrings"))
      for (int row = 0; row < list->count(); ++row) {
        QListWidgetItem* item = list->item(row);
        // The chooser puts the suggestion for each row there (dialogs/StringChooserDialog.h).
        const bool suggested = item->data(Qt::UserRole).toBool();
        item->setSelected(options_.mark == AutoMark::kAll ||
                          (options_.mark == AutoMark::kSuggested && suggested));
      }
    else
      Fail("the string chooser has no lbStrings");
    if (!ClickIfAvailable(*modal, "bbOK")) Fail("the string chooser's bbOK cannot be clicked");
    return;
  }
  Fail("an unexpected dialog " +
       (name.empty() ? std::string(modal->metaObject()->className()) : name) +
       " opened; cancelled");
  if (auto* dialog = qobject_cast<QDialog*>(modal))
    dialog->reject();
  else
    modal->close();
}

}  // namespace polyverb
