#include "dialogs/WizardDialog.h"

#include <QCheckBox>
#include <QFrame>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QStackedWidget>
#include <QTreeWidget>
#include <array>

#include "platform/Error.h"
#include "platform/Text.h"

namespace polyverb {
namespace {

QString ShownText(const std::string& bytes) {
  return QString::fromStdString(DecodeToUtf8(bytes));
}

// The form's fonts name the faces its layout was measured with; Liberation Sans is the
// metric twin of Arial that the set-up installs, so text fits where those faces are absent.
QFont FormFont(const QString& face, int pixel_height) {
  QFont font;
  font.setFamilies({face, QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
  font.setPixelSize(pixel_height);
  return font;
}

// ---- Artwork. Drawn here rather than loaded: loading the add-in runs nothing of its own.

QPixmap Canvas(int width, int height) {
  QPixmap pixmap(width, height);
  pixmap.fill(Qt::transparent);
  return pixmap;
}

QPixmap Triangle(bool points_left) {
  QPixmap pixmap = Canvas(16, 16);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::black);
  if (points_left)
    p.drawPolygon(QPolygon({{11, 3}, {11, 13}, {5, 8}}));
  else
    p.drawPolygon(QPolygon({{5, 3}, {5, 13}, {11, 8}}));
  return pixmap;
}

QPixmap LightningBolt() {
  QPixmap pixmap = Canvas(16, 16);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(128, 96, 0), 1));
  p.setBrush(QColor(255, 255, 0));
  p.drawPolygon(QPolygon({{10, 0}, {3, 9}, {7, 9}, {5, 15}, {13, 6}, {9, 6}, {12, 0}}));
  return pixmap;
}

QPixmap RedCross() {
  QPixmap pixmap = Canvas(16, 16);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(192, 0, 0), 2.5, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(4, 4, 12, 12);
  p.drawLine(12, 4, 4, 12);
  return pixmap;
}

// A triangle pointing right, checkered red and magenta: the marker beside each page's text.
QPixmap Marker() {
  QPixmap pixmap = Canvas(20, 30);
  QPainter p(&pixmap);
  QPainterPath triangle;
  triangle.addPolygon(QPolygonF({{0, 0}, {0, 30}, {20, 15}}));
  triangle.closeSubpath();
  p.setClipPath(triangle);
  constexpr int kCell = 5;
  for (int y = 0; y < 30; y += kCell) {
    for (int x = 0; x < 20; x += kCell) {
      const bool red = ((x + y) / kCell) % 2 == 0;
      p.fillRect(x, y, kCell, kCell, red ? QColor(255, 0, 0) : QColor(255, 0, 255));
    }
  }
  return pixmap;
}

// A grey map of the world, 103 x 59; the picture control scales it to its own size.
QPixmap WorldMap() {
  QPixmap pixmap = Canvas(103, 59);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(96, 96, 96), 0.8));
  p.setBrush(QColor(160, 160, 160));
  // North America, Greenland, South America, Europe, Africa, Madagascar, Asia, India,
  // Japan, the islands south-east of Asia, Australia.
  // clang-format off
  const std::array<QPolygon, 11> land = {
      QPolygon({{4, 9}, {14, 5}, {30, 4}, {37, 9}, {31, 15}, {28, 21}, {23, 27}, {20, 25},
                {14, 20}, {8, 16}}),
      QPolygon({{33, 2}, {43, 1}, {41, 7}, {36, 8}}),
      QPolygon({{25, 30}, {33, 30}, {39, 35}, {35, 45}, {30, 55}, {28, 50}, {27, 40}}),
      QPolygon({{47, 9}, {56, 5}, {60, 10}, {57, 16}, {50, 18}, {46, 15}}),
      QPolygon({{46, 21}, {57, 19}, {64, 26}, {62, 35}, {56, 46}, {52, 44}, {50, 33}, {44, 28}}),
      QPolygon({{63, 37}, {65, 36}, {64, 42}, {62, 41}}),
      QPolygon({{58, 6}, {72, 3}, {90, 5}, {100, 10}, {95, 17}, {88, 23}, {81, 30}, {74, 26},
                {66, 24}, {60, 18}}),
      QPolygon({{67, 24}, {74, 25}, {71, 33}}),
      QPolygon({{93, 15}, {96, 14}, {94, 21}, {92, 20}}),
      QPolygon({{81, 33}, {88, 32}, {87, 36}, {82, 35}}),
      QPolygon({{82, 40}, {92, 38}, {96, 45}, {89, 50}, {81, 47}}),
  };
  // clang-format on
  for (const QPolygon& shape : land) p.drawPolygon(shape);
  return pixmap;
}

