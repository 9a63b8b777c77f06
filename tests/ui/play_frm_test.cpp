// The player window: its actions and the worker, pause, repeat, the
// display's keys and snapshots, video export, and a track of a disc image
// played directly.
#include "player/ui/play_frm.h"

#include "ui_test.h"

#include <QApplication>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/file_util.h"
#include "player/ui/cdg_display.h"
#include "player/wave_device.h"
#include "support/clone_cd_disc.h"
#include "support/pack_stream.h"

namespace mosaicer {
namespace {

constexpr int kGenerous = 15000;  // milliseconds: time-outs that only a hang reaches

class PlayFrmTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { qputenv(kAudioVariable, kNullAudioValue); }

  // Puts a song of `sectors` sectors (75 a second) whose packs clear the
  // screen in the file box.
  void Load(int sectors) {
    const std::string song = dir.Write("song.cdg", testing::CdgOf(testing::PresetStream(sectors)));
    PathEdit->setText(QString::fromStdString(song));
  }
  bool WaitFor(const std::function<bool()>& condition) {
    return QTest::qWaitFor(condition, kGenerous);
  }
  bool Playing() const {
    return PlayStop->isEnabled() && PlayPause->isEnabled() && !PlayPlay->isEnabled() &&
           !frm.Starting();
  }
  // Play is enabled exactly when there is a song to play.
  bool Idle() const {
    return PlayPlay->isEnabled() == !PathEdit->text().isEmpty() && !PlayStop->isEnabled() &&
           !PlayPause->isEnabled() && !frm.Starting();
  }
  // Shows the window as the main window does and runs `act` inside it; the
  // window is closed afterwards if `act` left it open.
  int Run(const std::function<void()>& act) {
    return RunModal(frm, [&] {
      act();
      if (!frm.isVisible()) return;
      EXPECT_TRUE(QTest::qWaitFor([&] { return !frm.Starting(); }, kGenerous));
      QTest::mouseClick(StopBtn, Qt::LeftButton);
      frm.reject();
      if (frm.isVisible()) frm.hide();  // a failed test must not hang here
    });
  }

  testing::TempDir dir;
  testing::ScriptedDialogs dialogs;
  TCdgDisplay display;
  TPlayFrm frm{dialogs, display};
  // The window's controls, by their names.
  QLineEdit* BmpPathEdit = Child<QLineEdit>(frm, "BmpPathEdit");
  QLineEdit* PathEdit = Child<QLineEdit>(frm, "PathEdit");
  QPushButton* PauseBtn = Child<QPushButton>(frm, "PauseBtn");
  QPushButton* PlayBtn = Child<QPushButton>(frm, "PlayBtn");
  QAction* PlayPause = Child<QAction>(frm, "PlayPause");
  QAction* PlayPlay = Child<QAction>(frm, "PlayPlay");
  QAction* PlayStop = Child<QAction>(frm, "PlayStop");
  QCheckBox* RepeatCk = Child<QCheckBox>(frm, "RepeatCk");
  QComboBox* StereoCmb = Child<QComboBox>(frm, "StereoCmb");
  QPushButton* StopBtn = Child<QPushButton>(frm, "StopBtn");
};

TEST_F(PlayFrmTest, ActionsWaitForTheWorkerAndTheWindowWaitsToClose) {
  Run([&] {
    EXPECT_TRUE(WaitFor([&] { return display.isVisible(); }));  // shown with the player
    Load(150);
    QTest::mouseClick(PlayBtn, Qt::LeftButton);
    // Nothing has been heard from the worker yet: no event was processed.
    EXPECT_TRUE(frm.Starting());
    EXPECT_FALSE(PlayPlay->isEnabled());
    EXPECT_FALSE(PlayStop->isEnabled());
    EXPECT_FALSE(PlayPause->isEnabled());
    frm.reject();
    EXPECT_TRUE(frm.isVisible());  // refused while starting

    EXPECT_TRUE(WaitFor([&] { return Playing(); }));
    EXPECT_EQ(frm.Source().State(), csPlay);
    frm.reject();  // closing while playing stops the song
    EXPECT_FALSE(frm.isVisible());
  });
  EXPECT_EQ(frm.Source().State(), csStop);
  EXPECT_FALSE(display.isVisible());  // hidden with the player
}

TEST_F(PlayFrmTest, PauseTogglesAndTheStereoModeChosenMeanwhileIsKept) {
  Run([&] {
    Load(300);
    QTest::mouseClick(PlayBtn, Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return Playing(); }));

    StereoCmb->setCurrentIndex(1);  // live, while playing
    EXPECT_EQ(frm.Source().StereoMode(), 1);

    QTest::mouseClick(PauseBtn, Qt::LeftButton);
    EXPECT_TRUE(frm.Paused());
    EXPECT_EQ(frm.Source().State(), csPause);
    EXPECT_TRUE(Playing());  // Stop and Pause stay offered
    StereoCmb->setCurrentIndex(4);
    EXPECT_EQ(frm.Source().StereoMode(), 4);

    QTest::mouseClick(PauseBtn, Qt::LeftButton);
    EXPECT_FALSE(frm.Paused());
    EXPECT_EQ(frm.Source().State(), csPlay);
    EXPECT_EQ(frm.Source().StereoMode(), 4);

    QTest::mouseClick(PauseBtn, Qt::LeftButton);
    QTest::mouseClick(StopBtn, Qt::LeftButton);  // stops while paused too
    EXPECT_EQ(frm.Source().State(), csStop);
    EXPECT_TRUE(Idle());
  });
}

