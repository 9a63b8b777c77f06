// The CD+G utility window: divides a CDG file into an RWS file and
// (optionally) a WAV file, or combines the two into a CDG file. The
// caption doubles as the status line. An operation runs on a worker thread
// while the window waits for it, taking no user input meanwhile; progress
// reaches the bar as queued calls.
#pragma once

#include <QDialog>

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "app/dialogs.h"
#include "authoring/job_owner.h"
#include "platform/ini_file.h"
#include "utility/divide_combine.h"
#include "utility/utility_fields.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace mosaicer {

class TDiscImageDlg;

class TUtilFrm : public QDialog {
  Q_OBJECT

 public:
  explicit TUtilFrm(Dialogs& dialogs, QWidget* parent = nullptr);
  ~TUtilFrm() override;

  // Copies of the main window's folders, where the file dialogs open.
  void SetFolders(const std::string& cdgDir, const std::string& wavDir, const std::string& rwsDir);
  const std::string& CdgDir() const { return cdgDir_; }
  const std::string& WavDir() const { return wavDir_; }
  const std::string& RwsDir() const { return rwsDir_; }

  // "UtilForm" (position and size) and "Utility" (SameName, NoWave).
  void ReadSettings(const IniFile& ini);
  void WriteSettings(IniFile& ini) const;

  // True while a divide or combine runs.
  bool Busy() const { return busy_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  void CdgBrowseBtnClick();
  void RwsBrowseBtnClick();
  void WavBrowseBtnClick();
  void NoWavCkClick();
  void DivideBtnClick();
  void CombinBtnClick();
  void DiscImageBtnClick();

  UtilityFields Fields() const;
  // Divide and combine are enabled while every field they need is filled.
  void UpdateCommands();
  // The overwrite question for a file chosen in a save dialog; true when it
  // may be written, which is then not asked again before the next run.
  bool Approve(const std::string& file);
  // The checks before a run: no output is an input or another output, and
  // each existing output may be replaced. A refusal shows `failed`.
  bool MayWrite(const std::vector<std::string>& inputs, const std::vector<std::string>& outputs,
                const char* failed);
  // Caption `caption`, a beep and the error `message`.
  void Refuse(const char* caption, const std::string& message);
  // Runs `operation` on a worker thread and waits for it, handling the
  // progress it sends meanwhile.
  UtilityResult RunOnWorker(const std::function<UtilityResult(TJobOwner&)>& operation);
  // Caption and, after a failure, `failedMessage` and the reason.
  void Finish(const UtilityResult& result, const char* succeeded, const char* failed,
              const char* failedMessage);
  static int ProgressCallback(std::int8_t code, int value, void* context);
  void HandleProgress(int code, int value);

  Dialogs& dialogs_;
  std::string cdgDir_;
  std::string wavDir_;
  std::string rwsDir_;
  TJobOwner progress_;
  bool busy_ = false;
  std::set<std::string> approved_;  // outputs the user agreed to replace

  QLabel* CdgLbl_;
  QLineEdit* CdgPathEdit_;
  QPushButton* CdgBrowseBtn_;
  QLabel* RwsLbl_;
  QLineEdit* RwsPathEdit_;
  QPushButton* RwsBrowseBtn_;
  QLabel* WavLbl_;
  QLineEdit* WavPathEdit_;
  QPushButton* WavBrowseBtn_;
  QCheckBox* NameCk_;
  QCheckBox* NoWavCk_;
  QProgressBar* ProgressBar_;
  QPushButton* DivideBtn_;
  QPushButton* CombinBtn_;
  QPushButton* DiscImageBtn_;
  TDiscImageDlg* DiscImageDlg_;  // made once, with the window
};

}  // namespace mosaicer
