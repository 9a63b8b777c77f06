#include "effects/ui/tlo_frm.h"

#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScreen>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTabBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <system_error>
#include <utility>

#include "app/save_check.h"
#include "app/screen_fit.h"
#include "app/tr.h"
#include "app/window_placement.h"
#include "effects/ui/tlo_view_frm.h"
#include "platform/file_util.h"

namespace mosaicer {

// The cell editor: text that cannot become a step number is dropped as it
// is typed, so 0, 901 or a letter never stays in the box.
class StepDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                        const QModelIndex&) const override {
    auto* edit = new QLineEdit(parent);
    edit->setFrame(false);
    edit->setAlignment(Qt::AlignCenter);
    QObject::connect(edit, &QLineEdit::textEdited, edit, [edit](const QString& text) {
      if (!text.isEmpty() && EffectGrid::ParseStep(text.toStdString()) == 0) edit->clear();
    });
    editor_ = edit;
    return edit;
  }

  // Hands an open editor's text to its cell and closes it, so a command
  // started by a shortcut sees what was typed.
  void Commit() {
    if (!editor_) return;
    QWidget* editor = editor_;
    editor_ = nullptr;
    emit commitData(editor);
    emit closeEditor(editor);
  }

 private:
  mutable QPointer<QLineEdit> editor_;
};

namespace {

constexpr const char* kFormSection = "TloForm";
constexpr const char* kTloSection = "Tlo";
constexpr Placement kDefaultPlacement{100, 100, 650, 560};
constexpr int kMinWidth = 500;
constexpr int kMinHeight = 380;
constexpr int kColumnWidth = 22;
constexpr int kDefaultRowHeight = 15;
constexpr int kMaxRowHeight = 200;
constexpr int kCellFontPixels = 10;
constexpr const char* kTempPrefix = "tlo";
constexpr TrText kUnsavedQuestion{N_("The effect has changed. Save it?")};
constexpr auto kEditTriggers = QAbstractItemView::DoubleClicked |
                               QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed;

const char* OwnNameKey(EffectLanguage language) {
  return language == EffectLanguage::English ? "AuthorE" : "AuthorJ";
}

QString Q(const std::string& text) { return QString::fromStdString(text); }

// Deletes a file when the scope ends, however it ends.
class RemovedOnExit {
 public:
  explicit RemovedOnExit(std::filesystem::path path) : path_(std::move(path)) {}
  ~RemovedOnExit() {
    std::error_code ec;
    std::filesystem::remove(path_, ec);
  }
  RemovedOnExit(const RemovedOnExit&) = delete;
  RemovedOnExit& operator=(const RemovedOnExit&) = delete;

 private:
  std::filesystem::path path_;
};

}  // namespace

