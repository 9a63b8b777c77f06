#include "app/progress_dialogs.h"
#include "app/tr.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <cstdio>

namespace mosaicer {
namespace {

constexpr int kFirstTick = 500;  // ms: the first second shows after half a second
constexpr int kTick = 1000;
constexpr int kSecondsPerMinute = 60;

QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

ProgressDialogBase::ProgressDialogBase(TJobOwner& owner, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      owner_(owner),
      TimeLbl1_(new QLabel(Tq("Elapsed:"), this)),
      TimeLbl_(new QLabel(QStringLiteral("00:00"), this)),
      ProgressBar_(new QProgressBar(this)),
      CancelBtn_(new QPushButton(QStringLiteral("&Cancel"), this)),
      Timer_(this) {
  setModal(true);
  TimeLbl1_->setObjectName("TimeLbl1");
  TimeLbl_->setObjectName("TimeLbl");
  ProgressBar_->setObjectName("ProgressBar");
  ProgressBar_->setTextVisible(false);
  CancelBtn_->setObjectName("CancelBtn");
  CancelBtn_->setFocusPolicy(Qt::ClickFocus);  // not reachable with Tab
  // Nor with Return: only a deliberate press asks the job to stop.
  CancelBtn_->setAutoDefault(false);
  CancelBtn_->setDefault(false);
  auto* times = new QHBoxLayout;
  times->addWidget(TimeLbl1_);
  times->addWidget(TimeLbl_);
  times->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(times);
  layout->addWidget(ProgressBar_);
  layout->addWidget(CancelBtn_, 0, Qt::AlignHCenter);
  setFixedSize(sizeHint().expandedTo(QSize(320, 0)));
  connect(CancelBtn_, &QPushButton::clicked, this, [this] { owner_.CancelJob(); });
  connect(&Timer_, &QTimer::timeout, this, &ProgressDialogBase::TimerTimer);
  owner_.SetProgressCallback(&ProgressDialogBase::ProgressCallback, this);
}

int ProgressDialogBase::ProgressCallback(std::int8_t code, int value, void* context) {
  auto* dialog = static_cast<ProgressDialogBase*>(context);
  QMetaObject::invokeMethod(
      dialog, [dialog, code, value] { dialog->HandleCode(code, value); }, Qt::QueuedConnection);
  return 0;
}

void ProgressDialogBase::HandleCode(int code, int value) {
  switch (code) {
    case kProgressFailed:
    case kProgressDone:
    case kProgressEnded:
      Timer_.stop();
      ending_ = true;
      accept();
      break;
    case kProgressSteps:
      ProgressBar_->setMaximum(value + 1);
      ProgressBar_->setValue(1);
      break;
    case kProgressAllSteps:
      ProgressBar_->setValue(ProgressBar_->maximum());
      break;
    case kProgressStep:
      ProgressBar_->setValue(std::min(ProgressBar_->value() + 1, ProgressBar_->maximum()));
      break;
    default:
      break;
  }
}

void ProgressDialogBase::ShowElapsed() {
  char text[32];
  std::snprintf(text, sizeof text, "%.2d:%.2d", elapsed_ / kSecondsPerMinute,
                elapsed_ % kSecondsPerMinute);
  TimeLbl_->setText(QString::fromLatin1(text));
}

void ProgressDialogBase::TimerTimer() {
  ++elapsed_;
  ShowElapsed();
}

void ProgressDialogBase::closeEvent(QCloseEvent* event) {
  if (ending_) {
    QDialog::closeEvent(event);
  } else {
    event->ignore();
  }
}

TProgressDlg::TProgressDlg(TJobOwner& owner, QWidget* parent) : ProgressDialogBase(owner, parent) {
  setObjectName("ProgressDlg");
  setWindowTitle(Tq("Creating the CDG file..."));
}

void TProgressDlg::showEvent(QShowEvent* event) {
  elapsed_ = 0;
  ending_ = false;
  TimeLbl()->setText(QStringLiteral("00:00"));
  // Empty until the job says how many steps it has (a range of 0..0 would
  // show Qt's busy animation instead).
  ProgressBar()->setRange(0, 1);
  ProgressBar()->setValue(0);
  Timer().start(kFirstTick);
  QDialog::showEvent(event);
}

void TProgressDlg::TimerTimer() {
  if (elapsed_ == 0) Timer().setInterval(kTick);
  ProgressDialogBase::TimerTimer();
}

TProgressDlg2::TProgressDlg2(TJobOwner& owner, QWidget* parent)
    : ProgressDialogBase(owner, parent) {
  setObjectName("ProgressDlg2");
}

std::string TProgressDlg2::BaseText() const {
  if (!baseText_.empty()) return baseText_;
  return rwsOnly_ ? Tr("Creating the RWS file") : Tr("Creating the CDG file");
}

void TProgressDlg2::showEvent(QShowEvent* event) {
  setWindowTitle(Q(captionText_));
  elapsed_ = 0;
  ending_ = false;
  TimeLbl()->setText(QStringLiteral("00:00"));
  ProgressBar()->setRange(0, 1);
  ProgressBar()->setValue(0);
  Timer().start(kTick);
  QDialog::showEvent(event);
}

void TProgressDlg2::TimerTimer() {
  setWindowTitle(Q(captionText_));
  ProgressDialogBase::TimerTimer();
}

void TProgressDlg2::HandleCode(int code, int value) {
  char counts[32];
  switch (code) {
    case kProgressNextTrack:
      std::snprintf(counts, sizeof counts, "(%d/%d)", counter_, total_);
      captionText_ = BaseText() + counts + "...";
      ++counter_;
      break;
    case kProgressBeginBatch:
      total_ = value;
      counter_ = 1;
      std::snprintf(counts, sizeof counts, "(%d/%d)", 1, total_);
      captionText_ = BaseText() + counts + "...";
      break;
    default:
      ProgressDialogBase::HandleCode(code, value);
      break;
  }
}

}  // namespace mosaicer
