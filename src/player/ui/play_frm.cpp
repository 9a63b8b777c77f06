#include "player/ui/play_frm.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include <cstdio>
#include <filesystem>
#include <system_error>
#include <thread>

#include "app/progress_dialogs.h"
#include "app/save_check.h"
#include "app/screen_fit.h"
#include "app/tr.h"
#include "app/window_placement.h"
#include "core/subcode_pack.h"
#include "platform/file_util.h"
#include "player/player_settings.h"
#include "player/stereo_changer.h"
#include "player/ui/cdg_display.h"
#include "ripper/disc_title.h"
#include "ripper/image_drive.h"
#include "title/title_source.h"
#include "video/video_export.h"
#include "video/video_module.h"

namespace mosaicer {
namespace {

constexpr const char* kFormSection = "PlayForm";
constexpr const char* kDisplaySection = "CdgForm";
constexpr Placement kFormPlacement{100, 100, TPlayFrm::kMinWidth, TPlayFrm::kFixedHeight};
constexpr Placement kDisplayPlacement{100, 500, 313, 229};

QAction* MakeAction(QWidget* owner, const char* name, const QString& text,
                    const QKeySequence& shortcut = {}) {
  auto* action = new QAction(text, owner);
  action->setObjectName(name);
  action->setShortcut(shortcut);
  owner->addAction(action);  // its shortcut works while the window is active
  return action;
}

// A push button that shows an action's caption and state and runs it.
QPushButton* ActionButton(QWidget* owner, const char* name, QAction* action) {
  auto* button = new QPushButton(owner);
  button->setObjectName(name);
  button->setAutoDefault(false);
  const auto follow = [button, action] {
    button->setText(action->text());
    button->setEnabled(action->isEnabled());
  };
  follow();
  QObject::connect(action, &QAction::changed, button, follow);
  QObject::connect(button, &QPushButton::clicked, action, &QAction::trigger);
  return button;
}

QString Text(const std::string& s) { return QString::fromStdString(s); }

constexpr const char* kDiscImageFilter =
    N_("Disc images (*.ccd;*.toc;*.cue)|*.ccd;*.toc;*.cue|All Files|*.*");
constexpr int kMaxTrack = 99;

std::string CannotPlayMessage(const std::string& path) {
  return Format(Tr("Cannot play \"%1\": the file could not be read."), {path});
}

// Why `path` cannot be played, checked before the worker starts; empty when
// it looks like a CDG file or is an MP3+G title. A file of whole 96-byte records that are not
// whole 2448-byte sectors is bare subcode without its audio.
std::string PlayableProblem(const std::string& path) {
  if (const IoStatus input = CheckInputFile(path); !input)
    return Format(Tr("Cannot play \"%1\".\n"), {path}) + input.error();
  // An MP3+G zip, or bare subcode with its song beside it: opened once here
  // so that a damaged one is refused with its reason.
  if (LooksLikeZip(path) || !FindSongBeside(path).empty()) {
    const TitleOpenResult title = OpenTitle(path);
    if (!title.ok()) return Format(Tr("Cannot play \"%1\".\n"), {path}) + title.error;
    if (title.source->Sectors() > 0) return {};
  }
  std::error_code ec;
  const std::uintmax_t size = std::filesystem::file_size(path, ec);
  if (ec) return Format(Tr("Cannot play \"%1\".\n"), {path}) + ec.message();
  if (size < kCdgSectorSize || GuessFormat(size) != SubcodeFormat::Cdg)
    return Format(Tr("\"%1\" is not a CDG file. "), {path}) +
           (size > 0 && size % kSubcodeBytesPerSector == 0
                ? Tr("It holds subcode only, without its audio.")
                : Tr("A CDG file is a run of 2448-byte sectors."));
  return {};
}

}  // namespace

TPlayFrm::TPlayFrm(Dialogs& dialogs, TCdgDisplay& display, QWidget* parent)
    : QDialog(parent),
      dialogs_(dialogs),
      display_(display),
      source_(std::make_unique<TCdgIn>()),
      PlayPlay_(MakeAction(this, "PlayPlay", QStringLiteral("&Play"))),
      PlayStop_(MakeAction(this, "PlayStop", QStringLiteral("&Stop"))),
      PlayPause_(MakeAction(this, "PlayPause", QStringLiteral("P&ause"))),
      CdgShow_(MakeAction(this, "CdgShow", QStringLiteral("&CD+G"), QKeySequence(Qt::Key_F9))),
      CdgBmp_(MakeAction(this, "CdgBmp", QStringLiteral(".B&MP"), QKeySequence(Qt::Key_F10))),
      CdgBmpEx_(MakeAction(this, "CdgBmpEx", QStringLiteral(".B&MP"),
                           QKeySequence(Qt::CTRL | Qt::Key_F10))),
      CdgOpen_(MakeAction(this, "CdgOpen", QStringLiteral("&Browse"))),
      CdgBmpDir_(MakeAction(this, "CdgBmpDir", QStringLiteral("B&rowse"))),
      CdgVideo_(MakeAction(this, "CdgVideo", Tq("Export &video..."))),
      DiscCk_(new QCheckBox(Tq("&Disc"), this)),
      PathEdit_(new QLineEdit(this)),
      BrowseBtn_(ActionButton(this, "BrowseBtn", CdgOpen_)),
      DriveCmb_(new QComboBox(this)),
      TrackLbl_(new QLabel(Tq("&Track:"), this)),
      TrackUd_(new QSpinBox(this)),
      ImageBtn_(new QPushButton(Tq("&Image..."), this)),
      PlayBtn_(ActionButton(this, "PlayBtn", PlayPlay_)),
      StopBtn_(ActionButton(this, "StopBtn", PlayStop_)),
      PauseBtn_(ActionButton(this, "PauseBtn", PlayPause_)),
      RepeatCk_(new QCheckBox(QStringLiteral("Repeat"), this)),
      DispBtn_(ActionButton(this, "DispBtn", CdgShow_)),
      BmpBtn_(ActionButton(this, "BmpBtn", CdgBmp_)),
      VideoBtn_(ActionButton(this, "VideoBtn", CdgVideo_)),
      StereoLbl_(new QLabel(Tq("Stereo mode:"), this)),
      StereoCmb_(new QComboBox(this)),
      SizeLbl_(new QLabel(Tq("Frames per read:"), this)),
      SizeUd_(new QSpinBox(this)),
      OnMemCk_(new QCheckBox(Tq("Buffer in memory"), this)),
      GroupBox1_(new QGroupBox(Tq(" Display "), this)),
      SizeableCk_(new QCheckBox(Tq("Resizable screen"), GroupBox1_)),
      ScrollCk_(new QCheckBox(Tq("Simple scrolling"), GroupBox1_)),
      BmpPathLbl_(new QLabel(Tq("BMP folder:"), this)),
      BmpPathEdit_(new QLineEdit(this)),
      Button1_(ActionButton(this, "Button1", CdgBmpDir_)),
      StatusLbl_(new QLabel(this)) {
  setObjectName("PlayFrm");
  setWindowTitle(QStringLiteral("CD+G Player"));
  PathEdit_->setObjectName("PathEdit");
  DiscCk_->setObjectName("DiscCk");
  DriveCmb_->setObjectName("DriveCmb");
  DriveCmb_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  DriveCmb_->setMinimumContentsLength(8);
  TrackLbl_->setObjectName("TrackLbl");
  TrackUd_->setObjectName("TrackUd");
  TrackUd_->setRange(1, kMaxTrack);
  TrackLbl_->setBuddy(TrackUd_);
  ImageBtn_->setObjectName("ImageBtn");
  ImageBtn_->setAutoDefault(false);
  RepeatCk_->setObjectName("RepeatCk");
  StereoLbl_->setObjectName("StereoLbl");
  StereoCmb_->setObjectName("StereoCmb");
  for (const char* caption : kStereoModeCaptions) StereoCmb_->addItem(Tq(caption));
  StereoCmb_->setCurrentIndex(kStereoModeStereo);
  SizeLbl_->setObjectName("SizeLbl");
  SizeUd_->setObjectName("SizeUd");
  SizeUd_->setRange(kMinReadAtOnce, kMaxReadAtOnce);
  SizeUd_->setValue(TCdgIn::kDefaultReadAtOnce);
  OnMemCk_->setObjectName("OnMemCk");
  GroupBox1_->setObjectName("GroupBox1");
  // As the display and the decoder start: fixed size, scrolls redrawn at once.
  SizeableCk_->setObjectName("SizeableCk");
  ScrollCk_->setObjectName("ScrollCk");
  BmpPathLbl_->setObjectName("BmpPathLbl");
  BmpPathEdit_->setObjectName("BmpPathEdit");
  StereoLbl_->setBuddy(StereoCmb_);
  SizeLbl_->setBuddy(SizeUd_);
  BmpPathLbl_->setBuddy(BmpPathEdit_);

  auto* layout = new QVBoxLayout(ScrollingBody(*this));
  auto* pathRow = new QHBoxLayout;
  pathRow->addWidget(DiscCk_);
  pathRow->addWidget(PathEdit_, 1);
  pathRow->addWidget(BrowseBtn_);
  pathRow->addWidget(DriveCmb_, 1);
  pathRow->addWidget(TrackLbl_);
  pathRow->addWidget(TrackUd_);
  pathRow->addWidget(ImageBtn_);
  for (QWidget* disc : std::initializer_list<QWidget*>{DriveCmb_, TrackLbl_, TrackUd_, ImageBtn_})
    disc->hide();
  layout->addLayout(pathRow);
  auto* playRow = new QHBoxLayout;
  playRow->addWidget(PlayBtn_);
  playRow->addWidget(StopBtn_);
  playRow->addWidget(PauseBtn_);
  playRow->addWidget(RepeatCk_);
  playRow->addWidget(DispBtn_);
  playRow->addWidget(BmpBtn_);
  layout->addLayout(playRow);
  auto* optionRow = new QHBoxLayout;
  optionRow->addWidget(StereoLbl_);
  optionRow->addWidget(StereoCmb_);
  optionRow->addSpacing(12);
  optionRow->addWidget(SizeLbl_);
  optionRow->addWidget(SizeUd_);
  optionRow->addStretch(1);
  layout->addLayout(optionRow);
  layout->addWidget(OnMemCk_);
  auto* drawing = new QHBoxLayout(GroupBox1_);
  drawing->addWidget(SizeableCk_);
  drawing->addWidget(ScrollCk_);
  drawing->addStretch(1);
  layout->addWidget(GroupBox1_);
  auto* bmpRow = new QHBoxLayout;
  bmpRow->addWidget(BmpPathLbl_);
  bmpRow->addWidget(BmpPathEdit_, 1);
  bmpRow->addWidget(Button1_);
  bmpRow->addWidget(VideoBtn_);
  layout->addLayout(bmpRow);
  playRow->insertWidget(playRow->count() - 2, StatusLbl_, 1);

  // Fixed height; the width may grow to the screen's.
  FitSizeLimits(*this, QSize(kMinWidth, kFixedHeight), QSize(QWIDGETSIZE_MAX, kFixedHeight));
  resize(kMinWidth, kFixedHeight);

  PlayStop_->setEnabled(false);
  PlayPause_->setEnabled(false);
  StatusLbl_->setObjectName("StatusLbl");
  StatusLbl_->setMinimumWidth(0);
  StatusLbl_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  PathEdit_->setAccessibleName(Tq("CDG file"));
  DriveCmb_->setAccessibleName(Tq("Drive"));
  SizeUd_->setAccessibleName(SizeLbl_->text().chopped(1));

  // The display answers the player's keys too: F9, F10, Ctrl+F10, and Escape
  // closes the player as it does in the player itself.
  display_.addAction(CdgShow_);
  display_.addAction(CdgBmp_);
  display_.addAction(CdgBmpEx_);
  auto* close = new QAction(&display_);
  close->setObjectName("CdgClose");
  close->setShortcut(QKeySequence(Qt::Key_Escape));
  display_.addAction(close);
  connect(close, &QAction::triggered, this, [this] { reject(); });

  connect(PathEdit_, &QLineEdit::textChanged, this, [this] { UpdateCommands(); });
  connect(DiscCk_, &QCheckBox::toggled, this, [this] { DiscCkClick(); });
  connect(ImageBtn_, &QPushButton::clicked, this, [this] { ImageBtnClick(); });
  connect(DriveCmb_, &QComboBox::currentIndexChanged, this, [this] { UpdateCommands(); });
  connect(BmpPathEdit_, &QLineEdit::textChanged, this, [this] { UpdateCommands(); });
  connect(PlayPlay_, &QAction::triggered, this, [this] { PlayPlayExecute(); });
  connect(PlayStop_, &QAction::triggered, this, [this] { PlayStopExecute(); });
  connect(PlayPause_, &QAction::triggered, this, [this] { PlayPauseExecute(); });
  connect(CdgShow_, &QAction::triggered, this, [this] { CdgShowExecute(); });
  connect(CdgBmp_, &QAction::triggered, this, [this] { CdgBmpExecute(); });
  connect(CdgBmpEx_, &QAction::triggered, this, [this] { CdgBmpExExecute(); });
  connect(CdgOpen_, &QAction::triggered, this, [this] { CdgOpenExecute(); });
  connect(CdgBmpDir_, &QAction::triggered, this, [this] { CdgBmpDirExecute(); });
  connect(CdgVideo_, &QAction::triggered, this, [this] { CdgVideoExecute(); });
  connect(StereoCmb_, &QComboBox::currentIndexChanged, this,
          [this](int index) { StereoCmbChange(index); });
  connect(RepeatCk_, &QCheckBox::toggled, this, [this] { RepeatCkClick(); });
  connect(SizeableCk_, &QCheckBox::toggled, this, [this] { SizeableCkClick(); });
  connect(ScrollCk_, &QCheckBox::toggled, this, [this] { ScrollCkClick(); });
  UpdateCommands();
}

TPlayFrm::~TPlayFrm() {
  // Stop and join the worker while the window can still take its posts;
  // posts not yet delivered go with the window.
  source_.reset();
}

// ---- Settings ----------------------------------------------------------------

void TPlayFrm::ReadSettings(const IniFile& ini) {
  ReadPlacement(*this, ini, kFormSection, kFormPlacement);
  const PlayerSettings s = PlayerSettings::Read(ini, DefaultBmpFolder(ProgramPath()).string());
  BmpPathEdit_->setText(Text(s.bmpDir));
  stereoIndex_ = s.stereoMode;
  SizeUd_->setValue(s.readAtOnce);
  OnMemCk_->setChecked(s.onMemory);
  RepeatCk_->setChecked(s.repeat);
  // The handlers run even when a box keeps its state, so the display and
  // the decoder follow the saved values from the start; the display's size
  // is read after it knows whether it may have one of its own.
  SizeableCk_->setChecked(s.sizeable);
  SizeableCkClick();
  ScrollCk_->setChecked(s.easyScroll);
  ScrollCkClick();
  ReadPlacement(display_, ini, kDisplaySection, kDisplayPlacement);
}

void TPlayFrm::WriteSettings(IniFile& ini) const {
  WritePlacement(*this, ini, kFormSection, true);
  PlayerSettings s;
  s.bmpDir = BmpPathEdit_->text().toStdString();
  s.stereoMode = StereoCmb_->currentIndex();
  s.readAtOnce = SizeUd_->value();
  s.onMemory = OnMemCk_->isChecked();
  s.repeat = RepeatCk_->isChecked();
  s.sizeable = SizeableCk_->isChecked();
  s.easyScroll = ScrollCk_->isChecked();
  s.Write(ini);
  WritePlacement(display_, ini, kDisplaySection, true);
}

// ---- Showing and closing -----------------------------------------------------

void TPlayFrm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (event->spontaneous()) return;  // restored from the task bar, not opened
  starting_ = false;
  paused_ = false;
  ShowIdle();
  StereoCmb_->setCurrentIndex(stereoIndex_);
  // Once the player is on the screen: a window manager keeps the display
  // above its owner only when the owner was there first.
  QMetaObject::invokeMethod(
      this,
      [this] {
        if (isVisible()) display_.ShowWith(*this);
      },
      Qt::QueuedConnection);
  qApp->installEventFilter(this);
}