TTloFrm::TTloFrm(Dialogs& dialogs, TTloViewFrm& viewer, QWidget* parent)
    : QDialog(parent),
      dialogs_(dialogs),
      viewer_(viewer),
      rowHeight_(kDefaultRowHeight),
      TileGrid_(new QTableWidget(EffectGrid::kRows + 1, EffectGrid::kColumns + 1, this)),
      StepDelegate_(new StepDelegate(TileGrid_)),
      InfoTab_(new QTabBar(this)),
      TitleLbl_(new QLabel(Tq("Title:"), this)),
      TitleEdit_(new QLineEdit(this)),
      AuthorLbl_(new QLabel(Tq("Author:"), this)),
      AuthorEdit_(new QLineEdit(this)),
      CommentLbl_(new QLabel(Tq("Description:"), this)),
      CommentEdit_(new QLineEdit(this)),
      SaveBtn_(new QPushButton(Tq("&Save"), this)),
      OpenBtn_(new QPushButton(Tq("&Open"), this)),
      TestBtn_(new QPushButton(Tq("&Test"), this)),
      ClearBtn_(new QPushButton(Tq("&Clear"), this)),
      ModeBtn_(new QPushButton(Tq("Touch mode"), this)) {
  setObjectName("TloFrm");
  setWindowTitle(Tq("Effect Editor"));
  setModal(true);
  TileGrid_->setObjectName("TileGrid");
  TileGrid_->setAccessibleName(Tq("Tiles"));
  InfoTab_->setObjectName("InfoTab");
  TitleLbl_->setObjectName("TitleLbl");
  TitleEdit_->setObjectName("TitleEdit");
  AuthorLbl_->setObjectName("AuthorLbl");
  AuthorEdit_->setObjectName("AuthorEdit");
  CommentLbl_->setObjectName("CommentLbl");
  CommentEdit_->setObjectName("CommentEdit");
  SaveBtn_->setObjectName("SaveBtn");
  OpenBtn_->setObjectName("OpenBtn");
  TestBtn_->setObjectName("TestBtn");
  ClearBtn_->setObjectName("ClearBtn");
  ModeBtn_->setObjectName("ModeBtn");
  ModeBtn_->setCheckable(true);
  // Return typed into a cell must not press a button.
  for (QPushButton* button : {SaveBtn_, OpenBtn_, TestBtn_, ClearBtn_, ModeBtn_})
    button->setAutoDefault(false);

  // Row 0 and column 0 carry the header numbers; the table's own headers
  // show the same numbers and stay in view while the tiles scroll.
  QStringList columnLabels{QString()};
  for (int c = 1; c <= EffectGrid::kColumns; ++c) {
    columnLabels << QString::number(c - 1);
    auto* item = new QTableWidgetItem(QString::number(c - 1));
    item->setFlags(Qt::ItemIsEnabled);
    TileGrid_->setItem(0, c, item);
  }
  QStringList rowLabels{QString()};
  for (int r = 1; r <= EffectGrid::kRows; ++r) {
    rowLabels << QString::number(r - 1);
    auto* item = new QTableWidgetItem(QString::number(r - 1));
    item->setFlags(Qt::ItemIsEnabled);
    TileGrid_->setItem(r, 0, item);
  }
  TileGrid_->setItem(0, 0, new QTableWidgetItem);
  TileGrid_->item(0, 0)->setFlags(Qt::ItemIsEnabled);
  for (int c = 1; c <= EffectGrid::kColumns; ++c)
    for (int r = 1; r <= EffectGrid::kRows; ++r) {
      auto* item = new QTableWidgetItem;
      item->setTextAlignment(Qt::AlignCenter);
      TileGrid_->setItem(r, c, item);
    }
  TileGrid_->setHorizontalHeaderLabels(columnLabels);
  TileGrid_->setVerticalHeaderLabels(rowLabels);
  TileGrid_->setRowHidden(0, true);
  TileGrid_->setColumnHidden(0, true);
  QHeaderView* columns = TileGrid_->horizontalHeader();
  columns->setMinimumSectionSize(1);
  columns->setDefaultSectionSize(kColumnWidth);
  columns->setSectionResizeMode(QHeaderView::Fixed);
  QHeaderView* rows = TileGrid_->verticalHeader();
  rows->setMinimumSectionSize(1);
  rows->setDefaultSectionSize(rowHeight_);
  rows->setSectionResizeMode(QHeaderView::Fixed);
  // Three digits must fit a 22-pixel column.
  QFont cellFont = TileGrid_->font();
  cellFont.setPixelSize(kCellFontPixels);
  TileGrid_->setFont(cellFont);
  TileGrid_->setTextElideMode(Qt::ElideNone);
  TileGrid_->setItemDelegate(StepDelegate_);
  TileGrid_->setEditTriggers(kEditTriggers);
  TileGrid_->setSelectionMode(QAbstractItemView::SingleSelection);

  InfoTab_->setExpanding(false);
  InfoTab_->addTab(Tq("Japanese"));
  InfoTab_->addTab(Tq("English"));
  // One set of boxes under both tabs; the tab picks the language they edit.
  auto* infoPage = new QFrame(this);
  infoPage->setFrameStyle(QFrame::StyledPanel | QFrame::Plain);
  auto* infoLayout = new QGridLayout(infoPage);
  QLabel* const labels[] = {TitleLbl_, AuthorLbl_, CommentLbl_};
  QLineEdit* const edits[] = {TitleEdit_, AuthorEdit_, CommentEdit_};
  for (int i = 0; i < 3; ++i) {
    labels[i]->setBuddy(edits[i]);
    infoLayout->addWidget(labels[i], i, 0);
    infoLayout->addWidget(edits[i], i, 1);
  }
  auto* info = new QVBoxLayout;
  info->setSpacing(0);
  info->addWidget(InfoTab_);
  info->addWidget(infoPage);

  auto* buttons = new QGridLayout;
  buttons->addWidget(SaveBtn_, 0, 0);
  buttons->addWidget(OpenBtn_, 0, 1);
  buttons->addWidget(TestBtn_, 1, 0);
  buttons->addWidget(ClearBtn_, 1, 1);
  buttons->addWidget(ModeBtn_, 2, 0, 1, 2);
  buttons->setRowStretch(3, 1);

  auto* bottom = new QHBoxLayout;
  bottom->addLayout(info, 1);
  bottom->addLayout(buttons);
  auto* layout = new QVBoxLayout(ScrollingBody(*this));
  layout->addWidget(TileGrid_, 1);
  layout->addLayout(bottom);

  FitSizeLimits(*this, QSize(kMinWidth, kMinHeight), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));

  TileGrid_->installEventFilter(this);
  connect(TileGrid_, &QTableWidget::itemChanged, this,
          [this](QTableWidgetItem* item) { TileGridItemChanged(item); });
  // A quick second press on the same cell arrives as a double click; in
  // touch mode it counts as a press like any other.
  connect(TileGrid_, &QTableWidget::cellPressed, this,
          [this](int row, int column) { TileGridPressed(row, column); });
  connect(TileGrid_, &QTableWidget::cellDoubleClicked, this,
          [this](int row, int column) { TileGridPressed(row, column); });
  connect(InfoTab_, &QTabBar::currentChanged, this, [this](int index) { InfoTabChange(index); });
  connect(SaveBtn_, &QPushButton::clicked, this, [this] { SaveBtnClick(); });
  connect(OpenBtn_, &QPushButton::clicked, this, [this] { OpenBtnClick(); });
  connect(TestBtn_, &QPushButton::clicked, this, [this] { TestBtnClick(); });
  connect(ClearBtn_, &QPushButton::clicked, this, [this] { ClearBtnClick(); });
  connect(ModeBtn_, &QPushButton::clicked, this, [this](bool down) { ModeBtnClick(down); });
  saved_ = Current();
}

