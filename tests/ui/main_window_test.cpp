#include "app/main_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "app/gen_setting_dlg.h"
#include "app/picture_box.h"
#include "app/progress_dialogs.h"
#include "app/up_down.h"
#include "authoring/messages.h"
#include "child.h"
#include "effects/tlo_file.h"
#include "effects/ui/tlo_frm.h"
#include "effects/ui/tlo_view_frm.h"
#include "image/ui/bmp_frm.h"
#include "platform/bmp_codec.h"
#include "platform/ini_file.h"
#include "player/ui/play_frm.h"
#include "ripper/ui/rip_frm.h"
#include "scripted_dialogs.h"
#include "support/cli_run.h"
#include "support/picture.h"
#include "support/temp_dir.h"
#include "support/wave_file.h"
#include "utility/ui/util_frm.h"

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

TEST_F(MainWindowTest, FirstStartTakesTheDefaults) {
  auto window = Make();
  EXPECT_EQ(window->pos(), QPoint(100, 100));
  EXPECT_EQ(window->size(), QSize(560, 545));
  EXPECT_EQ(Child<QSpinBox>(window, "BlankUd")->value(), 37);
  EXPECT_EQ(Child<QComboBox>(window, "OrderCmb")->count(), 1);
  EXPECT_EQ(Child<QComboBox>(window, "OptimizeCmb")->currentIndex(), 0);
  EXPECT_EQ(Child<QComboBox>(window, "TimingCmb")->currentIndex(), 0);
  EXPECT_FALSE(Child<QLineEdit>(window, "PosMSFEdit")->isEnabled());
  EXPECT_EQ(window->TloDir(), tloDir);
}

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
  // The other windows keep their own sections in the same file.
  EXPECT_EQ(ini.ReadInteger("GenSettingDlg", "Top", 0), 100);
  EXPECT_EQ(ini.ReadInteger("TloView", "Interval", 0), 10);

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

// The field's own rules are tested with TMsfField; here, that the window
// hands it what is typed, stepped and the song's length.
TEST_F(MainWindowTest, MsfFieldIsWiredToTheLimit) {
  auto window = Make();
  QLineEdit* field = Child<QLineEdit>(window, "PosMSFEdit");
  Child<QComboBox>(window, "TimingCmb")->setCurrentIndex(3);
  ASSERT_TRUE(field->isEnabled());
  window->show();
  field->setFocus();
  field->setCursorPosition(0);
  QTest::keyClicks(field, "007580");
  EXPECT_EQ(field->text(), QStringLiteral("00:59:74"));
  EXPECT_EQ(window->State().Limit(), 59 * 75 + 74);
  window->hide();

  field->setText("00:00:00");
  Child<UpDown>(window, "PosMSFUd")->stepDown();
  EXPECT_EQ(window->State().Limit(), 0);
  QTest::keyClick(field, Qt::Key_Up);
  EXPECT_EQ(field->text(), QStringLiteral("00:00:01"));

  // A song of 3000 sectors caps Limit, not the text typed.
  OpenWav(*window, WriteWav(dir, "song.wav", 3000));
  field->setText("05:00:00");
  EXPECT_EQ(window->State().Limit(), 3000);
  EXPECT_EQ(field->text(), QStringLiteral("05:00:00"));
}

