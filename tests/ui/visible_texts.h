// Every text a window shows its user: the title, each control's caption,
// group titles, tab names, list entries, menu entries, tooltips and the names
// a screen reader reads. One line per text: "window / control / kind: text",
// sorted, so two walks compare line by line. Field contents (paths and
// other user data) are not texts of the window and are left out.
#pragma once

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStringList>
#include <QTabBar>
#include <QTableWidget>
#include <QWidget>

#include "child.h"

namespace mosaicer::testing {

struct VisibleText {
  QString window, control, kind, text;
  QString Line() const {
    QString shown = text;
    shown.replace('\\', "\\\\").replace('\n', "\\n");
    return window + " / " + control + " / " + kind + ": " + shown;
  }
};

inline void AddText(QList<VisibleText>& out, const QWidget& top, const QObject& control,
                    const QString& kind, const QString& text) {
  if (text.trimmed().isEmpty()) return;
  const QString name =
      control.objectName().isEmpty() ? QString(control.metaObject()->className()) : control.objectName();
  out << VisibleText{top.objectName(), name, kind, text};
}

inline void AddMenu(QList<VisibleText>& out, const QWidget& top, const QList<QAction*>& actions) {
  for (const QAction* action : actions) {
    if (action->isSeparator()) continue;
    AddText(out, top, *action, "menu", action->text());
    AddText(out, top, *action, "menu tooltip",
            action->toolTip() == QString(action->text()).remove('&') ? QString() : action->toolTip());
    if (action->menu()) AddMenu(out, top, action->menu()->actions());
  }
}

// The texts of `top` and of the controls that lie in it (not in the windows
// it owns).
inline QList<VisibleText> TextsOf(const QWidget& top) {
  QList<VisibleText> out;
  AddText(out, top, top, "title", top.windowTitle());
  AddText(out, top, top, "tooltip", top.toolTip());
  if (const auto* main = qobject_cast<const QMainWindow*>(&top); main && main->menuWidget())
    AddMenu(out, top, main->menuBar()->actions());
  for (const QAction* action : top.actions()) AddText(out, top, *action, "action", action->text());
  for (const QWidget* w : top.findChildren<QWidget*>()) {
    if (!InWindow(*w, top) || w->isWindow()) continue;
    // The edit inside a spin box or a combo box belongs to it.
    if (w->objectName().startsWith("qt_")) continue;
    AddText(out, top, *w, "tooltip", w->toolTip());
    AddText(out, top, *w, "name", w->accessibleName());
    AddText(out, top, *w, "description", w->accessibleDescription());
    if (const auto* button = qobject_cast<const QAbstractButton*>(w)) {
      AddText(out, top, *w, "caption", button->text());
    } else if (const auto* label = qobject_cast<const QLabel*>(w)) {
      AddText(out, top, *w, "label", label->text());
    } else if (const auto* group = qobject_cast<const QGroupBox*>(w)) {
      AddText(out, top, *w, "group", group->title());
    } else if (const auto* tabs = qobject_cast<const QTabBar*>(w)) {
      for (int i = 0; i < tabs->count(); ++i) {
        AddText(out, top, *w, "tab", tabs->tabText(i));
        AddText(out, top, *w, "tab tooltip", tabs->tabToolTip(i));
      }
    } else if (const auto* combo = qobject_cast<const QComboBox*>(w)) {
      for (int i = 0; i < combo->count(); ++i) AddText(out, top, *w, "entry", combo->itemText(i));
    } else if (const auto* edit = qobject_cast<const QLineEdit*>(w)) {
      AddText(out, top, *w, "placeholder", edit->placeholderText());
    } else if (const auto* table = qobject_cast<const QTableWidget*>(w)) {
      for (int i = 0; i < table->columnCount(); ++i)
        if (const QTableWidgetItem* item = table->horizontalHeaderItem(i))
          AddText(out, top, *w, "column", item->text());
    }
    // Menus are listed from the menu bar, with their entries.
    if (qobject_cast<const QMenuBar*>(w) || qobject_cast<const QMenu*>(w)) continue;
    for (const QAction* action : w->actions()) AddText(out, top, *action, "action", action->text());
  }
  return out;
}

// `main` and every window it owns, but for drop-down lists' own windows.
inline QList<QWidget*> WindowsOf(QWidget& main) {
  QList<QWidget*> windows{&main};
  for (QWidget* w : main.findChildren<QWidget*>())
    if (w->isWindow() && w->windowType() != Qt::Popup) windows << w;
  return windows;
}

// The texts of every window in `windows`, one sorted line each.
inline QStringList TextLines(const QList<QWidget*>& windows) {
  QStringList lines;
  for (const QWidget* top : windows)
    for (const VisibleText& text : TextsOf(*top)) lines << text.Line();
  lines.sort();
  lines.removeDuplicates();
  return lines;
}

}  // namespace mosaicer::testing
