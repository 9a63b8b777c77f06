#include "utility/ui/util_frm.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <filesystem>

#include "child.h"
#include "cli/cli.h"
#include "platform/file_util.h"
#include "scripted_dialogs.h"
#include "support/cli_run.h"
#include "support/temp_dir.h"
#include "support/wave_file.h"

namespace mosaicer {
namespace {

using testing::Child;

using testing::Cli;
using testing::ReadFile;

class UtilFrmTest : public ::testing::Test {
 protected:
  testing::TempDir dir;
  testing::ScriptedDialogs dialogs;
  TUtilFrm frm{dialogs};
  // The window's controls, by their names.
  QPushButton* CdgBrowseBtn = Child<QPushButton>(frm, "CdgBrowseBtn");
  QLineEdit* CdgPathEdit = Child<QLineEdit>(frm, "CdgPathEdit");
  QPushButton* CombinBtn = Child<QPushButton>(frm, "CombinBtn");
  QPushButton* DivideBtn = Child<QPushButton>(frm, "DivideBtn");
  QCheckBox* NameCk = Child<QCheckBox>(frm, "NameCk");
  QCheckBox* NoWavCk = Child<QCheckBox>(frm, "NoWavCk");
  QProgressBar* ProgressBar = Child<QProgressBar>(frm, "ProgressBar");
  QPushButton* RwsBrowseBtn = Child<QPushButton>(frm, "RwsBrowseBtn");
  QLineEdit* RwsPathEdit = Child<QLineEdit>(frm, "RwsPathEdit");
  QPushButton* WavBrowseBtn = Child<QPushButton>(frm, "WavBrowseBtn");
  QLineEdit* WavPathEdit = Child<QLineEdit>(frm, "WavPathEdit");

