#include "app/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStatusBar>
#include <QVBoxLayout>

#include <filesystem>

#include "app/about_box.h"
#include "app/bitmap_image.h"
#include "app/gen_setting_dlg.h"
#include "app/picture_box.h"
#include "app/progress_dialogs.h"
#include "app/save_check.h"
#include "app/screen_fit.h"
#include "app/tr.h"
#include "app/up_down.h"
#include "app/window_placement.h"
#include "authoring/messages.h"
#include "core/subcode_pack.h"
#include "effects/ui/tlo_frm.h"
#include "effects/ui/tlo_view_frm.h"
#include "image/ui/bmp_frm.h"
#include "media/audio_reader.h"
#include "media/media_messages.h"
#include "media/picture_reader.h"
#include "platform/bmp_codec.h"
#include "platform/file_util.h"
#include "player/ui/cdg_display.h"
#include "player/ui/play_frm.h"
#include "ripper/ui/rip_frm.h"
#include "utility/ui/util_frm.h"

namespace mosaicer {
namespace {

constexpr const char* kFormSection = "Form";
constexpr const char* kPathSection = "Path";
constexpr const char* kOptionsSection = "Options";
constexpr Placement kDefaultPlacement{100, 100, 560, 560};
// The window keeps this height; only its width can change.
constexpr int kMinWidth = 500;
constexpr int kFixedHeight = 545;
// BlankUd starts here until the settings give its position.
constexpr int kBlankStart = 1;

constexpr const char* kBmpFilter = media_text::kPictureFilter;
constexpr const char* kWavFilter = media_text::kSongFilter;
constexpr const char* kCdgFilter = "CDG Files (*.cdg)|*.cdg|BIN Files (*.bin)|*.bin|All Files|*.*";
constexpr const char* kRwsFilter = "RWS Files (*.rws)|*.rws|All Files|*.*";
constexpr const char* kMp3gFilter = N_(
    "MP3+G Zip (*.zip)|*.zip|MP3 + CDG (*.mp3)|*.mp3|Ogg + CDG (*.ogg)|*.ogg|"
    "FLAC + CDG (*.flac)|*.flac|WAV + CDG (*.wav)|*.wav");

constexpr const char* kNormalOrder = N_("Normal");
constexpr const char* kMsfMask = "99:99:99;_";
constexpr int kMsfTextLength = 8;  // "00:00:00"
constexpr const char* kMsfFieldName = N_("Time (MSF)");
constexpr int kStatusMillis = 10000;

QString Q(const std::string& s) { return QString::fromStdString(s); }

std::string FolderOf(const std::string& file) {
  return std::filesystem::path(file).parent_path().string();
}

std::string NotAPictureMessage(const std::string& file) {
  return Format(Tr("Cannot read \"%1\" as a bitmap."), {file});
}

std::string SavedMessage(const std::string& file) { return Format(Tr("Saved \"%1\"."), {file}); }

}  // namespace

AppPaths ProgramAppPaths() {
  const std::filesystem::path program = ProgramPath();
  const std::filesystem::path folder = SettingsFolder(program);
  std::string stem = program.stem().string();
  if (stem.empty()) stem = kAppFolderName;
  return {(folder / (stem + ".ini")).string(), EffectFolder(program).string(),
          UserEffectFolder(program).string()};
}

TMscMainFrm::TMscMainFrm(Dialogs& dialogs, AppPaths paths, QWidget* parent)
    : QMainWindow(parent), dialogs_(dialogs), paths_(std::move(paths)) {
  setObjectName("MscMainFrm");
  setWindowTitle(QStringLiteral("Mosaicer"));
  BuildControls();
  BuildMenus();
  UpdateCommands();

  IniFile ini;
  ini.Load(paths_.settingsFile);  // a missing file leaves every default
  ReadSettings(ini);

  // The other windows, each with its own settings.
  bmpFrm_ = new TBmpFrm(dialogs_, this);
  bmpFrm_->ReadSettings(ini);
  // The editor tests its effects in the viewer, so the viewer comes first.
  tloViewFrm_ = new TTloViewFrm(this);
  tloViewFrm_->ReadSettings(ini);
  tloFrm_ = new TTloFrm(dialogs_, *tloViewFrm_, this);
  tloFrm_->ReadSettings(ini);
  cdgDisplay_ = new TCdgDisplay(this);
  playFrm_ = new TPlayFrm(dialogs_, *cdgDisplay_, this);
  playFrm_->ReadSettings(ini);
  utilFrm_ = new TUtilFrm(dialogs_, this);
  utilFrm_->ReadSettings(ini);
  ripFrm_ = new TRipFrm(dialogs_, FolderOf(paths_.settingsFile), this);
  ripFrm_->ReadSettings(ini);
  progressDlg_ = new TProgressDlg(job_, this);
  aboutBox_ = new TAboutBox(dialogs_, this);
  aboutBox_->ReadSettings(ini);
  genSettingDlg_ = new TGenSettingDlg(dialogs_, this);
  genSettingDlg_->ReadSettings(ini);
}

TMscMainFrm::~TMscMainFrm() {
  job_.Wait();
  // The player stops its song and needs the display until then.
  delete playFrm_;
}

void TMscMainFrm::BuildControls() {
  // The controls scroll when the screen has less room than they need.
  auto* scroll = new QScrollArea(this);
  scroll->setObjectName("BodyScroll");
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setWidgetResizable(true);
  auto* central = new QWidget(scroll);
  central->setObjectName("Body");
  auto* layout = new QGridLayout(central);
  const auto named = [](QWidget* w, const char* name) {
    w->setObjectName(name);
    return w;
  };

  BmpPathLbl_ = new QLabel(QStringLiteral("Bmp File:"), central);
  BmpPathEdit_ = new QLineEdit(central);
  BmpPathEdit_->setReadOnly(true);
  BmpBrowseBtn_ = new QPushButton(QStringLiteral("&Browse"), central);
  named(BmpPathLbl_, "BmpPathLbl");
  named(BmpPathEdit_, "BmpPathEdit");
  named(BmpBrowseBtn_, "BmpBrowseBtn");
  layout->addWidget(BmpPathLbl_, 0, 0);
  layout->addWidget(BmpPathEdit_, 0, 1);
  layout->addWidget(BmpBrowseBtn_, 0, 2);

  BmpScroll_ = new QScrollArea(central);
  named(BmpScroll_, "BmpScroll");
  BmpImg_ = new PictureBox;
  BmpScroll_->setWidget(BmpImg_);
  BmpScroll_->setWidgetResizable(true);
  BmpSaveBtn_ = new QPushButton(Tq("Sa&ve"), central);
  named(BmpSaveBtn_, "BmpSaveBtn");
  layout->addWidget(BmpScroll_, 1, 0, 1, 2);
  layout->addWidget(BmpSaveBtn_, 1, 2, Qt::AlignTop);

  WavPathLbl_ = new QLabel(QStringLiteral("Wave File:"), central);
  WavPathEdit_ = new QLineEdit(central);
  WavPathEdit_->setReadOnly(true);
  WavBrowseBtn_ = new QPushButton(QStringLiteral("Bro&wse"), central);
  named(WavPathLbl_, "WavPathLbl");
  named(WavPathEdit_, "WavPathEdit");
  named(WavBrowseBtn_, "WavBrowseBtn");
  layout->addWidget(WavPathLbl_, 2, 0);
  layout->addWidget(WavPathEdit_, 2, 1);
  layout->addWidget(WavBrowseBtn_, 2, 2);
  WavLengthLbl_ = new QLabel(central);
  named(WavLengthLbl_, "WavLengthLbl");
  WavLengthLbl_->setWordWrap(true);
  WavLengthLbl_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  WavLengthLbl_->hide();  // until a song is chosen
  layout->addWidget(WavLengthLbl_, 3, 1);

  OptionsGBox_ = new QGroupBox(QStringLiteral(" Options "), central);
  named(OptionsGBox_, "OptionsGBox");
  auto* options = new QGridLayout(OptionsGBox_);
  const auto label = [&](const char* text, const char* name) {
    return named(new QLabel(QString::fromUtf8(Tr(text)), OptionsGBox_), name);
  };
  OrderCmb_ = new QComboBox(OptionsGBox_);
  TestBtn_ = new QPushButton(QStringLiteral("&Test"), OptionsGBox_);
  named(OrderCmb_, "OrderCmb");
  named(TestBtn_, "TestBtn");
  options->addWidget(label(N_("Effect:"), "OrderLbl"), 0, 0);
  options->addWidget(OrderCmb_, 0, 1, 1, 3);
  options->addWidget(TestBtn_, 0, 4);

  OptimizeCmb_ = new QComboBox(OptionsGBox_);
  named(OptimizeCmb_, "OptimizeCmb");
  OptimizeCmb_->addItems({Tq("None"), Tq("By tile"), Tq("Full")});
  options->addWidget(label(N_("Optimization:"), "OptimizeLbl"), 1, 0);
  options->addWidget(OptimizeCmb_, 1, 1, 1, 3);

  TimingCmb_ = new QComboBox(OptionsGBox_);
  named(TimingCmb_, "TimingCmb");
  TimingCmb_->addItems({Tq("Show while playing"), Tq("Show, then play"),
                        Tq("Show first if time allows"), Tq("Show by the time (MSF)")});
  PosMSFEdit_ = new QLineEdit(OptionsGBox_);
  named(PosMSFEdit_, "PosMSFEdit");
  PosMSFEdit_->setInputMask(kMsfMask);
  PosMSFEdit_->setMaxLength(kMsfTextLength);
  PosMSFEdit_->installEventFilter(this);
  PosMSFUd_ = new UpDown(OptionsGBox_);
  named(PosMSFUd_, "PosMSFUd");
  auto* msf = new QHBoxLayout;
  msf->setSpacing(0);
  msf->addWidget(PosMSFEdit_);
  msf->addWidget(PosMSFUd_);
  options->addWidget(label(N_("Timing:"), "TimingLbl"), 2, 0);
  options->addWidget(TimingCmb_, 2, 1, 1, 2);
  options->addLayout(msf, 2, 3);

  BlankUd_ = new QSpinBox(OptionsGBox_);
  named(BlankUd_, "BlankUd");
  BlankUd_->setRange(0, kMaxBlankSectors);
  BlankUd_->setWrapping(false);
  BlankUd_->setValue(kBlankStart);
  options->addWidget(label(N_("Empty packs:"), "BlankLbl"), 3, 0);
  options->addWidget(BlankUd_, 3, 1);
  options->addWidget(label("frames", "FrameLbl"), 3, 2);
  layout->addWidget(OptionsGBox_, 4, 0, 1, 3);

  MakeBtn_ = new QPushButton(QStringLiteral("&Create"), central);
  named(MakeBtn_, "MakeBtn");
  layout->addWidget(MakeBtn_, 5, 2);
  layout->setRowStretch(1, 1);
  layout->setColumnStretch(1, 1);
  scroll->setWidget(central);
  setCentralWidget(scroll);
  statusBar()->setObjectName("StatusBar");
  statusBar()->setSizeGripEnabled(false);
  WavInfoLbl_ = new QLabel(statusBar());
  named(WavInfoLbl_, "WavInfoLbl");
  statusBar()->addPermanentWidget(WavInfoLbl_);

  // Every field reads as what its label says.
  BmpPathLbl_->setBuddy(BmpPathEdit_);
  WavPathLbl_->setBuddy(WavPathEdit_);
  findChild<QLabel*>("OrderLbl")->setBuddy(OrderCmb_);
  findChild<QLabel*>("OptimizeLbl")->setBuddy(OptimizeCmb_);
  findChild<QLabel*>("TimingLbl")->setBuddy(TimingCmb_);
  findChild<QLabel*>("BlankLbl")->setBuddy(BlankUd_);
  PosMSFEdit_->setAccessibleName(Tq(kMsfFieldName));
  PosMSFUd_->setAccessibleName(Tq("Adjust the time (MSF)"));
  BmpImg_->setAccessibleName(Tq("Bitmap"));
  ApplyWindowLimits();

  connect(BmpBrowseBtn_, &QPushButton::clicked, this, [this] { FileOpenBmpExecute(); });
  connect(BmpSaveBtn_, &QPushButton::clicked, this, [this] { FileSaveBmpExecute(); });
  connect(WavBrowseBtn_, &QPushButton::clicked, this, [this] { FileOpenWavExecute(); });
  connect(MakeBtn_, &QPushButton::clicked, this, [this] { FileMakeCdgExecute(); });
  connect(TestBtn_, &QPushButton::clicked, this, [this] { TestBtnClick(); });
  connect(TimingCmb_, &QComboBox::currentIndexChanged, this, [this] { TimingCmbChange(); });
  connect(PosMSFEdit_, &QLineEdit::textChanged, this, [this] { PosMSFEditChange(); });
  connect(PosMSFUd_, &UpDown::up, this, [this] { PosMSFUdClick(true); });
  connect(PosMSFUd_, &UpDown::down, this, [this] { PosMSFUdClick(false); });
}

void TMscMainFrm::BuildMenus() {
  const auto add = [this](QMenu* menu, const char* text, const char* name, auto handler) {
    QAction* action = menu->addAction(Tq(text));
    action->setObjectName(name);
    connect(action, &QAction::triggered, this, handler);
    return action;
  };
  QMenu* file = menuBar()->addMenu(Tq("&File"));
  add(file, N_("Choose &Bitmap..."), "FileOpenBmp", [this] { FileOpenBmpExecute(); });
  add(file, N_("Choose &Wave File..."), "FileOpenWav", [this] { FileOpenWavExecute(); });
  file->addSeparator();
  add(file, N_("&Create CDG File..."), "FileMakeCdg", [this] { FileMakeCdgExecute(); });
  add(file, N_("Create &RWS File..."), "FileMakeRws", [this] { FileMakeRwsExecute(); });
  add(file, N_("Save as &MP3+G..."), "FileMakeMp3g", [this] { FileMakeMp3gExecute(); });
  add(file, N_("&Save as Bitmap..."), "FileSaveBmp", [this] { FileSaveBmpExecute(); });
  file->addSeparator();
  add(file, N_("E&xit"), "FileExit", [this] { FileExitExecute(); });

  QMenu* settings = menuBar()->addMenu(Tq("&Settings"));
  add(settings, N_("&General..."), "SettingsGeneral", [this] { SettingsGeneralExecute(); });

  QMenu* tools = menuBar()->addMenu(Tq("T&ools"));
  add(tools, N_("&Effect Editor"), "ToolsTlo", [this] { ToolsTloExecute(); });
  add(tools, N_("CDG &Player"), "ToolsPlay", [this] { ToolsPlayExecute(); });
  add(tools, N_("CDG &Ripper"), "ToolsRip", [this] { ToolsRipExecute(); });
  add(tools, N_("&Divide and Combine"), "ToolsDivide", [this] { ToolsDivideExecute(); });

  QMenu* help = menuBar()->addMenu(Tq("&Help"));
  add(help, N_("&About Mosaicer"), "HelpAbout", [this] { HelpAboutExecute(); });
}

QAction* TMscMainFrm::Action(const char* name) const { return findChild<QAction*>(name); }

void TMscMainFrm::ApplyWindowLimits() {
  FitSizeLimits(*this, QSize(kMinWidth, kFixedHeight), QSize(QWIDGETSIZE_MAX, kFixedHeight));
}

void TMscMainFrm::UpdateCommands() {
  const bool picture = !BmpPathEdit_->text().isEmpty();
  const bool song = !WavPathEdit_->text().isEmpty();
  MakeBtn_->setEnabled(picture && song);
  Action("FileMakeCdg")->setEnabled(picture && song);
  Action("FileMakeMp3g")->setEnabled(picture && song);
  Action("FileMakeRws")->setEnabled(picture);
  Action("FileSaveBmp")->setEnabled(picture);
  BmpSaveBtn_->setEnabled(picture);
}

void TMscMainFrm::ShowStatus(const std::string& text) {
  statusBar()->showMessage(Q(text), kStatusMillis);
}

// ---- settings -------------------------------------------------------------

void TMscMainFrm::ReadSettings(const IniFile& ini) {
  ReadPlacement(*this, ini, kFormSection, kDefaultPlacement);
  const auto path = [&](const char* key) { return ini.ReadString(kPathSection, key); };
  WavDir_ = path("WavDir");
  BmpDir_ = path("BmpDir");
  CdgDir_ = path("CdgDir");
  RwsDir_ = path("RwsDir");
  TloDir_ = path("TloDir");
  if (TloDir_.empty()) TloDir_ = paths_.defaultEffectFolder;

  const std::string dispEffect = ini.ReadString(kOptionsSection, "DispEffect");
  const auto index = [&](const char* key, const QComboBox* box) {
    const auto value = ini.ReadInteger(kOptionsSection, key, 0);
    return value >= 0 && value < box->count() ? static_cast<int>(value) : -1;
  };
  OptimizeCmb_->setCurrentIndex(index("Optimize", OptimizeCmb_));
  TimingCmb_->setCurrentIndex(index("Timing", TimingCmb_));
  state_.limitField.SetLimit(ini.ReadInteger(kOptionsSection, "Limit", 0));
  BlankUd_->setValue(
      static_cast<int>(ini.ReadInteger(kOptionsSection, "Blank", kDefaultBlankSectors)));

  TimingCmbChange();
  ShowLimit();

  BuildEffectList();
  OrderCmb_->setCurrentIndex(FindEffectByTitle(effects_, dispEffect));
}

void TMscMainFrm::WriteSettings() {
  // Writes into the file as it now stands, so other programs' lines and
  // sections stay.
  IniFile ini;
  ini.Load(paths_.settingsFile);
  WritePlacement(*this, ini, kFormSection, true);
  ini.WriteString(kPathSection, "WavDir", WavDir_);
  ini.WriteString(kPathSection, "BmpDir", BmpDir_);
  ini.WriteString(kPathSection, "CdgDir", CdgDir_);
  ini.WriteString(kPathSection, "RwsDir", RwsDir_);
  ini.WriteString(kPathSection, "TloDir", TloDir_);
  const int order = OrderCmb_->currentIndex();
  ini.WriteString(kOptionsSection, "DispEffect",
                  order > 0 ? OrderCmb_->currentText().toStdString() : "");
  ini.WriteInteger(kOptionsSection, "Optimize", OptimizeCmb_->currentIndex());
  ini.WriteInteger(kOptionsSection, "Timing", TimingCmb_->currentIndex());
  ini.WriteInteger(kOptionsSection, "Limit", state_.Limit());
  ini.WriteInteger(kOptionsSection, "Blank", BlankUd_->value());

  bmpFrm_->WriteSettings(ini);
  playFrm_->WriteSettings(ini);
  ripFrm_->WriteSettings(ini);
  utilFrm_->WriteSettings(ini);
  tloFrm_->WriteSettings(ini);
  tloViewFrm_->WriteSettings(ini);
  genSettingDlg_->WriteSettings(ini);
  aboutBox_->WriteSettings(ini);

  CreateFolders(FolderOf(paths_.settingsFile));
  // The settings are written as the window closes: say so when they could
  // not be kept, since the next start will not find them.
  if (const IoStatus saved = ini.Save(paths_.settingsFile); !saved)
    dialogs_.Error(this, saved.error());
}

void TMscMainFrm::closeEvent(QCloseEvent* event) {
  WriteSettings();
  event->accept();
}

// ---- effect list ----------------------------------------------------------

void TMscMainFrm::BuildEffectList() {
  const std::string kept =
      OrderCmb_->currentIndex() > 0 ? OrderCmb_->currentText().toStdString() : std::string();
  QSignalBlocker block(OrderCmb_);
  OrderCmb_->clear();
  effects_ = FindEffects(TloDir_);
  OrderCmb_->addItem(Tq(kNormalOrder));
  for (const EffectEntry& effect : effects_) OrderCmb_->addItem(Q(effect.title));
  OrderCmb_->setCurrentIndex(FindEffectByTitle(effects_, kept));
}

// ---- MSF target -----------------------------------------------------------

void TMscMainFrm::TimingCmbChange() {
  const bool target = TimingCmb_->currentIndex() == kTimingTarget;
  PosMSFEdit_->setEnabled(target);
  PosMSFUd_->setEnabled(target);
}

void TMscMainFrm::ShowLimit() {
  QSignalBlocker block(PosMSFEdit_);
  PosMSFEdit_->setText(Q(state_.limitField.ShowLimit()));
}

void TMscMainFrm::PosMSFEditChange() {
  const int cursor = PosMSFEdit_->cursorPosition();
  const std::string shown =
      state_.limitField.EditChange(PosMSFEdit_->displayText().toStdString(), cursor);
  QSignalBlocker block(PosMSFEdit_);
  PosMSFEdit_->setText(Q(shown));
  PosMSFEdit_->setCursorPosition(cursor);
}

void TMscMainFrm::PosMSFUdClick(bool up) {
  const std::string shown = up ? state_.limitField.StepUp() : state_.limitField.StepDown();
  QSignalBlocker block(PosMSFEdit_);
  PosMSFEdit_->setText(Q(shown));
}

bool TMscMainFrm::eventFilter(QObject* watched, QEvent* event) {
  // The arrow keys in the field act as the up-down's buttons; the field
  // still sees the key.
  if (watched == PosMSFEdit_ && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Up) PosMSFUdClick(true);
    if (key == Qt::Key_Down) PosMSFUdClick(false);
  }
  return QMainWindow::eventFilter(watched, event);
}