TEST_F(MainWindowTest, CreationCommandsWaitForAPictureAndASong) {
  auto window = Make();
  const auto enabled = [&] {
    return std::vector<bool>{Child<QPushButton>(window, "MakeBtn")->isEnabled(),
                             Child<QAction>(window, "FileMakeCdg")->isEnabled(),
                             Child<QAction>(window, "FileMakeRws")->isEnabled(),
                             Child<QAction>(window, "FileSaveBmp")->isEnabled(),
                             Child<QPushButton>(window, "BmpSaveBtn")->isEnabled()};
  };
  EXPECT_EQ(enabled(), std::vector<bool>(5, false));
  OpenWav(*window, WriteWav(dir, "song.wav", 100));
  EXPECT_EQ(enabled(), std::vector<bool>(5, false));
  OpenPicture(*window, WritePhoto(dir, "photo.bmp", 300, 200));
  EXPECT_EQ(enabled(), std::vector<bool>(5, true));

  auto pictureOnly = Make();
  window.swap(pictureOnly);
  OpenPicture(*window, WritePhoto(dir, "photo2.bmp", 300, 200));
  EXPECT_EQ(enabled(), (std::vector<bool>{false, false, true, true, true}));
  EXPECT_TRUE(dialogs.Errors().empty());
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

TEST_F(MainWindowTest, ToolWindowsGetCopiesOfTheFolders) {
  dir.Write("mosaicer.ini",
            "[Path]\r\nCdgDir=/songs/cdg\r\nWavDir=/songs/wav\r\nRwsDir=/songs/rws\r\n");
  auto window = Make();
  TPlayFrm* PlayFrm = Child<TPlayFrm>(window, "PlayFrm");
  TRipFrm* RipFrm = Child<TRipFrm>(window, "RipFrm");
  TUtilFrm* UtilFrm = Child<TUtilFrm>(window, "UtilFrm");
  QTimer::singleShot(0, window.get(), [&] {
    EXPECT_EQ(PlayFrm->CdgDir(), "/songs/cdg");
    PlayFrm->SetCdgDir("/elsewhere");
    PlayFrm->close();
  });
  Child<QAction>(window, "ToolsPlay")->trigger();
  EXPECT_EQ(window->CdgDir(), "/songs/cdg");

  QTimer::singleShot(0, window.get(), [&] {
    EXPECT_EQ(RipFrm->CdgDir(), "/songs/cdg");
    EXPECT_EQ(RipFrm->RwsDir(), "/songs/rws");
    RipFrm->close();
  });
  Child<QAction>(window, "ToolsRip")->trigger();

  QTimer::singleShot(0, window.get(), [&] {
    EXPECT_EQ(UtilFrm->WavDir(), "/songs/wav");
    EXPECT_EQ(UtilFrm->RwsDir(), "/songs/rws");
    UtilFrm->close();
  });
  Child<QAction>(window, "ToolsDivide")->trigger();
}

TEST_F(MainWindowTest, EffectSavedInTheEditorIsOfferedAtOnce) {
  WriteEffect(tloDir, "fade.tlo", "Fade");
  auto window = Make();
  QComboBox* OrderCmb = Child<QComboBox>(window, "OrderCmb");
  OrderCmb->setCurrentIndex(1);
  const std::string saved = tloDir + "/ten.tlo";
  dialogs.files.push_back(saved);
  QTimer::singleShot(0, window.get(), [&] {
    TTloFrm& editor = *Child<TTloFrm>(window, "TloFrm");
    Child<QLineEdit>(editor, "TitleEdit")->setText(QStringLiteral("十枚"));
    for (int n = 1; n <= 10; ++n)
      Child<QTableWidget>(editor, "TileGrid")
          ->item(1 + 1, n + 1)
          ->setText(QString::number(n));  // row 1, columns 1..10
    QTest::mouseClick(Child<QPushButton>(editor, "SaveBtn"), Qt::LeftButton);
    editor.close();
  });
  Child<QAction>(window, "ToolsTlo")->trigger();
  ASSERT_TRUE(dialogs.Errors().empty()) << dialogs.Errors().front();
  EXPECT_EQ(OrderCmb->count(), 3);
  EXPECT_GE(OrderCmb->findText(QStringLiteral("十枚")), 1);
  EXPECT_EQ(OrderCmb->currentText(), QStringLiteral("Fade"));
  const TileOrder order = ReadTileOrder(saved);
  ASSERT_EQ(order.size(), 10u);
  EXPECT_EQ(order.front(), (TileOrderEntry{1, 1}));
  EXPECT_EQ(order.back(), (TileOrderEntry{10, 1}));
}

TEST_F(MainWindowTest, SongThatIsNotCdAudioIsRefusedAndTheOldOneStays) {
  auto window = Make();
  const std::string good = WriteWav(dir, "good.wav", 10);
  OpenWav(*window, good);
  const std::string mono =
      dir.Write("mono.wav", testing::Riff(testing::Chunk("fmt ", testing::PcmFormat(1, 44100, 16)) +
                                          testing::Chunk("data", std::string(100, '\0'))));
  OpenWav(*window, mono);
  ASSERT_EQ(dialogs.Errors().size(), 1u);
  EXPECT_EQ(dialogs.Errors()[0], NotCdAudioMessage(mono));
  EXPECT_EQ(Child<QLineEdit>(window, "WavPathEdit")->text().toStdString(), good);
  EXPECT_EQ(window->WavDir(), dir.path().string());
}

TEST_F(MainWindowTest, EffectListKeepsEqualTitlesAndTheChoiceAcrossRebuilds) {
  WriteEffect(tloDir, "a.tlo", "Same");
  WriteEffect(tloDir, "b.tlo", "Same");
  WriteEffect(tloDir, "c.tlo", "Fade");
  dir.Write("mosaicer.ini", "[Options]\r\nDispEffect=SAME\r\n");
  auto window = Make();
  TGenSettingDlg* GenSettingDlg = Child<TGenSettingDlg>(window, "GenSettingDlg");
  QComboBox* OrderCmb = Child<QComboBox>(window, "OrderCmb");
  ASSERT_EQ(OrderCmb->count(), 4);
  int first = -1;
  for (int i = 1; i < 4 && first < 0; ++i)
    if (OrderCmb->itemText(i) == "Same") first = i;
  EXPECT_EQ(OrderCmb->currentIndex(), first);

  OrderCmb->setCurrentIndex(OrderCmb->findText("Fade"));
  WriteEffect(tloDir, "d.tlo", "New");
  window->BuildEffectList();
  EXPECT_EQ(OrderCmb->count(), 5);
  EXPECT_EQ(OrderCmb->currentText(), QStringLiteral("Fade"));

  // The settings dialog changes the folder; what it no longer offers falls
  // back to the normal order.
  const std::string empty = dir.File("Empty");
  dialogs.folders.push_back(empty);
  QTimer::singleShot(0, window.get(), [&] {
    QTest::mouseClick(Child<QPushButton>(GenSettingDlg, "BrowseBtn"), Qt::LeftButton);
    QTest::mouseClick(Child<QPushButton>(GenSettingDlg, "OkBtn"), Qt::LeftButton);
  });
  Child<QAction>(window, "SettingsGeneral")->trigger();
  EXPECT_EQ(window->TloDir(), empty);
  EXPECT_TRUE(std::filesystem::is_directory(empty));
  EXPECT_EQ(OrderCmb->count(), 1);
  EXPECT_EQ(OrderCmb->currentIndex(), 0);
}

TEST_F(MainWindowTest, APictureThatCannotBeReadOrIsTooSmallIsRefused) {
  auto window = Make();
  QLineEdit* BmpPathEdit = Child<QLineEdit>(window, "BmpPathEdit");
  QAction* FileOpenBmp = Child<QAction>(window, "FileOpenBmp");
  const std::string text = dir.Write("notes.bmp", "just some text, not a bitmap");
  dialogs.files.push_back(text);
  FileOpenBmp->trigger();
  const std::string notAPicture = "\"" + text + "\"はビットマップとして読み込めません。\n";
  ASSERT_EQ(dialogs.Errors().size(), 1u);
  EXPECT_EQ(dialogs.Errors()[0].rfind(notAPicture, 0), 0u) << dialogs.Errors()[0];
  EXPECT_GT(dialogs.Errors()[0].size(), notAPicture.size());  // and the reason
  dialogs.ClearErrors();

  dialogs.files.push_back(WritePhoto(dir, "small.bmp", 287, 192));
  FileOpenBmp->trigger();
  EXPECT_EQ(dialogs.Errors(), std::vector<std::string>{PictureTooSmallMessage()});
  EXPECT_TRUE(BmpPathEdit->text().isEmpty());

  // 288 x 192 is accepted and handed to the wizard; closing it keeps the
  // window as it was.
  dialogs.files.push_back(WritePhoto(dir, "exact.bmp", 288, 192));
  QTimer::singleShot(0, window.get(), [&] { Child<TBmpFrm>(window, "BmpFrm")->reject(); });
  FileOpenBmp->trigger();
  EXPECT_TRUE(BmpPathEdit->text().isEmpty());
  EXPECT_FALSE(window->State().HasPicture());
  EXPECT_EQ(window->BmpDir(), dir.path().string());
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

  dialogs.files.push_back(dir.File("gui.bmp"));
  Child<QAction>(window, "FileSaveBmp")->trigger();
  ASSERT_EQ(testing::Cli({"bmp", photo, "-o", dir.File("cli.bmp"), "-q"}).status, 0);
  EXPECT_EQ(ReadFile(dir.File("gui.bmp")), ReadFile(dir.File("cli.bmp")));
  EXPECT_TRUE(dialogs.Errors().empty());
}

TEST_F(MainWindowTest, CancelLeavesThePartialFileAndSaysSo) {
  auto window = Make();
  OpenPicture(*window, WritePhoto(dir, "photo.bmp", 300, 200));
  // Ten minutes of silence, written sparsely: far longer than the moment
  // the cancel button needs.
  const std::string wav = dir.File("long.wav");
  constexpr std::uint64_t kSectors = 45000;
  {
    std::string header = testing::CdWave(std::string());
    const std::uint32_t size = kSectors * kSectorBytes;
    std::memcpy(header.data() + header.size() - 4, &size, 4);
    const std::uint32_t riff = static_cast<std::uint32_t>(header.size() - 8 + size);
    std::memcpy(header.data() + 4, &riff, 4);
    std::ofstream(wav, std::ios::binary).write(header.data(), static_cast<long>(header.size()));
    std::filesystem::resize_file(wav, header.size() + size);
  }
  OpenWav(*window, wav);
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

TEST_F(MainWindowTest, TestButtonShowsTheChosenEffectOnThePicture) {
  const std::string effect = WriteEffect(tloDir, "rev.tlo", "逆順");
  auto window = Make();
  OpenPicture(*window, WritePhoto(dir, "photo.bmp", 300, 200));
  Child<QComboBox>(window, "OrderCmb")->setCurrentIndex(1);
  QTimer::singleShot(0, window.get(), [&] {
    TTloViewFrm& viewer = *Child<TTloViewFrm>(window, "TloViewFrm");
    EXPECT_EQ(Child<QLineEdit>(viewer, "TitleEdit")->text(), QStringLiteral("逆順"));
    Child<QSpinBox>(viewer, "IntervalUd")->setValue(1);
    viewer.PlayEffect();
    // Every inner tile painted, the border in the corner pixel's colour.
    const QImage screen = viewer.Screen();
    EXPECT_EQ(screen.pixel(0, 0), screen.pixel(299, 215));
    EXPECT_EQ(screen.pixel(150, 100) & 0x0F0F0Fu, 0u);  // CD+G colours only
    QTest::mouseClick(Child<QPushButton>(viewer, "CloseBtn"), Qt::LeftButton);
  });
  Child<QPushButton>(window, "TestBtn")->click();
}

}  // namespace
}  // namespace mosaicer
