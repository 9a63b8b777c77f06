// The CD+G player window: chooses a CDG file (or, with Disc checked, a track
// of a drive or disc image, read as the ripper reads it), starts, pauses and stops it,
// holds the playback and drawing options and saves snapshots of the screen.
// It owns the player source; the source's worker reports through a callback
// that only posts queued calls to this window, so all drawing happens here
// on the user-interface thread, into the display window it was given.
//
// Idle (Play enabled) -> starting (all three disabled until the worker
// reports that it plays; the window refuses to close) -> playing (Stop and
// Pause enabled) <-> paused -> idle on Stop, at the end of the song (which
// starts over when Repeat is checked), or when the file cannot be read.
#pragma once

#include <QDialog>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/dialogs.h"
#include "core/parity.h"
#include "platform/ini_file.h"
#include "platform/language.h"
#include "player/cdg_in.h"
#include "ripper/cd_drives.h"
#include "ripper/rip_drive_list.h"

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace mosaicer {

class TCdgDisplay;

class TPlayFrm : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kMinWidth = 480;
  static constexpr int kFixedHeight = 240;
  static constexpr const char* kOpenFilter =
      "CD+G (*.cdg *.zip *.bin)|*.cdg *.zip *.bin|All Files (*.*)|*.*";
  static constexpr const char* kBmpDirTitle = N_("Choose the folder to save bitmaps in");
  static constexpr const char* kVideoFilter =
      N_("MP4 Video (*.mp4)|*.mp4|Matroska Video (*.mkv)|*.mkv");

  // `display` must outlive the window; the window shows and hides it.
  TPlayFrm(Dialogs& dialogs, TCdgDisplay& display, QWidget* parent = nullptr);
  // Stops the source and waits for its worker.
  ~TPlayFrm() override;

  // The folder the open dialog starts in (the main window's CdgDir); the
  // folder of each chosen song replaces it. Not saved.
  void SetCdgDir(const std::string& folder) { cdgDir_ = folder; }
  const std::string& CdgDir() const { return cdgDir_; }

  // Sections PlayForm, CdgForm, Play, Cdg and key Path CdgBmpDir.
  void ReadSettings(const IniFile& ini);
  void WriteSettings(IniFile& ini) const;

  const TCdgIn& Source() const { return *source_; }
  bool Starting() const { return starting_; }
  bool Paused() const { return paused_; }

 protected:
  void showEvent(QShowEvent* event) override;  // FormShow
  // The display stays in front of the player when the player is clicked
  // or activated.
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void done(int result) override;  // FormCloseQuery, FormClose

 private:
  // The source's callback, on its worker thread: posts to the window.
  static void SourceProc(std::uint8_t event, std::intptr_t value, void* user);

  void PlayPlayExecute();
  void PlayStopExecute();
  void PlayPauseExecute();
  void CdgShowExecute();
  void CdgBmpExecute();
  void CdgBmpExExecute();
  void CdgOpenExecute();
  void CdgBmpDirExecute();
  void StereoCmbChange(int index);
  void RepeatCkClick();
  void SizeableCkClick();
  void ScrollCkClick();
  // Disc checked: the drive list (searched again while idle) and the track
  // box stand in for the file box.
  void DiscCkClick();
  void ImageBtnClick();
  bool DiscChosen() const;
  // Why the chosen disc track cannot be played; empty when it can, and
  // the source then opens it on its worker.
  std::string ChooseDiscTrack();

  // What the worker reports, on this thread. A source joins its previous
  // worker before starting the next, so a report of an earlier playback
  // always arrives before the next one's start and is told apart by the
  // window's state: starting (Started, Failed) or playing (Packs, Ended).
  void Started();
  void Packs(const std::vector<std::uint8_t>& packs, std::size_t sectors);
  void Ended();
  void Failed();

  // Play enabled (when there is a song), Stop and Pause disabled.
  void ShowIdle();
  // Play while idle with a song; snapshots with a song and a folder.
  void UpdateCommands();
  // The status line: a short text and, as its tool tip, the whole of it.
  void ShowStatus(const QString& text, const QString& detail);
  // A beep and the error box.
  void Refuse(const std::string& message);
  void SaveSnapshot(bool screenSize);
  // Makes a video of the file in the box, with a progress dialog to stop it.
  void CdgVideoExecute();
  void RaiseDisplay();

  Dialogs& dialogs_;
  TCdgDisplay& display_;
  std::unique_ptr<TCdgIn> source_;
  // The drives a disc track is read from; the parity tables its repairs use.
  LinuxDriveAccess access_;
  RipDriveList drives_;
  TSubCodeErrorCorrect ecc_;
  std::string cdgDir_;
  int stereoIndex_ = 0;
  bool starting_ = false;
  bool paused_ = false;
  bool playing_ = false;  // the worker has reported its start; no stop since
  bool idle_ = true;      // neither starting nor playing
  // The sectors of the current step: written and read by the callback.
  std::atomic<std::intptr_t> stepSectors_{0};

  QAction* PlayPlay_;
  QAction* PlayStop_;
  QAction* PlayPause_;
  QAction* CdgShow_;
  QAction* CdgBmp_;
  QAction* CdgBmpEx_;
  QAction* CdgOpen_;
  QAction* CdgBmpDir_;
  QAction* CdgVideo_;

  QCheckBox* DiscCk_;
  QLineEdit* PathEdit_;
  QPushButton* BrowseBtn_;
  QComboBox* DriveCmb_;
  QLabel* TrackLbl_;
  QSpinBox* TrackUd_;
  QPushButton* ImageBtn_;
  QPushButton* PlayBtn_;
  QPushButton* StopBtn_;
  QPushButton* PauseBtn_;
  QCheckBox* RepeatCk_;
  QPushButton* DispBtn_;
  QPushButton* BmpBtn_;
  QPushButton* VideoBtn_;
  QLabel* StereoLbl_;
  QComboBox* StereoCmb_;
  QLabel* SizeLbl_;
  QSpinBox* SizeUd_;
  QCheckBox* OnMemCk_;
  QGroupBox* GroupBox1_;
  QCheckBox* SizeableCk_;
  QCheckBox* ScrollCk_;
  QLabel* BmpPathLbl_;
  QLineEdit* BmpPathEdit_;
  QPushButton* Button1_;
  QLabel* StatusLbl_;  // what the last snapshot did
};

}  // namespace mosaicer
