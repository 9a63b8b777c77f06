// The windows speak the chosen language: under Japanese every text is the
// one the windows have always shown (tests/data/ui_texts_ja.txt, written
// once from the windows before they learnt English).
#include <gtest/gtest.h>

#include <QFile>
#include <QStringList>

#include <memory>

#include "app/main_window.h"
#include "scripted_dialogs.h"
#include "support/temp_dir.h"
#include "visible_texts.h"

namespace mosaicer {
namespace {

const QString kJapaneseTable = QStringLiteral(MOSAICER_TEST_DATA "/ui_texts_ja.txt");

// The main window and every window it owns.
QList<QWidget*> WindowsOf(QWidget& main) {
  QList<QWidget*> windows{&main};
  for (QWidget* w : main.findChildren<QWidget*>())
    if (w->isWindow() && w->windowType() != Qt::Popup) windows << w;
  return windows;
}

QStringList ReadLines(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
}

TEST(UiLanguage, JapaneseWindowsShowTheirTextsUnchanged) {
  testing::TempDir dir;
  testing::ScriptedDialogs dialogs;
  TMscMainFrm window(dialogs, AppPaths{dir.File("mosaicer.ini"), dir.File("Tlo")});
  const QStringList lines = testing::TextLines(WindowsOf(window));
  ASSERT_GT(lines.size(), 150);

  // MOSAICER_WRITE_UI_TEXTS=1 writes the table anew (only when the Japanese
  // texts change on purpose).
  if (qEnvironmentVariableIsSet("MOSAICER_WRITE_UI_TEXTS")) {
    QFile out(kJapaneseTable);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    out.write((lines.join('\n') + '\n').toUtf8());
  }
  const QStringList expected = ReadLines(kJapaneseTable);
  ASSERT_FALSE(expected.isEmpty()) << "no table at " << kJapaneseTable.toStdString();
  for (const QString& line : expected)
    EXPECT_TRUE(lines.contains(line)) << "no longer shown: " << line.toStdString();
  for (const QString& line : lines)
    EXPECT_TRUE(expected.contains(line)) << "not shown before: " << line.toStdString();
}

}  // namespace
}  // namespace mosaicer
