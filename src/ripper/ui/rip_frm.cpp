#include "ripper/ui/rip_frm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <limits>

#include "app/save_check.h"
#include "app/screen_fit.h"
#include "app/tr.h"
#include "app/window_placement.h"
#include "platform/file_util.h"
#include "ripper/drive_text.h"
#include "ripper/read_size.h"

namespace mosaicer {

class TDriveComboBox : public QComboBox {
 public:
  using QComboBox::QComboBox;
  std::function<void()> onDropDown;

  void showPopup() override {
    if (onDropDown) onDropDown();
    QComboBox::showPopup();
  }
};

namespace {

constexpr const char* kSection = "RipForm";
constexpr int kMinWidth = 470;
constexpr int kMinHeight = 380;
constexpr int kMaxSyncSize = 25;
constexpr int kUpDownButtonWidth = 16;
constexpr const char* kImageBtnCaption = N_("Open &Image...");
constexpr const char* kImageSection = "RipImages";
constexpr std::int64_t kMaxImages = 100;
constexpr const char* kNoDriveMessage =
    N_("No CD or DVD drive was found.\n"
       "Check that a drive is connected and that this user may read it (the cdrom group). "
       "A disc image can be read with \"Open Image\".");

QString Q(const std::string& s) { return QString::fromStdString(s); }

// The output choice's items, in the order of TitleOutputKind.
constexpr const char* kOutputItems[] = {"CDG", "RWS", N_("MP3+G zip"), N_("MP3+G pair")};
constexpr int kOutputRws = static_cast<int>(TitleOutputKind::Rws);
constexpr int kOutputCdg = static_cast<int>(TitleOutputKind::Cdg);

bool IsMp3g(TitleOutputKind kind) {
  return kind == TitleOutputKind::Zip || kind == TitleOutputKind::Pair;
}

std::string CreatingText(TitleOutputKind kind) {
  if (IsMp3g(kind)) return Tr("Creating the MP3+G files");
  return kind == TitleOutputKind::Rws ? Tr("Creating the RWS file") : Tr("Creating the CDG file");
}

std::string CountText(int counter, int total) {
  char text[32];
  std::snprintf(text, sizeof text, "(%d/%d)", counter, total);
  return text;
}

}  // namespace

// ---------------------------------------------------------------------------

TUpDown::TUpDown(QLineEdit* associate, int min, int max, int position, QWidget* parent)
    : QWidget(parent),
      associate_(associate),
      min_(min),
      max_(max),
      position_(std::clamp(position, min, max)),
      UpBtn_(new QToolButton(this)),
      DownBtn_(new QToolButton(this)) {
  UpBtn_->setObjectName("UpBtn");
  DownBtn_->setObjectName("DownBtn");
  UpBtn_->setArrowType(Qt::UpArrow);
  DownBtn_->setArrowType(Qt::DownArrow);
  for (QToolButton* button : {UpBtn_, DownBtn_}) {
    button->setAutoRepeat(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setFixedWidth(kUpDownButtonWidth);
    button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
  }
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(UpBtn_);
  layout->addWidget(DownBtn_);
  setFixedHeight(associate_->sizeHint().height());
  connect(UpBtn_, &QToolButton::clicked, this, [this] { SetPosition(position_ + 1); });
  connect(DownBtn_, &QToolButton::clicked, this, [this] { SetPosition(position_ - 1); });
  associate_->installEventFilter(this);
  associate_->setText(QString::number(position_));
}

void TUpDown::SetName(const QString& name) {
  setAccessibleName(name);
  UpBtn_->setAccessibleName(Tq("Increase %1").arg(name));
  DownBtn_->setAccessibleName(Tq("Decrease %1").arg(name));
}

void TUpDown::SetPosition(int position, bool showInEdit) {
  position_ = std::clamp(position, min_, max_);
  if (showInEdit) associate_->setText(QString::number(position_));
}

bool TUpDown::eventFilter(QObject* watched, QEvent* event) {
  if (watched == associate_ && event->type() == QEvent::KeyPress && isEnabled()) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Up || key == Qt::Key_Down) {
      SetPosition(position_ + (key == Qt::Key_Up ? 1 : -1));
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------

TRipFrm::TRipFrm(Dialogs& dialogs, std::string settingsFolder, QWidget* parent)
    : TRipFrm(dialogs, std::move(settingsFolder), std::make_unique<LinuxDriveAccess>(), nullptr,
              parent) {}

TRipFrm::TRipFrm(Dialogs& dialogs, std::string settingsFolder, const DriveSearchSetup& setup,
                 QWidget* parent)
    : TRipFrm(dialogs, std::move(settingsFolder), nullptr, &setup, parent) {}

TRipFrm::TRipFrm(Dialogs& dialogs, std::string settingsFolder,
                 std::unique_ptr<LinuxDriveAccess> access, const DriveSearchSetup* setup,
                 QWidget* parent)
    : QDialog(parent),
      dialogs_(dialogs),
      settingsFolder_(std::move(settingsFolder)),
      access_(std::move(access)) {
  if (setup) setup_ = *setup;
  BuildControls();
  CmdCmb_->setCurrentIndex(kReadCdDataRaw);
  SearchDrives(setup ? *setup : access_->Setup());
  DrvCmbChange();
  job_.SetJobStatus(kJobIdle);
  ProgressDlg_ = new TProgressDlg2(job_, this);
}

TRipFrm::~TRipFrm() = default;

void TRipFrm::BuildControls() {
  setObjectName("RipFrm");
  setWindowTitle(kCaption);
  setModal(true);
  setSizeGripEnabled(true);

  DrvGBox_ = new QGroupBox(Tq(" Drive "), this);
  DrvLbl_ = new QLabel(Tq("Drive:"), DrvGBox_);
  DrvCmb_ = new TDriveComboBox(DrvGBox_);
  DrvBtn_ = new QPushButton(Tq("&Search"), DrvGBox_);
  ImageBtn_ = new QPushButton(Tq(kImageBtnCaption), DrvGBox_);
  BcdCk_ = new QCheckBox(Tq("Correct BCD times"), DrvGBox_);
  CmdLbl_ = new QLabel(Tq("Read command:"), DrvGBox_);
  CmdCmb_ = new QComboBox(DrvGBox_);
  OutLbl_ = new QLabel(Tq("Output:"), DrvGBox_);
  OutCmb_ = new QComboBox(DrvGBox_);
  RwsCk_ = new QCheckBox(Tq("Save RW subcode only"), DrvGBox_);
  ReadSizeLbl_ = new QLabel(Tq("Read size:"), DrvGBox_);
  ReadSizeEdit_ = new QLineEdit(DrvGBox_);
  ReadSizeUd_ = new TUpDown(ReadSizeEdit_, kMinReadSize, kMaxReadSize, kDefaultReadSize, DrvGBox_);
  SyncSizeLbl_ = new QLabel(Tq("Sync size:"), DrvGBox_);
  SincSizeEdit_ = new QLineEdit(DrvGBox_);
  SyncSizeUd_ = new TUpDown(SincSizeEdit_, 0, kMaxSyncSize, 0, DrvGBox_);
  RetryLbl_ = new QLabel(Tq("Re-reads:"), DrvGBox_);
  RetryEdit_ = new QLineEdit(DrvGBox_);
  RetryUd_ = new TUpDown(RetryEdit_, 0, kMaxRetries, kDefaultRetries, DrvGBox_);
  SlipCk_ = new QCheckBox(Tq("Fix slip"), DrvGBox_);
  TrkGBoc_ = new QGroupBox(Tq(" Tracks "), this);
  TrkBtn_ = new QPushButton(Tq("R&efresh"), TrkGBoc_);
  SelectBtn_ = new QPushButton(Tq("Select &All"), TrkGBoc_);
  TrackList_ = new QListWidget(TrkGBoc_);
  RipBtn_ = new QPushButton(Tq("&Rip Track"), TrkGBoc_);
  RipBtn2_ = new QPushButton(Tq("Rip &Marked Tracks"), TrkGBoc_);
  ReportMemo_ = new QPlainTextEdit(TrkGBoc_);

  DrvGBox_->setObjectName("DrvGBox");
  DrvLbl_->setObjectName("DrvLbl");
  DrvCmb_->setObjectName("DrvCmb");
  DrvBtn_->setObjectName("DrvBtn");
  ImageBtn_->setObjectName("ImageBtn");
  BcdCk_->setObjectName("BcdCk");
  CmdLbl_->setObjectName("CmdLbl");
  CmdCmb_->setObjectName("CmdCmb");
  RwsCk_->setObjectName("RwsCk");
  OutLbl_->setObjectName("OutLbl");
  OutCmb_->setObjectName("OutCmb");
  ReadSizeLbl_->setObjectName("ReadSizeLbl");
  ReadSizeEdit_->setObjectName("ReadSizeEdit");
  ReadSizeUd_->setObjectName("ReadSizeUd");
  SyncSizeLbl_->setObjectName("SyncSizeLbl");
  SincSizeEdit_->setObjectName("SincSizeEdit");
  SyncSizeUd_->setObjectName("SyncSizeUd");
  RetryLbl_->setObjectName("RetryLbl");
  RetryEdit_->setObjectName("RetryEdit");
  RetryUd_->setObjectName("RetryUd");
  SlipCk_->setObjectName("SlipCk");
  ReportMemo_->setObjectName("ReportMemo");
  TrkGBoc_->setObjectName("TrkGBoc");
  TrkBtn_->setObjectName("TrkBtn");
  SelectBtn_->setObjectName("SelectBtn");
  TrackList_->setObjectName("TrackList");
  RipBtn_->setObjectName("RipBtn");
  RipBtn2_->setObjectName("RipBtn2");

  CmdCmb_->addItems({QStringLiteral("ReadCD (Data + RAW)"), QStringLiteral("ReadCD (Data + RW)"),
                     QStringLiteral("ReadCDDA (Data + RW)"), QString()});
  for (const char* item : kOutputItems) OutCmb_->addItem(Tq(item));
  OutCmb_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  OutLbl_->setBuddy(OutCmb_);
  DrvLbl_->setBuddy(DrvCmb_);
  CmdLbl_->setBuddy(CmdCmb_);
  ReadSizeLbl_->setBuddy(ReadSizeEdit_);
  SyncSizeLbl_->setBuddy(SincSizeEdit_);
  ReadSizeUd_->SetName(ReadSizeLbl_->text().chopped(1));
  SyncSizeUd_->SetName(SyncSizeLbl_->text().chopped(1));
  RetryLbl_->setBuddy(RetryEdit_);
  RetryUd_->SetName(RetryLbl_->text().chopped(1));
  RetryEdit_->setToolTip(Tq("Times a sector is read again while packs in it stay unrepairable "
                            "(raw reads only)"));
  RetryEdit_->setValidator(new QIntValidator(0, kMaxRetries, RetryEdit_));
  SlipCk_->setToolTip(Tq("Shift the subcode against the audio when its Q time shows it runs "
                         "early or late (raw reads only)"));
  ReportMemo_->setReadOnly(true);
  ReportMemo_->setAccessibleName(Tq("Rip report"));
  ReportMemo_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  ReportMemo_->setMinimumHeight(ReportMemo_->fontMetrics().lineSpacing() * 2);
  ReportMemo_->setMaximumHeight(ReportMemo_->fontMetrics().lineSpacing() * 6);
  TrackList_->setMinimumHeight(TrackList_->fontMetrics().lineSpacing() * 3);
  TrackList_->setAccessibleName(Tq("Tracks"));
  DrvCmb_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  DrvCmb_->setMinimumContentsLength(20);
  ReadSizeEdit_->setMaximumWidth(
      ReadSizeEdit_->fontMetrics().horizontalAdvance(QLatin1String("0000")) * 2);
  SincSizeEdit_->setMaximumWidth(ReadSizeEdit_->maximumWidth());
  RetryEdit_->setMaximumWidth(ReadSizeEdit_->maximumWidth());
  // The sync size is kept at 0: its controls exist but are never shown.
  for (QWidget* hidden : std::initializer_list<QWidget*>{SyncSizeLbl_, SincSizeEdit_, SyncSizeUd_})
    hidden->setVisible(false);
  TrackList_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  TrackList_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

  // Room for the drive lines and the command names at the smallest width:
  // the image button and the RWS box sit on rows of their own.
  auto* drives = new QGridLayout(DrvGBox_);
  drives->addWidget(DrvLbl_, 0, 0);
  drives->addWidget(DrvCmb_, 0, 1, 1, 3);
  drives->addWidget(DrvBtn_, 0, 4);
  drives->addWidget(BcdCk_, 1, 1, 1, 3);
  drives->addWidget(ImageBtn_, 1, 4);
  drives->addWidget(CmdLbl_, 2, 0);
  CmdCmb_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  drives->addWidget(CmdCmb_, 2, 1, 1, 3, Qt::AlignLeft);
  // The slip choice sits beside the read command it belongs to, and the
  // output choice on a row of its own beside the RW-only box it keeps in
  // step with, so the window keeps its size.
  drives->addWidget(SlipCk_, 2, 4);
  drives->addWidget(OutLbl_, 3, 0);
  auto* output = new QHBoxLayout;
  output->addWidget(OutCmb_);
  output->addSpacing(12);
  output->addWidget(RwsCk_);
  output->addStretch();
  drives->addLayout(output, 3, 1, 1, 4);
  drives->addWidget(ReadSizeLbl_, 4, 0);
  // Re-reads share the read size's row and the slip choice sits under the
  // buttons, so the window keeps its size.
  auto* readSize = new QHBoxLayout;
  readSize->setSpacing(0);
  readSize->addWidget(ReadSizeEdit_);
  readSize->addWidget(ReadSizeUd_);
  readSize->addSpacing(12);
  readSize->addWidget(RetryLbl_);
  readSize->addSpacing(4);
  readSize->addWidget(RetryEdit_);
  readSize->addWidget(RetryUd_);
  readSize->addStretch();
  drives->addLayout(readSize, 4, 1, 1, 3);
  // Never shown: outside the rows that take room.
  drives->addWidget(SyncSizeLbl_, 5, 2);
  auto* syncSize = new QHBoxLayout;
  syncSize->setSpacing(0);
  syncSize->addWidget(SincSizeEdit_);
  syncSize->addWidget(SyncSizeUd_);
  drives->addLayout(syncSize, 5, 3);
  drives->setColumnStretch(3, 1);

  auto* tracks = new QVBoxLayout(TrkGBoc_);
  auto* trackButtons = new QHBoxLayout;
  trackButtons->addWidget(TrkBtn_);
  trackButtons->addWidget(SelectBtn_);
  trackButtons->addStretch();
  tracks->addLayout(trackButtons);
  tracks->addWidget(TrackList_, 1);
  auto* ripButtons = new QHBoxLayout;
  ripButtons->addStretch();
  ripButtons->addWidget(RipBtn_);
  ripButtons->addWidget(RipBtn2_);
  tracks->addLayout(ripButtons);
  tracks->addWidget(ReportMemo_);

  auto* layout = new QVBoxLayout(ScrollingBody(*this));
  layout->addWidget(DrvGBox_);
  layout->addWidget(TrkGBoc_, 1);

  FitSizeLimits(*this, QSize(kMinWidth, kMinHeight), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));

  DrvCmb_->onDropDown = [this] { DrvCmbDropDown(); };
  connect(DrvCmb_, &QComboBox::activated, this, [this] { DrvCmbChange(); });
  connect(ReadSizeEdit_, &QLineEdit::textChanged, this, [this] { ReadSizeEditChange(); });
  connect(RetryEdit_, &QLineEdit::textChanged, this, [this] {
    bool number = false;
    const int typed = RetryEdit_->text().toInt(&number);
    if (number) RetryUd_->SetPosition(typed, false);
  });
  // RW-only is the RWS choice: checking the box chooses RWS, choosing RWS
  // checks it, and any other choice clears it.
  connect(RwsCk_, &QCheckBox::toggled, this, [this](bool checked) {
    if (checked)
      OutCmb_->setCurrentIndex(kOutputRws);
    else if (OutCmb_->currentIndex() == kOutputRws)
      OutCmb_->setCurrentIndex(kOutputCdg);
  });
  connect(OutCmb_, &QComboBox::currentIndexChanged, this,
          [this](int index) { RwsCk_->setChecked(index == kOutputRws); });
  connect(TrkBtn_, &QPushButton::clicked, this, [this] { TrkBtnClick(); });
  connect(SelectBtn_, &QPushButton::clicked, this, [this] { SelectBtnClick(); });
  connect(RipBtn_, &QPushButton::clicked, this, [this] { RipBtnClick(); });
  connect(RipBtn2_, &QPushButton::clicked, this, [this] { RipBtn2Click(); });
  connect(ImageBtn_, &QPushButton::clicked, this, [this] { ImageBtnClick(); });
  connect(DrvBtn_, &QPushButton::clicked, this, [this] { DrvBtnClick(); });
}

std::string TRipFrm::DriveIniPath() const {
  return (std::filesystem::path(settingsFolder_) / kDriveIniName).string();
}

void TRipFrm::SetFolders(const std::string& cdgDir, const std::string& rwsDir) {
  cdgDir_ = cdgDir;
  rwsDir_ = rwsDir;
}

void TRipFrm::ReadSettings(const IniFile& ini) {
  ReadPlacement(*this, ini, kSection, {100, 100, 500, 500});
  RwsCk_->setChecked(ini.ReadBool(kSection, "RwsOnly", false));
  // An MP3+G choice comes back unless RW-only was kept.
  const std::int64_t output = ini.ReadInteger(kSection, "Output", kOutputCdg);
  if (!RwsCk_->isChecked())
    OutCmb_->setCurrentIndex(output == static_cast<int>(TitleOutputKind::Zip) ||
                                     output == static_cast<int>(TitleOutputKind::Pair)
                                 ? static_cast<int>(output)
                                 : kOutputCdg);
  // The disc images of earlier runs come back while their files are there,
  // in their old places, so the saved drive choice still points at them.
  const std::int64_t images =
      std::clamp<std::int64_t>(ini.ReadInteger(kImageSection, "Count", 0), 0, kMaxImages);
  for (std::int64_t i = 0; i < images; ++i) {
    const std::string path = ini.ReadString(kImageSection, "Image" + std::to_string(i));
    if (path.empty() || !FileExists(path)) continue;
    std::string error;
    if (!drives_.AddImage(path, error)) continue;
    images_.push_back(path);
    ++added_;
    ListAddedDrive(drives_.Count() - 1);
  }
  const std::int64_t selected = std::clamp<std::int64_t>(
      ini.ReadInteger(kSection, "SelectedDrv", 0), 0, std::numeric_limits<int>::max());
  if (selected < DrvCmb_->count() && selected != DrvCmb_->currentIndex()) {
    DrvCmb_->setCurrentIndex(static_cast<int>(selected));
    DrvCmbChange();
  }
}

void TRipFrm::WriteSettings(IniFile& ini) const {
  WritePlacement(*this, ini, kSection, true);
  ini.WriteBool(kSection, "RwsOnly", RwsCk_->isChecked());
  ini.WriteInteger(kSection, "Output", OutCmb_->currentIndex());
  ini.WriteInteger(kSection, "SelectedDrv", DrvCmb_->currentIndex());
  ini.WriteInteger(kImageSection, "Count", static_cast<std::int64_t>(images_.size()));
  for (std::size_t i = 0; i < images_.size(); ++i)
    ini.WriteString(kImageSection, "Image" + std::to_string(i), images_[i]);

  if (slots_.empty()) return;  // no drive: leave Drive.ini alone
  std::vector<DriveSettings> perDrive = slots_;
  const int shown = DrvCmb_->currentIndex();
  if (HasDriveSlot(shown) && shown < static_cast<int>(perDrive.size()))
    perDrive[static_cast<std::size_t>(shown)] = ShownDriveSettings();
  IniFile driveIni;
  driveIni.Load(DriveIniPath());  // other drives' sections stay
  drives_.SaveSettings(driveIni, perDrive);
  CreateFolders(settingsFolder_);
  // Written as the window closes, so the message belongs to what it leaves.
  if (const IoStatus saved = driveIni.Save(DriveIniPath()); !saved)
    dialogs_.Error(parentWidget(), saved.error());
}

void TRipFrm::SearchDrives(const DriveSearchSetup& setup) {
  drives_.Search(setup);
  DrvCmb_->clear();
  for (int i = 0; i < drives_.Count(); ++i) DrvCmb_->addItem(Q(drives_.Line(i)));
  IniFile driveIni;
  driveIni.Load(DriveIniPath());
  slots_ = drives_.LoadSettings(driveIni);
  if (DrvCmb_->count() > 0) DrvCmb_->setCurrentIndex(0);
}

int TRipFrm::AddDrive(std::unique_ptr<ScsiTransport> transport, TNkCdRom drive) {
  const int position = drives_.Add(std::move(transport), std::move(drive));
  ShowAddedDrive(position);
  return position;
}

void TRipFrm::ShowAddedDrive(int position) {
  DrvCmbDropDown();  // the drive shown so far keeps what was set for it
  ++added_;
  ListAddedDrive(position);
  DrvCmb_->setCurrentIndex(position);
  DrvCmbChange();
}

void TRipFrm::ListAddedDrive(int position) {
  DrvCmb_->addItem(Q(drives_.Line(position)));
  if (HasDriveSlot(position)) {
    IniFile driveIni;
    driveIni.Load(DriveIniPath());
    slots_.resize(static_cast<std::size_t>(position) + 1);
    slots_[static_cast<std::size_t>(position)] =
        LoadDriveSettings(driveIni, *drives_.Drive(position));
  }
}

void TRipFrm::DrvBtnClick() {
  DrvCmbDropDown();
  const int shown = DrvCmb_->currentIndex();
  SearchDrives(setup_ ? *setup_ : access_->Setup());
  const int found = drives_.Count() - added_;
  if (shown >= 0 && shown < DrvCmb_->count()) DrvCmb_->setCurrentIndex(shown);
  DrvCmbChange();
  if (found > 0) return;
  dialogs_.Beep();
  dialogs_.Error(this, Tr(kNoDriveMessage));
}

void TRipFrm::ImageBtnClick() {
  const std::optional<std::string> chosen =
      dialogs_.OpenFile(this, std::string(), imageDir_.empty() ? cdgDir_ : imageDir_, kImageFilter);
  if (!chosen) return;
  std::string error;
  if (!drives_.AddImage(*chosen, error)) {
    dialogs_.Error(this, error);
    return;
  }
  imageDir_ = std::filesystem::path(*chosen).parent_path().string();
  if (std::find(images_.begin(), images_.end(), *chosen) == images_.end())
    images_.push_back(*chosen);
  ShowAddedDrive(drives_.Count() - 1);
}

DriveSettings TRipFrm::ShownDriveSettings() const {
  DriveSettings settings;
  settings.readCommand = CmdCmb_->currentIndex();
  settings.tocBcd = BcdCk_->isChecked();
  settings.readSize = ReadSizeUd_->Position();
  settings.retries = RetryUd_->Position();
  settings.fixSlip = SlipCk_->isChecked();
  return settings;
}

void TRipFrm::DrvCmbDropDown() {
  const int index = DrvCmb_->currentIndex();
  if (HasDriveSlot(index) && index < static_cast<int>(slots_.size()))
    slots_[static_cast<std::size_t>(index)] = ShownDriveSettings();
}

void TRipFrm::DrvCmbChange() {
  const int index = DrvCmb_->currentIndex();
  if (!HasDriveSlot(index) || index >= static_cast<int>(slots_.size())) return;
  const DriveSettings& settings = slots_[static_cast<std::size_t>(index)];
  BcdCk_->setChecked(settings.tocBcd);
  CmdCmb_->setCurrentIndex(settings.readCommand);  // a position the list lacks chooses none
  ReadSizeUd_->SetPosition(settings.readSize);
  RetryUd_->SetPosition(settings.retries);
  SlipCk_->setChecked(settings.fixSlip);
  TrkBtnClick();
}

void TRipFrm::ReadSizeEditChange() {
  const std::optional<ReadSizeEntry> entry = ReadSizeFromText(ReadSizeEdit_->text().toStdString());
  if (!entry) return;  // no number (yet): the read size stays as it was
  ReadSizeUd_->SetPosition(entry->value, false);
  const QString shown = QString::number(entry->value);
  if (entry->corrected && HasDriveSlot(DrvCmb_->currentIndex()) && ReadSizeEdit_->text() != shown)
    ReadSizeEdit_->setText(shown);
}

void TRipFrm::TrkBtnClick() {
  TrackList_->clear();
  toc_ = TNkToc{};
  const int index = DrvCmb_->currentIndex();
  ScsiTransport* transport = drives_.Transport(index);
  const TNkCdRom* drive = drives_.Drive(index);
  if (!transport || !drive) return;
  TNkToc toc;
  if (!ReadToc(*transport, *drive, BcdCk_->isChecked(), toc)) return;  // the list stays empty
  toc_ = toc;
  for (int i = 0; i < toc_.TrackCount; ++i) {
    auto* item =
        new QListWidgetItem(Q(TrackLine(i, toc_.Tracks[static_cast<std::size_t>(i)])), TrackList_);
    item->setSelected(true);
  }
  // The focus rectangle starts on the first line, as a fresh list box has it.
  if (TrackList_->count() > 0) TrackList_->setCurrentRow(0, QItemSelectionModel::NoUpdate);
}

void TRipFrm::SelectBtnClick() { TrackList_->selectAll(); }

RipOptions TRipFrm::CurrentOptions() const {
  RipOptions options;
  options.command = CmdCmb_->currentIndex();
  options.readSize = ReadSizeUd_->Position();
  options.syncSize = SyncSizeUd_->Position();
  options.subcodeOnly = RwsCk_->isChecked();
  options.retries = RetryUd_->Position();
  options.fixSlip = SlipCk_->isChecked();
  return options;
}

void TRipFrm::RipBtnClick() {
  const int focused = TrackList_->currentRow();
  if (TrackList_->selectedItems().isEmpty() || focused < 0 ||
      ReadSizeUd_->Position() <= SyncSizeUd_->Position())
    return;
  const std::optional<std::string> chosen = AskOutputName(std::string(), true);
  if (!chosen) return;
  fileName_ = *chosen;
  TitleOutput output;
  output.kind = ChosenKind();
  output.path = fileName_;
  if (IsMp3g(output.kind)) {
    // The name decides between a zip and a pair, as when creating a title.
    const std::optional<TitleOutput> named = TitleOutputFor(fileName_);
    if (!named || !IsMp3g(named->kind)) {
      dialogs_.Beep();
      dialogs_.Error(this, Format(Tr("%1 is not an MP3+G name: end it in .zip, or in .mp3, .ogg, "
                                     ".flac or .wav for a song with its .cdg beside it."),
                                  {IoStatus::Quoted(fileName_)}));
      return;
    }
    output = *named;
  }
  const int index = DrvCmb_->currentIndex();
  // A disc image's own files are never ripped over.
  if (const std::string clash = OutputClashMessage(drives_.Inputs(index), OutputFiles(output));
      !clash.empty()) {
    dialogs_.Beep();
    dialogs_.Error(this, clash);
    return;
  }
  for (const std::string& file : OutputFiles(output))
    if (!MayReplace(dialogs_, this, file, SaveBeep::Yes)) return;
  ScsiTransport* transport = drives_.Transport(index);
  const TNkCdRom* drive = drives_.Drive(index);
  if (!transport || !drive ||
      !job_.StartSingle(*transport, *drive, toc_, focused, output, CurrentOptions())) {
    job_.SetJobStatus(kJobIdle);
    return;
  }
  RunProgressAndReport(output.kind, 1,
                       std::filesystem::path(fileName_).replace_extension().string());
}

TitleOutputKind TRipFrm::ChosenKind() const {
  const int index = OutCmb_->currentIndex();
  return index < 0 ? TitleOutputKind::Cdg : static_cast<TitleOutputKind>(index);
}

std::optional<std::string> TRipFrm::AskOutputName(const std::string& title, bool withExtension) {
  const TitleOutputKind kind = ChosenKind();
  const bool rws = kind == TitleOutputKind::Rws;
  std::string filter = kCdgFilter;
  std::string extension = ".cdg";
  if (rws) {
    filter = kRwsFilter;
    extension = ".rws";
  } else if (kind == TitleOutputKind::Zip) {
    filter = Tr(kZipFilter);
    extension = ".zip";
  } else if (kind == TitleOutputKind::Pair) {
    filter = kPairFilter;
    extension = ".mp3";
  }
  return dialogs_.SaveFile(this, title, rws ? rwsDir_ : cdgDir_, filter,
                           withExtension ? extension : std::string());
}

void TRipFrm::RipBtn2Click() {
  std::vector<int> positions;
  for (int i = 0; i < TrackList_->count(); ++i)
    if (TrackList_->item(i)->isSelected()) positions.push_back(i);
  if (positions.empty() || ReadSizeUd_->Position() <= SyncSizeUd_->Position()) return;
  const std::optional<std::string> chosen = AskOutputName(Tr(kBaseNameTitle), false);
  if (!chosen) return;
  fileName_ = std::filesystem::path(*chosen).replace_extension().string();
  RipOutput output;
  output.kind = ChosenKind();
  // A pair's song is the kind the chosen name ends in, MP3 for any other.
  if (output.kind == TitleOutputKind::Pair)
    if (const std::optional<TitleOutput> named = TitleOutputFor(*chosen);
        named && named->kind == TitleOutputKind::Pair)
      output.song = named->song;
  const int index = DrvCmb_->currentIndex();
  ScsiTransport* transport = drives_.Transport(index);
  const TNkCdRom* drive = drives_.Drive(index);
  if (!transport || !drive ||
      !job_.StartBatch(*transport, *drive, toc_, positions, fileName_, output, CurrentOptions())) {
    job_.SetJobStatus(kJobIdle);
    return;
  }
  RunProgressAndReport(output.kind, static_cast<int>(positions.size()), fileName_);
}

void TRipFrm::RunProgressAndReport(TitleOutputKind kind, int files, const std::string& logBase) {
  ProgressDlg_->SetRwsOnly(kind == TitleOutputKind::Rws);
  ProgressDlg_->SetBaseText(IsMp3g(kind) ? CreatingText(kind) : std::string());
  ProgressDlg_->SetCaptionText(CreatingText(kind) + CountText(1, files) + "...");
  ProgressDlg_->exec();  // closed by the worker's end code
  job_.Wait();

  // The figures stay in the window until the next rip; the log keeps them.
  const std::vector<TrackRipReport>& reports = job_.Reports();
  ReportMemo_->setPlainText(Q(FormatRipReports(reports)));
  logName_.clear();
  std::string logNote;
  const std::uint8_t status = job_.JobStatus();
  // A failed track leaves no output, nor does a cancelled MP3+G one, so no
  // log beside it either.
  if (!reports.empty() && status != kJobFailed &&
      !(IsMp3g(kind) && status == kJobCancelRequested)) {
    const std::string name = RipLogName(logBase, false);
    if (const IoStatus logged = WriteRipLog(name, reports); logged)
      logName_ = name;
    else
      logNote = "\n" + logged.error();
  }

  dialogs_.Beep();
  std::string text = RipOutcomeText(status, kind);
  if (const std::uint64_t bad = UnrepairablePacks(reports); bad != 0)
    text += "\n" + Format(Tr("%1 packs could not be repaired; their sectors are listed in the "
                             "window's report and in its log."),
                          {std::to_string(bad)});
  text += logNote;
  if (status == kJobSucceeded || status == kJobCancelRequested)
    dialogs_.Information(this, text);
  else
    dialogs_.Error(this, job_.Error().empty() ? text : text + "\n" + job_.Error());
  job_.SetJobStatus(kJobIdle);
}

}  // namespace mosaicer
