// Walks the desktop application through a user's day on the bundled samples
// and saves a picture of every window on the way (the README's
// screenshots): a picture and a song become a CDG file, a ten-tile effect is
// drawn in touch mode, tested and saved, the CDG file is played and a
// snapshot saved, both tracks of a disc image are ripped, and one of them
// is divided and combined again. The files it makes stay in the work folder
// so scripts/screenshots.sh can hold them against the command line's.
// Run it on a display (the script starts one with Xvfb).
//
//   mosaicer_screenshots EXAMPLES_FOLDER SCREENSHOT_FOLDER WORK_FOLDER
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "app/about_box.h"
#include "app/dialogs.h"
#include "app/gen_setting_dlg.h"
#include "app/main_window.h"
#include "app/progress_dialogs.h"
#include "core/subcode_pack.h"
#include "effects/ui/tlo_frm.h"
#include "effects/ui/tlo_view_frm.h"
#include "image/ui/bmp_frm.h"
#include "platform/file_util.h"
#include "platform/language.h"
#include "player/cdg_in.h"
#include "player/ui/cdg_display.h"
#include "player/ui/play_frm.h"
#include "ripper/ui/rip_frm.h"
#include "support/clone_cd_disc.h"
#include "ui/child.h"
#include "utility/ui/util_frm.h"

namespace mosaicer {
namespace {

using testing::Child;

namespace fs = std::filesystem;

// Answers the file and folder dialogs from lists and prints every message.
class SessionDialogs : public QtDialogs {
 public:
  std::deque<std::string> files, folders;
  std::optional<std::string> OpenFile(QWidget*, const std::string&, const std::string&,
                                      const std::string&) override {
    return Next(files);
  }
  std::optional<std::string> SaveFile(QWidget*, const std::string&, const std::string&,
                                      const std::string&, const std::string&) override {
    return Next(files);
  }
  std::optional<std::string> ChooseFolder(QWidget*, const std::string&,
                                          const std::string&) override {
    return Next(folders);
  }
  bool Confirm(QWidget*, const std::string&) override { return true; }
  void Error(QWidget*, const std::string& text) override {
    std::fprintf(stderr, "error: %s\n", text.c_str());
  }
  void Information(QWidget*, const std::string& text) override {
    std::printf("message: %s\n", text.c_str());
  }

 private:
  static std::optional<std::string> Next(std::deque<std::string>& answers) {
    if (answers.empty()) return std::nullopt;
    std::string answer = answers.front();
    answers.pop_front();
    return answer;
  }
};

void Wait(int milliseconds) {
  QEventLoop loop;
  QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
  loop.exec();
}

class Camera {
 public:
  explicit Camera(QString folder) : folder_(std::move(folder)) {}
  void Shoot(QWidget& window, const char* name) {
    QApplication::processEvents();
    const QString file = folder_ + "/" + name + ".png";
    if (!window.grab().save(file))
      std::fprintf(stderr, "cannot save %s\n", qPrintable(file));
    else
      std::printf("picture: %s\n", qPrintable(file));
  }

 private:
  QString folder_;
};

// Runs `steps` once the next modal window's loop is running.
void WhenShown(QObject& context, std::function<void()> steps) {
  QTimer::singleShot(0, &context, std::move(steps));
}

struct Session {
  fs::path examples, work;
  SessionDialogs& dialogs;
  Camera& camera;
  TMscMainFrm& window;

  std::string Work(const char* name) const { return (work / name).string(); }

