#include "app/application.h"

#include <QIcon>

#include <exception>

#include "app/dialogs.h"
#include "app/main_window.h"
#include "platform/language.h"

namespace mosaicer {

MosaicerApplication::MosaicerApplication(int& argc, char** argv, Dialogs& dialogs)
    : QApplication(argc, argv), dialogs_(dialogs) {
  setApplicationName(QStringLiteral("Mosaicer"));
  setApplicationVersion(QStringLiteral(MOSAICER_VERSION));
  setWindowIcon(QIcon(QStringLiteral(":/icons/mosaicer.png")));
}

bool MosaicerApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& error) {
    dialogs_.Error(nullptr, error.what());
  } catch (...) {
    dialogs_.Error(nullptr, Tr("An unexpected error occurred."));
  }
  return false;
}

int RunApplication(int argc, char** argv) {
  QtDialogs dialogs;
  MosaicerApplication app(argc, argv, dialogs);
  TMscMainFrm mainWindow(dialogs, ProgramAppPaths());
  mainWindow.show();
  return app.exec();
}

}  // namespace mosaicer
