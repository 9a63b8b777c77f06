#include "ripper/ui/rip_frm.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

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
#include "support/clone_cd_disc.h"
#include "support/temp_dir.h"

namespace mosaicer {
namespace {

using testing::Child;

using testing::Cli;
using testing::ReadFile;

const QString kTrack1 = QStringLiteral("Track  1 : 00:02:00 - 00:03:10 (00:01:10)");
const QString kTrack2 = QStringLiteral("Track  2 : 00:03:10 - 00:04:00 (00:00:65)");

// Runs `act` inside the dialog's modal loop once the dialog is on screen.
void WhenShown(QDialog& dialog, std::function<void()> act) {
  QTimer::singleShot(0, &dialog, [&dialog, act] {
    if (dialog.isVisible())
      act();
    else
      WhenShown(dialog, act);
  });
}

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
  EXPECT_EQ(DrvCmb->count(), 0);
  EXPECT_EQ(TrackList->count(), 0);

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

  TrackList->clearSelection();
  QTest::mouseClick(Child<QPushButton>(frm, "SelectBtn"), Qt::LeftButton);
  EXPECT_EQ(Selected(TrackList), std::vector<int>({0, 1}));

  TrackList->clear();
  QTest::mouseClick(Child<QPushButton>(frm, "TrkBtn"), Qt::LeftButton);
  EXPECT_EQ(TrackList->count(), 2);

