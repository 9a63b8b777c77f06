#include "app/about_box.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "child.h"
#include "modal.h"
#include "scripted_dialogs.h"
#include "support/cli_run.h"

namespace mosaicer {
namespace {

using testing::Child;

TEST(AboutBox, ShowsTheVersionAndOpensItsWebPage) {
  testing::ScriptedDialogs dialogs;
  TAboutBox box(dialogs);
  // The version the command line prints, from the one place both take it.
  const testing::CliResult cli = testing::Cli({"--version"});
  EXPECT_EQ(cli.out, "mosaicer " MOSAICER_VERSION "\n");
  EXPECT_EQ(Child<QLabel>(box, "Version")->text(), QStringLiteral("Version " MOSAICER_VERSION));
  const int result = testing::RunModal(box, [&] {
    QTest::mouseClick(Child<QPushButton>(box, "WebSiteBtn"), Qt::LeftButton);
    EXPECT_TRUE(box.isVisible());  // the page opens beside the box
    QTest::mouseClick(Child<QPushButton>(box, "OKButton"), Qt::LeftButton);
  });
  EXPECT_EQ(result, QDialog::Accepted);
  EXPECT_EQ(dialogs.urls, std::vector<std::string>{"https://github.com/mosaicer-cdg/mosaicer"});
}

}  // namespace
}  // namespace mosaicer
