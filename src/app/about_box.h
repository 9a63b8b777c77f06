// The about box: product name, version and a note, with a button that opens
// the project's web page through the Dialogs seam.
#pragma once

#include <QDialog>

#include "app/dialogs.h"
#include "platform/ini_file.h"

class QFrame;
class QLabel;
class QPushButton;

namespace mosaicer {

class TAboutBox : public QDialog {
  Q_OBJECT

 public:
  explicit TAboutBox(Dialogs& dialogs, QWidget* parent = nullptr);

  void ReadSettings(const IniFile& ini);
  void WriteSettings(IniFile& ini) const;

  static constexpr const char* kWebSite = "https://github.com/mosaicer-cdg/mosaicer";

 private:
  void WebSiteBtnClick();

  Dialogs& dialogs_;
  QFrame* Panel_;
  QLabel* ProductName_;
  QLabel* Version_;
  QLabel* MessageLbl_;
  QPushButton* OKButton_;
  QPushButton* WebSiteBtn_;
};

}  // namespace mosaicer
