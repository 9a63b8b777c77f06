// The bitmap import wizard "ビットマップの読み込み": four steps (palette,
// reduction, range, preview) that turn a loaded bitmap into the encoder's
// 300 x 216 16-colour picture, its palette and its border colour. The steps
// themselves live in TBmpWizardModel; this window holds the controls, paints
// what the model says and hands the result back to the caller on finishing.
#pragma once

#include <QDialog>
#include <QFrame>
#include <QImage>

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "app/dialogs.h"
#include "image/bmp_wizard.h"
#include "platform/ini_file.h"
#include "platform/language.h"

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QPainter;
class QPushButton;
class QScrollArea;
class QSpinBox;
class QTabWidget;

namespace mosaicer {

// A coloured panel: a palette swatch, a border swatch or the frame colour.
// The selected one is drawn with a bevel of 2, the others with 1. Presses,
// double-clicks and releases are reported to the window, which decides.
class BmpSwatch : public QFrame {
  Q_OBJECT

 public:
  BmpSwatch(int number, QWidget* parent = nullptr);

  int Number() const { return number_; }
  QColor Colour() const { return colour_; }
  void SetColour(const QColor& colour);
  void SetSelected(bool selected);
  bool Selected() const { return lineWidth() > 1; }

 signals:
  void pressed(BmpSwatch* swatch);
  // Where the button was let go, in the swatch's own coordinates.
  void released(BmpSwatch* swatch, QPoint at);
  void doubleClicked(BmpSwatch* swatch);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  int number_;
  QColor colour_{Qt::black};
};

// A picture at its own size, for a scroll area. Mouse positions are picture
// pixels. An optional one-pixel frame is drawn over the picture, never into
// it.
class BmpPictureView : public QWidget {
  Q_OBJECT

 public:
  explicit BmpPictureView(QWidget* parent = nullptr);

  void SetImage(const QImage& image);
  const QImage& Image() const { return image_; }
  void SetFrame(const QRect& rect, const QColor& colour);
  // The picture as it is shown, frame included.
  QImage Displayed() const;

 signals:
  void pressed(QPoint at);
  // The mouse moved while a button was held down on the picture.
  void dragged(QPoint at);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void DrawFrame(QPainter& painter) const;

  QImage image_;
  std::optional<QRect> frame_;
  QColor frameColour_;
  bool held_ = false;
};

class TBmpFrm : public QDialog {
  Q_OBJECT

 public:
  explicit TBmpFrm(Dialogs& dialogs, QWidget* parent = nullptr);
  ~TBmpFrm() override;

  // Borrows the three until the window closes; false, and nothing happens,
  // if any is null or the model refuses the picture (smaller than 288 x 192
  // while the placement is crop). Shows step 0 for the picture. Only
  // finishing with NextBtn in step 3 writes into them.
  bool SetPicture(Bitmap* picture, LogPalette* palette, int* border);

  void ReadSettings(const IniFile& ini);
  void WriteSettings(IniFile& ini) const;

  TBmpWizardModel& Model() { return model_; }

  // Every close ends up here: the borrowed references are forgotten.
  void done(int result) override;

  static constexpr const char* kPalFilter = "Palette Files (*.pal)|*.pal|All Files|*.*";
  static constexpr const char* kPalSaveTitle = N_("Save Palette");

 private:
  // Panel0..Panel15, and Panel16 (the picked colour) for index 16.
  BmpSwatch* Swatch(int index) const { return swatches_.at(static_cast<std::size_t>(index)); }

  // Panel18..Panel33: border colours 0..15.
  BmpSwatch* BorderSwatch(int index) const {
    return borderSwatches_.at(static_cast<std::size_t>(index));
  }

  void BuildPalPanel();
  void BuildReducePanel();
  void BuildRectPanel();
  QScrollArea* Scrolled(BmpPictureView* view, const char* name);

  // Puts the model's options into their controls.
  void ShowOptions();
  void NextBtnClick();
  void PrevBtnClick();
  void GetPalBtnClick();
  void PalSaveBtnClick();
  void PalLoadBtnClick();
  void PalImgPress(QPoint at);
  void SwatchPress(BmpSwatch* swatch);
  void SwatchRelease(BmpSwatch* swatch, QPoint at);
  void RectImgMove(QPoint at);
  void RectColPanelDblClick();
  void FitCmbChange(int index);
  void Go(int dx, int dy);

  void ShowStep();
  void SetBusy(bool busy);
  void ShowComponents(Rgb colour);
  void PaintSwatches();
  void PaintBorderSwatches();
  void ShowSelection();
  void ShowRange();
  void EndSwatchDrag();

  Dialogs& dialogs_;
  TBmpWizardModel model_;
  std::vector<std::string> customColours_;  // "ColorA=..." lines of the colour dialog

  Bitmap* picture_ = nullptr;
  LogPalette* palette_ = nullptr;
  int* border_ = nullptr;
  bool dragCursor_ = false;

  QTabWidget* TabControl1_;
  QPushButton* PrevBtn_;
  QPushButton* NextBtn_;
  QFrame* PalPanel_;
  QFrame* ReducePanel_;
  QFrame* RectPanel_;

  BmpPictureView* PalImg_;
  QCheckBox* NoReduceCk_ = nullptr;
  QComboBox* PalModeCmb_ = nullptr;
  QSpinBox* PalBitUd_ = nullptr;
  QSpinBox* PalIdxUd_ = nullptr;
  QPushButton* GetPalBtn_ = nullptr;
  QPushButton* PalSaveBtn_ = nullptr;
  QPushButton* PalLoadBtn_ = nullptr;
  QLabel* PalRLbl_ = nullptr;
  QLabel* PalGLbl_ = nullptr;
  QLabel* PalBLbl_ = nullptr;
  std::array<BmpSwatch*, TBmpWizardModel::kSwatchCount> swatches_{};

  BmpPictureView* ReduceImg_;
  QCheckBox* ErrCk_ = nullptr;
  QSpinBox* ErrKUd_ = nullptr;

  BmpPictureView* RectImg_;
  QLabel* XLbl_ = nullptr;
  QLabel* YLbl_ = nullptr;
  QPushButton* LBtn_ = nullptr;
  QPushButton* RBtn_ = nullptr;
  QPushButton* UBtn_ = nullptr;
  QPushButton* DBtn_ = nullptr;
  BmpSwatch* RectColPanel_ = nullptr;
  QComboBox* FitCmb_ = nullptr;  // crop, fit, fill
  std::array<BmpSwatch*, TBmpWizardModel::kBorderSwatchCount> borderSwatches_{};
  std::array<QAction*, 4> goActions_{};  // GoLeft, GoRight, GoUp, GoDown

  BmpPictureView* PrevImg_;
};

}  // namespace mosaicer
