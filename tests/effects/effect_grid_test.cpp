#include "effects/effect_grid.h"

#include <gtest/gtest.h>

#include "effects/tile_order.h"
#include "effects/tlo_file.h"
#include "support/temp_dir.h"

namespace mosaicer {
namespace {

using testing::TempDir;
constexpr auto J = EffectLanguage::Japanese;
constexpr auto E = EffectLanguage::English;

void Number(EffectGrid& grid, std::initializer_list<std::pair<TilePos, int>> cells) {
  for (const auto& [pos, n] : cells) grid.SetCell(pos.Col, pos.Row, n);
}

EffectGrid Titled(std::string title = "Title") {
  EffectGrid grid;
  grid.SetTexts(J, {std::move(title), "", ""});
  return grid;
}

// An effect whose [Info] carries these credits in both languages.
std::string CreditedFile(const TempDir& dir, const std::string& name, const std::string& author,
                         const std::string& editors) {
  TTloFile header;
  header.TitleJ = "T";
  header.AuthorJ = header.AuthorE = author;
  header.EditedByJ = header.EditedByE = editors;
  const std::string file = dir.File(name);
  EXPECT_TRUE(WriteTloFile(file, header, {{0, 0}}));
  return file;
}

// Opens `file`, saves it with `user` as the own name and returns the
// Japanese credits written.
EffectCredits SaveAs(const TempDir& dir, const std::string& file, const std::string& user,
                     const std::string& saved) {
  EffectGrid grid;
  grid.SetOwnName(J, user);
  EXPECT_TRUE(grid.Open(file));
  EXPECT_TRUE(grid.Write(dir.File(saved)));
  const TTloFile written(dir.File(saved));
  return {written.AuthorJ, written.EditedByJ};
}

TEST(EffectGrid, TypedTextStaysOnlyAsANumberFrom1To900) {
  EffectGrid grid;
  EXPECT_EQ(grid.TypeCell(3, 4, "900"), 900);
  EXPECT_EQ(grid.TypeCell(3, 4, "12"), 12);
  EXPECT_EQ(grid.Cell(3, 4), 12);
  for (const char* text : {"0", "901", "-5", "word", "1x", "", "+", "99999999999999999999"}) {
    grid.SetCell(3, 4, 7);
    EXPECT_EQ(grid.TypeCell(3, 4, text), 0) << text;
    EXPECT_EQ(grid.Cell(3, 4), 0) << text;
  }
  EXPECT_EQ(EffectGrid::ParseStep("007"), 7);
}

// A save needs a title in either language (unless for a test) and every
// number up to the last; the first gap is named.
TEST(EffectGrid, SaveNeedsATitleExceptForATestAndNamesTheFirstGap) {
  EffectGrid grid;
  Number(grid, {{{0, 0}, 1}});
  EXPECT_FALSE(grid.CheckWrite(false).ok);
  EXPECT_EQ(grid.CheckWrite(false).message, kTitleMissingMessage);
  EXPECT_TRUE(grid.CheckWrite(true).ok);
  grid.SetTexts(E, {"Sunset", "", ""});
  EXPECT_TRUE(grid.CheckWrite(false).ok);

  Number(grid, {{{1, 0}, 2}, {{2, 0}, 4}, {{3, 0}, 6}});
  EXPECT_EQ(grid.CheckSteps().result, StepCheck::Result::Gap);
  EXPECT_EQ(grid.CheckWrite(false).message, "3番が抜けています。");
  EXPECT_TRUE(grid.Order().empty());
  EXPECT_FALSE(grid.Write("/nonexistent/never.tlo"));
}

TEST(EffectGrid, DuplicateNamesTheLaterCellFirstInTileOrGridPositions) {
  EffectGrid grid = Titled();
  // (3,2) is met after (0,0) scanning column by column, though 1 at (1,0)
  // would come first scanning row by row.
  Number(grid, {{{0, 0}, 5}, {{3, 2}, 5}, {{1, 0}, 1}, {{2, 0}, 9}});
  EXPECT_EQ(grid.CheckSteps().result, StepCheck::Result::Duplicate);
  EXPECT_EQ(grid.CheckWrite(false).message, "5番が(3,2)と(0,0)に重複しています。");
  EXPECT_EQ(grid.CheckWrite(true).message, "5番が(3,2)と(0,0)に重複しています。");

  const StepCheck touch = grid.EnterTouchMode();
  EXPECT_FALSE(grid.TouchMode());
  EXPECT_EQ(StepCheckMessage(touch, PositionStyle::Grid), "5番が(4,3)と(1,1)に重複しています。");
}

TEST(EffectGrid, TouchModeNumbersOnAndTakesBackTheLast) {
  EffectGrid grid;
  EXPECT_FALSE(grid.Touch(0, 0));  // not in touch mode
  EXPECT_EQ(grid.Cell(0, 0), 0);
  for (int n = 1; n <= 12; ++n) grid.SetCell(n % 7, n / 7, n);
  EXPECT_EQ(grid.EnterTouchMode().result, StepCheck::Result::Ok);
  ASSERT_TRUE(grid.TouchMode());
  EXPECT_EQ(grid.TouchCounter(), 12);

  EXPECT_TRUE(grid.Touch(40, 10));
  EXPECT_EQ(grid.Cell(40, 10), 13);
  EXPECT_EQ(grid.TouchCounter(), 13);
  EXPECT_TRUE(grid.Touch(40, 10));
  EXPECT_EQ(grid.Cell(40, 10), 0);
  EXPECT_EQ(grid.TouchCounter(), 12);
  EXPECT_FALSE(grid.Touch(5, 0));  // holds 5
  EXPECT_EQ(grid.Cell(5, 0), 5);
  EXPECT_TRUE(grid.Touch(12 % 7, 12 / 7));  // holds 12, the last
  EXPECT_EQ(grid.TouchCounter(), 11);

  grid.LeaveTouchMode();
  EXPECT_FALSE(grid.Touch(49, 17));
  grid.Clear();
  EXPECT_EQ(grid.EnterTouchMode().result, StepCheck::Result::Empty);  // accepted
  EXPECT_TRUE(grid.TouchMode());
  EXPECT_EQ(grid.TouchCounter(), 0);
  EXPECT_TRUE(grid.Touch(49, 17));
  EXPECT_EQ(grid.Cell(49, 17), 1);
}

TEST(EffectGrid, AuthorThenEditorsAreAddedOnceToTheFileLastOpened) {
  TempDir dir;
  // A new effect: the own name becomes the author.
  EffectGrid fresh = Titled();
  fresh.SetOwnName(J, "A");
  fresh.SetOwnName(E, "a");
  Number(fresh, {{{0, 0}, 1}});
  ASSERT_TRUE(fresh.Write(dir.File("a.tlo")));
  const TTloFile byA(dir.File("a.tlo"));
  EXPECT_EQ(byA.AuthorJ, "A");
  EXPECT_EQ(byA.AuthorE, "a");
  EXPECT_EQ(byA.EditedByJ, "");

  EXPECT_EQ(SaveAs(dir, dir.File("a.tlo"), "B", "b.tlo"), (EffectCredits{"A", "B"}));
  EXPECT_EQ(SaveAs(dir, dir.File("b.tlo"), "C", "c.tlo"), (EffectCredits{"A", "B,C"}));
  EXPECT_EQ(SaveAs(dir, dir.File("b.tlo"), "B", "b2.tlo"), (EffectCredits{"A", "B"}));
  EXPECT_EQ(SaveAs(dir, dir.File("b.tlo"), "A", "a2.tlo"), (EffectCredits{"A", "B"}));
  // An empty own name is never found in the list.
  EXPECT_EQ(SaveAs(dir, dir.File("b.tlo"), "", "empty.tlo"), (EffectCredits{"A", "B,"}));
  // A name inside another counts as listed (a plain substring test).
  EXPECT_EQ(SaveAs(dir, CreditedFile(dir, "long.tlo", "A", "Bob"), "Bo", "bo.tlo"),
            (EffectCredits{"A", "Bob"}));

  // The credits follow the file last opened, not the last save.
  EffectGrid grid;
  grid.SetOwnName(J, "B");
  ASSERT_TRUE(grid.Open(CreditedFile(dir, "opened.tlo", "A", "")));
  EXPECT_EQ(grid.Header().EditedByJ, "B");
  ASSERT_TRUE(grid.Write(dir.File("saved.tlo")));
  grid.SetOwnName(J, "C");
  // Not "B,C": saving leaves the opened file's fields as they were.
  EXPECT_EQ(grid.Header().EditedByJ, "C");

  grid.Clear();
  grid.SetOwnName(J, "B");
  EXPECT_EQ(grid.Header().AuthorJ, "B");
  EXPECT_EQ(grid.Header().EditedByJ, "");
}

TEST(EffectGrid, OpenDropsOffScreenAndOverwrittenSteps) {
  TempDir dir;
  const std::string file = dir.Write(
      "odd.tlo",
      "[Info]\r\nTitleJ=題\r\nTitleE=Title\r\nCommentJ=説明\r\nCommentE=Note\r\n"
      "AuthorJ=山田\r\nAuthorE=Yamada\r\nEditedByJ=佐藤\r\nEditedByE=Sato\r\nNumTiles=7\r\n"
      // Steps 2 and 3 off the screen, 4 replaces 1, 6 off the screen, 7 missing: tile (0,0).
      "[0]\r\nRow=0\r\nCol=0\r\n[1]\r\nRow=17\r\nCol=50\r\n[2]\r\nRow=-1\r\nCol=3\r\n"
      "[3]\r\nRow=0\r\nCol=0\r\n[4]\r\nRow=17\r\nCol=49\r\n[5]\r\nRow=18\r\nCol=0\r\n");
  EffectGrid grid;
  grid.SetOwnName(J, "自分");
  grid.SetTexts(E, {"old", "me", "old note"});
  grid.SetCell(10, 10, 3);
  ASSERT_TRUE(grid.Open(file));
  EXPECT_EQ(grid.Cell(10, 10), 0);  // cleared first
  EXPECT_EQ(grid.Cell(0, 0), 7);
  EXPECT_EQ(grid.Cell(49, 17), 5);
  int numbered = 0;
  for (int c = 0; c < EffectGrid::kColumns; ++c)
    for (int r = 0; r < EffectGrid::kRows; ++r) numbered += grid.Cell(c, r) != 0;
  EXPECT_EQ(numbered, 2);
  EXPECT_EQ(grid.Texts(J), (EffectTexts{"題", "自分", "説明"}));
  EXPECT_EQ(grid.Texts(E), (EffectTexts{"Title", "me", "Note"}));
  EXPECT_EQ(grid.FileCredits(J), (EffectCredits{"山田", "佐藤"}));
  EXPECT_EQ(grid.FileCredits(E), (EffectCredits{"Yamada", "Sato"}));
  // Saving reports what went missing.
  EXPECT_EQ(grid.CheckWrite(false).message, "1番が抜けています。");
}

TEST(EffectGrid, SavedFilePaintsInTheGridsOrder) {
  TempDir dir;
  EffectGrid grid;
  grid.SetTexts(J, {"渦巻き", "山田", "中央から"});
  grid.SetTexts(E, {"Spiral", "Yamada", "centre out"});
  Number(grid, {{{49, 17}, 1}, {{0, 0}, 2}, {{3, 5}, 3}});
  ASSERT_TRUE(grid.CheckWrite(false).ok);
  const std::string file = dir.File("spiral.tlo");
  ASSERT_TRUE(grid.Write(file));
  EXPECT_EQ(ReadTileOrder(file), (TileOrder{{49, 17}, {0, 0}, {3, 5}}));
  // Opening it back gives the same grid.
  EffectGrid back;
  ASSERT_TRUE(back.Open(file));
  EXPECT_EQ(back.Order(), grid.Order());
  EXPECT_EQ(back.Texts(J).Title, "渦巻き");
  EXPECT_EQ(back.FileCredits(E).Author, "Yamada");
}

}  // namespace
}  // namespace mosaicer
