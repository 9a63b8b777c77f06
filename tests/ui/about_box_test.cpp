#include "app/about_box.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "modal.h"
#include "scripted_dialogs.h"
#include "support/cli_run.h"

namespace mosaicer {
namespace {

TEST(AboutBox, ShowsTheProductAndOpensItsWebPage) {
  testing::ScriptedDialogs dialogs;
  TAboutBox box(dialogs);
  EXPECT_EQ(box.windowTitle(), QStringLiteral("バージョン情報"));
  EXPECT_EQ(box.ProductName()->text(), QStringLiteral("Mosaicer"));
  // The version the command line prints, from the one place both take it.
  const testing::CliResult cli = testing::Cli({"--version"});
  EXPECT_EQ(cli.out, "mosaicer " MOSAICER_VERSION "\n");
  EXPECT_EQ(box.Version()->text(), QStringLiteral("Version " MOSAICER_VERSION));
  EXPECT_EQ(box.MessageLbl()->text(),
            QStringLiteral("このプログラムはフリーソフトです。\n自己責任の元で使用して下さい。"));
  EXPECT_EQ(box.WebSiteBtn()->text(), QStringLiteral("&WebSite"));
  const int result = testing::RunModal(box, [&] {
    QTest::mouseClick(box.WebSiteBtn(), Qt::LeftButton);
    EXPECT_TRUE(box.isVisible());  // the page opens beside the box
    QTest::mouseClick(box.OKButton(), Qt::LeftButton);
  });
  EXPECT_EQ(result, QDialog::Accepted);
  EXPECT_EQ(dialogs.urls, std::vector<std::string>{TAboutBox::kWebSite});
}

// Answers that no browser could be started.
class NoBrowserDialogs : public testing::ScriptedDialogs {
 public:
  bool OpenUrl(const std::string& url) override {
    ScriptedDialogs::OpenUrl(url);
    return false;
  }
};

TEST(AboutBox, AWebPageThatCannotBeOpenedIsReportedWithItsAddress) {
  NoBrowserDialogs dialogs;
  TAboutBox box(dialogs);
  QTest::mouseClick(box.WebSiteBtn(), Qt::LeftButton);
  ASSERT_EQ(dialogs.Errors().size(), 1u);
  EXPECT_EQ(dialogs.Errors()[0].rfind("ウェブサイトを開けませんでした。", 0), 0u);
  EXPECT_NE(dialogs.Errors()[0].find(TAboutBox::kWebSite), std::string::npos);
}

TEST(AboutBox, PositionIsKeptInTheSettings) {
  testing::ScriptedDialogs dialogs;
  TAboutBox box(dialogs);
  IniFile out;
  box.ReadSettings(IniFile(""));
  box.WriteSettings(out);
  EXPECT_EQ(out.ReadInteger("AboutDlg", "Top", 0), 100);
  EXPECT_EQ(out.ReadInteger("AboutDlg", "Left", 0), 100);

  box.ReadSettings(IniFile("[AboutDlg]\nTop=230\nLeft=340\n"));
  box.WriteSettings(out);
  EXPECT_EQ(out.ReadInteger("AboutDlg", "Top", 0), 230);
  EXPECT_EQ(out.ReadInteger("AboutDlg", "Left", 0), 340);
}

}  // namespace
}  // namespace mosaicer
