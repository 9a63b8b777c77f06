#include "utility/ui/util_frm.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QEventLoop>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

#include <algorithm>
#include <system_error>
#include <thread>

#include "app/save_check.h"
#include "app/screen_fit.h"
#include "app/tr.h"
#include "app/window_placement.h"
#include "authoring/messages.h"
#include "media/media_messages.h"
#include "utility/utility_messages.h"

namespace mosaicer {
namespace {

constexpr const char* kFormSection = "UtilForm";
constexpr const char* kSection = "Utility";
constexpr int kMinWidth = 370;
constexpr int kFixedHeight = 170;
constexpr int kInitialBarMaximum = 100;
constexpr int kSpacing = 4;
constexpr TrText kDivideFailedMessage{N_("Dividing failed.")};
constexpr TrText kCombineFailedMessage{N_("Combining failed.")};

QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

TUtilFrm::TUtilFrm(Dialogs& dialogs, QWidget* parent)
    : QDialog(parent),
      dialogs_(dialogs),
      CdgLbl_(new QLabel(QStringLiteral(".CDG"), this)),
      CdgPathEdit_(new QLineEdit(this)),
      CdgBrowseBtn_(new QPushButton(Tq("&Browse"), this)),
      RwsLbl_(new QLabel(QStringLiteral(".RWS"), this)),
      RwsPathEdit_(new QLineEdit(this)),
      RwsBrowseBtn_(new QPushButton(Tq("B&rowse"), this)),
      WavLbl_(new QLabel(QStringLiteral(".WAV"), this)),
      WavPathEdit_(new QLineEdit(this)),
      WavBrowseBtn_(new QPushButton(Tq("Br&owse"), this)),
      NameCk_(new QCheckBox(Tq("Same-name WAV"), this)),
      NoWavCk_(new QCheckBox(Tq("RWS only"), this)),
      ProgressBar_(new QProgressBar(this)),
      DivideBtn_(new QPushButton(Tq("&Divide"), this)),
      CombinBtn_(new QPushButton(Tq("&Combine"), this)) {
  setObjectName("UtilFrm");
  setWindowTitle(kUtilityCaption);
  setModal(true);
  CdgLbl_->setObjectName("CdgLbl");
  CdgPathEdit_->setObjectName("CdgPathEdit");
  CdgBrowseBtn_->setObjectName("CdgBrowseBtn");
  RwsLbl_->setObjectName("RwsLbl");
  RwsPathEdit_->setObjectName("RwsPathEdit");
  RwsBrowseBtn_->setObjectName("RwsBrowseBtn");
  WavLbl_->setObjectName("WavLbl");
  WavPathEdit_->setObjectName("WavPathEdit");
  WavBrowseBtn_->setObjectName("WavBrowseBtn");
  NameCk_->setObjectName("NameCk");
  NoWavCk_->setObjectName("NoWavCk");
  ProgressBar_->setObjectName("ProgressBar");
  DivideBtn_->setObjectName("DivideBtn");
  CombinBtn_->setObjectName("CombinBtn");

  CdgLbl_->setBuddy(CdgPathEdit_);
  RwsLbl_->setBuddy(RwsPathEdit_);
  WavLbl_->setBuddy(WavPathEdit_);
  NameCk_->setChecked(true);
  ProgressBar_->setRange(0, kInitialBarMaximum);
  ProgressBar_->setValue(0);
  ProgressBar_->setTextVisible(false);

  auto* layout = new QGridLayout(ScrollingBody(*this));
  layout->setSpacing(kSpacing);
  layout->addWidget(CdgLbl_, 0, 0);
  layout->addWidget(CdgPathEdit_, 0, 1);
  layout->addWidget(CdgBrowseBtn_, 0, 2);
  layout->addWidget(RwsLbl_, 1, 0);
  layout->addWidget(RwsPathEdit_, 1, 1);
  layout->addWidget(RwsBrowseBtn_, 1, 2);
  layout->addWidget(WavLbl_, 2, 0);
  layout->addWidget(WavPathEdit_, 2, 1);
  layout->addWidget(WavBrowseBtn_, 2, 2);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(NameCk_);
  bottom->addWidget(NoWavCk_);
  bottom->addWidget(ProgressBar_, 1);
  bottom->addWidget(DivideBtn_);
  bottom->addWidget(CombinBtn_);
  layout->addLayout(bottom, 3, 0, 1, 3);
  layout->setColumnStretch(1, 1);

  // The height is fixed; the width may grow to the screen's.
  FitSizeLimits(*this, QSize(kMinWidth, kFixedHeight), QSize(QWIDGETSIZE_MAX, kFixedHeight));

  connect(CdgBrowseBtn_, &QPushButton::clicked, this, [this] { CdgBrowseBtnClick(); });
  connect(RwsBrowseBtn_, &QPushButton::clicked, this, [this] { RwsBrowseBtnClick(); });
  connect(WavBrowseBtn_, &QPushButton::clicked, this, [this] { WavBrowseBtnClick(); });
  // Also when the settings tick the box, as a click would.
  connect(NoWavCk_, &QCheckBox::toggled, this, [this] { NoWavCkClick(); });
  for (QLineEdit* edit : {CdgPathEdit_, WavPathEdit_})
    connect(edit, &QLineEdit::textChanged, this, [this] { UpdateCommands(); });
  // An MP3+G name in the RWS field takes the WAV field out of use.
  connect(RwsPathEdit_, &QLineEdit::textChanged, this, [this] { NoWavCkClick(); });
  connect(DivideBtn_, &QPushButton::clicked, this, [this] { DivideBtnClick(); });
  connect(CombinBtn_, &QPushButton::clicked, this, [this] { CombinBtnClick(); });
  progress_.SetProgressCallback(&TUtilFrm::ProgressCallback, this);
  NoWavCkClick();
}

TUtilFrm::~TUtilFrm() = default;

void TUtilFrm::SetFolders(const std::string& cdgDir, const std::string& wavDir,
                          const std::string& rwsDir) {
  cdgDir_ = cdgDir;
  wavDir_ = wavDir;
  rwsDir_ = rwsDir;
}

void TUtilFrm::ReadSettings(const IniFile& ini) {
  ReadPlacement(*this, ini, kFormSection, {100, 100, 560, kFixedHeight});
  NameCk_->setChecked(ini.ReadBool(kSection, "SameName", true));
  NoWavCk_->setChecked(ini.ReadBool(kSection, "NoWave", false));
}

void TUtilFrm::WriteSettings(IniFile& ini) const {
  WritePlacement(*this, ini, kFormSection, true);
  ini.WriteBool(kSection, "SameName", NameCk_->isChecked());
  ini.WriteBool(kSection, "NoWave", NoWavCk_->isChecked());
}

void TUtilFrm::showEvent(QShowEvent* event) {
  // Opening the window clears the status; restoring it from an icon keeps it.
  if (!event->spontaneous()) setWindowTitle(kUtilityCaption);
  QDialog::showEvent(event);
}

void TUtilFrm::closeEvent(QCloseEvent* event) {
  if (busy_) {
    event->ignore();  // the operation has to end first
    return;
  }
  QDialog::closeEvent(event);
}

void TUtilFrm::reject() {
  if (!busy_) QDialog::reject();
}

void TUtilFrm::CdgBrowseBtnClick() {
  if (const auto file = dialogs_.OpenFile(this, kCdgOpenTitle, cdgDir_, kCdgOpenFilter))
    CdgPathEdit_->setText(Q(*file));
}

void TUtilFrm::RwsBrowseBtnClick() {
  const auto file = dialogs_.SaveFile(this, kRwsSaveTitle, rwsDir_, Tr(kRwsSaveFilter), ".rws");
  if (!file || !Approve(*file)) return;
  RwsPathEdit_->setText(Q(*file));
  WavPathEdit_->setText(
      Q(WavPathAfterRws(*file, NameCk_->isChecked(), WavPathEdit_->text().toStdString())));
}

void TUtilFrm::WavBrowseBtnClick() {
  const auto file =
      dialogs_.SaveFile(this, kWavSaveTitle, wavDir_, Tr(media_text::kSongFilter), ".wav");
  if (file && Approve(*file)) WavPathEdit_->setText(Q(*file));
}

bool TUtilFrm::Approve(const std::string& file) {
  if (!MayReplace(dialogs_, this, file, SaveBeep::Yes)) return false;
  approved_.insert(file);
  return true;
}

bool TUtilFrm::MayWrite(const std::vector<std::string>& inputs,
                        const std::vector<std::string>& outputs, const char* failed) {
  if (const std::string clash = OutputClashMessage(inputs, outputs); !clash.empty()) {
    Refuse(failed, clash);
    return false;
  }
  for (const std::string& output : outputs) {
    // A file chosen in a save dialog was asked about there.
    if (approved_.count(output) == 0 && !MayReplace(dialogs_, this, output, SaveBeep::Yes)) {
      setWindowTitle(kUtilityCaption);  // nothing was done
      return false;
    }
  }
  return true;
}

void TUtilFrm::Refuse(const char* caption, const std::string& message) {
  setWindowTitle(caption);
  dialogs_.Beep();
  dialogs_.Error(this, message);
}

void TUtilFrm::UpdateCommands() {
  const UtilityFields fields = Fields();
  DivideBtn_->setEnabled(DivideReadiness(DivideRequestFor(fields)) != UtilityOutcome::NothingToDo);
  CombinBtn_->setEnabled(!fields.cdgPath.empty() && !fields.rwsPath.empty() &&
                         !fields.wavPath.empty());
}

void TUtilFrm::NoWavCkClick() {
  // An MP3+G output holds its song itself.
  const bool rwsOnly = NoWavCk_->isChecked() || DivideTitleOutput(Fields());
  WavPathEdit_->setEnabled(!rwsOnly);
  WavBrowseBtn_->setEnabled(!rwsOnly);
  // An unused field looks like the face of a button, a usable one like an
  // edit.
  const QPalette standard = QApplication::palette(WavPathEdit_);
  QPalette palette = WavPathEdit_->palette();
  palette.setColor(QPalette::Base, standard.color(rwsOnly ? QPalette::Button : QPalette::Base));
  WavPathEdit_->setPalette(palette);
  UpdateCommands();
}

UtilityFields TUtilFrm::Fields() const {
  UtilityFields fields;
  fields.cdgPath = CdgPathEdit_->text().toStdString();
  fields.rwsPath = RwsPathEdit_->text().toStdString();
  fields.wavPath = WavPathEdit_->text().toStdString();
  fields.noWav = NoWavCk_->isChecked();
  return fields;
}

void TUtilFrm::DivideBtnClick() {
  const DivideRequest request = DivideRequestFor(Fields());
  if (busy_ || DivideReadiness(request) != UtilityOutcome::Succeeded) return;
  if (const auto title = DivideTitleOutput(Fields())) {
    if (!MayWrite({request.cdgPath}, OutputFiles(*title), kDivideFailed.c_str())) return;
    setWindowTitle(Tq(kDividing));
    Finish(RunOnWorker([&](TJobOwner& owner) {
             return DivideToTitle(request.cdgPath, *title, &owner);
           }),
           kDivideSucceeded.c_str(), kDivideFailed.c_str(), kDivideFailedMessage.c_str());
    return;
  }
  std::vector<std::string> outputs{request.rwsPath};
  if (request.writeWav) outputs.push_back(request.wavPath);
  if (!MayWrite({request.cdgPath}, outputs, kDivideFailed.c_str())) return;
  setWindowTitle(Tq(kDividing));
  Finish(RunOnWorker([&request](TJobOwner& owner) { return Divide(request, &owner); }),
         kDivideSucceeded.c_str(), kDivideFailed.c_str(), kDivideFailedMessage.c_str());
}

void TUtilFrm::CombinBtnClick() {
  const CombineRequest request = CombineRequestFor(Fields());
  if (busy_) return;
  switch (CombineReadiness(request)) {
    case UtilityOutcome::Succeeded:
      break;
    case UtilityOutcome::NotCdAudio:
      Refuse(kCombineFailed.c_str(), NotCdAudioMessage(request.wavPath));
      return;
    default:
      return;
  }
  if (!MayWrite({request.rwsPath, request.wavPath}, {request.cdgPath}, kCombineFailed.c_str()))
    return;
  setWindowTitle(Tq(kCombining));
  Finish(RunOnWorker([&request](TJobOwner& owner) { return Combine(request, &owner); }),
         kCombineSucceeded.c_str(), kCombineFailed.c_str(), kCombineFailedMessage.c_str());
}

void TUtilFrm::Finish(const UtilityResult& result, const char* succeeded, const char* failed,
                      const char* failedMessage) {
  approved_.clear();  // a later run asks again about what this one wrote
  if (result.ok()) {
    setWindowTitle(succeeded);
    return;
  }
  std::string message = failedMessage;
  if (!result.error.empty()) message += "\n" + result.error;
  Refuse(failed, message);
}

UtilityResult TUtilFrm::RunOnWorker(const std::function<UtilityResult(TJobOwner&)>& operation) {
  busy_ = true;
  UtilityResult result;
  QEventLoop loop;
  try {
    std::thread worker([&] {
      // An error must not leave the thread: it ends the operation as a
      // failure, with its reason shown like any other.
      try {
        result = operation(progress_);
      } catch (const std::exception& error) {
        result = {};
        result.outcome = UtilityOutcome::Failed;
        result.error = error.what();
      }
      // Queued behind the progress calls, so the bar is up to date first.
      QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker.join();
  } catch (const std::system_error& error) {
    result.outcome = UtilityOutcome::Failed;
    result.error = error.what();
  }
  busy_ = false;
  return result;
}

int TUtilFrm::ProgressCallback(std::int8_t code, int value, void* context) {
  auto* window = static_cast<TUtilFrm*>(context);
  QMetaObject::invokeMethod(
      window, [window, code, value] { window->HandleProgress(code, value); }, Qt::QueuedConnection);
  return 0;
}

void TUtilFrm::HandleProgress(int code, int value) {
  switch (code) {
    case kProgressSteps:
      // A range of 0..0 would show Qt's busy indicator instead of a bar.
      ProgressBar_->setRange(0, std::max(value, 1));
      ProgressBar_->setValue(0);
      break;
    case kProgressStep:
      ProgressBar_->setValue(std::min(ProgressBar_->value() + 1, ProgressBar_->maximum()));
      break;
    case kProgressAllSteps:
      ProgressBar_->setValue(ProgressBar_->maximum());
      break;
    default:
      break;
  }
}

}  // namespace mosaicer
