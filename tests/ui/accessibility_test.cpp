// Every control of every window reads, through the accessibility interface a
// screen reader uses, as what the user reads beside it: a label tied to it,
// its own caption, or a name of its own, never the title of the group box
// around it or nothing at all.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QAccessibleInterface>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QSet>
#include <QTabBar>

#include <memory>

#include "app/main_window.h"
#include "child.h"
#include "ripper/ui/rip_frm.h"
#include "scripted_dialogs.h"
#include "support/temp_dir.h"

namespace mosaicer {
namespace {

using testing::Child;

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

  // The windows the main window made, and itself.
  QList<QWidget*> windows{&window};
  for (QWidget* w : window.findChildren<QWidget*>())
    if (w->isWindow()) windows << w;
  ASSERT_GE(windows.size(), 10);

  int checked = 0;
  for (QWidget* top : windows) {
    if (top->windowType() == Qt::Popup) continue;  // a drop-down list's own window
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
