// --yes: a run of the add-in without a person. It clicks the add-in's menu item and
// answers the modal dialogs as a person accepting the defaults would, finding controls by
// their object names in the active modal dialog:
//  - the wizard dlgPolyverb: --lang typed into edDefLang, --no-sources unchecking
//    cbProcessPAS, --no-forms unchecking cbProcessForms, --annotate checking cbAnnotate,
//    then bbNext, bbNext, bbFinish;
//  - each string chooser dlgStrChoose: the rows of lbStrings that --mark asks for marked
//    (all, the suggested ones, or none), then bbOK;
//  - a message box: confirmed, its text echoed to stderr (the IDE's own error boxes are
//    on stderr already).
// Any other dialog, or one that does not close after its answer, is cancelled and counts
// as a failure.
#pragma once

#include <QObject>
#include <QPointer>
#include <optional>
#include <string>
#include <vector>

class QTimer;
class QWidget;

namespace polyverb {

class IdeMenus;

// Which rows of each chooser --yes marks.
enum class AutoMark { kAll, kSuggested, kNone };

struct AutoRunOptions {
  std::optional<std::string> language;  // typed into edDefLang when given
  bool process_sources = true;          // false: cbProcessPAS unchecked
  bool process_forms = true;            // false: cbProcessForms unchecked
  bool annotate = false;                // true: cbAnnotate checked
  AutoMark mark = AutoMark::kSuggested;
};

class AutoRun : public QObject {
 public:
  // Starts answering dialogs at once (the entry point may already raise an error box).
  AutoRun(IdeMenus& menus, AutoRunOptions options);
  ~AutoRun() override;

  // Clicks ProjectPolyverbItem and returns when the click has returned: the whole run.
  void Run();

  // The texts of the message boxes the add-in showed, in order.
  const std::vector<std::string>& Messages() const { return messages_; }
  // What the driver could not do (no menu item, an unexpected dialog, ...).
  const std::vector<std::string>& Failures() const { return failures_; }
  // The dialogs answered, by object name, in order.
  const std::vector<std::string>& Answered() const { return answered_; }

 private:
  void Poll();
  void Fail(const std::string& what);

  IdeMenus& menus_;
  AutoRunOptions options_;
  QTimer* timer_;
  QPointer<QWidget> current_;
  int ticks_ = 0;
  bool prepared_ = false;
  std::vector<std::string> messages_;
  std::vector<std::string> failures_;
  std::vector<std::string> answered_;
};

}  // namespace polyverb