QPushButton* GlyphButton(QWidget* parent, const char* name, const QString& caption,
                         const QPixmap& glyph, QRect where) {
  auto* button = new QPushButton(QIcon(glyph), caption, parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setIconSize(glyph.size());
  button->setGeometry(where);
  // Only Finish and Cancel end the wizard: Enter must not press whichever button has focus.
  button->setAutoDefault(false);
  return button;
}

QLabel* Picture(QWidget* page, const char* name, const QPixmap& picture, QRect where) {
  auto* label = new QLabel(page);
  label->setObjectName(QString::fromLatin1(name));
  label->setPixmap(picture);
  label->setScaledContents(true);
  label->setGeometry(where);
  return label;
}

QLabel* WrappedLabel(QWidget* page, const char* name, const char* text, QRect where) {
  auto* label = new QLabel(QString::fromUtf8(text), page);
  label->setObjectName(QString::fromLatin1(name));
  label->setTextFormat(Qt::PlainText);
  label->setWordWrap(true);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setGeometry(where);
  return label;
}

QWidget* Page(QStackedWidget* notebook, const char* name) {
  auto* page = new QWidget(notebook);
  page->setObjectName(QString::fromLatin1(name));
  notebook->addWidget(page);
  return page;
}

}  // namespace

TdlgPolyverb::TdlgPolyverb(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("dlgPolyverb"));
  setWindowTitle(QStringLiteral("Polyverb"));
  setFont(FormFont(QStringLiteral("MS Sans Serif"), 11));
  setFixedSize(420, 241);

  pnlBottom = new QFrame(this);
  pnlBottom->setObjectName(QStringLiteral("pnlBottom"));
  pnlBottom->setFrameStyle(QFrame::Panel | QFrame::Raised);
  pnlBottom->setGeometry(0, 204, 420, 37);
  bbBack =
      GlyphButton(pnlBottom, "bbBack", QStringLiteral("Back"), Triangle(true), {144, 8, 75, 25});
  bbBack->setEnabled(false);
  bbNext =
      GlyphButton(pnlBottom, "bbNext", QStringLiteral("Next"), Triangle(false), {232, 8, 75, 25});
  // The glyph stands right of the caption, pointing the way the button goes.
  bbNext->setLayoutDirection(Qt::RightToLeft);
  bbCancel =
      GlyphButton(pnlBottom, "bbCancel", QStringLiteral("Cancel"), RedCross(), {336, 8, 75, 25});
  bbFinish = GlyphButton(pnlBottom, "bbFinish", QStringLiteral("Finish"), LightningBolt(),
                         {232, 8, 75, 25});
  bbFinish->hide();

  Notebook = new QStackedWidget(this);
  Notebook->setObjectName(QStringLiteral("Notebook"));
  Notebook->setGeometry(0, 0, 420, 204);
  Notebook->setFont(FormFont(QStringLiteral("Arial"), 13));
  QPalette black = Notebook->palette();
  black.setColor(QPalette::WindowText, Qt::black);
  Notebook->setPalette(black);

  QWidget* first = Page(Notebook, "First");
  Image1 = Picture(first, "Image1", Marker(), {112, 8, 20, 30});
  Label2 = WrappedLabel(first, "Label2",
                        "Choose the name of  default (native) language for your application.",
                        {136, 8, 233, 33});
  Label3 = WrappedLabel(first, "Label3", "The languge file with this name will be created",
                        {136, 48, 209, 32});
  edDefLang = new QLineEdit(QStringLiteral("English"), first);
  edDefLang->setObjectName(QStringLiteral("edDefLang"));
  edDefLang->setGeometry(136, 90, 209, 24);
  cbProcessPAS = new QCheckBox(QStringLiteral("Process .PAS files"), first);
  cbProcessPAS->setObjectName(QStringLiteral("cbProcessPAS"));
  cbProcessPAS->setGeometry(136, 157, 169, 17);
  cbProcessPAS->setChecked(true);
  cbProcessForms = new QCheckBox(QStringLiteral("Process form texts"), first);
  cbProcessForms->setObjectName(QStringLiteral("cbProcessForms"));
  cbProcessForms->setGeometry(136, 181, 169, 17);
  cbProcessForms->setChecked(true);
  // Above: the page has no room below the two process boxes.
  cbAnnotate = new QCheckBox(QStringLiteral("Write each text after its call"), first);
  cbAnnotate->setObjectName(QStringLiteral("cbAnnotate"));
  cbAnnotate->setGeometry(136, 133, 273, 17);
  cbAnnotate->setToolTip(
      QStringLiteral("GetLangStr(12) {data/world.ini}: the replaced text as a "
                     "comment, for the people who read the code"));

  QWidget* second = Page(Notebook, "Second");
  Image2 = Picture(second, "Image2", Marker(), {112, 8, 20, 30});
  Label1 =
      WrappedLabel(second, "Label1", "Choose the modules of your project which will be processed",
                   {136, 8, 233, 33});
  lvUnits = new QTreeWidget(second);
  lvUnits->setObjectName(QStringLiteral("lvUnits"));
  lvUnits->setGeometry(136, 48, 273, 150);
  lvUnits->setFont(FormFont(QStringLiteral("Arial"), 11));
  lvUnits->setColumnCount(2);
  lvUnits->setHeaderLabels({QStringLiteral("Unit name"), QStringLiteral("Unit path")});
  lvUnits->setColumnWidth(0, 110);
  lvUnits->setColumnWidth(1, 140);
  lvUnits->header()->setStretchLastSection(false);
  lvUnits->setRootIsDecorated(false);
  lvUnits->setItemsExpandable(false);
  lvUnits->setAllColumnsShowFocus(true);
  lvUnits->setSelectionMode(QAbstractItemView::ExtendedSelection);
  lvUnits->setEditTriggers(QAbstractItemView::NoEditTriggers);
  // The user must see which modules stay selected while the focus is on the buttons.
  QPalette selection = lvUnits->palette();
  for (const QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
    selection.setColor(QPalette::Inactive, role, selection.color(QPalette::Active, role));
  lvUnits->setPalette(selection);

  QWidget* last = Page(Notebook, "Last");
  Image3 = Picture(last, "Image3", Marker(), {112, 8, 20, 30});
  Label4 =
      WrappedLabel(last, "Label4", "Now you are read to add multilanguage support to your project.",
                   {136, 8, 233, 33});
  Label5 =
      WrappedLabel(last, "Label5", "Click \"Finish\" to start processing.", {136, 48, 233, 33});
  Image4 = Picture(last, "Image4", WorldMap(), {7, 5, 105, 57});

  // The form's tab order: the button panel, then the pages.
  setTabOrder(bbBack, bbNext);
  setTabOrder(bbNext, bbCancel);
  setTabOrder(bbCancel, bbFinish);
  setTabOrder(bbFinish, edDefLang);
  setTabOrder(edDefLang, cbProcessPAS);
  setTabOrder(cbProcessPAS, cbProcessForms);
  setTabOrder(cbProcessForms, cbAnnotate);
  setTabOrder(cbAnnotate, lvUnits);

  connect(bbNext, &QPushButton::clicked, this, &TdlgPolyverb::bbNextClick);
  connect(bbBack, &QPushButton::clicked, this, &TdlgPolyverb::bbBackClick);
  connect(bbFinish, &QPushButton::clicked, this, &TdlgPolyverb::bbFinishClick);
  connect(bbCancel, &QPushButton::clicked, this, &TdlgPolyverb::reject);
  connect(Notebook, &QStackedWidget::currentChanged, this, &TdlgPolyverb::NotebookPageChanged);

  if (QScreen* screen = owner != nullptr ? owner->screen() : QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
  FormCreate();
}

void TdlgPolyverb::reject() {
  done(TWizardDialog::kCancelled);
}

void TdlgPolyverb::FormCreate() {
  const bool already_shown = Notebook->currentIndex() == 0;
  Notebook->setCurrentIndex(0);
  // Qt signals only a real change; the switch at creation counts as a page change too.
  if (already_shown) NotebookPageChanged();
}

void TdlgPolyverb::bbNextClick() {
  Notebook->setCurrentIndex(Notebook->currentIndex() + 1);
  UpdateButtons();
}

void TdlgPolyverb::bbBackClick() {
  Notebook->setCurrentIndex(Notebook->currentIndex() - 1);
  UpdateButtons();
}

void TdlgPolyverb::bbFinishClick() {
  done(TWizardDialog::kFinished);
}

void TdlgPolyverb::NotebookPageChanged() {
  if (Notebook->currentIndex() == 1) lvUnits->setFocus(Qt::OtherFocusReason);
}

void TdlgPolyverb::UpdateButtons() {
  const int page = Notebook->currentIndex();
  const bool next = page < 2;
  // Next vanishing under the focus would hand it on to Cancel, and a second press of the
  // space bar would then cancel the wizard: the form keeps the focus instead.
  if (!next && bbNext->hasFocus()) setFocus(Qt::OtherFocusReason);
  bbBack->setEnabled(page > 0);
  bbNext->setVisible(next);
  bbFinish->setVisible(!next);
}

void TUnitsListView::Clear() {
  FView.clear();
}

void TUnitsListView::AddRow(const std::string& caption, const std::string& sub_item,
                            bool selected) {
  auto* row = new QTreeWidgetItem(&FView, {ShownText(caption), ShownText(sub_item)});
  row->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
  row->setSelected(selected);
}

std::int32_t TUnitsListView::RowCount() const {
  return FView.topLevelItemCount();
}

bool TUnitsListView::RowSelected(std::int32_t row) const {
  if (row < 0 || row >= RowCount()) throw ListIndexError(row);
  return FView.topLevelItem(row)->isSelected();
}

}  // namespace polyverb
