#include "app/main_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <filesystem>

#include "app/picture_box.h"
#include "app/progress_dialogs.h"
#include "authoring/messages.h"
#include "child.h"
#include "effects/tlo_file.h"
#include "image/ui/bmp_frm.h"
#include "platform/ini_file.h"
#include "scripted_dialogs.h"
#include "support/cli_run.h"
#include "support/picture.h"
#include "support/temp_dir.h"
#include "support/wave_file.h"

namespace mosaicer {
namespace {

using testing::Child;

using testing::ReadFile;

constexpr int kSectorBytes = 2352;

std::string WritePhoto(const testing::TempDir& dir, const char* name, int width, int height) {
  return testing::WritePicture(dir, name, testing::Gradient(width, height));
}

std::string WriteWav(const testing::TempDir& dir, const char* name, std::size_t sectors,
                     std::size_t extraBytes = 0) {
  return dir.Write(name, testing::CdWave(testing::AudioBytes(sectors * kSectorBytes + extraBytes)));
}

std::string WriteEffect(const std::string& folder, const std::string& name,
                        const std::string& title) {
  std::filesystem::create_directories(folder);
  TTloFile header;
  header.TitleJ = title;
  const std::string path = folder + "/" + name;
  TileOrder order = DefaultTileOrder();
  std::reverse(order.begin(), order.end());
  EXPECT_TRUE(WriteTloFile(path, header, order));
  return path;
}

class MainWindowTest : public ::testing::Test {
 protected:
  std::unique_ptr<TMscMainFrm> Make() {
    return std::make_unique<TMscMainFrm>(dialogs, AppPaths{settings, tloDir});
  }

  // Opens `picture` through the file menu and walks the wizard with its
  // defaults to the end.
  void OpenPicture(TMscMainFrm& window, const std::string& picture) {
    dialogs.files.push_back(picture);
    QTimer::singleShot(0, &window, [&window] {
      for (int step = 0; step < 4; ++step)
        QTest::mouseClick(Child<QPushButton>(Child<TBmpFrm>(window, "BmpFrm"), "NextBtn"),
                          Qt::LeftButton);
    });
    Child<QAction>(window, "FileOpenBmp")->trigger();
  }

  void OpenWav(TMscMainFrm& window, const std::string& wav) {
    dialogs.files.push_back(wav);
    Child<QAction>(window, "FileOpenWav")->trigger();
  }

