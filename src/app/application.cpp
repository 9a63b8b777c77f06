#include "app/application.h"

#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <exception>

#include "app/dialogs.h"
#include "app/gen_setting_dlg.h"
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

bool LoadQtTranslations(QTranslator& translator, Language language) {
  if (language != Language::Japanese) return false;  // Qt's own texts are English
  return translator.load(QLocale(QLocale::Japanese), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}

int RunApplication(int argc, char** argv) {
  QtDialogs dialogs;
  MosaicerApplication app(argc, argv, dialogs);
  const AppPaths paths = ProgramAppPaths();
  // The language is chosen before any window exists: the user's choice in
  // the settings file unless MOSAICER_LANG overrides it, else the system's.
  IniFile settings;
  settings.Load(paths.settingsFile);
  SetLanguage(ChooseLanguage(TGenSettingDlg::LanguageChoice(settings)));
  QTranslator qtTexts;
  if (LoadQtTranslations(qtTexts, CurrentLanguage())) app.installTranslator(&qtTexts);
  TMscMainFrm mainWindow(dialogs, paths);
  mainWindow.show();
  return app.exec();
}

}  // namespace mosaicer