TTloFrm::Content TTloFrm::Current() const {
  Content content;
  content.cells.reserve(static_cast<std::size_t>(EffectGrid::kColumns * EffectGrid::kRows));
  for (int col = 0; col < EffectGrid::kColumns; ++col)
    for (int row = 0; row < EffectGrid::kRows; ++row) content.cells.push_back(grid_.Cell(col, row));
  // The boxes on view may hold text not yet stored in the model.
  for (EffectLanguage language : {EffectLanguage::Japanese, EffectLanguage::English}) {
    EffectTexts texts = grid_.Texts(language);
    if (language == shown_) {
      texts.Title = TitleEdit_->text().toStdString();
      texts.Comment = CommentEdit_->text().toStdString();
    }
    texts.OwnName.clear();  // a setting of the user, not part of the effect
    content.texts[static_cast<int>(language)] = texts;
  }
  return content;
}

bool TTloFrm::Unsaved() {
  StepDelegate_->Commit();
  const Content now = Current();
  const bool empty =
      std::all_of(now.cells.begin(), now.cells.end(), [](int n) { return n == 0; }) &&
      now.texts[0] == EffectTexts{} && now.texts[1] == EffectTexts{};
  return !empty && now != saved_;
}

bool TTloFrm::MayDiscard() {
  if (!Unsaved()) return true;
  switch (dialogs_.AskSave(this, kUnsavedQuestion)) {
    case SaveAnswer::Save:
      return WriteEffect(false);
    case SaveAnswer::Discard:
      return true;
    case SaveAnswer::Cancel:
      break;
  }
  return false;
}

bool TTloFrm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == TileGrid_ && event->type() == QEvent::Resize) FitCells();
  return QDialog::eventFilter(watched, event);
}