void TPlayFrm::changeEvent(QEvent* event) {
  QDialog::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) RaiseDisplay();
}

bool TPlayFrm::eventFilter(QObject* watched, QEvent* event) {
  // A click anywhere in the player raises it: the display comes back in
  // front, after the window manager has done its raising.
  if (event->type() == QEvent::MouseButtonPress && watched->isWidgetType() &&
      static_cast<QWidget*>(watched)->window() == this)
    QMetaObject::invokeMethod(
        this, [this] { RaiseDisplay(); }, Qt::QueuedConnection);
  return QDialog::eventFilter(watched, event);
}

void TPlayFrm::RaiseDisplay() {
  if (isVisible() && display_.isVisible()) display_.raise();
}

void TPlayFrm::done(int result) {
  if (starting_) return;  // the worker has not reported yet
  stereoIndex_ = StereoCmb_->currentIndex();
  source_->Stop();
  ShowIdle();  // whatever the worker still reports is no longer wanted
  display_.hide();
  qApp->removeEventFilter(this);
  QDialog::done(result);
}

void TPlayFrm::ShowIdle() {
  playing_ = false;
  idle_ = true;
  PlayStop_->setEnabled(false);
  PlayPause_->setEnabled(false);
  UpdateCommands();
}

void TPlayFrm::UpdateCommands() {
  const bool disc = DiscChosen();
  const bool song = disc ? DriveCmb_->currentIndex() >= 0 : !PathEdit_->text().isEmpty();
  PlayPlay_->setEnabled(idle_ && song);
  const bool snapshots = song && !BmpPathEdit_->text().isEmpty();
  CdgBmp_->setEnabled(snapshots);
  CdgBmpEx_->setEnabled(snapshots);
  CdgVideo_->setEnabled(song && !disc);  // a video is made of a file
  // The drive list stays as it is while its drive is read.
  DiscCk_->setEnabled(idle_);
  DriveCmb_->setEnabled(idle_);
  ImageBtn_->setEnabled(idle_);
  TrackUd_->setEnabled(idle_);
}

