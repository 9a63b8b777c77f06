#include "app/screen_fit.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>
#include <QWidget>

#include <algorithm>

namespace mosaicer {
namespace {

// Applies the limits whenever the window shows and once its frame is known.
class SizeLimits final : public QObject {
 public:
  SizeLimits(QWidget& window, QSize minimum, QSize maximum)
      : QObject(&window), window_(window), minimum_(minimum), maximum_(maximum) {
    setObjectName("SizeLimits");
    window.installEventFilter(this);
    Apply();
  }

  void Set(QSize minimum, QSize maximum) {
    minimum_ = minimum;
    maximum_ = maximum;
    Apply();
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != &window_) return false;
    // The window manager tells the frame it gave the window by moving it.
    if (event->type() == QEvent::Show ||
        (event->type() == QEvent::Move && FrameSize() != frame_))
      Apply();
    return false;
  }

 private:
  QSize FrameSize() const {
    if (!window_.isVisible()) return QSize(0, 0);
    return (window_.frameGeometry().size() - window_.size()).expandedTo(QSize(0, 0));
  }

  void Apply() {
    frame_ = FrameSize();
    const QRect available = AvailableScreenRect(window_);
    // What the window itself may take: the screen less its frame.
    const QSize screen = available.size() - frame_;
    QSize minimum = minimum_;
    QSize maximum = maximum_;
    // Room for the whole body where the screen has it, so nothing scrolls
    // that need not.
    if (const auto* scroll =
            window_.findChild<const QScrollArea*>("BodyScroll", Qt::FindDirectChildrenOnly);
        scroll && scroll->widget() && window_.layout())
      minimum = minimum.expandedTo(scroll->widget()->minimumSizeHint());
    if (!available.isEmpty()) {
      minimum = minimum.boundedTo(screen);
      if (maximum.width() >= QWIDGETSIZE_MAX) maximum.setWidth(screen.width());
      if (maximum.height() >= QWIDGETSIZE_MAX) maximum.setHeight(screen.height());
      maximum = maximum.boundedTo(screen);
    }
    window_.setMinimumSize(minimum);
    window_.setMaximumSize(maximum.expandedTo(minimum));
    // A framed window that reaches past the screen's edge comes back onto it.
    if (window_.isVisible() && !available.isEmpty() && !frame_.isEmpty()) {
      const QRect frame = window_.frameGeometry();
      QPoint to = frame.topLeft();
      to.setX(std::max(available.left(), std::min(to.x(), available.right() + 1 - frame.width())));
      to.setY(std::max(available.top(), std::min(to.y(), available.bottom() + 1 - frame.height())));
      if (to != frame.topLeft()) window_.move(to);
    }
  }

  QWidget& window_;
  QSize minimum_;
  QSize maximum_;
  QSize frame_{0, 0};  // what the window manager's frame adds
};

}  // namespace

QRect AvailableScreenRect(const QWidget& window) {
  const QScreen* screen = window.screen();
  if (!screen) screen = QGuiApplication::primaryScreen();
  return screen ? screen->availableGeometry() : QRect();
}

QSize AvailableScreenSize(const QWidget& window) { return AvailableScreenRect(window).size(); }

void FitSizeLimits(QWidget& window, QSize minimum, QSize maximum) {
  if (auto* limits = window.findChild<SizeLimits*>("SizeLimits", Qt::FindDirectChildrenOnly)) {
    limits->Set(minimum, maximum);
    return;
  }
  new SizeLimits(window, minimum, maximum);
}

QWidget* ScrollingBody(QWidget& window) {
  auto* scroll = new QScrollArea(&window);
  scroll->setObjectName("BodyScroll");
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setWidgetResizable(true);
  auto* body = new QWidget(scroll);
  body->setObjectName("Body");
  scroll->setWidget(body);
  auto* layout = new QVBoxLayout(&window);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(scroll);
  return body;
}

}  // namespace mosaicer
