// The ripper window's output choice: kept in step with the RW-only box, it
// chooses the save dialog and what each track becomes.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <functional>

#include "child.h"
#include "cli/cli.h"
#include "core/subcode_pack.h"
#include "ripper/ui/rip_frm.h"
#include "scripted_dialogs.h"
#include "support/cli_run.h"
#include "support/clone_cd_disc.h"
#include "support/temp_dir.h"
#include "support/title_sectors.h"
#include "title/title_source.h"

namespace mosaicer {
namespace {

using testing::SectorsOf;

using testing::Child;
using testing::WhenShown;
using testing::Cli;
using testing::ReadFile;

class RipOutputFrmTest : public ::testing::Test {
 protected:
  testing::TempDir dir;
  testing::ScriptedDialogs dialogs;
  std::string ccd;
  std::unique_ptr<TRipFrm> frm;

  void SetUp() override {
    const testing::Disc disc = testing::MakeDisc(150, 81);
    dir.Write("disc.img", disc.audio);
    dir.Write("disc.sub", disc.sub);
    ccd = dir.Write("disc.ccd", testing::kCcd);
    std::filesystem::create_directory(dir.File("settings"));
    frm = std::make_unique<TRipFrm>(dialogs, dir.File("settings"), DriveSearchSetup{});
    frm->SetFolders(dir.File("cdg"), dir.File("rws"));
    dialogs.files.push_back(ccd);
    QTest::mouseClick(Child<QPushButton>(*frm, "ImageBtn"), Qt::LeftButton);
    ASSERT_EQ(Child<QListWidget>(*frm, "TrackList")->count(), 2);
  }
  QComboBox* OutCmb() { return Child<QComboBox>(*frm, "OutCmb"); }
  QCheckBox* RwsCk() { return Child<QCheckBox>(*frm, "RwsCk"); }
};

TEST_F(RipOutputFrmTest, TheChoiceAndTheRwOnlyBoxKeepInStep) {
  ASSERT_EQ(OutCmb()->count(), 4);
  const QStringList items = {OutCmb()->itemText(0), OutCmb()->itemText(1), OutCmb()->itemText(2),
                             OutCmb()->itemText(3)};
  EXPECT_EQ(items, QStringList({"CDG", "RWS", "MP3+G (zip)", "MP3+G (ペア)"}));
  EXPECT_EQ(OutCmb()->currentIndex(), 0);

  struct Step {
    const char* act;
    std::function<void()> run;
    int choice;
    bool rwsOnly;
  } steps[] = {
      {"check RW-only", [&] { RwsCk()->click(); }, 1, true},
      {"choose zip", [&] { OutCmb()->setCurrentIndex(2); }, 2, false},
      {"choose RWS", [&] { OutCmb()->setCurrentIndex(1); }, 1, true},
      {"uncheck RW-only", [&] { RwsCk()->click(); }, 0, false},
      {"choose pair", [&] { OutCmb()->setCurrentIndex(3); }, 3, false},
      {"choose CDG", [&] { OutCmb()->setCurrentIndex(0); }, 0, false},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.act);
    step.run();
    EXPECT_EQ(OutCmb()->currentIndex(), step.choice);
    EXPECT_EQ(RwsCk()->isChecked(), step.rwsOnly);
  }

  // The choice comes back with the settings; RW-only wins over it.
  OutCmb()->setCurrentIndex(3);
  IniFile ini;
  frm->WriteSettings(ini);
  TRipFrm again(dialogs, dir.File("settings"), DriveSearchSetup{});
  again.ReadSettings(ini);
  EXPECT_EQ(Child<QComboBox>(again, "OutCmb")->currentIndex(), 3);
  ini.WriteBool("RipForm", "RwsOnly", true);
  again.ReadSettings(ini);
  EXPECT_EQ(Child<QComboBox>(again, "OutCmb")->currentIndex(), 1);
}

TEST_F(RipOutputFrmTest, OneTrackRipsIntoAZipAsTheCommandLineRipsItsCdg) {
  OutCmb()->setCurrentIndex(2);
  Child<QListWidget>(*frm, "TrackList")->setCurrentRow(1, QItemSelectionModel::NoUpdate);
  const std::string zip = dir.File("two.zip");
  dialogs.files.push_back(zip);
  auto* progress = Child<TProgressDlg2>(*frm, "ProgressDlg2");
  QString caption;
  WhenShown(*progress, [&] { caption = progress->windowTitle(); });
  QTest::mouseClick(Child<QPushButton>(*frm, "RipBtn"), Qt::LeftButton);

  EXPECT_EQ(dialogs.filters.back(), Tr(TRipFrm::kZipFilter));
  EXPECT_EQ(dialogs.startFolders.back(), dir.File("cdg"));
  EXPECT_EQ(caption, QStringLiteral("MP3+Gファイルを作成中(1/1)..."));
  EXPECT_EQ(dialogs.Informations(),
            std::vector<std::string>{"MP3+Gファイルの作成に成功しました。"});
  EXPECT_EQ(frm->LogName(), dir.File("two.log"));

  ASSERT_EQ(Cli({"rip", ccd, "--track", "2", "--no-log", "-o", dir.File("cli.cdg")}).status,
            cli::kExitSuccess);
  const std::string ripped = SectorsOf(zip);
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
  QTest::mouseClick(Child<QPushButton>(*frm, "RipBtn"), Qt::LeftButton);
  ASSERT_EQ(dialogs.Errors().size(), 1u);
  EXPECT_NE(dialogs.Errors()[0].find("two.cdg"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(dir.File("two.cdg")));
}

TEST_F(RipOutputFrmTest, ABatchOfPairsNamesBothFilesOfATrack) {
  OutCmb()->setCurrentIndex(3);
  dir.Write("song_02.cdg", "keep");
  dialogs.files.push_back(dir.File("song.wav"));
  QTest::mouseClick(Child<QPushButton>(*frm, "RipBtn2"), Qt::LeftButton);

  EXPECT_EQ(dialogs.filters.back(), TRipFrm::kPairFilter);
  EXPECT_EQ(dialogs.Informations(),
            std::vector<std::string>{"MP3+Gファイルの作成に成功しました。"});
  EXPECT_EQ(ReadFile(dir.File("song_02.cdg")), "keep");
  ASSERT_EQ(Cli({"rip", ccd, "--all", "--no-log", "-o", dir.File("cli.cdg")}).status,
            cli::kExitSuccess);
  // A WAV song: every byte as the CDG rip has it.
  EXPECT_TRUE(SectorsOf(dir.File("song_01.cdg")) == ReadFile(dir.File("cli_01.cdg")));
  EXPECT_TRUE(SectorsOf(dir.File("song_02 - 001.cdg")) == ReadFile(dir.File("cli_02.cdg")));
  EXPECT_TRUE(std::filesystem::exists(dir.File("song_02 - 001.wav")));
}

}  // namespace
}  // namespace mosaicer
