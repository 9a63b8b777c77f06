// The CD+G ripper window: pick a drive (or a disc image opened for this
// run) and a read command, list the disc's tracks, and read one track or
// every selected track into CDG or RWS files or MP3+G titles (a zip, or a
// song with its .cdg beside it) on a worker thread while the batch progress
// dialog runs modally. Per-drive choices live in
// "Drive.ini" in the settings folder; the window's own in "RipForm".
#pragma once

#include <QDialog>
#include <QWidget>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/dialogs.h"
#include "app/progress_dialogs.h"
#include "platform/ini_file.h"
#include "platform/language.h"
#include "ripper/cd_drive.h"
#include "ripper/cd_drives.h"
#include "ripper/rip_drive_list.h"
#include "ripper/rip_job.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QToolButton;

namespace mosaicer {

// An up-down control tied to an edit: it shows its position in the edit,
// and its arrow buttons (and the arrow keys in the edit) step it within its
// range without wrapping.
class TUpDown : public QWidget {
  Q_OBJECT

 public:
  TUpDown(QLineEdit* associate, int min, int max, int position, QWidget* parent = nullptr);

  int Position() const { return position_; }
  // Brought into the range; with `showInEdit` the edit shows the result.
  void SetPosition(int position, bool showInEdit = true);
  // Names the control and its two buttons after the field they step.
  void SetName(const QString& name);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QLineEdit* associate_;
  int min_;
  int max_;
  int position_;
  QToolButton* UpBtn_;
  QToolButton* DownBtn_;
};

// The drop-down list of drives; it tells the window when its list opens,
// before the user can pick another line.
class TDriveComboBox;

class TRipFrm : public QDialog {
  Q_OBJECT

 public:
  // Lists this system's drives; "Drive.ini" is read from and written to
  // `settingsFolder`.
  TRipFrm(Dialogs& dialogs, std::string settingsFolder, QWidget* parent = nullptr);
  // Lists the drives a search with `setup` finds (none for an empty setup);
  // its transports must outlive the window.
  TRipFrm(Dialogs& dialogs, std::string settingsFolder, const DriveSearchSetup& setup,
          QWidget* parent = nullptr);
  ~TRipFrm() override;

  // Copies of the main window's folders, handed over before each showing.
  void SetFolders(const std::string& cdgDir, const std::string& rwsDir);
  const std::string& CdgDir() const { return cdgDir_; }
  const std::string& RwsDir() const { return rwsDir_; }

  // "RipForm": position and size, RwsOnly, SelectedDrv.
  void ReadSettings(const IniFile& ini);
  // "RipForm", and every listed drive's section of "Drive.ini".
  void WriteSettings(IniFile& ini) const;

  // The rip job's owner side: JobStatus, SetProgressCallback, CancelJob.
  TRipJob& Job() { return job_; }

  const TNkToc& Toc() const { return toc_; }
  // The file (one track) or base name (several tracks) of the last rip.
  const std::string& FileName() const { return fileName_; }
  // Where the last rip's report was written; empty when it could not be.
  const std::string& LogName() const { return logName_; }
  std::string DriveIniPath() const;

  // Adds a drive for this run to the end of the list, loads its settings
  // and chooses it; returns its position.
  int AddDrive(std::unique_ptr<ScsiTransport> transport, TNkCdRom drive);

  static constexpr const char* kCaption = "CD+G Ripper";
  static constexpr const char* kCdgFilter = "CDG Files (*.cdg)|*.cdg|All Files|*.*";
  static constexpr const char* kRwsFilter = "RWS Files (*.rws)|*.rws|All Files|*.*";
  static constexpr const char* kZipFilter = N_("MP3+G Zip (*.zip)|*.zip|All Files|*.*");
  static constexpr const char* kPairFilter =
      "MP3 + CDG (*.mp3)|*.mp3|Ogg + CDG (*.ogg)|*.ogg|FLAC + CDG (*.flac)|*.flac|"
      "WAV + CDG (*.wav)|*.wav";
  static constexpr const char* kBaseNameTitle = N_("Choose the base file name");
  static constexpr const char* kImageFilter = 
      "Disc Images (*.ccd *.toc *.cue)|*.ccd;*.toc;*.cue|All Files|*.*";
  static constexpr const char* kDriveIniName = "Drive.ini";

 private:
  TRipFrm(Dialogs& dialogs, std::string settingsFolder, std::unique_ptr<LinuxDriveAccess> access,
          const DriveSearchSetup* setup, QWidget* parent);
  void BuildControls();

  void SearchDrives(const DriveSearchSetup& setup);
  void ShowAddedDrive(int position);
  // Lists an added drive with its settings, without choosing it.
  void ListAddedDrive(int position);
  // Searches again; says so when no drive is found.
  void DrvBtnClick();
  DriveSettings ShownDriveSettings() const;

  void DrvCmbChange();
  void DrvCmbDropDown();
  void ReadSizeEditChange();
  void TrkBtnClick();
  void SelectBtnClick();
  void RipBtnClick();
  void RipBtn2Click();
  void ImageBtnClick();

  RipOptions CurrentOptions() const;
  // What the output choice asks each track to become.
  TitleOutputKind ChosenKind() const;
  // The save dialog for the chosen kind: its filter, default extension and
  // folder.
  std::optional<std::string> AskOutputName(const std::string& title, bool withExtension);
  // Shows the progress dialog until the worker ends, then reports: the
  // outcome, and each track's figures in `ReportMemo` and in the log named
  // after `logBase`.
  void RunProgressAndReport(TitleOutputKind kind, int files, const std::string& logBase);

  Dialogs& dialogs_;
  std::string settingsFolder_;
  std::unique_ptr<LinuxDriveAccess> access_;  // the transports the found drives use
  std::optional<DriveSearchSetup> setup_;     // the search a test gave instead
  int added_ = 0;                             // drives added after the found ones
  std::vector<std::string> images_;           // disc images opened, kept for next time
  RipDriveList drives_;
  std::vector<DriveSettings> slots_;  // one per list position with a slot
  TNkToc toc_;
  std::string cdgDir_;
  std::string rwsDir_;
  std::string imageDir_;
  std::string fileName_;
  std::string logName_;
  TRipJob job_;  // after everything its worker reads, so it joins first

  QGroupBox* DrvGBox_;
  QLabel* DrvLbl_;
  TDriveComboBox* DrvCmb_;
  QPushButton* DrvBtn_;
  QPushButton* ImageBtn_;
  QCheckBox* BcdCk_;
  QLabel* CmdLbl_;
  QComboBox* CmdCmb_;
  QCheckBox* RwsCk_;
  QLabel* OutLbl_;
  QComboBox* OutCmb_;
  QLabel* ReadSizeLbl_;
  QLineEdit* ReadSizeEdit_;
  TUpDown* ReadSizeUd_;
  QLabel* SyncSizeLbl_;
  QLineEdit* SincSizeEdit_;
  TUpDown* SyncSizeUd_;
  QLabel* RetryLbl_;
  QLineEdit* RetryEdit_;
  TUpDown* RetryUd_;
  QCheckBox* SlipCk_;
  QGroupBox* TrkGBoc_;
  QPushButton* TrkBtn_;
  QPushButton* SelectBtn_;
  QListWidget* TrackList_;
  QPushButton* RipBtn_;
  QPushButton* RipBtn2_;
  QPlainTextEdit* ReportMemo_;
  TProgressDlg2* ProgressDlg_;
};

}  // namespace mosaicer