// ---- commands -------------------------------------------------------------

void TMscMainFrm::FileOpenBmpExecute() {
  const auto file = dialogs_.OpenFile(this, std::string(), BmpDir_, Tr(kBmpFilter));
  if (!file) return;
  BmpDir_ = FolderOf(*file);
  BitmapResult loaded = ReadPicture(*file);
  if (!loaded.ok()) {
    dialogs_.Error(this, NotAPictureMessage(*file) + "\n" + loaded.error);
    return;
  }
  Bitmap& picture = *loaded.bitmap;
  LogPalette palette = LogPalette::Cleared(kUsedPaletteEntries);
  int border = 0;
  // The wizard refuses a picture smaller than the area unless it is to be
  // scaled (fit or fill).
  if (!bmpFrm_->SetPicture(&picture, &palette, &border)) {
    dialogs_.Error(this, PictureTooSmallMessage());
    return;
  }
  if (bmpFrm_->exec() != QDialog::Accepted) return;
  state_.picture = std::move(picture);
  state_.palette = palette;
  state_.borderIndex = border;
  BmpPathEdit_->setText(Q(*file));
  BmpImg_->SetImage(ToQImage(state_.picture));
  UpdateCommands();
}

void TMscMainFrm::FileOpenWavExecute() {
  const auto file = dialogs_.OpenFile(this, std::string(), WavDir_, Tr(kWavFilter));
  if (!file) return;
  WavDir_ = FolderOf(*file);
  const AudioOpenResult song = OpenAudio(*file);
  if (!song.ok()) {
    dialogs_.Error(this, song.error);
    return;
  }
  state_.wave = song.reader->Wave();
  state_.wavConversion = song.reader->Conversion();
  state_.wavPath = *file;
  WavInfoLbl_->setText(Q(SongSummary(*song.reader)));
  WavLengthLbl_->setText(Q(SongLengthText(*song.reader)));
  WavLengthLbl_->show();
  WavPathEdit_->setText(Q(*file));
  const std::string shown =
      state_.limitField.AcceptWav(state_.AudioSectors(), PosMSFEdit_->displayText().toStdString());
  QSignalBlocker block(PosMSFEdit_);
  PosMSFEdit_->setText(Q(shown));
  UpdateCommands();
}

