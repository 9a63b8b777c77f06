#include "app/screen_fit.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>
#include <QWidget>

namespace mosaicer {
namespace {

// Applies the limits whenever the window is about to show.
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
    if (watched == &window_ && event->type() == QEvent::Show) Apply();
    return false;
  }

 private:
  void Apply() {
    const QSize screen = AvailableScreenSize(window_);
    QSize minimum = minimum_;
    QSize maximum = maximum_;
    if (!screen.isEmpty()) {
      minimum = minimum.boundedTo(screen);
      if (maximum.width() >= QWIDGETSIZE_MAX) maximum.setWidth(screen.width());
      if (maximum.height() >= QWIDGETSIZE_MAX) maximum.setHeight(screen.height());
      maximum = maximum.boundedTo(screen);
    }
    window_.setMinimumSize(minimum);
    window_.setMaximumSize(maximum.expandedTo(minimum));
  }

  QWidget& window_;
  QSize minimum_;
  QSize maximum_;
};

}  // namespace

QSize AvailableScreenSize(const QWidget& window) {
  const QScreen* screen = window.screen();
  if (!screen) screen = QGuiApplication::primaryScreen();
  return screen ? screen->availableGeometry().size() : QSize();
}

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
