#include "app/about_box.h"

#include <QFont>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <string>

#include "app/tr.h"
#include "app/window_placement.h"

namespace mosaicer {
namespace {

constexpr const char* kSection = "AboutDlg";

}  // namespace

TAboutBox::TAboutBox(Dialogs& dialogs, QWidget* parent)
    : QDialog(parent),
      dialogs_(dialogs),
      Panel_(new QFrame(this)),
      ProductName_(new QLabel(QStringLiteral("Mosaicer"), Panel_)),
      Version_(new QLabel(QStringLiteral("Version " MOSAICER_VERSION), Panel_)),
      MessageLbl_(new QLabel(Panel_)),
      OKButton_(new QPushButton(QStringLiteral("&OK"), this)),
      WebSiteBtn_(new QPushButton(QStringLiteral("&WebSite"), this)) {
  setObjectName("AboutBox");
  setWindowTitle(Tq("About Mosaicer"));
  setModal(true);
  Panel_->setObjectName("Panel");
  ProductName_->setObjectName("ProductName");
  Version_->setObjectName("Version");
  MessageLbl_->setObjectName("MessageLbl");
  OKButton_->setObjectName("OKButton");
  WebSiteBtn_->setObjectName("WebSiteBtn");
  MessageLbl_->setText(Tq("This program is free software.\nUse it at your own risk."));
  OKButton_->setDefault(true);

  QFont large = ProductName_->font();
  if (large.pointSizeF() > 0) large.setPointSizeF(large.pointSizeF() * 1.5);
  large.setBold(true);
  ProductName_->setFont(large);

  Panel_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  auto* panelLayout = new QVBoxLayout(Panel_);
  panelLayout->addWidget(ProductName_);
  panelLayout->addWidget(Version_);
  panelLayout->addSpacing(8);
  panelLayout->addWidget(MessageLbl_);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(WebSiteBtn_);
  buttons->addStretch();
  buttons->addWidget(OKButton_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Panel_);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(OKButton_, &QPushButton::clicked, this, &QDialog::accept);
  connect(WebSiteBtn_, &QPushButton::clicked, this, [this] { WebSiteBtnClick(); });
}

void TAboutBox::ReadSettings(const IniFile& ini) { ReadPlacement(*this, ini, kSection, {}); }

void TAboutBox::WriteSettings(IniFile& ini) const { WritePlacement(*this, ini, kSection, false); }

void TAboutBox::WebSiteBtnClick() {
  // Without a browser the user can still copy the address from the message.
  if (!dialogs_.OpenUrl(kWebSite))
    dialogs_.Error(
        this,
        std::string(Tr("Could not open the website: no web browser was found.\n")) + kWebSite);
}

}  // namespace mosaicer
