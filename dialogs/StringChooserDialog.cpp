#include "dialogs/StringChooserDialog.h"

#include <QBoxLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QStyledItemDelegate>
#include <utility>

#include "platform/PathStyle.h"
#include "platform/Text.h"
#include "source/SourceProcessing.h"
#include "source/SuggestRules.h"

namespace polyverb {

TdlgStrChoose* dlgStrChoose = nullptr;

namespace {

QString ShownText(std::string_view bytes) {
  return QString::fromStdString(DecodeToUtf8(bytes));
}

QFont FaceFont(std::initializer_list<QString> faces, int pixel_height) {
  QFont font;
  font.setFamilies(QStringList(faces));
  font.setPixelSize(pixel_height);
  return font;
}

// The OK button's check mark, drawn here rather than loaded: loading the add-in runs
// nothing of its own.
QPixmap CheckMark() {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(0, 128, 0), 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPolyline(QPolygon({{3, 8}, {6, 12}, {13, 3}}));
  return pixmap;
}

// Qt's multi-selection toggles every row a pressed pointer crosses; here a press toggles
// the one row under it and a drag does nothing, so a slightly sloppy click cannot mark a
// neighbour (a marked literal is rewritten).
class ToggleOnPressList : public QListWidget {
 public:
  using QListWidget::QListWidget;

 protected:
  void mouseMoveEvent(QMouseEvent* event) override {
    if (event->buttons() != Qt::NoButton) {
      event->accept();
      return;
    }
    QListWidget::mouseMoveEvent(event);
  }
};

// Rows 13 pixels high, as the list was laid out for.
class RowHeight : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    return {QStyledItemDelegate::sizeHint(option, index).width(), 13};
  }
};

QWidget* Strip(QWidget* parent, const char* name) {
  auto* strip = new QWidget(parent);
  strip->setObjectName(QString::fromLatin1(name));
  return strip;
}

// Points dlgStrChoose at the dialog being shown and clears it on every way out.
class ShownDialog {
 public:
  explicit ShownDialog(TdlgStrChoose& dialog) { dlgStrChoose = &dialog; }
  ~ShownDialog() { dlgStrChoose = nullptr; }
  ShownDialog(const ShownDialog&) = delete;
  ShownDialog& operator=(const ShownDialog&) = delete;
};

}  // namespace

