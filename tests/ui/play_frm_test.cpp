#include "player/ui/play_frm.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
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

// The dialogs of the tests, also noting where the open dialog started.
struct RecordingDialogs : testing::ScriptedDialogs {
  std::string openFolder, openFilter;
  std::optional<std::string> OpenFile(QWidget* parent, const std::string& title,
                                      const std::string& folder,
                                      const std::string& filter) override {
    openFolder = folder;
    openFilter = filter;
    return ScriptedDialogs::OpenFile(parent, title, folder, filter);
  }
};

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
  RecordingDialogs dialogs;
  TCdgDisplay display;
  TPlayFrm frm{dialogs, display};
  // The window's controls, by their names.
  QPushButton* BmpBtn = Child<QPushButton>(frm, "BmpBtn");
  QLineEdit* BmpPathEdit = Child<QLineEdit>(frm, "BmpPathEdit");
  QPushButton* BrowseBtn = Child<QPushButton>(frm, "BrowseBtn");
  QPushButton* Button1 = Child<QPushButton>(frm, "Button1");
  QAction* CdgBmp = Child<QAction>(frm, "CdgBmp");
  QAction* CdgBmpEx = Child<QAction>(frm, "CdgBmpEx");
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

TEST_F(PlayFrmTest, StartsIdleWithTheStereoModesInOrder) {
  EXPECT_TRUE(Idle());
  // The list's index is the source's stereo mode.
  ASSERT_EQ(StereoCmb->count(), kStereoModeCount);
  EXPECT_EQ(StereoCmb->itemText(kStereoModeLeft), QStringLiteral("モノラル(Left)"));
  EXPECT_EQ(StereoCmb->itemText(kStereoModeDifference), QStringLiteral("モノラル(L-R)"));
}

TEST_F(PlayFrmTest, TheDrawingBoxesDriveTheDisplayAndItsDecoder) {
  frm.ReadSettings(IniFile());
  QTest::mouseClick(Child<QCheckBox>(frm, "SizeableCk"), Qt::LeftButton);
  EXPECT_FALSE(display.Sizeable());
  QTest::mouseClick(Child<QCheckBox>(frm, "ScrollCk"), Qt::LeftButton);
  EXPECT_FALSE(display.Decoder().EasyScroll());
  QTest::mouseClick(Child<QCheckBox>(frm, "ScrollCk"), Qt::LeftButton);
  EXPECT_TRUE(display.Decoder().EasyScroll());
}

TEST_F(PlayFrmTest, PlayAndSnapshotsWaitForTheirPaths) {
  Run([&] {
    BmpPathEdit->setText(QString::fromStdString(dir.File("shots")));
    EXPECT_FALSE(PlayPlay->isEnabled());
    EXPECT_FALSE(PlayBtn->isEnabled());
    EXPECT_FALSE(CdgBmp->isEnabled());
    EXPECT_FALSE(CdgBmpEx->isEnabled());
    PlayPlay->trigger();  // a disabled action does nothing
    EXPECT_TRUE(Idle());
    EXPECT_EQ(frm.Source().State(), csStop);

    PathEdit->setText("song.cdg");
    EXPECT_TRUE(PlayBtn->isEnabled());
    EXPECT_TRUE(CdgBmp->isEnabled());
    EXPECT_TRUE(CdgBmpEx->isEnabled());
    BmpPathEdit->clear();
    EXPECT_FALSE(CdgBmp->isEnabled());
    EXPECT_TRUE(PlayPlay->isEnabled());
    EXPECT_TRUE(dialogs.Errors().empty());
  });
}

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

