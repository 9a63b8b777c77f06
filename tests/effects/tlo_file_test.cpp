#include "effects/tlo_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "effects/tile_order.h"
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

TEST(TloFormat, ExactLayoutAndAJapaneseHeaderThatRoundTrips) {
  EXPECT_EQ(FormatTloFile(TTloFile(), {{0, 0}, {1, 0}}),
            Header("2") + "\r\n[0]\r\nRow=0\r\nCol=0\r\n\r\n[1]\r\nRow=0\r\nCol=1\r\n");
  TempDir dir;
  TTloFile header;
  header.TitleJ = "渦巻き=左回り";
  header.CommentJ = "中央から\n外へ";  // a line break cannot stay in a one-line field
  header.TitleE = "Spiral";
  const std::string file = dir.File("spiral.tlo");
  ASSERT_TRUE(WriteTloFile(file, header, DefaultTileOrder()));

  TTloFile back(file);
  ASSERT_TRUE(back.Valid);
  EXPECT_EQ(back.TitleJ, "渦巻き=左回り");
  EXPECT_EQ(back.CommentJ, "中央から 外へ");
  EXPECT_EQ(back.TitleE, "Spiral");
  EXPECT_EQ(ReadTileOrder(file), DefaultTileOrder());
}

// Values past the screen are clamped (of large ones the low 16 bits count);
// a section missing or misnamed ("[04]" is not step 4) gives tile 0, 0; a
// missing file gives the default order, and an unreadable one nothing.
TEST(TileOrderRead, ClampsValuesReadsGapsAsTileZeroAndMissingFilesAsTheDefault) {
  TempDir dir;
  const std::string file =
      dir.Write("odd.tlo", Header("6") +
                               "[0]\r\nRow=-1\r\nCol=75\r\n[1]\r\nRow=17\r\nCol=49\r\n"
                               "[2]\r\nRow=65553\r\nCol=65536\r\n[3]\r\nrow=3\r\ncol=x\r\n"
                               "[04]\r\nRow=5\r\nCol=5\r\n[5]\r\nRow=2\r\nCol=9\r\n");
  EXPECT_EQ(ReadTileOrder(file), (TileOrder{{49, 17}, {49, 17}, {0, 17}, {0, 3}, {0, 0}, {9, 2}}));
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
