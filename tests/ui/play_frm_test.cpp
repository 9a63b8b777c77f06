#include "player/ui/play_frm.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <thread>

#include "authoring/encoder.h"
#include "child.h"
#include "modal.h"
#include "platform/bmp_codec.h"
#include "platform/file_util.h"
#include "player/cdg_canvas.h"
#include "player/player_settings.h"
#include "player/stereo_changer.h"
#include "player/ui/cdg_display.h"
#include "scripted_dialogs.h"
#include "support/cli_run.h"
#include "support/pack_stream.h"
#include "support/picture.h"
#include "support/temp_dir.h"
#include "support/wave_file.h"

namespace mosaicer {
namespace {

using testing::Child;

using testing::RunModal;

constexpr int kGenerous = 15000;  // milliseconds: time-outs that only a hang reaches

std::string WriteCdg(const testing::TempDir& dir, const std::string& name,
                     const std::string& stream) {
  return dir.Write(name, testing::CdgOf(stream));
}

// A song of `sectors` sectors (75 a second) whose packs clear the screen.
std::string ShortSong(const testing::TempDir& dir, int sectors,
                      const std::string& name = "song.cdg") {
  return WriteCdg(dir, name, testing::PresetStream(sectors));
}

class PlayFrmTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { qputenv(kAudioVariable, kNullAudioValue); }

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
  const std::string song = ShortSong(dir, 150);
  Run([&] {
    EXPECT_TRUE(WaitFor([&] { return display.isVisible(); }));  // shown with the player
    PathEdit->setText(QString::fromStdString(song));
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
  const std::string song = ShortSong(dir, 300);
  Run([&] {
    PathEdit->setText(QString::fromStdString(song));
    QTest::mouseClick(PlayBtn, Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return Playing(); }));

    StereoCmb->setCurrentIndex(1);  // live, while playing
    EXPECT_EQ(frm.Source().StereoMode(), 1);

    QTest::mouseClick(PauseBtn, Qt::LeftButton);
    EXPECT_TRUE(frm.Paused());
    EXPECT_EQ(frm.Source().State(), csPause);
    EXPECT_TRUE(Playing());  // Stop and Pause stay offered
    StereoCmb->setCurrentIndex(kStereoModeStereo);
    EXPECT_EQ(frm.Source().StereoMode(), kStereoModeStereo);
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
  const std::string song = ShortSong(dir, 20);  // about a quarter of a second
  Run([&] {
    PathEdit->setText(QString::fromStdString(song));
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
  const std::string song = ShortSong(dir, 20);
  Run([&] {
    PathEdit->setText(QString::fromStdString(song));
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
    const QLabel* status = frm.findChild<QLabel*>("StatusLbl");
    ASSERT_NE(status, nullptr);
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
  EXPECT_TRUE(dialogs.Errors().empty());
}

}  // namespace
}  // namespace mosaicer