  void CreateCdg() {
    camera.Shoot(window, "main-window-empty");
    dialogs.files.push_back((examples / "sunset.bmp").string());
    WhenShown(window, [this] {
      TBmpFrm& wizard = *Child<TBmpFrm>(window, "BmpFrm");
      for (const char* step :
           {"wizard-1-palette", "wizard-2-reduce", "wizard-3-range", "wizard-4-preview"}) {
        camera.Shoot(wizard, step);
        if (std::string_view(step) == "wizard-3-range") {
          // The whole picture fitted into the area, then back to the crop the
          // session goes on with (its file is held against the command
          // line's below).
          QComboBox* fit = Child<QComboBox>(wizard, "FitCmb");
          fit->setCurrentIndex(1);
          camera.Shoot(wizard, "wizard-3-range-fit");
          fit->setCurrentIndex(0);
        }
        Child<QPushButton>(wizard, "NextBtn")->click();
      }
    });
    window.FileOpenBmpExecute();
    dialogs.files.push_back((examples / "frere-jacques.wav").string());
    window.FileOpenWavExecute();
    Child<QComboBox>(window, "OrderCmb")
        ->setCurrentIndex(
            Child<QComboBox>(window, "OrderCmb")
                ->findText(CurrentLanguage() == Language::Japanese
                               ? QStringLiteral("渦巻き（外から内へ）")
                               : QStringLiteral("Spiral (outside in)")));
    camera.Shoot(window, "main-window");

    // The progress dialog part way through a job of 770 steps; the sample
    // song is written too fast to catch it in the act.
    TProgressDlg& progress = *Child<TProgressDlg>(window, "ProgressDlg");
    progress.show();
    ProgressDialogBase::ProgressCallback(kProgressSteps, 770, &progress);
    for (int step = 0; step < 300; ++step)
      ProgressDialogBase::ProgressCallback(kProgressStep, 0, &progress);
    Wait(1600);
    camera.Shoot(progress, "progress-dialog");
    ProgressDialogBase::ProgressCallback(kProgressDone, 0, &progress);
    Wait(100);

    dialogs.files.push_back(Work("spiral.cdg"));
    window.FileMakeCdgExecute();
    Child<QComboBox>(window, "OrderCmb")->setCurrentIndex(0);
    dialogs.files.push_back(Work("sunset.cdg"));
    window.FileMakeCdgExecute();
    Child<QComboBox>(window, "OrderCmb")->setCurrentIndex(1);

    // The chosen effect on the picture, part way through.
    WhenShown(window, [this] {
      TTloViewFrm& viewer = *Child<TTloViewFrm>(window, "TloViewFrm");
      Child<QSpinBox>(viewer, "IntervalUd")->setValue(2);
      QTimer::singleShot(900, &viewer, [this, &viewer] {
        camera.Shoot(viewer, "effect-viewer");
        Child<QPushButton>(viewer, "CloseBtn")->click();
      });
      Child<QPushButton>(viewer, "TestBtn")->click();
    });
    window.TestBtnClick();
  }

  void DrawEffect() {
    dialogs.files.push_back(Work("Tlo/ten.tlo"));
    WhenShown(window, [this] {
      TTloFrm& editor = *Child<TTloFrm>(window, "TloFrm");
      Child<QLineEdit>(editor, "TitleEdit")->setText(QStringLiteral("十枚のタイル"));
      Child<QPushButton>(editor, "ModeBtn")->click();  // touch mode
      QTableWidget* grid = Child<QTableWidget>(editor, "TileGrid");
      for (int n = 0; n < 10; ++n) {
        // A zigzag through the top-left corner of the screen.
        QTableWidgetItem* cell = grid->item(1 + n / 5 + 1, 1 + (n / 5 ? 4 - n % 5 : n % 5) + 1);
        grid->scrollToItem(cell);
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualItemRect(cell).center(),
                          400);
      }
      camera.Shoot(editor, "effect-editor");
      WhenShown(editor, [this] {
        TTloViewFrm& viewer = *Child<TTloViewFrm>(window, "TloViewFrm");
        Child<QSpinBox>(viewer, "IntervalUd")->setValue(150);
        QTimer::singleShot(800, &viewer, [this, &viewer] {
          camera.Shoot(viewer, "effect-editor-test");
          Child<QPushButton>(viewer, "CloseBtn")->click();
        });
        Child<QPushButton>(viewer, "TestBtn")->click();
      });
      Child<QPushButton>(editor, "TestBtn")->click();
      Child<QPushButton>(editor, "SaveBtn")->click();
      editor.close();
    });
    window.ToolsTloExecute();
    std::printf("effect list:");
    for (int i = 0; i < Child<QComboBox>(window, "OrderCmb")->count(); ++i)
      std::printf(" [%s]", qPrintable(Child<QComboBox>(window, "OrderCmb")->itemText(i)));
    std::printf("\n");
  }

  void Play() {
    dialogs.files.push_back(Work("sunset.cdg"));
    dialogs.folders.push_back(Work("snapshots"));
    WhenShown(window, [this] {
      TPlayFrm& player = *Child<TPlayFrm>(window, "PlayFrm");
      Child<QPushButton>(player, "Button1")->click();    // the snapshot folder
      Child<QPushButton>(player, "BrowseBtn")->click();  // the song
      Child<QPushButton>(player, "PlayBtn")->click();
      Wait(4000);
      camera.Shoot(player, "player");
      camera.Shoot(*Child<TCdgDisplay>(window, "CdgDisplay"), "display-while-playing");
      Child<QPushButton>(player, "PauseBtn")->click();
      Wait(500);
      camera.Shoot(player, "player-paused");
      Child<QPushButton>(player, "PauseBtn")->click();  // and on to the end
      for (int i = 0; i < 200 && player.Source().State() != csStop; ++i) Wait(100);
      camera.Shoot(*Child<TCdgDisplay>(window, "CdgDisplay"), "display-at-the-end");
      Child<QAction>(player, "CdgBmp")->trigger();
      Child<QPushButton>(player, "StopBtn")->click();
      player.close();
    });
    window.ToolsPlayExecute();
  }