std::string TMscMainFrm::ChooseSaveTarget(std::string& folder, const std::string& filter,
                                          const std::string& extension) {
  const auto file = dialogs_.SaveFile(this, std::string(), folder, filter, extension);
  if (!file) return {};
  folder = FolderOf(*file);
  // The creation reads the song while it writes: never into the song itself.
  if (const std::string clash = OutputClashMessage({state_.wavPath}, {*file}); !clash.empty()) {
    dialogs_.Error(this, clash);
    return {};
  }
  if (!MayReplace(dialogs_, this, *file)) return {};
  return *file;
}

void TMscMainFrm::TakeOptions() {
  const int order = OrderCmb_->currentIndex();
  state_.effectFile = order > 0 ? effects_[static_cast<std::size_t>(order - 1)].file.FileName : "";
  state_.optimize = OptimizeCmb_->currentIndex();
  state_.timing = TimingCmb_->currentIndex();
  state_.blank = BlankUd_->value();
}

void TMscMainFrm::FileMakeCdgExecute() {
  if (BmpPathEdit_->text().isEmpty() || WavPathEdit_->text().isEmpty()) return;
  const std::string file = ChooseSaveTarget(CdgDir_, kCdgFilter, "cdg");
  if (file.empty()) return;
  TitleOutput output;
  output.path = file;
  CreateTitle(output);
}

