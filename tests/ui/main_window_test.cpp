// The main window: settings, saves and their failures, the files it makes
// against the command line's, and what it shows of a chosen song.
#include "app/main_window.h"

#include "ui_test.h"

#include <QStatusBar>

#include <algorithm>

#include "app/picture_box.h"
#include "app/progress_dialogs.h"
#include "authoring/messages.h"
#include "core/subcode_pack.h"
#include "effects/tlo_file.h"
#include "image/ui/bmp_frm.h"
#include "platform/ini_file.h"
#include "support/language_scope.h"
#include "support/picture.h"
#include "support/wave_file.h"
#include "utility/ui/util_frm.h"

namespace mosaicer {
namespace {

std::string WritePhoto(const testing::TempDir& dir, const char* name, int width, int height) {
  return testing::WritePicture(dir, name, testing::Gradient(width, height));
}

std::string WriteWav(const testing::TempDir& dir, const char* name, std::size_t sectors,
                     std::size_t extraBytes = 0) {
  return dir.Write(name, testing::CdWave(testing::AudioBytes(sectors * kAudioBytesPerSector + extraBytes)));
}

// An effect that lays the tiles in reverse order.
std::string WriteEffect(const std::string& folder, const std::string& title) {
  std::filesystem::create_directories(folder);
  TTloFile header;
  header.TitleJ = title;
  TileOrder order = DefaultTileOrder();
  std::reverse(order.begin(), order.end());
  EXPECT_TRUE(WriteTloFile(folder + "/effect.tlo", header, order));
  return folder + "/effect.tlo";
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
  WriteEffect(tloDir, "ワイプ");
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
  EXPECT_EQ(window->statusBar()->currentMessage().toStdString(), "\"" + bmp + "\"に保存しました。");

  // A folder that is not there: the reason, naming the file, follows the outcome.
  const auto expectFailure = [&](const auto& outcome, const char* file) {
    ASSERT_EQ(dialogs.Errors().size(), 1u);
    EXPECT_EQ(dialogs.Errors()[0].rfind(std::string(outcome) + "\n", 0), 0u);
    EXPECT_NE(dialogs.Errors()[0].find(file), std::string::npos) << dialogs.Errors()[0];
    dialogs.ClearErrors();
  };
  dialogs.files.push_back(dir.File("no/such/folder/out.rws"));
  Child<QAction>(window, "FileMakeRws")->trigger();
  expectFailure(kRwsFailed, "out.rws");
  OpenWav(*window, WriteWav(dir, "song.wav", 50));
  dialogs.files.push_back(dir.File("no/such/folder/out.cdg"));
  QTest::mouseClick(MakeBtn, Qt::LeftButton);
  expectFailure(kCdgFailed, "out.cdg");

  // Never into the song it reads.
  dialogs.files.push_back(dir.File("song.wav"));  // refused before any question
  QTest::mouseClick(MakeBtn, Qt::LeftButton);
  ASSERT_EQ(dialogs.Errors().size(), 1u);
  EXPECT_NE(dialogs.Errors()[0].find("読み込むファイルと同じです"), std::string::npos);
}

TEST_F(MainWindowTest, WindowsMakeTheSameFilesAsTheCommandLine) {
  const std::string photo = WritePhoto(dir, "photo.bmp", 320, 240);
  const std::string wav = WriteWav(dir, "song.wav", 200, 1000);
  const std::string effect = WriteEffect(tloDir, "逆順");
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

  // The command line with the window's choices.
  const auto cli = [&](std::vector<std::string> args, bool timing = true) {
    for (const char* option : {"--effect", "", "--optimize", "tile", "--blank", "10", "-q"})
      args.push_back(*option ? option : effect);
    if (timing) args.insert(args.end(), {"--timing", "first"});
    const testing::CliResult run = Cli(args);
    EXPECT_EQ(run.status, 0) << run.err;
  };
  cli({"create", photo, wav, "-o", dir.File("cli.cdg")});
  EXPECT_EQ(ReadFile(cdg), ReadFile(dir.File("cli.cdg")));

  dialogs.files.push_back(dir.File("gui.rws"));
  Child<QAction>(window, "FileMakeRws")->trigger();
  EXPECT_EQ(dialogs.Informations().back(), kRwsCreated);
  cli({"rws", photo, "-o", dir.File("cli.rws")}, false);
  EXPECT_EQ(ReadFile(dir.File("gui.rws")), ReadFile(dir.File("cli.rws")));

  // MP3+G: a FLAC song with its subcode beside it, as the command line makes it.
  std::filesystem::create_directories(dir.File("gui"));
  std::filesystem::create_directories(dir.File("cli"));
  dialogs.files.push_back(dir.File("gui/title.flac"));
  Child<QAction>(window, "FileMakeMp3g")->trigger();
  EXPECT_EQ(dialogs.Informations().back(), kMp3gCreated);
  cli({"create", photo, wav, "-o", dir.File("cli/title.flac")});
  for (const char* name : {"title.flac", "title.cdg"})
    EXPECT_EQ(ReadFile(dir.File("gui/") + name), ReadFile(dir.File("cli/") + name)) << name;
  dialogs.files.push_back(dir.File("gui/title.txt"));
  Child<QAction>(window, "FileMakeMp3g")->trigger();
  ExpectOneErrorNaming(dialogs, "title.txt");
  dialogs.ClearErrors();

  dialogs.files.push_back(dir.File("gui.bmp"));
  Child<QAction>(window, "FileSaveBmp")->trigger();
  ASSERT_EQ(Cli({"bmp", photo, "-o", dir.File("cli.bmp"), "-q"}).status, 0);
  EXPECT_EQ(ReadFile(dir.File("gui.bmp")), ReadFile(dir.File("cli.bmp")));
}

TEST_F(MainWindowTest, CancelLeavesThePartialFileAndSaysSo) {
  auto window = Make();
  OpenPicture(*window, WritePhoto(dir, "photo.bmp", 300, 200));
  // Ten minutes: far longer than the moment the cancel button needs.
  constexpr std::uint64_t kSectors = 45000;
  OpenWav(*window, testing::WriteSilentCdWave(dir.File("long.wav"), kSectors * kAudioBytesPerSector));
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

// What the windows show of a chosen song and which songs their file dialogs
// offer, in either language.
TEST(SongBox, TheSongsLengthAndConversionShowUnderTheSongBox) {
  testing::TempDir dir;
  // One second each: CD audio, and 48 kHz mono.
  const std::string cd = dir.Write("cd.wav", testing::CdWave(std::string(176400, '\0')));
  const std::string mono =
      dir.Write("mono.wav", testing::Riff(testing::Chunk("fmt ", testing::PcmFormat(1, 48000, 16)) +
                                          testing::Chunk("data", std::string(96000, '\0'))));
  struct Case {
    Language language;
    std::string file;
    const char* shown;
  };
  const Case cases[] = {
      {Language::English, cd, "Length 0:01 (75 sectors)"},
      {Language::English, mono,
       "Length 0:01 (75 sectors)\nConverted: 48000 Hz 16-bit mono \u2192 44100 Hz 16-bit stereo"},
      {Language::Japanese, mono,
       "長さ 0:01 (75セクタ)\n変換: 48000 Hz 16-bit モノラル \u2192 44100 Hz 16-bit ステレオ"},
  };
  for (const Case& c : cases) {
    testing::LanguageScope scope(c.language);
    testing::ScriptedDialogs dialogs;
    TMscMainFrm window(dialogs, AppPaths{dir.File("mosaicer.ini"), dir.File("Tlo")});
    QLabel* length = Child<QLabel>(window, "WavLengthLbl");
    EXPECT_TRUE(length->isHidden());  // no song yet
    dialogs.files.push_back(c.file);
    Child<QAction>(window, "FileOpenWav")->trigger();
    EXPECT_FALSE(length->isHidden());
    EXPECT_EQ(length->text().toStdString(), c.shown);
  }
}

TEST(SongBox, TheUtilityOffersTheSameSongsAsTheMainWindow) {
  testing::TempDir dir;
  for (const Language language : {Language::English, Language::Japanese}) {
    testing::LanguageScope scope(language);
    testing::ScriptedDialogs dialogs;
    TMscMainFrm window(dialogs, AppPaths{dir.File("mosaicer.ini"), dir.File("Tlo")});
    dialogs.files.push_back(std::nullopt);
    Child<QAction>(window, "FileOpenWav")->trigger();
    TUtilFrm utility(dialogs);
    dialogs.files.push_back(std::nullopt);
    Child<QPushButton>(utility, "WavBrowseBtn")->click();
    ASSERT_EQ(dialogs.filters.size(), 2u);
    EXPECT_EQ(dialogs.filters[0], dialogs.filters[1]);
    const std::string songs = language == Language::English
                                  ? "Songs (*.wav *.flac *.ogg *.opus *.mp3)|"
                                  : "曲 (*.wav *.flac *.ogg *.opus *.mp3)|";
    EXPECT_EQ(dialogs.filters[0].rfind(songs, 0), 0u) << dialogs.filters[0];
  }
}

}  // namespace
}  // namespace mosaicer
