#include "utility/ui/disc_image_dlg.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <filesystem>
#include <memory>
#include <thread>

#include "app/progress_dialogs.h"
#include "app/save_check.h"
#include "app/tr.h"
#include "disc/image_writer.h"
#include "title/title_source.h"

namespace mosaicer {
namespace {

constexpr const char* kTitleFilter =
    N_("CD+G titles (*.cdg;*.bin;*.rws;*.zip)|*.cdg;*.bin;*.rws;*.zip|All Files|*.*");
constexpr const char* kImageFilter =
    N_("Disc images (*.ccd;*.toc)|*.ccd;*.toc|All Files|*.*");
constexpr int kMinWidth = 420;
constexpr int kMinHeight = 300;

QString Q(const std::string& s) { return QString::fromStdString(s); }

// The kinds in the order the list shows them.
constexpr DiscImageKind kKinds[] = {DiscImageKind::CloneCd, DiscImageKind::Cdrdao};
constexpr const char* kExtensions[] = {".ccd", ".toc"};

}  // namespace

TDiscImageDlg::TDiscImageDlg(Dialogs& dialogs, QWidget* parent)
    : QDialog(parent),
      dialogs_(dialogs),
      TitleList_(new QListWidget(this)),
      AddBtn_(new QPushButton(Tq("&Add..."), this)),
      RemoveBtn_(new QPushButton(Tq("&Remove"), this)),
      UpBtn_(new QPushButton(Tq("&Up"), this)),
      DownBtn_(new QPushButton(Tq("Do&wn"), this)),
      KindCmb_(new QComboBox(this)),
      OutputEdit_(new QLineEdit(this)),
      OutputBrowseBtn_(new QPushButton(Tq("&Browse"), this)),
      MakeBtn_(new QPushButton(Tq("&Make"), this)),
      ProgressDlg_(new TProgressDlg(job_, this)) {
  setObjectName("DiscImageDlg");
  setWindowTitle(Tq("Disc image"));
  setModal(true);
  TitleList_->setObjectName("TitleList");
  AddBtn_->setObjectName("AddBtn");
  RemoveBtn_->setObjectName("RemoveBtn");
  UpBtn_->setObjectName("UpBtn");
  DownBtn_->setObjectName("DownBtn");
  KindCmb_->setObjectName("KindCmb");
  OutputEdit_->setObjectName("OutputEdit");
  OutputBrowseBtn_->setObjectName("OutputBrowseBtn");
  MakeBtn_->setObjectName("MakeBtn");
  ProgressDlg_->setObjectName("DiscImageProgressDlg");
  ProgressDlg_->setWindowTitle(Tq("Making the disc image..."));
  KindCmb_->addItem(Tq("CloneCD (.ccd, .img, .sub)"));
  KindCmb_->addItem(Tq("cdrdao (.toc, .bin)"));
  auto* kindLbl = new QLabel(Tq("&Kind"), this);
  kindLbl->setObjectName("KindLbl");
  kindLbl->setBuddy(KindCmb_);
  auto* outputLbl = new QLabel(Tq("&Output"), this);
  outputLbl->setObjectName("OutputLbl");
  outputLbl->setBuddy(OutputEdit_);

  auto* titlesLbl = new QLabel(Tq("&Titles, one track each"), this);
  titlesLbl->setObjectName("TitlesLbl");
  titlesLbl->setBuddy(TitleList_);
  TitleList_->setAccessibleName(Tq("Titles"));  // a list is not named by its buddy

  auto* layout = new QGridLayout(this);
  auto* buttons = new QVBoxLayout;
  for (QPushButton* b : {AddBtn_, RemoveBtn_, UpBtn_, DownBtn_}) buttons->addWidget(b);
  buttons->addStretch(1);
  layout->addWidget(titlesLbl, 0, 0, 1, 3);
  layout->addWidget(TitleList_, 1, 0, 1, 2);
  layout->addLayout(buttons, 1, 2);
  layout->addWidget(kindLbl, 2, 0);
  layout->addWidget(KindCmb_, 2, 1, 1, 2);
  layout->addWidget(outputLbl, 3, 0);
  layout->addWidget(OutputEdit_, 3, 1);
  layout->addWidget(OutputBrowseBtn_, 3, 2);
  layout->addWidget(MakeBtn_, 4, 2);
  layout->setColumnStretch(1, 1);
  layout->setRowStretch(1, 1);
  setMinimumSize(kMinWidth, kMinHeight);

  connect(AddBtn_, &QPushButton::clicked, this, [this] { AddBtnClick(); });
  connect(RemoveBtn_, &QPushButton::clicked, this, [this] { RemoveBtnClick(); });
  connect(UpBtn_, &QPushButton::clicked, this, [this] { MoveBtnClick(-1); });
  connect(DownBtn_, &QPushButton::clicked, this, [this] { MoveBtnClick(1); });
  connect(OutputBrowseBtn_, &QPushButton::clicked, this, [this] { OutputBrowseBtnClick(); });
  connect(MakeBtn_, &QPushButton::clicked, this, [this] { MakeBtnClick(); });
  connect(TitleList_, &QListWidget::currentRowChanged, this, [this] { UpdateCommands(); });
  connect(OutputEdit_, &QLineEdit::textChanged, this, [this] { UpdateCommands(); });
  UpdateCommands();
}

TDiscImageDlg::~TDiscImageDlg() = default;

std::vector<std::string> TDiscImageDlg::Titles() const {
  std::vector<std::string> titles;
  for (int i = 0; i < TitleList_->count(); ++i)
    titles.push_back(TitleList_->item(i)->text().toStdString());
  return titles;
}

void TDiscImageDlg::UpdateCommands() {
  const int row = TitleList_->currentRow();
  RemoveBtn_->setEnabled(row >= 0);
  UpBtn_->setEnabled(row > 0);
  DownBtn_->setEnabled(row >= 0 && row + 1 < TitleList_->count());
  MakeBtn_->setEnabled(TitleList_->count() > 0 && !OutputEdit_->text().isEmpty());
}

void TDiscImageDlg::AddBtnClick() {
  const auto file = dialogs_.OpenFile(this, Tr("Add a title"), folder_, Tr(kTitleFilter));
  if (!file) return;
  folder_ = std::filesystem::path(*file).parent_path().string();
  TitleList_->addItem(Q(*file));
  TitleList_->setCurrentRow(TitleList_->count() - 1);
  UpdateCommands();
}

void TDiscImageDlg::RemoveBtnClick() {
  const int row = TitleList_->currentRow();
  if (row < 0) return;
  delete TitleList_->takeItem(row);
  UpdateCommands();
}

void TDiscImageDlg::MoveBtnClick(int step) {
  const int row = TitleList_->currentRow();
  const int to = row + step;
  if (row < 0 || to < 0 || to >= TitleList_->count()) return;
  TitleList_->insertItem(to, TitleList_->takeItem(row));
  TitleList_->setCurrentRow(to);
  UpdateCommands();
}

void TDiscImageDlg::OutputBrowseBtnClick() {
  const auto file = dialogs_.SaveFile(this, Tr("Save the disc image"), folder_, Tr(kImageFilter),
                                      kExtensions[std::max(0, KindCmb_->currentIndex())]);
  if (!file) return;
  if (const auto kind = DiscImageKindFor(*file))
    KindCmb_->setCurrentIndex(*kind == DiscImageKind::CloneCd ? 0 : 1);
  OutputEdit_->setText(Q(*file));
}

std::string TDiscImageDlg::OutputPath() const {
  std::filesystem::path path(OutputEdit_->text().toStdString());
  path.replace_extension(kExtensions[std::max(0, KindCmb_->currentIndex())]);
  return path.string();
}

void TDiscImageDlg::MakeBtnClick() {
  const std::vector<std::string> inputs = Titles();
  if (inputs.empty() || OutputEdit_->text().isEmpty()) return;
  const std::string output = OutputPath();
  const std::vector<std::string> outputs =
      DiscImageFiles(output, kKinds[std::max(0, KindCmb_->currentIndex())]);
  std::vector<std::unique_ptr<TitleSource>> sources;
  std::vector<DiscImageTitle> titles;
  std::vector<std::string> read;
  for (const std::string& input : inputs) {
    TitleOpenResult opened = OpenTitle(input);
    if (!opened.ok()) {
      dialogs_.Error(this, opened.error);
      return;
    }
    const TitleInfo& info = opened.source->Info();
    read.push_back(info.path);
    if (info.kind == TitleKind::Pair)
      read.push_back((std::filesystem::path(info.path).parent_path() / info.audioName).string());
    titles.push_back({opened.source.get(), std::filesystem::path(input).stem().string()});
    sources.push_back(std::move(opened.source));
  }
  if (const std::string clash = OutputClashMessage(read, outputs); !clash.empty()) {
    dialogs_.Error(this, clash);
    return;
  }
  DiscLayout layout;
  std::string error;
  if (!PlanDiscImage(titles, {}, layout, error)) {
    dialogs_.Error(this, error);
    return;
  }
  for (const std::string& file : outputs)
    if (!MayReplace(dialogs_, this, file, SaveBeep::Yes)) return;

  DiscImageResult result;
  job_.SetJobStatus(kJobRunning);
  std::thread worker([&] {
    try {
      result = WriteDiscImage(titles, output, {}, &job_);
    } catch (const std::exception& e) {
      result.outcome = DiscImageOutcome::Failed;
      result.error = e.what();
      job_.Report(kProgressFailed);
    }
  });
  ProgressDlg_->exec();  // the job closes it when it ends
  worker.join();
  job_.SetJobStatus(kJobIdle);
  switch (result.outcome) {
    case DiscImageOutcome::Made:
      dialogs_.Information(this, Tr("The disc image was made."));
      break;
    case DiscImageOutcome::Cancelled:
      dialogs_.Information(this, Tr("Making the disc image was cancelled; no file was written."));
      break;
    case DiscImageOutcome::Failed:
      dialogs_.Beep();
      dialogs_.Error(this, std::string(Tr("The disc image could not be made.")) + "\n" + result.error);
      break;
  }
}

}  // namespace mosaicer
