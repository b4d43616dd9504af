// The seam between the wizard run and the dialogs it shows.
//
// The run reaches every dialog through TWizardUi: the three-page wizard TdlgPolyverb, the
// message box, and the string chooser of source processing. The product add-in gets its
// TWizardUi from CreateWizardUi, defined once per build of libpolyverb.so; tests of the
// run link the static library with a scripted TWizardUi instead.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "source/LiteralList.h"

namespace polyverb {

// The module list view lvUnits as TUnitList sees it: rows of two captions ("Unit name",
// "Unit path") and a selection state, in the order they were added (never sorted).
class TListViewIntf {
 public:
  virtual ~TListViewIntf() = default;
  // Deletes every row.
  virtual void Clear() = 0;
  virtual void AddRow(const std::string& caption, const std::string& sub_item, bool selected) = 0;
  virtual std::int32_t RowCount() const = 0;
  // REQUIRES: 0 <= Row < RowCount(); otherwise throws "List index out of bounds (%d)".
  virtual bool RowSelected(std::int32_t row) const = 0;
};

// The wizard dialog TdlgPolyverb, used once: fill lvUnits, ShowModal, read back, destroy.
class TWizardDialog {
 public:
  // Modal results: Finish gives kFinished; Cancel, Esc and the close box give kCancelled.
  static constexpr int kFinished = 1;
  static constexpr int kCancelled = 2;

  virtual ~TWizardDialog() = default;
  virtual TListViewIntf& lvUnits() = 0;
  // Shows the dialog modally (owned by the IDE's main window) and returns its modal result.
  virtual int ShowModal() = 0;
  // The text of edDefLang, unchanged.
  virtual std::string LanguageName() const = 0;
  // The checked state of cbProcessPAS.
  virtual bool ProcessSources() const = 0;
  // The checked state of cbProcessForms.
  virtual bool ProcessForms() const = 0;
  // The checked state of cbAnnotate: each replaced text written after its call.
  virtual bool AnnotateCalls() const { return false; }
};

class TWizardUi {
 public:
  virtual ~TWizardUi() = default;
  // A new wizard dialog showing page 1 with its defaults ("English", sources processed).
  virtual std::unique_ptr<TWizardDialog> CreateWizardDialog() = 0;
  // A plain message box with one OK button; returns when the user has closed it.
  virtual void ShowMessage(const std::string& text) = 0;
  // The string chooser: must set Chosen on the entries of Strings the user marks (at least
  // one entry is there). Lines are the source lines; CurFileName names the file.
  virtual void ChooseStrings(std::span<const std::string> lines, TLangStrings& strings) = 0;
};

// The dialogs of this build of the add-in, owned by the window ParentWindow (0: none).
// Called by the entry point, before any dialog is needed: it must neither create widgets
// nor fail because no GUI is running; a method that cannot show its dialog throws an Error
// with a clear message, which reaches the IDE through the error relay.
std::unique_ptr<TWizardUi> CreateWizardUi(std::uintptr_t parent_window);

}  // namespace polyverb