TEST_F(PlayFrmTest, AFileThatCannotBePlayedSaysWhyAndStaysIdle) {
  const std::string missing = dir.File("missing.cdg");
  // Whole 96-byte records but no whole 2448-byte sector: subcode alone.
  const std::string bare = dir.Write("bare.cdg", std::string(96 * 30, '\0'));
  const std::string tiny = dir.Write("tiny.cdg", "not a song");
  Run([&] {
    RepeatCk->setChecked(true);
    for (const std::string& song : {missing, bare, tiny}) {
      PathEdit->setText(QString::fromStdString(song));
      QTest::mouseClick(PlayBtn, Qt::LeftButton);
      EXPECT_FALSE(frm.Starting()) << song;
      EXPECT_TRUE(Idle()) << song;
      EXPECT_EQ(frm.Source().State(), csStop);
    }
    QTest::qWait(100);
    EXPECT_TRUE(Idle());  // and no restart
    frm.reject();
    EXPECT_FALSE(frm.isVisible());
  });
  ASSERT_EQ(dialogs.Errors().size(), 3u);
  EXPECT_EQ(dialogs.Errors()[0].rfind("\"" + missing + "\"を再生できません。\n", 0), 0u);
  EXPECT_NE(dialogs.Errors()[0].find("not found"), std::string::npos) << dialogs.Errors()[0];
  EXPECT_EQ(
      dialogs.Errors()[1],
      "\"" + bare + "\"はCDGファイルではありません。音声を含まないサブコードだけのファイルです。");
  EXPECT_EQ(dialogs.Errors()[2].rfind("\"" + tiny + "\"はCDGファイルではありません。", 0), 0u);
  EXPECT_EQ(dialogs.beeps, 3);
}

TEST_F(PlayFrmTest, WholeSongIsDrawnAsRenderSavesIt) {
  std::vector<std::uint8_t> stream = testing::TwoColourTileStream();
  // The encoder gives each tile a sector of its own; packed tightly the
  // song paints the same picture in a quarter of the time.
  std::vector<std::uint8_t> tight;
  for (std::size_t at = 0; at < stream.size(); at += kPackSize)
    if (std::any_of(stream.begin() + at, stream.begin() + at + kPackSize, [](auto b) { return b; }))
      tight.insert(tight.end(), stream.begin() + at, stream.begin() + at + kPackSize);
  tight.resize((tight.size() + kSubcodeBytesPerSector - 1) / kSubcodeBytesPerSector *
               kSubcodeBytesPerSector);
  stream = std::move(tight);
  const std::string song = WriteCdg(dir, "picture.cdg", std::string(stream.begin(), stream.end()));

  // The reference: the command line's render of the whole file.
  const std::string reference = dir.File("render.bmp");
  ASSERT_EQ(testing::Cli({"render", song, "-o", reference, "-q"}).status, 0);
  const Bitmap rendered = *ReadBmpFile(reference).bitmap;

  IniFile ini("[Cdg]\nSizeable=0\n");
  frm.ReadSettings(ini);
  Run([&] {
    Child<QCheckBox>(frm, "OnMemCk")->setChecked(true);
    Child<QSpinBox>(frm, "SizeUd")->setValue(25);
    PathEdit->setText(QString::fromStdString(song));
    QTest::mouseClick(PlayBtn, Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return Playing(); }));
    EXPECT_EQ(frm.Source().Timeout(), std::chrono::milliseconds(25 * 2000 / 75));
    EXPECT_TRUE(WaitFor([&] { return Idle(); }));
  });
  int differences = 0;
  for (int y = 0; y < kScreenHeight; ++y)
    for (int x = 0; x < kScreenWidth; ++x) {
      const QRgb shown = display.Picture().pixel(x, y);
      const Rgb wanted = rendered.ColourAt(x, y);
      differences +=
          qRed(shown) != wanted.r || qGreen(shown) != wanted.g || qBlue(shown) != wanted.b;
    }
  EXPECT_EQ(differences, 0);
}

TEST_F(PlayFrmTest, SnapshotsTakeTheNextFreeNumberInAFolderMadeForThem) {
  const std::string folder = dir.File("shots/of/songs");
  display.SetSizeable(true);
  display.resize(411, 327);
  Run([&] {
    frm.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&frm));
    BmpPathEdit->setText(QString::fromStdString(folder));
    PathEdit->clear();
    QTest::keyClick(&frm, Qt::Key_F10);  // no song: nothing
    EXPECT_FALSE(FolderExists(folder));

    PathEdit->setText(QStringLiteral("/anywhere/song.cdg"));
    QTest::mouseClick(BmpBtn, Qt::LeftButton);
    QTest::keyClick(&frm, Qt::Key_F10);
    QTest::keyClick(&frm, Qt::Key_F10, Qt::ControlModifier);
  });
  for (const char* name : {"song000.bmp", "song001.bmp"}) {
    const BitmapResult shot = ReadBmpFile(folder + "/" + name);
    ASSERT_TRUE(shot.ok()) << name;
    EXPECT_EQ(shot.bitmap->Width(), 300);
    EXPECT_EQ(shot.bitmap->Height(), 216);
  }
  const BitmapResult wide = ReadBmpFile(folder + "/song002.bmp");
  ASSERT_TRUE(wide.ok());
  EXPECT_EQ(wide.bitmap->Width(), 400);  // the display's screen
  EXPECT_EQ(wide.bitmap->Height(), 316);
  EXPECT_FALSE(FileExists(folder + "/song003.bmp"));
}

