// The desktop application: start-up, the main window and the event loop.
#pragma once

#include <QApplication>

namespace mosaicer {

class Dialogs;

// An error that escapes an event handler is shown in the standard error box
// and the program goes on.
class MosaicerApplication : public QApplication {
 public:
  MosaicerApplication(int& argc, char** argv, Dialogs& dialogs);
  bool notify(QObject* receiver, QEvent* event) override;

 private:
  Dialogs& dialogs_;
};

// Runs the application until its main window closes; the exit status.
int RunApplication(int argc, char** argv);

}  // namespace mosaicer