void TTloFrm::FitCells() {
  // The area inside the headers, without scroll bars: what the cells may fill.
  QSize area = TileGrid_->maximumViewportSize();
  // Columns that cannot all fit bring a scroll bar, which takes height
  // from the rows, and the other way round.
  if (kColumnWidth * EffectGrid::kColumns > area.width())
    area.rheight() -= TileGrid_->horizontalScrollBar()->sizeHint().height();
  if (rowHeight_ * EffectGrid::kRows > area.height())
    area.rwidth() -= TileGrid_->verticalScrollBar()->sizeHint().width();
  const int width = std::max(kColumnWidth, area.width() / EffectGrid::kColumns);
  const int height = std::max(rowHeight_, area.height() / EffectGrid::kRows);
  QHeaderView* columns = TileGrid_->horizontalHeader();
  QHeaderView* rows = TileGrid_->verticalHeader();
  if (columns->defaultSectionSize() != width) {
    columns->setDefaultSectionSize(width);
    for (int c = 1; c <= EffectGrid::kColumns; ++c) columns->resizeSection(c, width);
  }
  if (rows->defaultSectionSize() != height) {
    rows->setDefaultSectionSize(height);
    for (int r = 1; r <= EffectGrid::kRows; ++r) rows->resizeSection(r, height);
  }
}

void TTloFrm::reject() {
  if (MayDiscard()) QDialog::reject();
}

void TTloFrm::ReadSettings(const IniFile& ini) {
  ReadPlacement(*this, ini, kFormSection, kDefaultPlacement);
  rowHeight_ = static_cast<int>(std::clamp<std::int64_t>(
      ini.ReadInteger(kFormSection, "RowHeight", kDefaultRowHeight), 1, kMaxRowHeight));
  TileGrid_->verticalHeader()->setDefaultSectionSize(rowHeight_);
  FitCells();
  for (EffectLanguage language : {EffectLanguage::Japanese, EffectLanguage::English})
    grid_.SetOwnName(language, ini.ReadString(kTloSection, OwnNameKey(language)));
  AuthorEdit_->setText(Q(grid_.Texts(shown_).OwnName));
}

void TTloFrm::WriteSettings(IniFile& ini) const {
  WritePlacement(*this, ini, kFormSection, true);
  ini.WriteInteger(kFormSection, "RowHeight", rowHeight_);
  // The name on view may have been typed since the boxes were last stored.
  for (EffectLanguage language : {EffectLanguage::Japanese, EffectLanguage::English})
    ini.WriteString(
        kTloSection, OwnNameKey(language),
        language == shown_ ? AuthorEdit_->text().toStdString() : grid_.Texts(language).OwnName);
}

bool TTloFrm::WriteEffect(bool test, const std::string& fileName) {
  StepDelegate_->Commit();
  StoreEditBoxes();
  const WriteCheck check = grid_.CheckWrite(test);
  if (!check.ok) {
    if (!check.message.empty()) Refuse(check.message);
    return false;
  }
  std::string target = fileName;
  // A read-only effect folder (the shared one) takes no new effects: the
  // dialog starts in the user's own folder, made for it.
  const bool ownInstead = !test && !ownTloDir_.empty() && ownTloDir_ != tloDir_ &&
                          IsReadOnly(tloDir_) && CreateFolders(ownTloDir_);
  if (!test) {
    const auto chosen =
        dialogs_.SaveFile(this, {}, ownInstead ? ownTloDir_ : tloDir_, kTloFilter, kTloExtension);
    if (!chosen) return false;
    target = *chosen;
  }
  if (!test && !MayReplace(dialogs_, this, target, SaveBeep::Yes)) return false;
  if (const IoStatus written = grid_.Write(target); !written) {
    dialogs_.Beep();
    dialogs_.Error(this, CannotWriteEffectMessage(target) + "\n" + written.error());
    return false;
  }
  if (!test) saved_ = Current();
  if (ownInstead && std::filesystem::path(target).parent_path() == ownTloDir_) tloDir_ = ownTloDir_;
  return true;
}

void TTloFrm::SaveBtnClick() { WriteEffect(false); }

