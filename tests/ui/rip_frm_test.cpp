// The ripper window: opened images listed as drives, rips as the command
// line makes them in each output kind, cancel, and a rip's figures and log.
#include "ripper/ui/rip_frm.h"

#include "ui_test.h"

#include <QPlainTextEdit>

#include <atomic>
#include <semaphore>

#include "platform/file_util.h"
#include "ripper/clone_cd_image.h"
#include "ripper/worn_disc.h"
#include "support/clone_cd_disc.h"
#include "support/title_sectors.h"

namespace mosaicer {
namespace {

const QString kTrack1 = QStringLiteral("Track  1 : 00:02:00 - 00:03:10 (00:01:10)");
const QString kTrack2 = QStringLiteral("Track  2 : 00:03:10 - 00:04:00 (00:00:65)");

// A disc image whose first audio read waits until the test lets it go, so
// the test can act while a rip is known to be running.
struct GatedImage : ScsiTransport {
  std::binary_semaphore arrived{0}, gate{0};
  std::atomic<bool> held{false};
  CloneCdImage image;

  std::uint8_t Execute(const TNkCdRom& drive, std::uint8_t cdbLength, const std::uint8_t* cdb,
                       void* buffer, std::uint32_t bufferLength, std::uint8_t direction,
                       std::uint32_t timeoutMs) override {
    constexpr std::uint8_t kReadCd = 0xBE;
    if (cdb[0] == kReadCd && !held.exchange(true)) {
      arrived.release();
      gate.acquire();
    }
    return image.Execute(drive, cdbLength, cdb, buffer, bufferLength, direction, timeoutMs);
  }
};

class RipFrmTest : public ::testing::Test {
 protected:
  testing::TempDir dir;
  testing::Disc disc = testing::MakeDisc(150, 33);
  std::string ccd;
  std::string settings;
  testing::ScriptedDialogs dialogs;

  void SetUp() override {
    dir.Write("disc.img", disc.audio);
    dir.Write("disc.sub", disc.sub);
    ccd = dir.Write("disc.ccd", testing::kCcd);
    settings = dir.File("settings");
    std::filesystem::create_directory(settings);
  }

  // A window that finds no drives of its own.
  std::unique_ptr<TRipFrm> MakeWindow() {
    auto frm = std::make_unique<TRipFrm>(dialogs, settings, DriveSearchSetup{});
    frm->SetFolders(dir.File("cdg"), dir.File("rws"));
    return frm;
  }

  void OpenImage(TRipFrm& frm, const std::string& path) {
    dialogs.files.push_back(path);
    QTest::mouseClick(Child<QPushButton>(frm, "ImageBtn"), Qt::LeftButton);
  }
  // A window with the disc image open.
  std::unique_ptr<TRipFrm> Opened() {
    auto frm = MakeWindow();
    OpenImage(*frm, ccd);
    EXPECT_EQ(Child<QListWidget>(frm, "TrackList")->count(), 2);
    return frm;
  }

