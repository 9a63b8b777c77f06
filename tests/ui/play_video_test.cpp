// The player window's video export: the file in the box becomes a video
// beside it, or a refusal that names the file.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <cstdlib>
#include <filesystem>

#include "child.h"
#include "player/ui/cdg_display.h"
#include "player/ui/play_frm.h"
#include "scripted_dialogs.h"
#include "support/pack_stream.h"
#include "support/temp_dir.h"

namespace mosaicer {
namespace {

using testing::Child;

TEST(PlayVideo, ExportsTheFileInTheBoxOrSaysWhyNot) {
  ::setenv("MOSAICER_VIDEO_MODULE", MOSAICER_VIDEO_MODULE_PATH, 1);
  testing::TempDir dir;
  testing::ScriptedDialogs dialogs;
  TCdgDisplay display;
  TPlayFrm frm{dialogs, display};
  auto* path = Child<QLineEdit>(frm, "PathEdit");
  auto* video = Child<QPushButton>(frm, "VideoBtn");
  EXPECT_FALSE(video->isEnabled());  // nothing to export yet

  const std::string cdg = dir.Write("song.cdg", testing::CdgOf(testing::PresetStream(150)));
  path->setText(QString::fromStdString(cdg));
  ASSERT_TRUE(video->isEnabled());
  // A name without an extension becomes an MP4.
  dialogs.files.push_back(dir.File("song video"));
  QTest::mouseClick(video, Qt::LeftButton);
  const std::string made = dir.File("song video.mp4");
  ASSERT_TRUE(std::filesystem::exists(made)) << Child<QLabel>(frm, "StatusLbl")->text().toStdString();
  std::string head = testing::ReadFile(made).substr(4, 4);
  EXPECT_EQ(head, "ftyp");
  EXPECT_NE(Child<QLabel>(frm, "StatusLbl")->text().toStdString().find("song video.mp4"),
            std::string::npos);

  // A folder that is not there: the error names the file, nothing is made.
  dialogs.files.push_back(dir.File("gone/song.mkv"));
  QTest::mouseClick(video, Qt::LeftButton);
  ASSERT_EQ(dialogs.Errors().size(), 1u);
  EXPECT_NE(dialogs.Errors()[0].find("gone/song.mkv"), std::string::npos) << dialogs.Errors()[0];
  EXPECT_FALSE(std::filesystem::exists(dir.File("gone")));
}

}  // namespace
}  // namespace mosaicer
