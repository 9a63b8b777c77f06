// The player window plays a track of a disc image directly: the screen it
// ends on is the one the ripped CDG file ends on.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include "child.h"
#include "modal.h"
#include "player/ui/cdg_display.h"
#include "player/ui/play_frm.h"
#include "player/wave_device.h"
#include "scripted_dialogs.h"
#include "support/cli_run.h"
#include "support/clone_cd_disc.h"
#include "support/temp_dir.h"

namespace mosaicer {
namespace {

using testing::Child;

constexpr int kGenerous = 15000;  // milliseconds: time-outs that only a hang reaches

class PlayFrmDiscTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { qputenv(kAudioVariable, kNullAudioValue); }

  void SetUp() override {
    dir.Write("disc.img", disc.audio);
    dir.Write("disc.sub", disc.sub);
    ccd = dir.Write("disc.ccd", testing::kCcd);
    const testing::CliResult r = testing::Cli(
        {"rip", ccd, "--track", "2", "-o", dir.File("track2.cdg"), "--no-log", "-q"});
    ASSERT_EQ(r.status, 0) << r.err;
  }
  bool Idle() const {
    return PlayPlay->isEnabled() && !PlayStop->isEnabled() && !frm.Starting();
  }
  // Plays what the window is set to until its end, then saves the screen.
  void PlayToTheEnd() {
    QTest::mouseClick(PlayBtn, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return PlayStop->isEnabled(); }, kGenerous));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Idle(); }, kGenerous));
    QTest::qWait(50);  // the last packs' posts
    Child<QAction>(frm, "CdgBmp")->trigger();
  }

  testing::TempDir dir;
  testing::Disc disc = testing::MakeDisc(150, 17);
  std::string ccd;
  testing::ScriptedDialogs dialogs;
  TCdgDisplay display;
  TPlayFrm frm{dialogs, display};
  QCheckBox* DiscCk = Child<QCheckBox>(frm, "DiscCk");
  QLineEdit* PathEdit = Child<QLineEdit>(frm, "PathEdit");
  QLineEdit* BmpPathEdit = Child<QLineEdit>(frm, "BmpPathEdit");
  QComboBox* DriveCmb = Child<QComboBox>(frm, "DriveCmb");
  QSpinBox* TrackUd = Child<QSpinBox>(frm, "TrackUd");
  QPushButton* ImageBtn = Child<QPushButton>(frm, "ImageBtn");
  QPushButton* PlayBtn = Child<QPushButton>(frm, "PlayBtn");
  QAction* PlayPlay = Child<QAction>(frm, "PlayPlay");
  QAction* PlayStop = Child<QAction>(frm, "PlayStop");
};

TEST_F(PlayFrmDiscTest, ATrackOfAnImagePlaysAsItsRippedFile) {
  const std::string shots = dir.File("shots");
  testing::RunModal(frm, [&] {
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
    frm.reject();
  });
  EXPECT_TRUE(dialogs.Errors().empty());
  const std::string fromFile = testing::ReadFile(shots + "/track2000.bmp");
  const std::string fromDisc = testing::ReadFile(shots + "/track02000.bmp");
  ASSERT_FALSE(fromFile.empty());
  EXPECT_EQ(fromDisc, fromFile);
}

TEST_F(PlayFrmDiscTest, AMissingTrackIsRefusedNamingTheDrive) {
  testing::RunModal(frm, [&] {
    QTest::mouseClick(DiscCk, Qt::LeftButton);
    dialogs.files.push_back(ccd);
    QTest::mouseClick(ImageBtn, Qt::LeftButton);
    TrackUd->setValue(5);
    QTest::mouseClick(PlayBtn, Qt::LeftButton);
    EXPECT_TRUE(Idle());
    frm.reject();
  });
  ASSERT_EQ(dialogs.Errors().size(), 1u);
  EXPECT_NE(dialogs.Errors()[0].find("disc.ccd"), std::string::npos) << dialogs.Errors()[0];
  EXPECT_NE(dialogs.Errors()[0].find("5"), std::string::npos) << dialogs.Errors()[0];
}

}  // namespace
}  // namespace mosaicer
