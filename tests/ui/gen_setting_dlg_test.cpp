#include "app/gen_setting_dlg.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "child.h"
#include "modal.h"
#include "platform/file_util.h"
#include "scripted_dialogs.h"
#include "support/temp_dir.h"

namespace mosaicer {
namespace {

using testing::Child;

using testing::RunModal;

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
  dialog.SetTarget(&tloDir);
  EXPECT_EQ(
      RunModal(
          dialog,
          [&] {
            Child<QLineEdit>(dialog, "TloPathEdit")->setText(QString::fromStdString(file + "/Tlo"));
            QTest::mouseClick(Child<QPushButton>(dialog, "OkBtn"), Qt::LeftButton);
          }),
      QDialog::Accepted);
  EXPECT_EQ(tloDir, "/old/Tlo");
  EXPECT_TRUE(dialogs.Errors().empty());  // no message for that

  dialog.SetTarget(&tloDir);
  RunModal(dialog, [&] {
    Child<QLineEdit>(dialog, "TloPathEdit")->clear();
    QTest::mouseClick(Child<QPushButton>(dialog, "OkBtn"), Qt::LeftButton);
  });
  EXPECT_EQ(tloDir, "/old/Tlo");
  EXPECT_EQ(dialogs.Errors().size(), 1u);  // an empty name is an error
}

}  // namespace
}  // namespace mosaicer
