// The general settings dialog: the folder that holds the display-effect
// files, and the language of the windows. It edits the main window's folder
// text in place, and only when the folder exists (or can be made) on OK.
#pragma once

#include <QDialog>

#include <optional>
#include <string>

#include "app/dialogs.h"
#include "platform/ini_file.h"
#include "platform/language.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace mosaicer {

class TGenSettingDlg : public QDialog {
  Q_OBJECT

 public:
  TGenSettingDlg(Dialogs& dialogs, QWidget* parent = nullptr);

  // The text to edit (the main window's effect folder); cleared on close.
  void SetTarget(std::string* target) { target_ = target; }
  std::string* Target() const { return target_; }

  void ReadSettings(const IniFile& ini);
  void WriteSettings(IniFile& ini) const;

  // The language the user chose (nothing: the system's), as stored in the
  // settings file; the program applies it when it next starts.
  std::optional<Language> LanguageChoice() const { return language_; }
  static std::optional<Language> LanguageChoice(const IniFile& ini);

  static constexpr const char* kBrowseTitle =
      N_("Choose the folder that holds the effects (*.tlo)");

 protected:
  void showEvent(QShowEvent* event) override;  // FormShow
  void done(int result) override;              // FormClose

 private:
  void BrowseBtnClick();
  void OkBtnClick();

  Dialogs& dialogs_;
  std::string* target_ = nullptr;
  std::optional<Language> language_;
  QLabel* TloLbl_;
  QLineEdit* TloPathEdit_;
  QPushButton* BrowseBtn_;
  QLabel* LanguageLbl_;
  QComboBox* LanguageCmb_;
  QPushButton* OkBtn_;
  QPushButton* CancelBtn_;
};

}  // namespace mosaicer
