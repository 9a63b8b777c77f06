// The desktop application. Qt ends the process with an abort when it finds
// no display to connect to, so that case is caught first and reported as an
// ordinary failure.
#include <QGuiApplication>
#include <QString>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/application.h"

namespace {

bool Set(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

// True when Qt has something to show windows on: an X or Wayland display,
// or a platform named outright (offscreen, vnc, ...) by the variable or the
// -platform option.
bool DisplayAvailable(int argc, char** argv) {
  if (Set("DISPLAY") || Set("WAYLAND_DISPLAY") || Set("QT_QPA_PLATFORM")) return true;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0) {
      return true;
    }
  }
  return false;
}

QtMessageHandler qtHandler = nullptr;

// A fatal Qt message (no platform plugin could start, the display refused
// the connection) ends the program with a failure status, not an abort.
void EndOnFatalMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (type != QtFatalMsg) {
    if (qtHandler != nullptr) {
      qtHandler(type, context, text);
    } else {
      std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    }
    return;
  }
  std::fprintf(stderr, "mosaicer-gui: %s\n", text.toLocal8Bit().constData());
  std::fflush(stderr);
  std::_Exit(EXIT_FAILURE);
}

}  // namespace

int main(int argc, char** argv) {
  if (!DisplayAvailable(argc, argv)) {
    std::fprintf(stderr,
                 "mosaicer-gui: no display to open the windows on (DISPLAY and WAYLAND_DISPLAY "
                 "are not set); the command line, mosaicer, works without one.\n");
    return EXIT_FAILURE;
  }
  qtHandler = qInstallMessageHandler(&EndOnFatalMessage);
  // Lets desktops match the windows to the installed desktop entry.
  QGuiApplication::setDesktopFileName(QStringLiteral(MOSAICER_APP_ID));
  return mosaicer::RunApplication(argc, argv);
}
