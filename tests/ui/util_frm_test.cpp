// The utility window (divide, combine) and its disc image dialog.
#include "utility/ui/util_frm.h"

#include "ui_test.h"

#include <QApplication>
#include <QProgressBar>

#include "platform/file_util.h"
#include "platform/language.h"
#include "ripper/clone_cd_image.h"
#include "support/wave_file.h"
#include "utility/ui/disc_image_dlg.h"

namespace mosaicer {
namespace {

class UtilFrmTest : public ::testing::Test {
 protected:
  testing::TempDir dir;
  testing::ScriptedDialogs dialogs;
  TUtilFrm frm{dialogs};
  // The window's controls, by their names.
  QLineEdit* CdgPathEdit = Child<QLineEdit>(frm, "CdgPathEdit");
  QPushButton* CombinBtn = Child<QPushButton>(frm, "CombinBtn");
  QPushButton* DivideBtn = Child<QPushButton>(frm, "DivideBtn");
  QCheckBox* NoWavCk = Child<QCheckBox>(frm, "NoWavCk");
  QProgressBar* ProgressBar = Child<QProgressBar>(frm, "ProgressBar");
  QLineEdit* RwsPathEdit = Child<QLineEdit>(frm, "RwsPathEdit");
  QLineEdit* WavPathEdit = Child<QLineEdit>(frm, "WavPathEdit");