  // The list's lines, a selected one marked with "*".
  static QStringList Lines(const QListWidget* list) {
    QStringList lines;
    for (int i = 0; i < list->count(); ++i)
      lines << (list->item(i)->isSelected() ? "*" : "") + list->item(i)->text();
    return lines;
  }
};

TEST_F(RipFrmTest, AnOpenedImageIsListedAsADriveWithItsTracks) {
  auto frm = MakeWindow();
  QComboBox* CmdCmb = Child<QComboBox>(frm, "CmdCmb");
  QComboBox* DrvCmb = Child<QComboBox>(frm, "DrvCmb");
  TUpDown* ReadSizeUd = Child<TUpDown>(frm, "ReadSizeUd");
  QListWidget* TrackList = Child<QListWidget>(frm, "TrackList");
  OpenImage(*frm, ccd);
  ASSERT_EQ(DrvCmb->count(), 1);
  EXPECT_EQ(DrvCmb->itemText(0).toStdString(),
            "<" + ccd + ">            MOSAICER CLONECD IMAGE    1.0 ");
  EXPECT_EQ(DrvCmb->currentIndex(), 0);
  EXPECT_EQ(Lines(TrackList), QStringList({"*" + kTrack1, "*" + kTrack2}));
  EXPECT_EQ(TrackList->currentRow(), 0);
  // No settings for the image yet: the defaults of a drive.
  EXPECT_EQ(ReadSizeUd->Position(), 15);
  EXPECT_EQ(Child<QLineEdit>(frm, "ReadSizeEdit")->text(), QStringLiteral("15"));
  EXPECT_EQ(CmdCmb->currentIndex(), 0);

  // An image that cannot be opened is reported and not listed.
  OpenImage(*frm, dir.File("none.ccd"));
  ExpectOneErrorNaming(dialogs, "none.ccd");
  EXPECT_EQ(DrvCmb->count(), 1);
}

// One track rips the focused line; a batch names its files after the base
// and keeps existing ones. Both write what the command line writes.
TEST_F(RipFrmTest, OneTrackOrABatchRipsAsTheCommandLineDoes) {
  auto frm = Opened();
  TProgressDlg2* ProgressDlg2 = Child<TProgressDlg2>(frm, "ProgressDlg2");
  QListWidget* TrackList = Child<QListWidget>(frm, "TrackList");
  // The focused line is ripped even though only the other one is selected.
  TrackList->setCurrentRow(1, QItemSelectionModel::NoUpdate);
  TrackList->item(1)->setSelected(false);
  const std::string out = dir.File("two.cdg");
  dialogs.files.push_back(out);
  QString caption;
  WhenShown(*ProgressDlg2, [&] { caption = ProgressDlg2->windowTitle(); });
  QTest::mouseClick(Child<QPushButton>(frm, "RipBtn"), Qt::LeftButton);
  EXPECT_EQ(caption, QStringLiteral("CDGファイルを作成中(1/1)..."));
  EXPECT_EQ(dialogs.titles, std::vector<std::string>{""});  // the platform's own title
  EXPECT_EQ(frm->FileName(), out);
  EXPECT_EQ(dialogs.Informations(), std::vector<std::string>{"CDGファイルの作成に成功しました。"});
  EXPECT_EQ(dialogs.beeps, 1);
  EXPECT_EQ(frm->Job().JobStatus(), kJobIdle);

  QTest::mouseClick(Child<QPushButton>(frm, "SelectBtn"), Qt::LeftButton);
  dir.Write("song_02.cdg", "keep");
  dialogs.files.push_back(dir.File("song.cdg"));
  WhenShown(*ProgressDlg2, [&] { caption = ProgressDlg2->windowTitle(); });
  QTest::mouseClick(Child<QPushButton>(frm, "RipBtn2"), Qt::LeftButton);
  EXPECT_EQ(caption, QStringLiteral("CDGファイルを作成中(1/2)..."));
  EXPECT_EQ(dialogs.titles.back(), "基底ファイル名を指定");
  EXPECT_EQ(frm->FileName(), dir.File("song"));
  EXPECT_EQ(dialogs.Informations().back(), "CDGファイルの作成に成功しました。");
  EXPECT_EQ(ReadFile(dir.File("song_02.cdg")), "keep");

  ASSERT_EQ(Cli({"rip", ccd, "--track", "2", "-o", dir.File("cli.cdg")}).status, cli::kExitSuccess);
  ASSERT_EQ(Cli({"rip", ccd, "--all", "-o", dir.File("cli.cdg")}).status, cli::kExitSuccess);
  EXPECT_EQ(ReadFile(out).size(), 65u * 2448u);
  EXPECT_TRUE(ReadFile(out) == ReadFile(dir.File("cli.cdg")));
  EXPECT_TRUE(ReadFile(dir.File("song_01.cdg")) == ReadFile(dir.File("cli_01.cdg")));
  EXPECT_TRUE(ReadFile(dir.File("song_02 - 001.cdg")) == ReadFile(dir.File("cli_02.cdg")));
}

TEST_F(RipFrmTest, CancelStopsTheRipAfterTheCurrentRead) {
  auto frm = MakeWindow();
  TProgressDlg2* ProgressDlg2 = Child<TProgressDlg2>(frm, "ProgressDlg2");
  auto gated = std::make_unique<GatedImage>();
  GatedImage& image = *gated;
  std::string error;
  ASSERT_TRUE(image.image.Open(ccd, error)) << error;
  TNkCdRom drive(ccd);
  Inquiry(image.image, drive);
  EXPECT_EQ(frm->AddDrive(std::move(gated), drive), 0);
  ASSERT_EQ(Child<QListWidget>(frm, "TrackList")->count(), 2);
  Child<QLineEdit>(frm, "ReadSizeEdit")->setText("5");
  ASSERT_EQ(Child<TUpDown>(frm, "ReadSizeUd")->Position(), 5);

  const std::string out = dir.File("part.cdg");
  dialogs.files.push_back(out);
  bool refused = false;
  WhenShown(*ProgressDlg2, [&] {
    image.arrived.acquire();  // the worker is inside its first read
    refused = !frm->Job().SetProgressCallback(nullptr, nullptr);
    QTest::mouseClick(Child<QPushButton>(ProgressDlg2, "CancelBtn"), Qt::LeftButton);
    image.gate.release();
  });
  QTest::mouseClick(Child<QPushButton>(frm, "RipBtn"), Qt::LeftButton);

  EXPECT_TRUE(refused);  // no new callback while a rip runs
  EXPECT_EQ(dialogs.Informations(), std::vector<std::string>{"CDGファイルの作成を中断しました。"});
  EXPECT_EQ(ReadFile(out).size(), 5u * 2448u);  // what was read stays
  EXPECT_EQ(frm->Job().JobStatus(), kJobIdle);
}

// A disc whose image holds three packs no read can repair: the window
// reports them with the outcome, shows every figure and writes the log, and
// keeps the drive's re-read count and slip choice for next time.
TEST_F(RipFrmTest, ARipShowsItsFiguresAndKeepsThemInALog) {
  testing::Disc worn = testing::MakeDisc(150, 44);
  for (int slot : {40, 201, 333})
    for (int symbol : {5, 11}) testing::SpoilSymbol(worn, testing::SpotOfPack(0, slot, symbol), 0x21);
  std::filesystem::create_directory(dir.File("worn"));
  dir.Write("worn/disc.img", worn.audio);
  dir.Write("worn/disc.sub", worn.sub);
  const std::string image = dir.Write("worn/disc.ccd", testing::kCcd);

  IniFile ini;
  {
    auto frm = MakeWindow();
    OpenImage(*frm, image);
    EXPECT_EQ(Child<TUpDown>(frm, "RetryUd")->Position(), kDefaultRetries);
    Child<QLineEdit>(frm, "RetryEdit")->setText("2");
    Child<QCheckBox>(frm, "SlipCk")->setChecked(true);
    Child<QListWidget>(frm, "TrackList")->setCurrentRow(0, QItemSelectionModel::NoUpdate);
    const std::string out = dir.File("one.cdg");
    dialogs.files.push_back(out);
    QTest::mouseClick(Child<QPushButton>(frm, "RipBtn"), Qt::LeftButton);

    ASSERT_EQ(dialogs.Informations().size(), 1u);
    EXPECT_TRUE(dialogs.Informations()[0].starts_with("CDGファイルの作成に成功しました。\n3 "))
        << dialogs.Informations()[0];
    const std::string shown =
        Child<QPlainTextEdit>(frm, "ReportMemo")->toPlainText().toStdString();
    EXPECT_NE(shown.find("修復できないセクタ: 10, 50, 83\n"), std::string::npos) << shown;
    EXPECT_NE(shown.find("再読み込みしたセクタ数: 18\n"), std::string::npos) << shown;
    EXPECT_EQ(frm->LogName(), dir.File("one.log"));
    EXPECT_EQ(ReadFile(dir.File("one.log")), shown);
    EXPECT_EQ(ReadFile(out).size(), 85u * 2448u);
    frm->WriteSettings(ini);
  }
  auto frm = MakeWindow();
  OpenImage(*frm, image);
  EXPECT_EQ(Child<TUpDown>(frm, "RetryUd")->Position(), 2);
  EXPECT_TRUE(Child<QCheckBox>(frm, "SlipCk")->isChecked());
}

TEST_F(RipFrmTest, OpenedImagesComeBackWhileTheirFilesExist) {
  // A second image beside the first.
  const std::string other = dir.File("other");
  std::filesystem::create_directory(other);
  for (const char* part : {"disc.img", "disc.sub", "disc.ccd"})
    std::filesystem::copy_file(dir.File(part), other + "/" + part);
  const std::string second = other + "/disc.ccd";

  IniFile ini;
  {
    auto frm = MakeWindow();
    OpenImage(*frm, ccd);
    OpenImage(*frm, second);
    OpenImage(*frm, ccd);  // listed twice, remembered once
    Child<QComboBox>(frm, "DrvCmb")->setCurrentIndex(1);
    frm->WriteSettings(ini);
  }
  // Then gone from the disk: gone from the list.
  for (const std::vector<std::string>& listed : {std::vector{ccd, second}, std::vector{ccd}}) {
    if (listed.size() == 1) std::filesystem::remove(second);
    auto frm = MakeWindow();
    frm->ReadSettings(ini);
    QComboBox* DrvCmb = Child<QComboBox>(frm, "DrvCmb");
    ASSERT_EQ(DrvCmb->count(), static_cast<int>(listed.size()));
    for (int i = 0; i < DrvCmb->count(); ++i)
      EXPECT_TRUE(DrvCmb->itemText(i).contains(QString::fromStdString(listed[i]))) << i;
    if (listed.size() == 1) break;
    EXPECT_EQ(DrvCmb->currentIndex(), 1);  // the saved choice
    EXPECT_EQ(Child<QListWidget>(frm, "TrackList")->count(), 2);
  }
}

TEST_F(RipFrmTest, TheOutputChoiceAndTheRwOnlyBoxKeepInStep) {
  auto frm = Opened();
  QComboBox* OutCmb = Child<QComboBox>(frm, "OutCmb");
  QCheckBox* RwsCk = Child<QCheckBox>(frm, "RwsCk");
  // (The entries' texts are pinned with every other caption.)
  struct Step {
    const char* act;
    std::function<void()> run;
    int choice;
    bool rwsOnly;
  } steps[] = {
      {"check RW-only", [&] { RwsCk->click(); }, 1, true},
      {"choose zip", [&] { OutCmb->setCurrentIndex(2); }, 2, false},
      {"choose RWS", [&] { OutCmb->setCurrentIndex(1); }, 1, true},
      {"uncheck RW-only", [&] { RwsCk->click(); }, 0, false},
      {"choose pair", [&] { OutCmb->setCurrentIndex(3); }, 3, false},
      {"choose CDG", [&] { OutCmb->setCurrentIndex(0); }, 0, false},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.act);
    step.run();
    EXPECT_EQ(OutCmb->currentIndex(), step.choice);
    EXPECT_EQ(RwsCk->isChecked(), step.rwsOnly);
  }

