// The small dialogs (about, general settings, progress) and what the
// dialogs seam turns into Qt's terms.
#include "app/dialogs.h"

#include "ui_test.h"

#include <QColor>
#include <QProgressBar>

#include <thread>

#include "app/about_box.h"
#include "app/gen_setting_dlg.h"
#include "app/progress_dialogs.h"
#include "platform/file_util.h"

namespace mosaicer {
namespace {

TEST(CustomColours, LinesRoundTripAndOddTextIsRefused) {
  EXPECT_EQ(CustomColourLineFor(0, 0x00FF8000), "ColorA=FF8000");
  EXPECT_EQ(CustomColourLineFor(15, 0x000001), "ColorP=000001");
  for (int i : {0, 7, 15}) {
    const auto parsed = ParseCustomColourLine(CustomColourLineFor(i, 0x123456));
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->first, i);
    EXPECT_EQ(parsed->second, 0x123456u);
  }
  EXPECT_EQ(ParseCustomColourLine("ColorB=ffffff")->second, 0xFFFFFFu);
  for (const char* bad : {"", "Color", "ColorA=", "ColorQ=000000", "Color@=000000", "ColourA=00",
                          "ColorA=12G456", "ColorA=1000000", "ColorA:123456"})
    EXPECT_FALSE(ParseCustomColourLine(bad)) << bad;
}

TEST(FileFilters, PairsBecomeQtFilters) {
  EXPECT_EQ(QtFilter("Bitmap Files (*.bmp)|*.bmp|All Files|*.*"),
            "Bitmap Files (*.bmp);;All Files (*)");
  EXPECT_EQ(QtFilter("Palette Files (*.pal)|*.pal"), "Palette Files (*.pal)");
}

TEST(AboutBox, ShowsTheVersionAndOpensItsWebPage) {
  testing::ScriptedDialogs dialogs;
  TAboutBox box(dialogs);
  // The version the command line prints, from the one place both take it.
  const testing::CliResult cli = Cli({"--version"});
  EXPECT_EQ(cli.out, "mosaicer " MOSAICER_VERSION "\n");
  EXPECT_EQ(Child<QLabel>(box, "Version")->text(), QStringLiteral("Version " MOSAICER_VERSION));
  const int result = RunModal(box, [&] {
    QTest::mouseClick(Child<QPushButton>(box, "WebSiteBtn"), Qt::LeftButton);
    EXPECT_TRUE(box.isVisible());  // the page opens beside the box
    QTest::mouseClick(Child<QPushButton>(box, "OKButton"), Qt::LeftButton);
  });
  EXPECT_EQ(result, QDialog::Accepted);
  EXPECT_EQ(dialogs.urls, std::vector<std::string>{"https://github.com/mosaicer-cdg/mosaicer"});
}

TEST(GenSettingDlg, BrowsedFolderIsCreatedWithItsParentsOnOk) {
  testing::TempDir dir;
  testing::ScriptedDialogs dialogs;
  const std::string wanted = dir.File("a/b/Tlo");
  dialogs.folders.push_back(wanted);
  TGenSettingDlg dialog(dialogs);
  std::string tloDir = "/old/Tlo";
  dialog.SetTarget(&tloDir);
  const int result = RunModal(dialog, [&] {
    EXPECT_EQ(Child<QLineEdit>(dialog, "TloPathEdit")->text(), QStringLiteral("/old/Tlo"));
    QTest::mouseClick(Child<QPushButton>(dialog, "BrowseBtn"), Qt::LeftButton);
    EXPECT_EQ(Child<QLineEdit>(dialog, "TloPathEdit")->text().toStdString(), wanted);
    QTest::mouseClick(Child<QPushButton>(dialog, "OkBtn"), Qt::LeftButton);
  });
  EXPECT_EQ(result, QDialog::Accepted);
  EXPECT_EQ(tloDir, wanted);
  EXPECT_TRUE(FolderExists(wanted));
  EXPECT_EQ(dialogs.titles.back(), "表示エフェクト(*.tlo)を格納するフォルダを選択して下さい");
  EXPECT_EQ(dialog.Target(), nullptr);  // forgotten on close
}

TEST(GenSettingDlg, FolderThatCannotBeMadeKeepsTheOldValue) {
  testing::TempDir dir;
  testing::ScriptedDialogs dialogs;
  TGenSettingDlg dialog(dialogs);
  const std::string file = dir.Write("plain", "x");
  std::string tloDir = "/old/Tlo";
  // A folder under a file: no message for that. An empty name: an error.
  for (const std::string& typed : {file + "/Tlo", std::string()}) {
    dialog.SetTarget(&tloDir);
    EXPECT_EQ(RunModal(dialog, [&] {
      Child<QLineEdit>(dialog, "TloPathEdit")->setText(QString::fromStdString(typed));
      QTest::mouseClick(Child<QPushButton>(dialog, "OkBtn"), Qt::LeftButton);
    }), QDialog::Accepted);
    EXPECT_EQ(tloDir, "/old/Tlo");
    EXPECT_EQ(dialogs.Errors().size(), typed.empty() ? 1u : 0u);
  }
}

TEST(ProgressDlg, StepsFromAWorkerThreadMoveTheBarAndTheEndCodeClosesIt) {
  TJobOwner owner;
  TProgressDlg dialog(owner);
  auto* bar = Child<QProgressBar>(dialog, "ProgressBar");
  dialog.show();
  EXPECT_EQ(Child<QLabel>(dialog, "TimeLbl")->text(), QStringLiteral("00:00"));

  std::thread worker([&] {
    owner.Report(kProgressSteps, 770);
    for (int i = 0; i < 769; ++i) owner.Report(kProgressStep);
  });
  worker.join();
  ASSERT_TRUE(QTest::qWaitFor([&] { return bar->value() == 770; }));
  EXPECT_EQ(bar->maximum(), 771);
  owner.Report(kProgressStep);
  ASSERT_TRUE(QTest::qWaitFor([&] { return bar->value() == 771; }));
  owner.Report(kProgressDone);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog.isVisible(); }));
  EXPECT_FALSE(dialog.Timer().isActive());
}

TEST(ProgressDlg, ElapsedTimeAndCancel) {
  TJobOwner owner;
  TProgressDlg dialog(owner);
  dialog.show();
  for (int tick = 0; tick < 75; ++tick) dialog.TimerTimer();
  EXPECT_EQ(Child<QLabel>(dialog, "TimeLbl")->text(), QStringLiteral("01:15"));

  owner.SetJobStatus(kJobRunning);
  // Return and Escape do not cancel; only the button does.
  QTest::keyClick(&dialog, Qt::Key_Return);
  QTest::keyClick(&dialog, Qt::Key_Escape);
  EXPECT_EQ(owner.JobStatus(), kJobRunning);
  EXPECT_TRUE(dialog.isVisible());
  QTest::mouseClick(Child<QPushButton>(dialog, "CancelBtn"), Qt::LeftButton);
  EXPECT_EQ(owner.JobStatus(), kJobCancelRequested);
  EXPECT_TRUE(dialog.isVisible());  // cancel only asks; the job closes it
  dialog.close();
  EXPECT_TRUE(dialog.isVisible());
  owner.Report(kProgressFailed);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !dialog.isVisible(); }));
}

}  // namespace
}  // namespace mosaicer