  void Fill(const std::string& cdg, const std::string& rws, const std::string& wav) {
    CdgPathEdit->setText(QString::fromStdString(cdg));
    RwsPathEdit->setText(QString::fromStdString(rws));
    WavPathEdit->setText(QString::fromStdString(wav));
  }
  QString Caption() const { return frm.windowTitle(); }
  static std::string Overwrite(const std::string& file) {
    return "\"" + file + "\"を上書きしても構いませんか？";
  }
};

// Each button writes what the command line writes from the same fields; an
// MP3+G name in the RWS field makes a divide write that pair, and puts the
// WAV field out of use meanwhile.
TEST_F(UtilFrmTest, DividesAndCombinesAsTheCommandLineDoes) {
  const std::string cdg = dir.Write("in.cdg", testing::AudioBytes(60 * 2448, 7));
  const std::string wav =
      dir.Write("in.wav", testing::CdWave(testing::AudioBytes(2352 * 10 + 100, 9)));
  const std::string rws = dir.Write("in.rws", testing::AudioBytes(12 * 96, 4));
  const std::string gui = dir.File("gui/"), byCli = dir.File("cli/");
  std::filesystem::create_directory(gui);
  std::filesystem::create_directory(byCli);
  struct Case {
    std::string cdg, rws, wav;
    QPushButton* button;
    std::vector<std::string> command;
    std::vector<std::string> outputs;  // written into gui/ and cli/
    const char* caption;
    int steps;  // of the bar; 0: not checked
  } cases[] = {
      {cdg, gui + "out.rws", gui + "out.wav", DivideBtn,
       {"divide", cdg, "-o", byCli + "out.rws", "--wav", byCli + "out.wav"}, {"out.rws", "out.wav"},
       "分割成功", 2},  // two blocks of 25, the rest of 10 beyond
      {cdg, gui + "title.flac", "", DivideBtn, {"divide", cdg, "-o", byCli + "title.flac"},
       {"title.flac", "title.cdg"}, "分割成功", 0},
      {gui + "out.cdg", rws, wav, CombinBtn, {"combine", rws, wav, "-o", byCli + "out.cdg"},
       {"out.cdg"}, "結合成功", 12},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command[3]);
    Fill(c.cdg, c.rws, c.wav);
    EXPECT_EQ(WavPathEdit->isEnabled(), c.outputs[0] != "title.flac");
    NoWavCk->setChecked(c.button == CombinBtn);  // plays no part in combining
    QTest::mouseClick(c.button, Qt::LeftButton);
    EXPECT_EQ(Caption(), QString::fromUtf8(c.caption));
    if (c.steps) { EXPECT_EQ(ProgressBar->maximum(), c.steps); }
    EXPECT_EQ(ProgressBar->value(), ProgressBar->maximum());
    EXPECT_FALSE(frm.Busy());
    ASSERT_EQ(Cli(c.command).status, cli::kExitSuccess);
    for (const std::string& name : c.outputs)
      EXPECT_TRUE(ReadFile(gui + name) == ReadFile(byCli + name)) << name;
  }
}

TEST_F(UtilFrmTest, ReplacingAnExistingOutputIsAskedFirst) {
  const std::string cdg = dir.Write("in.cdg", testing::AudioBytes(30 * 2448, 5));
  const std::string victim = dir.Write("victim.rws", "keep me");
  Fill(cdg, victim, dir.File("out.wav"));

  dialogs.confirms = {false};  // no: nothing is written
  QTest::mouseClick(DivideBtn, Qt::LeftButton);
  EXPECT_EQ(dialogs.questions, std::vector<std::string>{Overwrite(victim)});
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
  EXPECT_EQ(dialogs.questions.back(), Overwrite(dir.File("out.wav")));

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

class DiscImageDlgTest : public ::testing::Test {
 protected:
  testing::TempDir dir;
  testing::ScriptedDialogs dialogs;
  TDiscImageDlg dlg{dialogs};
  QListWidget* TitleList = Child<QListWidget>(dlg, "TitleList");
  QPushButton* AddBtn = Child<QPushButton>(dlg, "AddBtn");
  QPushButton* RemoveBtn = Child<QPushButton>(dlg, "RemoveBtn");
  QPushButton* UpBtn = Child<QPushButton>(dlg, "UpBtn");
  QComboBox* KindCmb = Child<QComboBox>(dlg, "KindCmb");
  QLineEdit* OutputEdit = Child<QLineEdit>(dlg, "OutputEdit");
  QPushButton* MakeBtn = Child<QPushButton>(dlg, "MakeBtn");

  // A CDG title of `sectors` sectors, added through the open dialog.
  std::string Add(const char* name, int sectors) {
    const std::string path =
        dir.Write(name, testing::AudioBytes(static_cast<std::size_t>(sectors) * 2448, sectors));
    dialogs.files.push_back(path);
    QTest::mouseClick(AddBtn, Qt::LeftButton);
    return path;
  }
};

TEST_F(DiscImageDlgTest, MakesTheListedTitlesInTheirOrder) {
  EXPECT_FALSE(MakeBtn->isEnabled());
  const std::string a = Add("a.cdg", 300), b = Add("b.cdg", 400), c = Add("c.cdg", 350);
  // b moves first; c goes.
  TitleList->setCurrentRow(1);
  QTest::mouseClick(UpBtn, Qt::LeftButton);
  TitleList->setCurrentRow(2);
  QTest::mouseClick(RemoveBtn, Qt::LeftButton);
  EXPECT_EQ(dlg.Titles(), (std::vector<std::string>{b, a}));

  KindCmb->setCurrentIndex(0);
  OutputEdit->setText(QString::fromStdString(dir.File("disc.img")));  // the kind's extension wins
  ASSERT_TRUE(MakeBtn->isEnabled());
  QTest::mouseClick(MakeBtn, Qt::LeftButton);
  ASSERT_EQ(dialogs.Informations(), (std::vector<std::string>{Tr("The disc image was made.")}));
  CloneCdImage image;
  std::string error;
  ASSERT_TRUE(image.Open(dir.File("disc.ccd"), error)) << error;
  EXPECT_EQ(image.Sectors(), 700);
  ASSERT_EQ(image.Toc().descriptors.size(), 5u);  // A0, A1, A2 and two tracks
  EXPECT_EQ(image.Toc().descriptors[4][10], (400 + 150) % 75);  // track 2 after b's 400

  // Making it again asks before replacing; a no leaves it.
  dialogs.confirms.push_back(false);
  QTest::mouseClick(MakeBtn, Qt::LeftButton);
  EXPECT_EQ(dialogs.questions.size(), 1u);
}

TEST_F(DiscImageDlgTest, CancelLeavesNoFileAndFailuresAreShown) {
  Add("long.cdg", 15000);  // long enough to be still at work when Cancel is clicked
  KindCmb->setCurrentIndex(1);
  OutputEdit->setText(QString::fromStdString(dir.File("disc")));
  // Cancel as soon as the progress dialog shows.
  QTimer::singleShot(0, [] {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w->objectName() == "DiscImageProgressDlg" && w->isVisible())
        QTest::mouseClick(Child<QPushButton>(*w, "CancelBtn"), Qt::LeftButton);
  });
  QTest::mouseClick(MakeBtn, Qt::LeftButton);
  ASSERT_EQ(dialogs.Informations(),
            (std::vector<std::string>{
                Tr("Making the disc image was cancelled; no file was written.")}));
  EXPECT_FALSE(std::filesystem::exists(dir.File("disc.toc")));
  EXPECT_FALSE(std::filesystem::exists(dir.File("disc.bin")));

  Add("short.cdg", 100);  // shorter than a track may be
  QTest::mouseClick(MakeBtn, Qt::LeftButton);
  ASSERT_EQ(dialogs.Errors().size(), 1u);
  EXPECT_NE(dialogs.Errors()[0].find("short.cdg"), std::string::npos);
}

}  // namespace
}  // namespace mosaicer
