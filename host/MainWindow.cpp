#include "host/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QTreeWidget>
#include <iostream>

#include "platform/Text.h"

namespace polyverb {
namespace {

QString Text(const std::string& bytes) {
  return QString::fromStdString(DecodeToUtf8(bytes));
}

QAction* AddItem(QMenu& menu, const char* caption, const char* name) {
  QAction* action = menu.addAction(QString::fromLatin1(caption));
  action->setObjectName(QString::fromLatin1(name));
  return action;
}

QMenu* AddMenu(QMenuBar& bar, const char* caption, const char* name) {
  QMenu* menu = bar.addMenu(QString::fromLatin1(caption));
  menu->setObjectName(QString::fromLatin1(name));
  menu->menuAction()->setObjectName(QString::fromLatin1(name));
  return menu;
}

void AddObject(QTreeWidgetItem& parent, const FormObject& object) {
  auto* item = new QTreeWidgetItem(&parent, {Text(object.Name()), Text(object.ClassName())});
  for (const auto& child : object.Children()) AddObject(*item, *child);
}

}  // namespace

MainWindow::MainWindow(std::string project_file, const std::vector<std::string>& files)
    : project_file_(std::move(project_file)),
      project_dir_(project_file_.substr(0, project_file_.rfind('/'))) {
  setObjectName("mainWindow");
  setWindowTitle("Polyverb IDE - " + Text(Short(project_file_)));

  QMenu* file = AddMenu(*menuBar(), "&File", "FileMenu");
  connect(AddItem(*file, "E&xit", "FileExitItem"), &QAction::triggered, this, &QWidget::close);
  QMenu* project = AddMenu(*menuBar(), "&Project", "ProjectMenu");
  connect(AddItem(*project, "&Options...", "ProjectOptionsItem"), &QAction::triggered, this,
          &MainWindow::ShowProjectOptions);
  QMenu* help = AddMenu(*menuBar(), "&Help", "HelpMenu");
  connect(AddItem(*help, "&About...", "HelpAboutItem"), &QAction::triggered, this, [this] {
    QMessageBox::about(this, "About",
                       "Polyverb IDE: a Pascal project on disk, hosting the Polyverb add-in.");
  });

  auto* split = new QSplitter(Qt::Vertical, this);
  tvFiles = new QTreeWidget(split);
  tvFiles->setObjectName("tvFiles");
  tvFiles->setRootIsDecorated(false);
  tvFiles->setHeaderLabels({"File", "State"});
  for (const std::string& name : files)
    new QTreeWidgetItem(tvFiles, {Text(Short(name)), name == project_file_ ? "open" : ""});
  tvFiles->header()->setSectionResizeMode(0, QHeaderView::Stretch);
  tvForm = new QTreeWidget(split);
  tvForm->setObjectName("tvForm");
  tvForm->setHeaderLabels({"Form", "Class"});
  memoLog = new QPlainTextEdit(split);
  memoLog->setObjectName("memoLog");
  memoLog->setReadOnly(true);
  setCentralWidget(split);
  resize(640, 480);
}

std::string MainWindow::Short(const std::string& path) const {
  const std::string prefix = project_dir_ + "/";
  return path.compare(0, prefix.size(), prefix) == 0 ? path.substr(prefix.size()) : path;
}

void MainWindow::Log(const std::string& text) {
  memoLog->appendPlainText(Text(text));
}

void MainWindow::ShowError(const std::string& message) {
  std::cerr << "polyverb-ide: error: " << message << std::endl;
  Log("Error: " + message);
  QMessageBox box(QMessageBox::Critical, "Error", Text(message), QMessageBox::Ok, this);
  box.setObjectName("msgIdeError");
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

void MainWindow::Report(const std::string& text) {
  std::cerr << "polyverb-ide: " << text << std::endl;
  Log(text);
}

void MainWindow::Note(const std::string& text) {
  Log(text);
}

void MainWindow::FormShown(const std::string& form_path, const FormFile& form) {
  tvForm->clear();
  tvForm->setHeaderLabels({Text(Short(form_path)), "Class"});
  auto* root =
      new QTreeWidgetItem(tvForm, {Text(form.Root().Name()), Text(form.Root().ClassName())});
  for (const auto& child : form.Root().Children()) AddObject(*root, *child);
  tvForm->expandAll();
}

void MainWindow::OpenFilesChanged(const std::vector<std::string>& open) {
  for (int i = 0; i < tvFiles->topLevelItemCount(); ++i) {
    QTreeWidgetItem* item = tvFiles->topLevelItem(i);
    bool is_open = false;
    for (const std::string& name : open) is_open = is_open || Text(Short(name)) == item->text(0);
    item->setText(1, is_open ? "open" : "");
  }
}

void MainWindow::ShowProjectOptions() {
  QMessageBox box(QMessageBox::Information, "Project Options",
                  Text("Project: " + project_file_ + "\nDirectory: " + project_dir_ +
                       "\nFiles: " + std::to_string(tvFiles->topLevelItemCount())),
                  QMessageBox::Ok, this);
  box.setObjectName("dlgProjectOptions");
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

}  // namespace polyverb