void TMscMainFrm::FileMakeMp3gExecute() {
  if (BmpPathEdit_->text().isEmpty() || WavPathEdit_->text().isEmpty()) return;
  const std::string file = ChooseSaveTarget(CdgDir_, Tr(kMp3gFilter), "zip");
  if (file.empty()) return;
  const std::optional<TitleOutput> output = TitleOutputFor(file);
  if (!output || output->kind == TitleOutputKind::Cdg || output->kind == TitleOutputKind::Rws) {
    dialogs_.Error(this, Format(Tr("%1 is not an MP3+G name: end it in .zip, or in .mp3, .ogg, "
                                   ".flac or .wav for a song with its .cdg beside it."),
                                {IoStatus::Quoted(file)}));
    return;
  }
  // A pair's subcode goes beside the song: it may not be the song read
  // either, and replacing it is asked too.
  if (output->kind == TitleOutputKind::Pair) {
    if (const std::string clash = OutputClashMessage({state_.wavPath}, OutputFiles(*output));
        !clash.empty()) {
      dialogs_.Error(this, clash);
      return;
    }
    if (!MayReplace(dialogs_, this, output->subcodePath)) return;
  }
  CreateTitle(*output);
}

void TMscMainFrm::CreateTitle(const TitleOutput& output) {
  TakeOptions();
  if (!job_.Start(state_, ecc_, output)) {
    job_.SetJobStatus(kJobIdle);
    return;
  }
  progressDlg_->exec();  // the job closes it when it ends
  job_.Wait();
  const Outcome outcome = CreationOutcome(job_.JobStatus(), output.kind);
  if (outcome.error)
    dialogs_.Error(this, job_.Error().empty() ? outcome.text : outcome.text + "\n" + job_.Error());
  else
    dialogs_.Information(this, outcome.text);
  job_.SetJobStatus(kJobIdle);
}