bool TPlayFrm::DiscChosen() const { return DiscCk_->isChecked(); }

void TPlayFrm::DiscCkClick() {
  const bool disc = DiscChosen();
  if (disc) {
    // The found drives again, the images opened before after them.
    const int chosen = DriveCmb_->currentIndex();
    drives_.Search(access_.Setup());
    const QSignalBlocker quiet(DriveCmb_);
    DriveCmb_->clear();
    for (int i = 0; i < drives_.Count(); ++i) DriveCmb_->addItem(Text(drives_.Line(i)));
    DriveCmb_->setCurrentIndex(std::min(std::max(chosen, 0), drives_.Count() - 1));
  }
  PathEdit_->setVisible(!disc);
  BrowseBtn_->setVisible(!disc);
  for (QWidget* w : std::initializer_list<QWidget*>{DriveCmb_, TrackLbl_, TrackUd_, ImageBtn_})
    w->setVisible(disc);
  UpdateCommands();
}

void TPlayFrm::ImageBtnClick() {
  const auto chosen = dialogs_.OpenFile(this, std::string(), cdgDir_, Tr(kDiscImageFilter));
  if (!chosen) return;
  std::string error;
  if (!drives_.AddImage(*chosen, error)) {
    Refuse(error);
    return;
  }
  DriveCmb_->addItem(Text(drives_.Line(drives_.Count() - 1)));
  DriveCmb_->setCurrentIndex(drives_.Count() - 1);
  UpdateCommands();
}

