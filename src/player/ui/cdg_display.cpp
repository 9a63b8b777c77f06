#include "player/ui/cdg_display.h"

#include <QApplication>
#include <QFrame>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>

#include <algorithm>
#include <array>
#include <functional>
#include <sstream>
#include <utility>

#include "platform/output_file.h"
#include "player/cdg_canvas.h"

namespace mosaicer {
namespace {

// The frame around the panel: the window's edges are where a sizeable window
// is resized. 4 + 1 + 300 + 1 + 5 = 311 and 4 + 1 + 216 + 1 + 5 = 227, so a
// window of the fixed size shows the screen at exactly 300 x 216.
constexpr int kFrameNear = 4;  // left and top
constexpr int kFrameFar = 5;   // right and bottom
constexpr int kBevel = 1;      // the panel's lowered edge
constexpr int kMaxCanvasSide = 0xFFFF;
constexpr std::uint8_t kIndexMask = kColourCount - 1;

std::uint16_t Side(int length) {
  return static_cast<std::uint16_t>(std::clamp(length, 0, kMaxCanvasSide));
}

// The screen area: paints the picture the decoder keeps up to date.
class ScreenBox final : public QWidget {
 public:
  ScreenBox(TCdgDisplay& display, QWidget* parent) : QWidget(parent), display_(display) {
    setAttribute(Qt::WA_OpaquePaintEvent);
  }

 protected:
  void paintEvent(QPaintEvent*) override { display_.PaintScreen(*this); }

 private:
  TCdgDisplay& display_;
};

}  // namespace

// The decoder's surface: a true-colour picture the size of the screen area.
// Stretched copies sample nearest-neighbour, exactly as RgbCanvas does, so
// the window shows what `mosaicer render` saves.
class TCdgDisplay::Canvas final : public CdgCanvas {
 public:
  QImage image{kScreenWidth, kScreenHeight, QImage::Format_RGB32};

  Canvas() { image.fill(Qt::black); }

  void Resize(QSize size) {
    image = QImage(size, QImage::Format_RGB32);
    image.fill(Qt::black);
  }

  void FillRect(const CdgRect& rect, Rgb colour) override {
    const CdgRect r = Clip(rect);
    if (r.Empty()) return;
    const QRgb value = qRgb(colour.r, colour.g, colour.b);
    for (int y = r.top; y < r.bottom; ++y) {
      QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
      std::fill(line + r.left, line + r.right, value);
    }
  }

  void CopyIndexed(IndexedPixels pixels, const CdgRect& source, CdgColours colours,
                   const CdgRect& dest) override {
    if (source.Empty() || dest.Empty() || pixels.data == nullptr) return;
    const CdgRect r = Clip(dest);
    if (r.Empty()) return;
    std::array<QRgb, kColourCount> lookup;
    for (int i = 0; i < kColourCount; ++i)
      lookup[static_cast<std::size_t>(i)] = qRgb(colours[i].r, colours[i].g, colours[i].b);
    columns_.resize(static_cast<std::size_t>(r.Width()));
    for (int x = r.left; x < r.right; ++x)
      columns_[static_cast<std::size_t>(x - r.left)] =
          NearestSource(source.left, source.Width(), x - dest.left, dest.Width());
    for (int y = r.top; y < r.bottom; ++y) {
      const int sy = NearestSource(source.top, source.Height(), y - dest.top, dest.Height());
      const std::uint8_t* row = pixels.data + static_cast<std::ptrdiff_t>(sy) * pixels.stride;
      QRgb* out = reinterpret_cast<QRgb*>(image.scanLine(y)) + r.left;
      for (int sx : columns_) *out++ = lookup[row[sx] & kIndexMask];
    }
  }

 private:
  CdgRect Clip(const CdgRect& rect) const {
    return CdgRect{std::max(rect.left, 0), std::max(rect.top, 0),
                   std::min(rect.right, image.width()), std::min(rect.bottom, image.height())};
  }

