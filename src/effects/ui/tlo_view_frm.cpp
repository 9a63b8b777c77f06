#include "effects/ui/tlo_view_frm.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTabBar>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cstring>

#include "app/bitmap_image.h"
#include "app/dialogs.h"
#include "app/screen_fit.h"
#include "app/tr.h"
#include "app/window_placement.h"
#include "core/subcode_pack.h"
#include "effects/tile_order.h"
#include "platform/file_util.h"

namespace mosaicer {

// The 300 x 216 screen image, drawn at its own size.
class TloScreenView : public QWidget {
 public:
  explicit TloScreenView(QWidget* parent) : QWidget(parent) {
    setFixedSize(kScreenWidth, kScreenHeight);
    image.fill(Qt::black);
  }
  QImage image{kScreenWidth, kScreenHeight, QImage::Format_RGB32};

 protected:
  void paintEvent(QPaintEvent*) override { QPainter(this).drawImage(0, 0, image); }
};

namespace {

constexpr const char* kFormSection = "TloViewForm";
constexpr const char* kViewSection = "TloView";
constexpr int kFixedHeight = 420;
constexpr int kMinWidth = 470;
constexpr int kMinInterval = 1;
constexpr int kMaxInterval = 1000;
constexpr int kDefaultInterval = 10;
constexpr Placement kDefaultPlacement{100, 100, 650, 560};
enum InfoPage { kJapanese = 0, kEnglish = 1 };

// The picture shown when the caller has none of the right size: every
// pixel is entry 1 of a 16-entry table that is black but for blue there.
Bitmap BluePicture() {
  Bitmap picture = *Bitmap::Create(kScreenWidth, kScreenHeight, 4).bitmap;
  picture.SetPaletteCount(kColourCount);
  picture.SetPaletteEntry(1, PaletteEntry{0, 0, 255, 0});
  for (int y = 0; y < kScreenHeight; ++y)
    for (int x = 0; x < kScreenWidth; ++x) picture.SetPixelIndex(x, y, 1);
  return picture;
}

}  // namespace

TTloViewFrm::TTloViewFrm(QWidget* parent)
    : QDialog(parent),
      ScreenPanel_(new QFrame(this)),
      TloScreen_(new TloScreenView(ScreenPanel_)),
      InfoTab_(new QTabBar(this)),
      TitleLbl_(new QLabel(Tq("Title:"), this)),
      TitleEdit_(new QLineEdit(this)),
      AuthorLbl_(new QLabel(Tq("Author:"), this)),
      AuthorEdit_(new QLineEdit(this)),
      EditedByLbl_(new QLabel(Tq("Edited by:"), this)),
      EditedByEdit_(new QLineEdit(this)),
      CommentLbl_(new QLabel(Tq("Description:"), this)),
      CommentEdit_(new QLineEdit(this)),
      IntervalLbl_(new QLabel(Tq("Interval:"), this)),
      IntervalUd_(new QSpinBox(this)),
      MsecLbl_(new QLabel(QStringLiteral("msec"), this)),
      TestBtn_(new QPushButton(Tq("&Test"), this)),
      CloseBtn_(new QPushButton(Tq("&Close"), this)) {
  setObjectName("TloViewFrm");
  setWindowTitle(Tq("Effect Viewer"));
  setModal(true);
  ScreenPanel_->setObjectName("ScreenPanel");
  TloScreen_->setObjectName("TloScreen");
  InfoTab_->setObjectName("InfoTab");
  TitleEdit_->setObjectName("TitleEdit");
  AuthorEdit_->setObjectName("AuthorEdit");
  EditedByEdit_->setObjectName("EditedByEdit");
  CommentEdit_->setObjectName("CommentEdit");
  IntervalUd_->setObjectName("IntervalUd");
  // The spin box's own edit is the interval edit box.
  if (auto* edit = IntervalUd_->findChild<QLineEdit*>()) edit->setObjectName("IntervalEdit");
  TestBtn_->setObjectName("TestBtn");
  CloseBtn_->setObjectName("CloseBtn");

  ScreenPanel_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  auto* panelLayout = new QVBoxLayout(ScreenPanel_);
  panelLayout->setContentsMargins(1, 1, 1, 1);
  panelLayout->addWidget(TloScreen_);
  ScreenPanel_->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);

  InfoTab_->setExpanding(false);
  InfoTab_->addTab(Tq("Japanese"));
  InfoTab_->addTab(Tq("English"));
  QLabel* const labels[] = {TitleLbl_, AuthorLbl_, EditedByLbl_, CommentLbl_};
  QLineEdit* const edits[] = {TitleEdit_, AuthorEdit_, EditedByEdit_, CommentEdit_};
  // The boxes sit on one page under the tabs; the tab only picks the language.
  auto* infoPage = new QFrame(this);
  infoPage->setFrameStyle(QFrame::StyledPanel | QFrame::Plain);
  auto* infoLayout = new QGridLayout(infoPage);
  for (int i = 0; i < 4; ++i) {
    edits[i]->setReadOnly(true);
    labels[i]->setBuddy(edits[i]);
    infoLayout->addWidget(labels[i], i, 0);
    infoLayout->addWidget(edits[i], i, 1);
  }

  IntervalUd_->setRange(kMinInterval, kMaxInterval);
  IntervalUd_->setValue(kDefaultInterval);
  IntervalLbl_->setBuddy(IntervalUd_);
  auto* intervalRow = new QHBoxLayout;
  intervalRow->addWidget(IntervalLbl_);
  intervalRow->addWidget(IntervalUd_);
  intervalRow->addWidget(MsecLbl_);
  intervalRow->addStretch();
  auto* controls = new QVBoxLayout;
  controls->addLayout(intervalRow);
  controls->addStretch();
  controls->addWidget(TestBtn_);
  controls->addWidget(CloseBtn_);

