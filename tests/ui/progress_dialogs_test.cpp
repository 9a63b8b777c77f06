#include "app/progress_dialogs.h"
#include "child.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <thread>

namespace mosaicer {
namespace {

using testing::Child;

// Runs queued calls until `done` holds or a generous time has passed.
template <typename Done>
bool ProcessUntil(Done done) {
  for (int i = 0; i < 500 && !done(); ++i) QTest::qWait(10);
  return done();
}

TEST(ProgressDlg, StepsFromAWorkerThreadMoveTheBarAndTheEndCodeClosesIt) {
  TJobOwner owner;
  TProgressDlg dialog(owner);
  dialog.show();
  EXPECT_EQ(Child<QLabel>(dialog, "TimeLbl")->text(), QStringLiteral("00:00"));

  std::thread worker([&] {
    owner.Report(kProgressSteps, 770);
    for (int i = 0; i < 769; ++i) owner.Report(kProgressStep);
  });
  worker.join();
  ASSERT_TRUE(
      ProcessUntil([&] { return Child<QProgressBar>(dialog, "ProgressBar")->value() == 770; }));
  EXPECT_EQ(Child<QProgressBar>(dialog, "ProgressBar")->maximum(), 771);
  owner.Report(kProgressStep);
  ASSERT_TRUE(
      ProcessUntil([&] { return Child<QProgressBar>(dialog, "ProgressBar")->value() == 771; }));
  owner.Report(kProgressDone);
  ASSERT_TRUE(ProcessUntil([&] { return !dialog.isVisible(); }));
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
  ASSERT_TRUE(ProcessUntil([&] { return !dialog.isVisible(); }));
}

}  // namespace
}  // namespace mosaicer
