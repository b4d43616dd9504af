// TdlgPolyverb, the three-page wizard the run shows: page "First" asks for the native
// language name and whether sources and form texts are processed, "Second" lists the
// project's modules, "Last" confirms. The dialog only navigates and sets its modal result;
// the run fills lvUnits before showing it and reads edDefLang, cbProcessPAS,
// cbProcessForms, cbAnnotate and lvUnits afterwards.
//
// Every control carries its field name as Qt object name, so hosts and tests find it.
#pragma once

#include <QDialog>
#include <cstdint>
#include <string>

#include "expert/WizardUi.h"

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class QTreeWidget;
class QWidget;

namespace polyverb {

class TdlgPolyverb : public QDialog {
  Q_OBJECT

 public:
  // A top-level dialog owned by the window Owner (nullptr: none), centred on the screen,
  // showing page index 0 with the defaults "English", "Process .PAS files" and "Process
  // form texts" checked.
  // REQUIRES: a QApplication exists and this is its thread.
  explicit TdlgPolyverb(QWidget* owner = nullptr);

  // The controls, in the form's declaration order; the dialog owns them.
  QFrame* pnlBottom;
  QPushButton* bbBack;
  QPushButton* bbNext;
  QPushButton* bbCancel;
  QPushButton* bbFinish;
  QStackedWidget* Notebook;
  QLabel* Image1;
  QLabel* Label2;
  QLabel* Label3;
  QLineEdit* edDefLang;
  QCheckBox* cbProcessPAS;
  QCheckBox* cbProcessForms;
  QCheckBox* cbAnnotate;  // the text as a comment after each call; unchecked at first
  QLabel* Image2;
  QLabel* Label1;
  QTreeWidget* lvUnits;
  QLabel* Image3;
  QLabel* Label4;
  QLabel* Label5;
  QLabel* Image4;

  // Cancel, Esc and the close box all end here: the cancel result, TWizardDialog::kCancelled.
  void reject() override;

  // The event handlers; public so that a host can drive the form as its toolkit would.
  void FormCreate();
  void bbNextClick();
  void bbBackClick();
  void bbFinishClick();
  void NotebookPageChanged();

 private:
  void UpdateButtons();
};

// lvUnits as TUnitList sees it. Captions are bytes: shown decoded (UTF-8 when valid,
// Windows-1252 otherwise); the view must outlive this object.
class TUnitsListView : public TListViewIntf {
 public:
  explicit TUnitsListView(QTreeWidget& view) : FView(view) {}

  void Clear() override;
  void AddRow(const std::string& caption, const std::string& sub_item, bool selected) override;
  std::int32_t RowCount() const override;
  bool RowSelected(std::int32_t row) const override;

 private:
  QTreeWidget& FView;
};

}  // namespace polyverb