  void Rip() {
    WriteDisc();
    dialogs.files.push_back(Work("disc.ccd"));
    dialogs.files.push_back(Work("ripped"));
    WhenShown(window, [this] {
      TRipFrm& ripper = *Child<TRipFrm>(window, "RipFrm");
      Child<QPushButton>(ripper, "ImageBtn")->click();
      Child<QPushButton>(ripper, "SelectBtn")->click();
      camera.Shoot(ripper, "ripper");
      Child<QPushButton>(ripper, "RipBtn2")->click();
      ripper.close();
    });
    window.ToolsRipExecute();
  }

  void DivideAndCombine() {
    dialogs.files.push_back(Work("ripped_01.cdg"));
    dialogs.files.push_back(Work("divided.rws"));
    dialogs.files.push_back(Work("divided.wav"));
    WhenShown(window, [this] {
      TUtilFrm& utility = *Child<TUtilFrm>(window, "UtilFrm");
      Child<QPushButton>(utility, "CdgBrowseBtn")->click();
      Child<QPushButton>(utility, "RwsBrowseBtn")->click();
      if (Child<QCheckBox>(utility, "NameCk")->isChecked())
        Child<QCheckBox>(utility, "NameCk")->click();
      Child<QPushButton>(utility, "WavBrowseBtn")->click();
      camera.Shoot(utility, "utility");
      Child<QPushButton>(utility, "DivideBtn")->click();
      std::printf("utility caption: %s\n", qPrintable(utility.windowTitle()));
      Child<QLineEdit>(utility, "CdgPathEdit")
          ->setText(QString::fromStdString(Work("combined.cdg")));
      Child<QPushButton>(utility, "CombinBtn")->click();
      std::printf("utility caption: %s\n", qPrintable(utility.windowTitle()));
      utility.close();
    });
    window.ToolsDivideExecute();
  }

  // Both CDG files made above become the two tracks of a CloneCD image.
  void WriteDisc() {
    std::vector<std::uint8_t> packs;
    std::string audio;
    std::vector<int> starts;
    for (const char* name : {"sunset.cdg", "spiral.cdg"}) {
      std::vector<std::uint8_t> cdg;
      if (const IoStatus read = ReadWholeFile(Work(name), cdg); !read) {
        std::fprintf(stderr, "screenshots: %s\n", read.error().c_str());
        std::exit(1);
      }
      starts.push_back(static_cast<int>(packs.size() / kSubcodeBytesPerSector));
      for (std::size_t at = 0; at + kCdgSectorSize <= cdg.size(); at += kCdgSectorSize) {
        audio.append(reinterpret_cast<const char*>(&cdg[at]), kAudioBytesPerSector);
        packs.insert(packs.end(), cdg.begin() + static_cast<long>(at + kAudioBytesPerSector),
                     cdg.begin() + static_cast<long>(at + kCdgSectorSize));
      }
    }
    const int sectors = static_cast<int>(packs.size() / kSubcodeBytesPerSector);
    const testing::Disc disc = testing::DiscFromPacks(std::move(packs), std::move(audio), 1);
    std::ofstream(Work("disc.img"), std::ios::binary) << disc.audio;
    std::ofstream(Work("disc.sub"), std::ios::binary) << disc.sub;
    std::ofstream(Work("disc.ccd"), std::ios::binary) << testing::CcdText(starts, sectors);
  }

  void SettingsAndAbout() {
    WhenShown(window, [this] {
      camera.Shoot(*Child<TGenSettingDlg>(window, "GenSettingDlg"), "settings-dialog");
      Child<TGenSettingDlg>(window, "GenSettingDlg")->reject();
    });
    window.SettingsGeneralExecute();
    WhenShown(window, [this] {
      camera.Shoot(*Child<TAboutBox>(window, "AboutBox"), "about-box");
      Child<TAboutBox>(window, "AboutBox")->accept();
    });
    window.HelpAboutExecute();
  }
};

int Run(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Mosaicer"));
  if (argc != 4) {
    std::fprintf(stderr,
                 "usage: mosaicer_screenshots EXAMPLES_FOLDER SCREENSHOT_FOLDER WORK_FOLDER\n");
    return 2;
  }
  const fs::path examples = argv[1];
  const fs::path work = argv[3];
  QDir().mkpath(argv[2]);
  fs::create_directories(work / "Tlo");
  fs::copy_file(examples / "spiral.tlo", work / "Tlo" / "spiral.tlo",
                fs::copy_options::overwrite_existing);
  Camera camera(argv[2]);
  SessionDialogs dialogs;
  TMscMainFrm window(dialogs, {(work / "mosaicer.ini").string(), (work / "Tlo").string()});
  window.show();

  Session session{examples, work, dialogs, camera, window};
  session.CreateCdg();
  session.DrawEffect();
  session.Play();
  session.Rip();
  session.DivideAndCombine();
  session.SettingsAndAbout();
  window.close();
  return 0;
}

}  // namespace
}  // namespace mosaicer

int main(int argc, char** argv) { return mosaicer::Run(argc, argv); }
