#include "tests/expert/ScriptedUi.h"

#include <gtest/gtest.h>

#include "platform/Error.h"
#include "source/SourceProcessing.h"

namespace polyverb::testing {

bool ScriptedListView::RowSelected(std::int32_t Row) const {
  if (Row < 0 || Row >= RowCount()) throw ListIndexError(Row);
  return Rows[static_cast<std::size_t>(Row)].Selected;
}

namespace {

void Note(DialogScript& script, const std::string& entry) {
  if (script.Log != nullptr) script.Log->push_back(entry);
}

class ScriptedDialog : public TWizardDialog {
 public:
  explicit ScriptedDialog(DialogScript& script) : script_(script) {
    ++script_.DialogsCreated;
    Note(script_, "Wizard.Create");
  }
  ~ScriptedDialog() override {
    ++script_.DialogsDestroyed;
    Note(script_, "Wizard.Destroy");
  }

  TListViewIntf& lvUnits() override { return list_; }
  int ShowModal() override {
    Note(script_, "Wizard.ShowModal");
    script_.ShownRows.push_back(list_.Rows);
    for (int row : script_.Deselect) {
      if (row < 0 || row >= list_.RowCount()) {
        ADD_FAILURE() << "the script deselects row " << row << " of " << list_.RowCount();
        continue;
      }
      list_.Rows[static_cast<std::size_t>(row)].Selected = false;
    }
    return script_.ModalResult;
  }
  std::string LanguageName() const override { return script_.LanguageName; }
  bool ProcessSources() const override { return script_.ProcessSources; }

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

void ScriptedUi::ShowMessage(const std::string& Text) {
  Note(script_, "MessageBox(" + Text + ")");
  script_.Messages.push_back(Text);
}

void ScriptedUi::ChooseStrings(std::span<const std::string> /*Lines*/, TLangStrings& Strings) {
  std::string marked;
  for (std::int32_t i = 0; i < Strings.Count(); ++i) {
    TLangStr& s = Strings.Items(i);
    s.Chosen = !script_.Mark || script_.Mark(s);
    if (s.Chosen) marked += (marked.empty() ? "" : ", ") + s.Text;
  }
  script_.ChooserFiles.push_back(CurFileName);
  Note(script_, "Chooser(" + marked + ")");
}

std::unique_ptr<TWizardUi> ScriptedUi::Factory(std::uintptr_t ParentWindow) {
  g_parent = ParentWindow;
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
