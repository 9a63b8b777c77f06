#include "app/gen_setting_dlg.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

#include <algorithm>
#include <array>

#include "app/tr.h"
#include "app/window_placement.h"
#include "platform/file_util.h"

namespace mosaicer {
namespace {

constexpr const char* kSection = "GenSettingDlg";
constexpr const char* kLanguageKey = "Language";
constexpr int kMinWidth = 350;
constexpr int kFixedHeight = 170;

// The language list's entries in order: the system's, then each language.
constexpr std::array<std::optional<Language>, 3> kLanguageChoices = {
    std::nullopt, Language::English, Language::Japanese};

int ChoiceIndex(std::optional<Language> language) {
  for (std::size_t i = 0; i < kLanguageChoices.size(); ++i)
    if (kLanguageChoices[i] == language) return static_cast<int>(i);
  return 0;
}

}  // namespace

TGenSettingDlg::TGenSettingDlg(Dialogs& dialogs, QWidget* parent)
    : QDialog(parent),
      dialogs_(dialogs),
      TloLbl_(new QLabel(Tq("Effect folder:"), this)),
      TloPathEdit_(new QLineEdit(this)),
      BrowseBtn_(new QPushButton(QStringLiteral("&Browse"), this)),
      LanguageLbl_(new QLabel(Tq("&Language (from the next start):"), this)),
      LanguageCmb_(new QComboBox(this)),
      OkBtn_(new QPushButton(QStringLiteral("&OK"), this)),
      CancelBtn_(new QPushButton(QStringLiteral("&Cancel"), this)) {
  setObjectName("GenSettingDlg");
  setWindowTitle(Tq("General Settings"));
  setModal(true);
  TloLbl_->setObjectName("TloLbl");
  TloPathEdit_->setObjectName("TloPathEdit");
  TloLbl_->setBuddy(TloPathEdit_);
  BrowseBtn_->setObjectName("BrowseBtn");
  LanguageLbl_->setObjectName("LanguageLbl");
  LanguageCmb_->setObjectName("LanguageCmb");
  LanguageLbl_->setBuddy(LanguageCmb_);
  LanguageCmb_->addItems({Tq("The system's language"), Tq("English"), Tq("Japanese")});
  OkBtn_->setObjectName("OkBtn");
  CancelBtn_->setObjectName("CancelBtn");
  OkBtn_->setDefault(true);

  auto* layout = new QGridLayout(this);
  layout->addWidget(TloLbl_, 0, 0, 1, 2);
  layout->addWidget(TloPathEdit_, 1, 0);
  layout->addWidget(BrowseBtn_, 1, 1);
  auto* language = new QHBoxLayout;
  language->addWidget(LanguageLbl_);
  language->addWidget(LanguageCmb_, 1);
  layout->addLayout(language, 2, 0, 1, 2);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(OkBtn_);
  buttons->addWidget(CancelBtn_);
  layout->addLayout(buttons, 3, 0, 1, 2);
  // Resizable in width only.
  setMinimumSize(kMinWidth, kFixedHeight);
  setMaximumHeight(kFixedHeight);

  connect(BrowseBtn_, &QPushButton::clicked, this, [this] { BrowseBtnClick(); });
  connect(OkBtn_, &QPushButton::clicked, this, [this] { OkBtnClick(); });
  connect(CancelBtn_, &QPushButton::clicked, this, &QDialog::reject);
}

std::optional<Language> TGenSettingDlg::LanguageChoice(const IniFile& ini) {
  return ParseLanguage(ini.ReadString(kSection, kLanguageKey));
}

void TGenSettingDlg::ReadSettings(const IniFile& ini) {
  ReadPlacement(*this, ini, kSection, {});
  language_ = LanguageChoice(ini);
}

void TGenSettingDlg::WriteSettings(IniFile& ini) const {
  WritePlacement(*this, ini, kSection, false);
  ini.WriteString(kSection, kLanguageKey, language_ ? LanguageName(*language_) : "");
}

void TGenSettingDlg::showEvent(QShowEvent* event) {
  if (target_) TloPathEdit_->setText(QString::fromStdString(*target_));
  LanguageCmb_->setCurrentIndex(ChoiceIndex(language_));
  QDialog::showEvent(event);
}

void TGenSettingDlg::done(int result) {
  target_ = nullptr;
  QDialog::done(result);
}

void TGenSettingDlg::BrowseBtnClick() {
  if (auto folder =
          dialogs_.ChooseFolder(this, Tr(kBrowseTitle), TloPathEdit_->text().toStdString()))
    TloPathEdit_->setText(QString::fromStdString(*folder));
}

void TGenSettingDlg::OkBtnClick() {
  if (target_) {
    const std::string folder = TloPathEdit_->text().toStdString();
    if (folder.empty()) {
      dialogs_.Error(this, Tr("The folder name is empty."));  // nothing to create
    } else if (CreateFolders(folder)) {
      *target_ = folder;
    }
  }
  language_ = kLanguageChoices[static_cast<std::size_t>(std::max(LanguageCmb_->currentIndex(), 0))];
  accept();  // OK in any case
}

}  // namespace mosaicer