std::string TPlayFrm::ChooseDiscTrack() {
  const int position = DriveCmb_->currentIndex();
  ScsiTransport* transport = drives_.Transport(position);
  const TNkCdRom* found = drives_.Drive(position);
  if (!transport || !found) return Tr("Choose a drive or open a disc image.");
  const TNkCdRom drive = *found;
  const std::string name = drives_.Line(position);
  const int track = TrackUd_->value();
  DiscTitleOptions options;
  options.read.readSize = DriveSettings().readSize;
  const auto open = [this, transport, drive, name, track, options] {
    return OpenDiscTitle(*transport, drive, name, track, options, ecc_);
  };
  // Opened once here, so that a missing track is refused with its reason.
  const TitleOpenResult title = open();
  if (!title.ok()) return title.error;
  if (title.source->Sectors() == 0)
    return Format(Tr("Track %1 of %2 holds no sectors."),
                  {std::to_string(track), IoStatus::Quoted(name)});
  source_->SetTitleOpener(open);
  return {};
}

void TPlayFrm::ShowStatus(const QString& text, const QString& detail) {
  StatusLbl_->setText(text);
  StatusLbl_->setToolTip(detail);
}

void TPlayFrm::Refuse(const std::string& message) {
  ShowStatus(QString(), QString());
  dialogs_.Beep();
  dialogs_.Error(this, message);
}