void TMscMainFrm::FileMakeRwsExecute() {
  if (BmpPathEdit_->text().isEmpty()) return;
  const std::string file = ChooseSaveTarget(RwsDir_, kRwsFilter, "rws");
  if (file.empty()) return;
  TakeOptions();
  if (const IoStatus saved = SaveRwsFile(state_, ecc_, file); saved)
    dialogs_.Information(this, kRwsCreated);
  else
    dialogs_.Error(this, std::string(kRwsFailed) + "\n" + saved.error());
}

void TMscMainFrm::FileSaveBmpExecute() {
  if (BmpPathEdit_->text().isEmpty()) return;
  const std::string file = ChooseSaveTarget(BmpDir_, Tr(kBmpFilter), ".bmp");
  if (file.empty()) return;
  if (const IoStatus saved = SaveVisibleBmp(state_, file); !saved) {
    dialogs_.Error(this, std::string(kBmpFailed) + "\n" + saved.error());
    return;
  }
  ShowStatus(SavedMessage(file));
}

void TMscMainFrm::FileExitExecute() { close(); }

void TMscMainFrm::SettingsGeneralExecute() {
  genSettingDlg_->SetTarget(&TloDir_);
  if (genSettingDlg_->exec() == QDialog::Accepted) BuildEffectList();
}