TEST_F(PlayFrmTest, SongEndsAndWithRepeatTheSourceLoopsByItself) {
  Run([&] {
    Load(20);  // about a quarter of a second
    QTest::mouseClick(PlayBtn, Qt::LeftButton);
    EXPECT_TRUE(WaitFor([&] { return Idle() && frm.Source().State() == csStop; }));

    RepeatCk->setChecked(true);  // before playing
    QTest::mouseClick(PlayBtn, Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return Playing(); }));
    QTest::qWait(1000);  // several times the song
    EXPECT_TRUE(Playing());
    EXPECT_EQ(frm.Source().State(), csPlay);

    RepeatCk->setChecked(false);  // during playing: the next end is the last
    EXPECT_TRUE(WaitFor([&] { return Idle(); }));
    EXPECT_EQ(frm.Source().State(), csStop);

    QTest::mouseClick(PlayBtn, Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return Playing(); }));
    RepeatCk->setChecked(true);  // checked during playing
    QTest::qWait(1000);
    EXPECT_TRUE(Playing());
  });
}

TEST_F(PlayFrmTest, RepeatCheckedAfterTheSourceEndedStartsTheSongAgain) {
  Run([&] {
    Load(20);
    QTest::mouseClick(PlayBtn, Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return Playing(); }));
    // Let the song end without handling the window's events, so its end
    // report waits in the queue while the box is checked.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (frm.Source().State() != csStop && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(frm.Source().State(), csStop);
    EXPECT_TRUE(Playing());  // the window has not heard of it yet
    RepeatCk->setChecked(true);
    EXPECT_TRUE(WaitFor([&] { return Playing() && frm.Source().State() == csPlay; }));
  });
}

TEST_F(PlayFrmTest, TheDisplayAnswersThePlayersKeysAndSnapshotsSayWhereTheyWent) {
  const std::string folder = dir.File("shots");
  Run([&] {
    BmpPathEdit->setText(QString::fromStdString(folder));
    PathEdit->setText(QStringLiteral("/anywhere/song.cdg"));
    ASSERT_TRUE(WaitFor([&] { return display.isVisible(); }));  // once the player is up
    display.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&display));
    QTest::keyClick(&display, Qt::Key_F10);
    QTest::keyClick(&display, Qt::Key_F10, Qt::ControlModifier);
    EXPECT_TRUE(FileExists(folder + "/song000.bmp"));
    EXPECT_TRUE(FileExists(folder + "/song001.bmp"));
    const QLabel* status = Child<QLabel>(frm, "StatusLbl");
    EXPECT_EQ(status->text(), QStringLiteral("song001.bmpを保存しました。"));
    EXPECT_EQ(status->toolTip().toStdString(), folder + "/song001.bmp");

    QTest::keyClick(&display, Qt::Key_F9);  // hides the display
    EXPECT_FALSE(display.isVisible());
    // The hidden window took the activation with it; the player takes it back.
    QApplication::setActiveWindow(&frm);
    QTest::keyClick(&frm, Qt::Key_F9);
    ASSERT_TRUE(display.isVisible());
    QApplication::setActiveWindow(&display);
    QTest::keyClick(&display, Qt::Key_Escape);  // closes the player
    EXPECT_FALSE(frm.isVisible());
    EXPECT_FALSE(display.isVisible());
  });
}