  std::vector<int> columns_;  // source column of each destination column
};

TCdgDisplay::TCdgDisplay(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint),
      canvas_(std::make_unique<Canvas>()),
      Panel1_(new QFrame(this)),
      CdgScreen_(new ScreenBox(*this, Panel1_)) {
  setObjectName("CdgDisplay");
  setWindowTitle(QStringLiteral("CD+G Diplayer"));
  Panel1_->setObjectName("Panel1");
  Panel1_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Panel1_->setLineWidth(kBevel);
  Panel1_->setAutoFillBackground(true);
  QPalette black = Panel1_->palette();
  black.setColor(QPalette::Window, Qt::black);
  Panel1_->setPalette(black);
  CdgScreen_->setObjectName("CdgScreen");
  Panel1_->installEventFilter(this);
  CdgScreen_->installEventFilter(this);

  decoder_.Attach(canvas_.get());
  SetSizeable(false);
}

TCdgDisplay::~TCdgDisplay() = default;

const QImage& TCdgDisplay::Picture() const { return canvas_->image; }

void TCdgDisplay::SetSizeable(bool sizeable) {
  sizeable_ = sizeable;
  if (sizeable) {
    const QScreen* where = screen() ? screen() : QGuiApplication::primaryScreen();
    const QSize limit = where ? where->geometry().size() : QSize(kFixedWidth, kFixedHeight);
    setMinimumSize(kMinWidth, kMinHeight);
    setMaximumSize(limit.width() + kScreenOverhang, limit.height() + kScreenOverhang);
  } else {
    setWindowState(windowState() & ~(Qt::WindowMaximized | Qt::WindowFullScreen));
    setFixedSize(kFixedWidth, kFixedHeight);
  }
  FitCanvas();
  CdgScreen_->update();
}

void TCdgDisplay::ShowWith(QWidget& owner) {
  // Belonging to the owner before it is mapped, the window manager keeps it
  // above the owner, however often the owner is clicked.
  if (!windowHandle()) create();
  if (QWindow* window = windowHandle(); window && owner.windowHandle())
    window->setTransientParent(owner.windowHandle());
  show();
  raise();
}

void TCdgDisplay::SetEasyScroll(bool on) { decoder_.SetEasyScroll(on); }

void TCdgDisplay::Reset() {
  FitCanvas();
  decoder_.Reset();
  CdgScreen_->update();
}

void TCdgDisplay::DrawPacks(const std::uint8_t* packs, std::size_t count) {
  FitCanvas();
  if (Stretched()) {
    const QSize size = PictureSize();
    decoder_.DecodeScaled(packs, count, Side(size.width()), Side(size.height()));
  } else {
    decoder_.Decode(packs, count);
  }
  CdgScreen_->update();
}

namespace {

// The bitmap is made in memory and written under a temporary name that
// replaces the file only once it is complete.
IoStatus WriteSnapshot(const std::string& fileName, const std::function<bool(std::ostream&)>& make) {
  std::ostringstream bytes(std::ios::binary);
  if (!make(bytes)) return IoStatus::Failed("cannot make the bitmap for " + IoStatus::Quoted(fileName));
  const std::string data = std::move(bytes).str();
  return WriteFileAtomically(fileName, data.data(), data.size());
}

}  // namespace

IoStatus TCdgDisplay::SaveBmp(const std::string& fileName) const {
  return WriteSnapshot(fileName, [this](std::ostream& out) { return decoder_.SaveBitmap(out); });
}

IoStatus TCdgDisplay::SaveBmpEx(const std::string& fileName) const {
  const QSize screen = PictureSize();
  return WriteSnapshot(fileName, [this, screen](std::ostream& out) {
    return decoder_.SaveBitmapScaled(Side(screen.width()), Side(screen.height()), out);
  });
}

void TCdgDisplay::PaintScreen(QWidget& screen) {
  FitCanvas();
  Repaint();
  QPainter painter(&screen);
  // A picture drawn 1:1 in a slightly larger area sits in its middle on black.
  const QRect picture(PictureOffset(), canvas_->image.size());
  const QRegion around = QRegion(screen.rect()).subtracted(picture);
  for (const QRect& r : around) painter.fillRect(r, Qt::black);
  painter.drawImage(picture.topLeft(), canvas_->image);
}

QSize TCdgDisplay::PictureSize() const {
  const QSize area = ScreenSize();
  const QSize native(kScreenWidth, kScreenHeight);
  if (!sizeable_) return native;
  // Near the native size a stretch would double a row or a column here and
  // there: the screen is drawn 1:1 instead.
  const QSize extra = area - native;
  if (extra.width() >= 0 && extra.height() >= 0 && extra.width() <= kNativeSlack &&
      extra.height() <= kNativeSlack)
    return native;
  return area;
}

bool TCdgDisplay::Stretched() const {
  return sizeable_ && PictureSize() != QSize(kScreenWidth, kScreenHeight);
}

QPoint TCdgDisplay::PictureOffset() const {
  const QSize spare = ScreenSize() - canvas_->image.size();
  return QPoint(std::max(spare.width() / 2, 0), std::max(spare.height() / 2, 0));
}

void TCdgDisplay::Repaint() {
  if (Stretched()) {
    const QSize size = PictureSize();
    decoder_.RepaintScaled(Side(size.width()), Side(size.height()));
  } else {
    decoder_.Repaint();
  }
}

QSize TCdgDisplay::ScreenSize() const {
  constexpr int kAround = kFrameNear + kFrameFar + 2 * kBevel;
  return QSize(std::max(width() - kAround, 0), std::max(height() - kAround, 0));
}

void TCdgDisplay::PlaceChildren() {
  // A hidden window hears of its size only when shown, so the children are
  // placed from the size itself whenever it matters.
  const QRect panel(kFrameNear, kFrameNear, ScreenSize().width() + 2 * kBevel,
                    ScreenSize().height() + 2 * kBevel);
  if (Panel1_->geometry() != panel) Panel1_->setGeometry(panel);
  const QRect inner(QPoint(kBevel, kBevel), ScreenSize());
  if (CdgScreen_->geometry() != inner) CdgScreen_->setGeometry(inner);
}

void TCdgDisplay::FitCanvas() {
  PlaceChildren();
  const QSize wanted = PictureSize();
  if (canvas_->image.size() == wanted) return;
  canvas_->Resize(wanted);
  Repaint();
}

void TCdgDisplay::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  FitCanvas();
}

