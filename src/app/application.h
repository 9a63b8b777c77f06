// The desktop application: start-up, the main window and the event loop.
#pragma once

#include <QApplication>

#include "platform/language.h"

class QTranslator;

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

// Loads Qt's own translations (its dialogs and standard buttons) for
// `language` into `translator`; false when there are none to load.
bool LoadQtTranslations(QTranslator& translator, Language language);

// Runs the application until its main window closes; the exit status.
int RunApplication(int argc, char** argv);

}  // namespace mosaicer
