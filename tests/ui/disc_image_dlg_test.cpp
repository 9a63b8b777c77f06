#include "utility/ui/disc_image_dlg.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <filesystem>

#include "child.h"
#include "platform/language.h"
#include "ripper/clone_cd_image.h"
#include "scripted_dialogs.h"
#include "support/temp_dir.h"
#include "support/wave_file.h"

namespace mosaicer {
namespace {

using testing::Child;

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
