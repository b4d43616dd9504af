// A scripted stand-in for the add-in's dialogs: the test fixes the answers beforehand
// (modal result, language name, process flag, rows to deselect, the chooser's marks) and
// reads afterwards what was shown.
#pragma once

#include <functional>
#include <memory>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "expert/WizardUi.h"
#include "tests/expert/RecordingHost.h"

namespace polyverb::testing {

struct ListRow {
  std::string Caption;
  std::string SubItem;
  bool Selected = false;
  bool operator==(const ListRow&) const = default;
};

// lvUnits as plain rows.
class ScriptedListView : public TListViewIntf {
 public:
  void Clear() override { Rows.clear(); }
  void AddRow(const std::string& Caption, const std::string& SubItem, bool Selected) override {
    Rows.push_back({Caption, SubItem, Selected});
  }
  std::int32_t RowCount() const override { return static_cast<std::int32_t>(Rows.size()); }
  bool RowSelected(std::int32_t Row) const override;

  std::vector<ListRow> Rows;
};

struct DialogScript {
  // ---- Answers
  int ModalResult = TWizardDialog::kFinished;
  std::string LanguageName = "English";
  bool ProcessSources = true;
  std::set<int> Deselect;  // row positions the user deselects before closing the wizard
  // Which candidates the chooser marks; all of them unless set.
  std::function<bool(const TLangStr&)> Mark;

  // ---- What happened (the log, when set, also gets one entry per dialog event)
  CallLog* Log = nullptr;
  std::vector<std::vector<ListRow>> ShownRows;  // lvUnits each time the wizard was shown
  std::vector<std::string> Messages;            // message boxes, in order
  std::vector<std::string> ChooserFiles;        // CurFileName each time the chooser ran
  int DialogsCreated = 0;
  int DialogsDestroyed = 0;
};

class ScriptedUi : public TWizardUi {
 public:
  explicit ScriptedUi(DialogScript& script) : script_(script) {}
  std::unique_ptr<TWizardDialog> CreateWizardDialog() override;
  void ShowMessage(const std::string& Text) override;
  void ChooseStrings(std::span<const std::string> Lines, TLangStrings& Strings) override;

  // A factory for InitExpert: its dialogs follow the script set by UseScript.
  static std::unique_ptr<TWizardUi> Factory(std::uintptr_t ParentWindow);
  static void UseScript(DialogScript* script);
  // The parent window the newest factory call was given.
  static std::uintptr_t LastParentWindow();

 private:
  DialogScript& script_;
};

}  // namespace polyverb::testing