// ---- Playback ----------------------------------------------------------------

void TPlayFrm::PlayPlayExecute() {
  const bool disc = DiscChosen();
  const std::string path = PathEdit_->text().toStdString();
  if (path.empty() && !disc) return;
  if (const std::string problem = disc ? std::string() : PlayableProblem(path);
      !problem.empty()) {
    Refuse(problem);
    return;
  }
  display_.Reset();
  if (display_.isVisible()) display_.raise();
  source_->SetProc(&TPlayFrm::SourceProc, this);
  source_->SetReadAtOnce(static_cast<std::uint8_t>(SizeUd_->value()));
  source_->SetOnMemory(OnMemCk_->isChecked());
  source_->SetFileName(path);
  if (disc)
    if (const std::string problem = ChooseDiscTrack(); !problem.empty()) {
      Refuse(problem);
      return;
    }
  source_->SetStereoMode(static_cast<std::int8_t>(StereoCmb_->currentIndex()));
  source_->SetRepeat(RepeatCk_->isChecked());
  stepSectors_ = 0;
  if (!source_->Play()) {
    Refuse(disc ? Tr("Cannot play the disc track: the audio output could not be opened.")
                : CannotPlayMessage(path));
    return;
  }
  starting_ = true;
  idle_ = false;
  PlayPlay_->setEnabled(false);
  PlayStop_->setEnabled(false);
  PlayPause_->setEnabled(false);
  paused_ = false;
}

