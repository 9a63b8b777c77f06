#include "effects/ui/tlo_frm.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabBar>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <cstdlib>
#include <filesystem>

#include "child.h"
#include "core/subcode_pack.h"
#include "effects/tile_order.h"
#include "effects/tlo_file.h"
#include "effects/ui/tlo_view_frm.h"
#include "platform/file_util.h"
#include "screen_tiles.h"
#include "scripted_dialogs.h"
#include "support/temp_dir.h"

namespace mosaicer {
namespace {

using testing::Child;

// Also keeps where the file dialogs start and what they offer.
class RecordingDialogs : public testing::ScriptedDialogs {
 public:
  std::vector<std::string> startFolders, filters, extensions;

  std::optional<std::string> OpenFile(QWidget* parent, const std::string& title,
                                      const std::string& folder,
                                      const std::string& filter) override {
    startFolders.push_back(folder);
    filters.push_back(filter);
    return ScriptedDialogs::OpenFile(parent, title, folder, filter);
  }
  std::optional<std::string> SaveFile(QWidget* parent, const std::string& title,
                                      const std::string& folder, const std::string& filter,
                                      const std::string& extension) override {
    startFolders.push_back(folder);
    filters.push_back(filter);
    extensions.push_back(extension);
    return ScriptedDialogs::SaveFile(parent, title, folder, filter, extension);
  }
};

struct Editor {
  RecordingDialogs dialogs;
  TTloViewFrm viewer;
  TTloFrm frm{dialogs, viewer};
  // The window's controls, by their names.
  QLineEdit* AuthorEdit = Child<QLineEdit>(frm, "AuthorEdit");
  QPushButton* ClearBtn = Child<QPushButton>(frm, "ClearBtn");
  QLineEdit* CommentEdit = Child<QLineEdit>(frm, "CommentEdit");
  QTabBar* InfoTab = Child<QTabBar>(frm, "InfoTab");
  QPushButton* ModeBtn = Child<QPushButton>(frm, "ModeBtn");
  QPushButton* OpenBtn = Child<QPushButton>(frm, "OpenBtn");
  QPushButton* SaveBtn = Child<QPushButton>(frm, "SaveBtn");
  QPushButton* TestBtn = Child<QPushButton>(frm, "TestBtn");
  QTableWidget* TileGrid = Child<QTableWidget>(frm, "TileGrid");
  QLineEdit* TitleEdit = Child<QLineEdit>(frm, "TitleEdit");

  QTableWidgetItem* Cell(int col, int row) const { return TileGrid->item(row + 1, col + 1); }
  void Type(int col, int row, const QString& text) { Cell(col, row)->setText(text); }
  QString Text(int col, int row) const { return Cell(col, row)->text(); }
  void Press(int col, int row) {
    QTableWidget* grid = TileGrid;
    grid->scrollToItem(Cell(col, row));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                      grid->visualItemRect(Cell(col, row)).center());
  }
};

// Points the system's temporary folder elsewhere for one test.
class TempFolderOverride {
 public:
  explicit TempFolderOverride(const std::filesystem::path& folder) {
    if (const char* old = std::getenv("TMPDIR")) old_ = old;
    setenv("TMPDIR", folder.c_str(), 1);
  }
  ~TempFolderOverride() {
    if (old_.empty())
      unsetenv("TMPDIR");
    else
      setenv("TMPDIR", old_.c_str(), 1);
  }