  // The choice comes back with the settings; RW-only wins over it.
  OutCmb->setCurrentIndex(3);
  IniFile ini;
  frm->WriteSettings(ini);
  TRipFrm again(dialogs, settings, DriveSearchSetup{});
  again.ReadSettings(ini);
  EXPECT_EQ(Child<QComboBox>(again, "OutCmb")->currentIndex(), 3);
  ini.WriteBool("RipForm", "RwsOnly", true);
  again.ReadSettings(ini);
  EXPECT_EQ(Child<QComboBox>(again, "OutCmb")->currentIndex(), 1);
}

TEST_F(RipFrmTest, OneTrackRipsIntoAZipAsTheCommandLineRipsItsCdg) {
  auto frm = Opened();
  Child<QComboBox>(frm, "OutCmb")->setCurrentIndex(2);
  Child<QListWidget>(frm, "TrackList")->setCurrentRow(1, QItemSelectionModel::NoUpdate);
  const std::string zip = dir.File("two.zip");
  dialogs.files.push_back(zip);
  auto* progress = Child<TProgressDlg2>(frm, "ProgressDlg2");
  QString caption;
  WhenShown(*progress, [&] { caption = progress->windowTitle(); });
  QTest::mouseClick(Child<QPushButton>(frm, "RipBtn"), Qt::LeftButton);

  EXPECT_EQ(dialogs.filters.back(), Tr(TRipFrm::kZipFilter));
  EXPECT_EQ(dialogs.startFolders.back(), dir.File("cdg"));
  EXPECT_EQ(caption, QStringLiteral("MP3+Gファイルを作成中(1/1)..."));
  EXPECT_EQ(dialogs.Informations(), std::vector<std::string>{"MP3+Gファイルの作成に成功しました。"});
  EXPECT_EQ(frm->LogName(), dir.File("two.log"));

  ASSERT_EQ(Cli({"rip", ccd, "--track", "2", "--no-log", "-o", dir.File("cli.cdg")}).status,
            cli::kExitSuccess);
  const std::string ripped = testing::SectorsOf(zip);
  EXPECT_EQ(ripped.size(), 65u * kCdgSectorSize);
  // The song is an MP3: the subcode is exact.
  const std::string cdg = ReadFile(dir.File("cli.cdg"));
  for (std::size_t s = 0; s < 65; ++s)
    ASSERT_EQ(ripped.compare(s * kCdgSectorSize + kAudioBytesPerSector, kSubcodeBytesPerSector, cdg,
                             s * kCdgSectorSize + kAudioBytesPerSector, kSubcodeBytesPerSector),
              0)
        << "sector " << s;

  // A name that is no MP3+G name is refused before anything is read.
  dialogs.files.push_back(dir.File("two.cdg"));
  QTest::mouseClick(Child<QPushButton>(frm, "RipBtn"), Qt::LeftButton);
  ExpectOneErrorNaming(dialogs, "two.cdg");
  EXPECT_FALSE(std::filesystem::exists(dir.File("two.cdg")));
}

TEST_F(RipFrmTest, ABatchOfPairsNamesBothFilesOfATrack) {
  auto frm = Opened();
  Child<QComboBox>(frm, "OutCmb")->setCurrentIndex(3);
  dir.Write("song_02.cdg", "keep");
  dialogs.files.push_back(dir.File("song.wav"));
  QTest::mouseClick(Child<QPushButton>(frm, "RipBtn2"), Qt::LeftButton);

  EXPECT_EQ(dialogs.filters.back(), TRipFrm::kPairFilter);
  EXPECT_EQ(dialogs.Informations(), std::vector<std::string>{"MP3+Gファイルの作成に成功しました。"});
  EXPECT_EQ(ReadFile(dir.File("song_02.cdg")), "keep");
  ASSERT_EQ(Cli({"rip", ccd, "--all", "--no-log", "-o", dir.File("cli.cdg")}).status,
            cli::kExitSuccess);
  // A WAV song: every byte as the CDG rip has it.
  EXPECT_TRUE(testing::SectorsOf(dir.File("song_01.cdg")) == ReadFile(dir.File("cli_01.cdg")));
  EXPECT_TRUE(testing::SectorsOf(dir.File("song_02 - 001.cdg")) == ReadFile(dir.File("cli_02.cdg")));
  EXPECT_TRUE(std::filesystem::exists(dir.File("song_02 - 001.wav")));
}

}  // namespace
}  // namespace mosaicer
