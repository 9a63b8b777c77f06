// The effect editor and the effect viewer.
#include "effects/ui/tlo_frm.h"

#include "ui_test.h"

#include <QElapsedTimer>
#include <QTabBar>
#include <QTableWidget>

#include <algorithm>
#include <cstdlib>

#include "app/bitmap_image.h"
#include "core/subcode_pack.h"
#include "effects/tile_order.h"
#include "effects/tlo_file.h"
#include "effects/ui/tlo_view_frm.h"
#include "platform/file_util.h"

namespace mosaicer {
namespace {

struct Editor {
  testing::ScriptedDialogs dialogs;
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
    TileGrid->scrollToItem(Cell(col, row));
    QTest::mouseClick(TileGrid->viewport(), Qt::LeftButton, {},
                      TileGrid->visualItemRect(Cell(col, row)).center());
  }
};

// Points the system's temporary folder elsewhere for one test.
struct TempFolderOverride {
  const char* old = std::getenv("TMPDIR");
  std::string kept = old ? old : "";
  explicit TempFolderOverride(const std::filesystem::path& f) { setenv("TMPDIR", f.c_str(), 1); }
  ~TempFolderOverride() { old ? setenv("TMPDIR", kept.c_str(), 1) : unsetenv("TMPDIR"); }
};

std::vector<std::string> FilesIn(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  return names;
}

QImage Tile(const QImage& screen, int col, int row) {
  return screen.copy(col * kTileWidth, row * kTileHeight, kTileWidth, kTileHeight);
}
// A tile of one colour.
QImage Filled(QRgb colour) {
  QImage tile(kTileWidth, kTileHeight, QImage::Format_RGB32);
  tile.fill(colour);
  return tile;
}

constexpr QRgb kBlack = qRgb(0, 0, 0);

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
    EXPECT_EQ(Tile(e.viewer.Screen(), 0, 0), Filled(kBlack));  // cleared to black
    QTest::mouseClick(Child<QPushButton>(e.viewer, "TestBtn"), Qt::LeftButton);
    EXPECT_EQ(Tile(e.viewer.Screen(), 0, 0), Filled(qRgb(0, 0, 255)));  // no picture: blue
    EXPECT_EQ(Tile(e.viewer.Screen(), 1, 0), Filled(kBlack));
    QTest::mouseClick(Child<QPushButton>(e.viewer, "CloseBtn"), Qt::LeftButton);
  });
  QTest::mouseClick(e.TestBtn, Qt::LeftButton);
  EXPECT_TRUE(shown);
  EXPECT_TRUE(FilesIn(dir.path()).empty());
}

// The numbering itself is EffectGrid's; here, that presses reach it.
TEST(TloFrm, TouchModeNumbersClickedTilesAndTakesBackTheLast) {
  Editor e;
  e.Type(0, 0, "1");
  e.frm.show();
  QTest::mouseClick(e.ModeBtn, Qt::LeftButton);
  ASSERT_TRUE(e.ModeBtn->isChecked());
  EXPECT_EQ(e.TileGrid->editTriggers(), QAbstractItemView::NoEditTriggers);
  e.Press(2, 3);
  EXPECT_EQ(e.Text(2, 3), QStringLiteral("2"));
  // A quick second press arrives as a double click in place of the press;
  // it takes back the number all the same.
  QWidget* viewport = e.TileGrid->viewport();
  const QPoint at = e.TileGrid->visualItemRect(e.Cell(2, 3)).center();
  QTest::mouseDClick(viewport, Qt::LeftButton, {}, at);
  QTest::mouseRelease(viewport, Qt::LeftButton, {}, at);
  EXPECT_EQ(e.Text(2, 3), QString());

  QTest::mouseClick(e.ModeBtn, Qt::LeftButton);
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
  ExpectOneErrorNaming(e.dialogs, "missing.tlo");
  EXPECT_EQ(e.Text(7, 7), QStringLiteral("1"));

  e.dialogs.files.push_back(file);
  QTest::mouseClick(e.OpenBtn, Qt::LeftButton);
  EXPECT_EQ(e.dialogs.startFolders.back(), dir.path().string());
  EXPECT_FALSE(e.ModeBtn->isChecked());
  EXPECT_NE(e.TileGrid->editTriggers(), QAbstractItemView::NoEditTriggers);
  EXPECT_EQ(e.Text(7, 7), QString());
  EXPECT_EQ(e.Text(1, 2), QStringLiteral("1"));
  EXPECT_EQ(e.Text(0, 0), QStringLiteral("2"));
  EXPECT_EQ(e.TitleEdit->text(), QStringLiteral("夕焼け"));
  EXPECT_EQ(e.CommentEdit->text(), QStringLiteral("右から"));
  EXPECT_EQ(e.AuthorEdit->text(), QStringLiteral("B"));  // the own name stays
  e.InfoTab->setCurrentIndex(1);
  EXPECT_EQ(e.TitleEdit->text(), QStringLiteral("Sunset"));
}

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

