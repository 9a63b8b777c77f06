// Walks the desktop application through one authoring session on the
// bundled samples and saves a picture of every window on the way (the
// README's screenshots). Run it on a display: scripts/screenshots.sh starts
// one with Xvfb.
//
//   mosaicer_screenshots EXAMPLES_FOLDER OUTPUT_FOLDER
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <deque>
#include <filesystem>
#include <string>

#include "app/about_box.h"
#include "app/dialogs.h"
#include "app/gen_setting_dlg.h"
#include "app/main_window.h"
#include "app/progress_dialogs.h"
#include "effects/ui/tlo_view_frm.h"
#include "image/ui/bmp_frm.h"

namespace mosaicer {
namespace {

// Answers the file dialogs from a list and takes every message as read.
class SessionDialogs : public QtDialogs {
 public:
  std::deque<std::string> files;
  std::optional<std::string> OpenFile(QWidget*, const std::string&, const std::string&) override {
    return Next();
  }
  std::optional<std::string> SaveFile(QWidget*, const std::string&, const std::string&,
                                      const std::string&, const std::string&) override {
    return Next();
  }
  bool Confirm(QWidget*, const std::string&) override { return true; }
  void Error(QWidget*, const std::string& text) override {
    std::fprintf(stderr, "error: %s\n", text.c_str());
  }
  void Information(QWidget*, const std::string& text) override {
    std::fprintf(stderr, "%s\n", text.c_str());
  }

 private:
  std::optional<std::string> Next() {
    if (files.empty()) return std::nullopt;
    std::string file = files.front();
    files.pop_front();
    return file;
  }
};

class Camera {
 public:
  explicit Camera(QString folder) : folder_(std::move(folder)) {}
  void Shoot(QWidget& window, const char* name) {
    QApplication::processEvents();
    const QString file = folder_ + "/" + name + ".png";
    if (!window.grab().save(file)) std::fprintf(stderr, "cannot save %s\n", qPrintable(file));
    else std::printf("%s\n", qPrintable(file));
  }

 private:
  QString folder_;
};

void Wait(int milliseconds) {
  QEventLoop loop;
  QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
  loop.exec();
}

int Run(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Mosaicer"));
  if (argc != 3) {
    std::fprintf(stderr, "usage: mosaicer_screenshots EXAMPLES_FOLDER OUTPUT_FOLDER\n");
    return 2;
  }
  const std::filesystem::path examples = argv[1];
  QDir().mkpath(argv[2]);
  Camera camera(argv[2]);
  QTemporaryDir home;
  const std::filesystem::path tlo = std::filesystem::path(home.path().toStdString()) / "Tlo";
  std::filesystem::create_directories(tlo);
  std::filesystem::copy_file(examples / "spiral.tlo", tlo / "spiral.tlo");

  SessionDialogs dialogs;
  TMscMainFrm window(dialogs, {(home.path() + "/mosaicer.ini").toStdString(), tlo.string()});
  window.show();
  camera.Shoot(window, "main-window-empty");

  // The wizard, one picture a step.
  dialogs.files.push_back((examples / "sunset.bmp").string());
  QTimer::singleShot(0, &window, [&] {
    TBmpFrm& wizard = window.BmpFrm();
    for (const char* step : {"wizard-1-palette", "wizard-2-reduce", "wizard-3-range",
                             "wizard-4-preview"}) {
      camera.Shoot(wizard, step);
      wizard.NextBtn()->click();
    }
  });
  window.FileOpenBmpExecute();

  dialogs.files.push_back((examples / "frere-jacques.wav").string());
  window.FileOpenWavExecute();
  window.OrderCmb()->setCurrentIndex(1);
  camera.Shoot(window, "main-window");

  // The progress dialog part way through a job of 770 steps; the sample
  // song is written too fast to catch it in the act.
  TProgressDlg& progress = window.ProgressDlg();
  progress.show();
  ProgressDialogBase::ProgressCallback(kProgressSteps, 770, &progress);
  for (int step = 0; step < 300; ++step)
    ProgressDialogBase::ProgressCallback(kProgressStep, 0, &progress);
  Wait(1600);
  camera.Shoot(progress, "progress-dialog");
  ProgressDialogBase::ProgressCallback(kProgressDone, 0, &progress);
  Wait(100);

  dialogs.files.push_back((home.path() + "/demo.cdg").toStdString());
  window.TimingCmb()->setCurrentIndex(1);
  window.FileMakeCdgExecute();

  // The effect viewer part way through the spiral.
  QTimer::singleShot(0, &window, [&] {
    TTloViewFrm& viewer = window.TloViewFrm();
    viewer.IntervalUd()->setValue(2);
    QTimer::singleShot(900, &viewer, [&] {
      camera.Shoot(viewer, "effect-viewer");
      viewer.CloseBtn()->click();
    });
    viewer.TestBtn()->click();
  });
  window.TestBtnClick();

  QTimer::singleShot(0, &window, [&] {
    camera.Shoot(window.GenSettingDlg(), "settings-dialog");
    window.GenSettingDlg().reject();
  });
  window.SettingsGeneralExecute();

  QTimer::singleShot(0, &window, [&] {
    camera.Shoot(window.AboutBox(), "about-box");
    window.AboutBox().accept();
  });
  window.HelpAboutExecute();
  window.close();
  return 0;
}

}  // namespace
}  // namespace mosaicer

int main(int argc, char** argv) { return mosaicer::Run(argc, argv); }
