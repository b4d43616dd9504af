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
  std::string caption;
  std::string sub_item;
  bool Selected = false;
  bool operator==(const ListRow&) const = default;
};

// lvUnits as plain rows.
class ScriptedListView : public TListViewIntf {
 public:
  void Clear() override { rows.clear(); }
  void AddRow(const std::string& caption, const std::string& sub_item, bool selected) override {
    rows.push_back({caption, sub_item, selected});
  }
  std::int32_t RowCount() const override { return static_cast<std::int32_t>(rows.size()); }
  bool RowSelected(std::int32_t row) const override;

  std::vector<ListRow> rows;
};

struct DialogScript {
  // ---- Answers
  int modal_result = TWizardDialog::kFinished;
  std::string language_name = "English";
  bool process_sources = true;
  bool process_forms = true;
  std::set<int> deselect;  // row positions the user deselects before closing the wizard
  // Which candidates the chooser marks; all of them unless set.
  std::function<bool(const TLangStr&)> mark;

  // ---- What happened (the log, when set, also gets one entry per dialog event)
  CallLog* log = nullptr;
  std::vector<std::vector<ListRow>> shown_rows;  // lvUnits each time the wizard was shown
  std::vector<std::string> messages;             // message boxes, in order
  std::vector<std::string> chooser_files;        // CurFileName each time the chooser ran
  int dialogs_created = 0;
  int dialogs_destroyed = 0;
};

class ScriptedUi : public TWizardUi {
 public:
  explicit ScriptedUi(DialogScript& script) : script_(script) {}
  std::unique_ptr<TWizardDialog> CreateWizardDialog() override;
  void ShowMessage(const std::string& text) override;
  void ChooseStrings(std::span<const std::string> lines, TLangStrings& strings) override;

  // A factory for InitExpert: its dialogs follow the script set by UseScript.
  static std::unique_ptr<TWizardUi> Factory(std::uintptr_t parent_window);
  static void UseScript(DialogScript* script);
  // The parent window the newest factory call was given.
  static std::uintptr_t LastParentWindow();

 private:
  DialogScript& script_;
};

}  // namespace polyverb::testing
