// The main window: the picture and the song to turn into CD+G, the creation
// options and commands, and the doors to every other window. It owns the
// settings file: read once when the window is made, written when it closes.
// What the commands do lives in the authoring engine (AuthoringState,
// TCreationJob, TMsfField) and the effect list; this class holds controls
// and wiring.
#pragma once

#include <QMainWindow>

#include <string>
#include <vector>

#include "app/dialogs.h"
#include "authoring/authoring_state.h"
#include "authoring/creation_job.h"
#include "core/parity.h"
#include "effects/effect_list.h"
#include "platform/ini_file.h"

class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QSpinBox;

namespace mosaicer {

class PictureBox;
class TAboutBox;
class TBmpFrm;
class TCdgDisplay;
class TGenSettingDlg;
class TPlayFrm;
class TProgressDlg;
class TRipFrm;
class TTloFrm;
class TTloViewFrm;
class TUtilFrm;
class UpDown;

// Where the program keeps its settings and finds its effects.
struct AppPaths {
  std::string settingsFile;         // mosaicer.ini
  std::string defaultEffectFolder;  // TloDir when the settings name none
  std::string ownEffectFolder = {};  // where new effects go when TloDir is read-only
};

// The paths of the installed program (see SettingsFolder and EffectFolder).
AppPaths ProgramAppPaths();

class TMscMainFrm : public QMainWindow {
  Q_OBJECT

 public:
  // Creates the main window and then the other windows, each reading its
  // settings from the file.
  TMscMainFrm(Dialogs& dialogs, AppPaths paths, QWidget* parent = nullptr);
  ~TMscMainFrm() override;

  // The actions of the menus and buttons.
  void FileOpenBmpExecute();
  void FileOpenWavExecute();
  void FileMakeCdgExecute();
  void FileMakeRwsExecute();
  void FileMakeMp3gExecute();
  void FileSaveBmpExecute();
  void FileExitExecute();
  void SettingsGeneralExecute();
  void ToolsTloExecute();
  void ToolsPlayExecute();
  void ToolsRipExecute();
  void ToolsDivideExecute();
  void HelpAboutExecute();
  void TestBtnClick();

  // Rebuilds OrderCmb from TloDir, keeping the chosen title when it is
  // still there.
  void BuildEffectList();

  const AuthoringState& State() const { return state_; }
  TCreationJob& Job() { return job_; }
  const std::string& TloDir() const { return TloDir_; }
  const std::string& WavDir() const { return WavDir_; }
  const std::string& BmpDir() const { return BmpDir_; }
  const std::string& CdgDir() const { return CdgDir_; }
  const std::string& RwsDir() const { return RwsDir_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  void BuildMenus();
  QAction* Action(const char* name) const;
  void ReadSettings(const IniFile& ini);
  void WriteSettings();
  void ApplyWindowLimits();
  // The creation commands are enabled once what they need is there.
  void UpdateCommands();
  // A success, in the status bar.
  void ShowStatus(const std::string& text);

  // The MSF target field.
  void TimingCmbChange();
  void ShowLimit();
  void PosMSFEditChange();
  void PosMSFUdClick(bool up);

  // Asks for a file to save into: the dialog, then the overwrite question
  // and the read-only refusal. Empty when the command should stop.
  // Runs the creation job into `output` with its progress dialog, then
  // says how it ended.
  void CreateTitle(const TitleOutput& output);
  std::string ChooseSaveTarget(std::string& folder, const std::string& filter,
                               const std::string& extension);
  // Takes the options of the controls into the state the engine reads.
  void TakeOptions();

  Dialogs& dialogs_;
  AppPaths paths_;
  AuthoringState state_;
  TCreationJob job_;
  TSubCodeErrorCorrect ecc_;
  std::vector<EffectEntry> effects_;  // items 1.. of OrderCmb
  std::string WavDir_, BmpDir_, CdgDir_, RwsDir_, TloDir_;

  QLabel* BmpPathLbl_;
  QLineEdit* BmpPathEdit_;
  QPushButton* BmpBrowseBtn_;
  QScrollArea* BmpScroll_;
  PictureBox* BmpImg_;
  QPushButton* BmpSaveBtn_;
  QLabel* WavInfoLbl_ = nullptr;  // the song's length and conversion
  QLabel* WavPathLbl_;
  QLineEdit* WavPathEdit_;
  QLabel* WavLengthLbl_ = nullptr;  // under the song box: length, and the conversion
  QPushButton* WavBrowseBtn_;
  QGroupBox* OptionsGBox_;
  QComboBox* OrderCmb_;
  QPushButton* TestBtn_;
  QComboBox* OptimizeCmb_;
  QComboBox* TimingCmb_;
  QLineEdit* PosMSFEdit_;
  UpDown* PosMSFUd_;
  QSpinBox* BlankUd_;
  QPushButton* MakeBtn_;

  // Created after the main window, in this order.
  TBmpFrm* bmpFrm_ = nullptr;
  TTloFrm* tloFrm_ = nullptr;
  TCdgDisplay* cdgDisplay_ = nullptr;
  TPlayFrm* playFrm_ = nullptr;  // shows the display, so goes before it
  TUtilFrm* utilFrm_ = nullptr;
  TRipFrm* ripFrm_ = nullptr;
  TProgressDlg* progressDlg_ = nullptr;
  TTloViewFrm* tloViewFrm_ = nullptr;
  TAboutBox* aboutBox_ = nullptr;
  TGenSettingDlg* genSettingDlg_ = nullptr;
};

}  // namespace mosaicer
