#include "dialogs/QtWizardUi.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QThread>
#include <QWidget>
#include <memory>

#include "dialogs/StringChooserDialog.h"
#include "dialogs/WizardDialog.h"
#include "expert/WizardUi.h"
#include "platform/Error.h"
#include "platform/Text.h"

namespace polyverb {
namespace {

// Checked before every widget: without it Qt aborts the whole IDE.
void RequireGui() {
  const QCoreApplication* app = QCoreApplication::instance();
  if (qobject_cast<const QApplication*>(app) == nullptr) throw Error(kNoQApplication);
  if (QThread::currentThread() != app->thread()) throw Error(kNotGuiThread);
}

class TQtWizardDialog : public TWizardDialog {
 public:
  explicit TQtWizardDialog(QWidget* owner) : FDialog(owner), FUnits(*FDialog.lvUnits) {}

  TListViewIntf& lvUnits() override { return FUnits; }
  int ShowModal() override { return FDialog.exec(); }
  std::string LanguageName() const override { return FDialog.edDefLang->text().toStdString(); }
  bool ProcessSources() const override { return FDialog.cbProcessPAS->isChecked(); }
  bool ProcessForms() const override { return FDialog.cbProcessForms->isChecked(); }
  bool AnnotateCalls() const override { return FDialog.cbAnnotate->isChecked(); }

 private:
  TdlgPolyverb FDialog;
  TUnitsListView FUnits;
};

class TQtWizardUi : public TWizardUi {
 public:
  explicit TQtWizardUi(std::uintptr_t parent_window) : FParentWindow(parent_window) {}

  std::unique_ptr<TWizardDialog> CreateWizardDialog() override {
    RequireGui();
    return std::make_unique<TQtWizardDialog>(OwnerWindow(FParentWindow));
  }

  void ShowMessage(const std::string& text) override {
    RequireGui();
    // The application's name as the title, as a plain message of the IDE itself would have.
    QMessageBox box(QMessageBox::NoIcon, QGuiApplication::applicationDisplayName(),
                    QString::fromStdString(DecodeToUtf8(text)), QMessageBox::Ok,
                    OwnerWindow(FParentWindow));
    box.setTextFormat(Qt::PlainText);
    box.exec();
  }

  void ChooseStrings(std::span<const std::string> lines, TLangStrings& strings) override {
    RequireGui();
    TdlgStrChoose::ChooseStrings(OwnerWindow(FParentWindow), lines, strings);
  }

 private:
  // Looked up each time: the IDE's main window may come and go between the entry point
  // and a click.
  std::uintptr_t FParentWindow;
};

}  // namespace

QWidget* OwnerWindow(std::uintptr_t parent_window) {
  if (parent_window == 0) return nullptr;
  QWidget* widget = QWidget::find(static_cast<WId>(parent_window));
  return widget != nullptr ? widget->window() : nullptr;
}

std::unique_ptr<TWizardUi> CreateWizardUi(std::uintptr_t parent_window) {
  return std::make_unique<TQtWizardUi>(parent_window);
}

}  // namespace polyverb
