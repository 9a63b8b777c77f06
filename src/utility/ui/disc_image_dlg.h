// The utility's disc image page: a list of titles (added, removed and put in
// order by the user), the kind of image and its name, and Make, which writes
// the image on a worker thread behind the progress dialog, whose Cancel
// stops it and leaves no file.
#pragma once

#include <QDialog>

#include <string>
#include <vector>

#include "app/dialogs.h"
#include "authoring/job_owner.h"

class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace mosaicer {

class TProgressDlg;

class TDiscImageDlg : public QDialog {
  Q_OBJECT

 public:
  explicit TDiscImageDlg(Dialogs& dialogs, QWidget* parent = nullptr);
  ~TDiscImageDlg() override;

  // Where the file dialogs open.
  void SetFolder(const std::string& folder) { folder_ = folder; }
  // The titles in the list, in order.
  std::vector<std::string> Titles() const;

 private:
  void AddBtnClick();
  void RemoveBtnClick();
  void MoveBtnClick(int step);
  void OutputBrowseBtnClick();
  void MakeBtnClick();
  void UpdateCommands();
  // The output field's name with the chosen kind's extension.
  std::string OutputPath() const;

  Dialogs& dialogs_;
  std::string folder_;
  TJobOwner job_;

  QListWidget* TitleList_;
  QPushButton* AddBtn_;
  QPushButton* RemoveBtn_;
  QPushButton* UpBtn_;
  QPushButton* DownBtn_;
  QComboBox* KindCmb_;
  QLineEdit* OutputEdit_;
  QPushButton* OutputBrowseBtn_;
  QPushButton* MakeBtn_;
  TProgressDlg* ProgressDlg_;
};

}  // namespace mosaicer