// A 24-bit picture whose every pixel differs from its neighbours and from
// black, so a tile copied to the wrong place shows.
Bitmap Picture() {
  Bitmap picture = *Bitmap::Create(kScreenWidth, kScreenHeight, 24).bitmap;
  for (int y = 0; y < kScreenHeight; ++y)
    for (int x = 0; x < kScreenWidth; ++x)
      picture.SetPixelRgb(x, y,
                          Rgb{static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y),
                              static_cast<std::uint8_t>(0x80 | x >> 8)});
  return picture;
}

// Which of the 900 tiles show the picture; the rest must be `background`.
std::vector<TileOrderEntry> PaintedTiles(const QImage& screen, const QImage& picture,
                                         QRgb background) {
  std::vector<TileOrderEntry> painted;
  for (int row = 0; row < kTileRows; ++row)
    for (int col = 0; col < kTileColumns; ++col) {
      if (Tile(screen, col, row) == Tile(picture, col, row))
        painted.push_back({static_cast<std::uint16_t>(col), static_cast<std::uint16_t>(row)});
      else
        EXPECT_EQ(Tile(screen, col, row), Filled(background)) << col << "," << row;
    }
  return painted;
}

TEST(TloViewFrm, PicturePaintsOnlyTheTilesOfTheEffect) {
  testing::TempDir dir;
  TTloViewFrm view;
  const Bitmap picture = Picture();
  view.SetTestPicture(&picture, 0x00336699);  // 0x00BBGGRR
  const QRgb background = qRgb(0x99, 0x66, 0x33);
  EXPECT_TRUE(PaintedTiles(view.Screen(), ToQImage(picture), background).empty());
  const TileOrder order{{49, 17}, {3, 5}, {0, 9}, {48, 1}};
  ASSERT_TRUE(WriteTloFile(dir.File("effect.tlo"), TTloFile{}, order));
  view.LoadEffect(dir.File("effect.tlo"));
  Child<QSpinBox>(view, "IntervalUd")->setValue(1);
  view.PlayEffect();
  TileOrder expected = order;
  std::sort(expected.begin(), expected.end(),
            [](auto a, auto b) { return std::pair(a.Row, a.Col) < std::pair(b.Row, b.Col); });
  EXPECT_EQ(PaintedTiles(view.Screen(), ToQImage(picture), background), expected);
}

TEST(TloViewFrm, CloseDuringALongAnimationEndsItAndTheModalCall) {
  TTloViewFrm view;
  QSpinBox* IntervalUd = Child<QSpinBox>(view, "IntervalUd");
  QPushButton* TestBtn = Child<QPushButton>(view, "TestBtn");
  const Bitmap picture = Picture();
  view.SetTestPicture(&picture, 0);
  view.LoadEffect("");
  IntervalUd->setValue(1000);
  // Should the close go unheard, finish quickly so the test fails instead of hanging.
  QTimer::singleShot(3000, &view, [&] { IntervalUd->setValue(1); });
  QElapsedTimer clock;
  clock.start();
  const int result = RunModal(view, [&] {
    QTimer::singleShot(200, &view, [&] {
      EXPECT_TRUE(view.Playing());
      EXPECT_FALSE(TestBtn->isEnabled());
      QTest::mouseClick(Child<QPushButton>(view, "CloseBtn"), Qt::LeftButton);
    });
    QTest::mouseClick(TestBtn, Qt::LeftButton);
  });
  EXPECT_LT(clock.elapsed(), 3000);  // 767 s if the close were not heard
  EXPECT_EQ(result, QDialog::Rejected);
  EXPECT_FALSE(view.isVisible());
  EXPECT_FALSE(view.Playing());
  // The first tile at once, the second when the pause was cut short.
  EXPECT_EQ(PaintedTiles(view.Screen(), ToQImage(picture), kBlack), (TileOrder{{1, 1}, {2, 1}}));

  // Escape stops it the same way.
  clock.restart();
  RunModal(view, [&] {
    QTimer::singleShot(200, &view, [&] { QTest::keyClick(&view, Qt::Key_Escape); });
    QTest::mouseClick(TestBtn, Qt::LeftButton);
  });
  EXPECT_LT(clock.elapsed(), 3000);
}

}  // namespace
}  // namespace mosaicer
