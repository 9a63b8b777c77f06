// Runs test steps inside a modal dialog's own event loop.
#pragma once

#include <QDialog>
#include <QTimer>

#include <functional>

namespace mosaicer::testing {

// Shows `dialog` modally and runs `act` once its loop is running; returns
// the dialog's result. `act` must end the dialog (or make it end).
inline int RunModal(QDialog& dialog, const std::function<void()>& act) {
  QTimer::singleShot(0, &dialog, act);
  return dialog.exec();
}

}  // namespace mosaicer::testing