void TPlayFrm::PlayStopExecute() {
  source_->Stop();  // a stop that times out counts as done
  ShowIdle();       // an end of the song reported meanwhile is dropped
}

void TPlayFrm::PlayPauseExecute() {
  // The button follows the sound: a device that did not pause (or go on)
  // leaves the state as it is, with a beep.
  const bool done = paused_ ? source_->Restart() : source_->Pause();
  if (done)
    paused_ = !paused_;
  else
    dialogs_.Beep();
}

void TPlayFrm::SourceProc(std::uint8_t event, std::intptr_t value, void* user) {
  auto* self = static_cast<TPlayFrm*>(user);
  switch (event) {
    case kCdgInStarted:
      QMetaObject::invokeMethod(
          self, [self] { self->Started(); }, Qt::QueuedConnection);
      break;
    case kCdgInStep:
      self->stepSectors_ = value;
      break;
    case kCdgInPacks: {
      const std::intptr_t sectors = self->stepSectors_;
      if (sectors <= 0 || value == 0) break;
      // The worker reuses its buffer as soon as this returns.
      const auto* packs = reinterpret_cast<const std::uint8_t*>(value);
      std::vector<std::uint8_t> copy(packs, packs + sectors * kSubcodeBytesPerSector);
      QMetaObject::invokeMethod(
          self,
          [self, copy = std::move(copy), sectors] {
            self->Packs(copy, static_cast<std::size_t>(sectors));
          },
          Qt::QueuedConnection);
      break;
    }
    case kCdgInEnded:
      QMetaObject::invokeMethod(
          self, [self] { self->Ended(); }, Qt::QueuedConnection);
      break;
    case kCdgInFailed:
      QMetaObject::invokeMethod(
          self, [self] { self->Failed(); }, Qt::QueuedConnection);
      break;
    default:  // kCdgInStopped: the window learns of stops by itself
      break;
  }
}

void TPlayFrm::Started() {
  if (!starting_) return;
  PlayStop_->setEnabled(true);
  PlayPause_->setEnabled(true);
  starting_ = false;
  playing_ = true;
}

void TPlayFrm::Packs(const std::vector<std::uint8_t>& packs, std::size_t sectors) {
  if (!playing_) return;  // left over from a playback that was stopped
  display_.DrawPacks(packs.data(), sectors * kPacksPerSector);
}

void TPlayFrm::Ended() {
  if (!playing_) return;
  ShowIdle();
  if (RepeatCk_->isChecked()) PlayPlayExecute();  // the song starts over
}

void TPlayFrm::Failed() {
  if (!starting_) return;
  // The file could not be read: back to idle, and no restart.
  starting_ = false;
  paused_ = false;
  ShowIdle();
  Refuse(DiscChosen() ? Format(Tr("Cannot play track %1 of %2: the disc could not be read."),
                               {std::to_string(TrackUd_->value()),
                                IoStatus::Quoted(DriveCmb_->currentText().toStdString())})
                      : CannotPlayMessage(PathEdit_->text().toStdString()));
}

// ---- Options -----------------------------------------------------------------

void TPlayFrm::StereoCmbChange(int index) {
  if (index >= 0) source_->SetStereoMode(static_cast<std::int8_t>(index));
}