void TCdgDisplay::ToggleMaximized() {
  // The window manager places a maximised window itself: moving it as well
  // would take it out of the maximised state again.
  if (isMaximized()) {
    showNormal();
  } else {
    showMaximized();
  }
}

Qt::Edges TCdgDisplay::FrameEdges(const QPoint& pos) const {
  Qt::Edges edges;
  if (pos.x() < kFrameNear) edges |= Qt::LeftEdge;
  if (pos.x() >= width() - kFrameFar) edges |= Qt::RightEdge;
  if (pos.y() < kFrameNear) edges |= Qt::TopEdge;
  if (pos.y() >= height() - kFrameFar) edges |= Qt::BottomEdge;
  return edges;
}

void TCdgDisplay::ArmDrag(const QPoint& globalPos, Qt::MouseButton) {
  dragArmed_ = true;
  dragging_ = false;
  dragStart_ = globalPos;
  dragOrigin_ = pos();
}

bool TCdgDisplay::FollowDrag(const QPoint& globalPos) {
  if (!dragArmed_) return false;
  if (!dragging_) {
    if ((globalPos - dragStart_).manhattanLength() < QApplication::startDragDistance()) return true;
    // The window manager moves the window when it can; otherwise we do.
    if (QWindow* window = windowHandle(); window && window->startSystemMove()) {
      dragArmed_ = false;
      return true;
    }
    dragging_ = true;
  }
  move(dragOrigin_ + globalPos - dragStart_);
  return true;
}

void TCdgDisplay::EndDrag() {
  dragArmed_ = false;
  dragging_ = false;
}

void TCdgDisplay::mousePressEvent(QMouseEvent* event) {
  // The window itself is its frame: the left button resizes a sizeable
  // window at its edges and drags it elsewhere.
  if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
  const Qt::Edges edges = FrameEdges(event->position().toPoint());
  if (sizeable_ && edges) {
    if (QWindow* window = windowHandle()) window->startSystemResize(edges);
    return;
  }
  ArmDrag(event->globalPosition().toPoint(), event->button());
}

void TCdgDisplay::mouseMoveEvent(QMouseEvent* event) {
  if (!FollowDrag(event->globalPosition().toPoint())) QWidget::mouseMoveEvent(event);
}

void TCdgDisplay::mouseReleaseEvent(QMouseEvent* event) {
  EndDrag();
  QWidget::mouseReleaseEvent(event);
}

bool TCdgDisplay::eventFilter(QObject* watched, QEvent* event) {
  if (watched != Panel1_ && watched != CdgScreen_) return QWidget::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::MouseButtonPress: {
      // Any button on the panel or the screen drags the window.
      auto* mouse = static_cast<QMouseEvent*>(event);
      ArmDrag(mouse->globalPosition().toPoint(), mouse->button());
      return true;
    }
    case QEvent::MouseMove:
      return FollowDrag(static_cast<QMouseEvent*>(event)->globalPosition().toPoint());
    case QEvent::MouseButtonRelease:
      EndDrag();
      return true;
    case QEvent::MouseButtonDblClick:
      EndDrag();
      if (watched == CdgScreen_ && sizeable_) ToggleMaximized();
      return true;
    default:
      return QWidget::eventFilter(watched, event);
  }
}

}  // namespace mosaicer