TEST_F(PlayFrmTest, F9ShowsAndHidesTheDisplay) {
  Run([&] {
    frm.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&frm));
    EXPECT_TRUE(display.isVisible());
    QTest::keyClick(&frm, Qt::Key_F9);
    EXPECT_FALSE(display.isVisible());
    QTest::mouseClick(Child<QPushButton>(frm, "DispBtn"), Qt::LeftButton);
    EXPECT_TRUE(display.isVisible());
  });
}

TEST_F(PlayFrmTest, DisplayStaysUsableWhileThePlayerIsModal) {
  display.SetSizeable(true);
  Run([&] {
    ASSERT_TRUE(WaitFor([&] { return display.isVisible(); }));  // once the player is up
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&display));
    // Through the window system, where a modal window would block it.
    QTest::mouseDClick(display.windowHandle(), Qt::LeftButton, {}, QPoint(60, 60));
    EXPECT_TRUE(WaitFor([&] { return display.isMaximized(); }));
  });
}

TEST_F(PlayFrmTest, BrowsingStartsInTheSongFolderAndRemembersTheChoice) {
  frm.SetCdgDir("/music/cdg");
  dialogs.files = {"/music/other/first.cdg", std::nullopt};
  dialogs.folders = {"/pictures/shots", std::nullopt};
  Run([&] {
    QTest::mouseClick(BrowseBtn, Qt::LeftButton);
    EXPECT_EQ(dialogs.openFolder, "/music/cdg");
    EXPECT_EQ(dialogs.openFilter, "CD+G (*.cdg *.zip *.bin)|*.cdg *.zip *.bin|All Files (*.*)|*.*");
    EXPECT_EQ(PathEdit->text(), QStringLiteral("/music/other/first.cdg"));
    QTest::mouseClick(BrowseBtn, Qt::LeftButton);  // cancelled
    EXPECT_EQ(dialogs.openFolder, "/music/other");
    EXPECT_EQ(PathEdit->text(), QStringLiteral("/music/other/first.cdg"));

    QTest::mouseClick(Button1, Qt::LeftButton);
    EXPECT_EQ(dialogs.titles.back(), "ビットマップを保存するフォルダを選択して下さい");
    EXPECT_EQ(BmpPathEdit->text(), QStringLiteral("/pictures/shots"));
    QTest::mouseClick(Button1, Qt::LeftButton);  // cancelled
    EXPECT_EQ(BmpPathEdit->text(), QStringLiteral("/pictures/shots"));
  });
  EXPECT_EQ(frm.CdgDir(), "/music/other");
}

}  // namespace
}  // namespace mosaicer

namespace mosaicer {
namespace {

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

TEST_F(PlayFrmTest, ASnapshotThatCannotBeWrittenSaysWhy) {
  // A file where the folder should be: the folder cannot be made.
  const std::string blocked = dir.Write("blocked", "a file");
  Run([&] {
    PathEdit->setText(QStringLiteral("/anywhere/song.cdg"));
    BmpPathEdit->clear();
    QTest::mouseClick(BmpBtn, Qt::LeftButton);  // no folder: nothing, and nothing said
    BmpPathEdit->setText(QString::fromStdString(blocked + "/shots"));
    QTest::mouseClick(BmpBtn, Qt::LeftButton);
  });
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
  ASSERT_EQ(dialogs.Errors().size(), 1u);
  EXPECT_EQ(dialogs.Errors()[0], "\"" + blocked + "/shots\"フォルダを作成できません。");
  EXPECT_EQ(dialogs.beeps, 1);
}

}  // namespace
}  // namespace mosaicer
