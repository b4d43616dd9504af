// The IDE stand-in's main window: the menu bar (File, Project with "Options..." as
// ProjectOptionsItem, Help) into which the add-in inserts its item, the project's files
// with their open state, the form last shown, and a log of what the IDE reported.
#pragma once

#include <QMainWindow>
#include <string>
#include <vector>

#include "host/IdeModules.h"

class QPlainTextEdit;
class QTreeWidget;

namespace polyverb {

class MainWindow : public QMainWindow, public IdeView {
 public:
  // `projectFile`: the .dpr's full name; `files`: the project's files as the IDE lists them.
  MainWindow(std::string project_file, const std::vector<std::string>& files);

  // Shows `message` as an IDE error: on stderr, in the log and in a modal message box
  // (object name "msgIdeError").
  void ShowError(const std::string& message);

  // IdeView
  void Report(const std::string& text) override;
  void Note(const std::string& text) override;
  void FormShown(const std::string& form_path, const FormFile& form) override;
  void OpenFilesChanged(const std::vector<std::string>& open) override;

  // `path` relative to the project's directory when it lies below it.
  std::string Short(const std::string& path) const;

  QTreeWidget* tvFiles;
  QTreeWidget* tvForm;
  QPlainTextEdit* memoLog;

 private:
  void ShowProjectOptions();
  void Log(const std::string& text);

  std::string project_file_;
  std::string project_dir_;
};

}  // namespace polyverb