  void Fill(const std::string& cdg, const std::string& rws, const std::string& wav) {
    CdgPathEdit->setText(QString::fromStdString(cdg));
    RwsPathEdit->setText(QString::fromStdString(rws));
    WavPathEdit->setText(QString::fromStdString(wav));
  }
  QString Caption() const { return frm.windowTitle(); }
};

TEST_F(UtilFrmTest, DividesAsTheCommandLineDoes) {
  const std::string cdg = dir.Write("in.cdg", testing::AudioBytes(60 * 2448, 7));
  Fill(cdg, dir.File("out.rws"), dir.File("out.wav"));
  QTest::mouseClick(DivideBtn, Qt::LeftButton);
  EXPECT_EQ(Caption(), QStringLiteral("分割成功"));
  EXPECT_EQ(ProgressBar->maximum(), 2);  // two blocks of 25, the rest of 10 beyond
  EXPECT_EQ(ProgressBar->value(), 2);
  EXPECT_FALSE(frm.Busy());

  ASSERT_EQ(Cli({"divide", cdg, "-o", dir.File("cli.rws"), "--wav", dir.File("cli.wav")}).status,
            cli::kExitSuccess);
  EXPECT_EQ(ReadFile(dir.File("out.rws")).size(), 5760u);
  EXPECT_TRUE(ReadFile(dir.File("out.rws")) == ReadFile(dir.File("cli.rws")));
  EXPECT_EQ(ReadFile(dir.File("out.wav")).size(), 44u + 141120u);
  EXPECT_TRUE(ReadFile(dir.File("out.wav")) == ReadFile(dir.File("cli.wav")));
  EXPECT_TRUE(dialogs.Errors().empty());
}

TEST_F(UtilFrmTest, RwsOnlyWritesNoWavAndGreysTheField) {
  const QColor edit = QApplication::palette(WavPathEdit).color(QPalette::Base);
  const QColor face = QApplication::palette(WavPathEdit).color(QPalette::Button);
  QTest::mouseClick(NoWavCk, Qt::LeftButton);
  EXPECT_FALSE(WavPathEdit->isEnabled());
  EXPECT_FALSE(WavBrowseBtn->isEnabled());
  EXPECT_EQ(WavPathEdit->palette().color(QPalette::Base), face);

  const std::string cdg = dir.Write("in.cdg", testing::AudioBytes(30 * 2448 + 100, 3));
  Fill(cdg, dir.File("out.rws"), dir.File("out.wav"));
  QTest::mouseClick(DivideBtn, Qt::LeftButton);
  EXPECT_EQ(Caption(), QStringLiteral("分割成功"));
  EXPECT_FALSE(FileExists(dir.File("out.wav")));
  ASSERT_EQ(Cli({"divide", cdg, "-o", dir.File("cli.rws")}).status, cli::kExitSuccess);
  EXPECT_EQ(ReadFile(dir.File("out.rws")).size(), 30u * 96u);  // the partial sector is dropped
  EXPECT_TRUE(ReadFile(dir.File("out.rws")) == ReadFile(dir.File("cli.rws")));

  QTest::mouseClick(NoWavCk, Qt::LeftButton);
  EXPECT_TRUE(WavPathEdit->isEnabled());
  EXPECT_TRUE(WavBrowseBtn->isEnabled());
  EXPECT_EQ(WavPathEdit->palette().color(QPalette::Base), edit);
}

TEST_F(UtilFrmTest, CombinesShortAudioWithLongerSubcodeAsTheCommandLineDoes) {
  const std::string wav =
      dir.Write("in.wav", testing::CdWave(testing::AudioBytes(2352 * 10 + 100, 9)));
  const std::string rws = dir.Write("in.rws", testing::AudioBytes(12 * 96, 4));
  Fill(dir.File("out.cdg"), rws, wav);
  NoWavCk->setChecked(true);  // plays no part in combining
  QTest::mouseClick(CombinBtn, Qt::LeftButton);
  EXPECT_EQ(Caption(), QStringLiteral("結合成功"));
  EXPECT_EQ(ProgressBar->maximum(), 12);
  EXPECT_EQ(ProgressBar->value(), 12);

  ASSERT_EQ(Cli({"combine", rws, wav, "-o", dir.File("cli.cdg")}).status, cli::kExitSuccess);
  const std::string out = ReadFile(dir.File("out.cdg"));
  EXPECT_EQ(out.size(), 12u * 2448u);
  EXPECT_TRUE(out == ReadFile(dir.File("cli.cdg")));
}

TEST_F(UtilFrmTest, BrowsingFillsTheFieldsFromTheHandedOverFolders) {
  frm.SetFolders("/cdg", "/wav", "/rws");
  EXPECT_TRUE(NameCk->isChecked());
  dialogs.files = {"/music/a.cdg", "/music/x.rws", "/other/y.wav"};
  QTest::mouseClick(CdgBrowseBtn, Qt::LeftButton);
  QTest::mouseClick(RwsBrowseBtn, Qt::LeftButton);
  EXPECT_EQ(CdgPathEdit->text(), QStringLiteral("/music/a.cdg"));
  EXPECT_EQ(RwsPathEdit->text(), QStringLiteral("/music/x.rws"));
  EXPECT_EQ(WavPathEdit->text(),
            QStringLiteral("/music/x.wav"));  // same name
  QTest::mouseClick(WavBrowseBtn, Qt::LeftButton);
  EXPECT_EQ(WavPathEdit->text(), QStringLiteral("/other/y.wav"));
  EXPECT_EQ(dialogs.titles, (std::vector<std::string>{"RWSファイルを指定", "WAVファイルを指定"}));
  EXPECT_EQ(dialogs.openTitles, std::vector<std::string>{"CDGファイルを指定"});

  QTest::mouseClick(NameCk, Qt::LeftButton);
  dialogs.files = {"/music/z.rws", std::nullopt};
  QTest::mouseClick(RwsBrowseBtn, Qt::LeftButton);
  EXPECT_EQ(WavPathEdit->text(), QStringLiteral("/other/y.wav"));
  QTest::mouseClick(CdgBrowseBtn, Qt::LeftButton);  // cancelled
  EXPECT_EQ(CdgPathEdit->text(), QStringLiteral("/music/a.cdg"));
  EXPECT_EQ(frm.CdgDir(), "/cdg");
}

TEST_F(UtilFrmTest, CommandsWaitForTheirFields) {
  EXPECT_FALSE(DivideBtn->isEnabled());
  EXPECT_FALSE(CombinBtn->isEnabled());
  Fill("a.cdg", "a.rws", "");
  EXPECT_FALSE(DivideBtn->isEnabled());  // the WAV is still missing
  EXPECT_FALSE(CombinBtn->isEnabled());
  NoWavCk->setChecked(true);
  EXPECT_TRUE(DivideBtn->isEnabled());  // RWS only needs none
  EXPECT_FALSE(CombinBtn->isEnabled());
  WavPathEdit->setText("a.wav");
  EXPECT_TRUE(CombinBtn->isEnabled());
  CdgPathEdit->clear();
  EXPECT_FALSE(DivideBtn->isEnabled());
  EXPECT_FALSE(CombinBtn->isEnabled());
  EXPECT_EQ(Caption(), QStringLiteral("CD+G Utility"));
}

TEST_F(UtilFrmTest, AMonoWavIsRefusedWithItsReason) {
  const std::string mono =
      dir.Write("mono.wav", testing::Riff(testing::Chunk("fmt ", testing::PcmFormat(1, 44100, 16)) +
                                          testing::Chunk("data", std::string(2352, 'a'))));
  const std::string rws = dir.Write("in.rws", std::string(96, 'r'));
  Fill(dir.File("out.cdg"), rws, mono);
  QTest::mouseClick(CombinBtn, Qt::LeftButton);
  EXPECT_EQ(Caption(), QStringLiteral("結合失敗"));
  EXPECT_FALSE(FileExists(dir.File("out.cdg")));
  ASSERT_EQ(dialogs.Errors().size(), 1u);
  EXPECT_EQ(dialogs.Errors()[0],
            "\"" + mono + "\"は16bits 44.1kHz StereoのPCM WAVEファイルではありません。");
  EXPECT_EQ(dialogs.beeps, 1);
}

TEST_F(UtilFrmTest, ReplacingAnExistingOutputIsAskedFirst) {
  const std::string cdg = dir.Write("in.cdg", testing::AudioBytes(30 * 2448, 5));
  const std::string victim = dir.Write("victim.rws", "keep me");
  Fill(cdg, victim, dir.File("out.wav"));

  dialogs.confirms = {false};  // no: nothing is written
  QTest::mouseClick(DivideBtn, Qt::LeftButton);
  EXPECT_EQ(dialogs.questions,
            std::vector<std::string>{"\"" + victim + "\"を上書きしても構いませんか？"});
  EXPECT_EQ(ReadFile(victim), "keep me");
  EXPECT_FALSE(FileExists(dir.File("out.wav")));
  EXPECT_EQ(Caption(), QStringLiteral("CD+G Utility"));

  dialogs.confirms = {true};  // yes: replaced
  QTest::mouseClick(DivideBtn, Qt::LeftButton);
  EXPECT_EQ(Caption(), QStringLiteral("分割成功"));
  EXPECT_EQ(ReadFile(victim).size(), 30u * 96u);
  EXPECT_EQ(dialogs.questions.size(), 2u);

  // The same for combine, and both outputs of a divide are asked about.
  const std::string song = dir.Write("song.cdg", "an 11 MB song");
  Fill(song, victim, dir.File("out.wav"));
  dialogs.confirms = {false};
  QTest::mouseClick(CombinBtn, Qt::LeftButton);
  EXPECT_EQ(ReadFile(song), "an 11 MB song");
  Fill(cdg, victim, dir.File("out.wav"));
  dialogs.confirms = {true, false};
  QTest::mouseClick(DivideBtn, Qt::LeftButton);
  EXPECT_EQ(dialogs.questions.back(),
            "\"" + dir.File("out.wav") + "\"を上書きしても構いませんか？");
  EXPECT_TRUE(dialogs.confirms.empty());
  EXPECT_TRUE(dialogs.Errors().empty());

  // Yes to a read-only file: refused all the same, and nothing is written.
  std::filesystem::remove(dir.File("out.wav"));
  std::filesystem::permissions(victim, std::filesystem::perms::owner_read);
  const std::string kept = ReadFile(victim);
  Fill(cdg, victim, dir.File("out.wav"));
  dialogs.confirms = {true};
  QTest::mouseClick(DivideBtn, Qt::LeftButton);
  EXPECT_EQ(dialogs.Errors(), std::vector<std::string>{"\"" + victim + "\"は上書きできません。"});
  EXPECT_TRUE(ReadFile(victim) == kept);
  EXPECT_FALSE(FileExists(dir.File("out.wav")));
}

TEST_F(UtilFrmTest, ASaveDialogAsksAndItsAnswerHoldsForTheRun) {
  const std::string cdg = dir.Write("in.cdg", testing::AudioBytes(25 * 2448, 5));
  const std::string rws = dir.Write("old.rws", "old");
  const std::string wav = dir.Write("old.wav", "old");
  CdgPathEdit->setText(QString::fromStdString(cdg));
  dialogs.files = {rws};
  dialogs.confirms = {false};  // the chosen file is not taken
  QTest::mouseClick(RwsBrowseBtn, Qt::LeftButton);
  EXPECT_TRUE(RwsPathEdit->text().isEmpty());

  dialogs.files = {rws, wav};
  dialogs.confirms = {true, true};
  QTest::mouseClick(RwsBrowseBtn, Qt::LeftButton);
  QTest::mouseClick(WavBrowseBtn, Qt::LeftButton);
  EXPECT_EQ(RwsPathEdit->text().toStdString(), rws);
  EXPECT_EQ(WavPathEdit->text().toStdString(), wav);
  QTest::mouseClick(DivideBtn, Qt::LeftButton);  // asks nothing more
  EXPECT_EQ(Caption(), QStringLiteral("分割成功"));
  EXPECT_EQ(dialogs.questions.size(), 3u);

  // The next run asks again: the files are the last run's outputs now.
  dialogs.confirms = {false};
  QTest::mouseClick(DivideBtn, Qt::LeftButton);
  EXPECT_EQ(dialogs.questions.size(), 4u);
  EXPECT_TRUE(dialogs.Errors().empty());
}

TEST_F(UtilFrmTest, AnOutputThatIsAnInputIsRefused) {
  const std::string cdg = dir.Write("in.cdg", testing::AudioBytes(25 * 2448, 5));
  const std::string before = ReadFile(cdg);
  // The input itself, by another spelling, and through a link.
  std::filesystem::create_symlink(cdg, dir.File("link.cdg"));
  for (const std::string& output : {cdg, dir.File("sub/../in.cdg"), dir.File("link.cdg")}) {
    std::filesystem::create_directories(dir.File("sub"));
    dialogs.ClearErrors();
    Fill(cdg, output, dir.File("out.wav"));
    QTest::mouseClick(DivideBtn, Qt::LeftButton);
    ASSERT_EQ(dialogs.Errors().size(), 1u) << output;
    EXPECT_EQ(dialogs.Errors()[0],
              "\"" + output + "\"は読み込むファイルと同じです。別のファイルを指定して下さい。");
    EXPECT_EQ(Caption(), QStringLiteral("分割失敗"));
  }
  EXPECT_TRUE(ReadFile(cdg) == before);

  // Two outputs in one file.
  dialogs.ClearErrors();
  Fill(cdg, dir.File("both"), dir.File("both"));
  QTest::mouseClick(DivideBtn, Qt::LeftButton);
  ASSERT_EQ(dialogs.Errors().size(), 1u);
  EXPECT_NE(dialogs.Errors()[0].find("二つの出力先"), std::string::npos);
  EXPECT_FALSE(FileExists(dir.File("both")));

  // A combine into its own WAV or RWS.
  const std::string wav = dir.Write("in.wav", testing::CdWave(std::string(2352, 'a')));
  const std::string rws = dir.Write("in.rws", std::string(96, 'r'));
  const std::string wavBefore = ReadFile(wav);
  for (const std::string& output : {wav, rws}) {
    dialogs.ClearErrors();
    Fill(output, rws, wav);
    QTest::mouseClick(CombinBtn, Qt::LeftButton);
    EXPECT_EQ(dialogs.Errors().size(), 1u);
    EXPECT_EQ(Caption(), QStringLiteral("結合失敗"));
  }
  EXPECT_TRUE(ReadFile(wav) == wavBefore);
  EXPECT_EQ(ReadFile(rws), std::string(96, 'r'));
  EXPECT_TRUE(dialogs.questions.empty());
}

TEST_F(UtilFrmTest, AFailureShowsInTheCaptionAndThenAsAnError) {
  Fill(dir.File("missing.cdg"), dir.File("out.rws"), dir.File("out.wav"));
  QTest::mouseClick(DivideBtn, Qt::LeftButton);
  EXPECT_EQ(Caption(), QStringLiteral("分割失敗"));
  ASSERT_EQ(dialogs.Errors().size(), 1u);
  EXPECT_EQ(dialogs.Errors()[0].rfind("分割に失敗しました。\n", 0), 0u) << dialogs.Errors()[0];
  EXPECT_NE(dialogs.Errors()[0].find("missing.cdg"), std::string::npos);
  EXPECT_EQ(dialogs.beeps, 1);

  const std::string wav = dir.Write("in.wav", testing::CdWave(std::string(2352, 'a')));
  const std::string rws = dir.Write("in.rws", std::string(96, 'r'));
  Fill(dir.File("no/such/folder/out.cdg"), rws, wav);
  QTest::mouseClick(CombinBtn, Qt::LeftButton);
  EXPECT_EQ(Caption(), QStringLiteral("結合失敗"));
  EXPECT_EQ(dialogs.Errors().size(), 2u);

  frm.show();  // showing again clears the status
  EXPECT_EQ(Caption(), QStringLiteral("CD+G Utility"));
  frm.hide();
}

}  // namespace
}  // namespace mosaicer
