#include "app/gen_setting_dlg.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "platform/file_util.h"
#include "modal.h"
#include "scripted_dialogs.h"
#include "support/temp_dir.h"

namespace mosaicer {
namespace {

using testing::RunModal;

TEST(GenSettingDlg, BrowsedFolderIsCreatedWithItsParentsOnOk) {
  testing::TempDir dir;
  testing::ScriptedDialogs dialogs;
  const std::string wanted = dir.File("a/b/Tlo");
  dialogs.folders.push_back(wanted);
  TGenSettingDlg dialog(dialogs);
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("一般設定"));
  std::string tloDir = "/old/Tlo";
  dialog.SetTarget(&tloDir);
  const int result = RunModal(dialog, [&] {
    EXPECT_EQ(dialog.TloPathEdit()->text(), QStringLiteral("/old/Tlo"));
    QTest::mouseClick(dialog.BrowseBtn(), Qt::LeftButton);
    EXPECT_EQ(dialog.TloPathEdit()->text().toStdString(), wanted);
    QTest::mouseClick(dialog.OkBtn(), Qt::LeftButton);
  });
  EXPECT_EQ(result, QDialog::Accepted);
  EXPECT_EQ(tloDir, wanted);
  EXPECT_TRUE(FolderExists(wanted));
  EXPECT_EQ(dialogs.titles.back(), TGenSettingDlg::kBrowseTitle);
  EXPECT_EQ(dialog.Target(), nullptr);  // forgotten on close
}

TEST(GenSettingDlg, FolderThatCannotBeMadeKeepsTheOldValue) {
  testing::TempDir dir;
  testing::ScriptedDialogs dialogs;
  TGenSettingDlg dialog(dialogs);
  const std::string file = dir.Write("plain", "x");
  std::string tloDir = "/old/Tlo";
  dialog.SetTarget(&tloDir);
  EXPECT_EQ(RunModal(dialog,
                     [&] {
                       dialog.TloPathEdit()->setText(QString::fromStdString(file + "/Tlo"));
                       QTest::mouseClick(dialog.OkBtn(), Qt::LeftButton);
                     }),
            QDialog::Accepted);
  EXPECT_EQ(tloDir, "/old/Tlo");
  EXPECT_TRUE(dialogs.Errors().empty());  // no message for that

  dialog.SetTarget(&tloDir);
  RunModal(dialog, [&] {
    dialog.TloPathEdit()->clear();
    QTest::mouseClick(dialog.OkBtn(), Qt::LeftButton);
  });
  EXPECT_EQ(tloDir, "/old/Tlo");
  EXPECT_EQ(dialogs.Errors().size(), 1u);  // an empty name is an error

  dialog.SetTarget(&tloDir);
  dialogs.folders.push_back(std::nullopt);  // browsing cancelled
  EXPECT_EQ(RunModal(dialog,
                     [&] {
                       QTest::mouseClick(dialog.BrowseBtn(), Qt::LeftButton);
                       QTest::mouseClick(dialog.CancelBtn(), Qt::LeftButton);
                     }),
            QDialog::Rejected);
  EXPECT_EQ(tloDir, "/old/Tlo");
}

TEST(GenSettingDlg, PositionIsKeptInTheSettings) {
  testing::ScriptedDialogs dialogs;
  TGenSettingDlg dialog(dialogs);
  IniFile ini("[GenSettingDlg]\nTop=210\nLeft=320\n");
  dialog.ReadSettings(ini);
  IniFile out;
  dialog.WriteSettings(out);
  EXPECT_EQ(out.ReadInteger("GenSettingDlg", "Left", 0), 320);
  EXPECT_EQ(out.ReadInteger("GenSettingDlg", "Top", 0), 210);
}

}  // namespace
}  // namespace mosaicer
