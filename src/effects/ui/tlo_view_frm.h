// The effect viewer: paints a 300 x 216 picture onto a screen image one tile
// at a time in an effect's order, with a pause between tiles, and shows the
// effect's bilingual header. Callers hand it a picture and an effect, then
// show it modally; the animation runs when TestBtn is pressed and ends when
// every tile is painted or the window closes.
#pragma once

#include <QDialog>
#include <QImage>

#include <cstdint>
#include <string>

#include "effects/tlo_file.h"
#include "platform/bitmap.h"
#include "platform/ini_file.h"

class QEventLoop;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTabBar;

namespace mosaicer {

class TloScreenView;

class TTloViewFrm : public QDialog {
  Q_OBJECT

 public:
  explicit TTloViewFrm(QWidget* parent = nullptr);

  // A 300 x 216 picture is copied; anything else (or none) gives a picture
  // of pure blue. `background` (0x00BBGGRR) is what the screen is cleared
  // to; the screen is cleared at once. Always true.
  bool SetTestPicture(const Bitmap* picture, std::uint32_t background);
  // Keeps the file name and shows its header texts (none when the file is
  // not a valid effect). An empty name stands for the default order. The
  // tile order is read only when the effect plays. Always true.
  bool LoadEffect(const std::string& fileName);
  // What TestBtn runs: clears the screen and paints the tiles with the
  // pause of IntervalUd between them, keeping the window responsive. Returns
  // when all tiles are painted or the window is closed.
  void PlayEffect();
  bool Playing() const { return playing_; }

  void ReadSettings(const IniFile& ini);
  void WriteSettings(IniFile& ini) const;

  // What TloScreen shows now.
  QImage Screen() const;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void done(int result) override;  // every way of closing ends up here

 private:
  void InfoTabChange();
  void CloseBtnClick();
  // Asks a running animation to end at its next tile.
  void Stop();
  // Waits `ms` milliseconds while handling events; ends early on Stop().
  void Pause(int ms);
  void CopyTile(const TileOrderEntry& tile);

  Bitmap picture_;
  QImage pictureImage_;  // picture_ as drawn
  std::uint32_t background_ = 0;
  std::string fileName_;
  TTloFile header_;  // the eight texts; empty when the file is not valid
  bool stop_ = false;
  bool playing_ = false;
  QEventLoop* pause_ = nullptr;  // the running pause, if any

  QFrame* ScreenPanel_;
  TloScreenView* TloScreen_;
  QTabBar* InfoTab_;
  QLabel* TitleLbl_;
  QLineEdit* TitleEdit_;
  QLabel* AuthorLbl_;
  QLineEdit* AuthorEdit_;
  QLabel* EditedByLbl_;
  QLineEdit* EditedByEdit_;
  QLabel* CommentLbl_;
  QLineEdit* CommentEdit_;
  QLabel* IntervalLbl_;
  QSpinBox* IntervalUd_;
  QLabel* MsecLbl_;
  QPushButton* TestBtn_;
  QPushButton* CloseBtn_;
};

}  // namespace mosaicer
