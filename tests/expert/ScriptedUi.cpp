#include "tests/expert/ScriptedUi.h"

#include <gtest/gtest.h>

#include "platform/Error.h"
#include "source/SourceProcessing.h"

namespace polyverb::testing {

bool ScriptedListView::RowSelected(std::int32_t row) const {
  if (row < 0 || row >= RowCount()) throw ListIndexError(row);
  return rows[static_cast<std::size_t>(row)].Selected;
}

namespace {

void Note(DialogScript& script, const std::string& entry) {
  if (script.log != nullptr) script.log->push_back(entry);
}

class ScriptedDialog : public TWizardDialog {
 public:
  explicit ScriptedDialog(DialogScript& script) : script_(script) {
    ++script_.dialogs_created;
    Note(script_, "Wizard.Create");
  }
  ~ScriptedDialog() override {
    ++script_.dialogs_destroyed;
    Note(script_, "Wizard.Destroy");
  }

  TListViewIntf& lvUnits() override { return list_; }
  int ShowModal() override {
    Note(script_, "Wizard.ShowModal");
    script_.shown_rows.push_back(list_.rows);
    for (int row : script_.deselect) {
      if (row < 0 || row >= list_.RowCount()) {
        ADD_FAILURE() << "the script deselects row " << row << " of " << list_.RowCount();
        continue;
      }
      list_.rows[static_cast<std::size_t>(row)].Selected = false;
    }
    return script_.modal_result;
  }
  std::string LanguageName() const override { return script_.language_name; }
  bool ProcessSources() const override { return script_.process_sources; }
  bool ProcessForms() const override { return script_.process_forms; }

 private:
  DialogScript& script_;
  ScriptedListView list_;
};

DialogScript* g_script = nullptr;
std::uintptr_t g_parent = 0;

}  // namespace

std::unique_ptr<TWizardDialog> ScriptedUi::CreateWizardDialog() {
  return std::make_unique<ScriptedDialog>(script_);
}

void ScriptedUi::ShowMessage(const std::string& text) {
  Note(script_, "MessageBox(" + text + ")");
  script_.messages.push_back(text);
}

void ScriptedUi::ChooseStrings(std::span<const std::string> /*Lines*/, TLangStrings& strings) {
  std::string marked;
  for (std::int32_t i = 0; i < strings.Count(); ++i) {
    TLangStr& s = strings.Items(i);
    s.Chosen = !script_.mark || script_.mark(s);
    if (s.Chosen) marked += (marked.empty() ? "" : ", ") + s.Text;
  }
  script_.chooser_files.push_back(CurFileName);
  Note(script_, "Chooser(" + marked + ")");
}

std::unique_ptr<TWizardUi> ScriptedUi::Factory(std::uintptr_t parent_window) {
  g_parent = parent_window;
  if (g_script == nullptr) throw Error("test set-up: no dialog script");
  return std::make_unique<ScriptedUi>(*g_script);
}

void ScriptedUi::UseScript(DialogScript* script) {
  g_script = script;
}

std::uintptr_t ScriptedUi::LastParentWindow() {
  return g_parent;
}

}  // namespace polyverb::testing