  // An image that cannot be opened is reported and not listed.
  OpenImage(*frm, dir.File("none.ccd"));
  ASSERT_EQ(dialogs.Errors().size(), 1u);
  EXPECT_NE(dialogs.Errors()[0].find("none.ccd"), std::string::npos);
  EXPECT_EQ(DrvCmb->count(), 1);
}

TEST_F(RipFrmTest, OneTrackRipsTheFocusedLineAsTheCommandLineDoes) {
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
  EXPECT_TRUE(dialogs.Errors().empty());
  EXPECT_EQ(dialogs.beeps, 1);
  EXPECT_EQ(frm->Job().JobStatus(), kJobIdle);

  const auto cli = Cli({"rip", ccd, "--track", "2", "-o", dir.File("cli.cdg")});
  ASSERT_EQ(cli.status, cli::kExitSuccess) << cli.err;
  const std::string ripped = ReadFile(out);
  EXPECT_EQ(ripped.size(), 65u * 2448u);
  EXPECT_TRUE(ripped == ReadFile(dir.File("cli.cdg")));
}

TEST_F(RipFrmTest, SubcodeOnlyRipMatchesTheCommandLineWithTheSameCommand) {
  auto frm = MakeWindow();
  OpenImage(*frm, ccd);
  QTest::mouseClick(Child<QCheckBox>(frm, "RwsCk"), Qt::LeftButton);
  Child<QComboBox>(frm, "CmdCmb")->setCurrentIndex(2);  // ReadCDDA (Data + RW)
  dialogs.files.push_back(dir.File("one.rws"));
  QTest::mouseClick(Child<QPushButton>(frm, "RipBtn"), Qt::LeftButton);
  EXPECT_EQ(dialogs.Informations(), std::vector<std::string>{"RWSファイルの作成に成功しました。"});
  ASSERT_EQ(
      Cli({"rip", ccd, "--track", "1", "--rws", "--command", "cdda", "-o", dir.File("cli.rws")})
          .status,
      cli::kExitSuccess);
  EXPECT_EQ(ReadFile(dir.File("one.rws")).size(), 85u * 96u);
  EXPECT_TRUE(ReadFile(dir.File("one.rws")) == ReadFile(dir.File("cli.rws")));
}

TEST_F(RipFrmTest, AnExistingFileIsReplacedOnlyAfterAskingAndOnlyWhenWritable) {
  auto frm = MakeWindow();
  QPushButton* RipBtn = Child<QPushButton>(frm, "RipBtn");
  OpenImage(*frm, ccd);
  const std::string out = dir.Write("old.cdg", "old");

  dialogs.files.push_back(out);
  dialogs.confirms.push_back(false);
  QTest::mouseClick(RipBtn, Qt::LeftButton);
  EXPECT_EQ(dialogs.beeps, 1);
  EXPECT_EQ(ReadFile(out), "old");
  EXPECT_TRUE(dialogs.Informations().empty());

  std::filesystem::permissions(out, std::filesystem::perms::owner_read);
  dialogs.files.push_back(out);
  dialogs.confirms.push_back(true);
  QTest::mouseClick(RipBtn, Qt::LeftButton);
  EXPECT_EQ(dialogs.beeps, 3);
  EXPECT_EQ(dialogs.Errors(), std::vector<std::string>{"\"" + out + "\"は上書きできません。"});
  EXPECT_EQ(ReadFile(out), "old");

  std::filesystem::permissions(out, std::filesystem::perms::owner_all);
  dialogs.files.push_back(out);
  dialogs.confirms.push_back(true);
  QTest::mouseClick(RipBtn, Qt::LeftButton);
  EXPECT_EQ(dialogs.beeps, 5);  // the question, then the report
  EXPECT_EQ(dialogs.Informations(), std::vector<std::string>{"CDGファイルの作成に成功しました。"});
  EXPECT_EQ(ReadFile(out).size(), 85u * 2448u);
  EXPECT_TRUE(dialogs.confirms.empty());

  // A cancelled save dialog does nothing.
  dialogs.files.push_back(std::nullopt);
  QTest::mouseClick(RipBtn, Qt::LeftButton);
  EXPECT_EQ(dialogs.beeps, 5);
}

TEST_F(RipFrmTest, NothingIsRippedWithoutASelectedLine) {
  auto frm = MakeWindow();
  OpenImage(*frm, ccd);
  Child<QListWidget>(frm, "TrackList")->clearSelection();
  QTest::mouseClick(Child<QPushButton>(frm, "RipBtn"), Qt::LeftButton);
  QTest::mouseClick(Child<QPushButton>(frm, "RipBtn2"), Qt::LeftButton);
  EXPECT_TRUE(dialogs.titles.empty());  // no save dialog was shown
}

TEST_F(RipFrmTest, ABatchNamesItsFilesAfterTheBaseAndKeepsExistingOnes) {
  auto frm = MakeWindow();
  TProgressDlg2* ProgressDlg2 = Child<TProgressDlg2>(frm, "ProgressDlg2");
  OpenImage(*frm, ccd);
  dir.Write("song_02.cdg", "keep");
  dialogs.files.push_back(dir.File("song.cdg"));
  QString caption;
  WhenShown(*ProgressDlg2, [&] { caption = ProgressDlg2->windowTitle(); });
  QTest::mouseClick(Child<QPushButton>(frm, "RipBtn2"), Qt::LeftButton);

  EXPECT_EQ(caption, QStringLiteral("CDGファイルを作成中(1/2)..."));
  EXPECT_EQ(dialogs.titles, std::vector<std::string>{"基底ファイル名を指定"});
  EXPECT_EQ(frm->FileName(), dir.File("song"));
  EXPECT_EQ(dialogs.Informations(), std::vector<std::string>{"CDGファイルの作成に成功しました。"});
  EXPECT_EQ(ReadFile(dir.File("song_02.cdg")), "keep");

  ASSERT_EQ(Cli({"rip", ccd, "--all", "-o", dir.File("cli.cdg")}).status, cli::kExitSuccess);
  EXPECT_TRUE(ReadFile(dir.File("song_01.cdg")) == ReadFile(dir.File("cli_01.cdg")));
  EXPECT_TRUE(ReadFile(dir.File("song_02 - 001.cdg")) == ReadFile(dir.File("cli_02.cdg")));
  EXPECT_EQ(ReadFile(dir.File("song_02 - 001.cdg")).size(), 65u * 2448u);
}

TEST_F(RipFrmTest, ABatchOfSelectedLinesInRwsMode) {
  auto frm = MakeWindow();
  TProgressDlg2* ProgressDlg2 = Child<TProgressDlg2>(frm, "ProgressDlg2");
  OpenImage(*frm, ccd);
  QTest::mouseClick(Child<QCheckBox>(frm, "RwsCk"), Qt::LeftButton);
  Child<QListWidget>(frm, "TrackList")->item(0)->setSelected(false);
  dialogs.files.push_back(dir.File("only"));
  QString caption;
  WhenShown(*ProgressDlg2, [&] { caption = ProgressDlg2->windowTitle(); });
  QTest::mouseClick(Child<QPushButton>(frm, "RipBtn2"), Qt::LeftButton);
  EXPECT_EQ(caption, QStringLiteral("RWSファイルを作成中(1/1)..."));
  EXPECT_FALSE(FileExists(dir.File("only_01.rws")));
  EXPECT_EQ(ReadFile(dir.File("only_02.rws")).size(), 65u * 96u);
  EXPECT_EQ(dialogs.Informations(), std::vector<std::string>{"RWSファイルの作成に成功しました。"});
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

TEST_F(RipFrmTest, ReadSizeIsKeptWithinOneToFifty) {
  auto frm = MakeWindow();
  TUpDown* ReadSizeUd = Child<TUpDown>(frm, "ReadSizeUd");
  OpenImage(*frm, ccd);
  QLineEdit* edit = Child<QLineEdit>(frm, "ReadSizeEdit");
  edit->clear();
  QTest::keyClicks(edit, "80");
  EXPECT_EQ(edit->text(), QStringLiteral("50"));
  EXPECT_EQ(ReadSizeUd->Position(), 50);
  QTest::mouseClick(Child<QToolButton>(ReadSizeUd, "UpBtn"), Qt::LeftButton);
  EXPECT_EQ(ReadSizeUd->Position(), 50);  // no wrap

  edit->clear();
  QTest::keyClicks(edit, "0");
  EXPECT_EQ(edit->text(), QStringLiteral("1"));
  EXPECT_EQ(ReadSizeUd->Position(), 1);
  QTest::mouseClick(Child<QToolButton>(ReadSizeUd, "DownBtn"), Qt::LeftButton);
  EXPECT_EQ(ReadSizeUd->Position(), 1);
  QTest::keyClick(edit, Qt::Key_Up);
  EXPECT_EQ(edit->text(), QStringLiteral("2"));
}

TEST_F(RipFrmTest, ADriveAtPosition26HasNoSettings) {
  // 27 images of one disc under distinct names.
  std::vector<std::string> images;
  for (int i = 0; i < 27; ++i) {
    const std::string stem = dir.File("d" + std::to_string(i));
    std::filesystem::create_symlink(dir.File("disc.img"), stem + ".img");
    std::filesystem::create_symlink(dir.File("disc.sub"), stem + ".sub");
    images.push_back(dir.Write("d" + std::to_string(i) + ".ccd", testing::kCcd));
  }
  const std::string product = "DeviceName=CLONECD IMAGE   \n";
  dir.Write("settings/Drive.ini", "[" + images[0] + "]\n" + product +
                                      "ReadCmd=2\nTocBcd=0\nReadSize=30\n"
                                      "[" +
                                      images[26] + "]\n" + product +
                                      "ReadCmd=1\nTocBcd=1\nReadSize=40\n");
  auto frm = MakeWindow();
  QCheckBox* BcdCk = Child<QCheckBox>(frm, "BcdCk");
  QComboBox* CmdCmb = Child<QComboBox>(frm, "CmdCmb");
  QComboBox* DrvCmb = Child<QComboBox>(frm, "DrvCmb");
  QLineEdit* ReadSizeEdit = Child<QLineEdit>(frm, "ReadSizeEdit");
  TUpDown* ReadSizeUd = Child<TUpDown>(frm, "ReadSizeUd");
  QListWidget* TrackList = Child<QListWidget>(frm, "TrackList");
  for (const std::string& image : images) OpenImage(*frm, image);
  ASSERT_EQ(DrvCmb->count(), 27);
  EXPECT_EQ(DrvCmb->currentIndex(), 26);

  QTest::keyClick(DrvCmb, Qt::Key_Home);
  EXPECT_EQ(DrvCmb->currentIndex(), 0);
  EXPECT_EQ(CmdCmb->currentIndex(), 2);
  EXPECT_EQ(ReadSizeUd->Position(), 30);
  EXPECT_FALSE(BcdCk->isChecked());
  ASSERT_EQ(TrackList->count(), 2);
  TrackList->clearSelection();

  QTest::keyClick(DrvCmb, Qt::Key_End);
  EXPECT_EQ(DrvCmb->currentIndex(), 26);
  EXPECT_EQ(CmdCmb->currentIndex(), 2);  // not the 26th section's values
  EXPECT_EQ(ReadSizeUd->Position(), 30);
  EXPECT_FALSE(BcdCk->isChecked());
  EXPECT_TRUE(Selected(TrackList).empty());  // the list was not refreshed

  // Typed sizes are not corrected for it either.
  ReadSizeEdit->setText("70");
  EXPECT_EQ(ReadSizeEdit->text(), QStringLiteral("70"));
}

TEST_F(RipFrmTest, DriveSettingsAreKeptInDriveIni) {
  {
    auto frm = MakeWindow();
    OpenImage(*frm, ccd);
    Child<QComboBox>(frm, "CmdCmb")->setCurrentIndex(1);
    QTest::mouseClick(Child<QCheckBox>(frm, "BcdCk"), Qt::LeftButton);
    Child<QLineEdit>(frm, "ReadSizeEdit")->setText("33");
    QTest::mouseClick(Child<QCheckBox>(frm, "RwsCk"), Qt::LeftButton);
    IniFile ini;
    frm->WriteSettings(ini);
    EXPECT_EQ(ini.ReadInteger("RipForm", "SelectedDrv", -1), 0);
  }
  IniFile driveIni;
  ASSERT_TRUE(driveIni.Load(settings + "/Drive.ini"));
  EXPECT_EQ(driveIni.ReadString(ccd, "DeviceName"), "CLONECD IMAGE   ");
  EXPECT_EQ(driveIni.ReadInteger(ccd, "ReadCmd", -1), 1);
  EXPECT_TRUE(driveIni.ReadBool(ccd, "TocBcd", false));
  EXPECT_EQ(driveIni.ReadInteger(ccd, "ReadSize", -1), 33);

  auto frm = MakeWindow();
  OpenImage(*frm, ccd);
  EXPECT_EQ(Child<QComboBox>(frm, "CmdCmb")->currentIndex(), 1);
  EXPECT_TRUE(Child<QCheckBox>(frm, "BcdCk")->isChecked());
  EXPECT_EQ(Child<TUpDown>(frm, "ReadSizeUd")->Position(), 33);
}

TEST_F(RipFrmTest, OpeningTheDriveListKeepsTheShownDrivesChoices) {
  auto frm = MakeWindow();
  QComboBox* CmdCmb = Child<QComboBox>(frm, "CmdCmb");
  QComboBox* DrvCmb = Child<QComboBox>(frm, "DrvCmb");
  TUpDown* ReadSizeUd = Child<TUpDown>(frm, "ReadSizeUd");
  OpenImage(*frm, ccd);
  OpenImage(*frm, ccd);
  QTest::keyClick(DrvCmb, Qt::Key_Up);
  ASSERT_EQ(DrvCmb->currentIndex(), 0);
  Child<QLineEdit>(frm, "ReadSizeEdit")->setText("9");
  CmdCmb->setCurrentIndex(3);
  DrvCmb->showPopup();
  DrvCmb->hidePopup();
  QTest::keyClick(DrvCmb, Qt::Key_Down);
  EXPECT_EQ(ReadSizeUd->Position(), 15);  // the second image's own
  QTest::keyClick(DrvCmb, Qt::Key_Up);
  EXPECT_EQ(ReadSizeUd->Position(), 9);
  EXPECT_EQ(CmdCmb->currentIndex(), 3);
}

}  // namespace
}  // namespace mosaicer

namespace mosaicer {
namespace {

TEST_F(RipFrmTest, SearchingAndFindingNoDriveSaysSoAndKeepsTheImages) {
  auto frm = MakeWindow();
  QComboBox* DrvCmb = Child<QComboBox>(frm, "DrvCmb");
  OpenImage(*frm, ccd);
  QTest::mouseClick(Child<QPushButton>(frm, "DrvBtn"), Qt::LeftButton);
  ASSERT_EQ(dialogs.Errors().size(), 1u);
  EXPECT_EQ(dialogs.Errors()[0].rfind("CD/DVDドライブが見つかりませんでした。", 0), 0u);
  EXPECT_EQ(dialogs.beeps, 1);
  ASSERT_EQ(DrvCmb->count(), 1);  // the image is still there
  EXPECT_EQ(DrvCmb->currentIndex(), 0);
  EXPECT_EQ(Child<QListWidget>(frm, "TrackList")->count(), 2);
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
