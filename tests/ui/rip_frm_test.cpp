#include "ripper/ui/rip_frm.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <filesystem>
#include <functional>
#include <semaphore>

#include "child.h"
#include "cli/cli.h"
#include "platform/file_util.h"
#include "ripper/clone_cd_image.h"
#include "scripted_dialogs.h"
#include "support/cli_run.h"
#include "ripper/worn_disc.h"
#include "support/clone_cd_disc.h"
#include "support/temp_dir.h"

namespace mosaicer {
namespace {

using testing::Child;
using testing::WhenShown;

using testing::Cli;
using testing::ReadFile;

const QString kTrack1 = QStringLiteral("Track  1 : 00:02:00 - 00:03:10 (00:01:10)");
const QString kTrack2 = QStringLiteral("Track  2 : 00:03:10 - 00:04:00 (00:00:65)");

// A disc image whose first audio read waits until the test lets it go, so
// the test can act while a rip is known to be running.
class GatedImage : public ScsiTransport {
 public:
  std::binary_semaphore arrived{0};
  std::binary_semaphore gate{0};
  CloneCdImage image;

  std::uint8_t Execute(const TNkCdRom& drive, std::uint8_t cdbLength, const std::uint8_t* cdb,
                       void* buffer, std::uint32_t bufferLength, std::uint8_t direction,
                       std::uint32_t timeoutMs) override {
    constexpr std::uint8_t kReadCd = 0xBE;
    if (cdb[0] == kReadCd && !held_.exchange(true)) {
      arrived.release();
      gate.acquire();
    }
    return image.Execute(drive, cdbLength, cdb, buffer, bufferLength, direction, timeoutMs);
  }

 private:
  std::atomic<bool> held_{false};
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

  static QStringList Lines(const QListWidget* list) {
    QStringList lines;
    for (int i = 0; i < list->count(); ++i) lines << list->item(i)->text();
    return lines;
  }
  static std::vector<int> Selected(const QListWidget* list) {
    std::vector<int> rows;
    for (int i = 0; i < list->count(); ++i)
      if (list->item(i)->isSelected()) rows.push_back(i);
    return rows;
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
  EXPECT_EQ(Lines(TrackList), QStringList({kTrack1, kTrack2}));
  EXPECT_EQ(Selected(TrackList), std::vector<int>({0, 1}));
  EXPECT_EQ(TrackList->currentRow(), 0);
  // No settings for the image yet: the defaults of a drive.
  EXPECT_EQ(ReadSizeUd->Position(), 15);
  EXPECT_EQ(Child<QLineEdit>(frm, "ReadSizeEdit")->text(), QStringLiteral("15"));
  EXPECT_EQ(CmdCmb->currentIndex(), 0);

  // An image that cannot be opened is reported and not listed.
  OpenImage(*frm, dir.File("none.ccd"));
  ASSERT_EQ(dialogs.Errors().size(), 1u);
  EXPECT_NE(dialogs.Errors()[0].find("none.ccd"), std::string::npos);
  EXPECT_EQ(DrvCmb->count(), 1);
}

// One track rips the focused line; a batch names its files after the base
// and keeps existing ones. Both write what the command line writes.
TEST_F(RipFrmTest, OneTrackOrABatchRipsAsTheCommandLineDoes) {
  auto frm = MakeWindow();
  TProgressDlg2* ProgressDlg2 = Child<TProgressDlg2>(frm, "ProgressDlg2");
  QListWidget* TrackList = Child<QListWidget>(frm, "TrackList");
  OpenImage(*frm, ccd);
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
  EXPECT_TRUE(dialogs.Errors().empty());

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
  EXPECT_TRUE(dialogs.Errors().empty());
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
  const std::string folder = dir.File("worn");
  std::filesystem::create_directory(folder);
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
  {
    auto frm = MakeWindow();
    frm->ReadSettings(ini);
    ASSERT_EQ(Child<QComboBox>(frm, "DrvCmb")->count(), 2);
    EXPECT_NE(Child<QComboBox>(frm, "DrvCmb")->itemText(0).indexOf(QString::fromStdString(ccd)),
              -1);
    EXPECT_NE(Child<QComboBox>(frm, "DrvCmb")->itemText(1).indexOf(QString::fromStdString(second)),
              -1);
    EXPECT_EQ(Child<QComboBox>(frm, "DrvCmb")->currentIndex(), 1);  // the saved choice
    EXPECT_EQ(Child<QListWidget>(frm, "TrackList")->count(), 2);
  }
  // Gone from the disk: gone from the list.
  std::filesystem::remove(second);
  auto frm = MakeWindow();
  frm->ReadSettings(ini);
  ASSERT_EQ(Child<QComboBox>(frm, "DrvCmb")->count(), 1);
  EXPECT_NE(Child<QComboBox>(frm, "DrvCmb")->itemText(0).indexOf(QString::fromStdString(ccd)), -1);
  EXPECT_TRUE(dialogs.Errors().empty());
}

}  // namespace
}  // namespace mosaicer
