// The windows under a real window manager: run by scripts/wm_test.sh on a
// virtual screen with openbox, where the offscreen platform of the window
// tests cannot tell whether the display stays in front, whether a
// double-click really maximises it, or whether the main window fits a small
// screen at a large scale. Mouse and keys come from xdotool, as a user's
// would, and the stacking order from the window manager's own list.
// Screenshots go to $MOSAICER_WM_SHOTS (default: the current folder).
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <functional>
#include <string>

#include "app/main_window.h"
#include "platform/file_util.h"
#include "player/ui/cdg_display.h"
#include "player/ui/play_frm.h"
#include "support/temp_dir.h"
#include "ui/child.h"
#include "ui/scripted_dialogs.h"

namespace mosaicer {
namespace {

using testing::Child;

constexpr int kWait = 5000;  // milliseconds a window manager may take

QString Output(const QString& program, const QStringList& args) {
  QProcess process;
  process.start(program, args);
  process.waitForFinished(kWait);
  return QString::fromLocal8Bit(process.readAllStandardOutput());
}

void Xdotool(const QStringList& args) { Output("xdotool", args); }

// Client windows bottom to top, as the window manager stacks them.
QList<WId> Stacking() {
  const QString out = Output("xprop", {"-root", "_NET_CLIENT_LIST_STACKING"});
  QList<WId> ids;
  const int hash = out.indexOf('#');
  if (hash < 0) return ids;
  for (const QString& part : out.mid(hash + 1).split(',', Qt::SkipEmptyParts))
    ids << part.trimmed().toULong(nullptr, 16);
  return ids;
}

// True when `upper` is stacked above `lower`.
bool Above(const QWidget& upper, const QWidget& lower) {
  const QList<WId> ids = Stacking();
  const qsizetype u = ids.indexOf(upper.winId());
  const qsizetype l = ids.indexOf(lower.winId());
  return u >= 0 && l >= 0 && u > l;
}

void Shot(const char* name) {
  QCoreApplication::processEvents();
  QTest::qWait(300);
  const QString folder = qEnvironmentVariableIsEmpty("MOSAICER_WM_SHOTS")
                             ? QDir::currentPath()
                             : qEnvironmentVariable("MOSAICER_WM_SHOTS");
  QGuiApplication::primaryScreen()->grabWindow(0).save(folder + "/" + name + ".png");
}

void ClickAt(QPoint global, int clicks = 1) {
  Xdotool({"mousemove", QString::number(global.x()), QString::number(global.y())});
  QTest::qWait(100);
  Xdotool({"click", "--repeat", QString::number(clicks), "--delay", "80", "1"});
}

class WindowManagerTest : public ::testing::Test {
 protected:
  testing::TempDir dir;
  testing::ScriptedDialogs dialogs;
  std::unique_ptr<TMscMainFrm> window =
      std::make_unique<TMscMainFrm>(dialogs, AppPaths{dir.File("mosaicer.ini"), dir.File("Tlo")});

  // Opens the player from the tools menu as a user does and runs `act`
  // once it and its display are on the screen.
  void WithPlayer(const std::function<void()>& act) {
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    QTimer::singleShot(0, window.get(), [&] {
      TPlayFrm& player = *Child<TPlayFrm>(window, "PlayFrm");
      TCdgDisplay& display = *Child<TCdgDisplay>(window, "CdgDisplay");
      if (QTest::qWaitForWindowExposed(&player) && QTest::qWaitForWindowExposed(&display)) {
        QTest::qWait(500);  // the window manager places and stacks them
        act();
      } else {
        ADD_FAILURE() << "the player or its display did not appear";
      }
      if (player.isVisible()) player.reject();
    });
    Child<QAction>(window, "ToolsPlay")->trigger();
  }
};

TEST_F(WindowManagerTest, TheDisplayComesToTheFrontAndStaysAboveThePlayer) {
  WithPlayer([&] {
    TPlayFrm& player = *Child<TPlayFrm>(window, "PlayFrm");
    TCdgDisplay& display = *Child<TCdgDisplay>(window, "CdgDisplay");
    if (qEnvironmentVariableIsSet("MOSAICER_WM_DEBUG")) {
      fprintf(stderr, "display %llx player %llx main %llx\n%s\n", display.winId(), player.winId(),
              window->winId(), qPrintable(Output("xprop", {"-root", "_NET_CLIENT_LIST_STACKING"})));
      fprintf(stderr, "%s\n",
              qPrintable(Output("xprop", {"-id", QString::number(display.winId())})));
    }
    EXPECT_TRUE(Above(display, *window)) << "the display opened behind the main window";
    EXPECT_TRUE(Above(display, player));
    Shot("wm-1-display-shown");
    // A click on the player's free area, away from any control.
    const QWidget* group = player.findChild<QWidget*>("GroupBox1");
    ClickAt(group->mapToGlobal(QPoint(group->width() - 10, group->height() / 2)));
    QTest::qWait(500);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Above(display, player); }, kWait))
        << "the display sank below the player";
    Shot("wm-2-after-clicking-the-player");
  });
}

