// The windows speak the chosen language: under Japanese every text is the
// one the windows have always shown (tests/data/ui_texts_ja.txt, written
// once from the windows before they learnt English).
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QMenuBar>
#include <QPushButton>
#include <QStringList>
#include <QTabBar>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/gen_setting_dlg.h"
#include "app/main_window.h"
#include "effects/tlo_file.h"
#include "effects/ui/tlo_view_frm.h"
#include "platform/language.h"
#include "scripted_dialogs.h"
#include "support/temp_dir.h"
#include "visible_texts.h"
#include "support/language_scope.h"

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

using testing::LanguageScope;

bool HasJapanese(const QString& text) {
  for (const QChar c : text) {
    const char16_t u = c.unicode();
    if ((u >= 0x3000 && u <= 0x30FF) || (u >= 0x4E00 && u <= 0x9FFF) ||
        (u >= 0xFF00 && u <= 0xFFEF))
      return true;
  }
  return false;
}

// The letter after a single "&" (Alt+letter), lower-cased; none for "&&".
QChar AccessKey(const QString& text) {
  for (qsizetype i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != '&') continue;
    if (text[i + 1] == '&') {
      ++i;
      continue;
    }
    return text[i + 1].toLower();
  }
  return {};
}

// Access keys that two controls of `top` share, or two entries of one menu:
// neither of them acts on Alt+key. "window: key: first / second".
QStringList AccessKeyClashes(QWidget& top) {
  QStringList clashes;
  const auto check = [&clashes, &top](const QList<std::pair<QString, QString>>& named) {
    QMap<QChar, QString> owners;
    for (const auto& [owner, text] : named) {
      const QChar key = AccessKey(text);
      if (key.isNull()) continue;
      if (owners.contains(key))
        clashes << top.objectName() + ": " + key + ": " + owners[key] + " / " + owner;
      else
        owners[key] = owner;
    }
  };
  QList<std::pair<QString, QString>> controls;
  if (auto* main = qobject_cast<QMainWindow*>(&top)) {
    for (QAction* menu : main->menuBar()->actions()) {
      controls << std::pair{menu->text(), menu->text()};
      if (!menu->menu()) continue;
      QList<std::pair<QString, QString>> entries;
      for (QAction* entry : menu->menu()->actions())
        entries << std::pair{entry->objectName(), entry->text()};
      check(entries);
    }
  }
  for (QWidget* w : top.findChildren<QWidget*>()) {
    if (!testing::InWindow(*w, top) || w->isWindow() || !w->isVisibleTo(&top)) continue;
    if (auto* button = qobject_cast<QAbstractButton*>(w))
      controls << std::pair{w->objectName(), button->text()};
    if (auto* label = qobject_cast<QLabel*>(w); label && label->buddy())
      controls << std::pair{w->objectName(), label->text()};
    if (auto* group = qobject_cast<QGroupBox*>(w); group && group->isCheckable())
      controls << std::pair{w->objectName(), group->title()};
    if (auto* tabs = qobject_cast<QTabBar*>(w))
      for (int i = 0; i < tabs->count(); ++i)
        controls << std::pair{w->objectName(), tabs->tabText(i)};
  }
  check(controls);
  return clashes;
}

// Controls of `top` narrower than their texts need, at the window's minimum
// size: "window / control".
QStringList CutOffControls(QWidget& top) {
  top.resize(top.minimumSize().expandedTo(top.minimumSizeHint()).expandedTo(QSize(1, 1)));
  top.show();
  QApplication::processEvents();
  QStringList cut;
  for (QWidget* w : top.findChildren<QWidget*>()) {
    if (!testing::InWindow(*w, top) || w->isWindow() || !w->isVisible()) continue;
    const auto* button = qobject_cast<QAbstractButton*>(w);
    const auto* label = qobject_cast<QLabel*>(w);
    const bool texted = (button && !button->text().isEmpty()) ||
                        (label && !label->wordWrap() && !label->text().isEmpty());
    if (!texted || w->objectName().startsWith("qt_") || w->objectName().isEmpty()) continue;
    if (w->width() < w->minimumSizeHint().width())
      cut << top.objectName() + " / " + w->objectName() + " (" + QString::number(w->width()) +
                 " < " + QString::number(w->minimumSizeHint().width()) + ")";
  }
  top.hide();
  return cut;
}