  auto* top = new QHBoxLayout;
  top->addWidget(ScreenPanel_);
  top->addLayout(controls);
  auto* layout = new QVBoxLayout(ScrollingBody(*this));
  layout->setSpacing(4);
  layout->addLayout(top);
  auto* info = new QVBoxLayout;
  info->setSpacing(0);
  info->addWidget(InfoTab_);
  info->addWidget(infoPage);
  layout->addLayout(info);
  layout->addStretch();

  // The height is held; the width may grow to the screen's.
  FitSizeLimits(*this, QSize(kMinWidth, kFixedHeight), QSize(QWIDGETSIZE_MAX, kFixedHeight));

  connect(InfoTab_, &QTabBar::currentChanged, this, [this] { InfoTabChange(); });
  connect(TestBtn_, &QPushButton::clicked, this, [this] { PlayEffect(); });
  connect(CloseBtn_, &QPushButton::clicked, this, [this] { CloseBtnClick(); });
}

QImage TTloViewFrm::Screen() const { return TloScreen_->image; }

bool TTloViewFrm::SetTestPicture(const Bitmap* picture, std::uint32_t background) {
  if (picture && picture->Width() == kScreenWidth && picture->Height() == kScreenHeight)
    picture_ = *picture;
  else
    picture_ = BluePicture();
  pictureImage_ = ToQImage(picture_);
  background_ = background;
  TloScreen_->image.fill(ToQColor(background_));
  TloScreen_->update();
  return true;
}

bool TTloViewFrm::LoadEffect(const std::string& fileName) {
  fileName_ = fileName;
  header_ = fileName.empty() ? TTloFile() : TTloFile(fileName);
  // The page of the windows' language, or the Japanese one when the effect
  // has no English texts.
  const bool hasEnglish = !header_.TitleE.empty() || !header_.CommentE.empty();
  const int page = CurrentLanguage() == Language::English && hasEnglish ? kEnglish : kJapanese;
  if (InfoTab_->currentIndex() != page)
    InfoTab_->setCurrentIndex(page);  // shows the page through InfoTabChange
  else
    InfoTabChange();
  return true;
}

void TTloViewFrm::InfoTabChange() {
  const bool english = InfoTab_->currentIndex() == kEnglish;
  const auto show = [](QLineEdit* edit, const std::string& text) {
    edit->setText(QString::fromStdString(text));
    edit->setCursorPosition(0);
  };
  show(TitleEdit_, english ? header_.TitleE : header_.TitleJ);
  show(AuthorEdit_, english ? header_.AuthorE : header_.AuthorJ);
  show(EditedByEdit_, english ? header_.EditedByE : header_.EditedByJ);
  show(CommentEdit_, english ? header_.CommentE : header_.CommentJ);
}

void TTloViewFrm::PlayEffect() {
  if (playing_) return;
  TloScreen_->image.fill(ToQColor(background_));
  TloScreen_->update();
  if (picture_.Width() < kScreenWidth || picture_.Height() < kScreenHeight) return;
  stop_ = false;
  // An unreadable file gives an empty order and paints nothing.
  const TileOrder order =
      !fileName_.empty() && FileExists(fileName_) ? ReadTileOrder(fileName_) : DefaultTileOrder();
  playing_ = true;
  TestBtn_->setEnabled(false);
  for (std::size_t i = 0; i < order.size(); ++i) {
    if (i > 0) Pause(IntervalUd_->value());
    CopyTile(order[i]);
    TloScreen_->update();
    QCoreApplication::processEvents();
    if (stop_) break;
  }
  TestBtn_->setEnabled(true);
  playing_ = false;
}

void TTloViewFrm::CopyTile(const TileOrderEntry& tile) {
  const int x = tile.Col * kTileWidth;
  const int y = tile.Row * kTileHeight;
  QImage& screen = TloScreen_->image;
  if (x + kTileWidth > screen.width() || y + kTileHeight > screen.height()) return;
  for (int row = y; row < y + kTileHeight; ++row)
    std::memcpy(reinterpret_cast<QRgb*>(screen.scanLine(row)) + x,
                reinterpret_cast<const QRgb*>(pictureImage_.constScanLine(row)) + x,
                kTileWidth * sizeof(QRgb));
}

void TTloViewFrm::Pause(int ms) {
  if (stop_) return;
  QEventLoop loop;
  QTimer timer;
  timer.setSingleShot(true);
  timer.setTimerType(Qt::PreciseTimer);
  connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
  timer.start(ms);
  pause_ = &loop;
  loop.exec();
  pause_ = nullptr;
}

void TTloViewFrm::Stop() {
  stop_ = true;
  if (pause_) pause_->quit();
}

void TTloViewFrm::CloseBtnClick() {
  Stop();
  close();
}

void TTloViewFrm::closeEvent(QCloseEvent* event) {
  Stop();
  QDialog::closeEvent(event);
}

void TTloViewFrm::done(int result) {
  Stop();
  QDialog::done(result);
}

void TTloViewFrm::ReadSettings(const IniFile& ini) {
  ReadPlacement(*this, ini, kFormSection, kDefaultPlacement);
  const auto interval = ini.ReadInteger(kViewSection, "Interval", kDefaultInterval);
  IntervalUd_->setValue(
      static_cast<int>(std::clamp<std::int64_t>(interval, kMinInterval, kMaxInterval)));
}

void TTloViewFrm::WriteSettings(IniFile& ini) const {
  WritePlacement(*this, ini, kFormSection, true);
  ini.WriteInteger(kViewSection, "Interval", IntervalUd_->value());
}

}  // namespace mosaicer