TEST_F(WindowManagerTest, DoubleClickMaximisesTheDisplayAndRestoresIt) {
  WithPlayer([&] {
    TCdgDisplay& display = *Child<TCdgDisplay>(window, "CdgDisplay");
    ASSERT_TRUE(display.Sizeable());
    const QRect before = display.geometry();
    ClickAt(display.mapToGlobal(display.rect().center()), 2);
    EXPECT_TRUE(QTest::qWaitFor([&] { return display.isMaximized(); }, kWait));
    if (qEnvironmentVariableIsSet("MOSAICER_WM_DEBUG"))
      fprintf(stderr, "state %d\n%s\n", int(display.windowState()),
              qPrintable(Output("xprop", {"-id", QString::number(display.winId()), "_NET_WM_STATE",
                                          "WM_TRANSIENT_FOR", "_NET_WM_WINDOW_TYPE"})));
    const QRect screen = display.screen()->availableGeometry();
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return display.frameGeometry().size() == screen.size(); }, kWait))
        << "maximised to " << display.frameGeometry().width() << "x"
        << display.frameGeometry().height();
    Shot("wm-3-display-maximised");
    ClickAt(display.mapToGlobal(display.rect().center()), 2);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !display.isMaximized(); }, kWait));
    EXPECT_TRUE(QTest::qWaitFor([&] { return display.geometry() == before; }, kWait))
        << "restored to " << display.geometry().x() << "," << display.geometry().y() << " "
        << display.width() << "x" << display.height();
    Shot("wm-4-display-restored");
  });
}

TEST_F(WindowManagerTest, ThePlayersKeysWorkFromTheDisplay) {
  const std::string shots = dir.File("snapshots");
  WithPlayer([&] {
    TPlayFrm& player = *Child<TPlayFrm>(window, "PlayFrm");
    TCdgDisplay& display = *Child<TCdgDisplay>(window, "CdgDisplay");
    Child<QLineEdit>(player, "BmpPathEdit")->setText(QString::fromStdString(shots));
    Child<QLineEdit>(player, "PathEdit")->setText(QStringLiteral("/songs/song.cdg"));
    ClickAt(display.mapToGlobal(display.rect().center()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return display.isActiveWindow(); }, kWait))
        << "clicking the display did not activate it";
    Xdotool({"key", "F10"});
    EXPECT_TRUE(QTest::qWaitFor([&] { return FileExists(shots + "/song000.bmp"); }, kWait));
    Xdotool({"key", "ctrl+F10"});
    EXPECT_TRUE(QTest::qWaitFor([&] { return FileExists(shots + "/song001.bmp"); }, kWait));
    Shot("wm-5-snapshot-from-the-display");
    Xdotool({"key", "F9"});
    EXPECT_TRUE(QTest::qWaitFor([&] { return !display.isVisible(); }, kWait));
    Xdotool({"key", "F9"});  // the player has the focus now
    EXPECT_TRUE(QTest::qWaitFor([&] { return display.isVisible(); }, kWait));
    ClickAt(display.mapToGlobal(display.rect().center()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return display.isActiveWindow(); }, kWait));
    Xdotool({"key", "Escape"});
    EXPECT_TRUE(QTest::qWaitFor([&] { return !player.isVisible(); }, kWait))
        << "Escape on the display did not close the player";
  });
  EXPECT_TRUE(dialogs.Errors().empty());
}

// Run with QT_SCALE_FACTOR=1.5 on a 1024 x 768 screen: 683 x 512 to fit in.
TEST_F(WindowManagerTest, TheMainWindowFitsTheScreenAndItsButtonsCanBeReached) {
  window->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  QTest::qWait(500);
  const QRect screen = window->screen()->availableGeometry();
  EXPECT_LE(window->minimumHeight(), screen.height());
  EXPECT_TRUE(screen.contains(window->frameGeometry()))
      << "window " << window->frameGeometry().width() << "x" << window->frameGeometry().height()
      << " on " << screen.width() << "x" << screen.height();
  // Scrolled to, the Create button is inside the window.
  auto* scroll = window->findChild<QScrollArea*>("BodyScroll");
  ASSERT_NE(scroll, nullptr);
  scroll->ensureWidgetVisible(Child<QPushButton>(window, "MakeBtn"));
  QCoreApplication::processEvents();
  const QRect button(Child<QPushButton>(window, "MakeBtn")->mapTo(window.get(), QPoint(0, 0)),
                     Child<QPushButton>(window, "MakeBtn")->size());
  EXPECT_TRUE(window->rect().contains(button));
  Shot("wm-6-main-window-small-screen");
}

}  // namespace
}  // namespace mosaicer

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Mosaicer");
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