// English windows: no Japanese left, no access key shared, no text cut off
// at the windows' minimum sizes.
TEST(UiLanguage, EnglishWindowsAreWhollyEnglishAndFit) {
  LanguageScope english(Language::English);
  testing::TempDir dir;
  testing::ScriptedDialogs dialogs;
  TMscMainFrm window(dialogs, AppPaths{dir.File("mosaicer.ini"), dir.File("Tlo")});
  const QStringList lines = testing::TextLines(WindowsOf(window));
  ASSERT_GT(lines.size(), 150);
  for (const QString& line : lines) EXPECT_FALSE(HasJapanese(line)) << line.toStdString();
  for (QWidget* top : WindowsOf(window)) {
    for (const QString& clash : AccessKeyClashes(*top)) ADD_FAILURE() << clash.toStdString();
    for (const QString& control : CutOffControls(*top)) ADD_FAILURE() << control.toStdString();
  }
}

// The language box: read from the settings file, taken on OK only, and
// written back for the next start.
TEST(UiLanguage, TheLanguageBoxTakesEffectOnOkOnly) {
  testing::ScriptedDialogs dialogs;
  TGenSettingDlg dialog(dialogs);
  QComboBox* LanguageCmb = testing::Child<QComboBox>(dialog, "LanguageCmb");
  dialog.ReadSettings(IniFile("[GenSettingDlg]\nLanguage=en\n"));
  dialog.show();
  EXPECT_EQ(LanguageCmb->currentIndex(), 1);
  LanguageCmb->setCurrentIndex(2);
  testing::Child<QPushButton>(dialog, "CancelBtn")->click();
  EXPECT_EQ(dialog.LanguageChoice(), Language::English);
  dialog.show();
  LanguageCmb->setCurrentIndex(0);
  testing::Child<QPushButton>(dialog, "OkBtn")->click();
  EXPECT_FALSE(dialog.LanguageChoice().has_value());  // the system's
  dialog.show();
  LanguageCmb->setCurrentIndex(2);
  testing::Child<QPushButton>(dialog, "OkBtn")->click();
  IniFile ini;
  dialog.WriteSettings(ini);
  EXPECT_EQ(TGenSettingDlg::LanguageChoice(ini), Language::Japanese);
}

std::string Effect(const std::string& titleJ, const std::string& titleE,
                   const std::string& commentE) {
  return "[Info]\r\nTloVersion=" + std::to_string(kTloVersion) + "\r\nTitleJ=" + titleJ +
         "\r\nCommentJ=説明\r\nTitleE=" + titleE + "\r\nCommentE=" + commentE +
         "\r\nNumTiles=1\r\n[0]\r\nCol=1\r\nRow=1\r\n";
}

TEST(UiLanguage, EffectsShowTheTextsOfTheWindowsLanguage) {
  testing::TempDir dir;
  std::filesystem::create_directories(dir.File("Tlo"));
  const std::string both = dir.Write("Tlo/both.tlo", Effect("渦巻き", "Spiral", "Turns inwards"));
  const std::string japaneseOnly = dir.Write("Tlo/japanese.tlo", Effect("渦巻き", "", ""));
  struct Case {
    Language language;
    std::string file;
    int page;  // 0 Japanese, 1 English
    const char* title;
    const char* comment;
  };
  const std::vector<Case> cases = {
      {Language::English, both, 1, "Spiral", "Turns inwards"},
      {Language::English, japaneseOnly, 0, "渦巻き", "説明"},
      {Language::Japanese, both, 0, "渦巻き", "説明"},
  };
  for (const Case& c : cases) {
    LanguageScope language(c.language);
    TTloViewFrm viewer;
    viewer.LoadEffect(c.file);
    EXPECT_EQ(testing::Child<QTabBar>(viewer, "InfoTab")->currentIndex(), c.page) << c.file;
    EXPECT_EQ(testing::Child<QLineEdit>(viewer, "TitleEdit")->text(), QString::fromUtf8(c.title));
    EXPECT_EQ(testing::Child<QLineEdit>(viewer, "CommentEdit")->text(),
              QString::fromUtf8(c.comment));
  }
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