// The tool windows get copies of the folders; what they change there stays
// with them.
void TMscMainFrm::ToolsTloExecute() {
  tloFrm_->SetTloDir(TloDir_);
  tloFrm_->SetOwnTloDir(paths_.ownEffectFolder);
  tloFrm_->exec();
  // Except this one: an effect saved into the user's own folder because the
  // effect folder was read-only makes the own folder the effect folder.
  if (tloFrm_->TloDir() == paths_.ownEffectFolder && IsReadOnly(TloDir_)) TloDir_ = tloFrm_->TloDir();
  BuildEffectList();  // a saved effect is offered at once
}

void TMscMainFrm::ToolsPlayExecute() {
  playFrm_->SetCdgDir(CdgDir_);
  playFrm_->exec();
}

void TMscMainFrm::ToolsRipExecute() {
  ripFrm_->SetFolders(CdgDir_, RwsDir_);
  ripFrm_->exec();
}

void TMscMainFrm::ToolsDivideExecute() {
  utilFrm_->SetFolders(CdgDir_, WavDir_, RwsDir_);
  utilFrm_->exec();
}

void TMscMainFrm::HelpAboutExecute() { aboutBox_->exec(); }

void TMscMainFrm::TestBtnClick() {
  const int order = OrderCmb_->currentIndex();
  if (order < 0) return;
  if (BmpPathEdit_->text().isEmpty()) {
    tloViewFrm_->SetTestPicture(nullptr, 0);
  } else {
    // The border colour: the picture's top-left pixel.
    const Rgb corner = state_.picture.ColourAt(0, 0);
    const std::uint32_t colour = static_cast<std::uint32_t>(corner.r) |
                                 static_cast<std::uint32_t>(corner.g) << 8 |
                                 static_cast<std::uint32_t>(corner.b) << 16;
    tloViewFrm_->SetTestPicture(&state_.picture, colour);
  }
  tloViewFrm_->LoadEffect(order > 0 ? effects_[static_cast<std::size_t>(order - 1)].file.FileName
                                    : std::string());
  tloViewFrm_->exec();
}

}  // namespace mosaicer
