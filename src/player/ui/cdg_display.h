// The CD+G display: a borderless window showing the CD+G screen. It owns the
// decoder and gives it a picture the size of its screen area to paint on;
// that picture is what the window shows. Not sizeable, the screen is the
// native 300 x 216 in a window of 311 x 227; sizeable, the window may take
// any size (double-click maximises it) and the screen is stretched with
// nearest-neighbour sampling so the CD+G pixels stay sharp. Pressing on the
// window drags it.
//
// The player window feeds it packs and asks it for snapshots; everything
// runs on the user-interface thread.
#pragma once

#include <QImage>
#include <QPoint>
#include <QWidget>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/io_status.h"
#include "player/cdg_decoder.h"

class QFrame;

namespace mosaicer {

class TCdgDisplay : public QWidget {
  Q_OBJECT

 public:
  // The window when not sizeable, and its limits when sizeable.
  static constexpr int kFixedWidth = 311;
  static constexpr int kFixedHeight = 227;
  static constexpr int kMinWidth = 86;
  static constexpr int kMinHeight = 65;
  // A sizeable window may exceed the screen by this much on each axis.
  static constexpr int kScreenOverhang = 11;
  // A sizeable screen area at most this much larger than 300 x 216 shows
  // the screen 1:1 in its middle (the default 313 x 229 window has 302 x 218).
  static constexpr int kNativeSlack = 4;

  explicit TCdgDisplay(QWidget* parent = nullptr);
  ~TCdgDisplay() override;

  // Shows the window as a tool window of `owner`, in front of it: a modal
  // owner does not block it, and the window manager keeps it above the owner.
  void ShowWith(QWidget& owner);
  // Not sizeable: back to the normal state and fixed at 311 x 227.
  void SetSizeable(bool sizeable);
  bool Sizeable() const { return sizeable_; }
  // The decoder's deferred redraw of scrolls.
  void SetEasyScroll(bool on);
  // A black screen with a black colour table, as at the start of a song.
  void Reset();
  // Applies `count` 24-byte packs, painting at the screen's size when
  // sizeable and at 300 x 216 otherwise.
  void DrawPacks(const std::uint8_t* packs, std::size_t count);
  // The 300 x 216 snapshot (SaveBmp) or one of the picture's current size
  // (SaveBmpEx) as a 4-bit BMP file, replacing the file only when complete.
  IoStatus SaveBmp(const std::string& fileName) const;
  IoStatus SaveBmpEx(const std::string& fileName) const;

  const TNkCdgDecoder& Decoder() const { return decoder_; }
  // What the screen shows: at the screen area's size when stretched, else
  // 300 x 216.
  const QImage& Picture() const;
  // The size the decoder paints at: the screen area's when stretched.
  QSize PictureSize() const;

  // The screen widget paints through this.
  void PaintScreen(QWidget& screen);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  class Canvas;

  // The screen area's size for the window's current size.
  QSize ScreenSize() const;
  // Sizeable and not near the native size: the decoder paints scaled.
  bool Stretched() const;
  // Where the picture sits in the screen area.
  QPoint PictureOffset() const;
  void PlaceChildren();
  // Fits the picture to the screen's size, repainting it when it changed.
  void FitCanvas();
  void Repaint();
  void ToggleMaximized();
  // Dragging: a press arms it, moving past the drag distance starts it, so
  // a double-click still reaches the screen.
  void ArmDrag(const QPoint& globalPos, Qt::MouseButton button);
  bool FollowDrag(const QPoint& globalPos);
  void EndDrag();
  Qt::Edges FrameEdges(const QPoint& pos) const;

  std::unique_ptr<Canvas> canvas_;
  TNkCdgDecoder decoder_;
  bool sizeable_ = false;
  QFrame* Panel1_;
  QWidget* CdgScreen_;

  bool dragArmed_ = false;
  bool dragging_ = false;  // moving the window ourselves
  QPoint dragStart_;       // global position of the press
  QPoint dragOrigin_;      // window position at the press
};

}  // namespace mosaicer