void TTloFrm::OpenBtnClick() {
  if (!MayDiscard()) return;
  const auto file = dialogs_.OpenFile(this, std::string(), tloDir_, kTloFilter);
  if (!file) return;
  StepDelegate_->Commit();
  StoreEditBoxes();  // the own name on view stays
  if (std::string error; !grid_.Open(*file, &error)) {
    dialogs_.Beep();
    dialogs_.Error(this, CannotReadEffectMessage(*file) + (error.empty() ? "" : "\n" + error));
    return;
  }
  ModeBtn_->setChecked(false);
  SetCellEditing(true);
  ShowAllCells();
  FillEditBoxes();
  saved_ = Current();
}

void TTloFrm::TestBtnClick() {
  const std::filesystem::path folder = TempFolder();
  const std::filesystem::path file =
      folder.empty() ? std::filesystem::path() : MakeTempFile(folder, kTempPrefix);
  if (file.empty()) {
    dialogs_.Error(this, kCannotMakeTempFileMessage);
    return;
  }
  const RemovedOnExit removed(file);
  if (!WriteEffect(true, file.string())) return;
  viewer_.SetTestPicture(nullptr, 0);
  viewer_.LoadEffect(file.string());
  viewer_.exec();
}

void TTloFrm::ClearBtnClick() {
  StepDelegate_->Commit();
  if (!MayDiscard()) return;
  grid_.Clear();
  TitleEdit_->clear();
  CommentEdit_->clear();
  ShowAllCells();
}

void TTloFrm::ModeBtnClick(bool down) {
  if (!down) {
    grid_.LeaveTouchMode();
    SetCellEditing(true);
    return;
  }
  StepDelegate_->Commit();
  const StepCheck check = grid_.EnterTouchMode();
  if (!grid_.TouchMode()) {
    Refuse(StepCheckMessage(check, PositionStyle::Grid));
    ModeBtn_->setChecked(false);
    return;
  }
  SetCellEditing(false);
}

void TTloFrm::InfoTabChange(int index) {
  StoreEditBoxes();
  shown_ = index == static_cast<int>(EffectLanguage::English) ? EffectLanguage::English
                                                              : EffectLanguage::Japanese;
  FillEditBoxes();
}

void TTloFrm::TileGridItemChanged(QTableWidgetItem* item) {
  if (showing_ || item->row() < 1 || item->column() < 1) return;
  const int col = item->column() - 1;
  const int row = item->row() - 1;
  grid_.TypeCell(col, row, item->text().toStdString());
  ShowCell(col, row);
}

void TTloFrm::TileGridPressed(int row, int column) {
  if (!grid_.TouchMode() || row < 1 || column < 1) return;
  if (grid_.Touch(column - 1, row - 1)) ShowCell(column - 1, row - 1);
}

void TTloFrm::StoreEditBoxes() {
  grid_.SetTexts(shown_,
                 EffectTexts{TitleEdit_->text().toStdString(), AuthorEdit_->text().toStdString(),
                             CommentEdit_->text().toStdString()});
}

void TTloFrm::FillEditBoxes() {
  const EffectTexts& texts = grid_.Texts(shown_);
  TitleEdit_->setText(Q(texts.Title));
  AuthorEdit_->setText(Q(texts.OwnName));
  CommentEdit_->setText(Q(texts.Comment));
}

void TTloFrm::ShowCell(int col, int row) {
  const int number = grid_.Cell(col, row);
  const QString text = number > 0 ? QString::number(number) : QString();
  QTableWidgetItem* item = TileGrid_->item(row + 1, col + 1);
  if (item->text() == text) return;
  const QScopedValueRollback<bool> showing(showing_, true);
  item->setText(text);
}

void TTloFrm::ShowAllCells() {
  for (int col = 0; col < EffectGrid::kColumns; ++col)
    for (int row = 0; row < EffectGrid::kRows; ++row) ShowCell(col, row);
}

void TTloFrm::SetCellEditing(bool on) {
  if (!on) StepDelegate_->Commit();
  TileGrid_->setEditTriggers(on ? QAbstractItemView::EditTriggers(kEditTriggers)
                                : QAbstractItemView::NoEditTriggers);
}

void TTloFrm::Refuse(const std::string& message) {
  dialogs_.Beep();
  dialogs_.Error(this, message);
}

}  // namespace mosaicer
