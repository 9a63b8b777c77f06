#include "effects/tlo_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "effects/tile_order.h"
#include "platform/cp932.h"
#include "support/language_scope.h"
#include "support/temp_dir.h"

namespace mosaicer {
namespace {

using testing::TempDir;

std::string Header(std::string_view numTiles, std::string_view version = "100") {
  return "[Info]\r\nTloVersion=" + std::string(version) +
         "\r\nTitleJ=\r\nAuthorJ=\r\nEditedByJ=\r\nCommentJ=\r\nTitleE=\r\nAuthorE=\r\n"
         "EditedByE=\r\nCommentE=\r\nNumTiles=" +
         std::string(numTiles) + "\r\n";
}

TEST(TloFormat, TwoTileEffectHasTheExactLayout) {
  TTloFile header;
  const TileOrder order = {{0, 0}, {1, 0}};
  EXPECT_EQ(FormatTloFile(header, order),
            "[Info]\r\nTloVersion=100\r\nTitleJ=\r\nAuthorJ=\r\nEditedByJ=\r\nCommentJ=\r\n"
            "TitleE=\r\nAuthorE=\r\nEditedByE=\r\nCommentE=\r\nNumTiles=2\r\n"
            "\r\n[0]\r\nRow=0\r\nCol=0\r\n"
            "\r\n[1]\r\nRow=0\r\nCol=1\r\n");
}

TEST(TloFormat, JapaneseHeaderRoundTripsThroughCp932) {
  TempDir dir;
  TTloFile header;
  header.TitleJ = "渦巻き=左回り";
  header.AuthorJ = "山田";
  header.EditedByJ = "佐藤,鈴木";
  header.CommentJ = "中央から\n外へ";  // a line break cannot stay in a one-line field
  header.TitleE = "Spiral";
  header.CommentE = "centre out";
  const std::string file = dir.File("spiral.tlo");
  ASSERT_TRUE(WriteTloFile(file, header, DefaultTileOrder()));

  const std::string bytes = testing::ReadFile(file);
  EXPECT_NE(bytes.find("TitleJ=" + Utf8ToCp932("渦巻き=左回り") + "\r\n"), std::string::npos);

  TTloFile back(file);
  ASSERT_TRUE(back.Valid);
  EXPECT_EQ(back.FileName, file);
  EXPECT_EQ(back.TitleJ, "渦巻き=左回り");
  EXPECT_EQ(back.AuthorJ, "山田");
  EXPECT_EQ(back.EditedByJ, "佐藤,鈴木");
  EXPECT_EQ(back.CommentJ, "中央から 外へ");
  EXPECT_EQ(back.TitleE, "Spiral");
  EXPECT_EQ(back.CommentE, "centre out");
  EXPECT_EQ(ReadTileOrder(file), DefaultTileOrder());
}

TEST(TileOrderRead, ClampsOutOfRangeValues) {
  TempDir dir;
  const std::string file = dir.Write(
      "clamp.tlo", Header("4") +
                       "\r\n[0]\r\nRow=-1\r\nCol=75\r\n\r\n[1]\r\nRow=17\r\nCol=49\r\n"
                       "\r\n[2]\r\nRow=65553\r\nCol=65536\r\n\r\n[3]\r\nrow=3\r\ncol=x\r\n");
  const TileOrder order = ReadTileOrder(file);
  ASSERT_EQ(order.size(), 4u);
  EXPECT_EQ(order[0], (TileOrderEntry{49, 17}));
  EXPECT_EQ(order[1], (TileOrderEntry{49, 17}));
  EXPECT_EQ(order[2], (TileOrderEntry{0, 17}));  // low 16 bits: 17 and 0
  EXPECT_EQ(order[3], (TileOrderEntry{0, 3}));
}

TEST(TileOrderRead, MissingAndMisnamedSectionsGiveTileZero) {
  TempDir dir;
  const std::string file = dir.Write(
      "gaps.tlo", Header("3") + "\r\n[00]\r\nRow=5\r\nCol=5\r\n\r\n[2]\r\nRow=2\r\nCol=9\r\n");
  const TileOrder order = ReadTileOrder(file);
  ASSERT_EQ(order.size(), 3u);
  EXPECT_EQ(order[0], (TileOrderEntry{0, 0}));  // "[00]" is not step 0
  EXPECT_EQ(order[1], (TileOrderEntry{0, 0}));
  EXPECT_EQ(order[2], (TileOrderEntry{9, 2}));
}

TEST(TileOrderRead, MissingFileGivesTheDefaultOrderAndUnreadableOneNothing) {
  TempDir dir;
  EXPECT_EQ(ReadTileOrder(dir.File("gone.tlo")), DefaultTileOrder());
  std::string why;
  EXPECT_TRUE(ReadTileOrder(dir.path().string(), &why).empty());  // a folder
  EXPECT_FALSE(why.empty());
}

// The text of an effect of `count` steps painting the inner tiles in the
// default order, with the sections of `dropped` steps left out.
std::string EffectText(std::size_t count, const std::vector<std::size_t>& dropped = {}) {
  const TileOrder order = DefaultTileOrder();
  std::string text = Header(std::to_string(count));
  for (std::size_t i = 0; i < count; ++i) {
    if (std::find(dropped.begin(), dropped.end(), i) != dropped.end()) continue;
    text += "[" + std::to_string(i) + "]\r\nRow=" + std::to_string(order[i].Row) +
            "\r\nCol=" + std::to_string(order[i].Col) + "\r\n";
  }
  return text;
}

TEST(EffectFileRead, FilesThatCannotServeAreRefusedWithTheFileAndTheReason) {
  // The reasons are checked in English words.
  testing::LanguageScope english(Language::English);
  TempDir dir;
  std::filesystem::create_directory(dir.File("folder.tlo"));
  std::filesystem::create_symlink("/dev/zero", dir.File("zero.tlo"));
  struct Case {
    const char* name;
    std::string path;
    const char* fragment;
  } cases[] = {
      {"missing", dir.File("gone.tlo"), "not found"},
      {"folder", dir.File("folder.tlo"), "folder"},
      {"endless", dir.File("zero.tlo"), "not a regular file"},
      {"empty", dir.Write("empty.tlo", ""), "TloVersion"},
      {"garbage", dir.Write("garbage.tlo", "\x01\x02 garbage\xFF"), "TloVersion"},
      {"version 0", dir.Write("v0.tlo", Header("5", "0")), "TloVersion"},
      {"no steps", dir.Write("none.tlo", "[Info]\r\nTloVersion=100\r\n"), "NumTiles is missing"},
      {"zero steps", dir.Write("zero-steps.tlo", Header("0")), "NumTiles is \"0\""},
      {"negative steps", dir.Write("neg.tlo", Header("-5")), "NumTiles is \"-5\""},
      {"not a number", dir.Write("nan.tlo", Header("many")), "NumTiles is \"many\""},
      {"too many steps", dir.Write("huge.tlo", Header("65536")), "65536"},
      {"too large", dir.Write("big.tlo", std::string(17u << 20, ' ')), "too large"},
  };
  for (const Case& c : cases) {
    EffectFile effect;
    effect.order = DefaultTileOrder();
    std::string error;
    EXPECT_FALSE(ReadEffectFile(c.path, effect, error)) << c.name;
    EXPECT_NE(error.find(c.path), std::string::npos) << c.name << ": " << error;
    EXPECT_NE(error.find(c.fragment), std::string::npos) << c.name << ": " << error;
    EXPECT_TRUE(effect.order.empty()) << c.name;
  }
}

TEST(EffectFileRead, GapsOfTheOrderAreReported) {
  TempDir dir;
  std::string error;
  EffectFile whole;
  ASSERT_TRUE(ReadEffectFile(dir.Write("whole.tlo", EffectText(768)), whole, error)) << error;
  EXPECT_EQ(whole.order, DefaultTileOrder());
  EXPECT_TRUE(whole.missingSteps.empty());
  EXPECT_TRUE(whole.unpaintedTiles.empty());

  // Cut after step 499, as an interrupted copy leaves it: the rest reads as
  // tile 0, 0, and the 268 tiles of those steps are never painted.
  std::string text = EffectText(768);
  text.resize(text.find("[500]") + 10);  // "[500]\r\nRow" and no Col
  EffectFile cut;
  ASSERT_TRUE(ReadEffectFile(dir.Write("cut.tlo", text), cut, error)) << error;
  ASSERT_EQ(cut.order.size(), 768u);
  EXPECT_EQ(cut.order[499], DefaultTileOrder()[499]);
  EXPECT_EQ(cut.order[500], (TileOrderEntry{0, 0}));
  ASSERT_EQ(cut.missingSteps.size(), 268u);
  EXPECT_EQ(cut.missingSteps.front(), 500u);
  EXPECT_EQ(cut.missingSteps.back(), 767u);
  EXPECT_EQ(ToRanges(cut.missingSteps), (std::vector<NumberRange>{{500, 767}}));
  ASSERT_EQ(cut.unpaintedTiles.size(), 268u);
  EXPECT_EQ(cut.unpaintedTiles.front(), DefaultTileOrder()[500]);

  // Holes in the middle, and a section without its Col.
  std::string holes = EffectText(768, {0, 7, 8, 9, 767});
  const std::string step100 = "[100]\r\nRow=3\r\nCol=5\r\n";
  holes.replace(holes.find(step100), step100.size(), "[100]\r\nRow=3\r\n");
  EffectFile holed;
  ASSERT_TRUE(ReadEffectFile(dir.Write("holes.tlo", holes), holed, error)) << error;
  EXPECT_EQ(holed.missingSteps, (std::vector<std::size_t>{0, 7, 8, 9, 100, 767}));
  EXPECT_EQ(ToRanges(holed.missingSteps),
            (std::vector<NumberRange>{{0, 0}, {7, 9}, {100, 100}, {767, 767}}));
  EXPECT_EQ(holed.unpaintedTiles.size(), 6u);

  // A complete order that paints only part of the screen.
  EffectFile part;
  ASSERT_TRUE(ReadEffectFile(dir.Write("part.tlo", EffectText(48)), part, error)) << error;
  EXPECT_TRUE(part.missingSteps.empty());
  EXPECT_EQ(part.unpaintedTiles.size(), 768u - 48u);
  EXPECT_EQ(part.unpaintedTiles.front(), (TileOrderEntry{1, 2}));
}

TEST(EffectFileRead, UnpaintedTilesIgnoreTheBorderAndRepeats) {
  TileOrder order = DefaultTileOrder();
  order[5] = {0, 0};    // a border tile instead of (6, 1)
  order[6] = {49, 17};  // and another instead of (7, 1)
  order[7] = order[8];  // (9, 1) twice instead of (8, 1)
  EXPECT_EQ(UnpaintedTiles(order), (std::vector<TileOrderEntry>{{6, 1}, {7, 1}, {8, 1}}));
  EXPECT_EQ(UnpaintedTiles({}).size(), 768u);
  EXPECT_TRUE(ToRanges({}).empty());
}

}  // namespace
}  // namespace mosaicer