// The file in the box becomes a video beside it, or a refusal that names
// the file.
TEST_F(PlayFrmTest, VideoExportsTheFileInTheBoxOrSaysWhyNot) {
  ::setenv("MOSAICER_VIDEO_MODULE", MOSAICER_VIDEO_MODULE_PATH, 1);
  auto* video = Child<QPushButton>(frm, "VideoBtn");
  auto* status = Child<QLabel>(frm, "StatusLbl");
  EXPECT_FALSE(video->isEnabled());  // nothing to export yet
  Load(150);
  ASSERT_TRUE(video->isEnabled());
  // A name without an extension becomes an MP4.
  dialogs.files.push_back(dir.File("song video"));
  QTest::mouseClick(video, Qt::LeftButton);
  const std::string made = dir.File("song video.mp4");
  ASSERT_TRUE(std::filesystem::exists(made)) << status->text().toStdString();
  EXPECT_EQ(ReadFile(made).substr(4, 4), "ftyp");
  EXPECT_TRUE(status->text().contains("song video.mp4"));

  // A folder that is not there: nothing is made.
  dialogs.files.push_back(dir.File("gone/song.mkv"));
  QTest::mouseClick(video, Qt::LeftButton);
  ExpectOneErrorNaming(dialogs, "gone/song.mkv");
  EXPECT_FALSE(std::filesystem::exists(dir.File("gone")));
}

// A disc image beside its track 2 ripped by the command line.
class PlayFrmDiscTest : public PlayFrmTest {
 protected:
  void SetUp() override {
    dir.Write("disc.img", disc.audio);
    dir.Write("disc.sub", disc.sub);
    ccd = dir.Write("disc.ccd", testing::kCcd);
    const testing::CliResult r = Cli(
        {"rip", ccd, "--track", "2", "-o", dir.File("track2.cdg"), "--no-log", "-q"});
    ASSERT_EQ(r.status, 0) << r.err;
  }
  bool Stopped() const {
    return PlayPlay->isEnabled() && !PlayStop->isEnabled() && !frm.Starting();
  }
  // Plays what the window is set to until its end, then saves the screen.
  void PlayToTheEnd() {
    QTest::mouseClick(PlayBtn, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return PlayStop->isEnabled(); }, kGenerous));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Stopped(); }, kGenerous));
    QTest::qWait(50);  // the last packs' posts
    Child<QAction>(frm, "CdgBmp")->trigger();
  }

  testing::Disc disc = testing::MakeDisc(150, 17);
  std::string ccd;
  QCheckBox* DiscCk = Child<QCheckBox>(frm, "DiscCk");
  QComboBox* DriveCmb = Child<QComboBox>(frm, "DriveCmb");
  QSpinBox* TrackUd = Child<QSpinBox>(frm, "TrackUd");
  QPushButton* ImageBtn = Child<QPushButton>(frm, "ImageBtn");
};

TEST_F(PlayFrmDiscTest, ATrackOfAnImagePlaysAsItsRippedFile) {
  const std::string shots = dir.File("shots");
  Run([&] {
    BmpPathEdit->setText(QString::fromStdString(shots));
    // The ripped file first, through the file box.
    PathEdit->setText(QString::fromStdString(dir.File("track2.cdg")));
    ASSERT_NO_FATAL_FAILURE(PlayToTheEnd());

    // Then the disc: the image opened into the drive list, its track 2.
    display.Reset();
    QTest::mouseClick(DiscCk, Qt::LeftButton);
    EXPECT_FALSE(PathEdit->isVisible());
    EXPECT_TRUE(DriveCmb->isVisible());
    dialogs.files.push_back(ccd);
    QTest::mouseClick(ImageBtn, Qt::LeftButton);
    ASSERT_GE(DriveCmb->count(), 1);
    EXPECT_EQ(DriveCmb->currentIndex(), DriveCmb->count() - 1);
    TrackUd->setValue(2);
    ASSERT_NO_FATAL_FAILURE(PlayToTheEnd());
    EXPECT_EQ(frm.Source().State(), csStop);

    // Back to the file box, as it was.
    QTest::mouseClick(DiscCk, Qt::LeftButton);
    EXPECT_TRUE(PathEdit->isVisible());
    EXPECT_FALSE(DriveCmb->isVisible());
    EXPECT_EQ(PathEdit->text().toStdString(), dir.File("track2.cdg"));
  });
  const std::string fromFile = ReadFile(shots + "/track2000.bmp");
  const std::string fromDisc = ReadFile(shots + "/track02000.bmp");
  ASSERT_FALSE(fromFile.empty());
  EXPECT_EQ(fromDisc, fromFile);
}

TEST_F(PlayFrmDiscTest, AMissingTrackIsRefusedNamingTheDrive) {
  Run([&] {
    QTest::mouseClick(DiscCk, Qt::LeftButton);
    dialogs.files.push_back(ccd);
    QTest::mouseClick(ImageBtn, Qt::LeftButton);
    TrackUd->setValue(5);
    QTest::mouseClick(PlayBtn, Qt::LeftButton);
    EXPECT_TRUE(Stopped());
  });
  ExpectOneErrorNaming(dialogs, "disc.ccd");
  EXPECT_NE(dialogs.Errors()[0].find("5"), std::string::npos) << dialogs.Errors()[0];
}

}  // namespace
}  // namespace mosaicer
