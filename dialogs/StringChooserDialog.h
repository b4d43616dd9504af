// TdlgStrChoose, the string chooser: one row per candidate literal of a module; the user
// marks the rows to translate while the bottom panel shows the source line of the row in
// focus. The only Qt code of source processing; the core reaches it through the chooser
// seam of source/SourceProcessing.h (ScopedStringChooser).
//
// Every control carries its field name as Qt object name, so hosts and tests find it.
#pragma once

#include <QDialog>
#include <span>
#include <string>

#include "source/LiteralList.h"

class QLabel;
class QListWidget;
class QPushButton;
class QWidget;

namespace polyverb {

// Each row of lbStrings carries, as its item data under Qt::UserRole, whether the
// suggestion rules (SuggestRules.h) suggest marking its literal. Nothing shows it: the rows
// start unmarked and a person decides; a host that answers the chooser without a person
// (polyverb-ide --yes) reads it, as it finds the controls, by an agreed name.
inline constexpr int kSuggestedMarkRole = Qt::UserRole;

class TdlgStrChoose : public QDialog {
  Q_OBJECT

 public:
  // A sizeable top-level dialog owned by the window Owner (nullptr: none), centred on the
  // screen, with no rows. REQUIRES: a QApplication exists and this is its thread.
  explicit TdlgStrChoose(QWidget* owner = nullptr);

  // The controls, in the form's declaration order; the dialog owns them.
  QListWidget* lbStrings;  // a press or space toggles one row; a drag marks nothing
  QLabel* pnlTop;
  QWidget* pnlBottom;
  QWidget* pnlOk;
  QPushButton* bbOK;  // the default button
  QLabel* pnlSource;  // the source line of the row in focus; " " until there is one

  // Set by ChooseStrings; not owned. Row i belongs to entry i of LangStrings.
  std::span<const std::string> source_lines;
  const TLangStrings* lang_strings = nullptr;

  // Shows in pnlSource the source line of the row in focus, whole and unchanged (decoded
  // for display: UTF-8 when valid, Windows-1252 otherwise).
  void lbStringsClick();

  // Shows the chooser for Strings over Lines, captioned "Process strings - " and the file
  // name part of CurFileName, and waits until the user closes it. However it was closed,
  // every entry's Chosen is then set to whether its row was marked.
  static void ChooseStrings(QWidget* owner, std::span<const std::string> lines,
                            TLangStrings& strings);
};

// The dialog while ChooseStrings shows it; nullptr otherwise.
extern TdlgStrChoose* dlgStrChoose;

}  // namespace polyverb
