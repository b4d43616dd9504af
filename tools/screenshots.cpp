// polyverb-screenshots DIR: writes PNG pictures of the three wizard pages and of the
// string chooser with some rows marked into DIR (created when missing), as the README
// shows them. Runs on the offscreen platform unless QT_QPA_PLATFORM names another, so the
// pictures do not depend on the desktop they are taken on.
#include <QApplication>
#include <QDir>
#include <QListWidget>
#include <QPushButton>
#include <QStackedWidget>
#include <QTreeWidget>
#include <cstdio>
#include <string>
#include <vector>

#include "dialogs/StringChooserDialog.h"
#include "dialogs/WizardDialog.h"
#include "source/LiteralExtraction.h"
#include "source/LiteralList.h"
#include "source/SourceProcessing.h"

namespace {

using polyverb::TdlgPolyverb;
using polyverb::TdlgStrChoose;

const std::vector<std::string> kSource = {
    "unit Unit1;",
    "",
    "interface",
    "",
    "implementation",
    "",
    "procedure TForm1.btnSaveClick(Sender: TObject);",
    "begin",
    "  if not FileExists(FileName) then",
    "    ShowMessage('File not found: ' + FileName)",
    "  else begin",
    "    Caption := 'Saving...';",
    "    Table1.FieldByName('Name').AsString := edName.Text;",
    "    StatusBar1.SimpleText := 'Saved';",
    "  end;",
    "end;",
    "",
    "end.",
};

bool Save(QWidget& window, const QDir& dir, const char* name) {
  QApplication::processEvents();
  const QString path = dir.filePath(QString::fromLatin1(name));
  const QPixmap picture = window.grab();
  if (picture.isNull() || !picture.save(path, "PNG")) {
    std::fprintf(stderr, "polyverb-screenshots: Cannot create file %s\n",
                 path.toLocal8Bit().constData());
    return false;
  }
  std::printf("%s\n", path.toLocal8Bit().constData());
  return true;
}

bool Wizard(const QDir& dir) {
  TdlgPolyverb dialog;
  polyverb::TUnitsListView units(*dialog.lvUnits);
  units.AddRow("Project1.dpr", "", true);
  units.AddRow("Unit1.pas", "", true);
  units.AddRow("About.pas", "Forms/", false);
  units.AddRow("Tools.pas", "../Lib/", true);
  dialog.show();
  bool ok = Save(dialog, dir, "wizard-1-language.png");
  dialog.bbNext->click();
  ok = Save(dialog, dir, "wizard-2-modules.png") && ok;
  dialog.bbNext->click();
  ok = Save(dialog, dir, "wizard-3-finish.png") && ok;
  return ok;
}

bool Chooser(const QDir& dir) {
  polyverb::CurFileName = "/home/ann/shop/Unit1.pas";
  polyverb::TLangStrings strings;
  polyverb::FindStrings(kSource, strings);
  // The same filling as TdlgStrChoose::ChooseStrings, without waiting for a user.
  TdlgStrChoose dialog;
  dialog.setWindowTitle(QStringLiteral("Process strings - Unit1.pas"));
  for (std::int32_t i = 0; i < strings.Count(); ++i)
    dialog.lbStrings->addItem(QString::fromStdString(strings.Items(i).Text));
  dialog.source_lines = kSource;
  dialog.lang_strings = &strings;
  dialog.show();
  for (const int row : {0, 2}) dialog.lbStrings->item(row)->setSelected(true);
  dialog.lbStrings->setCurrentRow(2, QItemSelectionModel::NoUpdate);
  return Save(dialog, dir, "chooser.png");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 || argv[1][0] == '-') {
    std::fprintf(stderr, "usage: polyverb-screenshots DIR\n");
    return 2;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QDir dir(QString::fromLocal8Bit(argv[1]));
  if (!dir.mkpath(QStringLiteral("."))) {
    std::fprintf(stderr, "polyverb-screenshots: Cannot create directory %s\n", argv[1]);
    return 1;
  }
  const bool wizard = Wizard(dir);
  const bool chooser = Chooser(dir);
  return wizard && chooser ? 0 : 1;
}
