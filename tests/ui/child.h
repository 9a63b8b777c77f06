// Controls reached by their object names, the way a user's script finds
// them: Child<QPushButton>(window, "DivideBtn"). A control belongs to the
// window it sits in, popup menus included; the windows a window owns (a
// dialog, the display) hold their own controls, so a name is looked up in
// one window only. A name that is missing there, or that two controls share,
// throws, which fails the test (or ends a tool) with the name in the reason.
#pragma once

#include <QDialog>
#include <QList>
#include <QObject>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

namespace mosaicer::testing {

// True when `object` lies in `window` and not inside another window under it.
inline bool InWindow(const QObject& object, const QObject& window) {
  for (const QObject* o = object.parent(); o != nullptr && o != &window; o = o->parent()) {
    const auto* widget = qobject_cast<const QWidget*>(o);
    if (widget != nullptr && widget->isWindow() && widget->windowType() != Qt::Popup) return false;
  }
  return true;
}

template <typename T>
T* Child(const QObject& window, const char* name) {
  T* found = nullptr;
  int count = 0;
  for (T* child : window.findChildren<T*>(QString::fromUtf8(name))) {
    if (!InWindow(*child, window)) continue;
    found = child;
    ++count;
  }
  if (count != 1) {
    throw std::logic_error(std::string(count == 0 ? "no control named " : "two controls named ") +
                           name + " of type " + T::staticMetaObject.className() + " in " +
                           window.objectName().toStdString());
  }
  return found;
}

template <typename T>
T* Child(const QObject* window, const char* name) {
  if (window == nullptr) throw std::logic_error(std::string("no window to find ") + name + " in");
  return Child<T>(*window, name);
}

template <typename T, typename Window>
T* Child(const std::unique_ptr<Window>& window, const char* name) {
  return Child<T>(window.get(), name);
}

// Runs `act` inside the dialog's modal loop once the dialog is on screen.
inline void WhenShown(QDialog& dialog, std::function<void()> act) {
  QTimer::singleShot(0, &dialog, [&dialog, act] {
    if (dialog.isVisible())
      act();
    else
      WhenShown(dialog, act);
  });
}

}  // namespace mosaicer::testing