void TPlayFrm::RepeatCkClick() { source_->SetRepeat(RepeatCk_->isChecked()); }

void TPlayFrm::SizeableCkClick() { display_.SetSizeable(SizeableCk_->isChecked()); }

void TPlayFrm::ScrollCkClick() { display_.SetEasyScroll(ScrollCk_->isChecked()); }

// ---- Files and snapshots -----------------------------------------------------

void TPlayFrm::CdgOpenExecute() {
  const auto file = dialogs_.OpenFile(this, std::string(), cdgDir_, kOpenFilter);
  if (!file) return;
  PathEdit_->setText(Text(*file));
  cdgDir_ = std::filesystem::path(*file).parent_path().string();
}

void TPlayFrm::CdgBmpDirExecute() {
  const auto folder =
      dialogs_.ChooseFolder(this, Tr(kBmpDirTitle), BmpPathEdit_->text().toStdString());
  if (folder) BmpPathEdit_->setText(Text(*folder));
}

void TPlayFrm::CdgShowExecute() {
  if (display_.isVisible()) {
    display_.hide();
  } else {
    display_.ShowWith(*this);
  }
}

void TPlayFrm::CdgBmpExecute() { SaveSnapshot(false); }

void TPlayFrm::CdgBmpExExecute() { SaveSnapshot(true); }

void TPlayFrm::SaveSnapshot(bool screenSize) {
  const std::string folder = BmpPathEdit_->text().toStdString();
  // A disc track's snapshots are named after the track.
  char track[16];
  std::snprintf(track, sizeof track, "track%02d", TrackUd_->value());
  const std::string song = DiscChosen() ? std::string(track) : PathEdit_->text().toStdString();
  if (folder.empty() || song.empty()) return;
  if (!CreateFolders(folder)) {
    Refuse(Format(Tr("Cannot create the folder \"%1\"."), {folder}));
    return;
  }
  const std::string name = NextSnapshotName(SnapshotPrefix(folder, song));
  const IoStatus saved = screenSize ? display_.SaveBmpEx(name) : display_.SaveBmp(name);
  if (!saved) {
    Refuse(Format(Tr("Cannot save \"%1\".\n"), {name}) + saved.error());
    return;
  }
  ShowStatus(Text(Format(Tr("Saved %1."), {std::filesystem::path(name).filename().string()})),
             Text(name));
}

void TPlayFrm::CdgVideoExecute() {
  const std::string input = PathEdit_->text().toStdString();
  if (input.empty()) return;
  TitleOpenResult opened = OpenTitle(input);
  if (!opened.ok() || opened.source->Sectors() == 0) {
    Refuse(opened.ok() ? CannotPlayMessage(input) : opened.error);
    return;
  }
  const std::filesystem::path inputPath(input);
  const auto chosen = dialogs_.SaveFile(this, std::string(), inputPath.parent_path().string(),
                                        Tr(kVideoFilter), "mp4");
  if (!chosen) return;
  std::string output = *chosen;
  if (VideoContainerFor(output).empty()) output += ".mp4";
  if (const std::string clash = OutputClashMessage({input}, {output}); !clash.empty()) {
    Refuse(clash);
    return;
  }
  if (!MayReplace(dialogs_, this, output)) return;
  VideoSinkHandle sink = VideoSinkHandle::Load(VideoSinkHandle::DefaultModule());
  if (sink.get() == nullptr) {
    Refuse(sink.error());
    return;
  }
  TJobOwner owner;
  TProgressDlg progress(owner, this);
  progress.setWindowTitle(Tq("Exporting the video..."));
  VideoResult result;
  std::thread worker([&] {
    result = ExportVideo(*opened.source, VideoOptions{}, output, *sink.get(), &owner);
    owner.Report(result.outcome == VideoOutcome::Made ? kProgressDone : kProgressFailed);
  });
  progress.exec();  // the export closes it when it ends
  worker.join();
  const std::string name = std::filesystem::path(output).filename().string();
  switch (result.outcome) {
    case VideoOutcome::Made:
      ShowStatus(Text(Format(Tr("Exported %1."), {name})), Text(output));
      break;
    case VideoOutcome::Cancelled:
      ShowStatus(Text(Tr("The video export was stopped.")), Text(output));
      break;
    case VideoOutcome::Failed:
      Refuse(result.error);
      break;
  }
}

}  // namespace mosaicer