 private:
  std::string old_;
};

std::vector<std::string> FilesIn(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  return names;
}

using testing::Filled;
using testing::Tile;

TEST(TloFrm, GridHoldsTheTilesUnderTheirNumbers) {
  Editor e;
  QTableWidget* grid = e.TileGrid;
  EXPECT_EQ(grid->item(0, 50)->text(), QStringLiteral("49"));
  EXPECT_EQ(grid->item(18, 0)->text(), QStringLiteral("17"));
  EXPECT_EQ(grid->columnCount(), 51);
  EXPECT_EQ(grid->rowCount(), 19);
  EXPECT_FALSE(grid->item(0, 5)->flags() & Qt::ItemIsEditable);
  EXPECT_TRUE(e.Cell(4, 0)->flags() & Qt::ItemIsEditable);
}

TEST(TloFrm, CellEditorDropsANumberPast900AndCommandsTakeWhatIsTyped) {
  Editor e;
  // Typed into the cell editor, 901 is gone at its last key; what is typed
  // is taken even when a command starts before the editor closes.
  e.frm.show();
  e.TileGrid->setCurrentItem(e.Cell(0, 0));
  e.TileGrid->editItem(e.Cell(0, 0));
  auto* editor = e.TileGrid->viewport()->findChild<QLineEdit*>();
  ASSERT_NE(editor, nullptr);
  QTest::keyClicks(editor, "90");
  EXPECT_EQ(editor->text(), QStringLiteral("90"));
  QTest::keyClicks(editor, "1");
  EXPECT_EQ(editor->text(), QString());
  QTest::keyClicks(editor, "12");
  e.SaveBtn->click();  // as its shortcut would: no title, refused
  EXPECT_EQ(e.dialogs.Errors(), std::vector<std::string>{kTitleMissingMessage});
  EXPECT_EQ(e.dialogs.beeps, 1);
  EXPECT_EQ(e.Text(0, 0), QStringLiteral("12"));
  EXPECT_EQ(e.frm.Grid().Cell(0, 0), 12);
}

TEST(TloFrm, SaveAndTouchModeReportGapsAndDuplicates) {
  Editor e;
  e.TitleEdit->setText("題");
  e.Type(0, 0, "1");
  e.Type(1, 0, "2");
  e.Type(2, 0, "4");
  QTest::mouseClick(e.SaveBtn, Qt::LeftButton);
  EXPECT_EQ(e.dialogs.Errors().back(), "3番が抜けています。");
  EXPECT_EQ(e.dialogs.beeps, 1);

  e.Type(0, 0, "");
  e.Type(1, 0, "");
  e.Type(2, 0, "");
  e.Type(0, 0, "5");
  e.Type(3, 2, "5");
  QTest::mouseClick(e.SaveBtn, Qt::LeftButton);
  EXPECT_EQ(e.dialogs.Errors().back(), "5番が(3,2)と(0,0)に重複しています。");
  QTest::mouseClick(e.ModeBtn, Qt::LeftButton);
  EXPECT_EQ(e.dialogs.Errors().back(), "5番が(4,3)と(1,1)に重複しています。");
  EXPECT_EQ(e.dialogs.beeps, 3);
  EXPECT_FALSE(e.ModeBtn->isChecked());
  EXPECT_FALSE(e.frm.Grid().TouchMode());
  EXPECT_NE(e.TileGrid->editTriggers(), QAbstractItemView::NoEditTriggers);

  // An empty grid: nothing said, nothing asked.
  e.dialogs.saveAnswers = {SaveAnswer::Discard};  // the numbers typed above go
  QTest::mouseClick(e.ClearBtn, Qt::LeftButton);
  e.TitleEdit->setText("題");
  QTest::mouseClick(e.SaveBtn, Qt::LeftButton);
  EXPECT_EQ(e.dialogs.Errors().size(), 3u);
  EXPECT_EQ(e.dialogs.beeps, 3);
}

TEST(TloFrm, EnglishTitleAloneSavesIntoTheChosenFile) {
  testing::TempDir dir;
  Editor e;
  e.frm.SetTloDir(dir.path().string());
  e.InfoTab->setCurrentIndex(1);
  e.TitleEdit->setText("Sunset");
  e.AuthorEdit->setText("Yamada");
  e.CommentEdit->setText("left to right");
  e.Type(49, 17, "1");
  e.Type(0, 0, "2");
  e.Type(3, 5, "3");

  e.dialogs.files.push_back(std::nullopt);  // cancelled: nothing written
  QTest::mouseClick(e.SaveBtn, Qt::LeftButton);
  const std::string file = dir.File("sunset.tlo");
  e.dialogs.files.push_back(file);
  QTest::mouseClick(e.SaveBtn, Qt::LeftButton);
  EXPECT_EQ(FilesIn(dir.path()), std::vector<std::string>{"sunset.tlo"});
  EXPECT_TRUE(e.dialogs.Errors().empty());
  EXPECT_EQ(e.dialogs.startFolders.back(), dir.path().string());
  EXPECT_EQ(e.dialogs.filters.back(), "TLO Files (*.tlo)|*.tlo|All Files|*.*");
  EXPECT_EQ(e.dialogs.extensions.back(), ".tlo");

  const TTloFile header(file);
  ASSERT_TRUE(header.Valid);
  EXPECT_EQ(header.TitleJ, "");
  EXPECT_EQ(header.TitleE, "Sunset");
  EXPECT_EQ(header.AuthorE, "Yamada");
  EXPECT_EQ(header.CommentE, "left to right");
  EXPECT_EQ(ReadTileOrder(file), (TileOrder{{49, 17}, {0, 0}, {3, 5}}));
}

TEST(TloFrm, AReadOnlySharedFolderSendsTheSaveToTheUsersOwnFolder) {
  testing::TempDir dir;
  const std::filesystem::path shared = dir.path() / "share";
  const std::filesystem::path own = dir.path() / "home" / "Tlo";  // not there yet
  std::filesystem::create_directories(shared);
  std::filesystem::permissions(shared, std::filesystem::perms::owner_read |
                                           std::filesystem::perms::owner_exec);
  Editor e;
  e.frm.SetTloDir(shared.string());
  e.frm.SetOwnTloDir(own.string());
  e.TitleEdit->setText("夕焼け");
  e.Type(0, 0, "1");
  e.dialogs.files.push_back((own / "sunset.tlo").string());
  QTest::mouseClick(e.SaveBtn, Qt::LeftButton);
  EXPECT_TRUE(e.dialogs.Errors().empty());
  EXPECT_EQ(e.dialogs.startFolders.back(), own.string());
  EXPECT_EQ(FilesIn(own), std::vector<std::string>{"sunset.tlo"});
  EXPECT_EQ(e.frm.TloDir(), own.string());  // the saved effect's folder from now on

  std::filesystem::permissions(shared, std::filesystem::perms::owner_all);
}

TEST(TloFrm, TestPlaysAnUntitledEffectFromATemporaryFileThenDeletesIt) {
  testing::TempDir dir;
  const TempFolderOverride temp(dir.path());
  Editor e;
  e.Type(0, 0, "1");
  // Left over from an earlier showing: white on white.
  Bitmap white = *Bitmap::Create(kScreenWidth, kScreenHeight, 24).bitmap;
  e.viewer.SetTestPicture(&white, 0x00FFFFFF);

  bool shown = false;
  QTimer::singleShot(0, &e.viewer, [&] {
    shown = e.viewer.isVisible();
    const auto files = FilesIn(dir.path());
    EXPECT_EQ(files.size(), 1u);
    for (const std::string& name : files) EXPECT_EQ(name.rfind("tlo", 0), 0u) << name;
    EXPECT_EQ(Tile(e.viewer.Screen(), 0, 0), Filled(qRgb(0, 0, 0)));  // cleared to black
    QTest::mouseClick(Child<QPushButton>(e.viewer, "TestBtn"), Qt::LeftButton);
    EXPECT_EQ(Tile(e.viewer.Screen(), 0, 0), Filled(qRgb(0, 0, 255)));  // no picture: blue
    EXPECT_EQ(Tile(e.viewer.Screen(), 1, 0), Filled(qRgb(0, 0, 0)));
    QTest::mouseClick(Child<QPushButton>(e.viewer, "CloseBtn"), Qt::LeftButton);
  });
  QTest::mouseClick(e.TestBtn, Qt::LeftButton);
  EXPECT_TRUE(shown);
  EXPECT_TRUE(e.dialogs.Errors().empty());  // no title needed
  EXPECT_TRUE(FilesIn(dir.path()).empty());
}

TEST(TloFrm, RefusedTestShowsNoViewerAndLeavesNoFile) {
  testing::TempDir dir;
  const TempFolderOverride temp(dir.path());
  Editor e;
  e.Type(0, 0, "2");
  // Should the viewer open after all, close it so the test fails, not hangs.
  QTimer::singleShot(0, &e.viewer, [&] {
    if (e.viewer.isVisible()) {
      ADD_FAILURE() << "the viewer was shown";
      Child<QPushButton>(e.viewer, "CloseBtn")->click();
    }
  });
  QTest::mouseClick(e.TestBtn, Qt::LeftButton);
  QCoreApplication::processEvents();
  EXPECT_EQ(e.dialogs.Errors(), std::vector<std::string>{"1番が抜けています。"});
  EXPECT_EQ(e.dialogs.beeps, 1);
  EXPECT_TRUE(FilesIn(dir.path()).empty());
}

TEST(TloFrm, TouchModeNumbersClickedTilesAndTakesBackTheLast) {
  Editor e;
  for (int n = 1; n <= 12; ++n) e.Type(n - 1, 0, QString::number(n));
  e.frm.show();
  QTest::mouseClick(e.ModeBtn, Qt::LeftButton);
  ASSERT_TRUE(e.ModeBtn->isChecked());
  EXPECT_EQ(e.TileGrid->editTriggers(), QAbstractItemView::NoEditTriggers);
  EXPECT_EQ(e.frm.Grid().TouchCounter(), 12);

  e.Press(2, 3);
  EXPECT_EQ(e.Text(2, 3), QStringLiteral("13"));
  e.Press(2, 3);
  EXPECT_EQ(e.Text(2, 3), QString());
  EXPECT_EQ(e.frm.Grid().TouchCounter(), 12);
  e.Press(4, 0);
  EXPECT_EQ(e.Text(4, 0), QStringLiteral("5"));
  EXPECT_EQ(e.frm.Grid().TouchCounter(), 12);
  e.Press(1, 1);
  e.Press(2, 1);
  EXPECT_EQ(e.Text(2, 1), QStringLiteral("14"));
  // A quick second press arrives as a double click in place of the press;
  // it takes back the number all the same.
  QWidget* viewport = e.TileGrid->viewport();
  const QPoint at = e.TileGrid->visualItemRect(e.Cell(9, 9)).center();
  QTest::mouseClick(viewport, Qt::LeftButton, {}, at);
  EXPECT_EQ(e.Text(9, 9), QStringLiteral("15"));
  QTest::mouseDClick(viewport, Qt::LeftButton, {}, at);
  QTest::mouseRelease(viewport, Qt::LeftButton, {}, at);
  EXPECT_EQ(e.Text(9, 9), QString());
  EXPECT_EQ(e.frm.Grid().TouchCounter(), 14);

  QTest::mouseClick(e.ModeBtn, Qt::LeftButton);
  EXPECT_FALSE(e.frm.Grid().TouchMode());
  EXPECT_NE(e.TileGrid->editTriggers(), QAbstractItemView::NoEditTriggers);
  e.Press(5, 5);
  EXPECT_EQ(e.Text(5, 5), QString());
}

TEST(TloFrm, OpenFillsTheEditorAndLeavesTouchMode) {
  testing::TempDir dir;
  TTloFile header;
  header.TitleJ = "夕焼け";
  header.CommentJ = "右から";
  header.AuthorJ = "A";
  header.TitleE = "Sunset";
  const std::string file = dir.File("sunset.tlo");
  ASSERT_TRUE(WriteTloFile(file, header, {{1, 2}, {0, 0}}));

  Editor e;
  e.frm.SetTloDir(dir.path().string());
  e.AuthorEdit->setText("B");
  e.Type(7, 7, "1");
  QTest::mouseClick(e.ModeBtn, Qt::LeftButton);
  ASSERT_TRUE(e.frm.Grid().TouchMode());

  // The unsaved grid is asked about before each open; it goes only with the
  // file that replaces it.
  e.dialogs.saveAnswers = {SaveAnswer::Discard, SaveAnswer::Discard, SaveAnswer::Discard};
  e.dialogs.files.push_back(std::nullopt);
  QTest::mouseClick(e.OpenBtn, Qt::LeftButton);
  EXPECT_TRUE(e.frm.Grid().TouchMode());  // cancelled: nothing happens
  e.dialogs.files.push_back(dir.File("missing.tlo"));
  QTest::mouseClick(e.OpenBtn, Qt::LeftButton);
  EXPECT_EQ(e.dialogs.Errors().size(), 1u);
  EXPECT_EQ(e.Text(7, 7), QStringLiteral("1"));

  e.dialogs.files.push_back(file);
  QTest::mouseClick(e.OpenBtn, Qt::LeftButton);
  EXPECT_EQ(e.dialogs.startFolders.back(), dir.path().string());
  EXPECT_FALSE(e.ModeBtn->isChecked());
  EXPECT_FALSE(e.frm.Grid().TouchMode());
  EXPECT_NE(e.TileGrid->editTriggers(), QAbstractItemView::NoEditTriggers);
  EXPECT_EQ(e.Text(7, 7), QString());
  EXPECT_EQ(e.Text(1, 2), QStringLiteral("1"));
  EXPECT_EQ(e.Text(0, 0), QStringLiteral("2"));
  EXPECT_EQ(e.TitleEdit->text(), QStringLiteral("夕焼け"));
  EXPECT_EQ(e.CommentEdit->text(), QStringLiteral("右から"));
  EXPECT_EQ(e.AuthorEdit->text(),
            QStringLiteral("B"));  // the own name stays
  e.InfoTab->setCurrentIndex(1);
  EXPECT_EQ(e.TitleEdit->text(), QStringLiteral("Sunset"));

  // Saved by B, the file's author A stays and B becomes an editor.
  const std::string saved = dir.File("saved.tlo");
  e.dialogs.files.push_back(saved);
  QTest::mouseClick(e.SaveBtn, Qt::LeftButton);
  const TTloFile back(saved);
  EXPECT_EQ(back.AuthorJ, "A");
  EXPECT_EQ(back.EditedByJ, "B");
  EXPECT_EQ(back.TitleJ, "夕焼け");
}

TEST(TloFrm, TabsKeepEachLanguageAndClearKeepsOwnNames) {
  Editor e;
  e.TitleEdit->setText("題");
  e.AuthorEdit->setText("私");
  e.CommentEdit->setText("説明");
  e.InfoTab->setCurrentIndex(1);
  EXPECT_EQ(e.TitleEdit->text(), QString());
  e.TitleEdit->setText("Title");
  e.AuthorEdit->setText("me");
  e.InfoTab->setCurrentIndex(0);
  EXPECT_EQ(e.TitleEdit->text(), QStringLiteral("題"));
  EXPECT_EQ(e.AuthorEdit->text(), QStringLiteral("私"));
  EXPECT_EQ(e.CommentEdit->text(), QStringLiteral("説明"));

  e.Type(0, 0, "1");
  e.dialogs.saveAnswers = {SaveAnswer::Discard};
  QTest::mouseClick(e.ClearBtn, Qt::LeftButton);
  EXPECT_EQ(e.Text(0, 0), QString());
  EXPECT_EQ(e.TitleEdit->text(), QString());
  EXPECT_EQ(e.CommentEdit->text(), QString());
  EXPECT_EQ(e.AuthorEdit->text(), QStringLiteral("私"));
  EXPECT_EQ(e.InfoTab->currentIndex(), 0);
  e.InfoTab->setCurrentIndex(1);
  EXPECT_EQ(e.TitleEdit->text(), QString());
  EXPECT_EQ(e.AuthorEdit->text(), QStringLiteral("me"));
}

TEST(TloFrm, SavedRowHeightShapesTheGridAndATypedOwnNameIsSaved) {
  Editor e;
  e.frm.ReadSettings(IniFile("[TloForm]\nRowHeight=20\n[Tlo]\nAuthorJ=山田\nAuthorE=Yamada\n"));
  EXPECT_EQ(e.TileGrid->rowHeight(1), 20);
  EXPECT_EQ(e.AuthorEdit->text(), QStringLiteral("山田"));
  e.InfoTab->setCurrentIndex(1);
  EXPECT_EQ(e.AuthorEdit->text(), QStringLiteral("Yamada"));
  e.AuthorEdit->setText("Y.");  // typed, not yet stored by a tab change
  IniFile out;
  e.frm.WriteSettings(out);
  EXPECT_EQ(out.ReadString("Tlo", "AuthorJ"), "山田");
  EXPECT_EQ(out.ReadString("Tlo", "AuthorE"), "Y.");
}

}  // namespace
}  // namespace mosaicer