TdlgStrChoose::TdlgStrChoose(QWidget* owner) : QDialog(owner) {
  setObjectName(QStringLiteral("dlgStrChoose"));
  setWindowTitle(QStringLiteral("Process strings"));
  setFont(FaceFont(
      {QStringLiteral("MS Sans Serif"), QStringLiteral("Arial"), QStringLiteral("Liberation Sans")},
      11));
  setSizeGripEnabled(true);
  // The form measures 378 x 329 with its frame; this is its client area under a typical one.
  resize(370, 302);

  lbStrings = new ToggleOnPressList(this);
  lbStrings->setObjectName(QStringLiteral("lbStrings"));
  // Qt's multi-selection is the simple mode: a click or the space bar toggles one row, and
  // Shift and Ctrl select no ranges; Ctrl+A marks every row.
  lbStrings->setSelectionMode(QAbstractItemView::MultiSelection);
  lbStrings->setItemDelegate(new RowHeight(lbStrings));
  lbStrings->setUniformItemSizes(true);
  QPalette marks = lbStrings->palette();
  for (const QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
    marks.setColor(QPalette::Inactive, role, marks.color(QPalette::Active, role));
  lbStrings->setPalette(marks);

  pnlTop = new QLabel(QStringLiteral("Chose strings (Necessary rows must be marked)"), this);
  pnlTop->setObjectName(QStringLiteral("pnlTop"));
  pnlTop->setTextFormat(Qt::PlainText);
  pnlTop->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  pnlTop->setFixedHeight(17);

  pnlBottom = Strip(this, "pnlBottom");
  pnlBottom->setFixedHeight(33);
  pnlOk = Strip(pnlBottom, "pnlOk");
  pnlOk->setFixedWidth(82);
  bbOK = new QPushButton(QIcon(CheckMark()), QStringLiteral("OK"), pnlOk);
  bbOK->setObjectName(QStringLiteral("bbOK"));
  bbOK->setIconSize({16, 16});
  bbOK->setGeometry(4, 4, 75, 25);
  bbOK->setDefault(true);
  connect(bbOK, &QPushButton::clicked, this, &QDialog::accept);

  pnlSource = new QLabel(QStringLiteral(" "), this);
  pnlSource->setObjectName(QStringLiteral("pnlSource"));
  pnlSource->setTextFormat(Qt::PlainText);
  pnlSource->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  pnlSource->setFont(
      FaceFont({QStringLiteral("Courier New"), QStringLiteral("Liberation Mono")}, 11));
  pnlSource->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  pnlSource->setLineWidth(1);
  pnlSource->setAutoFillBackground(true);
  QPalette colours = pnlSource->palette();
  colours.setColor(QPalette::Window, QColor(0, 0, 128));  // navy
  colours.setColor(QPalette::WindowText, QColor(255, 255, 0));
  pnlSource->setPalette(colours);
  pnlSource->setFixedHeight(33);
  // A long source line is cut off at the panel's edge; it must not widen the dialog.
  pnlSource->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);

  auto* bottom = new QHBoxLayout(pnlBottom);
  bottom->setContentsMargins(0, 0, 0, 0);
  bottom->addStretch(1);
  bottom->addWidget(pnlOk);
  auto* form = new QVBoxLayout(this);
  form->setContentsMargins(0, 0, 0, 0);
  form->setSpacing(0);
  form->addWidget(pnlTop);
  form->addWidget(lbStrings, 1);  // the list takes up every change of the dialog's size
  form->addWidget(pnlSource);
  form->addWidget(pnlBottom);

  setTabOrder(lbStrings, bbOK);
  // The line follows the row in focus however it moves: a click, the space bar, the arrows.
  connect(lbStrings, &QListWidget::currentRowChanged, this, &TdlgStrChoose::lbStringsClick);

  if (QScreen* screen = owner != nullptr ? owner->screen() : QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
}

void TdlgStrChoose::lbStringsClick() {
  const int row = lbStrings->currentRow();
  if (lang_strings == nullptr || row < 0 || row >= lang_strings->Count()) return;
  const std::int32_t line = lang_strings->Items(row).LineIndex;
  // Entries come from these very lines; one outside them shows nothing rather than crash.
  if (line < 0 || static_cast<std::size_t>(line) >= source_lines.size()) return;
  pnlSource->setText(ShownText(source_lines[static_cast<std::size_t>(line)]));
}

void TdlgStrChoose::ChooseStrings(QWidget* owner, std::span<const std::string> lines,
                                  TLangStrings& strings) {
  TdlgStrChoose dialog(owner);
  const ShownDialog shown(dialog);
  dialog.setWindowTitle(QStringLiteral("Process strings - ") +
                        ShownText(FileNamePart(kNativePathStyle, CurFileName)));
  const std::vector<TSuggestion> suggestions = SuggestMarks(lines, strings);
  for (std::int32_t i = 0; i < strings.Count(); ++i) {
    auto* item = new QListWidgetItem(ShownText(strings.Items(i).Text), dialog.lbStrings);
    item->setData(kSuggestedMarkRole,
                  suggestions[static_cast<std::size_t>(i)].suggest == TSuggest::kMark);
  }
  // No row is in focus until the user picks one, so the source panel stays blank; without
  // this the list would focus its first row when it gets the keyboard focus.
  dialog.lbStrings->setCurrentIndex(QModelIndex());
  dialog.source_lines = lines;
  dialog.lang_strings = &strings;

  // How the dialog was closed does not matter: OK, Enter, Esc and the close box all keep
  // the marks as they stand.
  dialog.exec();
  for (std::int32_t i = 0; i < strings.Count(); ++i)
    strings.Items(i).Chosen = dialog.lbStrings->item(i)->isSelected();
}

}  // namespace polyverb
