// What the windows' tests share: the controls they reach, the strict
// dialogs, a temporary folder and the command line to compare with.
#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "child.h"
#include "cli/cli.h"
#include "scripted_dialogs.h"
#include "support/cli_run.h"
#include "support/temp_dir.h"

namespace mosaicer {
using testing::Child;
using testing::Cli;
using testing::ReadFile;
using testing::WhenShown;

// Shows `dialog` modally and runs `act` once its loop is running; returns
// the dialog's result. `act` must end the dialog (or make it end).
inline int RunModal(QDialog& dialog, const std::function<void()>& act) {
  QTimer::singleShot(0, &dialog, act);
  return dialog.exec();
}

// The error boxes shown so far: exactly one, naming `file`.
inline void ExpectOneErrorNaming(testing::ScriptedDialogs& dialogs, const std::string& file) {
  ASSERT_EQ(dialogs.Errors().size(), 1u);
  EXPECT_NE(dialogs.Errors()[0].find(file), std::string::npos) << dialogs.Errors()[0];
}
}  // namespace mosaicer