namespace mosaicer {
namespace {

constexpr const char* kUnsaved = "表示エフェクトが変更されています。保存しますか？";

// A grid with two steps and a title, shown as a user would see it.
struct UnsavedEditor : Editor {
  testing::TempDir dir;
  UnsavedEditor() {
    frm.SetTloDir(dir.path().string());
    TitleEdit->setText("題");
    Type(0, 0, "1");
    Type(1, 0, "2");
    frm.show();
  }
  ~UnsavedEditor() { frm.hide(); }
};

TEST(TloFrmUnsaved, ClearAsksAndEachAnswerDoesWhatItSays) {
  UnsavedEditor e;
  EXPECT_TRUE(e.frm.Unsaved());

  e.dialogs.saveAnswers = {SaveAnswer::Cancel};  // keep it
  QTest::mouseClick(e.ClearBtn, Qt::LeftButton);
  EXPECT_EQ(e.dialogs.questions, std::vector<std::string>{kUnsaved});
  EXPECT_EQ(e.Text(1, 0), QStringLiteral("2"));
  EXPECT_EQ(e.TitleEdit->text(), QStringLiteral("題"));

  // Save: the save dialog, then the grid is cleared.
  e.dialogs.saveAnswers = {SaveAnswer::Save};
  e.dialogs.files = {e.dir.File("kept.tlo")};
  QTest::mouseClick(e.ClearBtn, Qt::LeftButton);
  ASSERT_TRUE(FileExists(e.dir.File("kept.tlo")));
  EXPECT_EQ(e.Text(1, 0), QString());
  EXPECT_EQ(e.TitleEdit->text(), QString());
  EXPECT_FALSE(e.frm.Unsaved());  // an empty grid has nothing to lose

  // Save, but saving is refused (no title) or its dialog cancelled: nothing
  // is cleared.
  e.Type(3, 3, "1");
  e.dialogs.saveAnswers = {SaveAnswer::Save};
  QTest::mouseClick(e.ClearBtn, Qt::LeftButton);
  EXPECT_EQ(e.dialogs.Errors(), std::vector<std::string>{"エフェクトのタイトルを入力して下さい。"});
  EXPECT_EQ(e.Text(3, 3), QStringLiteral("1"));
  e.TitleEdit->setText("題");
  e.dialogs.saveAnswers = {SaveAnswer::Save};
  e.dialogs.files = {std::nullopt};
  QTest::mouseClick(e.ClearBtn, Qt::LeftButton);
  EXPECT_EQ(e.Text(3, 3), QStringLiteral("1"));

  // Discard: cleared without saving.
  e.dialogs.saveAnswers = {SaveAnswer::Discard};
  QTest::mouseClick(e.ClearBtn, Qt::LeftButton);
  EXPECT_EQ(e.Text(3, 3), QString());
  EXPECT_EQ(e.dialogs.questions.size(), 5u);
  EXPECT_EQ(e.dialogs.Errors().size(), 1u);
  EXPECT_TRUE(e.dialogs.saveAnswers.empty());
}

TEST(TloFrmUnsaved, EscapeAndClosingAskAndCancelKeepsTheWindowOpen) {
  UnsavedEditor e;
  e.dialogs.saveAnswers = {SaveAnswer::Cancel};
  QTest::keyClick(&e.frm, Qt::Key_Escape);
  EXPECT_TRUE(e.frm.isVisible());
  e.dialogs.saveAnswers = {SaveAnswer::Cancel};
  EXPECT_FALSE(e.frm.close());
  EXPECT_TRUE(e.frm.isVisible());
  EXPECT_EQ(e.Text(1, 0), QStringLiteral("2"));

  e.dialogs.saveAnswers = {SaveAnswer::Discard};
  EXPECT_TRUE(e.frm.close());
  EXPECT_FALSE(e.frm.isVisible());
  EXPECT_EQ(e.dialogs.questions.size(), 3u);

  // Shown again the grid is still there, and still unsaved; saving it lets
  // the window go without a question.
  e.frm.show();
  EXPECT_EQ(e.Text(1, 0), QStringLiteral("2"));
  e.dialogs.saveAnswers = {SaveAnswer::Save};
  e.dialogs.files = {e.dir.File("closing.tlo")};
  QTest::keyClick(&e.frm, Qt::Key_Escape);
  EXPECT_FALSE(e.frm.isVisible());
  EXPECT_TRUE(FileExists(e.dir.File("closing.tlo")));
  e.frm.show();
  QTest::keyClick(&e.frm, Qt::Key_Escape);  // saved: nothing asked
  EXPECT_FALSE(e.frm.isVisible());
  EXPECT_EQ(e.dialogs.questions.size(), 4u);
  EXPECT_TRUE(e.dialogs.saveAnswers.empty());
}

TEST(TloFrmUnsaved, WhatWasSavedOrOpenedIsNotAskedAboutUntilItChanges) {
  UnsavedEditor e;
  e.dialogs.files = {e.dir.File("a.tlo")};
  QTest::mouseClick(e.SaveBtn, Qt::LeftButton);
  EXPECT_FALSE(e.frm.Unsaved());
  e.CommentEdit->setText("new comment");  // typed, not yet stored
  EXPECT_TRUE(e.frm.Unsaved());
  e.CommentEdit->clear();
  EXPECT_FALSE(e.frm.Unsaved());
  e.AuthorEdit->setText("someone");  // the own name is a setting
  EXPECT_FALSE(e.frm.Unsaved());

  e.dialogs.files = {e.dir.File("a.tlo")};
  QTest::mouseClick(e.OpenBtn, Qt::LeftButton);  // nothing to lose: no question
  EXPECT_FALSE(e.frm.Unsaved());
  e.Type(5, 5, "3");
  EXPECT_TRUE(e.frm.Unsaved());
  e.Type(5, 5, "");
  EXPECT_FALSE(e.frm.Unsaved());
  EXPECT_TRUE(e.dialogs.questions.empty());
}

TEST(TloFrmUnsaved, SavingOverAnExistingEffectAsksFirst) {
  UnsavedEditor e;
  const std::string old = e.dir.Write("old.tlo", "old effect");
  e.dialogs.files = {old};
  e.dialogs.confirms = {false};
  QTest::mouseClick(e.SaveBtn, Qt::LeftButton);
  EXPECT_EQ(testing::ReadFile(old), "old effect");
  EXPECT_TRUE(e.frm.Unsaved());
  EXPECT_EQ(e.dialogs.beeps, 1);

  e.dialogs.files = {old};
  e.dialogs.confirms = {true};
  QTest::mouseClick(e.SaveBtn, Qt::LeftButton);
  EXPECT_NE(testing::ReadFile(old).find("NumTiles=2"), std::string::npos);
  EXPECT_FALSE(e.frm.Unsaved());
  EXPECT_EQ(e.dialogs.questions,
            std::vector<std::string>(2, "\"" + old + "\"を上書きしても構いませんか？"));
}

TEST(TloFrmUnsaved, TheGridFillsTheWindowAndScrollsWhenItCannot) {
  Editor e;
  e.frm.show();
  // As large as the screen allows (800 x 600 offscreen): the rows take the
  // height; the 50 columns of 22 pixels do not fit the width, so it scrolls.
  e.frm.resize(e.frm.maximumSize());
  QCoreApplication::processEvents();
  QTableWidget* grid = e.TileGrid;
  const int rows = grid->verticalHeader()->sectionSize(1);
  EXPECT_GT(rows, 15);
  EXPECT_GE(grid->viewport()->height(), 18 * rows);
  EXPECT_LT(grid->viewport()->height() - 18 * rows, 18 + grid->horizontalScrollBar()->height());
  EXPECT_EQ(grid->horizontalHeader()->sectionSize(1), 22);
  EXPECT_TRUE(grid->horizontalScrollBar()->isVisible());

  // Narrower columns than the screen allows would fill a width of 50 x 22.
  e.frm.resize(500, 380);
  QCoreApplication::processEvents();
  EXPECT_EQ(grid->verticalHeader()->sectionSize(1), 15);
  EXPECT_EQ(grid->horizontalHeader()->sectionSize(1), 22);
  e.frm.hide();
}

}  // namespace
}  // namespace mosaicer