  testing::TempDir dir;
  testing::ScriptedDialogs dialogs;
  std::string settings = dir.File("mosaicer.ini");
  std::string tloDir = dir.File("Tlo");
};

TEST_F(MainWindowTest, SettingsAreWrittenOnCloseAndReadBack) {
  WriteEffect(tloDir, "wipe.tlo", "ワイプ");
  const std::string other = dir.Write("mosaicer.ini", "; kept\r\n[Elsewhere]\r\nKey=1\r\n");
  {
    auto window = Make();
    window->move(130, 140);
    window->resize(700, 600);
    Child<QComboBox>(window, "OrderCmb")->setCurrentIndex(1);
    Child<QComboBox>(window, "OptimizeCmb")->setCurrentIndex(2);
    Child<QComboBox>(window, "TimingCmb")->setCurrentIndex(3);
    Child<QLineEdit>(window, "PosMSFEdit")->setText("01:00:74");
    Child<QSpinBox>(window, "BlankUd")->setValue(80);
    window->close();
  }
  IniFile ini;
  ASSERT_TRUE(ini.Load(settings));
  EXPECT_EQ(ini.ReadInteger("Form", "Left", 0), 130);
  EXPECT_EQ(ini.ReadInteger("Form", "Width", 0), 700);
  EXPECT_EQ(ini.ReadString("Path", "TloDir"), tloDir);
  EXPECT_EQ(ini.ReadString("Options", "DispEffect"), "ワイプ");
  EXPECT_EQ(ini.ReadInteger("Options", "Limit", 0), 4574);
  EXPECT_EQ(ini.ReadInteger("Elsewhere", "Key", 0), 1);
  EXPECT_NE(ReadFile(settings).find("; kept"), std::string::npos);

  auto again = Make();
  EXPECT_EQ(again->pos(), QPoint(130, 140));
  EXPECT_EQ(again->width(), 700);
  EXPECT_EQ(Child<QComboBox>(again, "OrderCmb")->currentText(), QStringLiteral("ワイプ"));
  EXPECT_EQ(Child<QComboBox>(again, "OptimizeCmb")->currentIndex(), 2);
  EXPECT_EQ(Child<QComboBox>(again, "TimingCmb")->currentIndex(), 3);
  EXPECT_TRUE(Child<QLineEdit>(again, "PosMSFEdit")->isEnabled());
  EXPECT_EQ(Child<QLineEdit>(again, "PosMSFEdit")->text(), QStringLiteral("01:00:74"));
  EXPECT_EQ(again->State().Limit(), 4574);
  EXPECT_EQ(Child<QSpinBox>(again, "BlankUd")->value(), 80);
}

TEST_F(MainWindowTest, SavesSayTheyWorkedAndFailuresSayWhy) {
  auto window = Make();
  QPushButton* MakeBtn = Child<QPushButton>(window, "MakeBtn");
  OpenPicture(*window, WritePhoto(dir, "photo.bmp", 300, 200));
  const std::string bmp = dir.File("visible.bmp");
  dialogs.files.push_back(bmp);
  Child<QAction>(window, "FileSaveBmp")->trigger();
  EXPECT_TRUE(dialogs.Errors().empty());
  EXPECT_EQ(window->statusBar()->currentMessage().toStdString(), "\"" + bmp + "\"に保存しました。");

  // A folder that is not there: the reason follows the outcome.
  const std::string nowhere = dir.File("no/such/folder/out.rws");
  dialogs.files.push_back(nowhere);
  Child<QAction>(window, "FileMakeRws")->trigger();
  ASSERT_EQ(dialogs.Errors().size(), 1u);
  EXPECT_EQ(dialogs.Errors()[0].rfind(std::string(kRwsFailed) + "\n", 0), 0u);
  EXPECT_NE(dialogs.Errors()[0].find("out.rws"), std::string::npos) << dialogs.Errors()[0];

  OpenWav(*window, WriteWav(dir, "song.wav", 50));
  dialogs.files.push_back(dir.File("no/such/folder/out.cdg"));
  QTest::mouseClick(MakeBtn, Qt::LeftButton);
  ASSERT_EQ(dialogs.Errors().size(), 2u);
  EXPECT_EQ(dialogs.Errors()[1].rfind(std::string(kCdgFailed) + "\n", 0), 0u);
  EXPECT_NE(dialogs.Errors()[1].find("out.cdg"), std::string::npos) << dialogs.Errors()[1];

  // Never into the song it reads.
  dialogs.files.push_back(dir.File("song.wav"));  // refused before any question
  QTest::mouseClick(MakeBtn, Qt::LeftButton);
  ASSERT_EQ(dialogs.Errors().size(), 3u);
  EXPECT_NE(dialogs.Errors()[2].find("読み込むファイルと同じです"), std::string::npos);
  EXPECT_TRUE(dialogs.Informations().empty());
}

TEST_F(MainWindowTest, WindowsMakeTheSameFilesAsTheCommandLine) {
  const std::string photo = WritePhoto(dir, "photo.bmp", 320, 240);
  const std::string wav = WriteWav(dir, "song.wav", 200, 1000);
  const std::string effect = WriteEffect(tloDir, "rev.tlo", "逆順");
  auto window = Make();
  OpenPicture(*window, photo);
  ASSERT_EQ(Child<QLineEdit>(window, "BmpPathEdit")->text().toStdString(), photo);
  EXPECT_FALSE(Child<PictureBox>(window, "BmpImg")->Image().isNull());
  OpenWav(*window, wav);
  Child<QComboBox>(window, "OrderCmb")->setCurrentIndex(1);
  Child<QComboBox>(window, "OptimizeCmb")->setCurrentIndex(1);
  Child<QComboBox>(window, "TimingCmb")->setCurrentIndex(1);
  Child<QSpinBox>(window, "BlankUd")->setValue(10);

  const std::string cdg = dir.File("gui.cdg");
  dialogs.files.push_back(cdg);
  QTest::mouseClick(Child<QPushButton>(window, "MakeBtn"), Qt::LeftButton);
  EXPECT_EQ(dialogs.Informations(), std::vector<std::string>{kCdgCreated});
  EXPECT_EQ(window->Job().JobStatus(), kJobIdle);
  EXPECT_EQ(window->CdgDir(), dir.path().string());

  const auto cli =
      testing::Cli({"create", photo, wav, "-o", dir.File("cli.cdg"), "--effect", effect,
                    "--optimize", "tile", "--timing", "first", "--blank", "10", "-q"});
  ASSERT_EQ(cli.status, 0) << cli.err;
  EXPECT_EQ(ReadFile(cdg), ReadFile(dir.File("cli.cdg")));

  dialogs.files.push_back(dir.File("gui.rws"));
  Child<QAction>(window, "FileMakeRws")->trigger();
  EXPECT_EQ(dialogs.Informations().back(), kRwsCreated);
  ASSERT_EQ(testing::Cli({"rws", photo, "-o", dir.File("cli.rws"), "--effect", effect, "--optimize",
                          "tile", "--blank", "10", "-q"})
                .status,
            0);
  EXPECT_EQ(ReadFile(dir.File("gui.rws")), ReadFile(dir.File("cli.rws")));

  // MP3+G: a FLAC song with its subcode beside it, as the command line makes it.
  std::filesystem::create_directories(dir.File("gui"));
  std::filesystem::create_directories(dir.File("cli"));
  dialogs.files.push_back(dir.File("gui/title.flac"));
  Child<QAction>(window, "FileMakeMp3g")->trigger();
  EXPECT_EQ(dialogs.Informations().back(), kMp3gCreated);
  ASSERT_EQ(testing::Cli({"create", photo, wav, "-o", dir.File("cli/title.flac"), "--effect", effect,
                          "--optimize", "tile", "--timing", "first", "--blank", "10", "-q"})
                .status,
            0);
  for (const char* name : {"title.flac", "title.cdg"})
    EXPECT_EQ(ReadFile(dir.File("gui/") + name), ReadFile(dir.File("cli/") + name)) << name;
  dialogs.files.push_back(dir.File("gui/title.txt"));
  Child<QAction>(window, "FileMakeMp3g")->trigger();
  ASSERT_EQ(dialogs.Errors().size(), 1u);
  EXPECT_NE(dialogs.Errors().back().find("title.txt"), std::string::npos);
  dialogs.ClearErrors();

  dialogs.files.push_back(dir.File("gui.bmp"));
  Child<QAction>(window, "FileSaveBmp")->trigger();
  ASSERT_EQ(testing::Cli({"bmp", photo, "-o", dir.File("cli.bmp"), "-q"}).status, 0);
  EXPECT_EQ(ReadFile(dir.File("gui.bmp")), ReadFile(dir.File("cli.bmp")));
  EXPECT_TRUE(dialogs.Errors().empty());
}

TEST_F(MainWindowTest, CancelLeavesThePartialFileAndSaysSo) {
  auto window = Make();
  OpenPicture(*window, WritePhoto(dir, "photo.bmp", 300, 200));
  // Ten minutes: far longer than the moment the cancel button needs.
  constexpr std::uint64_t kSectors = 45000;
  OpenWav(*window, testing::WriteSilentCdWave(dir.File("long.wav"), kSectors * kSectorBytes));
  const std::string cdg = dir.File("cancelled.cdg");
  dialogs.files.push_back(cdg);
  QTimer::singleShot(0, window.get(), [&] {
    QTest::mouseClick(Child<QPushButton>(Child<TProgressDlg>(window, "ProgressDlg"), "CancelBtn"),
                      Qt::LeftButton);
  });
  Child<QAction>(window, "FileMakeCdg")->trigger();
  EXPECT_EQ(dialogs.Informations(), std::vector<std::string>{kCdgCancelled});
  EXPECT_EQ(window->Job().JobStatus(), kJobIdle);
  const auto written = std::filesystem::file_size(cdg);
  EXPECT_EQ(written % 2448, 0u);
  EXPECT_LT(written, kSectors * 2448);
}

TEST_F(MainWindowTest, ExistingFilesNeedConsentAndReadOnlyOnesAreRefused) {
  auto window = Make();
  QAction* FileMakeRws = Child<QAction>(window, "FileMakeRws");
  OpenPicture(*window, WritePhoto(dir, "photo.bmp", 300, 200));
  const std::string existing = dir.Write("old.rws", "old");
  dialogs.files.push_back(existing);
  dialogs.confirms.push_back(false);
  FileMakeRws->trigger();
  EXPECT_EQ(ReadFile(existing), "old");
  EXPECT_TRUE(dialogs.Informations().empty());

  const std::string locked = dir.Write("locked.bmp", "locked");
  std::filesystem::permissions(
      locked, std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
  dialogs.files.push_back(locked);
  dialogs.confirms.push_back(true);
  Child<QAction>(window, "FileSaveBmp")->trigger();
  EXPECT_EQ(dialogs.Errors(), std::vector<std::string>{CannotOverwriteMessage(locked)});
  EXPECT_EQ(ReadFile(locked), "locked");

  dialogs.files.push_back(existing);
  dialogs.confirms.push_back(true);
  FileMakeRws->trigger();
  EXPECT_EQ(dialogs.Informations(), std::vector<std::string>{kRwsCreated});
  EXPECT_GT(ReadFile(existing).size(), 3u);
}

}  // namespace
}  // namespace mosaicer
