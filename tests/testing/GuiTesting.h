// Driving the dialogs in tests: finding controls by their object names, waiting for the
// event loop, and scripting the modal dialogs that the code under test opens.
#pragma once

#include <gtest/gtest.h>

#include <QDialog>
#include <QString>
#include <functional>
#include <string>
#include <vector>

class QTimer;

namespace polyverb::testing {

// The descendant of `root` called `name`; nullptr (and a test failure) when there is none.
template <class T>
T* Child(const QObject& root, const char* name) {
  T* child = root.findChild<T*>(QString::fromLatin1(name));
  if (child == nullptr) ADD_FAILURE() << "no " << name << " in " << root.objectName().toStdString();
  return child;
}

// Runs the event loop until `condition` holds; false after 5 s.
bool WaitFor(const std::function<bool()>& condition);

// Shows `window` and waits until it is the active window, so that focus can be checked.
bool ShowActive(QWidget& window);

// Answers the modal dialogs that open while it lives, one step per dialog, in order. A
// step names the dialog it expects (object name, or class name such as "QMessageBox") and
// acts on it once it is active. A dialog still open after its step, an unexpected dialog,
// and steps left over at destruction fail the test; such a dialog is closed so that no
// test hangs on it.
class ModalScript {
 public:
  using Action = std::function<void(QDialog&)>;
  struct Step {
    std::string dialog;
    Action action;
  };

  explicit ModalScript(std::vector<Step> steps);
  ~ModalScript();
  ModalScript(const ModalScript&) = delete;
  ModalScript& operator=(const ModalScript&) = delete;

 private:
  void Poll();

  std::vector<Step> steps_;
  std::size_t next_ = 0;
  bool busy_ = false;
  QTimer* timer_;
};

// Types `text` into `widget` key by key, letters outside ASCII included.
void Type(QWidget* widget, const QString& text);

// Clicks the button child `name` of `dialog` with the left mouse button.
void Click(QWidget& dialog, const char* name);

}  // namespace polyverb::testing
