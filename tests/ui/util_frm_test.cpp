#include "utility/ui/util_frm.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include "cli/cli.h"
#include "platform/file_util.h"
#include "scripted_dialogs.h"
#include "support/cli_run.h"
#include "support/temp_dir.h"
#include "support/wave_file.h"

namespace mosaicer {
namespace {

using testing::Cli;
using testing::ReadFile;

class UtilFrmTest : public ::testing::Test {
 protected:
  testing::TempDir dir;
  testing::ScriptedDialogs dialogs;
  TUtilFrm frm{dialogs};

  void Fill(const std::string& cdg, const std::string& rws, const std::string& wav) {
    frm.CdgPathEdit()->setText(QString::fromStdString(cdg));
    frm.RwsPathEdit()->setText(QString::fromStdString(rws));
    frm.WavPathEdit()->setText(QString::fromStdString(wav));
  }
  QString Caption() const { return frm.windowTitle(); }
};

TEST_F(UtilFrmTest, DividesAsTheCommandLineDoes) {
  const std::string cdg = dir.Write("in.cdg", testing::AudioBytes(60 * 2448, 7));
  Fill(cdg, dir.File("out.rws"), dir.File("out.wav"));
  QTest::mouseClick(frm.DivideBtn(), Qt::LeftButton);
  EXPECT_EQ(Caption(), QStringLiteral("分割成功"));
  EXPECT_EQ(frm.ProgressBar()->maximum(), 2);  // two blocks of 25, the rest of 10 beyond
  EXPECT_EQ(frm.ProgressBar()->value(), 2);
  EXPECT_FALSE(frm.Busy());

  ASSERT_EQ(Cli({"divide", cdg, "-o", dir.File("cli.rws"), "--wav", dir.File("cli.wav")}).status,
            cli::kExitSuccess);
  EXPECT_EQ(ReadFile(dir.File("out.rws")).size(), 5760u);
  EXPECT_TRUE(ReadFile(dir.File("out.rws")) == ReadFile(dir.File("cli.rws")));
  EXPECT_EQ(ReadFile(dir.File("out.wav")).size(), 44u + 141120u);
  EXPECT_TRUE(ReadFile(dir.File("out.wav")) == ReadFile(dir.File("cli.wav")));
  EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(UtilFrmTest, RwsOnlyWritesNoWavAndGreysTheField) {
  const QColor edit = QApplication::palette(frm.WavPathEdit()).color(QPalette::Base);
  const QColor face = QApplication::palette(frm.WavPathEdit()).color(QPalette::Button);
  QTest::mouseClick(frm.NoWavCk(), Qt::LeftButton);
  EXPECT_FALSE(frm.WavPathEdit()->isEnabled());
  EXPECT_FALSE(frm.WavBrowseBtn()->isEnabled());
  EXPECT_EQ(frm.WavPathEdit()->palette().color(QPalette::Base), face);

  const std::string cdg = dir.Write("in.cdg", testing::AudioBytes(30 * 2448 + 100, 3));
  Fill(cdg, dir.File("out.rws"), dir.File("out.wav"));
  QTest::mouseClick(frm.DivideBtn(), Qt::LeftButton);
  EXPECT_EQ(Caption(), QStringLiteral("分割成功"));
  EXPECT_FALSE(FileExists(dir.File("out.wav")));
  ASSERT_EQ(Cli({"divide", cdg, "-o", dir.File("cli.rws")}).status, cli::kExitSuccess);
  EXPECT_EQ(ReadFile(dir.File("out.rws")).size(), 30u * 96u);  // the partial sector is dropped
  EXPECT_TRUE(ReadFile(dir.File("out.rws")) == ReadFile(dir.File("cli.rws")));

  QTest::mouseClick(frm.NoWavCk(), Qt::LeftButton);
  EXPECT_TRUE(frm.WavPathEdit()->isEnabled());
  EXPECT_TRUE(frm.WavBrowseBtn()->isEnabled());
  EXPECT_EQ(frm.WavPathEdit()->palette().color(QPalette::Base), edit);
}

TEST_F(UtilFrmTest, CombinesShortAudioWithLongerSubcodeAsTheCommandLineDoes) {
  const std::string wav =
      dir.Write("in.wav", testing::CdWave(testing::AudioBytes(2352 * 10 + 100, 9)));
  const std::string rws = dir.Write("in.rws", testing::AudioBytes(12 * 96, 4));
  Fill(dir.File("out.cdg"), rws, wav);
  frm.NoWavCk()->setChecked(true);  // plays no part in combining
  QTest::mouseClick(frm.CombinBtn(), Qt::LeftButton);
  EXPECT_EQ(Caption(), QStringLiteral("結合成功"));
  EXPECT_EQ(frm.ProgressBar()->maximum(), 12);
  EXPECT_EQ(frm.ProgressBar()->value(), 12);

  ASSERT_EQ(Cli({"combine", rws, wav, "-o", dir.File("cli.cdg")}).status, cli::kExitSuccess);
  const std::string out = ReadFile(dir.File("out.cdg"));
  EXPECT_EQ(out.size(), 12u * 2448u);
  EXPECT_TRUE(out == ReadFile(dir.File("cli.cdg")));
}

TEST_F(UtilFrmTest, BrowsingFillsTheFieldsFromTheHandedOverFolders) {
  frm.SetFolders("/cdg", "/wav", "/rws");
  EXPECT_TRUE(frm.NameCk()->isChecked());
  dialogs.files = {"/music/a.cdg", "/music/x.rws", "/other/y.wav"};
  QTest::mouseClick(frm.CdgBrowseBtn(), Qt::LeftButton);
  QTest::mouseClick(frm.RwsBrowseBtn(), Qt::LeftButton);
  EXPECT_EQ(frm.CdgPathEdit()->text(), QStringLiteral("/music/a.cdg"));
  EXPECT_EQ(frm.RwsPathEdit()->text(), QStringLiteral("/music/x.rws"));
  EXPECT_EQ(frm.WavPathEdit()->text(), QStringLiteral("/music/x.wav"));  // same name
  QTest::mouseClick(frm.WavBrowseBtn(), Qt::LeftButton);
  EXPECT_EQ(frm.WavPathEdit()->text(), QStringLiteral("/other/y.wav"));
  EXPECT_EQ(dialogs.titles, (std::vector<std::string>{"RWSファイルを指定", "WAVファイルを指定"}));
  EXPECT_EQ(dialogs.openTitles, std::vector<std::string>{"CDGファイルを指定"});

  QTest::mouseClick(frm.NameCk(), Qt::LeftButton);
  dialogs.files = {"/music/z.rws", std::nullopt};
  QTest::mouseClick(frm.RwsBrowseBtn(), Qt::LeftButton);
  EXPECT_EQ(frm.WavPathEdit()->text(), QStringLiteral("/other/y.wav"));
  QTest::mouseClick(frm.CdgBrowseBtn(), Qt::LeftButton);  // cancelled
  EXPECT_EQ(frm.CdgPathEdit()->text(), QStringLiteral("/music/a.cdg"));
  EXPECT_EQ(frm.CdgDir(), "/cdg");
}

TEST_F(UtilFrmTest, AMonoWavOrAnEmptyFieldDoesNothing) {
  const std::string mono =
      dir.Write("mono.wav", testing::Riff(testing::Chunk("fmt ", testing::PcmFormat(1, 44100, 16)) +
                                          testing::Chunk("data", std::string(2352, 'a'))));
  const std::string rws = dir.Write("in.rws", std::string(96, 'r'));
  Fill(dir.File("out.cdg"), rws, mono);
  QTest::mouseClick(frm.CombinBtn(), Qt::LeftButton);
  EXPECT_EQ(Caption(), QStringLiteral("CD+G Utility"));
  EXPECT_FALSE(FileExists(dir.File("out.cdg")));

  Fill("", dir.File("x.rws"), dir.File("x.wav"));
  QTest::mouseClick(frm.DivideBtn(), Qt::LeftButton);
  QTest::mouseClick(frm.CombinBtn(), Qt::LeftButton);
  EXPECT_EQ(Caption(), QStringLiteral("CD+G Utility"));
  EXPECT_EQ(frm.ProgressBar()->maximum(), 100);
  EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(UtilFrmTest, AFailureShowsInTheCaptionAndThenAsAnError) {
  Fill(dir.File("missing.cdg"), dir.File("out.rws"), dir.File("out.wav"));
  QTest::mouseClick(frm.DivideBtn(), Qt::LeftButton);
  EXPECT_EQ(Caption(), QStringLiteral("分割失敗"));
  ASSERT_EQ(dialogs.errors.size(), 1u);
  EXPECT_NE(dialogs.errors[0].find("missing.cdg"), std::string::npos);

  const std::string wav = dir.Write("in.wav", testing::CdWave(std::string(2352, 'a')));
  const std::string rws = dir.Write("in.rws", std::string(96, 'r'));
  Fill(dir.File("no/such/folder/out.cdg"), rws, wav);
  QTest::mouseClick(frm.CombinBtn(), Qt::LeftButton);
  EXPECT_EQ(Caption(), QStringLiteral("結合失敗"));
  EXPECT_EQ(dialogs.errors.size(), 2u);

  frm.show();  // showing again clears the status
  EXPECT_EQ(Caption(), QStringLiteral("CD+G Utility"));
  frm.hide();
}

TEST_F(UtilFrmTest, SettingsKeepTheBoxesAndTheWidth) {
  frm.ReadSettings(IniFile(
      "[UtilForm]\nTop=30\nLeft=40\nWidth=600\nHeight=400\n[Utility]\nSameName=0\nNoWave=1\n"));
  EXPECT_FALSE(frm.NameCk()->isChecked());
  EXPECT_TRUE(frm.NoWavCk()->isChecked());
  EXPECT_FALSE(frm.WavPathEdit()->isEnabled());  // as if the box had been clicked
  EXPECT_EQ(frm.x(), 40);
  EXPECT_EQ(frm.width(), 600);
  EXPECT_EQ(frm.height(), 170);  // the height is fixed

  IniFile out;
  frm.WriteSettings(out);
  EXPECT_EQ(out.ReadInteger("UtilForm", "Top", 0), 30);
  EXPECT_EQ(out.ReadInteger("UtilForm", "Width", 0), 600);
  EXPECT_FALSE(out.ReadBool("Utility", "SameName", true));
  EXPECT_TRUE(out.ReadBool("Utility", "NoWave", false));

  TUtilFrm fresh(dialogs);
  fresh.ReadSettings(IniFile());
  EXPECT_TRUE(fresh.NameCk()->isChecked());
  EXPECT_FALSE(fresh.NoWavCk()->isChecked());
  EXPECT_EQ(fresh.width(), 560);
}

}  // namespace
}  // namespace mosaicer
