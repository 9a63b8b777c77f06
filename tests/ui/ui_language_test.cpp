// What the windows say. They speak the chosen language: under Japanese
// every text is the one the windows have always shown
// (tests/data/ui_texts_ja.txt, written once from the windows before they
// learnt English). And every control reads, through the accessibility
// interface a screen reader uses, as what the user reads beside it: a label
// tied to it, its own caption, or a name of its own, never the title of the
// group box around it or nothing at all.
#include "ui_test.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QAccessibleInterface>
#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QMap>
#include <QMenuBar>
#include <QSet>
#include <QTabBar>

#include <algorithm>

#include "app/application.h"
#include "app/gen_setting_dlg.h"
#include "app/main_window.h"
#include "effects/tlo_file.h"
#include "effects/ui/tlo_view_frm.h"
#include "ripper/ui/rip_frm.h"
#include "support/language_scope.h"
#include "visible_texts.h"

namespace mosaicer {
namespace {

const QString kJapaneseTable = QStringLiteral(MOSAICER_TEST_DATA "/ui_texts_ja.txt");

QStringList ReadLines(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
}

using testing::LanguageScope;
using testing::WindowsOf;

// Kana, kanji and full-width forms all lie at U+3000 and above.
bool HasJapanese(const QString& text) {
  return std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() >= 0x3000; });
}

// The letter after a single "&" (Alt+letter), lower-cased; none for "&&".
QChar AccessKey(const QString& text) {
  for (qsizetype i = 0; i + 1 < text.size(); ++i)
    if (text[i] == '&' && text[++i] != '&') return text[i].toLower();
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
  QComboBox* LanguageCmb = Child<QComboBox>(dialog, "LanguageCmb");
  dialog.ReadSettings(IniFile());  // a first start follows the system's language
  EXPECT_FALSE(dialog.LanguageChoice().has_value());
  dialog.ReadSettings(IniFile("[GenSettingDlg]\nLanguage=en\n"));
  dialog.show();
  EXPECT_EQ(LanguageCmb->currentIndex(), 1);
  LanguageCmb->setCurrentIndex(2);
  Child<QPushButton>(dialog, "CancelBtn")->click();
  EXPECT_EQ(dialog.LanguageChoice(), Language::English);
  dialog.show();
  LanguageCmb->setCurrentIndex(0);
  Child<QPushButton>(dialog, "OkBtn")->click();
  EXPECT_FALSE(dialog.LanguageChoice().has_value());  // the system's
  dialog.show();
  LanguageCmb->setCurrentIndex(2);
  Child<QPushButton>(dialog, "OkBtn")->click();
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
    const char *title, *comment;
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
    EXPECT_EQ(Child<QTabBar>(viewer, "InfoTab")->currentIndex(), c.page) << c.file;
    EXPECT_EQ(Child<QLineEdit>(viewer, "TitleEdit")->text(), QString::fromUtf8(c.title));
    EXPECT_EQ(Child<QLineEdit>(viewer, "CommentEdit")->text(), QString::fromUtf8(c.comment));
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

bool IsControl(const QWidget* w) {
  // Parts of a control (the edit of a spin box or combo box, the headers and
  // corner of a table) belong to that control.
  const QWidget* parent = w->parentWidget();
  if (qobject_cast<const QLineEdit*>(w) &&
      (qobject_cast<const QAbstractSpinBox*>(parent) || qobject_cast<const QComboBox*>(parent)))
    return false;
  if (qobject_cast<const QHeaderView*>(w) || w->inherits("QTableCornerButton")) return false;
  return qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QLineEdit*>(w) ||
         qobject_cast<const QComboBox*>(w) || qobject_cast<const QAbstractSpinBox*>(w) ||
         qobject_cast<const QAbstractItemView*>(w) || qobject_cast<const QTabBar*>(w);
}

QString NameOf(QWidget* w) {
  QAccessibleInterface* face = QAccessible::queryAccessibleInterface(w);
  return face ? face->text(QAccessible::Name).trimmed() : QString();
}

// A label whose buddy is the control, as a screen reader finds it.
bool LabelledByALabel(QWidget* w) {
  QAccessibleInterface* face = QAccessible::queryAccessibleInterface(w);
  if (!face) return false;
  for (const auto& [other, relation] : face->relations(QAccessible::Label))
    if (other && qobject_cast<QLabel*>(other->object())) return true;
  return false;
}

// Fields are named by a label of their own or a name given to them;
// buttons and tabs by their captions.
QString Problem(QWidget* w, const QSet<QString>& groupTitles) {
  const QString name = NameOf(w);
  const bool field = qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w) ||
                     qobject_cast<QAbstractSpinBox*>(w) || qobject_cast<QAbstractItemView*>(w);
  if (field && w->accessibleName().isEmpty() && !LabelledByALabel(w))
    return "has no label and no name (reads \"" + name + "\")";
  if (name.isEmpty()) return "has no name";
  if (groupTitles.contains(name)) return "reads as its group box: " + name;
  return {};
}

TEST(Accessibility, EveryControlOfEveryWindowHasItsOwnNames) {
  testing::TempDir dir;
  testing::ScriptedDialogs dialogs;
  TMscMainFrm window(dialogs, AppPaths{dir.File("mosaicer.ini"), dir.File("Tlo")});

  const QList<QWidget*> windows = testing::WindowsOf(window);
  ASSERT_GE(windows.size(), 10);

  int checked = 0;
  for (QWidget* top : windows) {
    QSet<QString> groupTitles, objectNames;
    for (const QGroupBox* group : top->findChildren<QGroupBox*>())
      groupTitles << group->title().trimmed();
    for (QWidget* w : top->findChildren<QWidget*>()) {
      if (w->window() != top || !IsControl(w)) continue;
      // Scroll bars of lists and tables are their own accessible objects.
      if (w->objectName().startsWith("qt_")) continue;
      ++checked;
      // Tests and tools find every control by its object name; the arrows of
      // an up-down are found within it.
      const bool part = qobject_cast<TUpDown*>(w->parentWidget()) != nullptr;
      EXPECT_FALSE(w->objectName().isEmpty())
          << top->objectName().toStdString() << ": a " << w->metaObject()->className()
          << " reading \"" << NameOf(w).toStdString() << "\" has no object name";
      EXPECT_TRUE(part || w->objectName().isEmpty() || !objectNames.contains(w->objectName()))
          << top->objectName().toStdString() << ": two controls named "
          << w->objectName().toStdString();
      objectNames << w->objectName();
      const QString problem = Problem(w, groupTitles);
      EXPECT_TRUE(problem.isEmpty())
          << top->objectName().toStdString() << " / " << w->objectName().toStdString() << " ("
          << w->metaObject()->className() << ") " << problem.toStdString();
    }
  }
  EXPECT_GT(checked, 60);
}

}  // namespace
}  // namespace mosaicer
